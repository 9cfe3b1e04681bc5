#!/usr/bin/env bash
# The installer under Wine: silent installation into Program Files, the program started from its
# Start-menu entry on a virtual screen shows its main window (screenshot), silent removal.
#   KWF_WINE=<wine runner> install_check.sh <setup.exe> [screenshot folder]
set -euo pipefail
setup=$1
shots=${2:-}
wine=${KWF_WINE:?}
prefix=${WINEPREFIX:?}
dir="$prefix/drive_c/Program Files/kwf-tqv"
entry="C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\KWF TQV\\KWF TQV.lnk"
entry_file="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/KWF TQV/KWF TQV.lnk"
title="AFFICHEURS ELECTRONIQUE"
failures=0
check() {
    local what=$1; shift
    if "$@"; then echo "ok    $what"; else echo "ÉCHEC $what"; failures=$((failures + 1)); fi
}
xvfb=
stop() { [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true; }
trap stop EXIT

"$wine" "$setup" /S
check "installé dans Program Files" test -x "$dir/kwf-tqv.exe" -a -f "$dir/kwf-tqvctl.exe" -a -f "$dir/KWF_TQV.doc" \
    -a -f "$dir/platforms/qwindows.dll" -a -f "$dir/translations/qtbase_fr.qm"
check "entrée du menu Démarrer" test -f "$entry_file"
check "désinstalleur" test -f "$dir/desinstaller.exe"
check "kwf-tqvctl.exe installé répond (--help, code 0)" bash -c "'$wine' '$dir/kwf-tqvctl.exe' --help >/dev/null 2>&1"

# A display of its own for the window.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display
started=$SECONDS
"$wine" start "$entry" >/dev/null 2>&1
window=
for _ in $(seq 120); do
    window=$(xdotool search --name "$title" 2>/dev/null | head -1 || true)
    [[ -n $window ]] && break
    sleep 0.5
done
check "fenêtre principale ouverte depuis le menu Démarrer" test -n "$window"
if [[ -n $window ]]; then
    echo "fenêtre principale en $((SECONDS - started)) s"
    sleep 2   # the splash leaves, the window is drawn
    if [[ -n $shots ]]; then
        import -display "$display" -window root "$shots/windows-wine.png"
        echo "capture : $shots/windows-wine.png"
    fi
fi
wineserver -k >/dev/null 2>&1 || true
sleep 1

"$wine" "$dir/desinstaller.exe" /S
# The uninstaller copies itself out of the folder and removes it meanwhile.
for _ in $(seq 40); do [[ -e $dir/kwf-tqv.exe ]] || break; sleep 0.5; done
check "désinstallé" test ! -e "$dir/kwf-tqv.exe" -a ! -e "$entry_file"

if ((failures)); then
    echo "Installation sous Wine : $failures échec(s)"
    exit 1
fi
echo "Installation sous Wine : tout est conforme"
