#!/usr/bin/env bash
# Windows build from this Debian machine: MinGW-w64 cross compilers, Qt for Windows built once
# from Debian's own sources into a cache outside the tree, the programs and the test suite
# cross-built, the suite run under Wine, then the portable zip and the installer.
#
#   scripts/windows.sh            everything (Qt and GoogleTest only when the cache lacks them)
#   scripts/windows.sh qt         only the cache (Qt, GoogleTest)
#   scripts/windows.sh build|test|e2e|dist|install-check   one step (the earlier ones must have run)
#
# KWF_WINDOWS_CACHE   cache folder (default: ~/.cache/kwf-tqv/windows)
# KWF_JOBS            parallel jobs (default 2)
# KWF_LINUX_BUILD     Linux build tree with kwf-panel-sim and kwf-tqvctl (default: build)
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
        apt-get "${opts[@]}" -o APT::Sandbox::User=root update -q
        (cd "$src" && apt-get "${opts[@]}" -o APT::Sandbox::User=root source --download-only qt6-base)
    fi
    local tarball
    tarball=$(ls "$src"/qt6-base_*.orig.tar.xz | head -1)
    rm -rf "$src/qtbase"
    mkdir -p "$src/qtbase"
    tar -xf "$tarball" -C "$src/qtbase" --strip-components=1
}

