# Screenshots of the saver in its X server, and what they show. Shared by scripts/run
# and the end-to-end test; source it (it defines functions only, safe under set -e).
# Needs import and convert (ImageMagick) and DISPLAY.
#
# A capture is the whole screen sampled on a 160 x 128 grid (one point per block),
# written as ImageMagick's text enumeration to <prefix>_<seconds since epoch>.txt.
# ds_screen_class names what a capture shows:
#   black     nothing drawn (or a slide faded out)
#   splash    the splash picture: its moon in a square of two thirds of the screen's
#             height, centred, black beside it
#   dawn, meadow, checker, glow
#             a slide of the default scene, told apart by the colours of the flat areas
#             of its picture (tools/DefaultPictures.cpp)
#   errorbox  a white message box on black
#   other     anything else (for example a slide in the middle of a fade)

DS_SCREENS_GRID_W=160
DS_SCREENS_GRID_H=128
DS_SCREENS_PIDS=()
DS_SCREENS_STOPS=()
DS_SCREENS_T0=""

# Captures the screen once into <file> (text enumeration of the sample grid); with a
# second file, the whole screen is kept there too (as PPM).
ds_screen_capture() {
  if [ -n "${2:-}" ]; then
    import -window root "ppm:$2" 2>/dev/null &&
      convert "ppm:$2" -sample "${DS_SCREENS_GRID_W}x${DS_SCREENS_GRID_H}!" -depth 8 "txt:$1" 2>/dev/null
  else
    import -window root ppm:- 2>/dev/null |
      convert ppm:- -sample "${DS_SCREENS_GRID_W}x${DS_SCREENS_GRID_H}!" -depth 8 "txt:$1" 2>/dev/null
  fi
}

# Saves the whole screen as a picture (PNG by the name's extension).
ds_screen_save() {
  import -window root "$1" 2>/dev/null
}

# True when every sample of a capture is pure black (cheap, without ds_screen_class).
ds_screen_all_black() {
  ! grep -q -v -e '^#' -e '(0,0,0)' "$1"
}

ds_screen_class() {
  if ds_screen_all_black "$1"; then
    echo black
    return
  fi
  awk -v gw="$DS_SCREENS_GRID_W" -v gh="$DS_SCREENS_GRID_H" '
    function hex(text,    v, i) {
      v = 0
      for (i = 1; i <= length(text); i++) v = v * 16 + index("0123456789ABCDEF", substr(text, i, 1)) - 1
      return v
    }
    function near(r, g, b, rgb, tol,    R, G, B) {
      R = int(rgb / 65536); G = int(rgb / 256) % 256; B = rgb % 256
      return (r - R <= tol && R - r <= tol && g - G <= tol && G - g <= tol && b - B <= tol && B - b <= tol)
    }
    BEGIN {
      # Mark colours of the default scene pictures, 0xRRGGBB.
      n = split("dawn:1B2A6B,4A2A3A,FFE9A8 meadow:8CC8EE,6DBF5A,2F8F3A checker:C8377E,1F9E8F glow:1E0F33,E8453C,4CC24A,3C6AE8", sets, " ")
      for (i = 1; i <= n; i++) {
        split(sets[i], kv, ":")
        names[i] = kv[1]
        m = split(kv[2], cs, ",")
        count[i] = m
        for (j = 1; j <= m; j++) colour[i, j] = hex(cs[j])
      }
      # The splash square: side 2/3 of the height, centred; the moon at (0.62, 0.30).
      side = gh * 2 / 3
      moonX = int((gw - side) / 2 + 0.62 * side)
      moonY = int((gh - side) / 2 + 0.30 * side)
      besideX = int((gw - side) / 4)
      besideY = int(gh / 2)
      maxValue = 255
    }
    /^#/ { if (match($0, /[0-9]+,[0-9]+,([0-9]+),/)) { split(substr($0, RSTART, RLENGTH), h, ","); maxValue = h[3] } next }
    {
      split($1, xy, /[,:]/)
      x = xy[1] + 0; y = xy[2] + 0
      gsub(/[()]/, "", $2)
      split($2, c, ",")
      r = int(c[1] * 255 / maxValue + 0.5); g = int(c[2] * 255 / maxValue + 0.5); b = int(c[3] * 255 / maxValue + 0.5)
      total++
      if (r <= 8 && g <= 8 && b <= 8) black++
      if (r >= 240 && g >= 240 && b >= 240) white++
      if (x == moonX && y == moonY) moon = near(r, g, b, hex("F0E8BE"), 12)
      if (x == besideX && y == besideY) beside = (r <= 8 && g <= 8 && b <= 8)
      for (i = 1; i <= n; i++) {
        for (j = 1; j <= count[i]; j++) {
          if (near(r, g, b, colour[i, j], 10)) { score[i]++; break }
        }
      }
    }
    END {
      if (total == 0) { print "none"; exit }
      if (black >= total * 0.98) { print "black"; exit }
      if (moon && beside) { print "splash"; exit }
      best = 0; second = 0
      for (i = 1; i <= n; i++) {
        if (score[i] > score[best]) { second = score[best]; best = i }
        else if (score[i] > second) second = score[i]
      }
      if (best > 0 && score[best] >= total * 0.05 && score[best] >= 4 * second) { print names[best]; exit }
      if (white >= total * 0.005 && black + white >= total * 0.9) { print "errorbox"; exit }
      print "other"
    }' "$1"
}

