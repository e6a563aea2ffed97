#!/usr/bin/env bash
# Fuzz stage: every libFuzzer target for 15 seconds from its seeds; any finding fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
echo "== fuzz"
scripts/fuzz 15