# The plain MinGW tool chain, for Qt itself and GoogleTest; the project uses the one Qt writes.
toolchain() {
    mkdir -p "$CACHE"
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
    toolchain
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

gtest() {
    if [[ -f $CACHE/gtest/lib/cmake/GTest/GTestConfig.cmake ]]; then
        return
    fi
    log "GoogleTest pour Windows (/usr/src/googletest)"
    toolchain
    rm -rf "$CACHE/src/gtest-build"
    cmake -S /usr/src/googletest -B "$CACHE/src/gtest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$CACHE/mingw.cmake" -DCMAKE_INSTALL_PREFIX="$CACHE/gtest" \
        -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -Dgtest_force_shared_crt=ON
    cmake --build "$CACHE/src/gtest-build" --parallel "$JOBS"
    cmake --install "$CACHE/src/gtest-build"
}

cache_ready() {
    [[ -f $QT_TOOLCHAIN && -f $CACHE/gtest/lib/cmake/GTest/GTestConfig.cmake ]]
}

# Wine: a prefix of its own inside the build tree; its server kept up while the steps run.
WINE_PREFIX=$BUILD/wine
winpath() { printf 'Z:%s' "${1//\//\\}"; }
wine_env() {
    export WINEPREFIX=$WINE_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    export WINEPATH="$(winpath "$QT/bin");$(winpath /usr/lib/gcc/$TRIPLE/12-posix);$(winpath /usr/$TRIPLE/lib)"
}
wine_up() {
    wine_env
    if [[ ! -f $WINE_PREFIX/system.reg ]]; then
        log "Préfixe Wine $WINE_PREFIX"
        mkdir -p "$WINE_PREFIX"
        wineboot -i >/dev/null 2>&1
    fi
    wineserver -p 600 >/dev/null 2>&1 || true
    # Wine's services started here, with nothing of ours open, rather than by the first test.
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}
wine_down() {
    [[ -d $WINE_PREFIX ]] || return 0
    WINEPREFIX=$WINE_PREFIX wineserver -k >/dev/null 2>&1 || true
}

# Runs a Windows program under this build's Wine (the emulator CMake and CTest use).
write_wine_runner() {
    mkdir -p "$BUILD"
    cat > "$BUILD/wine-run" <<RUN
#!/bin/sh
export WINEPREFIX='$WINE_PREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' WINEARCH=win64
export WINEPATH='$(winpath "$QT/bin");$(winpath /usr/lib/gcc/$TRIPLE/12-posix);$(winpath /usr/$TRIPLE/lib)'
# The first Windows program to run starts Wine's own services, and they keep its standard
# output and error open after it has ended: whoever reads those (CTest, a \$(...)) would wait for
# them. The program writes into files instead, copied out once it is over.
out=\$(mktemp) && err=\$(mktemp) || exit 125
wine "\$@" > "\$out" 2> "\$err"
rc=\$?
cat "\$out"
cat "\$err" >&2
rm -f "\$out" "\$err"
exit \$rc
RUN
    chmod +x "$BUILD/wine-run"
}

build() {
    write_wine_runner
    wine_up
    log "Construction pour Windows ($BUILD)"
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$QT_TOOLCHAIN" -DCMAKE_PREFIX_PATH="$CACHE/gtest" -DGTest_DIR="$CACHE/gtest/lib/cmake/GTest" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$BUILD/wine-run" -DKWF_WARNINGS_AS_ERRORS=ON
    cmake --build "$BUILD" --parallel "$JOBS"
}

run_tests() {
    wine_up
    log "Tests sous Wine"
    # The Linux package checks have nothing to check here.
    TZ=UTC QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD" --output-on-failure --parallel "$JOBS" \
        --timeout 300 -LE package
}

linux_tools() {
    local lb=${KWF_LINUX_BUILD:-$ROOT/build}
    if [[ ! -x $lb/kwf-panel-sim || ! -x $lb/kwf-tqvctl ]]; then
        lb=$BUILD/linux
        cmake -S "$ROOT" -B "$lb" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWF_BUILD_TESTS=OFF >/dev/null
        cmake --build "$lb" --parallel "$JOBS" --target kwf-panel-sim kwf-tqvctl >/dev/null
    fi
    LINUX_BUILD=$lb
}

e2e() {
    wine_up
    linux_tools
    log "De bout en bout sous Wine : kwf-tqvctl.exe contre le panneau émulé"
    KWF_WINE="$BUILD/wine-run" tests/windows/e2e.sh "$LINUX_BUILD" "$BUILD" "$ROOT/docs"
}

version() {
    sed -n 's/^project(kwf-tqv VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

dist() {
    local v name stage
    v=$(version)
    name=kwf-tqv-$v
    stage=$BUILD/dist/$name
    log "Livrables : $BUILD/dist"
    rm -rf "$BUILD/dist"
    mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
    cp "$BUILD/kwf-tqv.exe" "$BUILD/kwf-tqvctl.exe" "$BUILD/KWF_TQV.doc" "$stage/"
    cp "$QT"/bin/Qt6{Core,Gui,Widgets}.dll "$stage/"
    cp "$QT/plugins/platforms/qwindows.dll" "$stage/platforms/"
    cp "$QT/plugins/styles/"*.dll "$stage/styles/" 2>/dev/null || rmdir "$stage/styles"
    cp /usr/lib/gcc/$TRIPLE/12-posix/{libstdc++-6,libgcc_s_seh-1}.dll /usr/$TRIPLE/lib/libwinpthread-1.dll "$stage/"
    # Qt's French texts for the standard dialogs and buttons (the same release as the host's).
    cp /usr/share/qt6/translations/qtbase_fr.qm "$stage/translations/"
    printf '[Paths]\r\nPrefix=.\r\nPlugins=.\r\nTranslations=translations\r\n' > "$stage/qt.conf"
    find "$stage" -name '*.exe' -o -name '*.dll' | xargs $TRIPLE-strip --strip-unneeded
    (cd "$BUILD/dist" && rm -f "$name-windows.zip" && zip -qr "$name-windows.zip" "$name")
    makensis -V2 -DVERSION="$v" -DSTAGE="$stage" -DOUTFILE="$BUILD/dist/$name-setup.exe" \
        "$ROOT/packaging/windows/kwf-tqv.nsi"
    ls -l "$BUILD/dist"
}

install_check() {
    wine_up
    log "Installation silencieuse sous Wine et lancement depuis le menu Démarrer"
    KWF_WINE="$BUILD/wine-run" tests/windows/install_check.sh "$BUILD/dist/kwf-tqv-$(version)-setup.exe" "$ROOT/docs"
}

timed() {
    local started=$SECONDS
    "$@"
    log "$1 : $((SECONDS - started)) s"
}

main() {
    local step=${1:-all}
    local started=$SECONDS
    trap wine_down EXIT
    case $step in
        deps) deps ;;
        qt) deps; timed qt; timed gtest ;;
        build) timed build ;;
        test) timed run_tests ;;
        e2e) timed e2e ;;
        dist) timed dist ;;
        install-check) timed install_check ;;
        all)
            deps
            timed qt
            timed gtest
            timed build
            timed run_tests
            timed e2e
            timed dist
            timed install_check
            ;;
        *) echo "windows.sh: étape inconnue : $step" >&2; exit 2 ;;
    esac
    log "windows.sh $step : $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
}
main "$@"
