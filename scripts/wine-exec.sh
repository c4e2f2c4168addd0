#!/usr/bin/env bash
# Runs one Windows program under Wine with the 64-bit loader: CTest's
# cross-compiling emulator, and the launcher of every script here. With wine32
# installed beside wine64, plain "wine" would start Wine's own programs (reg,
# regsvr32) as 32-bit ones, which see the 32-bit view of the registry.
# The Wine environment (WINEPREFIX, DISPLAY, WINEDEBUG, ...) comes from the caller.
if [ -x /usr/lib/wine/wine64 ]; then exec /usr/lib/wine/wine64 "$@"; fi
if command -v wine64 >/dev/null 2>&1; then exec wine64 "$@"; fi
exec wine "$@"
