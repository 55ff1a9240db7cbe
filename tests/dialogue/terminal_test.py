#!/usr/bin/env python3
"""Drives primepack on a pseudo-terminal, as a person at a keyboard would.

Usage: terminal_test.py PATH_TO_PRIMEPACK
"""
import os
import pty
import select
import signal
import sys
import tempfile
import time
import unittest

EXE = None
MODE = b"Komprimovat (k) nebo dekomprimovat (d)?: "
PACK = b"Zadejte nazev komprimovaneho souboru: "
OUTPUT = b"Zadejte nazev vystupniho souboru: "
DONE = b"Dokonceno. Celkem: "


class Terminal:
    """primepack on the far side of a pseudo-terminal, in folder `cwd`."""

    def __init__(self, cwd):
        self.pid, self.master = pty.fork()
        if self.pid == 0:
            os.chdir(cwd)
            os.execv(EXE, [EXE])
        self.screen = b""
        self.status = None

    def wait_for(self, text, after=0, seconds=20):
        """Reads the screen until `text` stands on it past `after`."""
        deadline = time.monotonic() + seconds
        while self.screen.find(text, after) < 0:
            if not self.read_some(deadline - time.monotonic()):
                raise AssertionError(f"{text!r} not shown; screen: {self.screen[-300:]!r}")
        return self.screen.find(text, after) + len(text)

    def read_some(self, seconds):
        ready, _, _ = select.select([self.master], [], [], max(seconds, 0))
        if not ready:
            return False
        try:
            chunk = os.read(self.master, 65536)
        except OSError:  # the far side has closed
            return False
        self.screen += chunk
        return bool(chunk)

    def type(self, text):
        os.write(self.master, text)

    def finish(self):
        while self.read_some(5):
            pass
        _, status = os.waitpid(self.pid, 0)
        os.close(self.master)
        return status


def numbers(first, count):
    return "".join(f"{n}\n" for n in range(first, first + count)).encode()


def feed_until(term, feed, dots, seen, first=1000):
    """Feeds numbers from `first` on until `dots` dots are shown; as the
    tool reads in large blocks, the dots come some way behind the feed.
    Gives the next number to feed."""
    while term.screen.count(b".", seen) < dots:
        os.write(feed, numbers(first, 2000))
        first += 2000
        term.read_some(0.01)
        if first > 3_000_000:
            raise AssertionError(f"no {dots} dots; screen: {term.screen[-300:]!r}")
    return first


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="primepack-terminal-")

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_each_prompt_stands_before_its_answer_and_noise_is_skipped(self):
        with open(self.path("primes.txt"), "w") as f:
            f.write("7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113\n")
        term = Terminal(self.dir)
        seen = term.wait_for(MODE)
        for noise in (b"x y\r", b"K\r", b"\r"):
            term.type(noise)
            time.sleep(0.2)
            term.read_some(0.2)
            self.assertEqual(term.screen.count(MODE), 1)
            self.assertNotIn(PACK, term.screen)
        term.type(b"k\r")
        seen = term.wait_for(PACK, seen)
        term.type(b"primes.txt\r")
        seen = term.wait_for(OUTPUT, seen)
        term.type(b"packed.txt\r")
        term.wait_for(DONE + b"12 prvocisel.", seen)
        status = term.finish()
        self.assertEqual(os.waitstatus_to_exitcode(status), 0)
        with open(self.path("packed.txt"), "rb") as f:
            self.assertEqual(f.read(), b"7\n11\n3\n7\n9\n23\n9\n97\n101\n3\n9\n13\n")

    def start_live_run(self):
        """Starts a compression whose input is a pipe fed by the test."""
        os.mkfifo(self.path("live.txt"))
        term = Terminal(self.dir)
        seen = term.wait_for(MODE)
        term.type(b"k\r")
        seen = term.wait_for(PACK, seen)
        term.type(b"live.txt\r")
        feed = os.open(self.path("live.txt"), os.O_WRONLY)  # meets the tool's check that it opens
        seen = term.wait_for(OUTPUT, seen)
        term.type(b"out.txt\r")
        seen = term.wait_for(b"Komprimuji soubor live.txt do souboru out.txt\r\n", seen)
        return term, feed, seen

    def test_dots_appear_while_a_long_run_goes_on(self):
        term, feed, seen = self.start_live_run()
        first = feed_until(term, feed, 10, seen)
        self.assertNotIn(DONE, term.screen)
        self.assertEqual(os.waitpid(term.pid, os.WNOHANG), (0, 0))
        os.close(feed)
        term.wait_for(DONE + str(first - 1000).encode() + b" prvocisel.", seen)
        self.assertEqual(os.waitstatus_to_exitcode(term.finish()), 0)

    def test_interruption_removes_the_incomplete_output(self):
        for how, sig in ((b"\x03", signal.SIGINT), (None, signal.SIGTERM)):
            with self.subTest(signal=sig.name):
                self.setUp()
                term, feed, seen = self.start_live_run()
                first = feed_until(term, feed, 5, seen)
                self.assertTrue(os.path.isfile(self.path("out.txt")))
                if how:
                    term.type(how)  # Ctrl-C typed at the terminal
                else:
                    os.kill(term.pid, sig)
                try:  # the run notices between two numbers, so give it some
                    for start in range(first, 10**7, 1000):
                        os.write(feed, numbers(start, 1000))
                except BrokenPipeError:
                    pass
                os.close(feed)
                status = term.finish()
                self.assertTrue(os.WIFSIGNALED(status))
                self.assertEqual(os.WTERMSIG(status), sig)
                self.assertFalse(os.path.exists(self.path("out.txt")))
                self.assertNotIn(DONE, term.screen)


if __name__ == "__main__":
    EXE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
