#!/usr/bin/python3
"""A headless Chromium driven through Selenium and chromedriver, for the page's tests and
benchmarks, which are shell scripts: one process holds the browser and takes commands over a
Unix socket, one command a call.

  browser.py serve SOCKET STATE_DIR [FLAG...]
                              starts Chromium with the flags of tools/browser.sh and these, a
                              fresh profile in STATE_DIR/profile, and answers commands on SOCKET
                              until it is stopped (SIGTERM) or told "quit"
  browser.py SOCKET COMMAND [ARG...]   one command to it:
    open URL                  loads URL; startUpProbe (below) is in every page
    eval EXPRESSION           prints the expression's value as JSON (promises awaited)
    keys KEY...               presses and releases each key (xdotool's names: a, space, Left,
                              Tab, Return, F5; ctrl+r with Ctrl held)
    click X Y BUTTON          a press and release at X, Y of the canvas (left or right)
    hover X Y                 the mouse moved to X, Y of the canvas, no button pressed
    tap X Y [MS]              a finger on X, Y of the canvas, lifted at once or after MS ms
    drag X Y DX DY            a finger put on X, Y of the canvas, moved by DX, DY in ten steps,
                              and lifted
    press WHAT DX DY [mouse]  a finger (or the left mouse button) put on the middle of WHAT,
                              moved by DX, DY in ten steps, and lifted: WHAT is a CSS selector
                              (#id, .class), the label of a shown menu entry, or X,Y of the
                              viewport
    emulate [WIDTH HEIGHT [RATIO [touch]]]   a viewport of WIDTH x HEIGHT at a device pixel
                              ratio (1), with a touch screen if asked; without arguments the
                              browser's own again
    choose LABEL              a left click on the shown menu entry LABEL
    text SELECTOR             the text of the element SELECTOR, as it stands
    shot FILE.png [SELECTOR]  the canvas (or the element SELECTOR, or :viewport, all that is in
                              view) as the player sees it, as a PNG in the page's (CSS) pixels
    watch URL SECONDS [block=FILE]... [throttle=KBIT/S,LATENCY_MS] [quiet=S]
                              loads URL afresh (no cache), with each FILE's request failing as a
                              lost connection does, over a throttled network if asked; for
                              SECONDS (or until the page has been quiet for S seconds) prints,
                              with the seconds since the load began, each change of what the
                              page says ("1.25 status Loading…", "2.50 problem ...") or whether
                              its Menu button can be pressed ("0.10 menu-button disabled"), and
                              each exception nobody caught ("3.00 exception ...")
    downloads FOLDER          what the page downloads from now on goes into FOLDER, unasked
    upload SELECTOR FILE...   the files chosen in the file input SELECTOR, as the player would
                              in the browser's file chooser (the input may be hidden)
    before [SCRIPT]           SCRIPT run in each page loaded from now on, before the page's
                              own scripts (as startUpProbe is); without it, none any more
    quit                      ends the browser and the server

WebDriver does what it has: loading, scripts, the mouse, the console's log. What it lacks goes
to Chromium's DevTools protocol through the driver (execute_cdp_cmd): keys as the browser's own
shortcuts see them (a WebDriver F5 reloads nothing), a finger whose events come when they are
sent, screen emulation, network conditions, the cache, blocked requests and screenshots in CSS
pixels.
"""
import base64
import json
import os
import signal
import socket
import socketserver
import sys
import time

# Put in each page, before its own scripts: window.startUpProbe.ticks counts how often a 10 ms
# timer of the page fires between the game's first console text (the page decodes Big5) and its
# frame loop's start (the first animation frame asked for): the start-up's pauses, if they let
# the page go on.
START_UP_PROBE = """(() => {
  const probe = window.startUpProbe = {ticks: 0, started: false, ended: false};
  setInterval(() => { if (probe.started && !probe.ended) probe.ticks++; }, 10);
  const decode = TextDecoder.prototype.decode;
  TextDecoder.prototype.decode = function (...args) {
    if (this.encoding === 'big5') probe.started = true;
    return decode.apply(this, args);
  };
  const animationFrame = window.requestAnimationFrame;
  window.requestAnimationFrame = function (callback) {
    if (probe.started) probe.ended = true;
    return animationFrame.call(window, callback);
  };
})();"""

