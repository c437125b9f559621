#!/usr/bin/env python3
"""Prints one table from Google Benchmark JSON files: figure, value, target, floor."""
import json
import re
import sys

# (pattern on the benchmark name, target text, floor: name of the benchmark that is the floor or a constant)
TARGETS = [
    (r"^transform_(stamps|overlay|branded_stamps)/1280x800", "< 0.66 ms (2% of 33 ms)", "memcpy/1280x800"),
    # Zoom gathers every pixel through its table and a still is converted once per snapshot: they
    # are held to the frame budget, not to an in-cache memcpy they cannot approach.
    (r"^transform_zoom/", "< 2 ms (6% of 33 ms)", "memcpy/{size}"),
    (r"^still_conversion/", "< 1 ms (once per snapshot)", "memcpy/{size}"),
    (r"^transform_", "< 33 ms frame budget", "memcpy/{size}"),
    (r"BM_RescanNewPictures/\d+ serial", "(one file at a time)", None),
    (r"BM_RescanNewPictures", "< 1000 ms (2 cores)", None),
    (r"BM_RescanUnchangedWarmCache", "< 150 ms", None),
    (r"BM_DecodeRepeatedScans", "< 300 ms (refused)", None),
    (r"BM_DrawStrip", "< 2 ms", None),
    (r"BM_SnapshotToFile", "median, 30 shots", 33.3),
    (r"BM_StillToBitmap", "median and worst of 50", 33.3),
]


def to_ms(b):
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b.get("real_time", 0.0) * unit


def main(paths):
    results = {}
    ratios = {}
    for path in paths:
        try:
            with open(path) as f:
                data = json.load(f)
        except (OSError, ValueError):
            continue
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = re.sub(r"/(real_time|manual_time|iterations:\d+)", "", b["name"])
            results[name] = to_ms(b)
            # A benchmark that times a serial path beside its parallel one shows both, and the ratio.
            if "serial_ms" in b and "speedup" in b:
                results[f"{name} serial"] = b["serial_ms"]
                ratios[name] = b["speedup"]
    print(f"{'figure':<48} {'value (ms)':>12}  {'target':<28} {'floor (ms)':>10}")
    print("-" * 102)
    for name, ms in results.items():
        target, floor = "", ""
        size = name.split("/")[1] if "/" in name else ""
        for pattern, text, fl in TARGETS:
            if re.search(pattern, name):
                target = text
                if isinstance(fl, str):
                    ref = results.get(fl.format(size=size))
                    floor = f"{ref:.3f}" if ref is not None else ""
                elif fl is not None:
                    floor = f"{fl:.1f}"
                break
        if name in ratios:
            target = f"{target}; {ratios[name]:.2f}x serial"
        print(f"{name:<48} {ms:>12.3f}  {target:<28} {floor:>10}")


if __name__ == "__main__":
    main(sys.argv[1:])
