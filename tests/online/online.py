#!/usr/bin/python3
"""End to end, online: the real gomoku3d-server (started here on a free port with a database of
its own) and the page in headless Chromium driven with Selenium, one browser for each person,
and the desktop game joining under Xvfb. Run by tests/online/run.sh, which starts the X server:

    online.py SERVER WEB_DIR ARTEFACTS [GAME ASSETS_DIR]

The sessions: two pages play a whole game to a five through the link, one with the mouse and one
as a phone by touch, while a third page watches; the wrong side, the watcher and a finger that
slides away move nothing; a reload and a new tab keep the seat; the server killed with SIGKILL
and started again loses no move either page saw stored, and both go on. Then the desktop game
joins a page's game with --join and the two finish a game, the desktop's stones placed by
xdotool clicks; the desktop game started again keeps its seat. Last, with the server gone,
"Play online" says that no server answered. Pictures of each page and of the desktop window stay in ARTEFACTS.
Ends with "N passed, M failed"."""

import base64
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.actions import interaction
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.pointer_input import PointerInput

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from browser import FLAGS  # noqa: E402 (tools/browser.py, the page's other tests' browser)

SERVER, WEB, ARTEFACTS = sys.argv[1:4]
GAME, ASSETS = (sys.argv[4:6] + [None, None])[:2]
os.makedirs(ARTEFACTS, exist_ok=True)
passed = failed = 0


STARTED = time.monotonic()