# Chromium's flags (tools/browser.sh says why each is there).
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--window-size=1400,900"]

# Key name: (DOM key, DOM code, Windows virtual key code, text it types)
KEYS = {"space": (" ", "Space", 32, " "), "Escape": ("Escape", "Escape", 27, ""),
        "Left": ("ArrowLeft", "ArrowLeft", 37, ""), "Up": ("ArrowUp", "ArrowUp", 38, ""),
        "Right": ("ArrowRight", "ArrowRight", 39, ""), "Down": ("ArrowDown", "ArrowDown", 40, ""),
        "Home": ("Home", "Home", 36, ""), "End": ("End", "End", 35, ""),
        "Page_Up": ("PageUp", "PageUp", 33, ""), "Page_Down": ("PageDown", "PageDown", 34, ""),
        "Tab": ("Tab", "Tab", 9, ""), "F5": ("F5", "F5", 116, ""), "Return": ("Enter", "Enter", 13, "\r")}
for letter in "abcdefghijklmnopqrstuvwxyz":
    KEYS[letter] = (letter, "Key" + letter.upper(), ord(letter.upper()), letter)

# The middle of the element a press aims at, in the viewport: a selector, or a menu entry's label.
MIDDLE = """const what = arguments[0];
if (/^[\d.]+,[\d.]+$/.test(what)) return what.split(',').map(Number);
const e = /^[#.]/.test(what) ? document.querySelector(what) :
    [...document.querySelectorAll('[role=menuitem]')].find(e => e.textContent == what && e.offsetParent);
if (!e) return null;
e.scrollIntoView({block: 'nearest'}); // a menu taller than the page scrolls, as a player scrolls it
const r = e.getBoundingClientRect();
return [r.left + r.width / 2, r.top + r.height / 2];"""


class Failure(Exception):
    """A command that cannot be done: said on the client's standard error, status 1."""


