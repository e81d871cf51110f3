#!/usr/bin/env bash
# Checks formatting and runs clang-tidy (the checks in .clang-tidy) over the sources.
# Needs a configured build/ for compile_commands.json.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
git ls-files 'src/*.cpp' | xargs -P "$(nproc)" -n 4 clang-tidy -p "${LUMENOR_BUILD_DIR:-build}" \
    --quiet --warnings-as-errors='*'
