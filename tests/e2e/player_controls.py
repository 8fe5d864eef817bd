#!/usr/bin/env python3
"""The real player under Wine, driven as a person drives it: X key and mouse events (xdotool),
a screenshot of the screen (ImageMagick) checked by pixels, and the sound that reaches the audio
device (recorded from the null sink's monitor with parec).

usage: player_controls.py PLAYER_EXE WORK_DIR
Needs the session of scripts/test.sh: DISPLAY, WINEPREFIX and PULSE_SERVER."""
import array
import math
import pathlib
import shutil
import subprocess
import sys
import time

from e2e_support import Player, Screenshot, check, escape_closes, run_main, held, key, near, run, xdo

PLAYER, WORK = sys.argv[1], pathlib.Path(sys.argv[2])


def make_clip(path):
    # A quiet tone, so that 235 % stays below full scale and the level can be compared.
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=60",
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=60", "-filter:a", "volume=0.8",
        "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "25", "-c:a", "aac", "-ac", "2", "-ar", "48000",
        "-shortest", str(path))


def level(seconds=1.0):
    """RMS of what reaches the sound device, from the null sink's monitor (16-bit stereo)."""
    proc = subprocess.Popen(["parec", "-d", "nullsink.monitor", "--format=s16le", "--rate=48000", "--channels=2",
                             "--raw"], stdout=subprocess.PIPE)
    time.sleep(0.3)  # skip what was buffered before
    wanted = int(48000 * 2 * 2 * seconds)
    data = b""
    deadline = time.time() + seconds + 3
    while len(data) < wanted + 48000 * 4 * 0.3 and time.time() < deadline:
        data += proc.stdout.read1(65536)
    proc.kill()
    samples = array.array("h", data[len(data) - min(wanted, len(data) // 4 * 4):])
    return math.sqrt(sum(s * s for s in samples) / max(len(samples), 1))


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    (WORK / "diag").mkdir(parents=True)
    clip = WORK / "controls.mp4"
    make_clip(clip)
    player = Player(PLAYER, clip, WORK / "diag")
    s = player.wait(lambda s: s.get("sessionReady") and (s.get("positionSec") or 0) > 0.3)
    if not check(s.get("sessionReady") is True, "the clip plays"):
        return
    player.window = xdo("search", "--sync", "--name", "controls.mp4 - Jaskel Player").split()[0]
    xdo("windowfocus", "--sync", player.window)
    time.sleep(0.3)
    keys(player)
    volume_and_sound(player)
    loop_and_picture(player)
    keys_in_a_dialog(player)
    menu_and_escape(player)


def keys(player):
    held("space", 1.2)
    s = player.settle()
    check(s.get("paused") is True, "held Space toggles once (paused)")
    key("space")
    s = player.settle()
    check(s.get("paused") is False, "Space again plays")

    before = player.state()
    start, shown = before.get("positionSec", 0), before.get("osdCount", 0)
    held("Right", 0.85)
    s = player.settle(0.3)
    seeks = s.get("osdCount", 0) - shown
    check(seeks >= 2, "held Right repeats its seek (%d seeks)" % seeks)
    check(abs(s.get("positionSec", 0) - (start + 5 * seeks)) < 2.5, "each repeat seeks 5 s, with an OSD each "
          "(%.1f -> %.1f after %d)" % (start, s.get("positionSec", 0), seeks))
    check(s.get("osdText", "").startswith("5 s forward"), "the seek OSD names 5 s forward: " + s.get("osdText", ""))
    key("Right", "Right")
    s = player.settle(0.3)
    position = s.get("positionSec", 0)
    key("ctrl+Left")
    s = player.settle(0.3)
    check(abs(s.get("positionSec", 0) - max(position - 30, 0)) < 2.5, "Ctrl+Left goes back 30 s (%.1f -> %.1f)" %
          (position, s.get("positionSec", 0)))
    check(s.get("osdText", "").startswith("30 s back"), "its OSD names 30 s back: " + s.get("osdText", ""))

    key("c")
    s = player.settle(0.3)
    check(abs(s.get("speed", 0) - 1.1) < 0.001, "C speeds up to 1.1")
    check(s.get("osdVisible") is True and s.get("osdText") == "Speed 1.1x", "the OSD shows " + s.get("osdText", ""))
    check(player.settle(1.9).get("osdVisible") is False, "the OSD goes away by itself")
    key("x", "x")
    check(abs(player.settle(0.3).get("speed", 0) - 0.9) < 0.001, "X twice slows to 0.9")
    key("z")
    check(abs(player.settle(0.3).get("speed", 0) - 1.0) < 0.001, "Z returns to normal speed")
    key("z")
    check(abs(player.settle(0.3).get("speed", 0) - 0.9) < 0.001, "Z again returns to the previous speed")
    key("z")
    key("r")
    s = player.settle(0.3)
    check(s.get("repeatMode") == 1 and s.get("osdText") == "Repeat all", "R cycles to repeat all with its OSD")
    key("r", "r")
    check(player.settle(0.3).get("repeatMode") == 0, "R cycles back to off")


def volume_and_sound(player):
    base = level()
    key("Up", "Up", "Up")
    s = player.settle()
    check(abs(s.get("volume", 0) - 2.35) < 0.001, "Up three times from 100 %% gives 235 %% (%s)" % s.get("volume"))
    check(abs(s.get("sessionVolume", 0) - 1.0) < 0.001, "the session volume stays at 1.0")
    check(s.get("targetGain") == 9626, "the gain transform's target is 9626 (%s)" % s.get("targetGain"))
    boosted = level()
    ratio = boosted / base if base > 0 else 0
    check(base > 300 and abs(ratio - 2.35) < 0.25, "the sound is 2.35 times as loud (%.0f -> %.0f, %.2f)" %
          (base, boosted, ratio))
    key("m")
    s = player.settle()
    check(s.get("muted") is True, "M mutes")
    silent = level()
    check(silent < 5, "muted, the device gets silence (%.1f)" % silent)
    key("m")
    check(player.settle().get("muted") is False, "M again unmutes")


def loop_and_picture(player):
    key("F5")
    time.sleep(2.0)
    key("F6")
    s = player.settle(0.3)
    a, b = s.get("loopStart", -1), s.get("loopEnd", -1)
    check(s.get("loopActive") is True and 1.5 < b - a < 2.6, "F5 and F6 set a running A-B loop (%.1f-%.1f)" % (a, b))
    inside = True
    for _ in range(16):
        p = player.settle(0.25).get("positionSec", -1)
        inside = inside and a - 0.2 <= p <= b + 0.6
    check(inside, "playback stays between A and B for 4 s")
    key("space")
    s = player.settle()
    main = s["windows"]["main"]
    shot = Screenshot(WORK / "screen.ppm")
    left, top, width, height = main["x"], main["y"], main["width"], main["height"]
    row = top + height - 55
    check(near(shot.pixel(left + 57, row), (38, 160, 255)), "the played part of the seek bar is blue")
    dur = s.get("durationSec", 0)
    bar = width - 112
    ax = left + 56 + int(a / dur * bar)
    check(near(shot.pixel(ax, row - 5), (255, 140, 40)), "the A marker is drawn")
    check(near(shot.pixel(left + 10, top + height - 5), (13, 14, 20)), "the control bar's background")
    key("space")


def keys_in_a_dialog(player):
    """While the player's own message box has the keyboard, keys belong to the box."""
    key("Tab")
    box = xdo("search", "--sync", "--name", "Playback info").split()
    check(bool(box), "Tab opens the playback-info box")
    time.sleep(0.3)
    key("m")
    s = player.settle(0.4)
    check(s.get("muted") is False, "M typed in the box does not mute the player")
    key("Return")
    s = player.settle(0.6)
    check(s.get("isFullscreen") is False, "Enter closes the box and does not toggle fullscreen")
    gone = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Playback info"], capture_output=True,
                          text=True).stdout.split()
    check(not gone, "the box is closed")
    xdo("windowfocus", "--sync", player.window)
    time.sleep(0.3)


def menu_and_escape(player):
    main = player.state()["windows"]["main"]
    xdo("mousemove", str(main["x"] + main["width"] // 2), str(main["y"] + 200))
    xdo("click", "3")
    s = player.wait(lambda s: s.get("menuOpen") is True, 5)
    check(s.get("menuOpen") is True, "right-click opens the context menu")
    key("Escape")
    s = player.wait(lambda s: s.get("menuOpen") is False, 5)
    check(s.get("menuOpen") is False and player.process.poll() is None, "Escape closes the menu, not the player")
    time.sleep(0.3)
    escape_closes(player, "Escape in the plain window closes the player with 0")


if __name__ == "__main__":
    run_main(main)
