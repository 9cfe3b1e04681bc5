#!/usr/bin/env bash
# Installs what is missing, builds the tool and starts it, linked to an emulated panel on COM1.
#   scripts/run.sh            the tool with the demo panel (COM1)
#   scripts/run.sh --reel     the tool alone, for a real panel
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel 2 --target kwf-tqv kwf-panel-sim kwf-help

if [ "${1:-}" = "--reel" ]; then
    shift
    exec build/kwf-tqv "$@"
fi

# The demo panel keeps its registers between runs.
state="${XDG_STATE_HOME:-$HOME/.local/state}/kwf-tqv/panneau-demo.etat"
mkdir -p "$(dirname "$state")"
# COM1 is the demo panel's only when its link leads to a pseudo-terminal (what the demo makes, left
# over from an earlier run); a link to a real adapter is the user's: keep it and start without the demo.
com1=build/dosdevices/com1
if [ -L "$com1" ] || [ -e "$com1" ]; then
    case "$(readlink "$com1" 2>/dev/null)" in
        /dev/pts/*) rm -f "$com1" ;;
        *)
            echo "$com1 mène à $(readlink "$com1" || echo '?') : ce lien est gardé, l'outil démarre sans le panneau émulé." >&2
            exec build/kwf-tqv "$@"
            ;;
    esac
fi
build/kwf-panel-sim --link build --com 1 --config-demo --state "$state" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -L build/dosdevices/com1 ] && break
    sleep 0.1
done
build/kwf-tqv "$@"
