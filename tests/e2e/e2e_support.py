"""What the whole-program tests share: starting the real player under Wine with its diagnostics
folder, reading its state.json, X key and mouse events through xdotool, and screenshots of the X
screen read as binary PPM. Needs the session of scripts/test.sh: DISPLAY, WINEPREFIX and
PULSE_SERVER."""
import json
import os
import pathlib
import subprocess
import sys
import time

failures = []
RUNNING = []  # the players started here, ended at the end whatever happened


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def winpath(path):
    return run("winepath", "-w", str(path)).strip()


class Player:
    def __init__(self, exe, clip, diag):
        self.diag = diag
        env = dict(os.environ, JK_DIAG_DIR=winpath(diag), WINEDEBUG="-all")
        self.process = subprocess.Popen(["wine", exe, winpath(clip)], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        RUNNING.append(self.process)

    def state(self):
        try:
            return json.loads((self.diag / "state.json").read_text(encoding="utf-8"))
        except (OSError, ValueError):
            return {}

    def wait(self, condition, seconds=20):
        deadline = time.time() + seconds
        while time.time() < deadline:
            s = self.state()
            if s and condition(s):
                return s
            time.sleep(0.1)
        return self.state()

    def settle(self, seconds=0.6):
        time.sleep(seconds)
        return self.state()


def xdo(*args):
    return run("xdotool", *args)


def key(*names):
    xdo("key", "--delay", "60", *names)


def held(name, seconds):
    """A key held down long enough for the X server's auto-repeat to send more key-downs."""
    xdo("keydown", name)
    time.sleep(seconds)
    xdo("keyup", name)


class Screenshot:
    """The whole X screen as ImageMagick's import writes it in binary PPM (P6)."""

    def __init__(self, path):
        run("import", "-window", "root", "-depth", "8", "ppm:" + str(path))
        data = pathlib.Path(path).read_bytes()
        fields, at = [], 0
        while len(fields) < 4:  # magic, width, height, maximum value
            while data[at:at + 1].isspace():
                at += 1
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        self.width = int(fields[1])
        self.pixels = data[at + 1:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def escape_closes(player, what):
    """Escape in the plain window ends the player, with exit code 0."""
    key("Escape")
    try:
        code = player.process.wait(15)
    except subprocess.TimeoutExpired:
        player.process.kill()
        code = None
    check(code == 0, "%s (%s)" % (what, code))


def run_main(main):
    """Runs a whole-player test and exits with its verdict; no player outlives it."""
    try:
        main()
    finally:
        end_players()
    print("%d failures" % len(failures))
    sys.exit(1 if failures else 0)


def end_players():
    for process in RUNNING:
        if process.poll() is None:
            process.kill()
