#!/usr/bin/python3
"""Reads a message's header as a mail reader does (Python's email, policy=default) and prints
what it understood, one "field=value" a line (UTF-8): subject, each from and to address as
"name|address", date in ISO form, message-id, and the count of defects found."""

import email
import email.policy
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    lines = ["subject=" + str(message["subject"])]
    for field in ("from", "to"):
        lines += ["%s=%s|%s" % (field, a.display_name, a.addr_spec) for a in message[field].addresses]
    lines.append("date=" + message["date"].datetime.isoformat())
    lines.append("message-id=" + str(message["message-id"]))
    defects = len(message.defects) + sum(len(message[name].defects) for name in message.keys())
    lines.append("defects=%d" % defects)
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode())


main()
