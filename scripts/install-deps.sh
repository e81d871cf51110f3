#!/usr/bin/env bash
# Installs whatever Debian packages from scripts/debian-packages.txt are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done < "$here/debian-packages.txt"

if ((${#missing[@]} > 0)); then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# The page tests' npm packages (playwright-core, axe-core), installed from the lock file.
top=$(cd "$here/.." && pwd)
if [[ ! -d "$top/node_modules/playwright-core" || "$top/package-lock.json" -nt "$top/node_modules/.package-lock.json" ]]; then
    (cd "$top" && npm ci --no-audit --no-fund --loglevel=error)
fi
