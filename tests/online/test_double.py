#!/usr/bin/env python3
"""A scriptable HTTPS responder standing in for the online service where the tests need answers
the real service never gives (other 2xx statuses, broken bodies, a dropped connection).

Control requests, answered at once:
  POST /__double/script  {"status": N, "body": TEXT, "repeat": K}  queue an answer (status 0 hangs up,
                         status 2 answers 200 with the first half of the body, then stays silent
                         for 30 s)
  GET  /__double/last    the raw bytes of the last other request ("" when none since the reset)
  POST /__double/reset   forget the queue and the last request
Every other request takes the next queued answer, or is echoed back raw with status 200."""

import argparse
import json
import socket
import socketserver
import ssl
import threading
import time

CONTROL = "/__double/"


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.queue = []
        self.last = b""


def read_request(stream):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = stream.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(body) < length:
        chunk = stream.recv(65536)
        if not chunk:
            return None
        body += chunk
    return head, body


def answer(stream, status, body):
    head = (f"HTTP/1.1 {status} Scripted\r\nContent-Type: application/json; charset=utf-8\r\n"
            f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n").encode()
    stream.sendall(head + body)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        state = self.server.state
        try:
            stream = self.server.tls.wrap_socket(self.request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            stream.settimeout(15)
            request = read_request(stream)
            if request is None:
                return
            head, body = request
            target = head.split(b"\r\n", 1)[0].split(b" ")[1].decode()
            if target.startswith(CONTROL):
                self.control(stream, target[len(CONTROL):], body)
                return
            with state.lock:
                state.last = head + b"\r\n\r\n" + body
                scripted = state.queue.pop(0) if state.queue else None
            if scripted is None:
                answer(stream, 200, state.last)
            elif scripted[0] == 2:
                half = scripted[1][:len(scripted[1]) // 2]
                stream.sendall(b"HTTP/1.1 200 Scripted\r\nContent-Length: %d\r\n\r\n%s" % (len(scripted[1]), half))
                time.sleep(30)
            elif scripted[0] != 0:
                answer(stream, scripted[0], scripted[1])
        except (ssl.SSLError, OSError, ValueError, IndexError):
            pass
        finally:
            try:
                stream.close()
            except OSError:
                pass

    def control(self, stream, command, body):
        state = self.server.state
        with state.lock:
            if command == "script":
                script = json.loads(body)
                text = script.get("body", "").encode("utf-8", "surrogateescape")
                state.queue.append((int(script["status"]), text * int(script.get("repeat", 1))))
                reply = (204, b"")
            elif command == "last":
                reply = (200, state.last)
            elif command == "reset":
                state.queue.clear()
                state.last = b""
                reply = (204, b"")
            else:
                reply = (404, b"")
        answer(stream, *reply)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--listen", required=True, help="address to listen on, port 443")
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    arguments = parser.parse_args()
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(arguments.cert, arguments.key)
    server = Server((arguments.listen, 443), Handler)
    server.tls = tls
    server.state = State()
    print("test double listening on", arguments.listen, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
