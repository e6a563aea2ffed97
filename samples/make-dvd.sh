#!/usr/bin/env bash
# Regenerates the sample disc samples/dvd: a DVD-Video of one title, two seconds of ffmpeg's
# test pattern with a 440 Hz tone (NTSC, 352x240, MPEG-2 with mono AC-3), authored by
# dvdauthor. Small on purpose: it lives in the repository. Needs ffmpeg and dvdauthor
# (Debian packages of those names; scripts/setup installs them).
set -euo pipefail
cd "$(dirname "$0")"
for tool in ffmpeg dvdauthor; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/setup $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# bitexact: no encoder version in the streams, so a rerun with the same tools gives the same bytes.
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=352x240:rate=30000/1001:duration=2" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" \
  -target ntsc-dvd -s 352x240 -aspect 4:3 -b:v 300k -maxrate 1000k -minrate 0 -bufsize 224k \
  -c:a ac3 -b:a 64k -ac 1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
  "$work/title.mpg"
export VIDEO_FORMAT=NTSC
dvdauthor -o "$work/disc" -t "$work/title.mpg" 2>/dev/null
dvdauthor -o "$work/disc" -T 2>/dev/null

rm -rf dvd/VIDEO_TS
mkdir -p dvd/VIDEO_TS dvd/AUDIO_TS
cp "$work"/disc/VIDEO_TS/* dvd/VIDEO_TS/
# dvdauthor leaves AUDIO_TS empty; a file keeps the folder in git and in the image (empty
# folders are not recorded).
printf 'This disc has no DVD-Audio content.\r\n' >dvd/AUDIO_TS/README.TXT
ls -l dvd/VIDEO_TS
