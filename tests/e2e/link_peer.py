#!/usr/bin/python3
"""An independent peer of the record link, written from the wire format alone.

records PORT PASSWORD N [name]
                           ask N times on one connection; check each record against /proc
                           (with "name" only the marker and the computer name)
stream  PORT PASSWORD      a server that stopped sampling: its answers, byte for byte, are
                           what this module computes from the record read on the same server
noread  PORT SECONDS       ask without ever reading, as fast as the socket takes requests
churn   PORT COUNT         open and close COUNT connections
noise   PORT COUNT         COUNT connections that send random bytes, some closed by a reset
"""
import datetime
import hashlib
import os
import random
import socket
import struct
import sys
import time

from Cryptodome.Cipher import Blowfish

MARKER = 234
SIZE = 512


def key_and_iv(password):
    key = hashlib.sha1(password.encode("cp1252")).digest() + b"\xff" * 12
    iv = Blowfish.new(key, Blowfish.MODE_ECB).encrypt(b"\xff" * 8)
    return key, iv


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=10)


def read_exactly(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            raise SystemExit("the server closed the connection after %d bytes" % len(data))
        data += chunk
    return data


def ask(s, count):
    out = b""
    for _ in range(count):
        s.sendall(bytes([MARKER]))
        out += read_exactly(s, SIZE)
    return out


def text(record, offset, room):
    n = min(record[offset], room)
    return record[offset + 1:offset + 1 + n].decode("cp1252")


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def check_record(r, previous_time, everything=True):
    if r[0] != MARKER:
        fail("marker %d" % r[0])
    name = socket.gethostname().split(".")[0][:15]
    if text(r, 368, 15) != name:
        fail("CompName %r, expected %r" % (text(r, 368, 15), name))
    if not everything:  # a window samples only what its format string shows
        return previous_time
    scale = r[506]
    ram_total = struct.unpack_from("<I", r, 320)[0] << scale
    with open("/proc/meminfo") as f:
        mem_total = int(f.readline().split()[1]) * 1024
    if abs(ram_total - mem_total) > (1 << scale) * 2:
        fail("RAMTotal %d, /proc/meminfo says %d" % (ram_total, mem_total))
    ram_free = struct.unpack_from("<I", r, 316)[0] << scale
    if not 0 < ram_free <= ram_total:
        fail("RAMFree %d of %d" % (ram_free, ram_total))
    uptime = struct.unpack_from("<q", r, 328)[0]
    with open("/proc/uptime") as f:
        system_uptime = float(f.read().split()[0])
    if abs(uptime - system_uptime) > 5:
        fail("Uptime %d, /proc/uptime says %.0f" % (uptime, system_uptime))
    threads, processes = struct.unpack_from("<hh", r, 336)
    pids = sum(1 for e in os.listdir("/proc") if e.isdigit())
    if not (0 < processes and abs(processes - pids) < 100 and threads >= processes):
        fail("Processes %d (pids %d), Threads %d" % (processes, pids, threads))
    usage = struct.unpack_from("<f", r, 208)[0]
    if not 0.0 <= usage <= 100.0:
        fail("ProcUsage %f" % usage)
    stamp = struct.unpack_from("<d", r, 344)[0]
    since = datetime.datetime.now() - datetime.datetime(1899, 12, 30)
    now_days = since.total_seconds() / 86400.0
    if abs(stamp - now_days) * 86400 > 10:
        fail("DateTime %f, now %f" % (stamp, now_days))
    if stamp < previous_time:
        fail("DateTime went back")
    if text(r, 501, 4) not in ("IA64", "i386", "i486", "i586", "i686", "UNK?"):
        fail("ProcType %r" % text(r, 501, 4))
    return stamp


def records(port, password, count, everything=True):
    s = connect(port)
    wire = ask(s, count)
    plain = wire
    if password:
        key, iv = key_and_iv(password)
        plain = Blowfish.new(key, Blowfish.MODE_CBC, iv=iv).decrypt(wire)
    elif wire[0] != MARKER:
        fail("a record in clear must begin with the marker on the wire")
    stamp = 0.0
    for i in range(count):
        stamp = check_record(plain[i * SIZE:(i + 1) * SIZE], stamp, everything)
    print("ok - %d consecutive records, %s, name %s" %
          (count, "enciphered" if password else "in clear", text(plain, 368, 15)))


def stream(port, password):
    key, iv = key_and_iv(password)
    first = connect(port)
    wire = ask(first, 3)
    record = Blowfish.new(key, Blowfish.MODE_CBC, iv=iv).decrypt(wire[:SIZE])
    check_record(record, 0.0)
    # The record stands still, so every answer of the stream is known from it.
    expected = Blowfish.new(key, Blowfish.MODE_CBC, iv=iv).encrypt(record * 3)
    if wire != expected:
        at = next(i for i in range(len(wire)) if wire[i] != expected[i])
        fail("answers differ from the computed stream at byte %d" % at)
    # A fresh connection (between two answers of the first) starts at the initial vector.
    second = connect(port)
    fresh = ask(second, 1)
    more = ask(first, 1)
    if fresh != expected[:SIZE]:
        fail("a fresh connection's first answer is not the stream's first answer")
    following = Blowfish.new(key, Blowfish.MODE_CBC, iv=wire[-8:]).encrypt(record)
    if more != following:
        fail("the first connection's fourth answer does not continue its own chain")
    print("ok - 3 answers and a fresh connection's first equal the computed stream")


def noread(port, seconds):
    s = socket.create_connection(("127.0.0.1", port))
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.setblocking(False)
    end = time.time() + seconds
    sent = 0
    while time.time() < end:
        try:
            sent += s.send(bytes([MARKER]) * 4096)
        except BlockingIOError:
            time.sleep(0.01)
    print("ok - %d requests sent, none read" % sent)
    s.close()


def churn(port, count):
    for i in range(count):
        s = socket.create_connection(("127.0.0.1", port))
        s.close()
    print("ok - %d connections opened and closed" % count)


def noise(port, count):
    rng = random.Random(4711)
    for i in range(count):
        s = socket.create_connection(("127.0.0.1", port))
        s.sendall(bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 4000))))
        if i % 2:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        s.close()
    print("ok - random bytes on %d connections" % count)


def main():
    command, port = sys.argv[1], int(sys.argv[2])
    if command == "records":
        records(port, sys.argv[3], int(sys.argv[4]), sys.argv[5:] != ["name"])
    elif command == "stream":
        stream(port, sys.argv[3])
    elif command == "noread":
        noread(port, float(sys.argv[3]))
    elif command == "churn":
        churn(port, int(sys.argv[3]))
    elif command == "noise":
        noise(port, int(sys.argv[3]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
