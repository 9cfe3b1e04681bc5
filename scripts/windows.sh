#!/usr/bin/env bash
# Windows build from this Debian machine: MinGW-w64 cross compilers, Qt for Windows built once
# from Debian's own sources into a cache outside the tree, the programs and the test suite
# cross-built, the suite run under Wine, then the portable zip and the installer.
#
#   scripts/windows.sh            everything (Qt only when the cache lacks it)
#   scripts/windows.sh qt         only the Qt cache
#   scripts/windows.sh build|test|e2e|dist   one step (the earlier ones must have run)
#
# KWF_WINDOWS_CACHE   cache folder (default: ~/.cache/kwf-tqv/windows)
# KWF_JOBS            parallel jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
CACHE=${KWF_WINDOWS_CACHE:-$HOME/.cache/kwf-tqv/windows}
QT=$CACHE/qt
QT_TOOLCHAIN=$QT/lib/cmake/Qt6/qt.toolchain.cmake
JOBS=${KWF_JOBS:-2}
BUILD=$ROOT/build-windows
TRIPLE=x86_64-w64-mingw32
QT_SOURCE_VERSION=6.4.2

log() { printf '=== %s\n' "$*"; }

deps() {
    local pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine nsis
                zip xvfb xdotool imagemagick cmake ninja-build qt6-base-dev qt6-base-dev-tools
                googletest xz-utils dpkg-dev)
    local missing=()
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        log "Installation : ${missing[*]}"
        if [[ $(id -u) -ne 0 ]]; then
            echo "windows.sh: ces paquets manquent et il faut être root pour les installer : ${missing[*]}" >&2
            exit 1
        fi
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
    fi
}

# Debian's source of qtbase, through a private apt configuration carrying the deb-src entry:
# the machine's own sources stay as they are.
fetch_qt_source() {
    local src=$CACHE/src
    mkdir -p "$src/apt/lists/partial" "$src/apt/archives/partial"
    if ! ls "$src"/qt6-base_${QT_SOURCE_VERSION}*.orig.tar.xz >/dev/null 2>&1; then
        cat > "$src/apt/sources.list" <<LIST
deb-src http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian bookworm-updates main
LIST
        local opts=(-o Dir::Etc::sourcelist="$src/apt/sources.list" -o Dir::Etc::sourceparts=-
                    -o Dir::State::Lists="$src/apt/lists" -o Dir::Cache="$src/apt")
        apt-get "${opts[@]}" update -q
        (cd "$src" && apt-get "${opts[@]}" source --download-only "qt6-base=${QT_SOURCE_VERSION}*" ||
                      apt-get "${opts[@]}" source --download-only qt6-base)
    fi
    local tarball
    tarball=$(ls "$src"/qt6-base_*.orig.tar.xz | head -1)
    rm -rf "$src/qtbase"
    mkdir -p "$src/qtbase"
    tar -xf "$tarball" -C "$src/qtbase" --strip-components=1
}

qt() {
    if [[ -f $QT_TOOLCHAIN ]]; then
        log "Qt pour Windows déjà dans $QT"
        return
    fi
    local started=$SECONDS
    log "Qt pour Windows : sources de Debian"
    fetch_qt_source
    local src=$CACHE/src/qtbase qbuild=$CACHE/src/qtbase-build
    # With OpenGL off, the Windows platform plug-in still asks for the dynamic GL context.
    sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        "$src/src/plugins/platforms/windows/qwindowswindow.cpp"
    cat > "$CACHE/mingw.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER ${TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
    log "Qt pour Windows : configuration"
    rm -rf "$qbuild"
    cmake -S "$src" -B "$qbuild" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$CACHE/mingw.cmake" -DCMAKE_INSTALL_PREFIX="$QT" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_icu=OFF -DFEATURE_jpeg=OFF -DINPUT_openssl=no \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_libpng=OFF
    log "Qt pour Windows : construction"
    cmake --build "$qbuild" --parallel "$JOBS"
    cmake --install "$qbuild"
    log "Qt pour Windows prêt dans $QT ($(( (SECONDS - started) / 60 )) min)"
}

main() {
    local step=${1:-all}
    case $step in
        deps) deps ;;
        qt) deps; qt ;;
        *) echo "windows.sh: étape inconnue : $step" >&2; exit 2 ;;
    esac
}
main "$@"
