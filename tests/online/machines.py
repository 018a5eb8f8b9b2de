#!/usr/bin/python3
"""Online play across two machines, made of two network namespaces of this one joined by a veth
pair, each held by a sleeping process (`unshare --net`, entered with `nsenter`, so that nothing is
mounted: `ip netns` needs / to be a mount point, which it is not in a chroot): the server on one, listening on every interface as `tools/web.sh --public` starts it; the
pages on the other, loaded from the server's address there (tests/online/online.py with
GOMOKU_REMOTE_SERVER). Needs root, or sudo without a password, to make the namespaces: without
either it fails and says so.

    machines.py SERVER WEB_DIR ARTEFACTS

Ends with "N passed, M failed"."""

import os
import re
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE]
from harness import check, counted, finish  # noqa: E402

SERVER, WEB, ARTEFACTS = sys.argv[1:4]
# The two machines' addresses on their network, a private one that nothing here uses.
SERVER_ADDRESS, FRIEND_ADDRESS, PORT = "10.231.7.1", "10.231.7.2", 8080


def main():
    sudo = []
    if os.geteuid() != 0:
        try:
            sudo_works = subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode == 0
        except OSError:  # no sudo at all
            sudo_works = False
        if not sudo_works:
            check("two machines are made of network namespaces, which need root: run the test as root "
                  "or where sudo -n works (neither does here)", False)
            finish()
        sudo = ["sudo", "-n"]
    tag = str(os.getpid())
    server_end, friend_end = f"g3ds{tag}"[:15], f"g3df{tag}"[:15]
    holders = []

    def run(command):
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError(f"{' '.join(command)}: {done.stderr.strip() or f'exit {done.returncode}'}")

    def machine():
        """A new network namespace, held by a process that prints its pid and sleeps: its pid."""
        holder = subprocess.Popen(sudo + ["unshare", "--net", "sh", "-c", "echo $$; exec sleep infinity"],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        holders.append(holder)
        pid = holder.stdout.readline().strip()
        if not pid.isdigit():
            holder.wait(5)
            raise RuntimeError(f"unshare --net: {holder.stderr.read().strip() or 'no namespace'}")
        return pid

    def inside(pid, *command):
        return sudo + ["nsenter", "--target", pid, "--net", *command]

    server = None
    try:
        try:
            server_ns, friend_ns = machine(), machine()
            run(sudo + ["ip", "link", "add", server_end, "type", "veth", "peer", "name", friend_end])
            for end, ns, address in ((server_end, server_ns, SERVER_ADDRESS), (friend_end, friend_ns, FRIEND_ADDRESS)):
                run(sudo + ["ip", "link", "set", end, "netns", ns])
                run(inside(ns, "ip", "addr", "add", f"{address}/24", "dev", end))
                run(inside(ns, "ip", "link", "set", end, "up"))
                run(inside(ns, "ip", "link", "set", "lo", "up"))
        except (RuntimeError, OSError, subprocess.TimeoutExpired) as error:
            check("the two machines' namespaces and their network are made", False, str(error))
            return
        check("the two machines' namespaces and their network are made", True)
        log = open(os.path.join(ARTEFACTS, "machines-server.log"), "ab")
        database = os.path.join(ARTEFACTS, "work", "machines.sqlite")
        server = subprocess.Popen(inside(server_ns, SERVER, "--db", database, "--web", WEB,
                                         "--bind", "0.0.0.0", "--port", str(PORT)),
                                  stdout=subprocess.PIPE, stderr=log)
        line = server.stdout.readline().decode()
        if not check("the server listens on every interface of its machine",
                     f"listening on http://0.0.0.0:{PORT}/" in line, line):
            return
        url = f"http://{SERVER_ADDRESS}:{PORT}/"
        try:
            urllib.request.urlopen(url, timeout=3)
            reached = True
        except OSError:
            reached = False
        check("the server's machine is another: this namespace has no way to it", not reached)
        # The pages on the friend's machine; their checks are counted with these.
        friend = subprocess.run(inside(friend_ns, "env", f"GOMOKU_REMOTE_SERVER={url}",
                                       "/usr/bin/python3", "-B", os.path.join(HERE, "online.py"), SERVER, WEB,
                                       ARTEFACTS),
                                capture_output=True, text=True, timeout=600)
        totals = None
        for out in friend.stdout.splitlines():
            found = re.fullmatch(r"(\d+) passed, (\d+) failed", out)
            if found:
                totals = found
            else:
                print(out, flush=True)
        if totals:
            counted["passed"] += int(totals.group(1))
            counted["failed"] += int(totals.group(2))
        check("the friend's machine ran its pages to the end", totals is not None and friend.returncode in (0, 1),
              friend.stderr[-2000:])
    finally:
        if server is not None:
            server.terminate()
            server.wait(10)
        for holder in holders:  # the namespaces, and their veth ends, go with their last process
            holder.terminate()
            try:
                holder.wait(10)
            except subprocess.TimeoutExpired:
                holder.kill()
        # An end still here was never moved into its machine.
        subprocess.run(sudo + ["ip", "link", "del", server_end], capture_output=True)
    finish()


if __name__ == "__main__":
    main()
