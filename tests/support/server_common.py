"""Shared start-up of the network test servers: the listening socket comes from the test (already bound and
listening, passed by its descriptor number), and the server ends itself when the test process goes away."""

import os
import socket
import threading
import time


def start(parser):
    """Parses the command line (with the shared --socket-fd and --lifetime), makes the server exit when the parent
    process is gone (or after its lifetime at most), whatever it died of, and gives the options and the socket."""
    parser.add_argument("--socket-fd", type=int, required=True)
    parser.add_argument("--lifetime", type=int, default=120, help="seconds at most the server runs")
    args = parser.parse_args()
    parent = os.getppid()
    started = time.monotonic()

    def watch():
        while os.getppid() == parent and time.monotonic() - started < args.lifetime:
            time.sleep(0.2)
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()
    sock = socket.socket(fileno=args.socket_fd)
    sock.set_inheritable(False)
    return args, sock
