# Shared by scripts/test and scripts/run: the cross build and the Wine session that
# runs what it builds. Source it; it defines functions only.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# Tools that scripts/setup fetches once per machine (the effect compiler), outside the
# checkout. Fixed here, before ds_wine_start points HOME at the build folder.
DS_TOOL_CACHE="${DS_TOOL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/scene-saver}"
export DS_TOOL_CACHE

# Configures and builds the given targets, or everything. Configuring every time is
# cheap and picks up folders that appeared since the last build.
ds_build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" \
    -DDS_VKD3D_COMPILER="$DS_TOOL_CACHE/vkd3d/vkd3d-compiler" >/dev/null
  cmake --build "$BUILD_DIR" "$@"
}

# Starts a private X server and a Wine session inside the build folder: its own Wine
# prefix (made once), ALSA pointed at the null device, and one wineserver kept alive
# until ds_wine_stop so that each program start is cheap.
ds_wine_start() {
  # DS_WINEPREFIX gives a session a prefix of its own (scripts/soak runs side by side).
  export WINEPREFIX="${DS_WINEPREFIX:-$BUILD_DIR/wineprefix}"
  export WINEARCH=win64
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # ALSA reads ~/.asoundrc; a home of our own keeps the user's untouched.
  export HOME="$BUILD_DIR/home"
  mkdir -p "$HOME"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$HOME/.asoundrc"

  if [ -z "${DS_USE_DISPLAY:-}" ]; then
    local fdfile
    fdfile="$(mktemp)"
    # DS_SCREEN_SIZE sets the private screen's size (scripts/run shows full HD).
    Xvfb -displayfd 3 -screen 0 "${DS_SCREEN_SIZE:-1280x1024}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    DS_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -s "$fdfile" ] && break
      sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  trap ds_wine_stop EXIT
  wineserver -p
  # The first Wine program of a server session starts Wine's own services, which
  # stay alive with the server; start them here, away from ctest's output pipes,
  # or ctest waits for those pipes to close.
  wineboot </dev/null >/dev/null 2>&1 || true
}

ds_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${DS_XVFB_PID:-}" ]; then
    kill "$DS_XVFB_PID" >/dev/null 2>&1 || true
    wait "$DS_XVFB_PID" 2>/dev/null || true
    DS_XVFB_PID=""
  fi
}
