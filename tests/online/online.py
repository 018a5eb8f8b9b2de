#!/usr/bin/python3
"""End to end, online: the real gomoku3d-server (started here on a free port with a database of
its own) and the page in headless Chromium driven with Selenium, one browser for each person,
and the desktop game joining under Xvfb. Run by tests/online/run.sh, which starts the X server:

    online.py SERVER WEB_DIR ARTEFACTS [GAME ASSETS_DIR]

Two pages (a laptop's mouse, a phone's touch) play a game to a five through the link while a third
watches; black takes back a move as white allows it; the wrong side, the watcher and a finger that
slides away move nothing; a reload and a
new tab keep the seat; the server killed with SIGKILL and started again loses no stored move.
A game with a clock counts down on both pages, outlives the server killed, and is lost on time.
Two strangers are paired by "Play someone", watched from /live, and rated by the game.
A renju game opened by swap2 is played between two pages, black's double three refused by the
server, and its records served at /games/ID.psq and .sgf open in the desktop game. Then the desktop game joins a page's game with --join, keeps its seat when started again, and
the two finish a game; with the server gone, "Play online" says no server answered. Pictures
stay in ARTEFACTS. Ends with "N passed, M failed"."""

import base64
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.actions import interaction
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.pointer_input import PointerInput
from selenium.webdriver.common.by import By

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "..", "tools"), os.path.join(HERE, "..", "e2e")]
from browser import FLAGS  # noqa: E402 (tools/browser.py, the page's other tests' browser)
from harness import Desktop, GameServer, Player, check, colour_of, finish, within  # noqa: E402
from pixels import read_ppm  # noqa: E402

SERVER, WEB, ARTEFACTS = sys.argv[1:4]
GAME, ASSETS = (sys.argv[4:6] + [None, None])[:2]
os.makedirs(os.path.join(ARTEFACTS, "work"), exist_ok=True)


# Where each point of the board is on the canvas: the page's own pick (the touch's) asked over a
# grid of the drawing buffer's pixels; each point's centre in the viewport's CSS pixels, and the
# spacing of the points there.
CELL_MAP = """
const box = canvas.getBoundingClientRect(), scale = canvas.width / box.width, sums = {};
const step = Math.max(1, Math.floor(canvas.width / 400));
for (let y = 0; y < canvas.height; y += step)
  for (let x = 0; x < canvas.width; x += step) {
    const p = Module._gomokuPointAt(x, y);
    if (p < 0) continue;
    const s = sums[p] || (sums[p] = [0, 0, 0]);
    s[0] += x, s[1] += y, s[2]++;
  }
const cells = {};
for (const p in sums) cells[p] = [box.left + sums[p][0] / sums[p][2] / scale, box.top + sums[p][1] / sums[p][2] / scale,
                                   sums[p][0] / sums[p][2], sums[p][1] / sums[p][2]];
return cells;
"""


