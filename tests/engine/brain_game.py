#!/usr/bin/env python3
"""A game through the tournament brain's executable, as a manager plays it, against a scripted
opponent: every answer a free point, bad lines mid-game answered with ERROR, memory within the
limit (natively), END obeyed, the MESSAGE lines of its thinking well formed and only before its
moves; on one thread, then two; then input that ends mid-game.

  brain_game.py [--run PREFIX] [--sanitized] BRAIN   (PREFIX "wine" for the Windows build)

Prints "N passed, M failed" and exits non-zero if any check failed.
"""
import re
import subprocess
import sys

SIZE = 15
# Just above a power of two: a table that took the limit whole would not leave the brain room.
MAX_MEMORY = 17 << 20
checks = [0, 0]
TURN_MS = 300
# A move's line: depth, evaluation (a number, or a proved win or loss), positions, positions a
# millisecond, milliseconds and the line of play from the move, in column letters and row numbers.
MESSAGE = re.compile(r"MESSAGE depth \d+ ev (-?\d+|\+win in \d+|-loss in \d+) n \d+ n/ms \d+ "
                     r"tm \d+ pv ([a-o])(\d+)( [a-o]\d+)*")


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what)
    checks[0 if ok else 1] += 1


def five(board, x, y):
    who = board[(x, y)]
    for dx, dy in ((1, 0), (0, 1), (1, 1), (1, -1)):
        run = 1
        for sign in (1, -1):
            cx, cy = x + sign * dx, y + sign * dy
            while board.get((cx, cy)) == who:
                run, cx, cy = run + 1, cx + sign * dx, cy + sign * dy
        if run >= 5:
            return True
    return False


def fives_for(board, who):
    return [(x, y) for x in range(SIZE) for y in range(SIZE)
            if (x, y) not in board and five({**board, (x, y): who}, x, y)]


class Brain:
    def __init__(self, command):
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)

    def send(self, line):
        self.proc.stdin.write(line + "\r\n")  # managers end their lines with CR LF
        self.proc.stdin.flush()

        self.messages = []  # the MESSAGE lines before the last answer

    def line(self):
        return self.proc.stdout.readline().rstrip("\r\n")

    def answer(self):
        """The next line that is not MESSAGE, as a manager reads the answer; those before it are
        kept in messages."""
        self.messages = []
        while (line := self.line()).startswith("MESSAGE"):
            self.messages.append(line)
        return line


def memory_taken(pid):
    """The memory the process has taken for its data, in bytes (its table counts in full, touched
    or not), or None where /proc does not tell."""
    try:
        with open(f"/proc/{pid}/status") as status:
            return next(int(line.split()[1]) * 1024
                        for line in status if line.startswith("VmData:"))
    except (OSError, StopIteration):
        return None


def game(command, native, measured=True):
    brain = Brain(command)
    for line in [f"INFO timeout_turn {TURN_MS}", "INFO timeout_match 100000",
                 f"INFO max_memory {MAX_MEMORY}", "INFO rule 0", "START 15"]:
        brain.send(line)
    check("START 15 is answered OK", brain.answer() == "OK")
    brain.send("INFO time_left 100000")
    brain.send("BEGIN")
    board = {}
    script = [(x, y) for y in range(SIZE) for x in range(SIZE)]  # row by row from a corner
    answers_ok, winner = True, None
    messages, messages_ok = 0, True
    for turn in range(SIZE * SIZE // 2):
        answer = brain.answer()
        if not is_free_point(answer, board):
            answers_ok = False
            print(f"the brain's answer {answer!r} is no free point")
            break
        # At most one line a quarter of a second and one for the move; the last one's line of
        # play starts with the move.
        last = MESSAGE.fullmatch(brain.messages[-1]) if brain.messages else None
        if (len(brain.messages) > TURN_MS // 250 + 1
                or not all(map(MESSAGE.fullmatch, brain.messages))
                or (last and f"{ord(last[2]) - ord('a')},{SIZE - int(last[3])}" != answer)):
            messages_ok = False
            print(f"MESSAGE lines {brain.messages} before {answer}")
        messages += len(brain.messages)
        x, y = (int(v) for v in answer.split(","))
        board[(x, y)] = 1
        if five(board, x, y):
            winner = "brain"
            break
        if turn == 3:
            # Bad lines mid-game: each answered, nothing else changed.
            for line, want in (("TURN 15,3", "ERROR point 15,3 is off the 15x15 board"),
                               (f"TURN {x},{y}", f"ERROR point {x},{y} is taken"),
                               ("HELLO", "UNKNOWN command 'HELLO'")):
                brain.send(line)
                # Read as it comes: no MESSAGE follows a move, nor comes for these.
                check(f"{line} mid-game is answered {want}", brain.line() == want)
        threats = fives_for(board, 1)
        reply = threats[0] if threats else next(p for p in script if p not in board)
        board[reply] = 2
        if five(board, *reply):
            winner = "script"
            break
        brain.send(f"TURN {reply[0]},{reply[1]}")
    check("every answer was a free point", answers_ok)
    check(f"{messages} MESSAGE lines, each well formed and its move's own",
          messages > 0 and messages_ok)
    check(f"the brain beat the scripted opponent ({len(board)} stones)", winner == "brain")
    taken = memory_taken(brain.proc.pid) if native and measured else None
    if taken is None:  # under wine, or AddressSanitizer (whose shadow memory would count)
        print("(the memory taken is not measured here)")
    else:
        check(f"the brain took {taken >> 10} KiB, within the limit of {MAX_MEMORY >> 10} KiB",
              taken <= MAX_MEMORY)
    brain.send("END")
    rest = brain.proc.stdout.read()
    brain.proc.wait(timeout=30)
    check("END ends the brain with status 0 and nothing more said",
          brain.proc.returncode == 0 and rest == "")


def cut_off(command):
    brain = Brain(command)
    brain.send("START 15")
    brain.send("TURN 7,7")
    brain.proc.stdin.close()
    lines = [line for line in brain.proc.stdout.read().splitlines()
             if not line.startswith("MESSAGE")]
    brain.proc.wait(timeout=30)
    check("input cut off mid-game: OK, a move on a free point, then an ERROR and status 1",
          len(lines) == 3 and lines[0] == "OK" and lines[2] == "ERROR input ended without END"
          and is_free_point(lines[1], {(7, 7)}) and brain.proc.returncode == 1)


def is_free_point(answer, taken):
    x, _, y = answer.partition(",")
    return (x.isdigit() and y.isdigit() and int(x) < SIZE and int(y) < SIZE
            and (int(x), int(y)) not in taken)


def main():
    args = sys.argv[1:]
    prefix, args = (args[1:2], args[2:]) if args[:1] == ["--run"] else ([], args)
    command = prefix + args[-1:]
    # Then on two threads: the helper's stack and searcher within the same memory limit.
    for threads in ([], ["--threads", "2"]):
        print(f"on {len(threads) or 1} thread(s):")
        game(command + threads, native=not prefix, measured=args[:1] != ["--sanitized"])
    cut_off(command)
    print(f"{checks[0]} passed, {checks[1]} failed")
    sys.exit(1 if checks[1] else 0)


if __name__ == "__main__":
    main()