class Browser:
    def __init__(self, state, flags):
        # Imported here: a client call needs none of it, and starts the faster.
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS + [f"--user-data-dir={state}/profile"] + flags:
            options.add_argument(flag)
        options.page_load_strategy = "none"  # a page's load is waited for by what it shows
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver",
                                                       log_path=f"{state}/chromedriver.log"),
                                       options=options)
        self.cdp("Page.enable")
        self.cdp("Page.addScriptToEvaluateOnNewDocument", source=START_UP_PROBE)
        self.cdp("Network.enable")
        self.before = None  # the identifier of the script of "before"

    def cdp(self, method, **params):
        return self.driver.execute_cdp_cmd(method, params)

    def evaluate(self, expression):
        # A global eval: declarations stay in the page, the last statement's value is the result.
        return self.driver.execute_script("return (0, eval)(arguments[0])", expression)

    def box(self, selector):
        """The element's left, top, width and height in the viewport."""
        box = self.driver.execute_script(
            "const e = document.querySelector(arguments[0]); if (!e) return null;"
            " const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];", selector)
        if box is None:
            raise Failure(f"no element {selector}")
        return box

    def actions(self, kind):
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        from selenium.webdriver.common.actions.pointer_input import PointerInput
        builder = ActionBuilder(self.driver, mouse=PointerInput(kind, kind), duration=0)
        return builder, builder.pointer_action

    def stroke(self, kind, x, y, dx=0.0, dy=0.0, hold_ms=0, button=0):
        """A press at x, y of the viewport, moved by dx, dy in ten steps, and lifted. A finger's
        events go through DevTools: chromedriver's touch actions leave up to 0.6 s between
        them on a busy machine, which the page takes for a long press."""
        if kind == "touch":
            self.cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=[dict(x=x, y=y)])
            for step in range(1, 11 if dx or dy else 1):
                self.cdp("Input.dispatchTouchEvent", type="touchMove",
                         touchPoints=[dict(x=x + dx * step / 10, y=y + dy * step / 10)])
            time.sleep(hold_ms / 1000)
            self.cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
            return
        builder, pointer = self.actions(kind)
        pointer.move_to_location(round(x), round(y)).pointer_down(button)
        if dx or dy:
            for step in range(1, 11):
                pointer.move_to_location(round(x + dx * step / 10), round(y + dy * step / 10))
        if hold_ms:
            pointer.pause(hold_ms / 1000)
        pointer.pointer_up(button)
        builder.perform()

    def run(self, command, *args):
        """What the command prints."""
        if command == "open":
            self.driver.get(args[0])
            deadline = time.monotonic() + 10
            while self.evaluate("location.href") != args[0]:
                if time.monotonic() > deadline:
                    raise Failure(f"{args[0]} was not opened")
                time.sleep(0.05)
        elif command == "eval":
            return json.dumps(self.evaluate(args[0]), ensure_ascii=False) + "\n"
        elif command == "keys":
            for name in args:
                ctrl = name.startswith("ctrl+")
                if (name[5:] if ctrl else name) not in KEYS:
                    raise Failure(f"unknown key {name}")
                key, code, virtual, text = KEYS[name[5:] if ctrl else name]
                if ctrl:
                    text = ""  # Ctrl with a letter types nothing
                common = dict(key=key, code=code, windowsVirtualKeyCode=virtual,
                              nativeVirtualKeyCode=virtual, modifiers=2 if ctrl else 0)
                self.cdp("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown",
                         text=text, **common)
                self.cdp("Input.dispatchKeyEvent", type="keyUp", **common)
        elif command in ("click", "hover", "tap", "drag"):
            left, top, _, _ = self.box("canvas")
            x, y = left + float(args[0]), top + float(args[1])
            if command == "click":
                self.stroke("mouse", x, y, button=2 if args[2] == "right" else 0)
            elif command == "hover":
                builder, pointer = self.actions("mouse")
                pointer.move_to_location(round(x), round(y))
                builder.perform()
            elif command == "tap":
                self.stroke("touch", x, y, hold_ms=float(args[2]) if len(args) > 2 else 0)
            else:
                self.stroke("touch", x, y, float(args[2]), float(args[3]))
        elif command in ("press", "choose"):
            middle = self.driver.execute_script(MIDDLE, args[0])
            if middle is None:
                raise Failure(f"no {args[0]!r} is shown")
            if command == "choose":
                self.stroke("mouse", *middle)
            else:
                self.stroke("mouse" if args[3:4] == ["mouse"] else "touch", *middle,
                            float(args[1]), float(args[2]))
        elif command == "emulate":
            if not args:
                self.cdp("Emulation.clearDeviceMetricsOverride")
                self.cdp("Emulation.setTouchEmulationEnabled", enabled=False)
                return
            touch = "touch" in args[3:]
            self.cdp("Emulation.setDeviceMetricsOverride", width=int(args[0]), height=int(args[1]),
                     deviceScaleFactor=float(args[2]) if len(args) > 2 else 1, mobile=touch)
            self.cdp("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5)
        elif command == "text":
            text = self.driver.execute_script(
                "const e = document.querySelector(arguments[0]); return e && e.textContent;", args[0])
            if text is None:
                raise Failure(f"no element {args[0]}")
            return text
        elif command == "shot":
            if args[1:2] == (":viewport",):
                left, top, width, height = 0, 0, *self.evaluate("[innerWidth, innerHeight]")
            else:
                left, top, width, height = self.box(args[1] if len(args) > 1 else "canvas")
            # The clip's scale counts device pixels: one CSS pixel a pixel is 1 / the ratio.
            shot = self.cdp("Page.captureScreenshot", format="png", clip=dict(
                x=left, y=top, width=width, height=height, scale=1 / self.evaluate("devicePixelRatio")),
                captureBeyondViewport=False)
            with open(args[0], "wb") as out:
                out.write(base64.b64decode(shot["data"]))
        elif command == "watch":
            return self.watch(*args)
        elif command == "downloads":
            os.makedirs(args[0], exist_ok=True)
            self.cdp("Browser.setDownloadBehavior", behavior="allow", downloadPath=os.path.abspath(args[0]))
        elif command == "upload":
            from selenium.webdriver.common.by import By
            # chromedriver takes the names of the files to choose as the keys typed into the input.
            self.driver.find_element(By.CSS_SELECTOR, args[0]).send_keys(
                "\n".join(os.path.abspath(name) for name in args[1:]))
        elif command == "before":
            if self.before is not None:
                self.cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=self.before)
                self.before = None
            if args and args[0]:
                self.before = self.cdp("Page.addScriptToEvaluateOnNewDocument", source=args[0])["identifier"]
        else:
            raise Failure(f"unknown command {command}")
        return ""

    def watch(self, url, seconds, *options):
        settings = [option.split("=", 1) for option in options]
        blocked = [f"*/{value}" for name, value in settings if name == "block"]
        throttle = next((value for name, value in settings if name == "throttle"), None)
        quiet = float(next((value for name, value in settings if name == "quiet"), seconds))
        self.cdp("Network.setCacheDisabled", cacheDisabled=True)
        self.cdp("Network.setBlockedURLs", urls=blocked)
        if throttle:
            kbits, latency = throttle.split(",")
            self.cdp("Network.emulateNetworkConditions", offline=False, latency=float(latency),
                     downloadThroughput=float(kbits) * 1000 / 8, uploadThroughput=-1)
        self.evaluate("window.leaving = true")  # the page before the new one says nothing here
        self.driver.get_log("browser")  # what was logged before
        lines, said = [], {}
        try:
            start = last = time.monotonic()
            self.driver.get(url)
            while time.monotonic() - start < float(seconds) and time.monotonic() - last < quiet:
                now = f"{time.monotonic() - start:.2f}"
                try:
                    texts = self.evaluate("window.leaving || !document.getElementById('problem') ? null :"
                                          " ['status', 'problem'].map(id => document.getElementById(id).textContent)"
                                          ".concat(document.getElementById('menu-button').disabled ? 'disabled' : 'enabled')")
                except Exception:  # between two pages
                    texts = None
                for where, text in zip(("status", "problem", "menu-button"), texts or ()):
                    if said.get(where) != text:
                        said[where], last = text, time.monotonic()
                        lines.append(f"{now} {where} {text}")
                # An exception that no handler took is logged by the browser as "Uncaught ...".
                for entry in self.driver.get_log("browser"):
                    if entry["source"] == "javascript" and "Uncaught" in entry["message"]:
                        last = time.monotonic()
                        text = entry["message"].split("Uncaught", 1)[1].strip()
                        lines.append(f"{now} exception {text.splitlines()[0]}")
                time.sleep(0.05)
        finally:
            self.cdp("Network.setBlockedURLs", urls=[])
            self.cdp("Network.setCacheDisabled", cacheDisabled=False)
            self.cdp("Network.emulateNetworkConditions", offline=False, latency=0,
                     downloadThroughput=-1, uploadThroughput=-1)
        return "".join(line + "\n" for line in lines)


