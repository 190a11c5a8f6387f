#!/usr/bin/env bash
# Generates sample media for the stand-in parse service into DIR, laid out as its --site-media
# option reads it: DIR/video/<site>/*.mp4 and DIR/cover/<site>/*.{jpg,webp}.
#
#   bash scripts/sample-media.sh DIR
#
# Three short portrait clips (H.264 High profile, AAC, moving test patterns with a tone), and as
# covers a frame of each clip, as the sites do: JPEG for the first and third, WebP for the second.
# Every site gets clips and covers; Huoshan's reply lists three, Toutiao's two.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bash scripts/sample-media.sh DIR" >&2
  exit 2
fi
out=$1
work="$out/.clips"
mkdir -p "$work"

clip() {  # clip NUMBER SOURCE TONE_HZ
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "$2" -f lavfi -i "sine=frequency=$3:sample_rate=44100:duration=6" \
    -c:v libx264 -preset veryfast -crf 30 -pix_fmt yuv420p -profile:v high \
    -c:a aac -b:a 64k -movflags +faststart -shortest "$work/clip$1.mp4"
}
cover() {  # cover NUMBER EXTENSION
  ffmpeg -nostdin -v error -y -ss 1 -i "$work/clip$1.mp4" -frames:v 1 -vf scale=270:480 \
    "$work/cover$1.$2"
}

clip 1 "testsrc2=size=360x640:rate=25:duration=6" 440
clip 2 "testsrc2=size=360x640:rate=25:duration=6,hue=h=140" 550
clip 3 "testsrc=size=360x640:rate=25:duration=6" 660
cover 1 jpg
cover 2 webp
cover 3 jpg

# place SITE CLIPS COVERS: hard links (copies where links fail) named after the site's
# video numbers, in the order its reply lists them.
place() {
  local site=$1 n=0
  mkdir -p "$out/video/$site" "$out/cover/$site"
  for c in $2; do
    n=$((n + 1))
    ln -f "$work/clip$c.mp4" "$out/video/$site/$n.mp4" 2>/dev/null || cp "$work/clip$c.mp4" "$out/video/$site/$n.mp4"
  done
  n=0
  for c in $3; do
    n=$((n + 1))
    local file
    file=$(ls "$work"/cover"$c".*)
    ln -f "$file" "$out/cover/$site/$n.${file##*.}" 2>/dev/null || cp "$file" "$out/cover/$site/$n.${file##*.}"
  done
}

place douyin 1 1
place kuaishou 2 2
place huoshan "1 2 3" "1 2"
place meipai 3 3
place weishi 1 2
place yunyinyue 2 1
place momo 3 2
place xiaoying 1 3
place toutiao "3 1" 3
