#!/usr/bin/env bash
# tarnwick-cli.exe, run under Wine, copies a disc the way a user does: it images a virtual
# DVD-ROM drive E: and burns the image onto a blank DVD-R in a virtual recorder R:. The burned
# disc must hold the image byte for byte, and Linux's readers must find the source files in it.
#   burn_readback.sh <tarnwick-cli.exe> <wine prefix> <sample folder>
set -euo pipefail
cli=$1 sample=$3
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES=wnaspi32=n
for tool in wine winepath bsdtar cmp timeout; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
iso=$work/copy.iso disc="$work/blank dvd-r.bin"
wsample=$(winepath -w "$sample")
wiso=$(winepath -w "$iso")
wdisc=$(winepath -w "$disc")

run() { # bounded: a hung drive wait must fail the test, not CI
  if ! out=$(timeout 240 wine "$cli" "$@" 2>&1); then
    { echo "tarnwick-cli.exe $* failed:"; echo "$out"; } >&2; exit 1
  fi
  echo "$out"
}

run --virtual "E=dvd-rom:$wsample" image --volume-id WINE_COPY E: "$wiso" >/dev/null
[[ -s $iso ]] || { echo "no image written"; exit 1; }

listing=$(run --virtual "E=dvd-rom:$wsample" --virtual "R=dvd-r:$wdisc" devices)
grep -q "E:" <<<"$listing" && grep -q "R:" <<<"$listing" || { echo "devices does not list E: and R:"; echo "$listing"; exit 1; }

burn=$(run --virtual "R=dvd-r:$wdisc" burn "$wiso" --device R:)
size=$(stat -c %s "$iso")
if ! cmp -n "$size" "$iso" "$disc"; then
  echo "the burned disc differs from the image"; echo "$burn"; exit 1
fi

# The disc is read by a Linux reader as the source folder again.
mkdir "$work/out"
bsdtar -xf "$disc" -C "$work/out"
diff -r "$sample" "$work/out" || { echo "the disc's files differ from the source"; exit 1; }
echo "burned $size bytes; the disc matches the image and the source"
