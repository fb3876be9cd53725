#!/usr/bin/python3
"""Local anonymous FTP servers in the METAR report server's layout, for tests.

  ftp_server.py --root DIR [--mode ok|missing|slow|broken] [--delay S] [--log F] serve
prints "PORT <n>" and serves 127.0.0.1:<n>: missing answers every RETR with 550,
slow waits --delay seconds before every reply, broken sends half of a file and
ends the transfer with 426.

  ftp_server.py run -- COMMAND...
serves fresh station files with one server per mode, runs COMMAND with
WAYLUNE_FTP_<MODE>=<port>, WAYLUNE_FTP_DOWN (a port nobody listens on) and
WAYLUNE_FTP_LOG (logins and RETRs), ends the servers and returns its exit code.
Logins "anonymous" and "anonymous@<host>" (an FTP proxy's form) are accepted.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

STATIONS = {
    "EDDF": "2024/01/15 12:50\nEDDF 151250Z 24008KT CAVOK 08/02 Q1021 NOSIG\n",
    "EDDM": "2024/01/15 12:50\nEDDM 151250Z 26012KT 9999 -SHRA BKN025 M05/M07 Q1013\n",
}
MODES = {"ok": 0, "missing": 0, "slow": 0.5, "broken": 0}


def serve(args):
    import logging
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler
    from pyftpdlib.log import config_logging
    from pyftpdlib.servers import FTPServer

    config_logging(level=logging.WARNING)
    log = open(args.log, "a", buffering=1) if args.log else None

    def note(text):
        if log:
            log.write("%s %s\n" % (args.mode, text))

    class Authorizer(DummyAuthorizer):
        """Every "anonymous..." login is the anonymous user."""

    def anonymous(method, noted=False):
        def wrapped(self, username, *rest):
            if noted:
                note("USER %s" % username)
            if username.lower().startswith("anonymous"):
                username = "anonymous"
            return method(self, username, *rest)
        return wrapped

    for name in ("has_user", "get_home_dir", "has_perm", "get_perms", "get_msg_login", "get_msg_quit"):
        setattr(Authorizer, name, anonymous(getattr(DummyAuthorizer, name)))
    Authorizer.validate_authentication = anonymous(DummyAuthorizer.validate_authentication, noted=True)

    class BrokenDTP(DTPHandler):
        def push_with_producer(self, producer):
            data = b"".join(iter(producer.more, b""))
            self.push(data[: len(data) // 2])

        def close(self):
            if not self._closed:
                self.transfer_finished = False
                self._resp = ("426 Connection closed; transfer aborted.", lambda *a, **k: None)
            DTPHandler.close(self)

    class Handler(FTPHandler):
        use_sendfile = False
        authorizer = Authorizer()
        dtp_handler = BrokenDTP if args.mode == "broken" else DTPHandler

        def respond(self, resp, logfun=logging.debug):
            time.sleep(args.delay if args.mode == "slow" else 0)
            FTPHandler.respond(self, resp, logfun)

        def ftp_RETR(self, file):
            note("RETR %s" % self.fs.fs2ftp(file))
            if args.mode == "missing":
                return self.respond("550 No such file or directory.")
            return FTPHandler.ftp_RETR(self, file)

    Handler.authorizer.add_anonymous(args.root)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


def run(command):
    root = tempfile.mkdtemp(prefix="waylune-ftp-")
    folder = os.path.join(root, "data/observations/metar/stations")
    os.makedirs(folder)
    for code, text in STATIONS.items():
        with open(os.path.join(folder, code + ".TXT"), "w") as f:
            f.write(text)
    env = dict(os.environ, WAYLUNE_FTP_LOG=os.path.join(root, "server.log"))
    children = []
    try:
        for mode, delay in MODES.items():
            child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--root", root, "--mode", mode,
                                      "--delay", str(delay), "--log", env["WAYLUNE_FTP_LOG"], "serve"],
                                     stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
            children.append(child)
            words = child.stdout.readline().split()
            if len(words) != 2 or words[0] != "PORT":
                sys.exit("ftp_server: the %s server did not start" % mode)
            env["WAYLUNE_FTP_" + mode.upper()] = words[1]
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            env["WAYLUNE_FTP_DOWN"] = str(s.getsockname()[1])
        return subprocess.call(command, env=env)
    finally:
        for child in children:
            child.terminate()
            child.wait()
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["serve", "run"])
    parser.add_argument("--root")
    parser.add_argument("--mode", default="ok", choices=list(MODES))
    parser.add_argument("--delay", type=float, default=2.0)
    parser.add_argument("--log")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.what == "serve":
        serve(args)
    else:
        command = args.command[1:] if args.command[:1] == ["--"] else args.command
        sys.exit(run(command) if command else "run needs a command")


if __name__ == "__main__":
    main()
