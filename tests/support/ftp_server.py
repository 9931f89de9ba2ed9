"""An FTP server for the tests, on pyftpdlib: 127.0.0.1, a free port, one account.

Prints the port on its first line of output and serves until its standard input closes,
so that it never outlives the test that started it. A --behaviour makes it misbehave on
every listing of a directory other than the root: the root is always listed properly, so
that the trouble comes in the middle of a search.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

PARTIAL = b"type=file;size=1;modify=20200101000000; partial\r\n-rw-r--r-- 1 u g 1 Jan 01 2020 partial\r\n"
# "drip" sends a listing one byte at a time, this often (seconds): slower than any real
# server, never so slow that it stops.
DRIP_INTERVAL = 0.05

# Lines no listing should yield an item for, and among them a good line and items whose
# size or month cannot be read: those are listed all the same (size 0, no time).
GARBAGE = [
    b"total 42",
    b"",
    b"drwxr-xr-x 2 u g 4096 Jan 01 2020 with/slash",
    b"-rw-r--r-- 1 u g 99999999999999999999999 Jan 01 2020 too-big",
    b"-rw-r--r-- 1 u g -5 Jan 01 2020 minus",
    b"-rw-r--r-- 1 u g 12abc Jan 01 2020 letters",
    b"-rw-r--r-- 1 u g 12 Foo 01 2020 not-a-month",
    b"-rw-r--r-- 1 u g 12 Jan 01 2020 ",
    b"01-01-20  10:00AM       <DIR>",
    b"13-45-99  99:99PM 12 bad-date",
    b"\x00\xff\xfe garbage \x01\x02",
    b"-rw-r--r-- 1 u g 7 Jan 01 2020 good line",
]


class GarbageFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        if self.fs2ftp(basedir) != "/":
            for line in GARBAGE:
                yield line + b"\r\n"
            return
        yield from super().format_list(basedir, listing, ignore_err)


class LoopFS(AbstractedFS):
    """Lists a link to a directory as that directory, as servers that hide links do, and
    lists "." and ".." too; a link to "." then shows its directory as its own child."""

    def lstat(self, path):
        return self.stat(path)

    def format_list(self, basedir, listing, ignore_err=True):
        yield from super().format_list(basedir, [".", ".."] + list(listing), ignore_err)


class Handler(FTPHandler):
    behaviour = "normal"
    pretended_active = False  # "no-connect-back": took an address it will not connect to

    def active(self, line, command):
        if self.behaviour == "refuse-port":
            self.respond("500 Active mode is not allowed here.")
        elif self.behaviour == "no-connect-back":
            self.pretended_active = True
            self.respond("200 Active data connection established.")
        else:
            command(self, line)

    def ftp_PORT(self, line):
        self.active(line, FTPHandler.ftp_PORT)

    def ftp_EPRT(self, line):
        self.active(line, FTPHandler.ftp_EPRT)

    def ftp_EPSV(self, line):
        self.pretended_active = False
        return super().ftp_EPSV(line)

    def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
        if self.pretended_active:
            self.respond("425 Can't open data connection.")
            return
        troubled = (self.behaviour in ("stall", "hang-up", "drip", "421") and cmd in ("LIST", "MLSD")
                    and self.fs.cwd != "/")
        if not troubled:
            return super().push_dtp_data(data, isproducer, file, cmd)
        if self.behaviour == "421":
            self.respond("421 Too many connections from your address, closing control connection.")
            if self.data_channel is not None:
                self.data_channel.close()
            self.close_when_done()
            return
        if self.behaviour == "drip":
            self.respond("150 File status okay. About to open data connection.")
            self.drip(PARTIAL)
            return
        if self.data_channel is None:
            self.respond("150 File status okay. About to open data connection.")
            if self.behaviour == "hang-up":
                self.close()
            return
        self.respond("125 Data connection already open. Transfer starting.")
        self.data_channel.push(PARTIAL)
        if self.behaviour == "hang-up":
            self.close()  # control and data connection alike, in the middle of the listing

    def drip(self, left):
        if self._closed:
            return
        if self.data_channel is None:  # not connected yet
            self.ioloop.call_later(DRIP_INTERVAL, self.drip, left)
        elif not left:
            self.data_channel.cmd = "LIST"
            self.data_channel.close_when_done()
        else:
            self.data_channel.push(left[:1])
            self.ioloop.call_later(DRIP_INTERVAL, self.drip, left[1:])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--behaviour", default="normal",
                        choices=["normal", "no-mlsd", "garbage", "stall", "hang-up", "refuse-port",
                                 "no-connect-back", "drip", "loop", "421"])
    parser.add_argument("--no-enter", action="append", default=[], help="a directory (below the root) not to enter")
    parser.add_argument("--no-list", action="append", default=[], help="a directory (below the root) not to list")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    for directory in args.no_enter:
        authorizer.override_perm(args.user, os.path.join(args.root, directory), perm="lr")
    for directory in args.no_list:
        authorizer.override_perm(args.user, os.path.join(args.root, directory), perm="er")

    Handler.authorizer = authorizer
    Handler.behaviour = args.behaviour
    Handler.banner = "Volra test server ready."
    Handler.auth_failed_timeout = 0  # a wrong password is answered at once
    if args.behaviour in ("no-mlsd", "garbage", "loop"):
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in ("MLST", "MLSD")}
    if args.behaviour == "garbage":
        Handler.abstracted_fs = GarbageFS
    if args.behaviour == "loop":
        Handler.abstracted_fs = LoopFS

    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)

    def stop_when_stdin_closes():
        sys.stdin.buffer.read()
        os._exit(0)

    threading.Thread(target=stop_when_stdin_closes, daemon=True).start()
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
