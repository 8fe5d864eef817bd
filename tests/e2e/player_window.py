#!/usr/bin/env python3
"""The window a person sees, in the real player under Wine with X mouse and key events: the own
title bar without a system caption, caption buttons acting on the press, fullscreen with bars
that hide by themselves, the playlist panel, the OSD and a tooltip, the info box, and the compact
music window with the music view in both layouts, checked by screenshots at known places.

usage: player_window.py PLAYER_EXE WORK_DIR"""
import pathlib
import shutil
import subprocess
import sys
import time

from e2e_support import Player, Screenshot, check, escape_closes, run_main, key, near, run, xdo

PLAYER, WORK = sys.argv[1], pathlib.Path(sys.argv[2])
TITLE_BAR = (13, 14, 20)
PANEL_CURRENT = (24, 52, 82)
SONGS = 24  # enough music for the panel to scroll


def make_media(folder):
    folder.mkdir(parents=True)
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=60",
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=60", "-c:v", "libx264",
        "-pix_fmt", "yuv420p", "-g", "25", "-c:a", "aac", "-ac", "2", "-ar", "48000", "-shortest",
        str(folder / "a-clip.mp4"))
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=330:sample_rate=48000:duration=40",
        "-c:a", "aac", "-ac", "2", "-ar", "48000", str(folder / "b-song.m4a"))
    for n in range(1, SONGS + 1):
        shutil.copy(folder / "b-song.m4a", folder / ("c-%02d.m4a" % n))


def main_rect(state):
    m = state["windows"]["main"]
    return m["x"], m["y"], m["width"], m["height"]


def outer_geometry(window):
    """The X window's position: with no window manager it is the whole Windows window."""
    fields = dict(line.strip().split(": ", 1) for line in xdo("getwindowgeometry", window).splitlines()[1:])
    x, y = fields["Position"].split(" ")[0].split(",")
    return int(x), int(y)


def any_ink(shot, left, top, right, bottom, background):
    return any(not near(shot.pixel(x, y), background, 6) for y in range(top, bottom, 2) for x in range(left, right, 2))


def press_and_hold(x, y):
    xdo("mousemove", str(x), str(y))
    time.sleep(0.15)
    xdo("mousedown", "1")


def frame_and_title(player, window):
    s = player.state()
    left, top, width, _ = main_rect(s)
    ox, oy = outer_geometry(window)
    check(top == oy and left > ox, "no system caption: the client area starts at the window's top (%d, %d)" %
          (top, oy))
    check(s.get("titleText") == "a-clip.mp4 - Jaskel Player", "the window text names the item: " +
          str(s.get("titleText")))
    shot = Screenshot(WORK / "title.ppm")
    check(near(shot.pixel(left + 600, top + 3), TITLE_BAR), "the title bar's colour")
    check(any_ink(shot, left + 14, top + 8, left + 200, top + 28, TITLE_BAR), "the program name is drawn")
    check(any_ink(shot, left + 400, top + 8, left + width - 160, top + 28, TITLE_BAR), "the item's name is drawn")
    check(near(shot.pixel(left + width - 115, top + 18), (205, 210, 216)), "the minimise glyph")
    close = shot.pixel(left + width - 26, top + 15)
    check(min(close) > 150, "the close glyph %s" % (close,))


def caption_buttons(player):
    left, top, width, _ = main_rect(player.state())
    press_and_hold(left + width - 69, top + 18)
    s = player.wait(lambda s: main_rect(s)[2] > width + 100, 5)
    check(main_rect(s)[2] > width + 100, "maximise acts while the button is still down (%d)" % main_rect(s)[2])
    xdo("mouseup", "1")
    zoomed = main_rect(s)
    press_and_hold(zoomed[0] + zoomed[2] - 69, zoomed[1] + 18)
    s = player.wait(lambda s: main_rect(s)[2] == width, 5)
    check(main_rect(s) == (left, top, width, main_rect(s)[3]), "restore puts the window back")
    xdo("mouseup", "1")