def check(what, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print(f"ok: {what} ({time.monotonic() - STARTED:.0f} s)", flush=True)
    else:
        failed += 1
        print("FAIL:", what, detail, flush=True)
    return ok


def within(seconds, condition, step=0.2):
    """The condition's first true value within the time, or its last false one."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


# --- The server ------------------------------------------------------------------------------

class GameServer:
    """gomoku3d-server on the loopback, its database in ARTEFACTS' work folder."""

    def __init__(self):
        self.database = os.path.join(ARTEFACTS, "work", "games.sqlite")
        os.makedirs(os.path.dirname(self.database), exist_ok=True)
        self.port = 0
        self.process = None
        self.log = open(os.path.join(ARTEFACTS, "server.log"), "ab")

    def start(self):
        self.process = subprocess.Popen(
            [SERVER, "--db", self.database, "--web", WEB, "--port", str(self.port)],
            stdout=subprocess.PIPE, stderr=self.log)
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


# --- Pictures --------------------------------------------------------------------------------

def png_pixels(data):
    """Width, height and the rows of (r, g, b) of an 8-bit RGB or RGBA PNG, as Chromium writes."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6) and body[12] == 0, "an 8-bit, not interlaced PNG"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    size = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(idat), width * size, [], bytearray(width * size)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - size] if i >= size else 0
            up, corner = previous[i], previous[i - size] if i >= size else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(line[x * size:x * size + 3]) for x in range(width)])
        previous = line
    return width, height, rows


# --- The pages -------------------------------------------------------------------------------

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


class Page:
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

    def says(self, pattern, seconds=15):
        return within(seconds, lambda: re.search(pattern, self.status()))

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
        width, height, rows = png_pixels(base64.b64decode(shot["data"]))
        samples = []
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1), (0.7, 0.7), (-0.7, -0.7), (0.7, -0.7), (-0.7, 0.7)):
            px = min(width - 1, max(0, int(width / 2 + dx * r * width / (4 * r))))
            py = min(height - 1, max(0, int(height / 2 + dy * r * height / (4 * r))))
            samples.append(sum(rows[py][px]) / 3)
        samples.sort()
        light = samples[len(samples) // 2]
        return "black" if light < 45 else "white" if light > 150 else "none"

    def shot(self, name):
        with open(os.path.join(ARTEFACTS, f"{name}.png"), "wb") as out:
            out.write(base64.b64decode(self.cdp("Page.captureScreenshot", format="png")["data"]))

    def quit(self):
        try:
            self.driver.quit()
        except Exception:
            pass


def in_view(page):
    """Whether the status line and the online panel's link and buttons are all in the viewport."""
    return page.js("return ['status', 'online-link', 'online-copy', 'online-leave'].every(id => {"
                   " const r = document.getElementById(id).getBoundingClientRect();"
                   " return r.height > 0 && r.top >= 0 && r.bottom <= innerHeight && r.right <= innerWidth; })")


def colour_of(page):
    found = re.search(r"Your move \((black|white)\)|you play (black|white)", page.status())
    return found and (found.group(1) or found.group(2))


def stones_shown(page, moves, what):
    """Each move's stone on the page, black's first, within five seconds: a page just loaded
    draws the game's moves on a frame after the one that says its colour. Names the points that
    are still wrong, with what stands on each."""
    def wrong():
        found = [page.stone(*move) for move in moves]
        return [f"{move} {stone}" for i, (move, stone) in enumerate(zip(moves, found))
                if stone != ("black" if i % 2 == 0 else "white")]
    deadline, left = time.time() + 5, wrong()
    while left and time.time() < deadline:
        time.sleep(0.2)
        left = wrong()
    return check(f"{page.name}: {what}: the {len(moves)} stones stand where they were played", not left,
                 ", ".join(left))


# Black's five along row 5 and white's four along row 8, in the order they are played.
MOVES = [(5, 5), (8, 5), (5, 6), (8, 6), (5, 7), (8, 7), (5, 8), (8, 8), (5, 9)]


def play(pages_by_colour, moves, start, end, others=()):
    """Plays moves[start:end], each by the page of the side to move, and waits for it to be
    stored: the mover's status turns to the other side. False on the first that does not."""
    for n in range(start, end):
        side = "black" if n % 2 == 0 else "white"
        mover, other = pages_by_colour[side], pages_by_colour["white" if side == "black" else "black"]
        mover.place(*moves[n])
        last = n == len(MOVES) - 1
        if not mover.says(r"You win" if last else r"to move \(you play", 20):
            return check(f"move {n + 1} {moves[n]} by {mover.name} is stored", False, mover.status())
        if not other.says(r"wins" if last else r"Your move", 20):
            return check(f"move {n + 1} reaches {other.name}", False, other.status())
    return True


# --- The sessions ----------------------------------------------------------------------------

def session_pages(server):
    laptop = Page("laptop", 1280, 633)
    phone = Page("phone", 390, 844, 3, touch=True)
    watcher = Page("watcher", 1024, 700)
    try:
        # The game made, and its link.
        check("laptop: the page runs", laptop.open(server.url))
        laptop.choose("Play online")
        check("laptop: waits for the other player",
              laptop.says(r"^Waiting for the other player to join\.$"), laptop.status())
        link = laptop.link()
        game = re.search(r"\?game=([a-z0-9]+-[a-z2-7]{16})$", link)
        check("laptop: shows the link to the game", link.startswith(server.url) and game, link)
        game = game.group(1) if game else ""
        check("laptop: its address is the game's, for a reload", laptop.js("return location.search") == "?game=" + game)
        secret = laptop.js(f"return localStorage.getItem('gomoku3d.seat.{game}')") or ""
        check("laptop: keeps the seat's secret in the browser's storage", re.fullmatch(r"[0-9a-f]{32}", secret), secret)
        check("laptop: the secret is not in the link", secret not in link)
        check("laptop: the link, its buttons and the status line are in view", in_view(laptop))
        laptop.shot("laptop-waiting-with-link")
        # The second player, by the link; then a watcher.
        check("phone: the page runs from the link", phone.open(link))
        check("phone: is given a colour", phone.says(r"Your move \((black|white)\)\.|to move \(you play"), phone.status())
        check("laptop: is told its colour", laptop.says(r"Your move \((black|white)\)\.|to move \(you play"),
              laptop.status())
        colours = {colour_of(laptop): laptop, colour_of(phone): phone}
        check("the two players have the two colours", set(colours) == {"black", "white"}, str(list(colours)))
        if set(colours) != {"black", "white"}:
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
        check("watcher: watches", watcher.says(r"^Black to move \(you are watching\)\.$"), watcher.status())

        # Nothing moves for the wrong side or the watcher. (Each page draws the cursor stone where
        # its own pointer or finger last was: the points are looked at on the other pages.)
        white.place(2, 2)
        check(f"{white.name}: white's click on black's turn is refused here",
              white.says(r"It is the other player's move\.$", 5), white.status())
        watcher.place(2, 3)
        check("watcher: a watcher's click moves nothing",
              watcher.says(r"You are watching: only the two players move\.$", 5), watcher.status())
        time.sleep(1)
        check("black is still to move", black.says(r"^Your move \(black\)\.", 2), black.status())
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
        if not play(colours, MOVES, 0, 1):
            return
        if phone is white:
            slide()
        if not play(colours, MOVES, 1, 3):
            return
        stones_shown(white, MOVES[:3], "the other player's moves")
        stones_shown(watcher, MOVES[:3], "the watcher sees the moves")
        laptop_colour = colour_of(laptop)
        laptop.driver.refresh()
        laptop.cells = None
        check("laptop: reloaded, it comes back to its seat", within(60, lambda: colour_of(laptop) == laptop_colour),
              laptop.status())
        stones_shown(laptop, MOVES[:3], "after the reload")
        laptop.driver.switch_to.new_window("tab")
        laptop.open(link)
        check("laptop: a new tab of the same browser is the same player",
              within(20, lambda: colour_of(laptop) == laptop_colour), laptop.status())
        laptop.driver.close()
        laptop.driver.switch_to.window(laptop.driver.window_handles[0])
        laptop.cells = None

        # The server killed in the middle of the game, and started again.
        if not play(colours, MOVES, 3, 5):
            return
        server.kill()
        for page in (laptop, phone):
            check(f"{page.name}: says the connection is lost", page.says(r"^Connection lost, trying again…$", 10),
                  page.status())
        phone.shot("phone-connection-lost")
        time.sleep(1)
        server.start()
        for page in (laptop, phone, watcher):
            check(f"{page.name}: back in the game after the restart",
                  page.says(r"^(Your move \(|White to move \(you play|White to move \(you are)", 30), page.status())
        stones_shown(phone, MOVES[:5], "after the server's restart")
        stones_shown(watcher, MOVES[:5], "after the server's restart")

        # To the five. Once it is made the winner's banner covers part of the board: the stones
        # are looked at before.
        if not play(colours, MOVES, 5, len(MOVES) - 1):
            return
        for page in (laptop, phone, watcher):
            stones_shown(page, MOVES[:-1], "the whole game")
        if not play(colours, MOVES, len(MOVES) - 1, len(MOVES)):
            return
        check(f"{black.name}: black has won", black.says(r"^You win \(black\)\.$"), black.status())
        check(f"{white.name}: white hears it", white.says(r"^Black wins \(you played white\)\.$"), white.status())
        check("watcher: sees it", watcher.says(r"^Black wins\.$"), watcher.status())
        laptop.shot("laptop-black-won")
        phone.shot("phone-over")
        layout = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../web/checks.js")).read()
        for page in (laptop, phone):
            wrong = page.js(layout + "; return layout();")
            check(f"{page.name}: the page with the online panel still fits its viewport", not wrong, wrong)

        # Leaving: back to local play.
        phone.choose("Leave online game")
        check("phone: leaving returns to local play", phone.says(r"^Black to move\.$", 10), phone.status())
        check("phone: its address names no game", phone.js("return location.search") == "")
    finally:
        for page in (laptop, phone, watcher):
            page.quit()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


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
        check("host: waits for the other player", page.says(r"^Waiting for the other player to join"), page.status())
        link = page.link()

        def start():
            out = open(os.path.join(ARTEFACTS, "desktop.stdout"), "ab")
            process = subprocess.Popen([GAME, "--join", link], cwd=ASSETS, env=env, stdout=out,
                                       stderr=open(os.path.join(ARTEFACTS, "desktop.stderr"), "ab"))
            window = within(60, lambda: process.poll() is None and xdotool("search", "--onlyvisible", "--name", "^Game"))
            return process, window.split("\n")[0] if window else ""

        def title():
            return xdotool("getwindowname", window)

        game, window = start()
        check("desktop: opens its window", window)
        check("desktop: its title says its colour",
              within(20, lambda: re.search(r"^Game - (Your move \((black|white)\)|(Black|White) to move \(you play)", title())),
              title())
        desktop = "black" if re.search(r"\(black\)|you play black", title()) else "white"
        check("host: the page has the other colour", page.says(r"\(white\)|you play white" if desktop == "black"
                                                               else r"\(black\)|you play black"), page.status())
        seat = [f for f in os.listdir(os.path.join(state, "gomoku3d"))] if os.path.isdir(os.path.join(state, "gomoku3d")) else []
        check("desktop: keeps its seat in $XDG_STATE_HOME/gomoku3d/, for its owner alone",
              len(seat) == 1 and os.stat(os.path.join(state, "gomoku3d", seat[0])).st_mode & 0o077 == 0, str(seat))

        class Desktop:
            """The desktop game as a player: clicks in its window, its title for a status line."""
            name = "desktop"

            def place(self, row, col):
                # The window shows the board as the page's canvas does, at 800 x 600.
                x, y = page.cell(row, col)[2:]
                scale = 800 / page.js("return canvas.width")
                xdotool("mousemove", "--window", window, str(round(x * scale)), str(round(y * scale)), "click", "1")

            def status(self):
                return re.sub(r"^Game - ", "", title())

            def says(self, pattern, seconds=15):
                return within(seconds, lambda: re.search(pattern, self.status()))

        sides = {desktop: Desktop(), "white" if desktop == "black" else "black": page}
        played = play(sides, MOVES, 0, 4)
        check("desktop: its moves and the page's are stored", played)
        if played:
            stones_shown(page, MOVES[:4], "the desktop's moves")
            subprocess.run(["xwd", "-silent", "-id", window, "-out", os.path.join(ARTEFACTS, "desktop-online.xwd")])
            # The desktop game ends and starts again: the same seat.
            game.terminate()
            game.wait(10)
            game, window = start()
            check("desktop: started again, it has its seat back",
                  within(30, lambda: re.search(rf"\({desktop}\)|you play {desktop}", title())), title())
            played = play(sides, MOVES, 4, len(MOVES) - 1)
            stones_shown(page, MOVES[:-1], "the whole game with the desktop")
            played = played and play(sides, MOVES, len(MOVES) - 1, len(MOVES))
            check("desktop: the game is played to its five", played)
        winner, loser = sides["black"], sides["white"]
        check("black wins on both sides", winner.says(r"You win \(black\)") and loser.says(r"Black wins \(you played white\)"),
              f"{winner.status()} / {loser.status()}")
        out = open(os.path.join(ARTEFACTS, "desktop.stdout"), "rb").read()
        check("desktop: its console has the status lines after the nine",
              b"Your move (" in out and re.search(rb"\nYou win \(black\)\.\n|\nBlack wins \(you played white\)\.\n", out),
              out[-300:].decode("big5", "replace"))
        # Without a server, "Play online" says so.
        server.stop()
        page.choose("Play online")
        said = within(15, lambda: page.js("return document.getElementById('online-problem').textContent"))
        check("host: with no game server to answer, \"Play online\" says so",
              said == "Online play needs the game's own server, and none answered here.", said)
        check("host: and the game is a local one again", page.says(r"^Black to move\.$", 5), page.status())
    finally:
        page.quit()
        if game and game.poll() is None:
            game.terminate()
            game.wait(10)


def main():
    server = GameServer()
    server.start()
    try:
        session_pages(server)
        if GAME:
            session_desktop(server)
    finally:
        server.stop()
    print(f"{passed} passed, {failed} failed")
    sys.exit(failed > 0)


if __name__ == "__main__":
    main()
