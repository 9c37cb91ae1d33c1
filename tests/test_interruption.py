"""Long calls: stopped by a signal, and detached from the interpreter meanwhile."""

import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import pytest

import caustix

# A child that starts a call of several seconds, is sent SIGINT 0.3 s into it,
# and reports when its KeyboardInterrupt arrived; then checks that a second
# call in the same process gives the values of a fresh one.
CHILD = textwrap.dedent("""
    import sys, time, caustix
    name = sys.argv[1]
    small = {
        "witt_mao": lambda: caustix.multi_witt_mao_magnification([0.5, 1.5, 3.0], [1.0], [0.01, 0.1]),
        "heyrovsky": lambda: caustix.integrated_heyrovsky_magnification([0.0, 0.5, 1.5], 1.0, 0.01),
    }[name]
    before = small()
    long_call = {
        "witt_mao": lambda: caustix.multi_witt_mao_magnification([0.5] * 1000, [1.0], [0.01] * 200000),
        "heyrovsky": lambda: caustix.integrated_heyrovsky_magnification([0.5] * 5000000, 1.0, 0.01),
    }[name]
    print("started", flush=True)
    try:
        long_call()
        print("finished")
    except KeyboardInterrupt:
        print("interrupted", time.monotonic(), flush=True)
    print("same" if small() == before else "different", flush=True)
""")


@pytest.mark.parallel_threads(1)
@pytest.mark.parametrize("name", ["witt_mao", "heyrovsky"])
def test_sigint_stops_a_long_call(name):
    child = subprocess.Popen([sys.executable, "-c", CHILD, name], stdout=subprocess.PIPE, text=True)
    assert child.stdout.readline() == "started\n"
    time.sleep(0.3)
    sent = time.monotonic()
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=60)
    lines = out.split()
    assert lines[0] == "interrupted", out
    assert float(lines[1]) - sent < 0.5
    assert lines[2] == "same"


@pytest.mark.parallel_threads(1)
def test_a_handler_that_raises_another_exception():
    script = textwrap.dedent("""
        import signal, threading, os, caustix
        def handler(signum, frame):
            raise LookupError("stop")
        signal.signal(signal.SIGUSR1, handler)
        threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGUSR1)).start()
        try:
            caustix.integrated_witt_mao_magnification([0.5] * 2000000, 1.0, 0.01)
        except LookupError as error:
            print("raised", error)
    """)
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert out.stdout == "raised stop\n", out.stderr


@pytest.mark.parallel_threads(1)
@pytest.mark.parametrize("call", [
    lambda: caustix.integrated_heyrovsky_magnification([0.5] * 200000, 1.0, 0.01),
    lambda: caustix.witt_mao_magnification([0.5] * 3000000, 1.0, 0.01),
    lambda: caustix.discrete_flux_map_heyrovsky_magnification([0.3] * 200, 1.0, 0.1, [0.5] * 5000, [1.0] * 5000),
], ids=["calling thread", "pool", "discrete"])
def test_other_threads_run_during_a_long_call(call):
    # While the call computes, a Python thread keeps counting: the calling
    # thread has let go of the interpreter.
    ticks = []
    done = threading.Event()

    def count():
        while not done.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.001)

    counter = threading.Thread(target=count)
    counter.start()
    time.sleep(0.01)
    start = time.monotonic()
    call()
    end = time.monotonic()
    done.set()
    counter.join()
    during = [t for t in ticks if start < t < end]
    # At least one tick per tenth of the call (the counter sleeps 1 ms).
    assert len(during) >= max(2, int((end - start) / 0.1)), (len(during), end - start)
