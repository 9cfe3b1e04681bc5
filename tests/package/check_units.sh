#!/bin/sh
# The hourly clock-setting units pass systemd-analyze verify, with the program they start taken
# from the build. Skipped (77) where systemd-analyze is not available.
# Usage: check_units.sh <folder of the units> <kwf-tqvctl built>
set -eu
command -v systemd-analyze >/dev/null 2>&1 || exit 77
units=$1
prog=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for kind in service timer; do
    sed "s#/usr/bin/kwf-tqvctl#$prog#" "$units/kwf-tqv-synchro@.$kind" > "$tmp/kwf-tqv-synchro@3.$kind"
done
grep -q "^ExecStart=$prog heure-pc --port COM%i --si-ecart 1\$" "$tmp/kwf-tqv-synchro@3.service"
grep -q '^OnCalendar=hourly$' "$tmp/kwf-tqv-synchro@3.timer"
out=$(cd "$tmp" && SYSTEMD_LOG_LEVEL=warning systemd-analyze verify ./kwf-tqv-synchro@3.timer ./kwf-tqv-synchro@3.service 2>&1) || {
    echo "$out"; exit 1; }
if [ -n "$out" ]; then echo "$out"; exit 1; fi
echo "units verified"
