#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (under ASan and
# UBSan), then the Windows tests under Wine on a private virtual display.
# Installs whatever Debian packages are missing first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

orvo_install_packages
orvo_build_tree native
orvo_build_tree win64

status=0
orvo_log "native tests"
(cd "$ORVO_BUILD/native" && ctest --output-on-failure -j"$(nproc)") || status=1

cleanup() { orvo_stop_wine; orvo_stop_xvfb; }
trap cleanup EXIT
orvo_start_xvfb
orvo_start_wine
bash "$ORVO_ROOT/scripts/register-components.sh" "$ORVO_BUILD/win64/bin"
orvo_log "Windows tests under Wine (DISPLAY=$DISPLAY)"
# One at a time: many of these tests read the picture back from the shared
# virtual screen, where another test's windows would cover it. A test that
# fails is run once more (now and then a Wine process fails to start at all);
# one that passes only then is named at the end, so that flakiness is seen.
flaky=""
win=$ORVO_BUILD/win64
if ! (cd "$win" && ctest --output-on-failure --timeout 900); then
  first=$(cut -d: -f2 "$win/Testing/Temporary/LastTestsFailed.log")
  orvo_log "running the failed Windows tests once more: $(echo $first)"
  (cd "$win" && ctest --rerun-failed --output-on-failure --timeout 900) || status=1
  still=""
  [ -f "$win/Testing/Temporary/LastTestsFailed.log" ] && still=$(cut -d: -f2 "$win/Testing/Temporary/LastTestsFailed.log")
  [ $status -eq 0 ] && still=""
  for name in $first; do
    echo "$still" | grep -qx "$name" || flaky="$flaky $name"
  done
fi

if [ -n "$flaky" ]; then
  echo "== passed only on a second try (flaky):$flaky"
fi
exit $status
