#!/usr/bin/env bash
# Start-up and first-parse figures of the built program, on an X server of its own (Xvfb) and
# against the stand-in parse service with the sample media:
#   - process start to the window shown (mapped on the X server):
#       cold: each start a fresh copy of the program with fresh cache and config folders, the
#             page cache dropped first where this machine allows it;
#       warm: repeated starts of one copy;
#   - the first click on "解析" after a start (the web engine starts with it) to the preview
#     page written, to the video asked for at the stand-in, and to the video playing: after it
#     was asked for, in two looks in a row, three frames of the top of the picture taken 50 ms
#     apart all differ. The program offers no hook to read the video's
#     currentTime from outside, so this is seen on the screen; a look takes about a fifth of
#     a second, which bounds the figure's resolution.
# Dropping the page cache (for the cold starts) needs root and a writable /proc/sys; the
# figures say whether it happened.
# Prints medians (and the spread) in milliseconds.
#
#   bash bench/startup.sh [BUILD_DIR] [RUNS]      defaults: build (as scripts/run.sh), 5
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target vidparse standin_server >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/vidparse-bench.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

now_ms() { echo $(($(date +%s%N) / 1000000)); }
first_line() {
  for _ in $(seq 400); do
    [ -s "$1" ] && { head -n 1 "$1"; return 0; }
    sleep 0.05
  done
  return 1
}
# median and range of the numbers given
summary() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {printf "median %d  (min %d, max %d, n=%d)", v[int((NR+1)/2)], v[1], v[NR], NR}'; }

bash scripts/sample-media.sh "$work/media"
setsid "$build/tools/standin_server" --site-media "$work/media" --log "$work/requests.log" >"$work/standin.port" 2>"$work/standin.log" &
pids+=($!)
port=$(first_line "$work/standin.port")

setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
export DISPLAY=":$(first_line "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY

can_drop=no
if sync 2>/dev/null && { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then can_drop=yes; fi

app=""
elapsed=0
# start COPY_DIR CACHE_DIR: starts the program (its pid in app, a process group of its own);
# elapsed holds the milliseconds until its window showed.
start() {
  local begin
  begin=$(now_ms)
  env http_proxy="http://127.0.0.1:$port" no_proxy= NO_PROXY= XDG_CACHE_HOME="$2/cache" \
    XDG_CONFIG_HOME="$2/config" XDG_DATA_HOME="$2/data" setsid "$1/vidparse" >>"$work/vidparse.log" 2>&1 &
  app=$!
  pids+=("$app")
  until [ -n "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null)" ]; do
    kill -0 "$app" 2>/dev/null || { echo "bench: the program ended at start; see its log:" >&2; tail "$work/vidparse.log" >&2; exit 1; }
    sleep 0.002
  done
  elapsed=$(($(now_ms) - begin))
}
stop() {
  kill -TERM -- "-$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}
main_window() {
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ')" = "WIDTH=1032 HEIGHT=632 " ] && { echo "$w"; return 0; }
  done
  return 1
}

cold=()
for i in $(seq "$runs"); do
  mkdir -p "$work/cold$i/app"
  cp "$build/app/vidparse" "$work/cold$i/app/"
  [ "$can_drop" = yes ] && { sync; echo 3 >/proc/sys/vm/drop_caches; }
  start "$work/cold$i/app" "$work/cold$i"
  cold+=("$elapsed")
  stop
done

mkdir -p "$work/warm/app"
cp "$build/app/vidparse" "$work/warm/app/"
start "$work/warm/app" "$work/warm"
stop
warm=()
for _ in $(seq "$runs"); do
  start "$work/warm/app" "$work/warm"
  warm+=("$elapsed")
  stop
done

written=()
fetched=()
playing=()
for _ in $(seq "$runs"); do
  rm -f "$work/warm/app/ZERU_Flash.html"
  start "$work/warm/app" "$work/warm"
  sleep 2  # the start-up check of the version runs first and holds the buttons
  window=$(main_window)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  seen=$(wc -l <"$work/requests.log")
  begin=$(now_ms)
  xdotool mousemove --window "$window" 400 378 click 1
  until [ -f "$work/warm/app/ZERU_Flash.html" ]; do
    [ $(($(now_ms) - begin)) -gt 60000 ] && { echo "bench: no preview page after 60 s" >&2; exit 1; }
    sleep 0.005
  done
  written+=($(($(now_ms) - begin)))
  until tail -n +"$((seen + 1))" "$work/requests.log" | grep -q '^GET http://media[^ ]*/video/'; do
    [ $(($(now_ms) - begin)) -gt 60000 ] && { echo "bench: the video was not asked for within 60 s" >&2; exit 1; }
    sleep 0.005
  done
  fetched+=($(($(now_ms) - begin)))
  # Starting the web engine, loading the page and the player's own spinner and controls change
  # the view too. So only the strip along the top of the picture is watched (the sample clip's
  # running clock and moving pattern; the player draws nothing there), once the video has been
  # asked for, and two looks in a row must see motion there. The figure is the first look's time.
  moving_since=""
  while :; do
    [ $(($(now_ms) - begin)) -gt 60000 ] && { echo "bench: the video did not play within 60 s" >&2; exit 1; }
    look=$(now_ms)
    distinct=$(ffmpeg -nostdin -v error -f x11grab -probesize 32 -analyzeduration 0 -draw_mouse 0 -framerate 20 -video_size 300x30 \
      -i "$DISPLAY+$((X + 552 + 60)),$((Y + 10))" -frames:v 3 -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}' |
      sort -u | wc -l)
    if [ "$distinct" -eq 3 ]; then
      [ -n "$moving_since" ] && break
      moving_since=$look
    else
      moving_since=""
    fi
  done
  playing+=($((moving_since - begin)))
  stop
done

echo
echo "vidparse start-up and first parse, under Xvfb against the stand-in ($runs runs each, ms)"
echo "  start to window shown, cold:        $(summary "${cold[@]}")   page cache dropped: $can_drop"
echo "  start to window shown, warm:        $(summary "${warm[@]}")"
echo "  click on 解析 to preview written:   $(summary "${written[@]}")"
echo "  click on 解析 to video asked for:   $(summary "${fetched[@]}")   (the stand-in's log, read every 20 ms)"
echo "  click on 解析 to video playing:     $(summary "${playing[@]}")"
