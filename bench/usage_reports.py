#!/usr/bin/python3
"""Writes a year of daily reports of a large fleet, as SORPEX saves them with Supplies=1.

    usage_reports.py FOLDER [DAYS] [PRINTERS]

Report d of FOLDER is SORPEX_<day d of 2025>073000.csv; every printer prints a few hundred
pages a day, one in ten is silent on a given day, and each has four supplies that fall.
"""
import datetime
import random
import sys
from pathlib import Path

HEADER = ("Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,"
          "System Contact,System Descr,Serial Number,Lowest Supply %,Supplies")


def main():
    folder = Path(sys.argv[1])
    days = int(sys.argv[2]) if len(sys.argv) > 2 else 365
    printers = int(sys.argv[3]) if len(sys.argv) > 3 else 1023
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(22)
    counts = [rng.randrange(1000, 900000) for _ in range(printers)]
    start = datetime.date(2025, 1, 1)
    for d in range(days):
        day = start + datetime.timedelta(days=d)
        lines = [HEADER]
        for n in range(printers):
            address = f"10.{n // 250}.{n % 250 // 10}.{n % 10 + 1}"
            comment = f'"Floor {n // 40} printer {n}"'
            if rng.random() < 0.1:
                lines.append(f'{comment},{address},public,"No Response",,"","","","","",,""')
                continue
            counts[n] += rng.randrange(50, 600)
            levels = [(100 - (d * (k + 1) + n) % 100) for k in range(4)]
            supplies = "; ".join(f"{name}:{level}%" for name, level in
                                 zip(("Black Toner", "Cyan Toner", "Magenta Toner", "Drum Unit"), levels))
            lines.append(f'{comment},{address},public,"PALIVOX LX-{3000 + n % 7}",{counts[n]},"prn-{n}",'
                         f'"Building A floor {n // 40}","admin@example.test","PALIVOX firmware 3.{n % 9}",'
                         f'"SN{n:07d}",{min(levels)},"{supplies}"')
        (folder / f"SORPEX_{day:%Y%m%d}073000.csv").write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))


if __name__ == "__main__":
    main()
