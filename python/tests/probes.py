"""A probe of whether a call lets other Python threads run while it works."""
import sys
import threading


def threads_seen_running(call):
    """Runs call() with Python's thread switching held off, so that a thread
    woken as the call starts runs only where the call lets go of the
    interpreter; returns what that thread saw: [True] when it ran during the
    call, [False] when only after it."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        running, seen, wake = [False], [], threading.Event()
        probe = threading.Thread(target=lambda: (wake.wait(), seen.append(running[0])))
        probe.start()
        running[0] = True
        wake.set()
        call()
        running[0] = False
        probe.join()
    finally:
        sys.setswitchinterval(interval)
    return seen