def fullscreen(player):
    before = main_rect(player.state())
    key("f")
    s = player.wait(lambda s: s.get("isFullscreen"), 5)
    check(main_rect(s) == (0, 0, 1280, 800), "F covers the whole screen: %s" % (main_rect(s),))
    xdo("mousemove", "640", "300")
    time.sleep(0.1)
    xdo("mousemove", "650", "310")
    moved = time.time()
    s = player.wait(lambda s: s.get("controlsShown"), 3)
    check(s.get("controlsShown") is True, "a mouse move shows the bars")
    s = player.wait(lambda s: not s.get("controlsShown"), 5)
    hidden = time.time() - moved
    check(s.get("controlsShown") is False and 2.45 <= hidden <= 2.95,
          "the bars hide 2.5 to 2.75 s after the last move (%.2f s)" % hidden)
    xdo("mousemove", "600", "300")
    check(player.wait(lambda s: s.get("controlsShown"), 3).get("controlsShown") is True, "a move brings them back")
    key("Escape")
    s = player.wait(lambda s: not s.get("isFullscreen"), 5)
    check(main_rect(s) == before and player.process.poll() is None,
          "Escape leaves fullscreen, restores the placement and keeps the player")


def osd_and_tooltip(player):
    key("Right")
    shown = time.time()
    s = player.wait(lambda s: s.get("osdVisible"), 3)
    check(s.get("osdVisible") is True and "forward" in s.get("osdText", ""), "a seek shows the OSD: " +
          s.get("osdText", ""))
    s = player.wait(lambda s: not s.get("osdVisible"), 4)
    gone = time.time() - shown
    check(s.get("osdVisible") is False and 1.3 <= gone <= 2.1, "the OSD hides again (%.2f s)" % gone)
    left, top, _, height = main_rect(s)
    xdo("mousemove", str(left + 22), str(top + height - 20))  # the playlist button
    hovered = time.time()
    s = player.wait(lambda s: s.get("tooltipText"), 3)
    waited = time.time() - hovered
    tip = s.get("windows", {}).get("tooltip", {})
    check(s.get("tooltipText") == "Playlist" and tip.get("visible") is True and waited >= 0.35,
          "a tooltip names the button after hovering (%.2f s)" % waited)
    check(tip.get("y", 0) + tip.get("height", 0) <= top + height - 40, "the tooltip sits above the button")
    xdo("mousemove", str(left + 400), str(top + 200))


def panel(player):
    key("l")
    s = player.wait(lambda s: s.get("playlistVisible"), 3)
    p = s["windows"]["panel"]
    left, top, width, _ = main_rect(s)
    check(p.get("visible") is True and p["width"] == 300 and p["x"] == width - 300, "L shows the 300-pixel panel")
    time.sleep(0.4)
    shot = Screenshot(WORK / "panel.ppm")
    px, py = left + p["x"], top + p["y"]
    check(near(shot.pixel(px + 2, py + 2), (20, 24, 32)), "the panel's header band")
    check(near(shot.pixel(px + 2, py + 34 + 30 + 10), PANEL_CURRENT), "the current video's row is marked")
    check(any_ink(shot, px + 20, py + 34 + 30 * 3 + 6, px + 280, py + 34 + 30 * 4 - 6, (16, 19, 25)),
          "the song's row is written")
    xdo("mousemove", str(px + 150), str(py + 300))
    for _ in range(3):
        xdo("click", "5")
        time.sleep(0.1)
    s = player.wait(lambda s: s.get("panelScroll") == 3, 3)
    check(s.get("panelScroll") == 3, "the wheel scrolls three rows (%s)" % s.get("panelScroll"))
    xdo("mousemove", str(px + 150), str(py + 34 + 15))  # row 3 is now the first: b-song.m4a
    xdo("click", "1")
    s = player.wait(lambda s: s.get("titleText", "").startswith("b-song.m4a"), 8)
    check(s.get("titleText") == "b-song.m4a - Jaskel Player", "a click on a row plays it: " +
          str(s.get("titleText")))


def compact_music(player, normal):
    s = player.wait(lambda s: s.get("compactMusicMode") and main_rect(s)[3] == 186, 8)
    check(main_rect(s)[2:] == (860, 186), "audio makes the client 860 x 186 with the panel: %s" % (main_rect(s),))
    key("l")
    s = player.wait(lambda s: main_rect(s)[2] == 560, 3)
    check(main_rect(s)[2:] == (560, 186), "and 560 x 186 without it: %s" % (main_rect(s),))
    time.sleep(0.5)
    left, top, _, _ = main_rect(s)
    m = s["windows"]["music"]
    shot = Screenshot(WORK / "compact.ppm")
    mx, my = left + m["x"], top + m["y"]
    check(m["height"] == 84 and near(shot.pixel(mx + 5, my + 5), (10, 10, 14), 3), "the compact music view")
    art = shot.pixel(mx + 44, my + 16)
    check(art[2] > 240 and art[1] > 150, "its artwork square %s" % (art,))
    check(shot.pixel(mx + 36, my + 40) == (255, 255, 255), "the note icon")
    check(any_ink(shot, mx + 88, my + 14, mx + 540, my + 38, shot.pixel(mx + 86, my + 20)), "the song's name")
    check(near(shot.pixel(left + 5, top + 3), TITLE_BAR), "the compact window keeps its title bar")
    large_music_view(player, left, top)


