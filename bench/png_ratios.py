#!/usr/bin/env python3
"""Runs the PNG benchmarks once and prints each one's ratio to Qt's PNG plugin
in the same run: time (wall clock) and, for saving, file size.

Usage: bench/png_ratios.py [build/korvane_bench] [benchmark options...]
Targets: saving within 0.5 x Qt's time with a file no larger than 1.1 x,
loading within 0.8 x Qt's time.
"""
import json
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
args = sys.argv[1:]
program = args.pop(0) if args and not args[0].startswith("-") else os.path.join(
    here, "..", "build", "korvane_bench")
if not any(a.startswith("--benchmark_min_time") for a in args):
    args.append("--benchmark_min_time=0.5")

env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
out = subprocess.run([program, "--benchmark_filter=Png", "--benchmark_format=json"] + args,
                     check=True, capture_output=True, text=True, env=env).stdout
# With --benchmark_repetitions, each benchmark's median stands for it.
runs = {}
for b in json.loads(out)["benchmarks"]:
    name = b.get("run_name", b["name"]).replace("/real_time", "")
    if b.get("run_type") == "aggregate":
        if b.get("aggregate_name") == "median":
            runs[name] = b
    else:
        runs.setdefault(name, b)

targets = {"Save": 0.5, "Load": 0.8, "LoadOwn": 0.8}
failed = False
for name, ours in runs.items():
    kind, _, picture = name.partition("/")
    if not kind.startswith("BM_") or kind.startswith("BM_Baseline_"):
        continue
    theirs = runs.get(f"BM_Baseline_Qt{kind[3:]}/{picture}")
    if theirs is None or "error_message" in ours or "error_message" in theirs:
        print(f"{name}: skipped")
        continue
    action = kind[3:].removesuffix("Png")
    ratio = ours["real_time"] / theirs["real_time"]
    line = (f"{action:8} {picture:8} {ours['real_time']:7.1f} ms vs Qt {theirs['real_time']:7.1f} ms"
            f"  time {ratio:.2f} x (target {targets[action]})")
    ok = ratio <= targets[action]
    if "file_bytes" in ours:
        size = ours["file_bytes"] / theirs["file_bytes"]
        line += (f"  file {int(ours['file_bytes'])} vs {int(theirs['file_bytes'])} bytes"
                 f" {size:.3f} x (target 1.1)")
        ok = ok and size <= 1.1
    print(line + ("" if ok else "  MISSED"))
    failed = failed or not ok
sys.exit(1 if failed else 0)
