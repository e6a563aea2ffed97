#!/usr/bin/env bash
# Package stage: the .deb made from the default build (already built by scripts/test, so only
# the install step and CPack run here), then checked as a user would meet it.
set -euo pipefail
cd "$(dirname "$0")/../.."

out=build/default/deb
rm -rf "$out"
(cd build/default && cpack -G DEB -B "$PWD/deb" >/dev/null)
scripts/check-package "$out"/tarnwick_*.deb
