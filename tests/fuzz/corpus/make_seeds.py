#!/usr/bin/env python3
"""Writes the fuzz targets' seed files next to this script (one folder per target): tiny
Matroska/WebM files of the shapes the player meets (live recordings without Cues or Duration,
complete files, indexes after the clusters, truncated copies), playlists and hand-off payloads.
Run it again after changing it; the output is the same every time."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def size_varint(n):
    length = 1
    while length < 8 and n >= (1 << (7 * length)) - 1:
        length += 1
    return bytes([(0x80 >> (length - 1)) | (n >> (8 * (length - 1)))]) + n.to_bytes(length, "big")[1:]


def el_id(i):
    return i.to_bytes((i.bit_length() + 7) // 8, "big")


def el(i, payload=b""):
    return el_id(i) + size_varint(len(payload)) + payload


def unknown(i):
    return el_id(i) + b"\x01\xff\xff\xff\xff\xff\xff\xff"


def uint(i, v):
    data = v.to_bytes(max(1, (v.bit_length() + 7) // 8), "big")
    return el(i, data)


def block(i, track, relative, flags, frame=b"\x10\x20\x30"):
    return el(i, bytes([0x80 | track]) + struct.pack(">hB", relative, flags) + frame)


EBML = el(0x1A45DFA3, uint(0x4286, 1) + uint(0x42F7, 1) + uint(0x42F2, 4) + uint(0x42F3, 8)
          + el(0x4282, b"webm") + uint(0x4287, 4) + uint(0x4285, 2))
VIDEO = el(0xAE, uint(0xD7, 1) + uint(0x73C5, 1) + uint(0x83, 1) + el(0x86, b"V_VP8")
           + el(0xE0, uint(0xB0, 64) + uint(0xBA, 48)))
AUDIO = el(0xAE, uint(0xD7, 2) + uint(0x73C5, 2) + uint(0x83, 2) + el(0x86, b"A_OPUS")
           + el(0xE1, uint(0x9F, 2) + el(0xB5, struct.pack(">d", 48000.0))))
TRACKS = el(0x1654AE6B, VIDEO + AUDIO)
AUDIO_TRACKS = el(0x1654AE6B, AUDIO)
SEEKHEAD = el(0x114D9B74, el(0x4DBB, el(0x53AB, bytes.fromhex("1549A966")) + uint(0x53AC, 40)))
VOID = el(0xEC, b"\x00" * 4)


def info(duration=None):
    body = uint(0x2AD7B1, 1000000) + el(0x4D80, b"seed") + el(0x5741, b"seed")
    if duration is not None:
        body += el(0x4489, struct.pack(">d", duration))
    return el(0x1549A966, body)


def cluster_body(timecode, blocks):
    return uint(0xE7, timecode) + b"".join(blocks)


def key(track, rel):
    return block(0xA3, track, rel, 0x80)


def delta(track, rel):
    return block(0xA3, track, rel, 0x00)


def group(track, rel, reference):
    children = block(0xA1, track, rel, 0x00) + uint(0x9B, 40)
    if reference:
        children += el(0xFB, b"\xd8")
    return el(0xA0, children)


LIVE_CLUSTERS = [
    (0, [key(1, 0), key(2, 0), delta(1, 40), key(2, 20)]),
    (1000, [key(2, 0), delta(1, 0), key(1, 40), delta(1, 80)]),
    (2000, [group(1, 0, True), group(1, 40, False), key(2, 10)]),
]


def live(tracks=TRACKS, clusters=LIVE_CLUSTERS):
    body = SEEKHEAD + VOID + info() + tracks
    for timecode, blocks in clusters:
        body += unknown(0x1F43B675) + cluster_body(timecode, blocks)
    return EBML + unknown(0x18538067) + body


def cues(positions):
    points = b""
    for time, position in positions:
        points += el(0xBB, uint(0xB3, time) + el(0xB7, uint(0xF7, 1) + uint(0xF1, position)))
    return el(0x1C53BB6B, points)


def known(trailing=b"", leading_cues=True, duration=2080.0):
    clusters = b"".join(el(0x1F43B675, cluster_body(t, b)) for t, b in LIVE_CLUSTERS)
    head = info(duration) + TRACKS
    front = cues([(0, 0), (1000, 40)]) if leading_cues else b""
    body = head + front + clusters + trailing
    return EBML + el(0x18538067, body)


def utf16(text):
    return text.encode("utf-16-le")


def seeds():
    live_file = live()
    webm = {
        "live.webm": live_file,
        "audio_only.webm": live(AUDIO_TRACKS, [(0, [key(2, 0), key(2, 20)]), (1000, [key(2, 0)])]),
        "with_cues_and_duration.webm": known(),
        "indexes_after_clusters.webm": known(cues([(0, 0)]) + SEEKHEAD + VOID, False, None),
        "cues_then_tags.webm": known(cues([(0, 0)]) + el(0x1254C367, el(0x7373, b"")), False, None),
        "truncated_in_head.webm": live_file[: len(EBML) + 40],
        "truncated_in_cluster.webm": live_file[: len(live_file) * 3 // 4],
        "truncated_in_block.webm": live_file[:-4],
    }
    m3u = {
        "windows_paths.txt": b"C:\\Music\\list.m3u\n#EXTM3U\r\nsong.mp3\r\nsub\\clip.mkv\r\nD:\\Video\\a.webm\r\n"
        b"\\\\server\\share\\x.mp3\r\nhttp://example.com/a.mp3\r\n#EXTINF:12,Title\r\n\r\n",
        "network_playlist.txt": "\\\\Host\\Share\\p.m3u8\n\ufeffa.mp3\n..\\b.mp3\n//host/share/c.mp3\n"
        "\\\\?\\C:\\d.mp3\n\\\\.\\pipe\\x\n\\\\?\\UNC\\other\\s\\e.mp3\n음악.flac\n".encode("utf-8"),
        "no_first_line.txt": b"#EXTM3U",
    }
    handoff = {
        "two_files.bin": utf16("C:\\Videos\\a.mp4\nD:\\b c\\ü.mkv\0"),
        "empty_pieces.bin": utf16("\n\nC:\\x.webm\n\0"),
        "odd_length.bin": utf16("C:\\a.mp4") + b"\x41",
        "no_terminator.bin": utf16("\\\\server\\share\\v.mkv"),
    }
    return {"fuzz_webm": webm, "fuzz_m3u": m3u, "fuzz_handoff": handoff}


def main():
    for target, files in seeds().items():
        folder = os.path.join(HERE, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
