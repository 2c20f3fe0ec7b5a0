#!/usr/bin/python3
"""Takes a received message apart the way a mail reader would, for the tests to compare:
writes subject.txt, from.txt, to.txt and body.txt (UTF-8) and, for each attachment,
attachment-N.name (UTF-8) and attachment-N.bin into the output folder."""

import email
import email.header
import os
import sys


def header_text(value):
    parts = email.header.decode_header(value)
    return "".join(p.decode(c or "ascii") if isinstance(p, bytes) else p for p, c in parts)


def main():
    message_path, out = sys.argv[1], sys.argv[2]
    with open(message_path, "rb") as f:
        message = email.message_from_binary_file(f)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    for field in ("from", "to", "subject"):
        write(field + ".txt", header_text(message[field]).encode())
    parts = message.get_payload() if message.is_multipart() else [message]
    # Half-width katakana (ESC ( I) needs the extended codec.
    charset = parts[0].get_content_charset() or "iso-2022-jp"
    codec = "iso2022_jp_ext" if charset == "iso-2022-jp" else charset
    body = parts[0].get_payload(decode=True).decode(codec).replace("\r\n", "\n")
    write("body.txt", body.encode())
    for number, part in enumerate(parts[1:], 1):
        write("attachment-%d.name" % number, header_text(part.get_param("name")).encode())
        write("attachment-%d.bin" % number, part.get_payload(decode=True))


main()
