#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests start the servers they
# need (a virtual X server, an audio server) and stop them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMENOR_BUILD_DIR:-$top/build}
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "$build"
# A test that fails is run once more before it counts: the timing tests measure a virtual
# server's clock, which a busy host now and then throws off by a millisecond or two.
ctest --output-on-failure --timeout 300 -j "$(nproc)" --repeat until-pass:2