def large_music_view(player, left, top):
    press_and_hold(left + 560 - 69, top + 18)
    xdo("mouseup", "1")
    s = player.wait(lambda s: main_rect(s)[3] > 600, 5)
    time.sleep(0.5)
    m = s["windows"]["music"]
    mx, my = main_rect(s)[0] + m["x"], main_rect(s)[1] + m["y"]
    c = min(max(m["height"] // 3, 56), 200)
    t = (m["height"] - c) // 2
    x = max(m["width"] // 2 - (c + 320) // 2, 24)
    shot = Screenshot(WORK / "large.ppm")
    check(shot.pixel(mx + x + c // 2, my + t + 4)[2] > 240, "the large view's artwork square")
    check(near(shot.pixel(mx + x + c + 24, my + t - 24), (46, 52, 64), 3), "the M4A badge")
    check(any_ink(shot, mx + x + c + 22, my + t, mx + x + c + 200, my + t + 40, shot.pixel(mx + x + c + 21, my + t)),
          "the big clock")
    zoomed = main_rect(s)
    press_and_hold(zoomed[0] + zoomed[2] - 69, zoomed[1] + 18)
    xdo("mouseup", "1")
    s = player.wait(lambda s: main_rect(s)[2:] == (560, 186), 5)
    check(main_rect(s)[2:] == (560, 186), "restoring returns to the compact window")


def info_box(player):
    key("Tab")
    box = subprocess.run(["xdotool", "search", "--sync", "--name", "Playback info"], capture_output=True, text=True,
                         timeout=10).stdout.split()
    check(bool(box), "Tab opens the info box")
    time.sleep(0.3)
    log = (player.diag / "texts.log").read_text(encoding="utf-8", errors="replace")
    check("Video: No (music)" in log and "Speed: 1x" in log and "File: b-song.m4a" in log,
          "the info box's text is logged")
    key("Escape")
    time.sleep(0.6)
    gone = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Playback info"], capture_output=True,
                          text=True).stdout.split()
    check(not gone and player.process.poll() is None, "Escape closes the box, not the player")


def video_restores(player, normal):
    """The video is the last row once music is current; in the compact window one row shows."""
    key("l")
    s = player.wait(lambda s: main_rect(s)[2] == 860, 3)
    left, top, _, _ = main_rect(s)
    p = s["windows"]["panel"]
    xdo("mousemove", str(left + p["x"] + 150), str(top + p["y"] + 49))
    for _ in range(SONGS + 6):
        xdo("click", "5")
    player.wait(lambda s: s.get("panelScroll") == SONGS + 3, 3)
    xdo("click", "1")
    s = player.wait(lambda s: s.get("titleText", "").startswith("a-clip") and not s.get("compactMusicMode"), 8)
    check(main_rect(s) == normal, "a video restores the placement from before the music: %s (%s)" %
          (main_rect(s), s.get("titleText")))


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    (WORK / "diag").mkdir(parents=True)
    make_media(WORK / "media")
    player = Player(PLAYER, WORK / "media" / "a-clip.mp4", WORK / "diag")
    s = player.wait(lambda s: s.get("sessionReady") and (s.get("positionSec") or 0) > 0.3)
    if not check(s.get("sessionReady") is True, "the clip plays"):
        return
    window = xdo("search", "--sync", "--name", "a-clip.mp4 - Jaskel Player").split()[0]
    xdo("windowfocus", "--sync", window)
    time.sleep(0.3)
    normal = main_rect(player.state())
    frame_and_title(player, window)
    caption_buttons(player)
    fullscreen(player)
    osd_and_tooltip(player)
    panel(player)
    compact_music(player, normal)
    info_box(player)
    video_restores(player, normal)
    escape_closes(player, "Escape closes the player with 0")


if __name__ == "__main__":
    run_main(main)
