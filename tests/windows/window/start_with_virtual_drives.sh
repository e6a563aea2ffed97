#!/usr/bin/env bash
# Tarnwick.exe, the Win32 window, under Wine: with two virtual drives in the virtual-drives
# file of its settings folder it lists both in its source and destination lists and selects
# the first; without a drive it shows its transport error and still closes. The probe reads
# the controls back through the real window handles.
#   start_with_virtual_drives.sh <Tarnwick.exe> <tarnwick-window-probe.exe> <wine prefix>
set -euo pipefail
program=$1 probe=$2 prefix=$3
source "$(dirname "$0")/../../../scripts/lib/wine-window.sh"
wine_window_prefix "$prefix" || exit $?

work=$(mktemp -d)
drives_file="$WINEPREFIX/drive_c/windows/virtual-drives.txt"
trap 'rm -rf "$work" "$drives_file"' EXIT
mkdir -p "$work/disc/VIDEO_TS"
printf 'ifo' >"$work/disc/VIDEO_TS/VIDEO_TS.IFO"
status=0
# Without a ver.ini the window shows the build's version, the project's in CMakeLists.txt.
version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../../CMakeLists.txt")

expect() { # expect OUTPUT LINE...: every line must be in the output, as a whole line
  local output=$1 line
  shift
  for line in "$@"; do
    grep -Fxq -- "$line" <<<"$output" || { echo "missing: $line"; status=1; }
  done
}

probe_window() {
  # The console of a Windows program ends its lines with CR LF.
  wine_window_run wine "$probe" "$(windows_path "$program")" list 2>&1 | tr -d '\r' | grep -v '^X connection' || true
}

echo "== two virtual drives"
printf '# the test'"'"'s drives\nE=dvd-rom:%s\nF=dvd-r:%s\n' "$(windows_path "$work/disc")" \
  "$(windows_path "$work/blank.bin")" >"$drives_file"
out=$(probe_window)
echo "$out"
sources=$(sed -n 's/^source: //p' <<<"$out")
destinations=$(sed -n 's/^destination: //p' <<<"$out")
e_drive=$(grep -m1 ',E: ' <<<"$sources" || true)
f_drive=$(grep -m1 ',F: ' <<<"$sources" || true)
[[ -n "$e_drive" && -n "$f_drive" ]] || { echo "the source list does not name drives E: and F:"; status=1; }
# The drives in the engine's order, then the image-file item; the destination list has the
# drives only.
[[ "$sources" == "$e_drive"$'\n'"$f_drive"$'\n'"DVD Image File" ]] || { echo "source items: $sources"; status=1; }
[[ "$destinations" == "$e_drive"$'\n'"$f_drive" ]] || { echo "destination items: $destinations"; status=1; }
# The first drive is selected in both lists and in the engine (its log line); a drive as
# source shows the image-file edit in the destination's place.
expect "$out" "source selected: 0" "destination selected: 0" "destination visible: 0" \
  "image file: c:\\DVD_Image.iso" "image file visible: 1" "log: >>> SELECTING $e_drive" "log visible: 0" \
  "caption: Tarnwick" "group: Version $version" "abort enabled: 0" "progress: 0" "client: 536x355" "exit code: 0"
if grep -q '^message box: ' <<<"$out"; then echo "unexpected message box"; status=1; fi

echo "== no drive"
rm -f "$drives_file"
out=$(probe_window)
echo "$out"
expect "$out" "message box: Error initializing ASPI Layer, Please visit support: https://tarnwick.example/support" \
  "exit code: 0"
if grep -q '^source: [^D]' <<<"$out"; then echo "a drive is listed without one"; status=1; fi

exit $status
