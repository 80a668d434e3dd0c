#!/usr/bin/env bash
# saver_endtoend.sh <saver.scr> <cut saver.scr> <mp3 saver.scr> <stuck music saver.scr> <folder> <slides file>
#                   <large saver.scr>
#
# The built saver, full screen in the test X server, watched through screenshots:
#  1. /s shows the splash picture, then the default scene's first slide, then every
#     slide in turn (the times of <slides file>, scene_builder's list): two
#     screenshots of each, which show no error box and differ where something moves;
#     the first slide is the dawn, the second the meadow. A
#     real key press (xdotool) ends it with exit code 0.
#  2. The saver whose document is cut short shows its error box instead of ending,
#     and a key press ends it with exit code 0.
#  3. The saver whose first slide plays an MP3 sound item ends on a key press with
#     exit code 0 while the item plays, three runs in a row.
#  4. The saver whose music player never returns (a media call blocked for good)
#     still shows its first slide and the next, and ends on a key with exit code 0.
#  5. The saver whose document takes long to load (thousands of slides): run once to
#     see how long its load takes (the splash until the first slide), then again with a
#     key pressed as soon as the splash shows: it ends with exit code 0, in less than
#     half the load's own time, without the first slide ever showing.
# Any exit code but 0 fails, the negative ones (a signal or crash under Wine) too.
# The waits are for what shows, with limits only a hang reaches: on a loaded machine
# Wine takes long to start the saver, and a capture of the screen takes seconds.
# Each screenshot is sampled on a 160 x 128 grid into <folder> and named by what it
# shows (screens.sh). Needs the Wine session of scripts/test (DISPLAY, WINEPREFIX).
set -uo pipefail
saver="$1"
cut_saver="$2"
mp3_saver="$3"
stuck_saver="$4"
folder="$5"
slides="$6"
large_saver="$7"
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

# Presses a key and expects the saver to end with exit code 0 within two minutes.
end_with_key() {
  xdotool key space
  local end=$((EPOCHSECONDS + 120))
  while [ "$EPOCHSECONDS" -lt "$end" ]; do
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$saver_pid" 2>/dev/null && fail "$1: the saver did not end on a key press"
  wait "$saver_pid"
  local code=$?
  saver_pid=""
  [ "$code" -eq 0 ] || fail "$1: the saver ended with exit code $code"
}

# Starts `wine <saver> /s`, its output in <folder>/<log>.
start_saver() {
  wine "$1" /s >"$folder/$2" 2>&1 &
  saver_pid=$!
}

# watch_for <name> <loops> <screen> <seconds> <what failed>: captures the screen as
# <folder>/<name>_* until it shows <screen>, and adds what was seen to seen.txt.
watch_for() {
  ds_screens_start "$folder/$1" "$2"
  ds_screens_wait_for "$folder/$1" "$3" "$4" || fail "$5"
  ds_screens_stop
  ds_screens_seen "$folder/$1" >>"$folder/seen.txt"
}

# ---- The default scene ----
start_saver "$saver" saver.log
ds_screens_start "$folder/scene" 4
ds_screens_wait_for "$folder/scene" dawn 600 || fail "the first slide never showed"
ds_screens_stop
# Every slide, by its times; the captures so far are looked at afterwards.
ds_slide_shots "$slides" "$folder" >"$folder/slides.txt" || fail "the second slide never showed"
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

missed=0
while IFS=$'\t' read -r n name shows; do
  blacks=0
  for shot in a b; do
    picture="$folder/slide_${n}_${shot}.png"
    [ -s "$picture" ] || fail "slide $n ($name): no screenshot $shot"
    convert "$picture" -sample "${DS_SCREENS_GRID_W}x${DS_SCREENS_GRID_H}!" -depth 8 "txt:$picture.txt"
    class="$(ds_screen_class "$picture.txt")"
    echo "$n $shot $class $name" >>"$folder/seen.txt"
    # On a loaded machine a screenshot may catch the slide's fade (even black); never
    # the error box, nor the splash again.
    case "$class" in
      errorbox | splash) fail "slide $n ($name), screenshot $shot shows $class" ;;
      black) blacks=$((blacks + 1)) ;;
    esac
  done
  # That the first two slides are the dawn and the meadow the captures have shown
  # already (ds_slide_shots waits for the meadow by its colours).
  # Both screenshots between two slides: the saver's clock ran behind the watch on a
  # loaded machine. A few of those are tolerated; a slide seen standing still is not.
  if [ "$blacks" -eq 2 ]; then
    missed=$((missed + 1))
    echo "$n $name: missed (between slides)" >>"$folder/seen.txt"
    continue
  fi
  moved="$(ds_pictures_differ_by "$folder/slide_${n}_a.png" "$folder/slide_${n}_b.png")"
  echo "$n $name: $moved pixels changed" >>"$folder/seen.txt"
  # A thousandth of the screen: more than noise, less than the smallest moving object.
  [ "${moved:-0}" -gt 1300 ] || fail "slide $n ($name): nothing moved between its two screenshots ($moved pixels)"
