#!/usr/bin/env python3
"""A distant station for practice: it sits on a sound-card modem's AGW port under its own call,
accepts connects, and answers every message it receives (text up to a "$^" line) with a receipt.

    agwpeer.py PORT [CALL]          (CALL defaults to N0DW; host is 127.0.0.1)
"""
import socket
import struct
import sys
import time

HEADER = struct.Struct("<B3xcxBx10s10sI4x")


def frame(kind, call_from=b"", call_to=b"", data=b""):
    return HEADER.pack(0, kind, 0xF0, call_from, call_to, len(data)) + data


def read_exactly(sock, n):
    out = b""
    while len(out) < n:
        chunk = sock.recv(n - len(out))
        if not chunk:
            raise ConnectionError("the modem closed the AGW connection")
        out += chunk
    return out


def receipt(mycall, remote, text):
    subject = b"?"
    for line in text.replace(b"\n", b"\r").split(b"\r"):
        if line.startswith(b".hdr"):
            words = line.split()
            if len(words) >= 3:
                subject = words[2].lstrip(b"_")
            break
    stamp = time.strftime("%H:%M").encode()
    return (b".hdr _" + mycall + b" _Receipt\r\r" + b"Received your message " + subject + b" from " + remote
            + b" at " + stamp + b", " + str(len(text)).encode() + b" bytes.\r$^\r")


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    port = int(sys.argv[1])
    mycall = (sys.argv[2] if len(sys.argv) > 2 else "N0DW").upper().encode()
    sock = None
    for _ in range(50):
        try:
            sock = socket.create_connection(("127.0.0.1", port))
            break
        except OSError:
            time.sleep(0.1)
    if sock is None:
        print(f"agwpeer: no AGW server on port {port}", file=sys.stderr)
        return 1
    sock.sendall(frame(b"X", mycall))
    buffers = {}
    while True:
        try:
            head = read_exactly(sock, HEADER.size)
        except ConnectionError as e:
            print(f"agwpeer: {e}", file=sys.stderr)
            return 1
        _, kind, _, call_from, _, length = HEADER.unpack(head)
        data = read_exactly(sock, length) if length else b""
        remote = call_from.rstrip(b"\0").strip()
        if kind == b"X":
            ok = data[:1] == b"\x01"
            print(f"agwpeer: {mycall.decode()} {'registered' if ok else 'refused'} on port {port}", flush=True)
            if not ok:
                return 1
        elif kind == b"C":
            buffers[remote] = b""
            print(f"agwpeer: connected with {remote.decode()}", flush=True)
            sock.sendall(frame(b"D", mycall, remote, b"Welcome to " + mycall + b", the practice station.\r"))
        elif kind == b"d":
            buffers.pop(remote, None)
            print(f"agwpeer: {remote.decode()} disconnected", flush=True)
        elif kind == b"D":
            text = buffers.get(remote, b"") + data
            # A message ends at a line holding "$^"; answer each one as it completes.
            while True:
                lines = text.replace(b"\n", b"\r").split(b"\r")
                ends = [i for i, line in enumerate(lines[:-1]) if b"$^" in line]
                if not ends:
                    break
                cut = sum(len(line) + 1 for line in lines[: ends[0] + 1])
                message, text = text[:cut], text[cut:]
                print(f"agwpeer: message of {len(message)} bytes from {remote.decode()}", flush=True)
                sock.sendall(frame(b"D", mycall, remote, receipt(mycall, remote, message)))
            buffers[remote] = text


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(0)
