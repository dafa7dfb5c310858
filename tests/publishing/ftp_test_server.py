"""A throw-away FTP server for the publishing tests.

Serves one home folder on 127.0.0.1 at a free port and prints "PORT <n>" on its first line of
output once it listens. Users: "alice" (password "s3cret", may write), "reader" (password
"readonly", may only read) and anonymous (may write). Each successful login appends the user
name to the --login-log file. It stops when its standard input closes, so it never outlives the
test that started it.

--tls CERTFILE (a PEM holding the key and the certificate) makes it an FTPS server (explicit
AUTH TLS) that requires TLS for the commands and the data. --stall-uploads makes it accept STOR
and never answer it: a server that hangs mid-transfer.
"""

import argparse
import logging
import os
import sys
import threading
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def exit_when_stdin_closes():
    while sys.stdin.buffer.read(4096):
        pass
    os._exit(0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--login-log", required=True)
    parser.add_argument("--tls", metavar="CERTFILE")
    parser.add_argument("--stall-uploads", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    # Anonymous writing is what the tests want.
    warnings.simplefilter("ignore", RuntimeWarning)

    authorizer = DummyAuthorizer()
    authorizer.add_user("alice", "s3cret", args.home, perm="elradfmw")
    authorizer.add_user("reader", "readonly", args.home, perm="elr")
    authorizer.add_anonymous(args.home, perm="elrw")

    base = TLS_FTPHandler if args.tls else FTPHandler

    class Handler(base):
        def on_login(self, username):
            with open(args.login_log, "a") as log:
                log.write(username + "\n")

        def ftp_STOR(self, file, mode="w"):
            if args.stall_uploads:
                return None
            return base.ftp_STOR(self, file, mode)

    class DataHandler(TLS_DTPHandler):
        # libcurl starts the data connection's TLS handshake before it sends the transfer
        # command; pyftpdlib would take that early input for a disconnect and close the channel.
        def readable(self):
            if self._ssl_accepting:
                return True
            if not self.receive and not self._initialized:
                return False
            return TLS_DTPHandler.readable(self)

    handler = Handler
    handler.authorizer = authorizer
    # A rejected login would otherwise hold every such test for three seconds.
    handler.auth_failed_timeout = 0
    handler.banner = "scrivlet test server"
    if args.tls:
        from OpenSSL import SSL

        context = SSL.Context(SSL.TLS_SERVER_METHOD)
        context.use_certificate_chain_file(args.tls)
        context.use_privatekey_file(args.tls)
        # Clients resume the control connection's TLS session on the data connection (servers
        # such as vsftpd demand it); without a session id context OpenSSL resets that handshake.
        context.set_session_id(b"scrivlet-test")
        handler.ssl_context = context
        handler.certfile = args.tls
        handler.dtp_handler = DataHandler
        handler.tls_control_required = True
        handler.tls_data_required = True

    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    print("PORT %d" % port, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