done <"$folder/slides.txt"
[ "$missed" -le 2 ] || fail "$missed slides were missed"
kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended on its own"
end_with_key "default scene"

# ---- A document cut short ----
start_saver "$cut_saver" cut_saver.log
watch_for cut 1 errorbox 600 "the cut-short document showed no error box"
kill -0 "$saver_pid" 2>/dev/null || fail "the saver with the cut-short document ended on its own"
end_with_key "cut-short document"

# ---- A scene with an MP3 sound item, ended while the item plays ----
for run in 1 2 3; do
  start_saver "$mp3_saver" "mp3_saver_$run.log"
  watch_for "mp3_$run" 2 dawn 600 "MP3 scene, run $run: the first slide never showed"
  # The item starts with its slide; let it play a moment.
  sleep 2
  kill -0 "$saver_pid" 2>/dev/null || fail "MP3 scene, run $run: the saver ended on its own"
  end_with_key "MP3 scene, run $run"
done

# ---- A music player blocked for good ----
start_saver "$stuck_saver" stuck_saver.log
watch_for stuck 2 dawn 600 "blocked music: the first slide never showed"
# Still drawing: the next slide fades in while the music stays blocked (it shows for a
# few seconds a round; up to seven rounds).
watch_for stuck_change 2 meadow 420 "blocked music: the second slide never showed"
end_with_key "blocked music"

# ---- A document that takes long to load, and a key pressed during the load ----
# first_seen <prefix> <class>: seconds since the captures began at which <class> first
# showed, empty when it never did.
first_seen() {
  ds_screens_seen "$1" | awk -v c="$2" '$2 == c { print $1; exit }'
}
start_saver "$large_saver" large_saver.log
ds_screens_start "$folder/large_whole" 2
ds_screens_wait_for "$folder/large_whole" dawn 600 || fail "large document: the first slide never showed"
ds_screens_stop
splash_at="$(first_seen "$folder/large_whole" splash)"
slide_at="$(first_seen "$folder/large_whole" dawn)"
[ -n "$splash_at" ] || fail "large document: the splash was not seen during the load"
load_seconds="$(awk -v s="$splash_at" -v d="$slide_at" 'BEGIN { printf "%.2f", d - s }')"
echo "large document: the load took $load_seconds s (splash to first slide)" >>"$folder/seen.txt"
end_with_key "large document, loaded"

start_saver "$large_saver" large_saver_key.log
ds_screens_start "$folder/large_key" 2
ds_screens_wait_for "$folder/large_key" splash 180 || fail "large document: the splash never showed"
key_at="$EPOCHREALTIME"
end_with_key "large document, key during the load"
ended_at="$EPOCHREALTIME"
ds_screens_stop
ended_seconds="$(awk -v k="$key_at" -v e="$ended_at" 'BEGIN { printf "%.2f", e - k }')"
echo "large document: a key during the load ended the saver in $ended_seconds s" >>"$folder/seen.txt"
[ -z "$(first_seen "$folder/large_key" dawn)" ] || fail "large document: the first slide showed before the key ended the load"
awk -v e="$ended_seconds" -v l="$load_seconds" 'BEGIN { exit !(e < l / 2) }' ||
  fail "large document: a key during the load took $ended_seconds s to end the saver; the load takes $load_seconds s"

echo "screens seen (time since start, what):"
sed 's/^/  /' "$folder/seen.txt"
echo "PASS"
