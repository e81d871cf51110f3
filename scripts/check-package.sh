#!/usr/bin/env bash
# Checks a built lumenor .deb: first with lintian, which must find no error and no warning;
# then on a clean Debian 12: makes a minimal chroot, installs the
# package there with apt (which pulls its dependencies), runs it from /usr/bin, removes it
# and checks that exactly its own files went and nothing of it is left. Needs root and
# debootstrap; the chroot is deleted at the end. Usage: scripts/check-package.sh FILE.deb
set -euo pipefail
deb=$(realpath "$1")
lintian --fail-on error,warning "$deb"
echo "lintian finds nothing to warn of"
root=$(mktemp -d /tmp/lumenor-chroot.XXXXXX)
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT

debootstrap --variant=minbase bookworm "$root" >/dev/null
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
run() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root \
        DEBIAN_FRONTEND=noninteractive "$@"
}
tree() { run find /usr /etc /opt /var/lib/dpkg/alternatives -xdev | sort; }

run apt-get update -qq 2>/dev/null
run apt install -y "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1
echo "installed with $(grep -c '^Setting up' "$root/tmp/install.log") packages"
test "$(run sh -c 'command -v lumenor')" = /usr/bin/lumenor
run lumenor --version
# Found its pages under /usr/share/lumenor, it goes on to look for a display.
said=$(run lumenor 2>&1 || true)
echo "$said"
if [[ $said == *"X display"* ]]; then echo "finds its pages"; else exit 1; fi

run dpkg -L lumenor | sort >"$root/tmp/files"
tree >"$root/tmp/installed"
run apt remove -y lumenor >/dev/null 2>&1
tree >"$root/tmp/removed"
# Removing takes away exactly the package's own files and adds nothing.
comm -3 "$root/tmp/installed" "$root/tmp/removed" >"$root/tmp/changed"
if grep -q $'^\t' "$root/tmp/changed"; then echo "removing added files"; exit 1; fi
# The icon cache goes too: the icon theme's trigger rebuilds it without our icons.
others=$(comm -23 "$root/tmp/changed" "$root/tmp/files" | grep -v '/icon-theme.cache$' || true)
if [ -n "$others" ]; then echo "removed files of others: $others"; exit 1; fi
left=$(run find / -xdev -path /tmp -prune -o -iname '*lumenor*' -print)
if [ -n "$left" ]; then echo "left behind: $left"; exit 1; fi
echo "removed $(wc -l <"$root/tmp/changed") paths, nothing named lumenor left"
