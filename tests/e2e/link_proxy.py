#!/usr/bin/python3
"""A counting relay between record-link clients and a server: LISTEN_PORT SERVER_PORT STATS.

Every byte passes unchanged. On SIGTERM it writes one line per client connection, in the
order they came: requests (bytes from the client) and whole answers (512-byte units from the
server, as the client took them).
"""
import selectors
import signal
import socket
import sys

listen_port, server_port, stats_path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
sel = selectors.DefaultSelector()
links = []  # [client, server, requests, answer bytes]

listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", listen_port))
listener.listen(16)
sel.register(listener, selectors.EVENT_READ, None)
running = True


def stop(*_):
    global running
    running = False


signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)


def close(link):
    for s in link[:2]:
        try:
            sel.unregister(s)
        except (KeyError, ValueError):
            pass
        s.close()


while running:
    for key, _ in sel.select(timeout=0.2):
        if key.data is None:
            client, _ = listener.accept()
            try:
                server = socket.create_connection(("127.0.0.1", server_port))
            except OSError:
                client.close()
                continue
            link = [client, server, 0, 0]
            links.append(link)
            sel.register(client, selectors.EVENT_READ, (link, 0))
            sel.register(server, selectors.EVENT_READ, (link, 1))
            continue
        link, side = key.data
        try:
            data = key.fileobj.recv(65536)
        except OSError:
            data = b""
        if not data:
            close(link)
            continue
        if side == 0:
            link[2] += len(data)
            link[1].sendall(data)
        else:
            link[3] += len(data)
            link[0].sendall(data)

with open(stats_path, "w") as f:
    for link in links:
        f.write("%d %d\n" % (link[2], link[3] // 512))
