#!/usr/bin/env bash
# Takes the README's screenshots again (docs/screenshots/controller.png and output.png): the
# desktop application on the virtual X server, driven through its own page. Run it after a
# change of the pages.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMENOR_BUILD_DIR:-$top/build}
cmake --build "$build" --target app_readme_screenshots lumenor
LUMENOR_BIN=$(find "$build/src/app" -maxdepth 1 -name lumenor -type f) \
    LUMENOR_SCREENSHOTS="$top/docs/screenshots" \
    "$build/tests/app/app_readme_screenshots"
