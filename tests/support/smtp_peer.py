#!/usr/bin/python3
"""SMTP server for the mail tests, built on aiosmtpd; run it with /usr/bin/python3.

Everything it sees goes to files in --out, written as it arrives:
  transcript.bin    every byte the client sent
  commands.txt      each client line outside the message text (AUTH answers included), then "."
  message-N.eml     the N-th message as the server took it (dot-unstuffed, CR LF kept)
  envelope-N.txt    its MAIL FROM address and RCPT TO addresses, one a line
  login.txt         mechanism, user name and password of an AUTH, one a line
  ready             created once the server accepts connections

With --tls-cert and --tls-key it speaks TLS: --tls starttls offers STARTTLS and refuses MAIL and
AUTH before it, --tls implicit speaks TLS from the first byte; --tls-max 1.0|1.1 caps its
version, --inject-after-starttls sends a plaintext EHLO reply right behind "220" in the same
segment. --starttls-then garbage|stall|trickle is a server that offers STARTTLS, accepts it and
then sends bytes that are no TLS, nothing, or the start of a TLS record one byte at a time.
--tls12-ciphers caps TLS at 1.2 with those suites; --refuse-login answers every login with 535.
"""

import argparse
import asyncio
import os
import signal
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult


class Recorder:
    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.messages = 0

    def append(self, name, data):
        with self.lock, open(os.path.join(self.folder, name), "ab") as out:
            out.write(data)

    def next_message(self):
        with self.lock:
            self.messages += 1
            return self.messages


class Handler:
    def __init__(self, recorder, refused):
        self.recorder = recorder
        self.refused = set(refused)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        number = self.recorder.next_message()
        self.recorder.append("envelope-%d.txt" % number,
                             "".join(a + "\n" for a in [envelope.mail_from] + envelope.rcpt_tos).encode())
        self.recorder.append("message-%d.eml" % number, envelope.original_content)
        return "250 OK"


def peer_smtp_class(args, recorder):
    class PeerSMTP(SMTP):
        if args.auth == "classic":
            AuthLoginUsernameChallenge = "Username:"
            AuthLoginPasswordChallenge = "Password:"
        elif args.auth == "wrong-prompt":
            # The password prompt where the user name prompt belongs.
            AuthLoginUsernameChallenge = "Password:"
        elif args.auth == "cram-only":
            # A mechanism the client does not speak; with --exclude-auth LOGIN and PLAIN the only one.
            async def auth_CRAM__MD5(self, server, args):
                return AuthResult(success=False, handled=False)

        def connection_made(self, transport):
            super().connection_made(transport)
            self.partial = b""
            self.in_data = False
            self.commands = 0
            self.data_lines = 0
            self.muted = False

        async def push(self, status):
            if args.inject_after_starttls and status == "220 Ready to start TLS":
                # One write, so one segment: what a buffering client would keep for later.
                status += "\r\n250-injected.test\r\n250 AUTH PLAIN"
            await super().push(status)

        def data_received(self, data):
            recorder.append("transcript.bin", data)
            self.partial += data
            while not self.muted:
                end = self.partial.find(b"\n")
                if end < 0:
                    break
                line, self.partial = self.partial[:end + 1], self.partial[end + 1:]
                self.take_line(line)

        def take_line(self, line):
            text = line.rstrip(b"\r\n")
            if self.in_data:
                if text == b".":
                    self.in_data = False
                    recorder.append("commands.txt", b".\n")
                else:
                    self.data_lines += 1
                    if args.drop_after_data_lines is not None and self.data_lines > args.drop_after_data_lines:
                        self.muted = True
                        self.transport.abort()
                        return
                    if args.stall_after_data_lines is not None and self.data_lines > args.stall_after_data_lines:
                        self.muted = True
                        self.transport.pause_reading()
                        return
            else:
                recorder.append("commands.txt", text + b"\n")
                self.commands += 1
                if args.mute_after_commands is not None and self.commands > args.mute_after_commands:
                    self.muted = True
                    return
                if text.upper() == b"DATA":
                    self.in_data = True
            super().data_received(line)

    return PeerSMTP


