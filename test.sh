#!/usr/bin/env bash
# Installs what is missing, builds Korvane and its fuzz targets, and runs
# every test: core, windows, end to end under Xvfb, and the fuzz smoke runs.
# FUZZ_SECONDS (default 30) bounds each fuzz run; the fuzzers are smoke runs
# here, longer campaigns run apart.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
"$here/tools/install-deps.sh"

# The readers again, built with clang, libFuzzer and the sanitizers.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKORVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz

"$here/tools/build.sh" -DKORVANE_FUZZ_BUILD_DIR="$here/build-fuzz" \
  -DKORVANE_FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
cd build
ctest --output-on-failure --timeout 1200
