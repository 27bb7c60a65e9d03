#!/usr/bin/env bash
# A bounded smoke run of one libFuzzer target, seeded with real files.
# Usage: run_fuzzer.sh <fuzzer> <seconds> <max-seed-bytes> <seed-folder>...
# Passes when the run ends without a crash, hang or sanitizer report.
set -euo pipefail
fuzzer=$1 seconds=$2 maxseed=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
found=0
for folder in "$@"; do
  if [ -d "$folder" ]; then
    found=1
    find "$folder" -type f -size -"${maxseed}"c -exec cp -t "$work/corpus" {} + 2>/dev/null || true
  fi
done
[ "$found" = 1 ] || echo "seed folders absent ($*): fuzzing from nothing"
# -fork isolates nothing here: one process, so a report stops the run.
"$fuzzer" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" 2>"$work/log" || {
  tail -n 60 "$work/log"
  for a in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-*; do
    [ -e "$a" ] && { echo "artifact: $(basename "$a")"; base64 -w0 "$a" | head -c 4000; echo; }
  done
  exit 1
}
grep -E '^stat::number_of_executed_units|^Done' "$work/log" || tail -n 3 "$work/log"
