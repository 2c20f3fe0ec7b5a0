#!/usr/bin/python3
"""Cleans up after a test process however it ends, an abort or a kill included.

The test process holds the other end of this script's standard input and writes one line per
change: "+g PGID" / "-g PGID" for a process group it started and stopped, "+d PATH" / "-d PATH"
for a folder it made and removed. When the input ends, the test process is gone: every group
still listed gets SIGTERM (SIGKILL after two seconds), then every folder still listed is removed.
"""

import os
import shutil
import signal
import sys
import time

# In a group of its own, but a terminal's interrupt must not end it before the test it watches.
signal.signal(signal.SIGINT, signal.SIG_IGN)
signal.signal(signal.SIGHUP, signal.SIG_IGN)

groups = set()
folders = set()
for line in sys.stdin.buffer:
    change, _, item = line.rstrip(b"\n").partition(b" ")
    kind = groups if change[1:] == b"g" else folders
    value = int(item) if kind is groups else item
    if change.startswith(b"+"):
        kind.add(value)
    else:
        kind.discard(value)


def alive(group):
    try:
        os.killpg(group, 0)
        return True
    except (ProcessLookupError, PermissionError):
        return False


for group in groups:
    if alive(group):
        os.killpg(group, signal.SIGTERM)
deadline = time.monotonic() + 2
while any(alive(group) for group in groups) and time.monotonic() < deadline:
    time.sleep(0.05)
for group in groups:
    if alive(group):
        os.killpg(group, signal.SIGKILL)
for folder in folders:
    shutil.rmtree(folder, ignore_errors=True)
