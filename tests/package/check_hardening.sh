#!/bin/sh
# The programs of the package built from this tree carry Debian's hardening: position-independent,
# stack protector, RELRO with immediate binding, and fortified libc calls where the compiler could
# fortify them (at least one program has some).
# Usage: check_hardening.sh <folder of the package>
set -u
command -v readelf >/dev/null 2>&1 || { echo "readelf absent (binutils)"; exit 77; }
set -- "$1"/kwf-tqv_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "pas exactement un paquet : $*"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$1" "$tmp" || exit 1
status=0
fortified=0
for prog in "$tmp"/usr/bin/*; do
    name=$(basename "$prog")
    readelf -h "$prog" | grep -q 'Type: *DYN' || { echo "$name : pas PIE"; status=1; }
    readelf -lW "$prog" | grep -q GNU_RELRO || { echo "$name : pas de RELRO"; status=1; }
    readelf -dW "$prog" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || { echo "$name : pas de liaison immédiate"; status=1; }
    symbols=$(readelf --dyn-syms -W "$prog")
    printf '%s\n' "$symbols" | grep -q '__stack_chk_fail' || { echo "$name : pas de protection de pile"; status=1; }
    printf '%s\n' "$symbols" | grep -v '__stack_chk' | grep -q '__[a-z_]*_chk' && fortified=1
done
[ "$fortified" -eq 1 ] || { echo "aucun appel fortifié (_FORTIFY_SOURCE) dans les programmes"; status=1; }
[ "$status" -eq 0 ] && echo "PIE, protection de pile, RELRO, liaison immédiate et appels fortifiés présents"
exit "$status"
