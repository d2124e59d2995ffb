#!/usr/bin/env bash
# wine-prefix.sh create|remove WINE WINESERVER PREFIX: the Wine prefix that the Windows tests run in.
#   create: a fresh prefix with one idle Wine program in it, which keeps Wine's services up between
#     the test programs; without it each program starts them anew and waits three seconds for
#     them to stop.
#   remove: stops the prefix's wineserver, and with it every Wine program of the prefix, and
#     deletes the prefix.
set -euo pipefail
[[ $# -eq 4 && $1 =~ ^(create|remove)$ ]] ||
  { echo "usage: $0 create|remove WINE WINESERVER PREFIX" >&2; exit 2; }
export WINEPREFIX=$4 WINEDEBUG=-all
if [ -d "$WINEPREFIX" ]; then
  "$3" --kill 2>/dev/null || true
  "$3" --wait 2>/dev/null || true
fi
rm -rf "$WINEPREFIX"
if [ "$1" = remove ]; then
  echo "Wine prefix $WINEPREFIX removed, its wineserver stopped"
  exit 0
fi
"$2" wineboot --init </dev/null >/dev/null 2>&1
# Pinging once a second for an hour at most, should the test run never reach its end. Its output
# goes nowhere, so that nobody waits for it to close.
nohup "$2" ping -n 3600 127.0.0.1 </dev/null >/dev/null 2>&1 &
echo "Wine prefix $WINEPREFIX created"
