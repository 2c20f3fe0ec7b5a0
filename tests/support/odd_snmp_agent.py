#!/usr/bin/python3
"""An SNMPv1 agent that answers GET requests with values no ordinary agent sends, as some
printers do: odd_snmp_agent.py ADDRESS PORT READY-FILE OID=TLV-HEX ... answers each listed
object with the given encoded value (tag, length and contents) and every other object with
noSuchName. An argument SEVERAL=STATUS has a request of more than one object answered with
that error status (1 tooBig, 5 genError) as a whole. The version of the request (v1 or v2c) is
answered. READY-FILE is written once the socket listens."""

import socket
import sys


def read_tlv(data, pos):
    tag = data[pos]
    length = data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[pos:pos + count], "big")
        pos += count
    return tag, data[pos:pos + length], pos + length


def tlv(tag, content):
    if len(content) < 0x80:
        head = bytes([tag, len(content)])
    else:
        size = len(content).to_bytes((len(content).bit_length() + 7) // 8, "big")
        head = bytes([tag, 0x80 | len(size)]) + size
    return head + content


def oid_text(content):
    parts = [content[0] // 40, content[0] % 40]
    value = 0
    for byte in content[1:]:
        value = value << 7 | (byte & 0x7F)
        if not byte & 0x80:
            parts.append(value)
            value = 0
    return ".".join(str(p) for p in parts)


def answer(request, values, several):
    _, message, _ = read_tlv(request, 0)
    _, version, pos = read_tlv(message, 0)
    _, community, pos = read_tlv(message, pos)
    _, pdu, _ = read_tlv(message, pos)
    _, request_id, pos = read_tlv(pdu, 0)
    _, _, pos = read_tlv(pdu, pos)
    _, _, pos = read_tlv(pdu, pos)
    _, bindings, _ = read_tlv(pdu, pos)
    _, binding, rest = read_tlv(bindings, 0)
    _, name, _ = read_tlv(binding, 0)
    value = values.get(oid_text(name))
    status = b"\x00" if value is not None else b"\x02"
    index = b"\x00" if value is not None else b"\x01"
    if several is not None and rest < len(bindings):
        status, index, value = bytes([several]), b"\x00", None
    body = tlv(0x02, request_id) + tlv(0x02, status) + tlv(0x02, index)
    body += tlv(0x30, tlv(0x30, tlv(0x06, name) + (value if value is not None else b"\x05\x00")))
    return tlv(0x30, tlv(0x02, version) + tlv(0x04, community) + tlv(0xA2, body))


def main():
    address, port, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    values = {}
    several = None
    for argument in sys.argv[4:]:
        oid, hex_value = argument.split("=", 1)
        if oid == "SEVERAL":
            several = int(hex_value)
        else:
            values[oid] = bytes.fromhex(hex_value)
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind((address, port))
    with open(ready, "w") as f:
        f.write("ready\n")
    while True:
        request, peer = server.recvfrom(65535)
        try:
            server.sendto(answer(request, values, several), peer)
        except (IndexError, ValueError):
            pass


main()
