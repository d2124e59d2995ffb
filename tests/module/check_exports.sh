#!/bin/sh
# The module's dynamic symbol table holds the three entry points and nothing else.
set -eu
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
expected=$(printf '%s\n' getIDeviceEnumerator getIDiagnostics setPackageConfigFile)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from the three entry points:"
  echo "$actual"
  exit 1
fi
