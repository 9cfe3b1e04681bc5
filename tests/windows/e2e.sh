#!/usr/bin/env bash
# kwf-tqvctl.exe under Wine against the Linux panel emulator on a pseudo-terminal linked as a Wine
# COM port: a clock read, a given time sent, the PC's time sent, a register image read. The bytes
# the Windows program sends must be the very bytes the Linux program sends for the same command,
# and it must read back what the panel holds; a port with nothing behind it must say so.
#   KWF_WINE=<wine runner> e2e.sh <Linux build> <Windows build>
set -euo pipefail
linux=$1
windows=$2
wine=${KWF_WINE:?}
prefix=${WINEPREFIX:-$windows/wine}
work=$(mktemp -d /tmp/kwf-wine-e2e.XXXXXX)
sims=()
panel_extra=()
stop() {
    for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -f "$prefix/dosdevices/com3"
    [[ -n ${KWF_KEEP:-} ]] || rm -rf "$work"
}
trap stop EXIT
failures=0
check() {   # check <what> <command...>
    local what=$1; shift
    if "$@"; then echo "ok    $what"; else echo "ÉCHEC $what"; failures=$((failures + 1)); fi
}

# start_panel <name> [link folder]: a panel at a fixed start time; its pty path in $pty.
start_panel() {
    local log=$work/$1.panel
    local args=(--journal --time "2026-12-07 10:00:00" "${panel_extra[@]}")
    [[ -n ${2:-} ]] && args+=(--link "$2" --com 3)
    "$linux/kwf-panel-sim" "${args[@]}" > "$log" 2>&1 &
    sims+=($!)
    for _ in $(seq 50); do
        grep -q '^Panneau émulé sur ' "$log" && break
        sleep 0.1
    done
    pty=$(sed -n 's/^Panneau émulé sur //p' "$log")
    [[ -n $pty ]] || { echo "le panneau émulé ne démarre pas"; cat "$log"; exit 1; }
}

# The frames sent and the bytes received, as the journal shows them, without the times.
frames() { tr -d '\r' < "$1" | sed -n 's/^[0-9:.]* *\([A-Z_]*\) *\([→←].*\)$/\1 \2/p'; }
# What depends on the moment and not on the program is left out: how many times the seconds
# register is read before it changes (the phase of the panel's second), and a link test sent
# again because a character of the DCF77 stream, which the previous command's closing frame
# started, came in with its answer. Those seconds themselves are not compared either.
sent() { frames "$1" | grep '→' | uniq; }
answers() { frames "$1" | grep '←' | grep -v '^LIT_SECONDES '; }

commands=("lire-heure" "heure|2027-01-02 03:04:05" "registres|lire")
run_all() {   # run_all <tag> <program...>
    local tag=$1; shift
    local i=0
    for c in "${commands[@]}"; do
        IFS='|' read -r -a argv <<< "$c"
        "$@" "${argv[@]}" -p 3 --journal > "$work/$tag.$i.out" 2> "$work/$tag.$i.journal" \
            || echo "rc=$?" >> "$work/$tag.$i.out"
        i=$((i + 1))
    done
}

# Linux: the reference.
mkdir -p "$work/linux"
cp "$linux/kwf-tqvctl" "$work/linux/"
start_panel linux "$work/linux"
run_all linux "$work/linux/kwf-tqvctl"

# Windows: COM3 of the Wine prefix leads to a second panel started the same way.
start_panel windows
mkdir -p "$prefix/dosdevices"
ln -sfn "$pty" "$prefix/dosdevices/com3"
run_all windows "$wine" "$windows/kwf-tqvctl.exe"

# The answers compared from this one on: the panels' clocks run, so their seconds may differ.
first_answer=(2 1 9)
for i in 0 1 2; do
    what=${commands[$i]//|/ }
    check "$what : réussi" bash -c "! grep -q '^rc=' '$work/windows.$i.out'"
    check "$what : mêmes octets envoyés que sous Linux" \
        diff <(sent "$work/linux.$i.journal") <(sent "$work/windows.$i.journal")
    check "$what : mêmes réponses lues que sous Linux" \
        diff <(answers "$work/linux.$i.journal" | tail -n +${first_answer[$i]}) \
             <(answers "$work/windows.$i.journal" | tail -n +${first_answer[$i]})
done
# The image read after the time was set: the registers beyond the clock's are the panel's own.
check "image des registres : identique à celle lue sous Linux" \
    diff <(tr -d '\r' < "$work/linux.2.out" | tail -n +2) <(tr -d '\r' < "$work/windows.2.out" | tail -n +2)
check "image des registres : l'heure envoyée (03:04, 02/01/27)" \
    bash -c "tr -d '\r' < '$work/windows.2.out' | head -1 | grep -q '^[0-9A-F]* 4 3 6 2 1 27 '"

# The PC's time: sent, then read back within three seconds of the PC's clock (a read takes two).
"$wine" "$windows/kwf-tqvctl.exe" heure-pc -p 3 --journal > "$work/pc.out" 2> "$work/pc.journal" || echo "rc=$?" >> "$work/pc.out"
check "heure-pc : réussi" bash -c "! grep -q '^rc=' '$work/pc.out'"
check "heure-pc : les huit trames de la mise à l'heure" \
    bash -c "grep -c 'ENVOI_HEURE_PC  → 02 02 31 ' '$work/pc.journal' | grep -qx 8"
"$wine" "$windows/kwf-tqvctl.exe" lire-heure -p 3 --json > "$work/pc-read.json" || true
check "heure-pc : l'afficheur relu à moins de 3 s du PC" python3 - "$work/pc-read.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if d.get("code") == 0 and abs(float(d["ecart_s"])) <= 3 else 1)
PY

# The adapter pulled out in the middle of the clock read: the command says it failed, and soon.
panel_extra=(--unplug-after 3)
start_panel unplugged
panel_extra=()
ln -sfn "$pty" "$prefix/dosdevices/com3"
started=$SECONDS
set +e
"$wine" "$windows/kwf-tqvctl.exe" lire-heure -p 3 > "$work/unplugged.out" 2>&1
rc=$?
set -e
check "adaptateur débranché pendant l'échange : échec annoncé (code 1)" test "$rc" -eq 1
check "adaptateur débranché pendant l'échange : fini en moins de 10 s" test $((SECONDS - started)) -lt 10

# Nothing behind COM9: the port does not open, and the exit status says so.
set +e
"$wine" "$windows/kwf-tqvctl.exe" lire-heure -p 9 > "$work/none.out" 2>&1
rc=$?
set -e
check "COM9 absent : code de sortie 3 (le port ne s'ouvre pas)" test "$rc" -eq 3

if ((failures)); then
    KWF_KEEP=1
    echo "De bout en bout sous Wine : $failures échec(s) ; traces dans $work"
    exit 1
fi
echo "De bout en bout sous Wine : tout est conforme"
