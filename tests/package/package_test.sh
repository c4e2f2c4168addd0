#!/usr/bin/env bash
# The Windows package as a user meets it, under Wine:
#   package_test.sh CMAKE CPACK BUILD_DIR VERSION
# makes the ZIP with cpack, unzips it into an empty folder, checks what is in it
# and that nothing in it needs a DLL that Windows does not have, registers the
# effect with the package's own .cmd (and sees a broken DLL reported as a
# failure), starts OrvoVideoPlayback.exe from the folder, waits for its main
# window and closes it, then unregisters the effect.
#
# The caller provides Wine and a display (WINEPREFIX, DISPLAY, a running
# wineserver), as scripts/test.sh does. The effect's registration is put back
# as it was found, so later tests still find the build's DLL.
set -euo pipefail

cmake=$1
cpack=$2
build=$(cd "$3" && pwd)
version=$4

fail() {
  echo "package test: $*" >&2
  exit 1
}
[ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ] ||
  fail "needs WINEPREFIX and DISPLAY from a running Wine set-up (see scripts/test.sh)"
# The 64-bit loader (and the 64-bit registry view below), whether or not
# wine32 is installed too.
wine_cmd="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-exec.sh"

name=OrvoVideoPlayback-$version-win64
title='"ORVO Video Playback Version 1"'
server_key='HKLM\Software\Classes\CLSID\{02E3569D-6712-4F88-83F1-E8370854FC3C}\InprocServer32'

# Every Wine process gets its standard streams from files or /dev/null, never
# from the test runner's pipes.
wine_run() { "$wine_cmd" "$@" </dev/null 2>/dev/null; }

# The DLL that the class is registered with, or nothing.
registered_dll() {
  { wine_run reg query "$server_key" /ve /reg:64 || true; } | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}

# run_cmd FILE OUTPUT: runs a .cmd file through cmd, from a folder other than
# its own; its exit status is the script's.
run_cmd() {
  local script
  script=$(winepath -w "$1" 2>/dev/null)
  (cd "$work" && wine_run cmd /c "$script" >"$2")
}

# Whether the program started below shows its main window: a window with the
# title whose _NET_WM_PID is that program's process (Wine sets it).
program_window_shown() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | grep -F "$title" | awk '{print $1}'); do
    xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -qx "_NET_WM_PID(CARDINAL) = $program" && return 0
  done
  return 1
}

work=$(mktemp -d)
folder=$work/unzipped/$name
program=""
found_dll=$(registered_dll)

finish() {
  local status=$?
  if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  fi
  if [ -n "$found_dll" ]; then
    wine_run regsvr32 /s "$found_dll" >/dev/null || true
  elif [ -f "$folder/OrvoColorControl.dll" ]; then
    wine_run regsvr32 /s /u "$(winepath -w "$folder/OrvoColorControl.dll" 2>/dev/null)" >/dev/null || true
  fi
  if [ "$(registered_dll)" != "$found_dll" ]; then
    echo "package test: could not put back the registration of $found_dll" >&2
    status=1
  fi
  rm -rf "$work"
  exit $status
}
trap finish EXIT

# --- the ZIP and what is in it -----------------------------------------------
"$cpack" -G ZIP -B "$work/cpack" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack failed"
}
zip=$work/cpack/$name.zip
[ -f "$zip" ] || fail "cpack made no $name.zip: $(ls "$work/cpack")"
mkdir "$work/unzipped"
(cd "$work/unzipped" && "$cmake" -E tar xf "$zip")

expected="OrvoColorControl.dll
OrvoVideoIcons
OrvoVideoPlayback.exe
orvo-avigen.exe
orvo-aviinfo.exe
register-color-control.cmd
unregister-color-control.cmd
user-guide.html"
[ "$(ls "$work/unzipped")" = "$name" ] || fail "the ZIP has not exactly one top folder $name: $(ls "$work/unzipped")"
actual=$(cd "$folder" && LC_ALL=C ls)
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "the package holds
$actual
instead of
$expected"
diff -r "$build/bin/OrvoVideoIcons" "$folder/OrvoVideoIcons" >&2 || fail "the icons differ from the build's"
grep -q $'\r$' "$folder/register-color-control.cmd" || fail "the .cmd files need CR LF line ends for cmd.exe"

# Nothing may need a DLL that is not part of Windows (the MinGW runtime DLLs
# exist only on the build machine): every import must be a system DLL.
system32=$WINEPREFIX/drive_c/windows/system32
for binary in "$folder"/*.exe "$folder"/*.dll; do
  while read -r dll; do
    [ -n "$(find "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ] ||
      fail "$(basename "$binary") needs $dll, which Windows does not have"
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
done

# --- registering ---------------------------------------------------------------
# A DLL that regsvr32 cannot load is a failure, said so, with a non-zero status.
mkdir "$work/broken"
cp "$folder/register-color-control.cmd" "$work/broken/"
echo "not a DLL" >"$work/broken/OrvoColorControl.dll"
if run_cmd "$work/broken/register-color-control.cmd" "$work/broken.out"; then
  fail "registering a broken DLL reported success: $(cat "$work/broken.out")"
fi
grep -q 'ERROR: could not register' "$work/broken.out" || fail "no error shown for a broken DLL: $(cat "$work/broken.out")"

run_cmd "$folder/register-color-control.cmd" "$work/register.out" ||
  fail "register-color-control.cmd failed: $(cat "$work/register.out")"
grep -q 'Registered' "$work/register.out" || fail "register-color-control.cmd said: $(cat "$work/register.out")"
dll_windows=$(winepath -w "$folder/OrvoColorControl.dll" 2>/dev/null)
[ "$(registered_dll)" = "$dll_windows" ] ||
  fail "the effect is registered as '$(registered_dll)', not as the package's $dll_windows"

# --- the program, started from its folder, then closed ------------------------
(cd "$folder" && exec "$wine_cmd" OrvoVideoPlayback.exe </dev/null >/dev/null 2>&1) &
program=$!
for _ in $(seq 1 150); do  # up to 30 s
  program_window_shown && break
  kill -0 "$program" 2>/dev/null || fail "OrvoVideoPlayback.exe ended before showing its main window"
  sleep 0.2
done
program_window_shown || fail "no main window $title within 30 s"

# taskkill without /f posts WM_CLOSE to each of the program's top-level windows,
# as Windows does when a program is asked to end from outside; the main
# window's close ends the program.
wine_run taskkill /im OrvoVideoPlayback.exe >/dev/null || fail "taskkill could not ask the program to close"
for _ in $(seq 1 100); do  # up to 20 s
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$program" 2>/dev/null && fail "the program did not end within 20 s of being closed"
exit_code=0
wait "$program" || exit_code=$?
program=""
[ $exit_code -eq 0 ] || fail "the program ended with exit code $exit_code after being closed"

# --- unregistering -------------------------------------------------------------
run_cmd "$folder/unregister-color-control.cmd" "$work/unregister.out" ||
  fail "unregister-color-control.cmd failed: $(cat "$work/unregister.out")"
grep -q 'Unregistered' "$work/unregister.out" || fail "unregister-color-control.cmd said: $(cat "$work/unregister.out")"
[ -z "$(registered_dll)" ] || fail "the effect is still registered as $(registered_dll)"
echo "package test: $name unzipped, registered, run, closed and unregistered"
