#!/usr/bin/env bash
# tarnwick-cli.exe under Wine with a tree that plain Win32 paths cannot read (names ending in
# a dot or a space, a path longer than MAX_PATH), dates of both seasons, and an output that is
# one of its own sources. Linux's readers check what the image holds.
#   image_mends.sh <tarnwick-cli.exe> <wine prefix>
set -euo pipefail
cli=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES=wnaspi32=n
for tool in wine winepath bsdtar xorriso faketime cmp; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "$*"; status=1; }

src="$work/tree"
deep="$src"
for i in 1 2 3 4 5 6; do deep="$deep/$(printf 'folder%02d-%050d' "$i" 0)"; done
mkdir -p "$deep"
printf 'dot\n' >"$src/trailing.dot."
printf 'space\n' >"$src/trailing space "
printf 'plain\n' >"$src/trailing.dot"
head -c 5000 /dev/urandom >"$deep/deep file.bin"
# Wine shows the host's root as Z:, so the Windows path is two characters longer.
wdeep="Z:$deep/deep file.bin"
((${#wdeep} > 260)) || fail "the deep path is only ${#wdeep} characters"

iso=$work/out.iso
if ! out=$(wine "$cli" image -q "$(winepath -w "$src")" "$(winepath -w "$iso")" 2>&1); then
  echo "tarnwick-cli.exe failed:"; echo "$out"; exit 1
fi
mkdir "$work/x"
bsdtar -xf "$iso" -C "$work/x"
# Every file comes back under its own name with its bytes (a name without a dot gets none in
# the Joliet tree, so "trailing space " is extracted as it is).
while IFS= read -r -d '' f; do
  rel=${f#"$src/"}
  cmp -s "$f" "$work/x/$rel" || fail "bsdtar: \"$rel\" missing or different"
done < <(find "$src" -type f -print0)
n_src=$(find "$src" -type f | wc -l)
n_out=$(find "$work/x" -type f | wc -l)
((n_src == n_out)) || fail "bsdtar extracted $n_out files, the source has $n_src"
# Dates denote their moment (readers convert with the record's zone byte), imaged in winter
# and in summer under a zone with daylight saving. The job's clock is faked, the files' dates
# are not; xorriso shows the time of day for dates near its own clock, so it runs at the job's.
dated="$work/dated"
mkdir "$dated"
printf 's\n' >"$dated/summer.txt"
printf 'w\n' >"$dated/winter.txt"
touch -d '2026-07-01 12:00:00 UTC' "$dated/summer.txt"
touch -d '2026-02-01 12:00:00 UTC' "$dated/winter.txt"
for season in '2026-12-09 10:00:00|Dec  9 09:00' '2026-07-15 10:00:00|Jul 15 08:00'; do
  clock=${season%|*} job=${season#*|}
  rm -f "$work/dated.iso"
  TZ=Europe/Berlin NO_FAKE_STAT=1 FAKETIME_DONT_FAKE_MONOTONIC=1 faketime "$clock" \
    wine "$cli" image -q "$(winepath -w "$dated")" "$(winepath -w "$work/dated.iso")" >/dev/null 2>&1 ||
    { fail "imaging at $clock failed"; continue; }
  ls=$(TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 faketime "$clock" xorriso -indev "$work/dated.iso" \
         -lsdl / /summer.txt /winter.txt 2>/dev/null)
  grep -Fq "Jul  1 12:00 '/summer.txt'" <<<"$ls" || fail "summer file imaged at $clock: $ls"
  grep -Fq "$job '/'" <<<"$ls" || fail "the folder's date at $clock: $ls"
  # Imaged in December, February lies too far back for xorriso to show the time.
  if [[ $clock == 2026-07* ]]; then
    grep -Fq "Feb  1 12:00 '/winter.txt'" <<<"$ls" || fail "winter file imaged at $clock: $ls"
  fi
done

# An output that is one of the sources: left out, named, exit code 8; the rest is whole.
own="$work/own"
mkdir "$own"
printf 'keep\n' >"$own/a.txt"
head -c 3000000 /dev/zero >"$own/zz.iso"
set +e
out=$(wine "$cli" image -q "$(winepath -w "$own")" "$(winepath -w "$own/zz.iso")" 2>&1)
code=$?
set -e
((code == 8)) || fail "output among the sources: exit $code, not 8: $out"
grep -q 'THE IMAGE FILE ITSELF, LEFT OUT' <<<"$out" || fail "no message for the output among the sources: $out"
mkdir "$work/y"
bsdtar -xf "$own/zz.iso" -C "$work/y"
[[ "$(ls -A "$work/y")" == "a.txt" ]] || fail "the image holds: $(ls -A "$work/y")"
cmp -s "$own/a.txt" "$work/y/a.txt" || fail "a.txt differs"
if ls "$own" | grep -q 'writing\|incomplete'; then fail "work files left beside the output: $(ls "$own")"; fi

exit $status
