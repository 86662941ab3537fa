#!/usr/bin/env python3
"""A small HTTPS server for the TLS tests and the TLS benchmark.

    tls_server.py PORTS-FILE [--delay-ms N] NAME[@ADDRESS]=CERT:KEY[:CA] | NAME=silent ...

Listens on 127.0.0.1 (or ADDRESS, e.g. ::1), one ephemeral port per NAME,
each serving its own certificate chain (CERT may hold the leaf and its
issuers). With CA, the server asks for a client certificate issued by CA but
goes on without one, as a server that accepts client certificates optionally
does. A "silent" port takes connections and never answers: an address to
fetch from that stalls. When every port is listening it writes "NAME PORT"
lines to PORTS-FILE (written whole, then renamed into place) and serves until
it is killed. One thread per connection; a client that refuses the
certificate ends only its own.

Answers by the request's path (HTTP/1.0 style: the response, then close):
  /echo            200; the title is the request head exactly as it came
  /r<code>/<loc>   the status <code> (301, 302, 303, 307, 308...) with
                   "Location: <loc>", the rest of the path taken as it is
  /stream          200 head, then 50 MiB of 'a' bytes, no "<body"
  /silent          nothing, for a minute
  /resumed         200 page titled "resumed" or "new": whether the client
                   resumed an earlier TLS session
  /sni             200 page titled "sni <name>": the server name the client
                   indicated, "-" for none
  anything else    200 page titled "secure <path>", after --delay-ms
"""
import os
import socket
import ssl
import sys
import threading

STREAM_BLOCK = b"a" * 65536
STREAM_BLOCKS = 50 * 16  # 50 MiB


def read_head(conn):
    data = b""
    while b"\r\n\r\n" not in data and len(data) < 65536:
        chunk = conn.recv(4096)
        if not chunk:
            break
        data += chunk
    return data.split(b"\r\n\r\n", 1)[0] + b"\r\n\r\n" if b"\r\n\r\n" in data else data


def respond(conn, head, delay_ms):
    line = head.split(b"\r\n", 1)[0].split(b" ")
    path = line[1] if len(line) > 1 else b"/"
    if path == b"/echo":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<title>" + head +
                     b"</title>\r\n<body>")
    elif path.startswith(b"/r") and len(path) > 6 and path[5:6] == b"/":
        code = path[2:5]
        conn.sendall(b"HTTP/1.1 " + code + b" Moved\r\nLocation: " + path[6:] + b"\r\n\r\n")
    elif path == b"/resumed":
        title = b"resumed" if conn.session_reused else b"new"
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<title>" + title +
                     b"</title>\r\n<body>")
    elif path == b"/sni":
        name = (getattr(conn, "indicated_name", None) or "-").encode()
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<title>sni " + name +
                     b"</title>\r\n<body>")
    elif path == b"/silent":
        threading.Event().wait(60)
    elif path == b"/stream":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
        for _ in range(STREAM_BLOCKS):
            conn.sendall(STREAM_BLOCK)
    else:
        if delay_ms:
            threading.Event().wait(delay_ms / 1000.0)
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n"
                     b"<html><head><title>secure " + path + b"</title></head>\r\n<body></body></html>")


def serve_one(context, raw, delay_ms):
    try:
        with context.wrap_socket(raw, server_side=True, do_handshake_on_connect=False) as conn:
            conn.settimeout(30)
            conn.do_handshake()
            head = read_head(conn)
            if head:
                respond(conn, head, delay_ms)
            try:
                conn.unwrap()
            except (OSError, ssl.SSLError, ValueError):
                pass
    except (OSError, ssl.SSLError, ValueError):
        pass
    finally:
        try:
            raw.close()
        except OSError:
            pass


def hold_loop(listener):
    held = []
    while True:
        held.append(listener.accept()[0])


def accept_loop(listener, context, delay_ms):
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=serve_one, args=(context, raw, delay_ms), daemon=True).start()


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    ports_file = argv[1]
    args = argv[2:]
    delay_ms = 0
    if args[0] == "--delay-ms":
        delay_ms = int(args[1])
        args = args[2:]
    lines = []
    threads = []
    for spec in args:
        name, files = spec.split("=", 1)
        name, _, address = name.partition("@")
        address = address or "127.0.0.1"
        listener = socket.socket(socket.AF_INET6 if ":" in address else socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((address, 0))
        listener.listen(256)
        lines.append("%s %d\n" % (name, listener.getsockname()[1]))
        if files == "silent":
            threads.append(threading.Thread(target=hold_loop, args=(listener,), daemon=True))
            continue
        cert, key, *client_ca = files.split(":")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        context.sni_callback = lambda conn, name, _: setattr(conn, "indicated_name", name)
        if client_ca:
            context.load_verify_locations(client_ca[0])
            context.verify_mode = ssl.CERT_OPTIONAL
        threads.append(threading.Thread(target=accept_loop, args=(listener, context, delay_ms),
                                        daemon=True))
    for thread in threads:
        thread.start()
    with open(ports_file + ".part", "w") as out:
        out.writelines(lines)
    os.rename(ports_file + ".part", ports_file)
    threading.Event().wait()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
