#!/usr/bin/env python3
"""A scriptable HTTPS responder standing in for the online service where the tests need answers
the real service never gives (other 2xx statuses, broken bodies, a dropped connection).

Control requests, answered at once:
  POST /__double/script  {"status": N, "body": TEXT, "repeat": K}  queue an answer (status 0 hangs up,
                         status 2 answers 200 with the first half of the body, then stays silent
                         for 30 s; status 3 answers 200 and trickles the body one byte a second;
                         status 4 trickles the header lines one byte a second for as long as
                         the body's length in seconds, then hangs up)
  GET  /__double/last    the raw bytes of the last other request ("" when none since the reset)
  POST /__double/websocket  {"frames": [{"opcode": N, "fin": B, "text": TEXT, "repeat": K}, ...]}
                         queue a live session: the next WebSocket upgrade is accepted and these
                         frames are sent (text repeated K times), then the double waits for the
                         client to close
  GET  /__double/closed  the close status the client sent on the last live session ("" when none)
  GET  /__double/count?PATH  how many requests for PATH arrived since the reset
  POST /__double/reset   forget the queues, the last request and the close status
Every other request takes the next queued answer, or is echoed back raw with status 200 (an
upgrade request too, when no live session is queued)."""

import argparse
import base64
import hashlib
import json
import socket
import socketserver
import ssl
import threading
import time

CONTROL = "/__double/"
WEBSOCKET_GUID = b"258EAFA5-E914-47DA-95C5-C5AB0DC11B85"


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.queue = []
        self.sessions = []
        self.last = b""
        self.closed = b""
        self.counts = {}


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


def header(head, wanted):
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == wanted:
            return value.strip()
    return None


def frame(opcode, fin, payload):
    first = (0x80 if fin else 0) | opcode
    if len(payload) < 126:
        length = bytes([len(payload)])
    elif len(payload) < 65536:
        length = bytes([126]) + len(payload).to_bytes(2, "big")
    else:
        length = bytes([127]) + len(payload).to_bytes(8, "big")
    return bytes([first]) + length + payload


def read_exactly(stream, count):
    data = b""
    while len(data) < count:
        chunk = stream.recv(count - len(data))
        if not chunk:
            raise OSError("connection closed")
        data += chunk
    return data


def read_client_frame(stream):
    first, second = read_exactly(stream, 2)
    length = second & 0x7F
    if length == 126:
        length = int.from_bytes(read_exactly(stream, 2), "big")
    elif length == 127:
        length = int.from_bytes(read_exactly(stream, 8), "big")
    mask = read_exactly(stream, 4) if second & 0x80 else b"\0\0\0\0"
    payload = bytes(b ^ mask[i % 4] for i, b in enumerate(read_exactly(stream, length)))
    return first & 0x0F, payload


def live_session(stream, head, frames, state):
    accept = base64.b64encode(hashlib.sha1(header(head, b"sec-websocket-key") + WEBSOCKET_GUID).digest())
    stream.sendall(b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   b"Sec-WebSocket-Accept: " + accept + b"\r\n\r\n")
    for scripted in frames:
        payload = scripted.get("text", "").encode("utf-8", "surrogateescape") * int(scripted.get("repeat", 1))
        stream.sendall(frame(int(scripted["opcode"]), bool(scripted.get("fin", True)), payload))
    stream.settimeout(120)
    while True:
        opcode, payload = read_client_frame(stream)
        if opcode == 8:
            with state.lock:
                state.closed = str(int.from_bytes(payload[:2], "big")).encode() if len(payload) >= 2 else b"none"
            stream.sendall(frame(8, True, payload[:2]))
            return


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
            upgrade = (header(head, b"upgrade") or b"").lower() == b"websocket"
            with state.lock:
                state.counts[target] = state.counts.get(target, 0) + 1
                state.last = head + b"\r\n\r\n" + body
                session = state.sessions.pop(0) if upgrade and state.sessions else None
                scripted = state.queue.pop(0) if state.queue and session is None else None
            if session is not None:
                live_session(stream, head, session, state)
            elif scripted is None:
                answer(stream, 200, state.last)
            elif scripted[0] == 2:
                half = scripted[1][:len(scripted[1]) // 2]
                stream.sendall(b"HTTP/1.1 200 Scripted\r\nContent-Length: %d\r\n\r\n%s" % (len(scripted[1]), half))
                time.sleep(30)
            elif scripted[0] == 3:
                stream.sendall(b"HTTP/1.1 200 Scripted\r\nContent-Length: %d\r\n\r\n" % len(scripted[1]))
                for byte in scripted[1]:
                    time.sleep(1)
                    stream.sendall(bytes([byte]))
            elif scripted[0] == 4:
                stream.sendall(b"HTTP/1.1 200 Scripted\r\n")
                for _ in scripted[1]:
                    time.sleep(1)
                    stream.sendall(b"X")
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
            elif command == "websocket":
                state.sessions.append(json.loads(body)["frames"])
                reply = (204, b"")
            elif command == "last":
                reply = (200, state.last)
            elif command == "closed":
                reply = (200, state.closed)
            elif command.startswith("count?"):
                reply = (200, str(state.counts.get(command[len("count?"):], 0)).encode())
            elif command == "reset":
                state.queue.clear()
                state.sessions.clear()
                state.last = b""
                state.closed = b""
                state.counts.clear()
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
