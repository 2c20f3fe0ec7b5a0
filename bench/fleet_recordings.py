#!/usr/bin/python3
"""Recordings of N made-up printers for the fleet benchmark, one file per snmpsim endpoint."""

import os
import sys

folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, exist_ok=True)
for n in range(count):
    lines = [
        "1.3.6.1.2.1.1.1.0|4|PALIVOX firmware 3.%d" % n,
        "1.3.6.1.2.1.1.4.0|4|admin@example.test",
        "1.3.6.1.2.1.1.5.0|4|prn-%03d" % n,
        "1.3.6.1.2.1.1.6.0|4x|%s" % "本社3階".encode("cp932").hex(),
        "1.3.6.1.2.1.25.3.2.1.3.1|4|PALIVOX LX-%d" % (3000 + n),
        "1.3.6.1.2.1.25.3.2.1.5.1|2|2",
        "1.3.6.1.2.1.25.3.5.1.1.1|2|3",
        "1.3.6.1.2.1.25.3.5.1.2.1|4x|00",
        "1.3.6.1.2.1.43.10.2.1.4.1.1|65|%d" % (1000 * n + 7),
        "1.3.6.1.2.1.43.18.1.1.8.1|4|OK",
        "1.3.6.1.2.1.43.5.1.1.17.1|4|SN%06d" % n,
    ]
    # Four toners and a waste box, asked only with Supplies=1.
    supplies = ["Cyan Toner", "Magenta Toner", "Yellow Toner", "Black Toner", "Waste Toner Box"]
    for row, name in enumerate(supplies, 1):
        lines += [
            "1.3.6.1.2.1.43.11.1.1.4.1.%d|2|%d" % (row, 4 if row == 5 else 3),
            "1.3.6.1.2.1.43.11.1.1.6.1.%d|4|%s" % (row, name),
            "1.3.6.1.2.1.43.11.1.1.8.1.%d|2|100" % row,
            "1.3.6.1.2.1.43.11.1.1.9.1.%d|2|%d" % (row, (n * 7 + row * 13) % 101),
        ]
    lines.sort(key=lambda line: [int(p) for p in line.split("|", 1)[0].split(".")])
    with open(os.path.join(folder, "1.3.6.1.6.1.1.%d.snmprec" % n), "w") as out:
        out.write("\n".join(lines) + "\n")
