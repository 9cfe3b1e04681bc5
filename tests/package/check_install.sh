#!/bin/bash
# Installs the package the deb target has just made into a copy of a bare Debian 12 root
# (scripts/bare-root.sh), with its dependencies from the archive; there: kwf-tqvctl --version,
# kwf-tqv --help without a display, man -l on each page, the completion under bash, the program
# run by an ordinary user; then dpkg -r leaves nothing but that user's own files.
# Needs root (chroot) and, the first time, the network (debootstrap, apt-get).
#   KWF_PACKAGE_INSTALL_TEST=skip   skip it (exit 77) on a machine that cannot make the root
# Usage: check_install.sh <folder of the package> <source tree>
set -u
debdir=$1
top=$2
say() { printf 'check_install: %s\n' "$*"; }
if [ "${KWF_PACKAGE_INSTALL_TEST:-}" = skip ]; then
    say "SAUTÉ : KWF_PACKAGE_INSTALL_TEST=skip, le paquet n'est pas installé dans une racine neuve."
    exit 77
fi
if [ "$(id -u)" -ne 0 ]; then
    say "SAUTÉ : il faut être root (chroot) pour installer le paquet dans une racine neuve."
    exit 77
fi
set -- "$debdir"/kwf-tqv_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { say "pas exactement un paquet dans $debdir : $*"; exit 1; }
deb=$1

if ! bare=$("$top/scripts/bare-root.sh"); then
    say "ÉCHEC : la racine Debian 12 nue n'a pas pu être faite (réseau ? debootstrap ?) : le paquet n'est PAS essayé."
    say "Sur une machine sans réseau : KWF_PACKAGE_INSTALL_TEST=skip."
    exit 1
fi
scratch=$(mktemp -d /var/tmp/kwf-install-XXXXXX)
cleanup() {
    for m in proc dev/pts dev; do
        mountpoint -q "$scratch/$m" 2>/dev/null && umount -l "$scratch/$m"
    done
    rm -rf "$scratch"
}
trap cleanup EXIT
cp -a "$bare/." "$scratch/"
rm -f "$scratch/.kwf-bare-root-ok"
cp -L /etc/resolv.conf "$scratch/etc/resolv.conf" 2>/dev/null || true
mount --bind /dev "$scratch/dev" && mount --bind /dev/pts "$scratch/dev/pts" && mount -t proc proc "$scratch/proc" \
    || { say "montages impossibles dans $scratch"; exit 1; }
cp "$deb" "$scratch/tmp/kwf-tqv.deb"
cp "$top/tests/package/check_completion.sh" "$scratch/tmp/"
inside() {
    chroot "$scratch" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        /bin/bash -c "$1"
}
status=0
check() {   # check "what" command...
    local what=$1 out
    shift
    if out=$(inside "$*" 2>&1); then
        say "ok : $what"
    else
        say "ÉCHEC : $what"
        printf '%s\n' "$out" | tail -n 30 | sed 's/^/  | /'
        status=1
    fi
}
# What a fresh root has: the package's dependencies come from the archive; man and bash-completion
# are what a user reading the pages and pressing Tab has.
t0=$(date +%s)
if ! out=$(inside 'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/kwf-tqv.deb man-db bash-completion' 2>&1); then
    printf '%s\n' "$out" | tail -n 30 | sed 's/^/  | /'
    say "ÉCHEC : apt-get n'a pas installé le paquet et ses dépendances."
    exit 1
fi
say "paquet et dépendances installés en $(( $(date +%s) - t0 )) s"
# The root as it is without the package: what dpkg -r must give back.
snapshot() {
    inside 'find / -xdev \( -path /proc -o -path /dev -o -path /sys -o -path /tmp -o -path /run -o -path /var/cache -o -path /var/log -o -path /var/lib/apt -o -path /var/lib/dpkg \) -prune -o -print | sort'
}
check "dpkg -r kwf-tqv" 'dpkg -r kwf-tqv'
snapshot > "$scratch/tmp/before"
check "dpkg -i du paquet" 'dpkg -i /tmp/kwf-tqv.deb'
check "kwf-tqvctl --version" 'test "$(kwf-tqvctl --version)" = "kwf-tqvctl $(dpkg-query -W -f="\${Version}" kwf-tqv)"'
check "kwf-tqv --help et --version sans écran" \
    'env -u DISPLAY QT_QPA_PLATFORM=xcb kwf-tqv --help | grep -q "^Usage : kwf-tqv" && env -u DISPLAY QT_QPA_PLATFORM=xcb kwf-tqv --version | grep -qx "kwf-tqv [0-9.]*"'
for page in kwf-tqv kwf-tqvctl kwf-panel-sim; do
    check "man -l $page.1.gz" "w=\$(MANWIDTH=80 man --warnings -l -Tutf8 -Z /usr/share/man/man1/$page.1.gz 2>&1 >/dev/null); test -z \"\$w\" || { echo \"\$w\"; false; }; MANWIDTH=80 man -P cat -l /usr/share/man/man1/$page.1.gz | grep -q '^NOM' && man -w $page | grep -q /usr/share/man/man1/$page.1.gz"
done
check "complétion de kwf-tqvctl sous bash" \
    'bash /tmp/check_completion.sh /usr/share/bash-completion/completions/kwf-tqvctl /usr/bin/kwf-tqvctl'
check "complétion chargée par bash-completion" \
    'bash -c "source /usr/share/bash-completion/bash_completion; __load_completion kwf-tqvctl; complete -p kwf-tqvctl" | grep -q _kwf_tqvctl'
# An ordinary user: their files go to their own folder; the guide and the site settings are found.
check "kwf-tqv --lieux par un utilisateur" \
    'useradd -m technicien && su technicien -c "QT_QPA_PLATFORM=offscreen kwf-tqv --lieux" | grep -qx "Guide : /usr/share/doc/kwf-tqv/KWF_TQV.doc" && su technicien -c "kwf-tqvctl ports >/dev/null" && test -d /home/technicien/.local/share/kwf-tqv'
check "dpkg -r kwf-tqv" 'dpkg -r kwf-tqv'
snapshot > "$scratch/tmp/after"
# Nothing left but the user's own files (and the user made for the test).
left=$(diff "$scratch/tmp/before" "$scratch/tmp/after" | grep '^[<>]' \
    | grep -Ev '^> /home/technicien(/|$)|^> /etc/(passwd|group|shadow|gshadow|subuid|subgid)-?$|^> /var/(spool/)?mail/technicien$|^> /root/\.(local|cache)(/|$)' || true)
if [ -n "$left" ]; then
    say "ÉCHEC : dpkg -r laisse ou enlève :"
    printf '%s\n' "$left" | sed 's/^/  | /'
    status=1
else
    say "ok : dpkg -r ne laisse rien que les fichiers de l'utilisateur"
fi
if inside 'dpkg-query -W -f="\${Status}" kwf-tqv 2>/dev/null' | grep -q ' installed$'; then
    say "ÉCHEC : dpkg dit encore le paquet installé"
    status=1
fi
[ "$status" -eq 0 ] && say "RÉUSSI : le paquet s'installe, marche et s'enlève proprement sur une Debian 12 neuve."
exit "$status"
