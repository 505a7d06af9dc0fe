"""Shared start-up of the network test servers: the listening socket comes from the test (already bound and
listening, passed by its descriptor number), and the server ends itself when the test process goes away."""

import os
import socket
import threading
import time


def end_with_parent(lifetime_seconds=120):
    """Exit when the parent process is gone (or after lifetime_seconds at most), whatever it died of."""
    parent = os.getppid()
    started = time.monotonic()

    def watch():
        while os.getppid() == parent and time.monotonic() - started < lifetime_seconds:
            time.sleep(0.2)
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()


def listening_socket(descriptor):
    sock = socket.socket(fileno=descriptor)
    sock.set_inheritable(False)
    return sock
