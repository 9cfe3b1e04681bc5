#!/usr/bin/env bash
# Tries the README as a newcomer would, on a bare Debian 12 machine: copies a fresh clone of the
# current commit into a copy of a bare root (scripts/bare-root.sh), runs the README's test command
# there as root in a chroot, then starts scripts/run.sh headless long enough to see the tool open
# the emulated panel. Prints the time each took and ends with one line saying whether both passed.
#   KWF_FRESH_DIR    the scratch root (default /var/tmp/kwf-fresh; emptied first, removed after a pass)
#   KWF_FRESH_KEEP=1 keep the scratch root after a pass too
#   KWF_TEST_STAGES, KWF_JOBS, KWF_FUZZ_SECONDS are passed on to scripts/test.sh.
# Needs root. What is committed is checked, not the working tree.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
scratch=${KWF_FRESH_DIR:-/var/tmp/kwf-fresh}
start_timeout=${KWF_FRESH_START_SECONDS:-120}
say() { printf 'fresh-check: %s\n' "$*"; }
fmt() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

if [ "$(id -u)" -ne 0 ]; then
    say "il faut être root (debootstrap, chroot, montages)."
    exit 2
fi
commit=$(git -C "$top" rev-parse HEAD)
[ -z "$(git -C "$top" status --porcelain)" ] \
    || say "attention : des modifications non validées ne sont pas essayées (seul $commit l'est)."

mounted() { awk -v d="$scratch/" 'index($2, d) == 1 { found = 1 } END { exit !found }' /proc/mounts; }
# Processes whose root is the scratch root (a run that outlived its chroot).
inside() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$scratch" ] && echo "${p#/proc/}"
    done
    return 0
}
release() {
    local pids
    pids=$(inside)
    [ -n "$pids" ] && kill $pids 2>/dev/null && sleep 1
    pids=$(inside)
    [ -n "$pids" ] && kill -9 $pids 2>/dev/null
    for m in proc dev/pts dev; do
        mountpoint -q "$scratch/$m" 2>/dev/null && umount -l "$scratch/$m"
    done
    return 0
}
remove_scratch() {
    release
    if mounted; then
        say "$scratch a encore des montages : il n'est pas supprimé."
        return 1
    fi
    rm -rf "$scratch"
}
trap release EXIT

remove_scratch
t0=$(date +%s)
root=$("$top/scripts/bare-root.sh")
cp -a "$root" "$scratch"
rm -f "$scratch/.kwf-bare-root-ok"
git clone --quiet --no-local "$top" "$scratch/root/kwf-tqv"
git -C "$scratch/root/kwf-tqv" checkout --quiet --detach "$commit"
cp -L /etc/resolv.conf "$scratch/etc/resolv.conf" 2>/dev/null || true
mount --bind /dev "$scratch/dev"
mount --bind /dev/pts "$scratch/dev/pts"
mount -t proc proc "$scratch/proc"
t_prep=$(( $(date +%s) - t0 ))
say "racine neuve prête ($(fmt "$t_prep")), commit $commit"

# A root shell's environment on a new machine: no locale, no display, no terminal.
in_root() {
    chroot "$scratch" /usr/bin/env -i HOME=/root TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        ${KWF_TEST_STAGES:+KWF_TEST_STAGES="$KWF_TEST_STAGES"} ${KWF_JOBS:+KWF_JOBS="$KWF_JOBS"} \
        ${KWF_FUZZ_SECONDS:+KWF_FUZZ_SECONDS="$KWF_FUZZ_SECONDS"} \
        /bin/bash -c "cd /root/kwf-tqv && $1"
}

t0=$(date +%s)
tests_ok=0
if in_root 'scripts/test.sh' </dev/null 2>&1 | tee "$scratch/root/fresh-test.log" | sed 's/^/  | /'; then
    tests_ok=1
fi
t_tests=$(( $(date +%s) - t0 ))
if [ "$tests_ok" -eq 1 ]; then
    say "scripts/test.sh : réussi en $(fmt "$t_tests")"
else
    say "scripts/test.sh : ÉCHEC après $(fmt "$t_tests") (journal : $scratch/root/fresh-test.log)"
fi

# The tool started as the README says, on a virtual screen: it has opened the emulated panel when
# its process holds the pseudo-terminal that the demo's COM1 link leads to.
t0=$(date +%s)
run_ok=0
in_root 'exec xvfb-run -a scripts/run.sh' </dev/null > "$scratch/root/fresh-run.log" 2>&1 &
link="$scratch/root/kwf-tqv/build/dosdevices/com1"
tool="$scratch/root/kwf-tqv/build/kwf-tqv"
while [ $(( $(date +%s) - t0 )) -lt "$start_timeout" ]; do
    pty=$(readlink "$link" 2>/dev/null || true)
    if [ -n "$pty" ]; then
        for pid in $(inside); do
            case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
                "$tool" | /root/kwf-tqv/build/kwf-tqv) ;;
                *) continue ;;
            esac
            for fd in /proc/"$pid"/fd/*; do
                case "$(readlink "$fd" 2>/dev/null)" in
                    "$pty" | "$scratch$pty") run_ok=1 ;;
                esac
            done
        done
    fi
    [ "$run_ok" -eq 1 ] && break
    sleep 1
done
t_run=$(( $(date +%s) - t0 ))
release
if [ "$run_ok" -eq 1 ]; then
    say "scripts/run.sh : l'outil a ouvert le panneau émulé en $(fmt "$t_run")"
else
    say "scripts/run.sh : l'outil n'a pas ouvert le panneau émulé en $(fmt "$t_run") (journal : $scratch/root/fresh-run.log)"
    sed 's/^/  | /' "$scratch/root/fresh-run.log" | tail -n 20
fi

if [ "$tests_ok" -eq 1 ] && [ "$run_ok" -eq 1 ]; then
    [ "${KWF_FRESH_KEEP:-0}" = 1 ] || remove_scratch
    say "RÉUSSI : les deux commandes du README passent sur une Debian 12 neuve (tests $(fmt "$t_tests"), démarrage $(fmt "$t_run"))."
    exit 0
fi
say "ÉCHEC : tests $([ "$tests_ok" -eq 1 ] && echo réussis || echo échoués), démarrage $([ "$run_ok" -eq 1 ] && echo réussi || echo échoué) ; racine gardée dans $scratch."
exit 1
