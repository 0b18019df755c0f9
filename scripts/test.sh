#!/usr/bin/env bash
# Runs the whole test suite: formatting check, normal build + tests, sanitizer build + tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

echo "== formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

# Every build of the test command treats warnings as errors.
echo "== build (RelWithDebInfo)"
scripts/build.sh "$root/build" -DPALLOGRAPH_WERROR=ON
echo "== tests"
(cd "$root/build" && ctest --output-on-failure)

echo "== build (Release: -O3, as users build it)"
scripts/build.sh "$root/build-release" -DPALLOGRAPH_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  -DPALLOGRAPH_TESTS=OFF

echo "== Debian package: build, install, run the installed program"
scripts/deb_test.sh "$root/build-release"

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer)"
scripts/build.sh "$root/build-asan" -DPALLOGRAPH_WERROR=ON -DPALLOGRAPH_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug
echo "== tests under sanitizers"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$root/build-asan" && ctest --output-on-failure)

echo "== fuzz smoke (clang, libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer)"
scripts/fuzz_smoke.sh "$root/build-fuzz" 5

echo "== Windows: cross build (MinGW-w64), unit tests and end-to-end run under Wine"
scripts/windows/test.sh "$root/build-windows" "$root/build/pallograph"
