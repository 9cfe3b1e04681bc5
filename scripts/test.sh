#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless:
#   1. the normal build and all its tests (CTest);
#   2. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. short runs of the libFuzzer targets (clang);
#   4. the Windows build, its tests under Wine, end to end under Wine, the zip and the installer
#      (scripts/windows.sh), when the cache of Qt for Windows exists.
# KWF_TEST_STAGES=1 (or "1 2") runs only some stages.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
stages=${KWF_TEST_STAGES:-"1 2 3 4"}
jobs=${KWF_JOBS:-2}

if [[ " $stages " == *" 1 "* ]]; then
    echo "=== Construction et tests"
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWF_WARNINGS_AS_ERRORS=ON
    cmake --build build --parallel "$jobs"
    ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 300
fi

if [[ " $stages " == *" 2 "* ]]; then
    echo "=== Tests sous AddressSanitizer et UndefinedBehaviorSanitizer"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKWF_SANITIZE=ON
    cmake --build build-asan --parallel "$jobs"
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1" \
    LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --timeout 600 -LE "package|realtime"
fi

if [[ " $stages " == *" 3 "* ]]; then
    echo "=== Fuzzing (courtes séries)"
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKWF_FUZZ=ON -DKWF_BUILD_TESTS=OFF -DKWF_FUZZ_SECONDS="${KWF_FUZZ_SECONDS:-20}"
    cmake --build build-fuzz --parallel "$jobs" --target fuzz_all
    ctest --test-dir build-fuzz -L fuzz --output-on-failure --timeout 600
fi

if [[ " $stages " == *" 4 "* ]]; then
    echo "=== Windows (MinGW-w64, tests sous Wine)"
    cache=${KWF_WINDOWS_CACHE:-$HOME/.cache/kwf-tqv/windows}
    if [[ -f $cache/qt/lib/cmake/Qt6/qt.toolchain.cmake ]]; then
        started=$SECONDS
        KWF_LINUX_BUILD=$PWD/build scripts/windows.sh all
        echo "=== Windows : $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
    else
        # The first Qt build does not fit in CI's time: it is made once, outside this run.
        echo "=== Windows : étape sautée, Qt pour Windows n'est pas dans $cache ; pour le construire (une fois, environ 20 min) : scripts/windows.sh qt"
    fi
fi
