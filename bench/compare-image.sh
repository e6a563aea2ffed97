#!/usr/bin/env bash
# Side-by-side: tarnwick-cli image against genisoimage and xorriso (and cat / tar as the
# floor) on the same trees in one run, with wall time and peak memory of each.
#
#   bench/compare-image.sh [WORKDIR]
#
# WORKDIR (default build/bench) receives the generated trees (~2.3 GiB) and, one at a time,
# the images; everything generated is deleted at the end. Set KEEP=1 to keep the trees.
# REPEAT=N (default 3) runs every tool N times, in rounds that take each tool in turn, and
# reports the median time and the highest peak: on a shared or virtual machine single runs of
# a 2 GiB write vary several-fold with what the kernel is doing at the moment. The first tool
# of each round changes from round to round. BEFORE_CLI=path adds the row "before": another
# tarnwick-cli build (an earlier commit) measured in the same rounds.
# Targets: large tree at least as fast as genisoimage and within 10% of cat; small files at
# least 1.5x genisoimage's files/s; peak memory under 0.5 KiB per file plus the cache;
# a 4.5 GiB file under 64 MiB peak. The row "udf" is tarnwick-cli with --udf (the UDF bridge):
# at most 5% more time than without on the small files, the same memory budget. A DVD-Video
# tree of about 2 GiB (ffmpeg and dvdauthor; DVD=0 leaves it out) is imaged with the bridge
# and the IFO placement, against genisoimage -dvd-video.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=${1:-$root/build/bench}
cli=${TARNWICK_CLI:-$root/build/default/cli/tarnwick-cli}
[[ -x $cli ]] || { echo "build tarnwick-cli first (cmake --build --preset default --target tarnwick-cli)"; exit 2; }
for tool in genisoimage xorriso tar /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)"; exit 2; }
done

mkdir -p "$work"
large=$work/large small=$work/small sparse=$work/sparse dvd=$work/dvd out=$work/out.img conf=$work/config
mkdir -p "$conf" # no settings file: every run uses the built-in defaults
cleanup() {
  rm -f "$out" "$work/time.txt"
  [[ ${KEEP:-0} == 1 ]] || rm -rf "$large" "$small" "$sparse" "$dvd" "$conf"
}
trap cleanup EXIT

echo "== generating trees in $work (df: $(df -h --output=avail "$work" | tail -1 | tr -d ' ') free)"
if [[ ! -d $large ]]; then
  mkdir -p "$large/VIDEO_TS"
  for i in 1 2 3 4 5 6 7 8; do
    head -c $((256 << 20)) /dev/urandom > "$large/VIDEO_TS/VTS_01_$i.VOB"
  done
fi
if [[ ! -d $small ]]; then
  python3 - "$small" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(1)
blob = os.urandom(1 << 16)
for d in range(5000):
    folder = os.path.join(root, f"group {d // 100:02d}", f"folder {d:04d}")
    os.makedirs(folder, exist_ok=True)
    for f in range(20):
        size = rng.choice((0, 100, 700, 1500, 2048, 3000, 6000, 12000))
        with open(os.path.join(folder, f"file {f:02d}.dat"), "wb") as fh:
            fh.write(blob[:size])
PY
fi
if [[ ${DVD:-1} == 1 && ! -d $dvd/VIDEO_TS ]]; then
  command -v ffmpeg >/dev/null && command -v dvdauthor >/dev/null || { echo "missing ffmpeg or dvdauthor (DVD=0 skips)"; exit 2; }
  # 75 seconds at the highest DVD rate, in 30 titles of two title sets: about 2 GiB. dvdauthor
  # shares the cells of a file named twice, so every title takes a link of its own.
  mkdir -p "$dvd"
  ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i anoisesrc=d=75 -t 75 \
    -target pal-dvd -b:v 8500k -minrate 8500k -maxrate 9000k -bufsize 1835k -shortest "$dvd/clip.mpg"
  {
    echo '<dvdauthor><vmgm/>'
    for set in 1 2; do
      echo '<titleset><titles>'
      for t in $(seq 1 15); do
        ln -f "$dvd/clip.mpg" "$dvd/clip-$set-$t.mpg"
        echo '<pgc><vob file="'"$dvd/clip-$set-$t.mpg"'" chapters="0,0:30,1:00"/></pgc>'
      done
      echo '</titles></titleset>'
    done
    echo '</dvdauthor>'
  } > "$dvd/project.xml"
  VIDEO_FORMAT=PAL dvdauthor -o "$dvd/disc" -x "$dvd/project.xml" >/dev/null 2>&1
  rm -f "$dvd"/clip*.mpg "$dvd/project.xml"
  mv "$dvd/disc/VIDEO_TS" "$dvd/VIDEO_TS" && mkdir -p "$dvd/AUDIO_TS" && rm -rf "$dvd/disc"
