"""A throw-away FTP server for the publishing tests.

Serves one home folder on 127.0.0.1 at a free port and prints "PORT <n>" on its first line of
output once it listens. Users: "alice" (password "s3cret", may write), "reader" (password
"readonly", may only read) and anonymous (may write). Each successful login appends the user
name to the --login-log file. It stops when its standard input closes, so it never outlives the
test that started it.
"""

import argparse
import logging
import os
import sys
import threading
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def exit_when_stdin_closes():
    while sys.stdin.buffer.read(4096):
        pass
    os._exit(0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--login-log", required=True)
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    # Anonymous writing is what the tests want.
    warnings.simplefilter("ignore", RuntimeWarning)

    authorizer = DummyAuthorizer()
    authorizer.add_user("alice", "s3cret", args.home, perm="elradfmw")
    authorizer.add_user("reader", "readonly", args.home, perm="elr")
    authorizer.add_anonymous(args.home, perm="elrw")

    class Handler(FTPHandler):
        def on_login(self, username):
            with open(args.login_log, "a") as log:
                log.write(username + "\n")

    handler = Handler
    handler.authorizer = authorizer
    # A rejected login would otherwise hold every such test for three seconds.
    handler.auth_failed_timeout = 0
    handler.banner = "scrivlet test server"

    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    print("PORT %d" % port, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
