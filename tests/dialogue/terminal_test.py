#!/usr/bin/env python3
"""Drives primepack on a pseudo-terminal, as a person at a keyboard would:
one session compresses a list that the test feeds through a pipe to the
end, another is stopped with Ctrl-C. Usage: terminal_test.py PRIMEPACK"""
import os
import pty
import select
import signal
import sys
import tempfile
import time

EXE = os.path.abspath(sys.argv[1])
MODE = b"Komprimovat (k) nebo dekomprimovat (d)?: "
DONE = b"Dokonceno. Celkem: "


def start(folder):
    """primepack on a terminal in `folder`, answered up to its run of
    live.txt (a pipe) into out.txt, with noise typed before the mode; each
    answer is typed only once its prompt stands on the screen."""
    os.mkfifo(os.path.join(folder, "live.txt"))
    pid, term = pty.fork()
    if pid == 0:
        os.chdir(folder)
        os.execv(EXE, [EXE])
    session = {"pid": pid, "term": term, "screen": b""}
    wait_for(session, MODE)
    for noise in (b"x y\r", b"K\r", b"\r"):
        os.write(term, noise)
        read_some(session, 0.2)
    assert session["screen"] == MODE + b"x y\r\nK\r\n\r\n", session["screen"]  # skipped without a word
    os.write(term, b"k\r")
    wait_for(session, b"Zadejte nazev komprimovaneho souboru: ")
    os.write(term, b"live.txt\r")
    session["feed"] = os.open(os.path.join(folder, "live.txt"), os.O_WRONLY)  # meets the tool's check
    wait_for(session, b"Zadejte nazev vystupniho souboru: ")
    os.write(term, b"out.txt\r")
    wait_for(session, b"Komprimuji soubor live.txt do souboru out.txt\r\n")
    return session


def read_some(session, seconds):
    if not select.select([session["term"]], [], [], max(seconds, 0))[0]:
        return False
    try:
        chunk = os.read(session["term"], 65536)
    except OSError:  # the far side has closed
        return False
    session["screen"] += chunk
    return bool(chunk)


def wait_for(session, text, seconds=20):
    deadline = time.monotonic() + seconds
    while text not in session["screen"]:
        assert read_some(session, deadline - time.monotonic()), f"{text!r} not shown: {session['screen'][-300:]!r}"


def feed(session, dots):
    """Feeds numbers until `dots` dots are shown (the tool reads in large
    blocks, so they come some way behind); gives how many it fed."""
    fed = 0
    while session["screen"].count(b".") < dots and fed < 3_000_000:
        os.write(session["feed"], "".join(f"{n}\n" for n in range(fed, fed + 2000)).encode())
        fed += 2000
        read_some(session, 0.01)
    return fed


def finish(session):
    while read_some(session, 5):
        pass
    return os.waitpid(session["pid"], 0)[1]


folder = tempfile.mkdtemp(prefix="primepack-terminal-")
session = start(folder)
fed = feed(session, 10)
assert DONE not in session["screen"] and os.waitpid(session["pid"], os.WNOHANG) == (0, 0)  # dots while it runs
os.close(session["feed"])
wait_for(session, DONE + str(fed).encode() + b" prvocisel.")
assert os.waitstatus_to_exitcode(finish(session)) == 0
with open(os.path.join(folder, "out.txt"), "rb") as f:
    assert f.read().count(b"\n") == fed

folder = tempfile.mkdtemp(prefix="primepack-terminal-")
session = start(folder)
feed(session, 5)
assert os.path.isfile(os.path.join(folder, "out.txt"))
os.write(session["term"], b"\x03")
try:  # the run notices between two blocks, so give it some
    for start_at in range(0, 10**7, 1000):
        os.write(session["feed"], "".join(f"{n}\n" for n in range(start_at, start_at + 1000)).encode())
except BrokenPipeError:
    pass
os.close(session["feed"])
status = finish(session)
assert os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT, status
assert not os.path.exists(os.path.join(folder, "out.txt")) and DONE not in session["screen"]
print("terminal sessions passed")
