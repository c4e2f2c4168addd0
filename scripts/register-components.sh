#!/usr/bin/env bash
# Registers the project's COM components in the caller's Wine prefix and checks
# that the registry then holds them:
#   OrvoColorControl.dll  the "Color Control" video-effect DMO
#
#   scripts/register-components.sh WINDOWS_BIN_DIR
#
# The caller sets up Wine (WINEPREFIX, WINEDEBUG, ... exported; a persistent
# wineserver running). Wine's HKCR is HKLM\Software\Classes.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 WINDOWS_BIN_DIR" >&2
  exit 2
fi
bin_dir=$(cd "$1" && pwd)

# The 64-bit loader, and the 64-bit view of the registry in every query: with
# wine32 installed too, a 32-bit reg would look where a 64-bit DLL never writes.
wine_cmd="$(dirname "${BASH_SOURCE[0]}")/wine-exec.sh"

# The COM class key has braces; the DMO registry's keys have none.
color_control_clsid='{02E3569D-6712-4F88-83F1-E8370854FC3C}'
color_control_dmo_key='02E3569D-6712-4F88-83F1-E8370854FC3C'
video_effect_category='D990EE14-776C-4723-BE46-3DA2F56F10B9'
classes='HKLM\Software\Classes'

fail() {
  echo "register-components: $*" >&2
  exit 1
}

# reg query KEY [VALUE OPTIONS...]: the output, or nothing when it is missing.
reg_query() {
  "$wine_cmd" reg query "$@" /reg:64 </dev/null 2>/dev/null | tr -d '\r' || true
}

dll="$bin_dir/OrvoColorControl.dll"
[ -f "$dll" ] || fail "$dll is missing"
dll_windows=$(winepath -w "$dll" 2>/dev/null) || fail "winepath cannot convert $dll"

# All standard streams on /dev/null: Wine's helper processes must not hold
# the caller's pipes open.
"$wine_cmd" regsvr32 /s "$dll_windows" </dev/null >/dev/null 2>&1 ||
  fail "regsvr32 could not register $dll_windows"

server=$(reg_query "$classes\\CLSID\\$color_control_clsid\\InprocServer32" /ve)
grep -qiF "$dll_windows" <<<"$server" ||
  fail "the class $color_control_clsid has no InprocServer32 pointing at $dll_windows"
threading=$(reg_query "$classes\\CLSID\\$color_control_clsid\\InprocServer32" /v ThreadingModel)
grep -q 'Both' <<<"$threading" || fail "the class $color_control_clsid is not ThreadingModel Both"
name=$(reg_query "$classes\\DirectShow\\MediaObjects\\$color_control_dmo_key" /ve)
grep -qF 'Color Control' <<<"$name" || fail "the DMO is not registered under the name Color Control"
"$wine_cmd" reg query \
  "$classes\\DirectShow\\MediaObjects\\Categories\\$video_effect_category\\$color_control_dmo_key" /reg:64 \
  </dev/null >/dev/null 2>&1 || fail "the DMO is not registered in the video-effect category"

echo "registered $dll_windows"