fi
mkdir -p "$sparse"
truncate -s $((4608 << 20)) "$sparse/big.vob"

nfiles_large=$(find "$large" -type f | wc -l)
nfiles_small=$(find "$small" -type f | wc -l)
bytes_large=$(du -sb "$large" | cut -f1)
bytes_small=$(du -sb --apparent-size "$small" | cut -f1)

# run NAME TARGET COMMAND...: one timed run, image written to $out; prints "seconds peakKiB".
run() {
  local name=$1; shift
  rm -f "$out"; sync
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 || echo "($name failed)" >&2
  rm -f "$out"
  tail -1 "$work/time.txt"
}

declare -A secs mem
tools=(tarnwick udf genisoimage xorriso cat tar)
[[ -n ${BEFORE_CLI:-} ]] && tools+=(before)
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }
measure() { # TREE LABEL
  local tree=$1 label=$2 round t r i
  declare -A all_secs all_mem
  # Warm the page cache once so every tool reads from memory alike.
  tar cf - -C "$tree" . > /dev/null
  for ((round = 0; round < ${REPEAT:-3}; ++round)); do
    for ((i = 0; i < ${#tools[@]}; ++i)); do
      t=${tools[(i + round) % ${#tools[@]}]}
      case $t in
        before) r=$(run before env TARNWICK_CONFIG_DIR="$conf" "$BEFORE_CLI" image -q "$tree" "$out") ;;
        cat) r=$(run cat bash -c "find '$tree' -type f -print0 | xargs -0 cat > '$out'") ;;
        tarnwick) r=$(run tarnwick env TARNWICK_CONFIG_DIR="$conf" "$cli" image -q "$tree" "$out") ;;
        udf) r=$(run udf env TARNWICK_CONFIG_DIR="$conf" "$cli" image -q --udf "$tree" "$out") ;;
        noudf) r=$(run noudf env TARNWICK_CONFIG_DIR="$conf" "$cli" image -q --no-udf "$tree" "$out") ;;
        genisoimage-dvd) r=$(run genisoimage-dvd genisoimage -quiet -dvd-video -o "$out" "$tree") ;;
        genisoimage) r=$(run genisoimage genisoimage -quiet -J -joliet-long -D -o "$out" "$tree") ;;
        xorriso) r=$(run xorriso xorriso -as mkisofs -quiet --norock -J -joliet-long -o "$out" "$tree") ;;
        tar) r=$(run tar tar cf "$out" -C "$tree" .) ;;
      esac
      all_secs[$t]+="${r% *} "
      all_mem[$t]+="${r#* } "
    done
  done
  for t in "${tools[@]}"; do
    secs[$label,$t]=$(echo "${all_secs[$t]}" | median)
    mem[$label,$t]=$(echo "${all_mem[$t]}" | tr ' ' '\n' | sed '/^$/d' | sort -g | tail -1)
    [[ ${REPEAT:-3} -gt 1 ]] && echo "  $label $t runs: ${all_secs[$t]}"
  done
  return 0
}

report() { # LABEL FILES BYTES
  local label=$1 files=$2 bytes=$3 t
  printf '\n%-12s %9s %10s %12s %11s %9s\n' "$label" seconds "MB/s" "files/s" "peak MiB" "vs ours"
  for t in "${tools[@]}"; do
    awk -v t="$t" -v s="${secs[$label,$t]}" -v m="${mem[$label,$t]}" -v f="$files" -v b="$bytes" \
        -v o="${secs[$label,tarnwick]}" 'BEGIN {
          if (s <= 0) s = 0.01;
          printf "%-12s %9.2f %10.1f %12.0f %11.1f %8.2fx\n", t, s, b / s / 1e6, f / s, m / 1024, s / o }'
  done
}

