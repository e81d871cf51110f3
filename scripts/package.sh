#!/usr/bin/env bash
# Builds Lumenor and its Debian package, lumenor_VERSION_ARCH.deb, in build/ (or
# $LUMENOR_BUILD_DIR). Install it with `apt install ./build/lumenor_*.deb`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMENOR_BUILD_DIR:-$top/build}
"$top/scripts/build.sh" "$@"
cd "$build"
cpack -G DEB
