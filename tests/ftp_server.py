#!/usr/bin/python3
"""A local anonymous FTP server in the METAR report server's layout, for tests.

Serve one folder:
    ftp_server.py serve --root DIR [--mode ok|missing|slow|stall|broken] [--delay S]
prints "PORT <n>" on its first line and serves 127.0.0.1:<n> until killed.
  ok       files as they are
  missing  every RETR answers 550 (no such file)
  slow     every reply waits --delay seconds (default 2), then the transfer completes
  stall    RETR waits --delay seconds (default 60) before it answers
  broken   RETR sends half of the file, then ends the data connection with 426

Run a command with one server of each mode on a fresh folder of station files:
    ftp_server.py run -- COMMAND...
sets WAYLUNE_FTP_<MODE>=<port> (and WAYLUNE_FTP_DOWN, a port nobody listens on),
WAYLUNE_FTP_LOG (the servers' login and command log) and returns the command's
exit code. Logins "anonymous" and "anonymous@<host>" (an FTP proxy's form) are
accepted with any password; the folder is read-only.
"""
import argparse
import logging
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

# Station files as the report server writes them: the UTC date line, then the report.
STATIONS = {
    "EDDF": "2024/01/15 12:50\nEDDF 151250Z 24008KT CAVOK 08/02 Q1021 NOSIG\n",
    "EDDM": "2024/01/15 12:50\nEDDM 151250Z 26012KT 9999 -SHRA BKN025 M05/M07 Q1013\n",
    "KJFK": "2024/01/15 12:51\nKJFK 151251Z 27015G25KT 10SM FEW050 SCT100 OVC250 31/24 A2992 RMK AO2\n",
}
STATIONS_DIR = "data/observations/metar/stations"


def write_root(root):
    folder = os.path.join(root, STATIONS_DIR)
    os.makedirs(folder, exist_ok=True)
    for code, text in STATIONS.items():
        with open(os.path.join(folder, code + ".TXT"), "w", newline="\n") as f:
            f.write(text)


def serve(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler
    from pyftpdlib.log import config_logging
    from pyftpdlib.servers import FTPServer

    config_logging(level=logging.WARNING)

    log = open(args.log, "a", buffering=1) if args.log else None

    def note(text):
        if log:
            log.write("%s %s\n" % (args.mode, text))

    class AnonymousAuthorizer(DummyAuthorizer):
        """Every "anonymous..." login is the anonymous user."""

        def _name(self, username):
            return "anonymous" if username.lower().startswith("anonymous") else username

        def validate_authentication(self, username, password, handler):
            note("USER %s" % username)
            DummyAuthorizer.validate_authentication(self, self._name(username), password, handler)

        def has_user(self, username):
            return DummyAuthorizer.has_user(self, self._name(username))

        def get_home_dir(self, username):
            return DummyAuthorizer.get_home_dir(self, self._name(username))

        def has_perm(self, username, perm, path=None):
            return DummyAuthorizer.has_perm(self, self._name(username), perm, path)

        def get_perms(self, username):
            return DummyAuthorizer.get_perms(self, self._name(username))

        def get_msg_login(self, username):
            return DummyAuthorizer.get_msg_login(self, self._name(username))

        def get_msg_quit(self, username):
            return DummyAuthorizer.get_msg_quit(self, self._name(username))

    class BrokenDTP(DTPHandler):
        """Sends half of what it is given, then ends as a lost connection."""

        def push_with_producer(self, producer):
            data = b""
            while True:
                chunk = producer.more()
                if not chunk:
                    break
                data += chunk
            self.push(data[: len(data) // 2])

        def close(self):
            if not self._closed:
                self.transfer_finished = False
                self._resp = ("426 Connection closed; transfer aborted.", lambda *a, **k: None)
            DTPHandler.close(self)

    class Handler(FTPHandler):
        use_sendfile = False
        passive_ports = None

        def respond(self, resp, logfun=None):
            if args.mode == "slow":
                time.sleep(args.delay)
            FTPHandler.respond(self, resp) if logfun is None else FTPHandler.respond(self, resp, logfun)

        def ftp_RETR(self, file):
            note("RETR %s" % self.fs.fs2ftp(file))
            if args.mode == "missing":
                self.respond("550 No such file or directory.")
                return
            if args.mode == "stall":
                time.sleep(args.delay)
            return FTPHandler.ftp_RETR(self, file)

    authorizer = AnonymousAuthorizer()
    authorizer.add_anonymous(args.root)
    Handler.authorizer = authorizer
    if args.mode == "broken":
        Handler.dtp_handler = BrokenDTP
    server = FTPServer(("127.0.0.1", 0), Handler)
    port = server.socket.getsockname()[1]
    print("PORT %d" % port, flush=True)
    server.serve_forever(handle_exit=True)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def run(args):
    root = tempfile.mkdtemp(prefix="waylune-ftp-")
    write_root(root)
    log = os.path.join(root, "server.log")
    open(log, "w").close()
    env = dict(os.environ)
    children = []
    try:
        for mode, delay in (("ok", 0), ("missing", 0), ("slow", 0.5), ("stall", 30), ("broken", 0)):
            child = subprocess.Popen(
                [sys.executable, os.path.abspath(__file__), "serve", "--root", root, "--mode", mode,
                 "--delay", str(delay), "--log", log],
                stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
            children.append(child)
            line = child.stdout.readline().split()
            if len(line) != 2 or line[0] != "PORT":
                print("ftp_server: the %s server did not start" % mode, file=sys.stderr)
                return 1
            env["WAYLUNE_FTP_" + mode.upper()] = line[1]
        env["WAYLUNE_FTP_DOWN"] = str(free_port())
        env["WAYLUNE_FTP_LOG"] = log
        return subprocess.call(args.command, env=env)
    finally:
        for child in children:
            child.send_signal(signal.SIGTERM)
        for child in children:
            try:
                child.wait(timeout=5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="what", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--root", required=True)
    s.add_argument("--mode", default="ok", choices=["ok", "missing", "slow", "stall", "broken"])
    s.add_argument("--delay", type=float, default=None)
    s.add_argument("--log")
    r = sub.add_parser("run")
    r.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.what == "serve":
        if args.delay is None:
            args.delay = 60.0 if args.mode == "stall" else 2.0
        serve(args)
    else:
        if args.command and args.command[0] == "--":
            args.command = args.command[1:]
        if not args.command:
            parser.error("run needs a command")
        sys.exit(run(args))


if __name__ == "__main__":
    main()
