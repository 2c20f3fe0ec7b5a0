#!/usr/bin/python3
"""Counts the SNMP requests of one printer on the wire: udp_relay.py LISTEN-ADDRESS PORT
AGENT-ADDRESS AGENT-PORT COUNT-FILE passes every datagram to the agent and its answers back,
and keeps the number of datagrams that went to the agent in COUNT-FILE."""

import select
import socket
import sys


def main():
    listen, port, agent, agent_port, count_file = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), sys.argv[5]
    front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    front.bind((listen, port))
    back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    back.bind((listen, 0))
    client = None
    count = 0
    with open(count_file, "w") as f:
        f.write("0\n")
    while True:
        ready, _, _ = select.select([front, back], [], [])
        if front in ready:
            data, client = front.recvfrom(65535)
            back.sendto(data, (agent, agent_port))
            count += 1
            with open(count_file, "w") as f:
                f.write(f"{count}\n")
        if back in ready:
            data, _ = back.recvfrom(65535)
            if client is not None:
                front.sendto(data, client)


main()
