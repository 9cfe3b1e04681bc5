#!/bin/sh
# The programs answer --help and --version on the standard output with no display to open, and
# each manual page reads without a formatter warning, names no build folder and holds every
# command and option the program's --help lists.
# Usage: check_manpages.sh <build folder>
set -u
build=$1
status=0
fail() { echo "$*"; status=1; }
command -v man >/dev/null 2>&1 || { echo "man absent (paquet man-db) : pages non lues"; exit 77; }
for prog in kwf-tqv kwf-tqvctl kwf-panel-sim; do
    # No display: a program that made its window system first would abort here.
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$build/$prog" --help 2>&1) \
        || fail "$prog --help a échoué : $help"
    case $help in "Usage : "*) ;; *) fail "$prog --help : pas de ligne d'usage : $help" ;; esac
    version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$build/$prog" --version 2>&1)
    printf '%s\n' "$version" | grep -Eqx "$prog [0-9]+\.[0-9]+\.[0-9]+" || fail "$prog --version : « $version »"

    page=$build/packaging/man/$prog.1.gz
    [ -f "$page" ] || { fail "$page absente"; continue; }
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$prog(1) : $warnings"
    # The page's date (the changelog's latest entry) is a real day.
    day=$(zcat "$page" | sed -n 's/^\.TH [^ ]* 1 "\([^"]*\)".*/\1/p')
    printf '%s\n' "$day" | grep -Eqx '[0-9]{4}-[0-9]{2}-[0-9]{2}' && date -d "$day" >/dev/null 2>&1 \
        || fail "$prog(1) : date « $day »"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=250 MAN_KEEP_FORMATTING= man -P cat -l "$page" 2>/dev/null | sed 's/‐/-/g')
    printf '%s\n' "$text" | grep -q "^NOM" || fail "$prog(1) : pas de section NOM"
    printf '%s\n' "$text" | grep -qF "$build" && fail "$prog(1) nomme le dossier de construction"
    # Every entry's first word (command or option) of the help is in the page.
    for word in $(printf '%s\n' "$help" | sed -n 's/^  \([^ ,][^ ,]*\).*/\1/p'); do
        printf '%s\n' "$text" | grep -qF -- "$word" || fail "$prog(1) ne dit rien de « $word »"
    done
done
[ "$status" -eq 0 ] && echo "aide, version et pages de manuel vérifiées"
exit "$status"
