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
import sys

import websocket  # Debian's python3-websocket

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "online"))
from harness import Desktop, GameServer, check, colour_of, within  # noqa: E402

SERVER, EXE, FOLDER, ARTEFACTS = sys.argv[1:5]


def main():
    server = GameServer(SERVER, os.path.join(ARTEFACTS, "online.sqlite"), os.path.join(ARTEFACTS, "online-server.log"))
    server.start()
    game = None
    try:
        client = websocket.create_connection(f"ws://127.0.0.1:{server.port}/ws", timeout=30)
        client.send(json.dumps({"type": "create"}))

        def message(kind):
            while True:
                text = json.loads(client.recv())
                if text["type"] == kind:
                    return text

        made = message("created")
        game = Desktop(["wine", EXE, "--join", f"{server.url}?game={made['game']}"], FOLDER, ARTEFACTS, "online")
        if not check("online: the game from the zip opens its window with --join", game.window):
            return
        # The second player has come: colours are drawn, and the state says this client's.
        mine = message("state")["you"]
        while mine not in ("black", "white"):
            mine = message("state")["you"]
        theirs = "white" if mine == "black" else "black"
        check("online: the game joins and is told its colour, the other",
              within(30, lambda: colour_of(game) == theirs), game.title())
        if theirs == "white":
            client.send(json.dumps({"type": "move", "row": 2, "col": 2, "n": 0}))
            game.expect("the other side's move reaches it", r"Your move \(white\)", 20)
        game.click(400, 300)  # the middle of its window: a point of the board, not (2, 2)
        stored = message("moved")
        if theirs == "white":
            stored = message("moved")
        check("online: its click is a move the server stored, of its colour",
              stored["colour"] == theirs and stored["n"] == (1 if theirs == "white" else 0), json.dumps(stored))
        game.expect("and its title says the other side is to move", rf"to move \(you play {theirs}\)", 20)
        client.close()
        game.expect("the other player's leaving shows", "The other player is away", 20)
        out = game.output()
        check("online: its console has the status lines, Big5 with CR LF",
              re.search(rb"\r\nJoining the online game\xa1K\r\n", out) and b"The other player is away.\r\n" in out,
              out[-120:].decode("big5", "replace"))
    finally:
        if game:
            game.stop()
        server.stop()


if __name__ == "__main__":
    main()