# Starts <loops> capture loops writing <prefix>_<time>.txt until ds_screens_stop;
# several loops staggered over a capture's time see short-lived pictures (the splash).
# With "keep", the whole screen of each capture that is not all black is kept as
# <prefix>_<time>.ppm.
ds_screens_start() {
  local prefix="$1" loops="${2:-1}" keep="${3:-}" k
  [ -n "$DS_SCREENS_T0" ] || DS_SCREENS_T0="$EPOCHREALTIME"
  rm -f "${prefix}.stop"
  DS_SCREENS_STOPS+=("${prefix}.stop")
  for k in $(seq 1 "$loops"); do
    (
      while [ ! -e "${prefix}.stop" ]; do
        t="$EPOCHREALTIME"
        f="${prefix}_${t}.txt"
        if ds_screen_capture "$f.part" ${keep:+"${prefix}_${t}.ppm"}; then
          mv "$f.part" "$f"
          if [ -n "$keep" ] && ds_screen_all_black "$f"; then rm -f "${prefix}_${t}.ppm"; fi
        fi
      done
    ) &
    DS_SCREENS_PIDS+=($!)
    sleep 0.08
  done
}

# Stops the capture loops once each has finished the capture it is taking.
ds_screens_stop() {
  local pid stop
  for stop in "${DS_SCREENS_STOPS[@]}"; do
    touch "$stop"
  done
  for pid in "${DS_SCREENS_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  for stop in "${DS_SCREENS_STOPS[@]}"; do
    rm -f "$stop"
  done
  DS_SCREENS_PIDS=()
  DS_SCREENS_STOPS=()
}

# "<seconds since the first capture loop started> <class> <file>" for every capture
# of <prefix>, in time order. Classes are kept in <file>.class once known.
ds_screens_seen() {
  local prefix="$1" f t
  for f in "${prefix}"_*.txt; do
    [ -e "$f" ] || continue
    [ -s "$f.class" ] || ds_screen_class "$f" >"$f.class"
    t="${f##*_}"
    t="${t%.txt}"
    echo "$(awk -v a="$t" -v b="$DS_SCREENS_T0" 'BEGIN { printf "%.2f", a - b }') $(cat "$f.class") $f"
  done | sort -n
}

