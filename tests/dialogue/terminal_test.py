#!/usr/bin/env python3
"""Drives primepack on a pseudo-terminal, as a person at a keyboard would.
Usage: terminal_test.py PATH_TO_PRIMEPACK"""
import os
import pty
import select
import signal
import sys
import tempfile
import time
import unittest

MODE = b"Komprimovat (k) nebo dekomprimovat (d)?: "
PACK = b"Zadejte nazev komprimovaneho souboru: "
OUTPUT = b"Zadejte nazev vystupniho souboru: "
DONE = b"Dokonceno. Celkem: "


class Terminal:
    """primepack on the far side of a pseudo-terminal, started in `cwd`."""

    def __init__(self, cwd):
        self.pid, self.master = pty.fork()
        if self.pid == 0:
            os.chdir(cwd)
            os.execv(EXE, [EXE])
        self.screen = b""

    def read_some(self, seconds):
        if not select.select([self.master], [], [], max(seconds, 0))[0]:
            return False
        try:
            chunk = os.read(self.master, 65536)
        except OSError:  # the far side has closed
            return False
        self.screen += chunk
        return bool(chunk)

    def wait_for(self, text, after=0, seconds=20):
        """Reads until `text` stands on the screen past `after`; an answer
        is typed only then, so a prompt left in a buffer fails the test."""
        deadline = time.monotonic() + seconds
        while self.screen.find(text, after) < 0:
            if not self.read_some(deadline - time.monotonic()):
                raise AssertionError(f"{text!r} not shown: {self.screen[-300:]!r}")
        return self.screen.find(text, after) + len(text)

    def answer(self, prompt, text, after=0):
        seen = self.wait_for(prompt, after)
        os.write(self.master, text)
        return seen

    def finish(self):
        while self.read_some(5):
            pass
        status = os.waitpid(self.pid, 0)[1]
        os.close(self.master)
        return status


def numbers(first, count):
    return "".join(f"{n}\n" for n in range(first, first + count)).encode()


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="primepack-terminal-")

    def start_live_run(self):
        """A compression whose input is a pipe that the test feeds."""
        os.mkfifo(os.path.join(self.dir, "live.txt"))
        term = Terminal(self.dir)
        seen = term.answer(PACK, b"live.txt\r", term.answer(MODE, b"k\r"))
        feed = os.open(os.path.join(self.dir, "live.txt"), os.O_WRONLY)  # meets the tool's check
        seen = term.answer(OUTPUT, b"out.txt\r", seen)
        return term, feed, term.wait_for(b"Komprimuji soubor live.txt do souboru out.txt\r\n", seen)

    def feed_until(self, term, feed, dots, seen):
        """Feeds numbers until `dots` dots are shown (the tool reads in large
        blocks, so they come some way behind); gives the next number."""
        first = 1000
        while term.screen.count(b".", seen) < dots:
            self.assertLess(first, 3_000_000, term.screen[-300:])
            os.write(feed, numbers(first, 2000))
            first += 2000
            term.read_some(0.01)
        return first

    def test_each_prompt_stands_before_its_answer_and_noise_is_skipped(self):
        with open(os.path.join(self.dir, "primes.txt"), "w") as f:
            f.write("7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113\n")
        term = Terminal(self.dir)
        seen = term.answer(MODE, b"x y\r")
        for noise in (b"K\r", b"\r", b"k\r"):
            term.read_some(0.3)
            self.assertEqual(term.screen.count(MODE), 1)
            self.assertNotIn(PACK, term.screen)
            os.write(term.master, noise)
        seen = term.answer(OUTPUT, b"packed.txt\r", term.answer(PACK, b"primes.txt\r", seen))
        term.wait_for(DONE + b"12 prvocisel.", seen)
        self.assertEqual(os.waitstatus_to_exitcode(term.finish()), 0)
        with open(os.path.join(self.dir, "packed.txt"), "rb") as f:
            self.assertEqual(f.read(), b"7\n11\n3\n7\n9\n23\n9\n97\n101\n3\n9\n13\n")

    def test_dots_appear_while_a_long_run_goes_on(self):
        term, feed, seen = self.start_live_run()
        first = self.feed_until(term, feed, 10, seen)
        self.assertNotIn(DONE, term.screen)
        self.assertEqual(os.waitpid(term.pid, os.WNOHANG), (0, 0))
        os.close(feed)
        term.wait_for(DONE + str(first - 1000).encode() + b" prvocisel.", seen)
        self.assertEqual(os.waitstatus_to_exitcode(term.finish()), 0)

    def test_interruption_removes_the_incomplete_output(self):
        for ctrl_c, sig in ((True, signal.SIGINT), (False, signal.SIGTERM)):
            with self.subTest(signal=sig.name):
                self.setUp()
                term, feed, seen = self.start_live_run()
                first = self.feed_until(term, feed, 5, seen)
                self.assertTrue(os.path.isfile(os.path.join(self.dir, "out.txt")))
                if ctrl_c:
                    os.write(term.master, b"\x03")
                else:
                    os.kill(term.pid, sig)
                try:  # the run notices between two numbers, so give it some
                    for start in range(first, 10**7, 1000):
                        os.write(feed, numbers(start, 1000))
                except BrokenPipeError:
                    pass
                os.close(feed)
                status = term.finish()
                self.assertEqual(os.WTERMSIG(status) if os.WIFSIGNALED(status) else None, sig)
                self.assertFalse(os.path.exists(os.path.join(self.dir, "out.txt")))
                self.assertNotIn(DONE, term.screen)


if __name__ == "__main__":
    EXE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
