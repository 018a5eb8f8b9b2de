"""What the online drivers (tests/online/online.py, tests/windows/online.py) share: checks printed
as "ok: ..." or "FAIL: ..." and counted, waits, the real server and the desktop game as a player."""

import os
import re
import signal
import subprocess
import sys
import time

STARTED = time.monotonic()
counted = {"passed": 0, "failed": 0}


def check(what, ok, detail=""):
    counted["passed" if ok else "failed"] += 1
    if ok:
        print(f"ok: {what} ({time.monotonic() - STARTED:.0f} s)", flush=True)
    else:
        print("FAIL:", what, detail, flush=True)
    return ok


def finish():
    print(f"{counted['passed']} passed, {counted['failed']} failed")
    sys.exit(counted["failed"] > 0)


def within(seconds, condition, step=0.2):
    """The condition's first true value within the time, or its last false one."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def colour_of(player):
    """The colour a player's status line says it plays, or None."""
    found = re.search(r"Your move \((black|white)\)|you play (black|white)", player.status())
    return found and (found.group(1) or found.group(2))


class GameServer:
    """gomoku3d-server on the loopback on a free port (kept over a restart), with its DATABASE
    and its LOG; serving the page from WEB when given."""

    def __init__(self, program, database, log, web=None):
        self.command = [program, "--db", database] + (["--web", web] if web else [])
        self.port, self.process, self.log = 0, None, open(log, "ab")

    def start(self):
        self.process = subprocess.Popen(self.command + ["--port", str(self.port)], stdout=subprocess.PIPE,
                                        stderr=self.log)
        line = self.process.stdout.readline().decode()
        found = re.search(r"listening on http://([^/]+):(\d+)/", line)
        if not found:
            raise RuntimeError(f"the server did not start: {line!r}")
        self.port = int(found.group(2))
        self.url = f"http://127.0.0.1:{self.port}/"

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Player:
    """A side of an online game whose status() can be waited for."""

    def says(self, pattern, seconds=15):
        return within(seconds, lambda: re.search(pattern, self.status()))

    def expect(self, what, pattern, seconds=15):
        return check(f"{self.name}: {what}", self.says(pattern, seconds), self.status())


class Desktop(Player):
    """The desktop game started with COMMAND (its output appended to ARTEFACTS/NAME.stdout and
    .stderr): clicks in its window, its title for a status line. window is empty when none
    showed."""

    def __init__(self, command, folder, artefacts, name="desktop", env=None):
        self.name, self.out = name, os.path.join(artefacts, f"{name}.stdout")
        self.process = subprocess.Popen(command, cwd=folder, env=env, stdout=open(self.out, "ab"),
                                        stderr=open(os.path.join(artefacts, f"{name}.stderr"), "ab"))
        found = within(90, lambda: self.process.poll() is None and xdotool("search", "--onlyvisible", "--name", "^Game"))
        self.window = found.split()[0] if found else ""

    def title(self):
        return xdotool("getwindowname", self.window)

    def status(self):
        return re.sub(r"^Game - ", "", self.title())

    def click(self, x, y):
        xdotool("mousemove", "--window", self.window, str(round(x)), str(round(y)), "click", "1")

    def output(self):
        with open(self.out, "rb") as f:
            return f.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
