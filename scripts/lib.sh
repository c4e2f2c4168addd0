# Shared by scripts/test.sh and scripts/run.sh: packages, builds, and a private
# Wine prefix on a private virtual display. Source it; it defines functions only.

ORVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORVO_BUILD="$ORVO_ROOT/build"

# Every Windows program is started with the 64-bit loader (see wine-exec.sh).
ORVO_WINE="$ORVO_ROOT/scripts/wine-exec.sh"

orvo_log() { printf '== %s\n' "$*" >&2; }

# Debian packages the build and the tests need. Only what is missing is
# installed, quietly.
ORVO_PACKAGES=(
  cmake g++ googletest clang libclang-rt-14-dev
  g++-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good libgl1-mesa-dri
  gstreamer1.0-libav gstreamer1.0-tools
  ffmpeg imagemagick
)

orvo_install_packages() {
  local missing=() pkg
  for pkg in "${ORVO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  orvo_log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >/dev/null
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# orvo_configure native|win64, then orvo_build_tree native|win64
orvo_configure() {
  local tree=$1 dir="$ORVO_BUILD/$1"
  # A tree configured before: configured again (under a second), because the
  # tools and test folders are found by globbing and a folder added since
  # would otherwise stay unknown to it.
  if [ -f "$dir/CMakeCache.txt" ]; then
    cmake "$dir" >/dev/null
    return
  fi
  case $tree in
    native) cmake -S "$ORVO_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Debug >/dev/null ;;
    win64) cmake -S "$ORVO_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
             -DCMAKE_TOOLCHAIN_FILE="$ORVO_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" >/dev/null ;;
  esac
}

# orvo_build_tree native|win64 [target...]
orvo_build_tree() {
  local tree=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  orvo_configure "$tree"
  orvo_log "building $tree"
  cmake --build "$ORVO_BUILD/$tree" -j"$(nproc)" "${targets[@]}" >"$ORVO_BUILD/$tree-build.log" 2>&1 || {
    grep -E 'error|Error' "$ORVO_BUILD/$tree-build.log" | head -n 40 >&2
    return 1
  }
}

# orvo_build_optimised_tools OUT: orvo-aviinfo and orvo-avigen built natively
# with -O2 and without the sanitizers of the native tree, into OUT, so that the
# benchmarks' figures mean the same in any build type.
orvo_build_optimised_tools() {
  local out=$1 cxx="${CXX:-g++}" root="$ORVO_ROOT"
  "$cxx" -std=c++17 -O2 -DNDEBUG -I"$root/src" -I"$root/tools/aviinfo" -o "$out/orvo-aviinfo" \
    "$root/tools/aviinfo/aviinfo_main.cpp" "$root/tools/aviinfo/aviinfo_report.cpp" \
    "$root/tools/aviinfo/aviinfo_run.cpp" "$root/src/avi/avi_byte_source.cpp" "$root/src/avi/avi_header_parser.cpp" "$root/src/avi/avi_stream_layout.cpp" "$root/src/avi/key_frame_flags.cpp" \
    "$root/src/avi/avi_text_format.cpp" "$root/src/messages/message_route.cpp" \
    "$root/src/controls/drop_runs.cpp" "$root/src/graph/frame_time.cpp"
  "$cxx" -std=c++17 -O2 -DNDEBUG -I"$root/tools/avigen" -o "$out/orvo-avigen" \
    "$root/tools/avigen/avigen_main.cpp" "$root/tools/avigen/avi_generator.cpp" \
    "$root/tools/avigen/avigen_arguments.cpp" "$root/tools/avigen/frame_picture.cpp"
}

# --- virtual display -------------------------------------------------------
ORVO_XVFB_PID=""

orvo_start_xvfb() {
  # Xvfb picks a free display itself and writes its number once it listens
  # (-displayfd), so two servers never race for one number.
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 </dev/null &
  ORVO_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do  # up to 10 s
    if [ -s "$number_file" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
      rm -f "$number_file"
      return 0
    fi
    kill -0 "$ORVO_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  kill "$ORVO_XVFB_PID" 2>/dev/null || true
  ORVO_XVFB_PID=""
  orvo_log "cannot start Xvfb"
  return 1
}

orvo_stop_xvfb() {
  [ -n "$ORVO_XVFB_PID" ] && kill "$ORVO_XVFB_PID" 2>/dev/null && wait "$ORVO_XVFB_PID" 2>/dev/null
  ORVO_XVFB_PID=""
  return 0
}

# --- Wine --------------------------------------------------------------------
orvo_wine_env() {
  export WINEPREFIX="$ORVO_BUILD/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d;winepulse.drv=d"
  export WINEARCH=win64
}

# Creates the prefix once, then starts a persistent server and the prefix's
# services with every standard stream on /dev/null (otherwise they hold the
# caller's pipes open and each Wine process waits for them to wind down).
orvo_start_wine() {
  orvo_wine_env
  local attempt
  for attempt in 1 2; do
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && break
    orvo_log "creating Wine prefix $WINEPREFIX"
    wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || true
    timeout 120 wineserver -w </dev/null >/dev/null 2>&1 || true
  done
  if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    orvo_log "cannot create the Wine prefix $WINEPREFIX"
    return 1
  fi
  wineserver -p </dev/null >/dev/null 2>&1 &
  timeout 120 "$ORVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
  # A crashing test must fail at once, not wait behind winedbg's dialog.
  if [ ! -f "$WINEPREFIX/.orvo-no-crash-dialog" ]; then
    if timeout 60 "$ORVO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f /reg:64 </dev/null >/dev/null 2>&1; then
      touch "$WINEPREFIX/.orvo-no-crash-dialog"
    fi
  fi
  return 0
}

# Stops the server of this prefix only (never Wine processes by name).
orvo_stop_wine() {
  orvo_wine_env
  wineserver -k </dev/null >/dev/null 2>&1 || true
}
