#!/usr/bin/env python3
"""Drives the page in a headless Chromium over the DevTools protocol, one command a call:

  cdp.py PORT open URL            loads URL in the browser's page, with startUpProbe (below)
  cdp.py PORT eval EXPRESSION     prints the expression's value as JSON (promises awaited)
  cdp.py PORT keys KEY...         presses and releases each key (xdotool's names: a, space, Left,
                                  Tab, Return, F5; ctrl+r with Ctrl held)
  cdp.py PORT click X Y BUTTON    a press and release at X, Y of the canvas (left or right)
  cdp.py PORT hover X Y           the mouse moved to X, Y of the canvas, no button pressed
  cdp.py PORT tap X Y [MS]        a finger on X, Y of the canvas, lifted at once or after MS ms
  cdp.py PORT drag X Y DX DY      a finger put on X, Y of the canvas, moved by DX, DY in ten
                                  steps, and lifted
  cdp.py PORT emulate WIDTH HEIGHT [RATIO [touch]]  a viewport of WIDTH x HEIGHT at a device
                                  pixel ratio (1), with a touch screen if asked: prints "ready"
                                  and holds it until ended (the browser forgets it then)
  cdp.py PORT choose LABEL        a left click on the shown menu entry LABEL
  cdp.py PORT text SELECTOR       the text of the element SELECTOR, as it stands
  cdp.py PORT shot FILE.png [SELECTOR]  the canvas (or the element SELECTOR) as the player
                                  sees it, as a PNG in the page's (CSS) pixels
  cdp.py PORT watch URL SECONDS [FILE=404|FILE=failed]... [throttle=KBIT/S,LATENCY_MS] [quiet=S]
                                  loads URL afresh (no cache), answering each FILE with a 404 or a
                                  network failure, over a throttled network if asked; for SECONDS
                                  (or until the page has been quiet for S seconds) prints, with the
                                  seconds since the load began, each change of what the page says
                                  ("1.25 status Loading…", "2.50 problem ...") and each exception
                                  nobody caught ("3.00 exception ...")

PORT is Chromium's --remote-debugging-port. Only the Python standard library is used.
"""
import base64
import json
import os
import signal
import socket
import struct
import sys
import time
import urllib.request

# Put in each page opened, before its own scripts: window.startUpProbe.ticks counts how often a
# 10 ms timer of the page fires between the game's first console text (the page decodes Big5)
# and its frame loop's start (the first animation frame asked for): the start-up's pauses, if
# they let the page go on.
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

# Key name: (DOM key, DOM code, Windows virtual key code, text it types)
KEYS = {"space": (" ", "Space", 32, " "), "Escape": ("Escape", "Escape", 27, ""),
        "Left": ("ArrowLeft", "ArrowLeft", 37, ""), "Up": ("ArrowUp", "ArrowUp", 38, ""),
        "Right": ("ArrowRight", "ArrowRight", 39, ""), "Down": ("ArrowDown", "ArrowDown", 40, ""),
        "Tab": ("Tab", "Tab", 9, ""), "F5": ("F5", "F5", 116, ""), "Return": ("Enter", "Enter", 13, "\r")}
for letter in "abcdefghijklmnopqrstuvwxyz":
    KEYS[letter] = (letter, "Key" + letter.upper(), ord(letter.upper()), letter)


