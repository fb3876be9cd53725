#!/usr/bin/python3
"""A local FTP proxy that wants a login, in front of one test FTP server.

  ftp_proxy.py --upstream PORT --user U --password P [--log F] serve
prints "PORT <n>" and serves 127.0.0.1:<n> as an FTP gateway that wants a
login first: USER U and PASS P log in to the proxy, then USER name@host and
its PASS go on to the server (every host is the test server on
127.0.0.1:PORT, logged in as "name"); passive data connections are relayed.
A USER name@host before the proxy login and a wrong proxy password are
refused with 530. Every login, refusal and relayed RETR goes to the log.

  ftp_proxy.py run -- COMMAND...
starts one server of tests/ftp_server.py (mode ok, fresh station files) and
the proxy in front of it, both on free ports, runs COMMAND with
WAYLUNE_PROXY_PORT, WAYLUNE_PROXY_USER, WAYLUNE_PROXY_PASSWORD and
WAYLUNE_FTP_LOG (the server's and the proxy's lines), ends both however it
ends and returns COMMAND's exit code.
"""
import argparse
import ctypes
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ftp_server  # noqa: E402

USER = "anna"
PASSWORD = "Gehe1m:Proxy"


def pipe(source, target):
    """Copies until source ends, then ends target's sending side."""
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (target, source):
            try:
                s.shutdown(socket.SHUT_WR if s is target else socket.SHUT_RD)
            except OSError:
                pass


def relay_data(upstream_address, note):
    """A listener for one passive data connection, relayed to the server's."""
    listener = socket.create_server(("127.0.0.1", 0))
    listener.settimeout(30)

    def run():
        try:
            client, _ = listener.accept()
        except OSError:
            note("no data connection came")
            return
        finally:
            listener.close()
        with client, socket.create_connection(upstream_address, timeout=30) as server:
            down = threading.Thread(target=pipe, args=(server, client), daemon=True)
            down.start()
            pipe(client, server)
            down.join()

    threading.Thread(target=run, daemon=True).start()
    return listener.getsockname()[1]


class Session:
    def __init__(self, client, args, note):
        self.client = client
        self.args = args
        self.note = note
        self.reader = client.makefile("rb")
        self.proxy_user = None
        self.logged_in = False

    def reply(self, text):
        self.client.sendall(text.encode() + b"\r\n")

    def run(self):
        with self.client:
            self.reply("220 Test proxy: USER and PASS for the proxy, then USER name@host")
            for raw in self.reader:
                line = raw.decode("latin-1").rstrip("\r\n")
                command, _, argument = line.partition(" ")
                command = command.upper()
                if command == "USER" and "@" in argument:
                    if not self.logged_in:
                        self.note("refused USER %s without a proxy login" % argument)
                        self.reply("530 Log in to the proxy first.")
                        continue
                    name = argument.rsplit("@", 1)[0]
                    self.note("USER %s through the proxy of %s" % (argument, self.proxy_user))
                    return self.forward(name)
                if command == "USER":
                    self.proxy_user = argument
                    self.logged_in = False
                    self.reply("331 Password for the proxy, please.")
                elif command == "PASS" and self.proxy_user is not None:
                    if self.proxy_user == self.args.user and argument == self.args.password:
                        self.logged_in = True
                        self.note("login %s accepted" % self.proxy_user)
                        self.reply("230 Logged in to the proxy; now USER name@host.")
                    else:
                        self.note("login %s refused" % self.proxy_user)
                        self.proxy_user = None
                        self.reply("530 Proxy login refused.")
                elif command == "QUIT":
                    self.reply("221 Bye.")
                    return
                else:
                    self.reply("530 Log in to the proxy first.")

    def forward(self, name):
        """From here on the server's control connection, PASV replies rewritten."""
        server = socket.create_connection(("127.0.0.1", self.args.upstream), timeout=60)
        replies = server.makefile("rb")
        greeting = replies.readline()
        while greeting[3:4] == b"-":
            greeting = replies.readline()
        server.sendall(b"USER " + name.encode("latin-1") + b"\r\n")

        def down():
            try:
                for raw in replies:
                    match = re.match(rb"227 .*?(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)", raw)
                    if match:
                        numbers = [int(n) for n in match.groups()]
                        address = ("%d.%d.%d.%d" % tuple(numbers[:4]), numbers[4] * 256 + numbers[5])
                        port = relay_data(address, self.note)
                        raw = b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (port // 256, port % 256)
                    self.client.sendall(raw)
            except OSError:
                pass
            finally:
                try:
                    self.client.shutdown(socket.SHUT_WR)
                except OSError:
                    pass

        answers = threading.Thread(target=down, daemon=True)
        answers.start()
        with server:
            try:
                for raw in self.reader:
                    command = raw.split(b" ", 1)[0].strip().upper()
                    if command == b"RETR":
                        self.note("RETR %s" % raw[5:].decode("latin-1").strip())
                    if command in (b"PORT", b"EPRT", b"EPSV"):
                        self.client.sendall(b"502 Only PASV here.\r\n")
                        continue
                    server.sendall(raw)
            except OSError:
                pass
            finally:
                try:
                    server.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
            answers.join(30)


def serve(args):
    log = open(args.log, "a", buffering=1) if args.log else None
    lock = threading.Lock()

    def note(text):
        if log:
            with lock:
                log.write("proxy %s\n" % text)

    listener = socket.create_server(("127.0.0.1", 0))
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=Session(client, args, note).run, daemon=True).start()


def end_with_parent():
    """Run in a child before it starts: it gets SIGTERM when this process dies."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def start(command):
    """A child that prints "PORT <n>" first; (child, port)."""
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True,
                             preexec_fn=end_with_parent)
    words = child.stdout.readline().split()
    if len(words) != 2 or words[0] != "PORT":
        child.kill()
        child.wait()
        sys.exit("ftp_proxy: %s did not start" % command[1])
    return child, words[1]


def run(command):
    # Ended from outside: a SIGTERM ends the children here; should this
    # process be killed outright, they get their SIGTERM from the system.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    root = tempfile.mkdtemp(prefix="waylune-proxy-")
    children = []
    try:
        ftp_server.station_files(root, ftp_server.STATIONS)
        log = os.path.join(root, "server.log")
        server, server_port = start([sys.executable, ftp_server.__file__, "--root", root, "--mode", "ok",
                                     "--log", log, "serve"])
        children.append(server)
        proxy, proxy_port = start([sys.executable, os.path.abspath(__file__), "--upstream", server_port,
                                   "--user", USER, "--password", PASSWORD, "--log", log, "serve"])
        children.append(proxy)
        env = dict(os.environ, WAYLUNE_PROXY_PORT=proxy_port, WAYLUNE_PROXY_USER=USER,
                   WAYLUNE_PROXY_PASSWORD=PASSWORD, WAYLUNE_FTP_LOG=log)
        return subprocess.call(command, env=env, preexec_fn=end_with_parent)
    finally:
        for child in children:
            child.terminate()
            child.wait()
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["serve", "run"])
    parser.add_argument("--upstream", type=int)
    parser.add_argument("--user", default=USER)
    parser.add_argument("--password", default=PASSWORD)
    parser.add_argument("--log")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.what == "serve":
        if not args.upstream:
            sys.exit("serve needs --upstream")
        serve(args)
    else:
        command = args.command[1:] if args.command[:1] == ["--"] else args.command
        if not command:
            sys.exit("run needs a command")
        sys.exit(run(command))


if __name__ == "__main__":
    main()
