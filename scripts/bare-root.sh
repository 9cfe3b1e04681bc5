#!/usr/bin/env bash
# Prints the path of a bare Debian 12 root (debootstrap minbase, with git, ca-certificates and sudo:
# a newcomer's machine), made once and then reused. The root stays pristine: callers copy it
# (cp -a ROOT SCRATCH) and work in the copy. Needs root (debootstrap, chroot).
#   KWF_BARE_ROOT   where the pristine root lives (default /var/cache/kwf-tqv/bookworm-minbase)
# The packages come from the same Debian archive as this machine's own apt sources.
set -euo pipefail
root=${KWF_BARE_ROOT:-/var/cache/kwf-tqv/bookworm-minbase}
say() { printf '%s\n' "$*" >&2; }

if [ -f "$root/.kwf-bare-root-ok" ]; then
    printf '%s\n' "$root"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    say "bare-root: il faut être root (debootstrap, chroot)."
    exit 2
fi
if ! command -v debootstrap >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >&2
fi

# The archive this machine installs from: the first "deb" source for bookworm in its apt sources.
mirror=$(
    { cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | awk '
        /^Types:/ { deb = ($0 ~ /(^|[ \t])deb([ \t]|$)/) }
        /^URIs:/ && deb { uri = $2 }
        /^Suites:/ && deb && uri != "" && $0 ~ /bookworm([ \t]|$)/ && uri !~ /security/ { print uri; exit }'
)
if [ -z "$mirror" ]; then
    mirror=$({ grep -h -E '^deb[[:space:]]' /etc/apt/sources.list 2>/dev/null || true; } \
        | awk '$3 == "bookworm" { print $2; exit }')
fi
if [ -z "$mirror" ]; then
    say "bare-root: aucune source Debian bookworm dans /etc/apt : je ne sais pas d'où installer."
    exit 2
fi

say "bare-root: création de $root (debootstrap minbase bookworm, quelques minutes)…"
rm -rf "$root.partial"
mkdir -p "$(dirname "$root")"
debootstrap --variant=minbase --include=git,ca-certificates,sudo bookworm "$root.partial" "$mirror" >&2
# The same apt sources as this machine (Debian's archive and its security updates), nothing else.
rm -f "$root.partial/etc/apt/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q 'debian' "$f" && cp "$f" "$root.partial/etc/apt/sources.list.d/"
done
[ -n "$(ls "$root.partial/etc/apt/sources.list.d/" 2>/dev/null)" ] \
    || printf 'deb %s bookworm main\n' "$mirror" > "$root.partial/etc/apt/sources.list"
touch "$root.partial/.kwf-bare-root-ok"
mv "$root.partial" "$root"
printf '%s\n' "$root"
