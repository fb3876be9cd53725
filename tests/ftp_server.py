#!/usr/bin/python3
"""Local anonymous FTP servers in the METAR report server's layout, for tests.

  ftp_server.py --root DIR [--mode ok|missing|slow|broken|stall] [--delay S] [--log F] serve
prints "PORT <n>" and serves 127.0.0.1:<n>: missing answers every RETR with 550,
slow waits --delay seconds before every reply, broken sends half of a file and
ends the transfer with 426, stall sends half of a file, stops for --delay
seconds, then sends the rest (its files are newer reports than the others').

  ftp_server.py [--no-route [--wine-prefix DIR]] run -- COMMAND...
serves fresh station files with one server per mode, runs COMMAND with
WAYLUNE_FTP_<MODE>=<port>, WAYLUNE_FTP_DOWN (a port nobody listens on) and
WAYLUNE_FTP_LOG (logins and RETRs), ends the servers and returns its exit code.
Logins "anonymous" and "anonymous@<host>" (an FTP proxy's form) are accepted.
--no-route runs servers and COMMAND in a network namespace of their own with
only the loopback device (no default route) and sets WAYLUNE_FTP_NO_ROUTE=1;
it exits 77 (skipped) where no namespace can be made. A Wine prefix used only
there (--wine-prefix) gets its wineserver ended with the run, so the next run
starts one inside its own namespace.
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
# What the stalling server hands out, once it goes on.
LATER_STATIONS = {
    "EDDF": "2024/01/15 13:20\nEDDF 151320Z 24010KT 9999 OVC010 M01/M03 Q0999\n",
}
MODES = {"ok": 0, "missing": 0, "slow": 0.5, "broken": 0, "stall": 8}


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

    class StallingDTP(DTPHandler):
        rest = None

        def push_with_producer(self, producer):
            data = b"".join(iter(producer.more, b""))
            self.push(data[: len(data) // 2])
            self.rest = data[len(data) // 2:]
            self.ioloop.call_later(args.delay, self.go_on)

        def go_on(self):
            if not self._closed:
                note("stall goes on")
                self.push(self.rest)
                self.rest = None
                DTPHandler.close_when_done(self)

        def close_when_done(self):
            if self.rest is None:
                DTPHandler.close_when_done(self)

    class Handler(FTPHandler):
        use_sendfile = False
        authorizer = Authorizer()
        dtp_handler = {"broken": BrokenDTP, "stall": StallingDTP}.get(args.mode, DTPHandler)

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


def station_files(root, stations):
    folder = os.path.join(root, "data/observations/metar/stations")
    os.makedirs(folder)
    for code, text in stations.items():
        with open(os.path.join(folder, code + ".TXT"), "w") as f:
            f.write(text)


def without_route(args, command):
    """Runs this script again inside a network namespace of its own."""
    if os.environ.get("WAYLUNE_FTP_NO_ROUTE"):
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        routes = subprocess.run(["ip", "route", "show", "default"], capture_output=True, text=True).stdout
        if routes.strip():
            sys.exit("ftp_server: a default route in the namespace: " + routes)
        try:
            return run(command)
        finally:
            if args.wine_prefix:
                subprocess.call(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=args.wine_prefix),
                                stderr=subprocess.DEVNULL)
    if subprocess.call(["unshare", "-n", "true"], stderr=subprocess.DEVNULL) != 0:
        print("ftp_server: no network namespace here, skipped")
        return 77
    again = [sys.executable, os.path.abspath(__file__), "--no-route"]
    if args.wine_prefix:
        again += ["--wine-prefix", args.wine_prefix]
    return subprocess.call(["unshare", "-n", "--"] + again + ["run", "--"] + command,
                           env=dict(os.environ, WAYLUNE_FTP_NO_ROUTE="1"))


def run(command):
    root = tempfile.mkdtemp(prefix="waylune-ftp-")
    station_files(root, STATIONS)
    later = os.path.join(root, "later")
    station_files(later, LATER_STATIONS)
    env = dict(os.environ, WAYLUNE_FTP_LOG=os.path.join(root, "server.log"))
    children = []
    try:
        for mode, delay in MODES.items():
            child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--root",
                                      later if mode == "stall" else root, "--mode", mode,
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
    parser.add_argument("--no-route", action="store_true")
    parser.add_argument("--wine-prefix")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.what == "serve":
        serve(args)
    else:
        command = args.command[1:] if args.command[:1] == ["--"] else args.command
        if not command:
            sys.exit("run needs a command")
        sys.exit(without_route(args, command) if args.no_route else run(command))


if __name__ == "__main__":
    main()
