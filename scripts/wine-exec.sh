#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest (its cross-compiling emulator).
# The Wine environment (WINEPREFIX, DISPLAY, WINEDEBUG, ...) comes from the caller.
if command -v wine >/dev/null 2>&1; then exec wine "$@"; fi
exec wine64 "$@"