echo "== large tree: $nfiles_large files, $((bytes_large >> 20)) MiB"
measure "$large" large
report large "$nfiles_large" "$bytes_large"
echo
echo "== small files: $nfiles_small files in 5000 folders, $((bytes_small >> 20)) MiB"
measure "$small" small
report small "$nfiles_small" "$bytes_small"

# Image sectors with and without the bridge (to /dev/null; the summary line gives the size).
image_bytes() { env TARNWICK_CONFIG_DIR="$conf" "$cli" image "$@" /dev/null 2>&1 | sed -n 's/^Done: \([0-9]*\) bytes.*/\1/p'; }
size_row() { # LABEL TREE
  local off on
  off=$(image_bytes --no-udf "$2") on=$(image_bytes --udf "$2")
  printf 'image size %-6s without --udf %14s bytes, with %14s bytes: +%s sectors (%.4f%%)\n' "$1" "$off" "$on" \
    $(((on - off) / 2048)) "$(echo "($on - $off) * 100 / $off" | bc -l)"
}
echo
size_row large "$large"
size_row small "$small"

if [[ ${DVD:-1} == 1 ]]; then
  nfiles_dvd=$(find "$dvd" -type f | wc -l)
  bytes_dvd=$(du -sb "$dvd" | cut -f1)
  echo
  echo "== DVD-Video tree (dvdauthor): $nfiles_dvd files, $((bytes_dvd >> 20)) MiB; tarnwick detects it (UDF + IFO placement)"
  saved_tools=("${tools[@]}")
  tools=(tarnwick noudf genisoimage-dvd cat)
  measure "$dvd" dvd
  report dvd "$nfiles_dvd" "$bytes_dvd"
  size_row dvd "$dvd"
  tools=("${saved_tools[@]}")
fi

echo
echo "== 4.5 GiB sparse file to /dev/null (memory)"
/usr/bin/time -f "%e %M" -o "$work/time.txt" env TARNWICK_CONFIG_DIR="$conf" "$cli" image -q "$sparse" /dev/null >/dev/null 2>&1
r=$(tail -1 "$work/time.txt")
sparse_secs=${r% *} sparse_mem=${r#* }
printf 'tarnwick     %9.2f s  peak %.1f MiB\n' "$sparse_secs" "$(echo "$sparse_mem / 1024" | bc -l)"

echo
echo "== targets"
awk -v ours="${secs[large,tarnwick]}" -v gen="${secs[large,genisoimage]}" -v cat="${secs[large,cat]}" \
    -v sOurs="${secs[small,tarnwick]}" -v sGen="${secs[small,genisoimage]}" \
    -v mem="${mem[small,tarnwick]}" -v files="$nfiles_small" -v sparse="$sparse_mem" \
    -v sUdf="${secs[small,udf]}" -v lUdf="${secs[large,udf]}" -v memUdf="${mem[small,udf]}" 'BEGIN {
  ok = "met"; no = "MISSED";
  printf "large tree vs genisoimage: %.2fx its time (target <= 1.00): %s\n", ours / gen, (ours <= gen ? ok : no);
  printf "large tree vs cat: %.2fx its time (target <= 1.10): %s\n", ours / cat, (ours <= 1.10 * cat ? ok : no);
  printf "small files: %.2fx genisoimage files/s (target >= 1.5): %s\n", sGen / sOurs, (sGen / sOurs >= 1.5 ? ok : no);
  budget = files * 0.5 + 4096 + 16384; # KiB: 0.5 KiB a file + the 4 MiB cache + program and libraries
  printf "small files peak memory: %.1f MiB for %d files (budget %.1f MiB incl. 16 MiB for the program): %s\n",
         mem / 1024, files, budget / 1024, (mem <= budget ? ok : no);
  printf "small files with --udf: %.3fx the time without (target <= 1.05): %s\n", sUdf / sOurs, (sUdf <= 1.05 * sOurs ? ok : no);
  printf "large tree with --udf: %.3fx the time without\n", lUdf / ours;
  printf "small files with --udf peak memory: %.1f MiB (budget %.1f MiB): %s\n", memUdf / 1024, budget / 1024, (memUdf <= budget ? ok : no);
  printf "4.5 GiB file peak memory: %.1f MiB (target < 64): %s\n", sparse / 1024, (sparse < 65536 ? ok : no);
}'
