#!/usr/bin/env bash
# Installs what is missing, builds, and starts Lumenor (arguments go to lumenor).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
exec "${LUMENOR_BUILD_DIR:-$top/build}/src/app/lumenor" "$@"
