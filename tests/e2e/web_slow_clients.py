#!/usr/bin/python3
"""Slow clients against one port: N connections that send a request head a byte now and then
and never finish it. Runs for the given seconds, then closes them. Loopback only."""
import socket
import sys
import time

port, count, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
socks = []
for _ in range(count):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"GET /data HTTP/1.1\r\nHost: x\r\n")
    socks.append(s)
print(f"{len(socks)} slow connections open", flush=True)
end = time.time() + seconds
closed = 0
while time.time() < end:
    for s in socks:
        try:
            s.send(b"X")
        except OSError:
            closed += 1
    time.sleep(1)
for s in socks:
    s.close()
