#!/usr/bin/python3
"""FTP (or explicit FTPS) server for the network tests: one user with a root folder, on a socket the test bound.

Options make it misbehave the ways the tests need: read slowly, answer no SIZE, store one byte less than it
received, refuse to rename over an existing file, drop the connection after a number of stored files, or fail every fetch."""

import argparse
import logging
import os
import sys

from server_common import start

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    for name in ("--root", "--user", "--password"):
        parser.add_argument(name, required=True)
    for name in ("--tls-cert", "--tls-key"):
        parser.add_argument(name)
    parser.add_argument("--read-limit", type=int, default=0, help="bytes per second the server reads")
    parser.add_argument("--drop-after", type=int, default=0, help="drop the connection after this many stored files")
    # --log-commands: every command; --fail-fetch: every RETR ends in a local error
    for name in ("--no-size", "--short-store", "--no-replace", "--log-commands", "--fail-fetch"):
        parser.add_argument(name, action="store_true")
    args, sock = start(parser)
    logging.basicConfig(stream=sys.stderr, level=logging.DEBUG if args.log_commands else logging.INFO)

    if args.tls_cert:  # the TLS handlers need pyOpenSSL, which plain FTP does without
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    class Handler(TLS_FTPHandler if args.tls_cert else FTPHandler):
        def ftp_SIZE(self, path):
            if args.no_size:
                self.respond("502 Command not implemented.")
                return None
            return super().ftp_SIZE(path)

        def ftp_RETR(self, file):
            if args.fail_fetch:
                self.respond("451 Requested action aborted: local error in processing.")
                return None
            return super().ftp_RETR(file)

        def ftp_RNTO(self, path):
            if args.no_replace and os.path.exists(path):
                self.respond("553 Target exists, will not replace it.")
                return None
            return super().ftp_RNTO(path)

        def on_file_received(self, file):
            if args.short_store and os.path.getsize(file) > 0:
                os.truncate(file, os.path.getsize(file) - 1)
            Handler.stored += 1
            if Handler.stored == args.drop_after:
                self.close_when_done()

    Handler.authorizer = DummyAuthorizer()
    Handler.authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    Handler.stored = 0  # files stored, counted over every connection
    Handler.auth_failed_timeout = 0
    if args.tls_cert:
        class TlsDtp(TLS_DTPHandler):
            # Clients may start the TLS handshake on a data connection before they send the transfer command;
            # the stock handler takes that early traffic for a dropped connection and closes it.
            def readable(self):
                return self._ssl_accepting or super().readable()

        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
        Handler.dtp_handler = TlsDtp
    else:
        ThrottledDTPHandler.read_limit = args.read_limit  # 0: no limit
        Handler.dtp_handler = ThrottledDTPHandler

    FTPServer(sock, Handler).serve_forever()


if __name__ == "__main__":
    main()
