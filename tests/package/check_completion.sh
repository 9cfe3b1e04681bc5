#!/bin/bash
# The bash completion of kwf-tqvctl, run as bash runs it, against the program just built.
# Usage: check_completion.sh <completion script> <kwf-tqvctl>
set -u
script=$(realpath "$1")
prog=$(realpath "$2")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
export HOME=$tmp/home
mkdir -p "$HOME"
touch image.txt image2.txt salle.zol
# shellcheck source=/dev/null
source "$script" || exit 1
status=0

# What Tab offers after the words of $1 (the last word being completed, possibly empty).
offers()
{
    read -ra COMP_WORDS <<< "$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$prog
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kwf_tqvctl
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect()
{
    local got
    got=$(offers "$1")
    [[ $got == "$2" ]] || { echo "« $1 » : attendu « $2 », obtenu « $got »"; status=1; }
}

[[ $(complete -p kwf-tqvctl) == *"-F _kwf_tqvctl kwf-tqvctl"* ]] || { echo "complete -p: pas de fonction"; status=1; }
# Every command of the help, at the first word.
commands=$("$prog" --help | sed -n '/^Commandes/,/^$/s/^  \([a-z][a-z0-9-]*\).*/\1/p' | sort -u | tr '\n' ' ' | sed 's/ $//')
expect "kwf-tqvctl " "$commands"
expect "kwf-tqvctl re" "registres relais"
expect "kwf-tqvctl -p 3 --json re" "registres relais"
expect "kwf-tqvctl relais " "appliquer lire"
expect "kwf-tqvctl relais lire " "1 2"
expect "kwf-tqvctl luminosite a" "auto"
expect "kwf-tqvctl lire-heure --interface " "filaire sans-fil"
expect "kwf-tqvctl evenement --contact f" "ferme"
expect "kwf-tqvctl lire-heure --po" "--port"
# COM numbers as the program lists them.
ports=$("$prog" ports | sed -n 's/^COM\([0-9]*\):.*/\1/p')
[[ -n $ports ]] || { echo "kwf-tqvctl ports ne donne aucun port"; status=1; }
expect "kwf-tqvctl lire-heure --port " "$(printf 'COM%s\n' $ports | sort | tr '\n' ' ' | sed 's/ $//')"
expect "kwf-tqvctl lire-heure -p " "$(printf '%s\n' $ports | sort | tr '\n' ' ' | sed 's/ $//')"
# Files where a file is expected.
expect "kwf-tqvctl registres lire --fichier im" "image.txt image2.txt"
expect "kwf-tqvctl registres ecrire ima" "image.txt image2.txt"
expect "kwf-tqvctl relais appliquer s" "salle.zol"
expect "kwf-tqvctl dcf77 --analyser image2" "image2.txt"
[[ $status -eq 0 ]] && echo "complétion vérifiée"
exit "$status"
