#!/usr/bin/python3
"""The Windows game online, under wine: it joins, with --join, a game that a client of this
script's made on the real gomoku3d-server (started here on a free port with a database of its
own), and the two play a move each: the game's by a click in its window. Run by
tests/windows/run.sh, with DISPLAY and WINEPREFIX set:

    online.py SERVER GAME_EXE GAME_FOLDER ARTEFACTS

Prints a line "ok: ..." or "FAIL: ..." for each check."""

import json
import os
import re
import subprocess
import sys
import time

import websocket  # Debian's python3-websocket

SERVER, EXE, FOLDER, ARTEFACTS = sys.argv[1:5]


def report(what, ok, detail=""):
    print(("ok: " if ok else "FAIL: ") + what + ("" if ok or not detail else f" ({detail})"), flush=True)
    return ok


def within(seconds, condition):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.2)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def main():
    database = os.path.join(ARTEFACTS, "online.sqlite")
    server = subprocess.Popen([SERVER, "--db", database, "--port", "0"], stdout=subprocess.PIPE,
                              stderr=open(os.path.join(ARTEFACTS, "online-server.log"), "wb"))
    game = None
    try:
        port = re.search(r":(\d+)/", server.stdout.readline().decode()).group(1)
        client = websocket.create_connection(f"ws://127.0.0.1:{port}/ws", timeout=30)
        client.send(json.dumps({"type": "create"}))

        def message(kind):
            while True:
                text = json.loads(client.recv())
                if text["type"] == kind:
                    return text

        made = message("created")
        game = subprocess.Popen(["wine", EXE, "--join", f"http://127.0.0.1:{port}/?game={made['game']}"], cwd=FOLDER,
                                stdout=open(os.path.join(ARTEFACTS, "online.stdout"), "wb"),
                                stderr=open(os.path.join(ARTEFACTS, "online.stderr"), "wb"))
        window = within(90, lambda: game.poll() is None and xdotool("search", "--onlyvisible", "--name", "^Game"))
        if not report("online: the game from the zip opens its window with --join", window):
            return
        window = window.split()[0]

        def title():
            return xdotool("getwindowname", window)

        # The second player has come: colours are drawn, and the state says this client's.
        mine = message("state")["you"]
        while mine not in ("black", "white"):
            mine = message("state")["you"]
        theirs = "white" if mine == "black" else "black"
        report("online: the game joins and is told its colour, the other",
               within(30, lambda: re.search(rf"\({theirs}\)|you play {theirs}", title())), title())
        if theirs == "white":
            client.send(json.dumps({"type": "move", "row": 2, "col": 2, "n": 0}))
            report("online: the other side's move reaches it", within(20, lambda: "Your move (white)" in title()), title())
        # A click on the middle of its window: a point of the board, not (2, 2).
        xdotool("mousemove", "--window", window, "400", "300", "click", "1")
        stored = message("moved")
        if theirs == "white":
            stored = message("moved")
        report("online: its click is a move the server stored, of its colour",
               stored["colour"] == theirs and stored["n"] == (1 if theirs == "white" else 0), json.dumps(stored))
        report("online: and its title says the other side is to move",
               within(20, lambda: re.search(rf"to move \(you play {theirs}\)", title())), title())
        client.close()
        report("online: the other player's leaving shows", within(20, lambda: "The other player is away" in title()),
               title())
        out = open(os.path.join(ARTEFACTS, "online.stdout"), "rb").read()
        report("online: its console has the status lines, Big5 with CR LF",
               re.search(rb"\r\nJoining the online game\xa1K\r\n", out) and b"The other player is away.\r\n" in out,
               out[-120:].decode("big5", "replace"))
    finally:
        if game and game.poll() is None:
            game.terminate()
        server.terminate()
        server.wait(10)


if __name__ == "__main__":
    main()
