#!/usr/bin/env bash
# Installs what is missing, builds Korvane and starts it.
# Usage: ./run.sh [picture-file]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/install-deps.sh"
"$here/tools/build.sh"
exec "$here/build/korvane" "$@"
