#!/usr/bin/env bash
# Signs a release package for the update feed with the release key (an Ed25519 private key
# in PEM, made once with `openssl genpkey -algorithm ed25519 -out release.pem`; its public
# half, `openssl pkey -in release.pem -pubout -outform DER | tail -c 32 | base64`, is the key
# built into Lumenor, src/updates/updates_config.cpp). Prints the enclosure
# attributes the feed's item needs: length and lumenor:edSignature.
# Usage: scripts/sign-update.sh RELEASE_KEY.pem PACKAGE.deb
set -euo pipefail
key=$1
file=$2
signature=$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$file" | base64 -w0)
echo "length=\"$(stat -c %s "$file")\" lumenor:edSignature=\"$signature\""
