#!/usr/bin/env bash
# Signs a release package for the update feed with the release key (an Ed25519 private key
# in PEM, made once with `openssl genpkey -algorithm ed25519 -out release.pem`; its public
# half, `openssl pkey -in release.pem -pubout -outform DER | tail -c 32 | base64`, is the key
# built into Lumenor, src/updates/updates_config.cpp).
#
# The signature covers the offer, not just the file: the package name, version and
# architecture (read from the package's own control fields), the version shown to people
# (SHORT_VERSION, when the feed gives one), the length and the file's SHA-256, in the form
# of src/updates/update_offer.h. It prints the item's version element(s) and the enclosure
# attributes; lumenor:edSignature, the file's signature alone, is still printed for Lumenor
# versions from before the offer was signed.
# Usage: scripts/sign-update.sh RELEASE_KEY.pem PACKAGE.deb [SHORT_VERSION]
set -euo pipefail
key=$1
file=$2
short=${3:-}
package=$(dpkg-deb --field "$file" Package)
version=$(dpkg-deb --field "$file" Version)
arch=$(dpkg-deb --field "$file" Architecture)
if [ "$package" != lumenor ]; then
    echo "sign-update.sh: $file is the package $package, not lumenor" >&2
    exit 1
fi
if [ "$arch" = all ]; then
    arch=
fi
length=$(stat -c %s "$file")
sha256=$(sha256sum "$file" | cut -d' ' -f1)
statement=$(mktemp)
trap 'rm -f "$statement"' EXIT
# Ed25519 signs in one pass, so openssl needs the statement as a file, not a pipe.
printf 'lumenor-update-offer-1\npackage=%s\nversion=%s\nshort-version=%s\narchitecture=%s\nlength=%s\nsha256=%s\n' \
    "$package" "$version" "$short" "$arch" "$length" "$sha256" >"$statement"
offer=$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$statement" | base64 -w0)
legacy=$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$file" | base64 -w0)
echo "<lumenor:version>$version</lumenor:version>"
if [ -n "$short" ]; then
    echo "<lumenor:shortVersionString>$short</lumenor:shortVersionString>"
fi
echo "length=\"$length\" ${arch:+lumenor:arch=\"$arch\" }lumenor:sha256=\"$sha256\"" \
    "lumenor:offerSignature=\"$offer\" lumenor:edSignature=\"$legacy\""
