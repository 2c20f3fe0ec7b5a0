#!/usr/bin/python3
"""Writes the demo fleet: snmpsim recordings of thirty made-up devices, the printer list, a
settings file of their own and the daily reports of the last 70 days in its save folder (for
使用枚数...). Prints the agent addresses snmpsimd is to serve, one a line.

Most devices are printers of the supported models, some with a warning (no paper, no toner, a
jam, an open door), some are no printers at all (the model filter refuses them), and the last
addresses have no agent, so they stay silent.
"""

import argparse
import datetime
import os

MODELS = ["PALIVOX LX-3000", "PALIVOX C-2210 Color", "ZUV Laser 45", "Printer Model 5100",
          "PALIVOX MF-900", "ZUV Mono 20"]
NOT_PRINTERS = ["Network Switch GS-24", "UPS Monitor 1500", "NAS Storage DS-2", "Wireless Access Point"]
LOCATIONS = ["本社3階", "本社4階 総務部", "第二倉庫", "大阪支店", "名古屋営業所", "会議室A"]
WARNINGS = {3: 0x40, 7: 0x10, 11: 0x04, 15: 0x08, 18: 0x80}  # device number: error-state octet
PRINTING = {5, 13}
TOTAL = 30
SILENT_FROM = 27  # 27, 28, 29 and 30 have no agent


def sjis_hex(text):
    return text.encode("cp932").hex()


def supplies(number, error):
    """Toners and a waste box for Supplies=1 (環境設定); the noToner printer's black is empty."""
    rows = [("ブラックトナー", 3, 0 if error == 0x10 else (number * 37) % 100 + 1),
            ("シアントナー", 3, (number * 53) % 100), ("マゼンタトナー", 3, (number * 71) % 100),
            ("イエロートナー", 3, -3 if number % 4 == 0 else (number * 29) % 100), ("廃トナーボックス", 4, 15)]
    lines = []
    for index, (name, kind, level) in enumerate(rows, 1):
        lines += ["1.3.6.1.2.1.43.11.1.1.4.1.%d|2|%d" % (index, kind),
                  "1.3.6.1.2.1.43.11.1.1.6.1.%d|4x|%s" % (index, sjis_hex(name)),
                  "1.3.6.1.2.1.43.11.1.1.8.1.%d|2|100" % index,
                  "1.3.6.1.2.1.43.11.1.1.9.1.%d|2|%d" % (index, level)]
    return lines


def recording(number):
    lines = []
    if number in range(21, 25):
        model = NOT_PRINTERS[number - 21]
        lines += ["1.3.6.1.2.1.1.1.0|4|%s firmware 1.%d" % (model, number),
                  "1.3.6.1.2.1.1.5.0|4|device-%02d" % number,
                  "1.3.6.1.2.1.25.3.2.1.3.1|4|%s" % model]
    else:
        model = MODELS[number % len(MODELS)]
        error = WARNINGS.get(number, 0)
        lines += [
            "1.3.6.1.2.1.1.1.0|4|%s firmware 2.%d" % (model, number),
            "1.3.6.1.2.1.1.4.0|4x|%s" % sjis_hex("情報システム課 内線%d" % (200 + number)),
            "1.3.6.1.2.1.1.5.0|4|prn-%02d" % number,
            "1.3.6.1.2.1.1.6.0|4x|%s" % sjis_hex(LOCATIONS[number % len(LOCATIONS)]),
            "1.3.6.1.2.1.25.3.2.1.3.1|4|%s" % model,
            "1.3.6.1.2.1.25.3.2.1.5.1|2|%d" % (3 if error else 2),
            "1.3.6.1.2.1.25.3.5.1.1.1|2|%d" % (4 if number in PRINTING else 3),
            "1.3.6.1.2.1.25.3.5.1.2.1|4x|%02x" % error,
            "1.3.6.1.2.1.43.10.2.1.4.1.1|65|%d" % (12345 * number + 678),
            "1.3.6.1.2.1.43.18.1.1.8.1|4|%s" % ("OK" if not error else "Check the printer"),
            "1.3.6.1.2.1.43.5.1.1.17.1|4|DEMO%05d" % (1000 + number),
        ]
        lines += supplies(number, error)

    def key(line):
        return [int(part) for part in line.split("|", 1)[0].split(".")]

    return "\n".join(sorted(lines, key=key)) + "\n"


