"""Shared start-up of the network test servers: the listening socket comes from the test (already bound and
listening, passed by its descriptor number), and the server ends itself when the test process goes away."""

import ctypes
import os
import signal
import socket
import threading
import time

PR_SET_PDEATHSIG = 1


def end_with_parent(lifetime_seconds):
    """Exit when the parent process is gone (or after lifetime_seconds at most), whatever it died of."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    except (OSError, AttributeError):
        pass
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
