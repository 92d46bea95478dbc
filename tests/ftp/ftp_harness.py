#!/usr/bin/python3
"""FTP servers on loopback for the upload tests.

The tests talk to this harness over a line protocol on a loopback port
(written to the file named by the first argument):

  START <mode> <user> <password>  -> "OK <port>"   a new server with an empty root
        mode: normal | drop:N (closes the connection during the N-th STOR)
              | silent:N (never answers the end of the N-th STOR)
              | early:N (keeps the first 1,000 bytes of the N-th STOR, says
                226 and drops the data connection)
              | many:N (lists N entries, in no order, wherever LIST asks)
              | trickle (lists one entry every tenth of a second, for a minute)
              | junk (lists 6 MB of lines that are no entries)
              | nul (lists a folder and a file whose names hold a NUL byte)
  STOP                            -> "OK"          the server stops; its port refuses
  MKDIR <path>                    -> "OK"
  READ <path>                     -> "OK <hex>" or "MISSING"
  LOG                             -> "OK <command>|<command>|..."  (PASS shown as "PASS *")
  BYE                             -> the harness ends

The harness ends by itself after ten minutes.
"""
import logging
import os
import shutil
import socket
import sys
import tempfile
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer

LIFETIME = 600
logging.basicConfig(level=logging.CRITICAL)
logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)


class Server:
    def __init__(self, mode, user, password):
        self.root = tempfile.mkdtemp(prefix="qazftp")
        self.log = []
        self.stors = 0
        kind, _, count = mode.partition(":")
        self.kind = kind
        self.count = int(count) if count else 0
        self.kept = 0
        authorizer = DummyAuthorizer()
        authorizer.add_user(user, password, self.root, perm="elradfmwMT")
        outer = self

        class Dtp(DTPHandler):
            def handle_read(self):
                if not (outer.kind == "early" and outer.stors == outer.count and self.receive):
                    return DTPHandler.handle_read(self)
                # Keeps the first 1,000 bytes and calls the file complete;
                # the data connection goes a moment later, the rest unread.
                try:
                    chunk = self.socket.recv(1000 - outer.kept)
                except OSError:
                    chunk = b""
                self.file_obj.write(chunk)
                outer.kept += len(chunk)
                if outer.kept >= 1000 or not chunk:
                    self.transfer_finished = True
                    self.receive = False
                    self.cmd_channel.respond("226 Transfer complete.")
                    self.ioloop.call_later(0.2, self.close)

            handle_read_event = handle_read

        class Handler(FTPHandler):
            dtp_handler = Dtp
            auth_failed_timeout = 0.1
            banner = "QAZ test server ready."

            def pre_process_command(self, line, cmd, arg):
                outer.log.append("PASS *" if cmd == "PASS" else line)
                if cmd == "STOR":
                    outer.stors += 1
                    if outer.kind == "drop" and outer.stors == outer.count:
                        # The connection goes while the file is on its way.
                        self.ioloop.call_later(0.02, self.close)
                return FTPHandler.pre_process_command(self, line, cmd, arg)

            def ftp_LIST(self, path):
                producer = outer.listing()
                if producer is None:
                    return FTPHandler.ftp_LIST(self, path)
                self.push_dtp_data(producer, isproducer=True, cmd="LIST")
                return path

            def respond(self, resp, logfun=None):
                if (outer.kind == "silent" and outer.stors == outer.count and resp.startswith("226")):
                    return  # the server stops answering
                if logfun is None:
                    return FTPHandler.respond(self, resp)
                return FTPHandler.respond(self, resp, logfun)

        Handler.authorizer = authorizer
        self.ioloop = IOLoop()
        self.server = FTPServer(("127.0.0.1", 0), Handler, ioloop=self.ioloop)
        self.port = self.server.socket.getsockname()[1]
        self.stop = False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def listing(self):
        if self.kind == "many":
            return Listing(self.count, 0)
        if self.kind == "trickle":
            return Listing(600, 0.1)
        if self.kind == "junk":
            return Listing(0, 0, [b"total 0" + b" " * 53] * 100000)
        if self.kind == "nul":
            return Listing(0, 0, [b"drwxr-xr-x 2 u g 0 Jan 01  2020 bad\x00dir",
                                  b"-rw-r--r-- 1 u g 5 Jan 01  2020 bad\x00file.txt",
                                  b"drwxr-xr-x 2 u g 0 Jan 01  2020 good",
                                  b"-rw-r--r-- 1 u g 5 Jan 01  2020 x." + b"e" * 3000])
        return None

    def run(self):
        while not self.stop:
            self.server.serve_forever(timeout=0.05, blocking=False)
            time.sleep(0.005)
        self.server.close_all()

    def close(self):
        self.stop = True
        self.thread.join(5)


class Listing:
    """Listing lines as a pyftpdlib producer: `count` made-up entries
    (folders and files by turns, names in a scrambled order), each after
    `pause` seconds when there is one, or the given lines."""

    def __init__(self, count, pause, lines=None):
        self.lines = lines
        self.count = count
        self.pause = pause
        self.next = 0

    def more(self):
        if self.lines is not None:
            out, self.lines = self.lines, []
            return b"".join(line + b"\r\n" for line in out)
        if self.next >= self.count:
            return b""
        if self.pause:
            time.sleep(self.pause)
            batch = 1
        else:
            batch = min(500, self.count - self.next)
        out = []
        for i in range(self.next, self.next + batch):
            n = (i * 7919) % max(self.count, 1)
            if i % 2:
                out.append(b"-rw-r--r-- 1 u g %d Jan 01  2020 file%06d.txt\r\n" % (i, n))
            else:
                out.append(b"drwxr-xr-x 2 u g 0 Jan 01  2020 dir%06d\r\n" % n)
        self.next += batch
        return b"".join(out)


def path_in(root, relative):
    full = os.path.realpath(os.path.join(root, relative.lstrip("/")))
    return full if full.startswith(os.path.realpath(root)) else None


def serve(port_file):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    listener.settimeout(1.0)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(port_file + ".tmp", port_file)
    started = time.time()
    current = None
    roots = []
    done = False
    while not done and time.time() - started < LIFETIME:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        conn.settimeout(LIFETIME)
        reader = conn.makefile("rb")
        while True:
            line = reader.readline()
            if not line:
                break
            words = line.decode("latin-1").rstrip("\r\n").split(" ")
            cmd, args = words[0], words[1:]
            answer = "ERR"
            try:
                if cmd == "START":
                    if current:
                        current.close()
                    current = Server(args[0], args[1], args[2])
                    roots.append(current.root)
                    answer = "OK %d" % current.port
                elif cmd == "STOP" and current:
                    current.close()
                    answer = "OK"
                elif cmd == "MKDIR" and current:
                    os.makedirs(path_in(current.root, args[0]), exist_ok=True)
                    answer = "OK"
                elif cmd == "READ" and current:
                    path = path_in(current.root, args[0])
                    if path and os.path.isfile(path):
                        with open(path, "rb") as f:
                            answer = "OK " + f.read().hex()
                    else:
                        answer = "MISSING"
                elif cmd == "LOG" and current:
                    answer = "OK " + "|".join(current.log)
                elif cmd == "BYE":
                    done = True
                    answer = "OK"
            except Exception as e:  # a bad request is answered, not fatal
                answer = "ERR %s" % e
            conn.sendall((answer + "\n").encode("latin-1"))
            if done:
                break
        conn.close()
    if current:
        current.close()
    for root in roots:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    serve(sys.argv[1])