def serve(path, state, *flags):
    os.makedirs(state, exist_ok=True)
    browser = Browser(state, list(flags))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    class Handler(socketserver.StreamRequestHandler):
        def handle(self):
            args = json.loads(self.rfile.readline())
            answer = {"out": "", "error": ""}
            try:
                if args == ["quit"]:
                    self.server.stopping = True
                else:
                    answer["out"] = browser.run(*args) or ""
            except Failure as failure:
                answer["error"] = str(failure)
            except Exception as error:  # the driver's, or a page's script that threw
                answer["error"] = f"{type(error).__name__}: {str(error).splitlines()[0] if str(error) else ''}"
            self.wfile.write(json.dumps(answer).encode() + b"\n")

    if os.path.exists(path):
        os.unlink(path)
    server = socketserver.UnixStreamServer(path, Handler)
    server.stopping = False
    try:
        with open(f"{state}/ready", "w") as ready:
            ready.write(str(os.getpid()))
        while not server.stopping:
            server.handle_request()
    finally:
        browser.driver.quit()
        os.unlink(path)


def call(path, *args):
    with socket.socket(socket.AF_UNIX) as connection:
        connection.connect(path)
        connection.sendall(json.dumps(args).encode() + b"\n")
        answer = json.loads(connection.makefile("rb").readline())
    sys.stdout.buffer.write(answer["out"].encode())
    if answer["error"]:
        sys.exit(f"browser.py {args[0]}: {answer['error']}")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    if sys.argv[1] == "serve":
        serve(*sys.argv[2:])
    else:
        call(*sys.argv[1:])
