#!/usr/bin/python3
"""End to end, many servers: gomoku3d-server three times (a, b, c) behind nginx, on one
PostgreSQL and one Redis that this script starts itself (in a folder of its own, PostgreSQL as
the user nobody when run as root), and the pages in headless Chromium. nginx hands a page to the
server its cookie names, the other two being that server's backups, so that the test knows
where each player is; without the cookie it balances them.

Two strangers at a and b are paired by "Play someone" and play a 3+2 game while a watcher at c
sees every move. a, which carries the game, is killed with SIGKILL mid-game: its player is back
through another server within seconds, both clocks as they ran, nothing lost. Redis killed and
started again delays a move and loses none; PostgreSQL stopped refuses a move with a clear
message, and once it is back the game goes on to a five, seen by all three. Then a 1+0 game
between the same two: the player who lets the clock run out loses, on both pages, and the record
says so.

    servers.py SERVER WEB_DIR ARTEFACTS
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from online import MOVES, Page, colour_of, play, sgf_result, stones_shown, type_name
from harness import GameServer, check, finish, within

SERVER, WEB, ARTEFACTS = sys.argv[1:4]
POSTGRES = "/usr/lib/postgresql/15/bin"

NGINX = """pid {dir}/nginx.pid;
worker_processes 1;
error_log {dir}/nginx-error.log;
events {{ worker_connections 256; }}
http {{
    access_log off;
    client_body_temp_path {dir}/client_body;
    proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi;
    uwsgi_temp_path {dir}/uwsgi;
    scgi_temp_path {dir}/scgi;
    upstream gomoku_any {{ {any} }}
    upstream gomoku_a {{ {a} }}
    upstream gomoku_b {{ {b} }}
    upstream gomoku_c {{ {c} }}
    map $cookie_gomoku_server $gomoku_upstream {{
        default gomoku_any;
        a gomoku_a;
        b gomoku_b;
        c gomoku_c;
    }}
    server {{
        listen 127.0.0.1:{port};
        location / {{
            proxy_pass http://$gomoku_upstream;
            proxy_http_version 1.1;
            proxy_set_header Upgrade $http_upgrade;
            proxy_set_header Connection "upgrade";
            proxy_set_header Host $http_host;
            proxy_set_header X-Real-IP $remote_addr;
            proxy_next_upstream error timeout;
            proxy_connect_timeout 2s;
            proxy_read_timeout 1h;
        }}
    }}
}}
"""


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Services:
    """PostgreSQL, Redis, the three servers and nginx, in a fresh folder."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="gomoku3d-servers-")
        os.chmod(self.dir, 0o711)
        self.as_nobody = []
        self.pg = os.path.join(self.dir, "pg")
        os.mkdir(self.pg)
        if os.geteuid() == 0:  # PostgreSQL does not run as root
            shutil.chown(self.pg, "nobody")
            os.chmod(self.pg, 0o700)
            self.as_nobody = ["runuser", "-u", "nobody", "--"]
        self.run([f"{POSTGRES}/initdb", "-D", self.pg, "-A", "trust", "-U", "postgres"], "initdb")
        self.pg_socket = os.path.join(self.dir, "pgsocket")
        os.mkdir(self.pg_socket)
        if self.as_nobody:
            shutil.chown(self.pg_socket, "nobody")
        self.start_postgres()
        self.redis_socket = os.path.join(self.dir, "redis.sock")
        self.redis = None
        self.start_redis()
        database = f"postgresql:///postgres?host={self.pg_socket}&user=postgres"
        self.servers = {}
        for name in "abc":
            server = GameServer(SERVER, database, os.path.join(ARTEFACTS, f"servers-{name}.log"), WEB)
            server.command += ["--name", name, "--redis", self.redis_socket]
            server.start()
            self.servers[name] = server
        self.port = free_port()
        line = "server 127.0.0.1:{} max_fails=1 fail_timeout=30s;"
        backup = "server 127.0.0.1:{} backup;"
        ports = {name: s.port for name, s in self.servers.items()}
        upstreams = {name: " ".join([line.format(ports[name])] +
                                    [backup.format(ports[o]) for o in "abc" if o != name]) for name in "abc"}
        with open(os.path.join(self.dir, "nginx.conf"), "w") as conf:
            conf.write(NGINX.format(dir=self.dir, port=self.port, any=" ".join(line.format(p) for p in ports.values()),
                                    **upstreams))
        self.nginx = subprocess.Popen(["/usr/sbin/nginx", "-p", self.dir, "-c", os.path.join(self.dir, "nginx.conf"),
                                       "-e", os.path.join(self.dir, "nginx-error.log"), "-g", "daemon off;"],
                                      stderr=subprocess.DEVNULL)
        self.url = f"http://127.0.0.1:{self.port}/"
        import urllib.request

        def up():
            try:
                with urllib.request.urlopen(self.url + "healthz", timeout=1) as answer:
                    return answer.read() == b"ok"
            except OSError:
                return False
        if not within(10, up):
            raise RuntimeError("nginx did not answer")

    def run(self, command, what):
        done = subprocess.run(self.as_nobody + command, capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError(f"{what} failed: {done.stdout} {done.stderr}")

    def start_postgres(self):
        self.run([f"{POSTGRES}/pg_ctl", "-D", self.pg, "-l", os.path.join(self.pg, "log"), "-w", "-o",
                  f"-k {self.pg_socket} -c listen_addresses=''", "start"], "starting PostgreSQL")

    def stop_postgres(self):
        self.run([f"{POSTGRES}/pg_ctl", "-D", self.pg, "-m", "immediate", "stop"], "stopping PostgreSQL")

    def start_redis(self):
        self.redis = subprocess.Popen(["redis-server", "--port", "0", "--unixsocket", self.redis_socket,
                                       "--save", "", "--appendonly", "no", "--dir", self.dir],
                                      stdout=open(os.path.join(ARTEFACTS, "servers-redis.log"), "ab"))
        if not within(10, lambda: os.path.exists(self.redis_socket)):
            raise RuntimeError("redis-server did not start")

    def kill_redis(self):
        self.redis.send_signal(signal.SIGKILL)
        self.redis.wait()
        if os.path.exists(self.redis_socket):
            os.unlink(self.redis_socket)

    def close(self):
        for server in self.servers.values():
            server.stop()
        for process in (self.nginx, self.redis):
            if process and process.poll() is None:
                process.terminate()
                process.wait(10)
        try:
            self.stop_postgres()
        except RuntimeError:
            pass
        shutil.rmtree(self.dir, ignore_errors=True)


def at(services, name, server):
    """A page held to SERVER by nginx's cookie."""
    page = Page(name, 1280, 720)
    page.cdp("Network.setCookie", name="gomoku_server", value=server, url=services.url)
    return page


def clocks(page):
    """The panel's two clocks in seconds and the words, or None, whatever the control."""
    words = page.js("const c = document.getElementById('online-clock'); return c && !c.hidden ? c.textContent : ''")
    found = re.match(r"Black (\d+):(\d+)(?:\.\d)? - White (\d+):(\d+)(?:\.\d)? \(", words or "")
    if not found:
        return None
    m = [int(g) for g in found.groups()]
    return (60 * m[0] + m[1], 60 * m[2] + m[3], words)


CONTROLS = ["none", "1+0", "3+2", "5+3", "10+5"]  # the menu's "Online clock", in its order


def choose_clock(page, now, wanted):
    """The menu's "Online clock" turned from NOW to WANTED, an entry a click."""
    i = CONTROLS.index(now)
    while CONTROLS[i] != wanted:
        page.choose(f"Online clock: {CONTROLS[i]}")
        i = (i + 1) % len(CONTROLS)


def paired(first, second):
    """Both pages given a colour by the pairing: the pages by colour, or None."""
    for page in (first, second):
        page.expect("is paired and given a colour", r"Your move \((black|white)\)\.|to move \(you play", 30)
    colours = {colour_of(first): first, colour_of(second): second}
    if not check("the two have the two colours", set(colours) == {"black", "white"}, str(list(colours))):
        return None
    return colours


def live_games(url):
    """The ids /live.json lists at URL."""
    import json
    import urllib.request
    try:
        with urllib.request.urlopen(url + "live.json", timeout=5) as answer:
            return [game["game"] for game in json.load(answer)["games"]]
    except (OSError, ValueError, KeyError):
        return []


def carrier_of(game):
    """The server whose log says it took GAME last."""
    latest, carrier = "", None
    for name in "abc":
        for line in open(os.path.join(ARTEFACTS, f"servers-{name}.log")):
            if f"cluster: {game} is carried here from now on" in line and line[:20] >= latest:
                latest, carrier = line[:20], name
    return carrier


def main():
    try:
        services = Services()
    except (RuntimeError, OSError) as error:
        check("PostgreSQL, Redis, three servers and nginx start", False, str(error))
        finish()
    ann, bo, onlooker = (at(services, "ann-at-a", "a"), at(services, "bo-at-b", "b"),
                         at(services, "onlooker-at-c", "c"))
    try:
        for page in (ann, bo, onlooker):
            check(f"{page.name}: the page runs through nginx", page.open(services.url))
        for page, name in ((ann, "Ann"), (bo, "Bo")):
            choose_clock(page, "none", "3+2")
            page.choose("Play someone")
            type_name(page, name)
        colours = paired(ann, bo)
        if not colours:
            return
        # The onlooker at c finds the game on /live, which lists every server's games.
        games = within(10, lambda: live_games(services.url))
        if not check("onlooker: /live.json at c lists the game made elsewhere", games and len(games) == 1, str(games)):
            return
        game = games[0]
        onlooker.open(services.url + f"?game={game}")
        onlooker.expect("watches the game", r"to move \(you are watching\)", 20)
        if not play(colours, 0, 3):
            return
        if not check("a server took the game", carrier_of(game), game):
            return
        stones_shown(onlooker, MOVES[:3], "before the kill")
        black, white = colours["black"], colours["white"]
        carrier = carrier_of(game)
        print(f"note: {carrier} carries {game}; white (to move) is {white.name}", flush=True)

        # The server that carries the game is killed mid-game, white to move.
        before, read_before = clocks(white), time.monotonic()
        services.servers[carrier].kill()
        for page in (black, white, onlooker):
            page.expect("loses its connection to the server that carried the game", r"Connection lost", 10)
        for page in (black, white):
            page.expect("is back through another server", r"to move \(you play|Your move", 30)
        onlooker.expect("is back through another server", r"to move \(you are watching\)", 30)
        back = time.monotonic()
        print(f"note: the players were back {back - read_before:.1f} s after the kill", flush=True)
        after = within(5, lambda: clocks(white))
        ran = time.monotonic() - read_before
        check("after the kill white's clock is as it ran, the failover's seconds its own",
              before and after and abs((before[1] - after[1]) - ran) <= 1.5,
              f"{before} then {after}, {ran:.1f} s")
        check("after the kill both pages show the same clocks, within a second",
              within(5, lambda: (b := clocks(black)) and (w := clocks(white)) and
                     abs(b[0] - w[0]) <= 1 and abs(b[1] - w[1]) <= 1),
              f"{clocks(black)} / {clocks(white)}")
        white.shot("servers-after-kill")
        if not play(colours, 3, 5):
            return

        # Redis killed and started again: the move waits, and is kept.
        services.kill_redis()
        time.sleep(1)
        services.start_redis()
        for page in (black, white):
            page.expect("is let go while the servers find their games again", r"Connection lost", 10)
        white.expect("is back after Redis came back", r"Your move", 30)
        black.expect("is back after Redis came back", r"to move \(you play", 30)
        if not play(colours, 5, 6):
            return
        check("with Redis back the onlooker has every move", within(10, lambda: onlooker.status().startswith(
            "Black to move")), onlooker.status())
        stones_shown(onlooker, MOVES[:6], "after Redis came back")

        # PostgreSQL stopped: black's move is refused, saying why, and stored once it is back.
        services.stop_postgres()
        black.place(*MOVES[6])
        black.expect("is told the move was not stored", r"could not store the move", 15)
        services.start_postgres()
        time.sleep(1)
        if not play(colours, 6, len(MOVES) - 1):
            return
        # (The banner of the win covers the board's middle: the stones are looked at before it.)
        stones_shown(onlooker, MOVES[:-1], "after the kills")
        if not play(colours, len(MOVES) - 1, len(MOVES)):
            return
        onlooker.expect("sees black's five", r"Black wins", 20)
        check("the record has all nine moves and black's win", sgf_result(services.url, game) == "B+",
              sgf_result(services.url, game))

        # A 1+0 game between the same two, paired again; black lets its clock run out.
        for page in (ann, bo):
            choose_clock(page, "3+2", "1+0")
            page.choose("Play someone")
        colours = paired(ann, bo)
        if not colours:
            return
        black, white = colours["black"], colours["white"]
        # The first game may still be listed a moment after its end: the new one is the other.
        second = (within(10, lambda: [g for g in live_games(services.url) if g != game]) or [""])[0]
        if not play(colours, 0, 2):
            return
        black.expect("has lost on time", r"^You ran out of time: white wins\.", 80)
        white.expect("has won on time", r"^Black ran out of time: you win \(white\)\.", 20)
        check("the record says white won on time: RE[W+T]", sgf_result(services.url, second) == "W+T",
              f"{second}: {sgf_result(services.url, second)}")
        white.shot("servers-flag")
    finally:
        for page in (ann, bo, onlooker):
            page.quit()
        services.close()
    finish()


if __name__ == "__main__":
    try:
        main()
    except Exception as error:  # a failure of the test itself is counted, never a silent pass
        check("the test ran to its end", False, repr(error))
        finish()
