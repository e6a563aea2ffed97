#!/usr/bin/env bash
# tarnwick-cli.exe, run under Wine, makes an image of a folder; Linux's independent readers
# (bsdtar, isoinfo) list the same names and extract the same bytes.
#   image_readback.sh <tarnwick-cli.exe> <wine prefix>
set -euo pipefail
cli=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES=wnaspi32=n
for tool in wine winepath isoinfo bsdtar cmp; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src="$work/source ✓ folder"  # not in any ANSI code page: the arguments must arrive in UTF-8
mkdir -p "$src/VIDEO_TS" "$src/Long Folder Name With Spaces/deeper/deepest" \
         "$src/Ünïcödé ✓ folder" "$src/Empty Files"
# Sizes around the 64 KiB blocks of the write path and the 2048-byte sectors.
head -c 70001 /dev/urandom >"$src/VIDEO_TS/VTS_01_1.VOB"
head -c 65536 /dev/urandom >"$src/VIDEO_TS/VTS_01_0.IFO"
head -c 2048 /dev/urandom >"$src/VIDEO_TS/VIDEO_TS.BUP"
head -c 2049 /dev/urandom >"$src/Long Folder Name With Spaces/deeper/deepest/a file with a long name.dat"
printf 'hello from wine\n' >"$src/readme.txt"
printf 'grüße\n' >"$src/Ünïcödé ✓ folder/naïve café.txt"
: >"$src/Empty Files/zero.bin"
printf 'x' >"$src/Empty Files/one.bin"

iso=$work/out.iso
# Windows sees the folders as Wine maps them (Z:\...).
wsrc=$(winepath -w "$src")
wiso=$(winepath -w "$iso")
if ! out=$(wine "$cli" image --volume-id WINE_TEST "$wsrc" "$wiso" 2>&1); then
  echo "tarnwick-cli.exe failed:"; echo "$out"; exit 1
fi
[[ -s "$iso" ]] || { echo "no image written"; echo "$out"; exit 1; }

status=0
# bsdtar reads the Joliet tree: the whole tree must come back byte for byte.
mkdir "$work/bsdtar"
bsdtar -xf "$iso" -C "$work/bsdtar"
if ! diff -r "$src" "$work/bsdtar"; then
  echo "bsdtar: the extracted tree differs from the source"; status=1
fi

# isoinfo: the Joliet listing names every file, and each file extracts to the same bytes
# (isoinfo prints names in 8-bit character sets only: the files with ASCII paths; bsdtar
# above covers the others).
listing=$(isoinfo -i "$iso" -J -f)
while IFS= read -r -d '' f; do
  rel=${f#"$src"}
  LC_ALL=C grep -q '[^ -~]' <<<"$rel" && continue
  # Files carry the version ";1" in the Joliet tree too.
  if ! grep -Fxq "$rel;1" <<<"$listing"; then
    echo "isoinfo: $rel is not listed"; status=1; continue
  fi
  if ! isoinfo -i "$iso" -J -x "$rel;1" | cmp -s - "$f"; then
    echo "isoinfo: $rel differs"; status=1
  fi
done < <(find "$src" -type f -print0)

# The ISO 9660 tree carries the short names Windows gave the long ones.
iso_names=$(isoinfo -i "$iso" -f)
grep -q '~' <<<"$iso_names" || { echo "isoinfo: no short names in the ISO 9660 tree"; status=1; }
grep -Fxq "/VIDEO_TS/VTS_01_1.VOB;1" <<<"$iso_names" || { echo "isoinfo: /VIDEO_TS/VTS_01_1.VOB;1 missing"; status=1; }
isoinfo -i "$iso" -d | grep -q "Volume id: WINE_TEST" || { echo "isoinfo: volume id not WINE_TEST"; status=1; }

exit $status
