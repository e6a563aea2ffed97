#!/usr/bin/env bash
# Fuzz stage: every libFuzzer target for 15 seconds from its seeds, two at a time (one per
# core; each target is a single process); any finding fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
echo "== fuzz"
FUZZ_JOBS="${FUZZ_JOBS:-2}" scripts/fuzz 15
