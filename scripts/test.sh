#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests start the servers they
# need (a virtual X server, an audio server) and stop them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMENOR_BUILD_DIR:-$top/build}
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "$build"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
