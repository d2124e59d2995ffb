#!/usr/bin/env bash
# Makes the .deb from this build, unpacks it into a scratch root and uses what it installed: the
# host on an example, the man page, the systemd units; lintian, where installed, finds no error.
# Usage: installed_package_test.sh CPACK_CONFIG SOURCE_DIR
set -euo pipefail
cpack_config=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

cpack --config "$cpack_config" -G DEB -B "$scratch/out" >/dev/null
deb=$(echo out/halvex_*.deb)
dpkg-deb -x "$deb" root

# The host finds its module and libraries where the package put them, not in the build tree.
status=0
root/usr/bin/halvex-host --no-log --topology root/usr/share/halvex/examples/rack-server.json \
  diagnose >diagnose.txt || status=$?
[ "$status" -eq 2 ] || { echo "diagnose exited with $status, not 2" >&2; exit 1; }
sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}(Z|[+-][0-9]{2}:[0-9]{2})/(time)/g' diagnose.txt |
  diff -u "$source/tests/expected/rack-server/diagnose.txt" -

# man finds the page by name, and groff formats it without a warning.
if ! MANPATH="$scratch/root/usr/share/man" man --warnings halvex-host >man.txt 2>man.err ||
  [ -s man.err ]; then
  cat man.err >&2
  exit 1
fi
grep -Eq '^ *halvex-host +- ' man.txt || { echo "man halvex-host: no NAME line" >&2; exit 1; }

# systemd finds both units where it looks for them, and neither is enabled. (`systemctl cat`
# wants a running systemd.)
systemctl --root=root list-unit-files halvex-diagnose.service halvex-diagnose.timer |
  diff -u "$source/tests/expected/package/units.txt" -

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" 2>/dev/null
fi
