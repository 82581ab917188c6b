#!/usr/bin/python3
"""A loopback HTTP server for the end-to-end tests of the update check and the uptime report.

    http_peer.py PORTFILE DIR

Binds a free port on 127.0.0.1 and writes it to PORTFILE. Every request is saved whole, as
received, to DIR/request-N (N from 1). What a GET answers is chosen by the file DIR/mode,
read at each request:
    file     the bytes of DIR/body with status 200 (the default)
    hang     accept the request and never answer
    big      a 200 answer of 20 MB: "1003", a page line, then filler
    status N an empty answer with status N
A POST is answered "200 OK" with a short page and the connection closed.
"""
import os
import socket
import sys
import threading

port_file, folder = sys.argv[1], sys.argv[2]
counter = [0]
lock = threading.Lock()


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    # The uptime report ends its body with CR LF beyond Content-length: take what comes.
    conn.settimeout(0.3)
    try:
        while len(body) < length + 2:
            chunk = conn.recv(65536)
            if not chunk:
                break
            body += chunk
    except socket.timeout:
        pass
    return head + b"\r\n\r\n" + body


def mode():
    try:
        with open(os.path.join(folder, "mode")) as f:
            return f.read().split()
    except FileNotFoundError:
        return ["file"]


def answer(conn, status, body, reason="OK"):
    conn.sendall(b"HTTP/1.1 %d %s\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                 % (status, reason.encode(), len(body)) + body)


def serve(conn):
    with conn:
        request = read_request(conn)
        with lock:
            counter[0] += 1
            n = counter[0]
        with open(os.path.join(folder, "request-%d.tmp" % n), "wb") as f:
            f.write(request)
        os.rename(os.path.join(folder, "request-%d.tmp" % n),
                  os.path.join(folder, "request-%d" % n))
        if request.startswith(b"POST"):
            answer(conn, 200, b"<html><body>Thank you</body></html>\r\n")
            return
        m = mode()
        if m[0] == "hang":
            threading.Event().wait(30)
        elif m[0] == "big":
            head = b"1003\r\nhttp://127.0.0.1/download\r\n"
            size = 20 * 1024 * 1024
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size + head)
            filler = b"x" * 65535 + b"\n"
            sent = len(head)
            try:
                while sent < size:
                    part = filler[:size - sent]
                    conn.sendall(part)
                    sent += len(part)
            except OSError:
                pass
        elif m[0] == "status":
            answer(conn, int(m[1]), b"", "Error")
        else:
            with open(os.path.join(folder, "body"), "rb") as f:
                answer(conn, 200, f.read())


server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(16)
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.getsockname()[1]))
os.rename(port_file + ".tmp", port_file)
while True:
    c, _ = server.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
