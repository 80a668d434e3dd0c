#!/usr/bin/env bash
# saver_endtoend.sh <saver.scr> <cut saver.scr> <mp3 saver.scr> <stuck music saver.scr> <folder>
#
# The built saver, full screen in the test X server, watched through screenshots:
#  1. /s shows the splash picture, then the default scene's first slide, then the
#     slide after it; a real key press (xdotool) ends it with exit code 0.
#  2. The saver whose document is cut short shows its error box instead of ending,
#     and a key press ends it with exit code 0.
#  3. The saver whose first slide plays an MP3 sound item ends on a key press with
#     exit code 0 while the item plays, three runs in a row.
#  4. The saver whose music player never returns (a media call blocked for good)
#     still shows its first slide and the next, and ends on a key with exit code 0.
# Any exit code but 0 fails, the negative ones (a signal or crash under Wine) too.
# The waits are generous: on a loaded machine Wine takes long to start the saver.
# Each screenshot is sampled on a 160 x 128 grid into <folder> and named by what it
# shows (screens.sh). Needs the Wine session of scripts/test (DISPLAY, WINEPREFIX).
set -uo pipefail
saver="$1"
cut_saver="$2"
mp3_saver="$3"
stuck_saver="$4"
folder="$5"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../../scripts/lib/screens.sh"

rm -rf "$folder"
mkdir -p "$folder"
saver_pid=""

stop_saver() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
    kill -9 "$saver_pid" 2>/dev/null
    wait "$saver_pid" 2>/dev/null
  fi
  saver_pid=""
}
trap 'ds_screens_stop; stop_saver' EXIT

fail() {
  echo "FAIL: $*"
  echo "screens seen (time since start, what):"
  sed 's/^/  /' "$folder/seen.txt" 2>/dev/null
  exit 1
}

# Presses a key and expects the saver to end with exit code 0 within a minute.
end_with_key() {
  xdotool key space
  local i
  for i in $(seq 1 600); do
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$saver_pid" 2>/dev/null && fail "$1: the saver did not end on a key press"
  wait "$saver_pid"
  local code=$?
  saver_pid=""
  [ "$code" -eq 0 ] || fail "$1: the saver ended with exit code $code"
}

# ---- The default scene ----
wine "$saver" /s >"$folder/saver.log" 2>&1 &
saver_pid=$!
ds_screens_start "$folder/scene" 4
ds_screens_wait_for "$folder/scene" dawn 180 || fail "the first slide never showed"
ds_screens_stop
ds_screens_seen "$folder/scene" >"$folder/seen.txt"
first_slide_at="$(awk '$2 == "dawn" { print $1; exit }' "$folder/seen.txt")"
splash_at="$(awk '$2 == "splash" { print $1; exit }' "$folder/seen.txt")"
[ -n "$splash_at" ] || fail "the splash picture was not seen"
awk -v s="$splash_at" -v d="$first_slide_at" 'BEGIN { exit !(s < d) }' ||
  fail "the splash came after the first slide"
# Nothing but black and the splash before the first slide.
awk -v d="$first_slide_at" '$1 < d && $2 != "black" && $2 != "splash" { bad = 1 } END { exit bad }' \
  "$folder/seen.txt" || fail "something else showed before the first slide"
kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended on its own"

# The first slide stays about nine seconds, then the second fades in.
ds_screens_start "$folder/change" 1
ds_screens_wait_for "$folder/change" meadow 90 || fail "the second slide never showed"
ds_screens_stop
ds_screens_seen "$folder/change" >>"$folder/seen.txt"
end_with_key "default scene"

# ---- A document cut short ----
wine "$cut_saver" /s >"$folder/cut_saver.log" 2>&1 &
saver_pid=$!
ds_screens_start "$folder/cut" 1
ds_screens_wait_for "$folder/cut" errorbox 180 || fail "the cut-short document showed no error box"
ds_screens_stop
ds_screens_seen "$folder/cut" >>"$folder/seen.txt"
kill -0 "$saver_pid" 2>/dev/null || fail "the saver with the cut-short document ended on its own"
end_with_key "cut-short document"

# ---- A scene with an MP3 sound item, ended while the item plays ----
for run in 1 2 3; do
  wine "$mp3_saver" /s >"$folder/mp3_saver_$run.log" 2>&1 &
  saver_pid=$!
  ds_screens_start "$folder/mp3_$run" 2
  ds_screens_wait_for "$folder/mp3_$run" dawn 180 || fail "MP3 scene, run $run: the first slide never showed"
  ds_screens_stop
  ds_screens_seen "$folder/mp3_$run" >>"$folder/seen.txt"
  # The item starts with its slide; let it play a moment.
  sleep 2
  kill -0 "$saver_pid" 2>/dev/null || fail "MP3 scene, run $run: the saver ended on its own"
  end_with_key "MP3 scene, run $run"
done

# ---- A music player blocked for good ----
wine "$stuck_saver" /s >"$folder/stuck_saver.log" 2>&1 &
saver_pid=$!
ds_screens_start "$folder/stuck" 2
ds_screens_wait_for "$folder/stuck" dawn 180 || fail "blocked music: the first slide never showed"
ds_screens_stop
ds_screens_seen "$folder/stuck" >>"$folder/seen.txt"
# Still drawing: the next slide fades in while the music stays blocked.
ds_screens_start "$folder/stuck_change" 1
ds_screens_wait_for "$folder/stuck_change" meadow 90 || fail "blocked music: the second slide never showed"
ds_screens_stop
ds_screens_seen "$folder/stuck_change" >>"$folder/seen.txt"
end_with_key "blocked music"

echo "screens seen (time since start, what):"
sed 's/^/  /' "$folder/seen.txt"
echo "PASS"
