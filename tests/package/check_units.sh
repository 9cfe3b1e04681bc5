#!/bin/sh
# The hourly clock-setting units pass systemd-analyze verify as user units, with the program they
# start taken from the build, and their documentation is a manual page the build makes. Skipped (77)
# where systemd-analyze is not available.
# Usage: check_units.sh <folder of the units> <kwf-tqvctl built>
set -eu
command -v systemd-analyze >/dev/null 2>&1 || exit 77
units=$1
prog=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for kind in service timer; do
    sed "s#^ExecStart=[^ ]*/kwf-tqvctl #ExecStart=$prog #" "$units/kwf-tqv-synchro@.$kind" > "$tmp/kwf-tqv-synchro@3.$kind"
done
grep -q "^ExecStart=$prog heure-pc --port COM%i --si-ecart 1\$" "$tmp/kwf-tqv-synchro@3.service"
grep -q '^OnCalendar=hourly$' "$tmp/kwf-tqv-synchro@3.timer"
for kind in service timer; do
    page=$(sed -n 's/^Documentation=man:\([a-z-]*\)(1)$/\1/p' "$tmp/kwf-tqv-synchro@3.$kind")
    [ -n "$page" ] && [ -f "$units/../man/$page.1.gz" ] || { echo "$kind: no Documentation= page the build makes"; exit 1; }
done
mkdir -m 700 "$tmp/run"
out=$(cd "$tmp" && XDG_RUNTIME_DIR="$tmp/run" SYSTEMD_LOG_LEVEL=warning \
      systemd-analyze --user --man=no verify ./kwf-tqv-synchro@3.timer ./kwf-tqv-synchro@3.service 2>&1) || {
    echo "$out"; exit 1; }
if [ -n "$out" ]; then echo "$out"; exit 1; fi
echo "units verified"