HISTORY_DAYS = 70


def history(folder, base):
    """Daily reports at 07:30 up to yesterday, as Supplies=1 saves them: each printer's counter
    climbs to what its agent says today, fewer pages at the weekend, and its toners fall and are
    replaced; printer 9 was swapped for another one 20 days ago and printer 12's counter was reset
    a week ago."""
    header = ("Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,"
              "System Contact,System Descr,Serial Number,Lowest Supply %,Supplies")
    today = datetime.date.today()
    for back in range(HISTORY_DAYS, 0, -1):
        day = today - datetime.timedelta(days=back)
        rows = [header]
        for number in range(1, TOTAL + 1):
            comment = "デモ機 %02d" % number
            address = "%s.%d" % (base, number)
            if number >= SILENT_FROM or (number == 26 and back % 3 == 0):
                rows.append('"%s",%s,public,"No Response",,"","","","","",,""' % (comment, address))
                continue
            if number in range(21, 25):
                model = NOT_PRINTERS[number - 21]
                rows.append('"%s",%s,public,"%s",,"device-%02d","","","%s firmware 1.%d","",,""' %
                            (comment, address, model, number, model, number))
                continue
            daily = 40 + (number * 37) % 160
            pages = sum(daily // (4 if (today - datetime.timedelta(days=b)).weekday() >= 5 else 1)
                        for b in range(1, back + 1))
            count = 12345 * number + 678 - pages
            serial = "DEMO%05d" % (1000 + number)
            if number == 9 and back > 20:
                serial, count = "DEMO%05d" % 900, 800000 + count
            if number == 12 and back > 7:
                count += 90000
            levels = [(number * k + back * (1 + number % 3)) % 100 + 1 for k in (37, 53, 71, 29)]
            names = ["ブラックトナー", "シアントナー", "マゼンタトナー", "イエロートナー"]
            text = "; ".join("%s:%d%%" % item for item in zip(names, levels)) + "; 廃トナーボックス:15%"
            model = MODELS[number % len(MODELS)]
            rows.append('"%s",%s,public,"%s",%d,"prn-%02d","%s","","%s firmware 2.%d","%s",%d,"%s"' %
                        (comment, address, model, count, number, LOCATIONS[number % len(LOCATIONS)], model, number,
                         serial, min(levels), text))
        name = "SORPEX_%s073000.csv" % day.strftime("%Y%m%d")
        with open(os.path.join(folder, name), "wb") as out:
            out.write(("\r\n".join(rows) + "\r\n").encode("cp932"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--base", default="127.0.0", help="the first three octets of the addresses")
    parser.add_argument("--folder", required=True)
    args = parser.parse_args()

    data = os.path.join(args.folder, "data", "public")
    os.makedirs(data, exist_ok=True)
    endpoints = []
    for number in range(1, SILENT_FROM):
        path = os.path.join(data, "1.3.6.1.6.1.1.%d.snmprec" % len(endpoints))
        with open(path, "w") as out:
            out.write(recording(number))
        endpoints.append("%s.%d" % (args.base, number))

    header = ("Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,"
              "System Contact,System Descr")
    rows = [header]
    for number in range(1, TOTAL + 1):
        comment = "デモ機 %02d" % number
        rows.append('"%s",%s.%d,public,"",,"","","",""' % (comment, args.base, number))
    with open(os.path.join(args.folder, "demo.csv"), "wb") as out:
        out.write(("\r\n".join(rows) + "\r\n").encode("cp932"))

    settings = ("[AppParam]\r\nDefalutCSV=%s\r\nDefalutSavePath=%s\r\nTimeOut=1\r\nRetry=0\r\n"
                "SnmpPort=1161\r\nAuto_Save=OFF\r\n" %
                (os.path.join(args.folder, "demo.csv"), os.path.join(args.folder, "reports")))
    os.makedirs(os.path.join(args.folder, "reports"), exist_ok=True)
    history(os.path.join(args.folder, "reports"), args.base)
    with open(os.path.join(args.folder, "SORPEX.ini"), "wb") as out:
        out.write(settings.encode("cp932"))

    for endpoint in endpoints:
        print(endpoint)


if __name__ == "__main__":
    main()
