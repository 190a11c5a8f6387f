#!/usr/bin/env bash
# The whole road on this machine: builds the program and the stand-in parse service if needed,
# generates sample clips and covers, serves them from the stand-in and starts the program
# routed to it through http_proxy. Close the window or press Ctrl+C to end; both processes stop
# and the demo's folder is removed.
#
#   bash scripts/demo.sh                   on a desktop (DISPLAY set)
#   bash scripts/demo.sh --screenshot F    no desktop needed: presses "解析" in a private X
#                                          server, waits for the video to play, saves the
#                                          window as the PNG file F and ends
#
# BUILD_DIR names the build folder (default: build, the one scripts/run.sh uses).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

screenshot=""
case "${1:-}" in
  "") ;;
  --screenshot)
    [ $# -eq 2 ] || { echo "usage: bash scripts/demo.sh [--screenshot FILE.png]" >&2; exit 2; }
    screenshot=$(realpath -m "$2")
    ;;
  *) echo "usage: bash scripts/demo.sh [--screenshot FILE.png]" >&2; exit 2 ;;
esac
if [ -z "$screenshot" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no desktop to show the window on (DISPLAY is not set)." >&2
  echo "      Run it in a desktop session, or see it work with: bash scripts/demo.sh --screenshot shot.png" >&2
  exit 1
fi

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target vidparse standin_server

demo=$(mktemp -d "${TMPDIR:-/tmp}/vidparse-demo.XXXXXX")
pids=()
cleanup() {
  trap - EXIT INT TERM
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$demo"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

echo "demo: generating sample media in $demo/media"
bash scripts/sample-media.sh "$demo/media"

# A copy of the program, so the preview page and the downloads it writes beside itself land in
# the demo's folder.
mkdir -p "$demo/app"
cp "$build/app/vidparse" "$demo/app/"

# first_line FILE: waits for the first line a starting process writes to FILE.
first_line() {
  for _ in $(seq 200); do
    [ -s "$1" ] && head -n 1 "$1" | grep -q . && { head -n 1 "$1"; return 0; }
    sleep 0.05
  done
  return 1
}

"$build/tools/standin_server" --site-media "$demo/media" --version 2.1 >"$demo/standin.port" 2>"$demo/standin.log" &
pids+=($!)
port=$(first_line "$demo/standin.port") || { echo "demo: the stand-in did not start:" >&2; cat "$demo/standin.log" >&2; exit 1; }
proxy="http://127.0.0.1:$port"

if [ -n "$screenshot" ]; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$demo/display" 2>"$demo/xvfb.log" &
  pids+=($!)
  export DISPLAY=":$(first_line "$demo/display")"
  unset WAYLAND_DISPLAY
fi

env http_proxy="$proxy" no_proxy= NO_PROXY= "$demo/app/vidparse" >"$demo/vidparse.log" 2>&1 &
app=$!
pids+=("$app")

if [ -z "$screenshot" ]; then
  cat <<EOF

The program runs against the stand-in parse service at $proxy (http_proxy).
  - Press 解析: the sample Douyin link in the URL box gives its address, title, cover and the
    video playing on the right.
  - Press 下载: the video is saved into
      $demo/app/解析视频下载
    (play it with: ffplay FILE). Other sites' links work too, e.g. https://v.kuaishou.com/abc
    or https://www.huoshan.com/share/video/1/ (three videos).
Close the window or press Ctrl+C to end the demo; its folder is removed then.
EOF
  status=0
  wait "$app" || status=$?
  exit "$status"
fi

# --screenshot: the window appears at its own place; press 解析 on it and wait for the video.
window=""
for _ in $(seq 300); do
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ')" = "WIDTH=1032 HEIGHT=632 " ] && window=$w
  done
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "demo: the window did not appear" >&2; cat "$demo/vidparse.log" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
sleep 1  # the start-up check of the version runs first
xdotool mousemove --sync --window "$window" 400 378 click 1
# Playing: the strip along the top of the picture (the sample clip's running clock; the player
# draws its spinner and controls elsewhere) keeps changing, in two looks in a row.
played=""
moving=0
for _ in $(seq 240); do
  if [ -f "$demo/app/ZERU_Flash.html" ]; then
    sums=$(ffmpeg -nostdin -v error -f x11grab -probesize 32 -analyzeduration 0 -draw_mouse 0 -framerate 20 -video_size 300x30 \
      -i "$DISPLAY+$((X + 612)),$((Y + 10))" -frames:v 3 -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}' |
      sort -u | wc -l)
    if [ "$sums" -eq 3 ]; then moving=$((moving + 1)); else moving=0; fi
    [ "$moving" -ge 2 ] && { played=1; break; }
  fi
  sleep 0.25
done
[ -n "$played" ] || { echo "demo: the video did not play" >&2; cat "$demo/vidparse.log" >&2; exit 1; }
sleep 1
mkdir -p "$(dirname "$screenshot")"
ffmpeg -nostdin -v error -y -f x11grab -draw_mouse 0 -video_size 1032x632 -i "$DISPLAY+$X,$Y" -frames:v 1 \
  "$demo/window.png"
# 128 colours keep the file small and the text sharp.
ffmpeg -nostdin -v error -y -i "$demo/window.png" \
  -filter_complex "split[a][b];[a]palettegen=max_colors=128[p];[b][p]paletteuse=dither=none" "$screenshot"
echo "demo: saved $screenshot"