class Page(Player):
    """One person's browser: a headless Chromium of its own (its own storage), one page."""

    def __init__(self, name, width, height, ratio=1, touch=False):
        self.name, self.touch = name, touch
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for flag in FLAGS:  # the page's other tests' own: WebGL in software, nothing calls home
            options.add_argument(flag)
        service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver",
                          log_path=os.path.join(ARTEFACTS, f"chromedriver-{name}.log"))
        self.driver = webdriver.Chrome(options=options, service=service)
        self.driver.set_script_timeout(30)
        self.emulate(width, height, ratio)
        self.cells = None

    def emulate(self, width, height, ratio=1):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height,
                 deviceScaleFactor=ratio, mobile=self.touch)
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=self.touch, maxTouchPoints=5)
        self.cells = None

    def cdp(self, method, **params):
        return self.driver.execute_cdp_cmd(method, params)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def open(self, url):
        self.driver.get(url)
        self.cells = None
        return within(60, lambda: self.js("return typeof state == 'string' && state == 'running'"))

    def status(self):
        return self.js("return document.getElementById('status').textContent")

    def link(self):
        return self.js("const l = document.getElementById('online-link'); return l && !l.hidden ? l.value : ''")

    def choose(self, entry):
        """The menu from the page's Menu button, and ENTRY chosen in it with the mouse (scrolled
        to first, as a player would, when the menu is taller than the page)."""
        self.js("document.getElementById('menu-button').click()")
        box = within(5, lambda: self.js(
            "const e = [...document.querySelectorAll('[role=menuitem]')].find(e => e.textContent == arguments[0]);"
            "if (!e) return null; e.scrollIntoView({block: 'nearest'});"  # a tall menu scrolls
            "const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];",
            entry))
        if not box:
            raise RuntimeError(f"{self.name}: no menu entry {entry!r}")
        self.mouse(*box)

    def mouse(self, x, y):
        self.cdp("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind in ("mousePressed", "mouseReleased"):
            self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def finger(self, x, y, slide=0):
        """A tap; or with SLIDE, a finger that slides that far to the right and back before it
        lifts. The whole gesture goes to chromedriver at once, which plays it without waiting for
        this script between its steps: a finger held half a second would be a long press."""
        actions = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, "finger"), duration=0)
        actions.pointer_action.move_to_location(round(x), round(y)).pointer_down()
        if slide:
            actions.pointer_action.move_to_location(round(x + slide), round(y)).move_to_location(round(x), round(y))
        actions.pointer_action.pointer_up()
        actions.perform()

    def key(self, letter):
        """A letter's key pressed and released, as the keyboard sends it to the page."""
        for kind in ("keyDown", "keyUp"):
            self.cdp("Input.dispatchKeyEvent", type=kind, key=letter, code="Key" + letter.upper(),
                     windowsVirtualKeyCode=ord(letter.upper()), **({"text": letter} if kind == "keyDown" else {}))

    def cell(self, row, col):
        if not self.cells:
            self.cells = self.js(CELL_MAP)
        return self.cells[str(row * 18 + col)]

    def spacing(self):
        a, b = self.cell(5, 5), self.cell(5, 6)
        return ((a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2) ** 0.5

    def place(self, row, col):
        """A stone on (row, col) as the player puts it: a click, or on a phone a tap to move the
        cursor and a second tap to place."""
        x, y = self.cell(row, col)[:2]
        if not self.touch:
            return self.mouse(x, y)
        for _ in range(3):
            self.finger(x, y)
            time.sleep(0.15)
            self.finger(x, y)
            # A machine too busy to lift the finger within half a second makes a long press of
            # a tap, which opens the menu: then the menu is closed and the point tapped again.
            if not self.js("return Module.gameMenu.isOpen()"):
                return
            print(f"note: {self.name}: a tap was held long enough to open the menu", flush=True)
            self.js("Module.gameMenu.close()")

    def stone(self, row, col):
        """What stands on the point in the picture: 'black', 'white' or 'none'. The points around
        its centre, off the mark of the last stone."""
        x, y = self.cell(row, col)[:2]
        r = self.spacing() * 0.28
        shot = self.cdp("Page.captureScreenshot", format="png",
                        clip=dict(x=x - 2 * r, y=y - 2 * r, width=4 * r, height=4 * r, scale=1))
        png = base64.b64decode(shot["data"])
        width, *rgb = read_ppm(subprocess.run(["convert", "png:-", "ppm:-"], input=png, capture_output=True).stdout)
        height, samples = len(rgb[0]) // width, []
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1), (0.7, 0.7), (-0.7, -0.7), (0.7, -0.7), (-0.7, 0.7)):
            at = int(height * (2 + dy) / 4) * width + int(width * (2 + dx) / 4)  # r from the centre
            samples.append(sum(channel[at] for channel in rgb) / 3)
        light = sorted(samples)[len(samples) // 2]
        return "black" if light < 45 else "white" if light > 150 else "none"

    def shot(self, name):
        with open(os.path.join(ARTEFACTS, f"{name}.png"), "wb") as out:
            out.write(base64.b64decode(self.cdp("Page.captureScreenshot", format="png")["data"]))

    def quit(self):
        try:
            self.driver.quit()
        except Exception:
            pass


def in_view(page, ids=("status", "online-link", "online-copy", "online-leave")):
    """Whether the status line and the online panel's link and buttons are all in the viewport."""
    return page.js("return arguments[0].every(id => {"
                   " const r = document.getElementById(id).getBoundingClientRect();"
                   " return r.height > 0 && r.top >= 0 && r.bottom <= innerHeight && r.right <= innerWidth; })",
                   list(ids))


def stones_shown(page, moves, what):
    """Each move's stone on the page, black's first, within ten seconds: a page just loaded
    draws the game's moves on a frame after the one that says its colour. Names the points that
    are still wrong, with what stands on each."""
    def wrong():
        return [f"{move} {stone}" for i, move in enumerate(moves)
                if (stone := page.stone(*move)) != ("black" if i % 2 == 0 else "white")]
    ok = within(10, lambda: not wrong())
    return check(f"{page.name}: {what}: the {len(moves)} stones stand where they were played", ok,
                 "" if ok else ", ".join(wrong()))


# Black's five along row 5 and white's four along row 8, in the order they are played.
MOVES = [(5, 5), (8, 5), (5, 6), (8, 6), (5, 7), (8, 7), (5, 8), (8, 8), (5, 9)]


def play(players_by_colour, start, end):
    """Plays MOVES[start:end], each by the player of the side to move, and waits for it to be
    stored: the mover's status turns to the other side. False on the first that does not."""
    for n in range(start, end):
        side = "black" if n % 2 == 0 else "white"
        mover, other = players_by_colour[side], players_by_colour["white" if side == "black" else "black"]
        mover.place(*MOVES[n])
        last = n == len(MOVES) - 1
        if not mover.says(r"You win" if last else r"to move \(you play", 20):
            return check(f"move {n + 1} {MOVES[n]} by {mover.name} is stored", False, mover.status())
        if not other.says(r"wins" if last else r"Your move", 20):
            return check(f"move {n + 1} reaches {other.name}", False, other.status())
    return True


def session_pages(server):
    laptop = Page("laptop", 1280, 633)
    phone = Page("phone", 390, 844, 3, touch=True)
    watcher = Page("watcher", 1024, 700)
    try:
        # The game made, and its link.
        check("laptop: the page runs", laptop.open(server.url))
        # The server sends the page's files gzipped: a third of the bytes on the line.
        sent = laptop.js("return performance.getEntriesByType('resource').filter(e => /[.](js|wasm|data)$/.test(e.name))"
                         ".map(e => [e.name.replace(/.*[/]/, ''), e.encodedBodySize, e.decodedBodySize])")
        files = {name: (line, whole) for name, line, whole in sent}
        line, whole = sum(f[0] for f in files.values()), sum(f[1] for f in files.values())
        check(f"laptop: the page's {len(files)} files came gzipped, {line // 1024} KB on the line for {whole // 1024} KB",
              len(files) >= 6 and all(0 < f[0] < f[1] for f in files.values()) and line < whole / 2, files)
        laptop.choose("Play online")
        laptop.expect("waits for the other player", r"^Waiting for the other player to join\.$")
        link = laptop.link()
        game = re.search(r"\?game=([a-z0-9]+-[a-z2-7]{16})$", link)
        check("laptop: shows the link to the game", link.startswith(server.url) and game, link)
        game = game.group(1) if game else ""
        check("laptop: its address is the game's, for a reload", laptop.js("return location.search") == "?game=" + game)
        secret = laptop.js(f"return localStorage.getItem('gomoku3d.seat.{game}')") or ""
        check("laptop: keeps the seat's secret in the browser's storage", re.fullmatch(r"[0-9a-f]{32}", secret), secret)
        check("laptop: the secret is not in the link", secret not in link)
        check("laptop: the link, its buttons and the status line are in view", in_view(laptop))
        # The online panel takes room beside or under the board, but the board keeps the larger share of the page,
        # drawn at its size (a drawing buffer left at an earlier size shows blocky).
        sizes = laptop.js("const r = canvas.getBoundingClientRect(), d = devicePixelRatio || 1;"
                          " return [r.width, r.height, innerHeight, canvas.width, canvas.height,"
                          " Math.round(r.width * d), Math.round(r.height * d)]")
        check(f"laptop: the board takes half the page's height or more ({sizes[0]:.0f} x {sizes[1]:.0f} of {sizes[2]})",
              sizes[1] >= sizes[2] / 2, sizes)
        check(f"laptop: the board is drawn at its size ({sizes[3]} x {sizes[4]})",
              within(5, lambda: laptop.js("const r = canvas.getBoundingClientRect(), d = devicePixelRatio || 1;"
                                           " return canvas.width == Math.round(r.width * d) &&"
                                           " canvas.height == Math.round(r.height * d)")), sizes)
        laptop.shot("laptop-waiting-with-link")
        # The second player, by the link; then a watcher.
        check("phone: the page runs from the link", phone.open(link))
        for page in (phone, laptop):
            page.expect("is given a colour", r"Your move \((black|white)\)\.|to move \(you play")
        colours = {colour_of(laptop): laptop, colour_of(phone): phone}
        if not check("the two players have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
            return
        black, white = colours["black"], colours["white"]
        check("phone: the link, its buttons and the status line are in view", in_view(phone))
        phone.shot("phone-portrait-playing")
        phone.emulate(844, 390, 3)
        check("phone: and so in landscape", within(5, lambda: in_view(phone)))
        phone.shot("phone-landscape-playing")
        phone.emulate(390, 844, 3)
        within(5, lambda: in_view(phone))
        check("watcher: the page runs from the link", watcher.open(link))
        watcher.expect("watches", r"^Black to move \(you are watching\)\.$")

        # Nothing moves for the wrong side or the watcher. (Each page draws the cursor stone where
        # its own pointer or finger last was: the points are looked at on the other pages.)
        white.place(2, 2)
        white.expect("white's click on black's turn is refused here", r"It is the other player's move\.$", 5)
        watcher.place(2, 3)
        watcher.expect("a watcher's click moves nothing", r"You are watching: only the two players move\.$", 5)
        time.sleep(1)
        black.expect("black is still to move", r"^Your move \(black\)\.", 2)
        check("the refused points stay empty", all(
            page.stone(*point) == "none" for page, point in ((black, (2, 2)), (watcher, (2, 2)), (black, (2, 3)), (white, (2, 3)))))

        # A finger that slides away from the point it has put the cursor on, and back, places
        # nothing: only a tap does. The phone's first turn.
        def slide():
            turn = 0 if phone is black else 1
            x, y = phone.cell(*MOVES[turn])[:2]
            phone.finger(x, y)
            time.sleep(0.15)
            phone.finger(x, y, slide=15)
            time.sleep(1)
            check("phone: a finger that slid away placed nothing",
                  phone.says(r"^Your move \(", 2) and all(page.stone(*MOVES[turn]) == "none" for page in (laptop, watcher)),
                  phone.status())

        # The first moves; a reload and a new tab keep the seat.
        if phone is black:
            slide()
        if not play(colours, 0, 1):
            return
        if phone is white:
            slide()
        if not play(colours, 1, 3):
            return
        stones_shown(white, MOVES[:3], "the other player's moves")
        stones_shown(watcher, MOVES[:3], "the watcher sees the moves")

        # Black asks to take back its last stone. The request and its buttons move nothing of the
        # board on either page.
        board_box = "const r = canvas.getBoundingClientRect(); return [r.left + scrollX, r.top + scrollY, r.width, r.height].join(' ')"
        boxes = [page.js(board_box) for page in (black, white)]
        black.choose("Undo (ask the other player)")
        black.expect("asks to take back its move", r"You asked to take back your last move: waiting for the answer\.$")
        white.expect("is asked", r"Black asks to take back a move: allow it \(y\) or refuse \(n\)\?$")
        for page, box in zip((black, white), boxes):
            check(f"{page.name}: the board kept its place and size ({box}, then {page.js(board_box)})",
                  page.js(board_box) == box)
        watcher.expect("sees the request", r"\. Black asks to take back a move\.$")
        check(f"{white.name}: Allow and Refuse are in view", in_view(white, ("status", "online-allow", "online-refuse")))
        check(f"{black.name}: and only there", black.js("return document.getElementById('online-undo').hidden"))
        check(f"{white.name}: its line of keys says what u, y and n do online",
              "; u asks the other player to take your last move back, y or n answers them when they ask;"
              in white.js("return document.getElementById('keys').textContent"))
        white.shot(f"{white.name}-asked-to-take-back")
        # Answered by y, then asked again by the Allow button; then refused by the Refuse button,
        # which holds until the game moves on, and (further on) by n.
        white.key("y")
        black.expect("y allows it: its move is taken back", r"^Your move \(black\)\. The other player allowed it")
        check("the stone taken back by y is gone from the other pages",  # black's shows its cursor there
              within(5, lambda: all(page.stone(*MOVES[2]) == "none" for page in (white, watcher))))
        if not play(colours, 2, 3):
            return
        black.choose("Undo (ask the other player)")
        white.expect("is asked again", r"asks to take back a move: allow it \(y\) or refuse \(n\)\?$")
        white.js("document.getElementById('online-allow').click()")
        black.expect("the Allow button allows it", r"^Your move \(black\)\. The other player allowed it")
        check("the stone taken back is gone from the other pages",
              within(5, lambda: all(page.stone(*MOVES[2]) == "none" for page in (white, watcher))))
        if not play(colours, 2, 3):
            return
        black.choose("Undo (ask the other player)")
        white.expect("is asked once more", r"asks to take back a move: allow it \(y\) or refuse \(n\)\?$")
        white.js("document.getElementById('online-refuse').click()")
        check(f"{white.name}: the Refuse button refuses the request", within(15, lambda: white.js(
            "return document.getElementById('online-undo').hidden") and re.search(
            r"The other player refused to take back your move\.$", black.status())), black.status())
        # The stone refused stays: the whole game's stones are looked at further on.
        laptop_colour = colour_of(laptop)
        laptop.driver.refresh()
        laptop.cells = None
        check("laptop: reloaded, it comes back to its seat", within(60, lambda: colour_of(laptop) == laptop_colour),
              laptop.status())
        stones_shown(laptop, MOVES[:3], "after the reload")
        # Reloaded, the browser asks whether its copies are still the server's, and gets no bytes.
        again = laptop.js("return performance.getEntriesByType('resource').filter(e => /[.](js|wasm|data)$/.test(e.name))"
                          ".map(e => [e.name.replace(/.*[/]/, ''), e.transferSize])")
        check(f"laptop: reloaded, its {len(again)} files came from its cache, the server saying they had not changed",
              len(again) >= 6 and all(size < 1024 for _, size in again), again)
        laptop.driver.switch_to.new_window("tab")
        laptop.open(link)
        check("laptop: a new tab of the same browser is the same player",
              within(20, lambda: colour_of(laptop) == laptop_colour), laptop.status())
        laptop.driver.close()
        laptop.driver.switch_to.window(laptop.driver.window_handles[0])
        laptop.cells = None

        # The game moved on, black asks again by u, and white refuses by n.
        if not play(colours, 3, 5):
            return
        black.key("u")
        white.expect("is asked after a move", r"asks to take back a move: allow it \(y\) or refuse \(n\)\?$")
        white.key("n")
        check(f"{white.name}: n refuses it", within(15, lambda: re.search(
            r"The other player refused to take back your move\.$", black.status())), black.status())

        # "Play online" in the live game asks first, and after no the same game goes on (the
        # moves further on are played in it).
        black.choose("Play online")
        black.expect("Play online in a live game asks first", r"Abandon this game\? Yes \(y\) or no \(n\)\.$")
        black.shot(f"{black.name}-asked-to-abandon")
        black.key("n")
        check(f"{black.name}: after no, the question goes and the page stays in the game",
              within(10, lambda: "Abandon" not in black.status() and black.js("return location.search") == "?game=" + game),
              black.status())
        white.expect("hears nothing of it", r"^Your move \(white\)\.", 2)

        # The server killed in the middle of the game, and started again.
        server.kill()
        for page in (laptop, phone):
            page.expect("says the connection is lost", r"^Connection lost, trying again…$", 10)
        phone.shot("phone-connection-lost")
        time.sleep(1)
        server.start()
        for page in (laptop, phone, watcher):
            page.expect("back in the game after the restart",
                        r"^(Your move \(|White to move \(you play|White to move \(you are)", 30)
        stones_shown(phone, MOVES[:5], "after the server's restart")
        stones_shown(watcher, MOVES[:5], "after the server's restart")

        # To the five. Once it is made the winner's banner covers part of the board: the stones
        # are looked at before.
        if not play(colours, 5, len(MOVES) - 1):
            return
        for page in (laptop, phone, watcher):
            stones_shown(page, MOVES[:-1], "the whole game")
        if not play(colours, len(MOVES) - 1, len(MOVES)):
            return
        black.expect("black has won", r"^You win \(black\)\.$")
        white.expect("white hears it", r"^Black wins \(you played white\)\.$")
        watcher.expect("sees it", r"^Black wins\.$")
        laptop.shot("laptop-black-won")
        phone.shot("phone-over")
        layout = open(os.path.join(HERE, "../web/checks.js")).read()
        for page in (laptop, phone):
            wrong = page.js(layout + "; return layout();")
            check(f"{page.name}: the page with the online panel still fits its viewport", not wrong, wrong)

        # Leaving: back to local play.
        phone.choose("Leave online game")
        phone.expect("leaving returns to local play", r"^Black to move\.$", 10)
        check("phone: its line of keys is local play's again (u takes a move back)",
              "; u takes a move back;" in " ".join(phone.js("return document.getElementById('keys').textContent").split()))
        check("phone: its address names no game", phone.js("return location.search") == "")
    finally:
        for page in (laptop, phone, watcher):
            page.quit()


def session_desktop(server):
    """The desktop game joins a page's game and plays white or black with the mouse."""
    state = os.path.join(ARTEFACTS, "work", "state")
    os.makedirs(state, exist_ok=True)
    env = dict(os.environ, XDG_STATE_HOME=state)
    page = Page("host", 1328, 820)  # a canvas of 800 x 600, as the desktop's window
    game = None
    try:
        check("host: the page runs", page.open(server.url))
        page.choose("Play online")
        page.expect("waits for the other player", r"^Waiting for the other player to join")
        link = page.link()

        class Joined(Desktop):
            """The desktop game as a player: it places by clicks in its window, which shows the
            board as the page's canvas does, at 800 x 600."""

            def __init__(self):
                super().__init__([GAME, "--join", link], ASSETS, ARTEFACTS, env=env)

            def place(self, row, col):
                x, y = page.cell(row, col)[2:]
                scale = 800 / page.js("return canvas.width")
                self.click(x * scale, y * scale)

        game = Joined()
        check("desktop: opens its window", game.window)
        check("desktop: its title says its colour",
              within(20, lambda: re.search(r"^Game - (Your move \((black|white)\)|(Black|White) to move \(you play)",
                                           game.title())), game.title())
        desktop = colour_of(game) or "white"
        page.expect("the page has the other colour", r"\(white\)|you play white" if desktop == "black"
                    else r"\(black\)|you play black")
        seats = os.path.join(state, "gomoku3d")
        seat = os.listdir(seats) if os.path.isdir(seats) else []
        check("desktop: keeps its seat in $XDG_STATE_HOME/gomoku3d/, for its owner alone",
              len(seat) == 1 and os.stat(os.path.join(seats, seat[0])).st_mode & 0o077 == 0, str(seat))
        sides = {desktop: game, "white" if desktop == "black" else "black": page}
        played = check("desktop: its moves and the page's are stored", play(sides, 0, 4))
        if played:
            stones_shown(page, MOVES[:4], "the desktop's moves")
            subprocess.run(["xwd", "-silent", "-id", game.window, "-out", os.path.join(ARTEFACTS, "desktop-online.xwd")])
            # The desktop game ends and starts again: the same seat.
            game.stop()
            game = sides[desktop] = Joined()
            game.expect("started again, it has its seat back", rf"\({desktop}\)|you play {desktop}", 30)
            played = play(sides, 4, len(MOVES) - 1)
            stones_shown(page, MOVES[:-1], "the whole game with the desktop")
            check("desktop: the game is played to its five", played and play(sides, len(MOVES) - 1, len(MOVES)))
        winner, loser = sides["black"], sides["white"]
        check("black wins on both sides", winner.says(r"You win \(black\)") and loser.says(r"Black wins \(you played white\)"),
              f"{winner.status()} / {loser.status()}")
        out = game.output()
        check("desktop: its console has the status lines after the nine",
              b"Your move (" in out and re.search(rb"\nYou win \(black\)\.\n|\nBlack wins \(you played white\)\.\n", out),
              out[-300:].decode("big5", "replace"))
        # Without a server, "Play online" says so.
        server.stop()
        page.choose("Play online")
        said = within(15, lambda: page.js("return document.getElementById('online-problem').textContent"))
        check("host: with no game server to answer, \"Play online\" says so",
              said == "Online play needs the game's own server, and none answered here.", said)
        page.expect("and the game is a local one again", r"^Black to move\.$", 5)
    finally:
        page.quit()
        if game:
            game.stop()


def session_renju_swap2(server):
    """A renju game opened by swap2 between two pages through the server: the first player's
    three stones, the second's choice (placing white's stone), black's double three refused by
    the server with its reason, and the game's records from /games/ID.psq and .sgf opening in the
    desktop game."""
    host = Page("host", 1280, 720)
    friend = Page("friend", 1280, 720)
    try:
        check("host: the page runs", host.open(server.url))
        host.choose("( ) Renju")
        host.choose("( ) Swap2")
        host.choose("Play online")
        host.expect("waits for the other player", r"^Waiting for the other player to join")
        link = host.link()
        game = re.search(r"\?game=([a-z0-9]+-[a-z2-7]{16})$", link)
        game = game.group(1) if game else ""
        check("friend: the page runs from the link", friend.open(link))
        pages = (host, friend)
        first = within(20, lambda: next((p for p in pages if "place three stones: black, white, black" in p.status()), None))
        if not check("one of the two is asked to place swap2's three stones", first, f"{host.status()} / {friend.status()}"):
            return
        second = friend if first is host else host
        check("the other is told the first places them", "places three stones" in second.status(), second.status())
        check("the status line says renju and swap2", "Renju." in first.status() and "Swap2" in first.status(), first.status())
        # Black on (9, 9) and (9, 10), white far off; the second player places white's stone,
        # which chooses white; black's (10, 11) and (11, 11) then make (9, 11) a double three.
        plan = [(first, (9, 9), "black"), (first, (2, 2), "white"), (first, (9, 10), "black"),
                (second, (2, 4), "white"), (first, (10, 11), "black"), (second, (2, 6), "white"),
                (first, (11, 11), "black"), (second, (2, 8), "white")]
        def stored():
            """The moves the server has stored, as its .psq record lists them."""
            with urllib.request.urlopen(f"{server.url}games/{game}.psq", timeout=10) as answer:
                return len(re.findall(rb"^\d+,\d+", answer.read(), re.M))
        for n, (mover, point, colour) in enumerate(plan):
            mover.place(*point)
            if not check(f"stone {n + 1}, {colour}'s on {point}, is stored", within(20, lambda: stored() == n + 1),
                         f"{host.status()} / {friend.status()}"):
                return
        check("the first player plays black after the second placed white's stone",
              within(10, lambda: "you play black" in first.status() or "(black)" in first.status()), first.status())
        first.place(9, 11)
        check("black's double three is refused with its reason",
              first.says(r"Black may not play there under renju: a double three", 15), first.status())
        time.sleep(1)
        check("and it is not stored", stored() == len(plan))
        first.place(3, 14)
        check("black's next stone elsewhere is stored", within(20, lambda: stored() == len(plan) + 1))
        host.shot("renju-swap2-online")
        # The records, as the server serves them, open in the desktop game.
        for ending in ("psq", "sgf"):
            with urllib.request.urlopen(f"{server.url}games/{game}.{ending}", timeout=10) as answer:
                text = answer.read()
            path = os.path.join(ARTEFACTS, "work", f"online.{ending}")
            with open(path, "wb") as out:
                out.write(text)
            if ending == "sgf":
                check("the SGF names renju and swap2", b"RU[renju]" in text and b"OP[swap2]" in text, text[:200])
            if GAME:
                shown = subprocess.run(["timeout", "4", GAME, path], cwd=ASSETS, capture_output=True)
                check(f"desktop: /games/ID.{ending} opens in the game", shown.returncode == 124 and not shown.stderr
                      and b"was not opened" not in shown.stdout, shown.stderr.decode("utf-8", "replace")[-300:])
    finally:
        host.quit()
        friend.quit()


def sgf_result(url, game):
    """The RE[...] of the game's record as the server serves it, or ''."""
    with urllib.request.urlopen(f"{url}games/{game}.sgf", timeout=10) as answer:
        found = re.search(rb"RE\[([^\]]*)\]", answer.read())
    return found.group(1).decode() if found else ""


def session_endings(server):
    """Two pages through the server: a draw offered and declined, offered again and agreed; the
    rematch, offered by one and accepted by the other's click, with the colours swapped; a
    resignation in it, which outlives the server killed with SIGKILL."""
    host = Page("ender", 1280, 720)
    guest = Page("guest", 1280, 720)
    try:
        check("ender: the page runs", host.open(server.url))
        host.choose("Play online")
        host.expect("waits for the other player", r"^Waiting for the other player to join")
        link = host.link()
        game = re.search(r"\?game=([a-z0-9]+-[a-z2-7]{16})$", link)
        game = game.group(1) if game else ""
        check("guest: the page runs from the link", guest.open(link))
        for page in (host, guest):
            page.expect("is given a colour", r"Your move \((black|white)\)\.|to move \(you play")
        colours = {colour_of(host): host, colour_of(guest): guest}
        if not check("the two have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
            return
        black, white = colours["black"], colours["white"]
        black.choose("Offer a draw")
        white.expect("is offered a draw", r"Black offers a draw: accept it \(y\) or decline \(n\)\?")
        black.expect("waits for the answer", r"You offered a draw: waiting for the answer\.")
        check(f"{white.name}: the offer's buttons show",
              white.js("return !document.getElementById('online-draw').hidden"))
        white.js("document.getElementById('online-decline-draw').click()")
        black.expect("hears the draw declined", r"The other player declined the draw\.")
        if not play(colours, 0, 1):
            return
        white.choose("Offer a draw")
        black.expect("is offered a draw again", r"White offers a draw: accept it \(y\) or decline \(n\)\?")
        black.js("document.getElementById('online-accept-draw').click()")
        for page in (black, white):
            page.expect("the game is drawn by agreement", r"^Drawn by agreement\.")
        check("the record says drawn: RE[0]", sgf_result(server.url, game) == "0", sgf_result(server.url, game))
        black.shot("endings-drawn")

        # The rematch: black offers it with the panel's button, white accepts with one click.
        check(f"{black.name}: the Rematch button shows",
              within(5, lambda: black.js("return !document.getElementById('online-rematch').hidden")))
        black.js("document.getElementById('online-rematch').click()")
        white.expect("is offered a rematch", r"The other player offers a rematch")
        white.js("document.getElementById('online-rematch').click()")
        moved_on = lambda p: re.fullmatch(r"\?game=[a-z0-9]+-[a-z2-7]{16}", p.js("return location.search")) and \
            p.js("return location.search") != "?game=" + game
        check("both pages go on to the rematch", within(20, lambda: moved_on(black) and moved_on(white)),
              f"{black.js('return location.search')} / {white.js('return location.search')}")
        rematch = black.js("return location.search")[6:]
        check("both are in the same rematch", white.js("return location.search")[6:] == rematch)
        white.expect("plays black in the rematch", r"^Your move \(black\)\.", 20)
        black.expect("plays white in the rematch", r"^Black to move \(you play white\)\.", 20)
        white.shot("endings-rematch")

        # The new white resigns on black's move; the result outlives the server killed.
        black.choose("Resign")
        black.expect("has resigned", r"^You resigned: black wins\.")
        white.expect("wins by the resignation", r"^White resigned: you win \(black\)\.")
        check("the rematch's record says black won by resignation: RE[B+R]",
              sgf_result(server.url, rematch) == "B+R", sgf_result(server.url, rematch))
        server.kill()
        server.start()
        for page in (black, white):
            page.open(f"{server.url}?game={rematch}")
        black.expect("still has resigned after the restart", r"^You resigned: black wins\.", 30)
        white.expect("still has won after the restart", r"^White resigned: you win \(black\)\.", 30)
    finally:
        host.quit()
        guest.quit()


SENT_WATCH = ("if (!window.sentFrames) { window.sentFrames = []; const send = WebSocket.prototype.send;"
              " WebSocket.prototype.send = function(d) { window.sentFrames.push(String(d)); return send.call(this, d); }; }")


def clock_of(page):
    """The panel's clocks: (black's seconds, white's seconds, the words), or None."""
    words = page.js("const c = document.getElementById('online-clock'); return c && !c.hidden ? c.textContent : ''")
    found = re.match(r"Black (\d+):(\d+)(?:\.\d)? - White (\d+):(\d+)(?:\.\d)? \(1\+0\)", words or "")
    if not found:
        return None
    m = [int(g) for g in found.groups()]
    return (60 * m[0] + m[1], 60 * m[2] + m[3], words)


def session_clock(server):
    """A game with a clock between two pages: 1+0 chosen from the menu, both clocks shown and
    counting down on both pages, the side to move's alone; a click out of turn, by either colour,
    refused on the page and never sent; the server killed with SIGKILL and started again gives
    the clocks back within a second; black lets its time run out and loses on both pages, and the
    record says so."""
    host = Page("timed-host", 1280, 720)
    guest = Page("timed-guest", 1280, 720)
    try:
        check("timed-host: the page runs", host.open(server.url))
        host.choose("Online clock: none")
        host.choose("Play online")
        host.expect("waits for the other player", r"^Waiting for the other player to join")
        link = host.link()
        game = re.search(r"\?game=([a-z0-9]+-[a-z2-7]{16})$", link)
        game = game.group(1) if game else ""
        check("timed-guest: the page runs from the link", guest.open(link))
        for page in (host, guest):
            page.expect("is given a colour", r"Your move \((black|white)\)\.|to move \(you play")
        colours = {colour_of(host): host, colour_of(guest): guest}
        if not check("the two have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
            return
        black, white = colours["black"], colours["white"]
        for page in (black, white):
            check(f"{page.name}: shows both clocks", within(5, lambda: clock_of(page)), page.status())
        first = clock_of(black)
        time.sleep(2.5)
        later = clock_of(black)
        check("black's clock counts down, white's stands", later and first and later[0] < first[0] and later[1] == 60,
              f"{first} then {later}")
        for page in (black, white):
            page.js(SENT_WATCH)
        # White clicks on black's move; then black moves and clicks again on white's.
        white.place(*MOVES[1])
        white.expect("a click out of turn is refused here", r"It is the other player's move\.$", 5)
        if not play(colours, 0, 1):
            return
        black.place(*MOVES[2])
        black.expect("black's click out of turn is refused here", r"It is the other player's move\.$", 5)
        for page, mine in ((white, 0), (black, 1)):
            frames = page.js("return window.sentFrames")
            moves = [f for f in frames if '"move"' in f]
            check(f"{page.name}: sent no move out of turn", len(moves) == mine, str(frames))
        check("white's clock runs now, black's stands",
              within(3, lambda: clock_of(white) and clock_of(white)[1] < 60 and clock_of(black)[1] < 60),
              f"{clock_of(white)} / {clock_of(black)}")
        # What white's clock loses: the time it ran before the kill and after the start, never the
        # time the server was down (give or take the heartbeat's second and the whole seconds shown).
        before, read_before = clock_of(white), time.monotonic()
        server.kill()
        killed = time.monotonic()
        time.sleep(3)
        server.start()
        up = time.monotonic()
        for page in (black, white):
            page.expect("is back after the restart", r"to move \(you play|Your move", 30)
        for page in (black, white):
            page.expect("is told the clocks stood still", r"The server was down for \d+ s: the clocks stood still\.", 30)
        after, read_after = clock_of(white), time.monotonic()
        ran = (killed - read_before) + (read_after - up)
        check("the restart gave back the time it was down: white's clock right within a second or two",
              after and before and abs((before[1] - after[1]) - ran) <= 2,
              f"{before} then {after}, {ran:.1f} s of running, {up - killed:.1f} s down")
        white.shot("clock-after-restart")
        if not play(colours, 1, 2):
            return
        # Black lets its clock run out; its last ten seconds warn it.
        check(f"{black.name}: warned in its last ten seconds", within(70, lambda: black.js(
            "return document.getElementById('online-clock').classList.contains('warning')")))
        black.shot("clock-warning")
        black.expect("has lost on time", r"^You ran out of time: white wins\.", 20)
        white.expect("has won on time", r"^Black ran out of time: you win \(white\)\.", 20)
        check("the record says white won on time: RE[W+T]", sgf_result(server.url, game) == "W+T", sgf_result(server.url, game))
        with urllib.request.urlopen(f"{server.url}games/{game}.sgf", timeout=10) as answer:
            sgf = answer.read().decode()
        check("the record has the clock and the time left after each move",
              "TM[60]" in sgf and re.search(r";B\[[a-r]{2}\]MS\[\d+\]BL\[\d", sgf) and
              re.search(r";W\[[a-r]{2}\]MS\[\d+\]WL\[\d", sgf), sgf)
        white.shot("clock-flag")
    finally:
        host.quit()
        guest.quit()


def type_name(page, name):
    """The name typed into the panel's form, as a player types it, and Play pressed."""
    box = within(5, lambda: page.js(
        "const f = document.getElementById('online-name'); if (f.hidden) return null;"
        "const r = document.getElementById('online-name-input').getBoundingClientRect();"
        "return [r.left + r.width / 2, r.top + r.height / 2];"))
    if not box:
        return check(f"{page.name}: the form asks for a name", False, page.status())
    page.mouse(*box)
    field = page.driver.find_element(By.ID, "online-name-input")
    field.clear()
    field.send_keys(name + "\n")
    return True


def session_strangers(server):
    """Strangers: two pages choose "Play someone", each asked for a name the first time (a name
    that would pass for another's refused), and are paired with each other at once; the panel
    names both with their ratings; a third page finds the game on /live and watches it, and the
    players see one watching; the game's five moves both ratings; a page that comes back seeks as
    the same player without being asked its name again."""
    ann = Page("ann", 1280, 720)
    bo = Page("bo", 1280, 720)
    watcher = Page("onlooker", 1280, 720)
    try:
        check("ann: the page runs", ann.open(server.url))
        ann.choose("Play someone")
        type_name(ann, "Ann")
        ann.expect("looks for someone to play", r"^Looking for someone to play \(freestyle, no clock\)")
        check("bo: the page runs", bo.open(server.url))
        bo.choose("Play someone")
        type_name(bo, "ANN")
        check("bo: a name that would pass for another's is refused",
              within(10, lambda: "Another player has that name" in bo.js(
                  "return document.getElementById('online-problem').textContent")), bo.status())
        type_name(bo, "Bo")
        for page in (ann, bo):
            page.expect("is paired and given a colour", r"Your move \((black|white)\)\.|to move \(you play", 20)
        colours = {colour_of(ann): ann, colour_of(bo): bo}
        if not check("the two have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
            return
        players = lambda page: page.js("return document.getElementById('online-players').textContent")
        for page in (ann, bo):
            check(f"{page.name}: the panel names both players with their ratings",
                  within(5, lambda: re.fullmatch(r"Black: (Ann|Bo) \(1500\) - White: (Ann|Bo) \(1500\)", players(page))),
                  players(page))
        ann.shot("strangers-paired")
        # The onlooker finds the game on the list of live games and clicks it.
        watcher.driver.get(server.url + "live")
        box = within(10, lambda: watcher.js(
            "const a = [...document.querySelectorAll('a[href^=\"/?game=\"]')].find(a => /Ann/.test(a.textContent));"
            "if (!a) return null; const r = a.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];"))
        watcher.shot("live-games")
        if check("onlooker: /live lists the game with its players", box):
            watcher.mouse(*box)
            check("onlooker: the page runs from the list", within(60, lambda: watcher.js(
                "return typeof state == 'string' && state == 'running'")))
            watcher.expect("watches the game", r"to move \(you are watching\)", 20)
            for page in (ann, bo):
                check(f"{page.name}: sees one watching", within(10, lambda: players(page).endswith(" - 1 watching")),
                      players(page))
        if not play(colours, 0, len(MOVES)):
            return
        winner = colours["black"].name
        for page in (ann, bo):
            check(f"{page.name}: the five moved both ratings",
                  within(10, lambda: re.search(r"\(1[6-9]\d\d\).*\(1[0-4]\d\d\)|\(1[0-4]\d\d\).*\(1[6-9]\d\d\)", players(page))),
                  players(page))
        colours["black"].shot("strangers-rated")
        # Ann comes back: "Play someone" seeks as Ann at once.
        ann.open(server.url)
        ann.choose("Play someone")
        ann.expect("seeks as the same player, not asked again", r"^Looking for someone to play.*You play as Ann \(1[0-9]{3}\)\.", 15)
        check("ann: no form asked for the name", ann.js("return document.getElementById('online-name').hidden"))
        print(f"note: {winner} played black and won", flush=True)
    finally:
        ann.quit()
        bo.quit()
        watcher.quit()


def session_other_machine(url):
    """Run on another machine than the server's (tests/online/machines.py runs it in a network
    namespace of its own): the page loaded from the server's address gives a link with that
    address, and two pages play a game through it."""
    host = Page("far-host", 1280, 720)
    friend = Page("far-friend", 1280, 720)
    try:
        check("far-host: the page runs from the server's address", host.open(url))
        host.choose("Play online")
        host.expect("waits for the other player", r"^Waiting for the other player to join")
        link = host.link()
        check("far-host: the link is made from the server's address, not the loopback's",
              re.fullmatch(re.escape(url) + r"\?game=[a-z0-9]+-[a-z2-7]{16}", link) and "127.0.0.1" not in link, link)
        host.shot("other-machine-link")
        check("far-friend: the page runs from the link", friend.open(link))
        for page in (host, friend):
            page.expect("is given a colour", r"Your move \((black|white)\)\.|to move \(you play")
        colours = {colour_of(host): host, colour_of(friend): friend}
        if check("the two have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
            check("a game to a five is played through the link", play(colours, 0, len(MOVES)))
            colours["black"].expect("has won", r"^You win \(black\)")
    finally:
        host.quit()
        friend.quit()


def main():
    remote = os.environ.get("GOMOKU_REMOTE_SERVER")
    if remote:
        session_other_machine(remote)
        finish()
    server = GameServer(SERVER, os.path.join(ARTEFACTS, "work", "games.sqlite"), os.path.join(ARTEFACTS, "server.log"), WEB)
    server.start()
    try:
        session_pages(server)
        session_renju_swap2(server)
        session_endings(server)
        session_clock(server)
        session_strangers(server)
        if GAME:
            session_desktop(server)
    finally:
        server.stop()
    finish()


if __name__ == "__main__":
    main()
