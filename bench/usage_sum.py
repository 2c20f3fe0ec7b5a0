#!/usr/bin/python3
"""What a user would script for the page count: every report of FOLDER read with the csv
module, the increases of each address's counter summed over the year.

    usage_sum.py FOLDER
"""
import csv
import sys
from pathlib import Path


def main():
    last = {}
    pages = {}
    for path in sorted(Path(sys.argv[1]).glob("SORPEX_*.csv")):
        with open(path, newline="", encoding="cp932") as file:
            rows = csv.reader(file)
            next(rows)
            for row in rows:
                if len(row) < 9 or not row[4].isdigit():
                    continue
                address, count = row[1], int(row[4])
                if address in last and count >= last[address]:
                    pages[address] = pages.get(address, 0) + count - last[address]
                last[address] = count
    print(len(pages), sum(pages.values()))


if __name__ == "__main__":
    main()
