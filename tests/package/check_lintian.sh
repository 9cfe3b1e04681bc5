#!/bin/sh
# lintian --pedantic on the package the deb target has just made: no error and no warning, and each
# informational or pedantic tag left is one the README's packaging section explains.
# Usage: check_lintian.sh <folder of the package> <README.md>
set -u
command -v lintian >/dev/null 2>&1 || { echo "lintian absent (scripts/deps.sh l'installe) : paquet non vérifié"; exit 77; }
set -- "$1"/kwf-tqv_*.deb "$2"
[ $# -eq 2 ] && [ -f "$1" ] || { echo "pas exactement un paquet dans le dossier du deb : $*"; exit 1; }
deb=$1
readme=$2
out=$(lintian --pedantic --display-info --fail-on error,warning "$deb" 2>&1)
rc=$?
out=$(printf '%s\n' "$out" | grep -v 'running with root privileges')
printf '%s\n' "$out"
status=0
if [ "$rc" -ne 0 ] || printf '%s\n' "$out" | grep -q '^[EW]: '; then
    echo "lintian: erreurs ou avertissements (code $rc)"
    status=1
fi
section=$(sed -n '/^## Paquet Debian/,/^## [^P]/p' "$readme")
for tag in $(printf '%s\n' "$out" | awk '/^[IPXO]: / { print $3 }' | sort -u); do
    printf '%s\n' "$section" | grep -q "\`$tag\`" || { echo "étiquette $tag non expliquée dans README (Paquet Debian)"; status=1; }
done
[ "$status" -eq 0 ] && echo "lintian --pedantic: ni erreur ni avertissement"
exit "$status"