# Waits up to <seconds> until a capture of <prefix> shows <class>, and names that
# capture in DS_SCREENS_FOUND. Every capture is looked at once: on a loaded machine a
# picture that shows for a few seconds may be in one capture only, which a newer one
# would hide from a look at the newest alone.
DS_SCREENS_FOUND=""
ds_screens_wait_for() {
  local prefix="$1" class="$2" seconds="$3" f
  local -A looked=()
  local end=$((${EPOCHREALTIME%.*} + seconds))
  DS_SCREENS_FOUND=""
  while [ "${EPOCHREALTIME%.*}" -lt "$end" ]; do
    for f in $(ls "${prefix}"_*.txt 2>/dev/null | sort); do
      [ -z "${looked[$f]:-}" ] || continue
      looked[$f]=1
      [ -s "$f.class" ] || ds_screen_class "$f" >"$f.class"
      if [ "$(cat "$f.class")" = "$class" ]; then
        DS_SCREENS_FOUND="$f"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

# The epoch time at which the first capture of <prefix> that shows <class> was taken,
# among those of the last <seconds> (default 15) up to the one the last
# ds_screens_wait_for found: about when what it waited for came (a capture can take
# seconds on a loaded machine, so the one found may be seconds late). Only those few
# captures are looked at.
ds_screens_first_time() {
  local prefix="$1" class="$2" seconds="${3:-15}" found f t first=""
  found="$DS_SCREENS_FOUND"
  [[ "$found" == "${prefix}"_* ]] || found="$(ls "${prefix}"_*.txt 2>/dev/null | sort | tail -n 1)"
  found="${found##*_}"
  found="${found%.txt}"
  [ -n "$found" ] || return 0
  for f in $(ls "${prefix}"_*.txt | sort -r); do
    t="${f##*_}"
    t="${t%.txt}"
    awk -v t="$t" -v n="$found" 'BEGIN { exit !(t <= n) }' || continue
    awk -v t="$t" -v n="$found" -v s="$seconds" 'BEGIN { exit !(t >= n - s) }' || break
    [ -s "$f.class" ] || ds_screen_class "$f" >"$f.class"
    [ "$(cat "$f.class")" = "$class" ] && first="$t"
  done
  echo "$first"
}

# Sleeps until the epoch time <t> (returns at once if it has passed).
ds_sleep_until() {
  local wait
  wait="$(awk -v t="$1" -v now="$EPOCHREALTIME" 'BEGIN { d = t - now; printf "%.3f", (d > 0 ? d : 0) }')"
  sleep "$wait"
}

# ds_slide_shots <slides file> <folder>
# Called once the first slide (the dawn) shows: saves two whole-screen pictures of every
# slide of <slides file> (scene_builder's list: fade-in, shown and fade-out seconds,
# name, what it shows; tab-separated) while it is fully shown, as
# <folder>/slide_NN_a.png and slide_NN_b.png. The first slide
# is taken at once; the second is waited for by its colours (the meadow), and the
# times of the others follow from when it came (seen late rather than early): a tenth
# into each one's shown time, and a second and a quarter later. (The first slide's own clock runs from before it shows: the splash
# may still be up.) Prints "NN<TAB>name<TAB>shows" per slide; false when the second
# slide never showed.
ds_slide_shots() {
  local slides="$1" folder="$2" n=0 offset=0 t0="" fade_in shown fade_out name shows a b
  while IFS=$'\t' read -r fade_in shown fade_out name shows; do
    n=$((n + 1))
    if [ "$n" -eq 1 ]; then
      a="$EPOCHREALTIME"
    else
      if [ -z "$t0" ]; then
        # Two capture loops: the second slide shows for a few seconds, and a capture
        # takes a loaded machine seconds. Up to seven rounds of the show: a second
        # slide missed while the first was being looked at comes again; only a saver
        # that never shows it waits that long.
        ds_screens_start "$folder/second" 2
        ds_screens_wait_for "$folder/second" meadow 420 || { ds_screens_stop; return 1; }
        ds_screens_stop
        t0="$(awk -v t="$(ds_screens_first_time "$folder/second" meadow)" -v f="$fade_in" 'BEGIN { printf "%.3f", t - f }')"
      fi
      a="$(awk -v t="$t0" -v o="$offset" -v f="$fade_in" -v s="$shown" 'BEGIN { printf "%.3f", t + o + f + s / 10 }')"
      offset=$((offset + fade_in + shown + fade_out))
    fi
    b="$(awk -v a="$a" 'BEGIN { printf "%.3f", a + 1.25 }')"
    ds_sleep_until "$a"
    ds_screen_save "ppm:$folder/$(printf 'slide_%02d_a' "$n").ppm"
    b="$(awk -v b="$b" -v now="$EPOCHREALTIME" 'BEGIN { printf "%.3f", (b > now + 1 ? b : now + 1) }')"
    ds_sleep_until "$b"
    ds_screen_save "ppm:$folder/$(printf 'slide_%02d_b' "$n").ppm"
    printf '%02d\t%s\t%s\n' "$n" "$name" "$shows"
  done <"$slides"
  # Kept uncompressed while the show runs (a full-HD PNG takes seconds to write, which
  # would push the later shots past their slides), compressed once it is done.
  local shot
  for shot in "$folder"/slide_*.ppm; do
    [ -e "$shot" ] || continue
    convert "ppm:$shot" "${shot%.ppm}.png" && rm -f "$shot"
  done
}

# ds_contact_sheet <folder> <output>: every slide_*.png of <folder>, two slides to a row,
# labelled by file name.
ds_contact_sheet() {
  montage -label '%t' "$1"/slide_*.png -tile 4x -geometry 384x216+4+4 -background '#202020' \
    -fill white "$2"
}

# The number of pixels that differ between two pictures by more than a little.
ds_pictures_differ_by() {
  # compare exits with 1 when the pictures differ.
  { compare -metric AE -fuzz 6% "$1" "$2" null: 2>&1 || true; } | awk '{ printf "%d", $1 }'
}