class Page:
    """One WebSocket connection to the page target, speaking the protocol's JSON messages."""

    def __init__(self, port):
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as answer:
            targets = [t for t in json.load(answer) if t["type"] == "page"]
        url = targets[0]["webSocketDebuggerUrl"]
        host, path = url[len("ws://"):].split("/", 1)
        self.sock = socket.create_connection((host.split(":")[0], int(host.split(":")[1])), 30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(1)
            if not chunk:
                raise ConnectionError("the browser closed the connection during the handshake")
            head += chunk
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ConnectionError(head.decode(errors="replace"))
        self.next_id = 0
        self.events = []  # what the browser sent of its own accord, of the methods kept (watch)
        self.kept = ()

    def _exactly(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise ConnectionError("the browser closed the connection")
            data += chunk
        return data

    def _send(self, text):
        payload = text.encode()
        header = bytes([0x81])  # one final text frame
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 65536:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", len(payload))
        mask = os.urandom(4)  # a client masks every frame
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def _receive(self):
        message = b""
        while True:
            first, second = self._exactly(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._exactly(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._exactly(8))[0]
            message += self._exactly(length)
            if first & 0x80:
                return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        self._send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            answer = self._receive()
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            if answer.get("method") in self.kept:
                self.events.append(answer)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def box(self, selector):
        """The element's left, top, width and height in the page."""
        return self.evaluate(f"(() => {{ const r = document.querySelector({json.dumps(selector)})"
                             ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()")

    def touch(self, kind, x=0, y=0):
        points = [] if kind == "touchEnd" else [dict(x=x, y=y)]
        self.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)

    def mouse(self, x, y, button):
        self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, clickCount=1)


def watch(page, url, seconds, *options):
    settings = dict(option.split("=") for option in options)
    throttle, quiet = settings.pop("throttle", None), float(settings.pop("quiet", seconds))
    failing = settings
    page.kept = ("Runtime.exceptionThrown", "Fetch.requestPaused")
    for domain in ("Page", "Runtime", "Network"):
        page.call(f"{domain}.enable")
    page.call("Network.setCacheDisabled", cacheDisabled=True)
    if throttle:
        kbits, latency = throttle.split(",")
        page.call("Network.emulateNetworkConditions", offline=False, latency=float(latency),
                  downloadThroughput=float(kbits) * 1000 / 8, uploadThroughput=-1)
    if failing:
        page.call("Fetch.enable", patterns=[{"urlPattern": "*/" + name} for name in failing])
    page.evaluate("window.leaving = true")  # the page before the new one says nothing here
    start = time.monotonic()
    page.call("Page.navigate", url=url)
    said = {}
    last = start
    while time.monotonic() - start < float(seconds) and time.monotonic() - last < quiet:
        now = f"{time.monotonic() - start:.2f}"
        if page.events:
            last = time.monotonic()  # what may be said next: an exception, an answer to give
        try:
            texts = page.evaluate("window.leaving || !document.getElementById('problem') ? null :"
                                  " ['status', 'problem'].map(id => document.getElementById(id).textContent)")
        except RuntimeError:
            texts = None  # between two pages
        for where, text in zip(("status", "problem"), texts or ()):
            if said.get(where) != text:
                said[where], last = text, time.monotonic()
                print(now, where, text, flush=True)
        events, page.events = page.events, []
        for event in events:
            if event["method"] == "Runtime.exceptionThrown":
                details = event["params"]["exceptionDetails"]
                text = details.get("exception", {}).get("description") or details["text"]
                print(now, "exception", text.splitlines()[0], flush=True)
            elif event["method"] == "Fetch.requestPaused":
                request = event["params"]["requestId"]
                name = event["params"]["request"]["url"].rsplit("/", 1)[-1]
                if failing[name] == "404":
                    page.call("Fetch.fulfillRequest", requestId=request, responseCode=404,
                              responsePhrase="Not Found", body=base64.b64encode(b"Not Found").decode())
                else:
                    page.call("Fetch.failRequest", requestId=request, errorReason="Failed")
        time.sleep(0.05)


def main(port, command, *args):
    page = Page(port)
    if command == "open":
        page.call("Page.enable")
        page.call("Page.addScriptToEvaluateOnNewDocument", source=START_UP_PROBE)
        page.call("Page.navigate", url=args[0])
        # The probe is the connection's: it stays until the new page has taken it.
        while page.evaluate("location.href") != args[0]:
            time.sleep(0.05)
    elif command == "eval":
        sys.stdout.buffer.write(json.dumps(page.evaluate(args[0]), ensure_ascii=False).encode() + b"\n")
    elif command == "keys":
        for name in args:
            ctrl = name.startswith("ctrl+")
            key, code, virtual, text = KEYS[name[len("ctrl+"):] if ctrl else name]
            if ctrl:
                text = ""  # Ctrl with a letter types nothing
            common = dict(key=key, code=code, windowsVirtualKeyCode=virtual,
                          nativeVirtualKeyCode=virtual, modifiers=2 if ctrl else 0)
            page.call("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown",
                      text=text, **common)
            page.call("Input.dispatchKeyEvent", type="keyUp", **common)
    elif command == "click":
        left, top, _, _ = page.box("canvas")
        page.mouse(left + float(args[0]), top + float(args[1]), args[2])
    elif command in ("hover", "tap", "drag"):
        left, top, _, _ = page.box("canvas")
        x, y = left + float(args[0]), top + float(args[1])
        if command == "hover":
            page.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
            return
        page.touch("touchStart", x, y)
        if command == "drag":
            for step in range(1, 11):
                page.touch("touchMove", x + float(args[2]) * step / 10, y + float(args[3]) * step / 10)
        time.sleep(float(args[2]) / 1000 if command == "tap" and len(args) > 2 else 0)
        page.touch("touchEnd")
    elif command == "emulate":
        touch = "touch" in args[3:]
        page.call("Emulation.setDeviceMetricsOverride", width=int(args[0]), height=int(args[1]),
                  deviceScaleFactor=float(args[2]) if len(args) > 2 else 1, mobile=touch)
        page.call("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5)
        print("ready", flush=True)
        signal.pause()
    elif command == "choose":
        box = page.evaluate("(() => { const e = [...document.querySelectorAll('[role=menuitem]')]"
                            f".find(e => e.textContent == {json.dumps(args[0])} && e.offsetParent);"
                            " if (!e) return null; const r = e.getBoundingClientRect();"
                            " return [r.left, r.top, r.width, r.height]; })()")
        if box is None:
            sys.exit(f"cdp.py: no menu entry {args[0]!r} is shown")
        page.mouse(box[0] + box[2] / 2, box[1] + box[3] / 2, "left")
    elif command == "text":
        text = page.evaluate(f"document.querySelector({json.dumps(args[0])}).textContent")
        sys.stdout.buffer.write(text.encode())
    elif command == "shot":
        left, top, width, height = page.box(args[1] if len(args) > 1 else "canvas")
        shot = page.call("Page.captureScreenshot", format="png", clip=dict(
            x=left, y=top, width=width, height=height, scale=1), captureBeyondViewport=False)
        with open(args[0], "wb") as out:
            out.write(base64.b64decode(shot["data"]))
    elif command == "watch":
        watch(page, *args)
    else:
        sys.exit(f"cdp.py: unknown command {command}")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
