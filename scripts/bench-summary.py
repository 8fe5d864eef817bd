#!/usr/bin/env python3
"""Prints one line per benchmark goal from Google Benchmark's JSON output: our time, the anchor's
time and the ratio. Usage: bench-summary.py RESULTS.json [WEBM]

With repetitions the medians are used, else the single run's time. Goals whose benchmarks were
filtered out are named as not run. The scan's anchor is mkvinfo -a on WEBM (the median of three
runs), timed here when the scan ran and mkvinfo is installed."""
import json
import shutil
import statistics
import subprocess
import sys
import time

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def times(results):
    """{run name: (milliseconds, label, counters)}, medians where there were repetitions."""
    runs, medians = {}, {}
    for b in results["benchmarks"]:
        if b.get("error_occurred"):
            continue
        name = b.get("run_name", b["name"])
        ms = b["real_time"] * UNIT_MS[b.get("time_unit", "ns")]
        entry = (ms, b.get("label", ""), b)
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[name] = entry
        else:
            runs.setdefault(name, []).append(entry)
    for name, entries in runs.items():
        if name not in medians:
            ms = statistics.median(e[0] for e in entries)
            medians[name] = (ms, entries[0][1], entries[-1][2])
    return medians


def verdict(met):
    return "met" if met else "NOT met"


def conversion_lines(t):
    lines = []
    for width, height, size in ((1920, 1080, "1080p"), (3840, 2160, "4K")):
        anchor = t.get(f"BM_LibyuvFrame/{width}/{height}")
        ours = [(name, v) for name, v in t.items()
                if name.startswith("BM_ConvertFrame/") and name.endswith(f"/{width}/{height}")]
        picked = [(name, v) for name, v in ours if v[1].endswith(" picked")]
        if anchor is None or not picked:
            lines.append(f"NV12 -> BGRA {size}: not run")
            continue
        ms, label, _ = picked[0][1]
        ratio = ms / anchor[0]
        lines.append(f"NV12 -> BGRA {size}, {label.removesuffix(' picked')} (the player's pick): {ms:.3f} ms, "
                     f"libyuv {anchor[0]:.3f} ms, ratio {ratio:.2f} (goal <= 1.00): {verdict(ratio <= 1.0)}")
        for name, (other, label, _) in sorted(ours):
            if not label.endswith(" picked") and not label.startswith("scalar"):
                lines.append(f"    also {label} {size}: {other:.3f} ms, ratio {other / anchor[0]:.2f}")
    return lines


def scan_lines(t, mkvinfo_seconds):
    scan = t.get("BM_ScanLiveHour")
    if scan is None:
        return ["WebM scan of the one-hour live file: not run"]
    ms = scan[0]
    line = f"WebM scan of the one-hour live file: {ms:.2f} ms"
    if mkvinfo_seconds:
        factor = mkvinfo_seconds * 1e3 / ms
        line += (f", mkvinfo -a {mkvinfo_seconds:.2f} s, ratio {1 / factor:.4f}, {factor:.0f}x faster "
                 f"(goal <= 10 ms and >= 100x faster): {verdict(ms <= 10 and factor >= 100)}")
    else:
        line += f" (goal <= 10 ms; mkvinfo -a not timed): {verdict(ms <= 10)}"
    lines = [line]
    blocks = t.get("BM_ScanLiveHourInBlocks")
    if blocks is not None:
        lines.append(f"    also read in blocks (files the player does not map): {blocks[0]:.2f} ms")
    return lines


def refusal_lines(t):
    refusal = t.get("BM_RefuseEmptyClusters")
    if refusal is None:
        return ["hostile file of 20 million empty clusters: not run"]
    ms, _, b = refusal
    peak = b.get("peakExtraMiB", 0.0)
    met = ms <= 1000 and peak * 1024 * 1024 <= 64e6
    return [f"hostile file of 20 million empty clusters refused: {ms:.0f} ms, peak {peak:.1f} MiB "
            f"(goal 1 s and 64 MB): {verdict(met)}"]


def gain_lines(t):
    lines = []
    for frames, length in ((480, "10 ms"), (48000, "1 s")):
        ours = t.get(f"BM_GainFloatRamp/{frames}")
        plain = t.get(f"BM_GainFloatRampReference/{frames}")
        if ours is None or plain is None:
            lines.append(f"volume-boost gain, float, {length}: not run")
            continue
        rate = ours[2].get("bytes_per_second", 0.0) / 1e9
        plain_rate = plain[2].get("bytes_per_second", 0.0) / 1e9
        lines.append(f"volume-boost gain, float, {length}: {ours[0] * 1e3:.2f} us ({rate:.1f} GB/s), plain reference "
                     f"{plain[0] * 1e3:.2f} us, ratio {ours[0] / plain[0]:.2f} (goal >= 4 GB/s): {verdict(rate >= 4)}")
    return lines


def mkvinfo_seconds(webm):
    if not webm or shutil.which("mkvinfo") is None:
        return None

    def run():
        start = time.perf_counter()
        subprocess.run(["mkvinfo", "-a", webm], stdout=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start

    seconds = statistics.median(run() for _ in range(3))
    print(f"for comparison, mkvinfo -a on the same file: {seconds:.3f} s (median of 3)")
    return seconds


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        t = times(json.load(f))
    scanned = "BM_ScanLiveHour" in t
    mkvinfo = mkvinfo_seconds(sys.argv[2] if scanned and len(sys.argv) > 2 else None)
    print("goals:")
    for line in conversion_lines(t) + scan_lines(t, mkvinfo) + refusal_lines(t) + gain_lines(t):
        print("  " + line)


if __name__ == "__main__":
    main()