def run_smtp(args, recorder):
    smtp_class = peer_smtp_class(args, recorder)

    def authenticator(server, session, envelope, mechanism, auth_data):
        recorder.append("login.txt", b"%s\n%s\n%s\n" % (mechanism.encode(), auth_data.login, auth_data.password))
        return AuthResult(success=not args.refuse_login, handled=False)

    class PeerController(Controller):
        def factory(self):
            return smtp_class(self.handler, **self.SMTP_kwargs)

    tls = {}
    if args.tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        if args.tls12_ciphers:
            context.maximum_version = ssl.TLSVersion.TLSv1_2
            context.set_ciphers(args.tls12_ciphers)
        if args.tls_max:
            # Only the old versions; OpenSSL allows them at security level 0 alone.
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
            context.minimum_version = ssl.TLSVersion.TLSv1
            context.maximum_version = {"1.0": ssl.TLSVersion.TLSv1, "1.1": ssl.TLSVersion.TLSv1_1}[args.tls_max]
        if args.tls == "starttls":
            tls = {"tls_context": context, "require_starttls": True, "auth_require_tls": True}
        else:
            # aiosmtpd does not count TLS from the first byte as TLS for AUTH.
            tls = {"ssl_context": context, "auth_require_tls": False}
    controller = PeerController(Handler(recorder, args.refuse_rcpt), hostname=args.address, port=args.port,
                                server_hostname="smtp.test", decode_data=False, authenticator=authenticator,
                                auth_exclude_mechanism=args.exclude_auth, ready_timeout=10,
                                **({"auth_require_tls": False} | tls))
    controller.start()
    return controller


async def run_silent(args, recorder):
    """Accepts connections and reads everything, but never says a word, not even a greeting."""
    async def client(reader, writer):
        while True:
            data = await reader.read(65536)
            if not data:
                break
            recorder.append("transcript.bin", data)
        writer.close()

    server = await asyncio.start_server(client, args.address, args.port, reuse_address=True)
    open(os.path.join(args.out, "ready"), "w").close()
    await server.serve_forever()


async def run_bad_starttls(args, recorder):
    """Offers STARTTLS, accepts it, then sends no TLS: some garbage, or nothing at all."""
    async def client(reader, writer):
        writer.write(b"220 smtp.test ESMTP\r\n")
        while True:
            line = await reader.readline()
            if not line:
                break
            recorder.append("transcript.bin", line)
            recorder.append("commands.txt", line.rstrip(b"\r\n") + b"\n")
            if line.upper().startswith(b"EHLO"):
                writer.write(b"250-smtp.test\r\n250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n")
            elif line.upper().startswith(b"STARTTLS"):
                writer.write(b"220 Ready to start TLS\r\n")
                if args.starttls_then == "garbage":
                    writer.write(b"250 this is SMTP, not a TLS handshake\r\n" * 50)
                elif args.starttls_then == "trickle":
                    # A handshake record of 16 KB, a byte every quarter second: every read gets
                    # something, the whole takes an hour.
                    writer.write(b"\x16\x03\x03\x40\x00")
                    try:
                        for _ in range(480):
                            await writer.drain()
                            await asyncio.sleep(0.25)
                            writer.write(b"\x00")
                    except ConnectionError:
                        pass
                    break
                await writer.drain()
                while await reader.read(65536):
                    pass
                break
            else:
                writer.write(b"250 OK\r\n")
        writer.close()

    server = await asyncio.start_server(client, args.address, args.port, reuse_address=True)
    open(os.path.join(args.out, "ready"), "w").close()
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--auth", choices=["aiosmtpd", "classic", "wrong-prompt", "cram-only"], default="aiosmtpd")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--tls12-ciphers", help="TLS 1.2 at most, with these cipher suites only")
    parser.add_argument("--refuse-rcpt", action="append", default=[])
    parser.add_argument("--mute-after-commands", type=int)
    parser.add_argument("--drop-after-data-lines", type=int)
    parser.add_argument("--stall-after-data-lines", type=int)
    parser.add_argument("--tls", choices=["starttls", "implicit"])
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--exclude-auth", action="append", default=[])
    parser.add_argument("--starttls-then", choices=["garbage", "stall", "trickle"])
    parser.add_argument("--tls-max", choices=["1.0", "1.1"])
    parser.add_argument("--inject-after-starttls", action="store_true")
    args = parser.parse_args()
    recorder = Recorder(args.out)

    if args.silent:
        asyncio.run(run_silent(args, recorder))
        return
    if args.starttls_then:
        asyncio.run(run_bad_starttls(args, recorder))
        return
    run_smtp(args, recorder)
    open(os.path.join(args.out, "ready"), "w").close()
    # The test ends the server with SIGTERM.
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
