#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer + UndefinedBehaviorSanitizer and
# runs each for a short smoke: scripts/fuzz_smoke.sh [build folder] [seconds per target]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-fuzz}"
seconds="${2:-20}"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" \
  -DPALLOGRAPH_FUZZ=ON -DPALLOGRAPH_SANITIZE=ON -DPALLOGRAPH_TESTS=OFF -DPALLOGRAPH_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fuzzers=$(for f in "$root"/fuzz/*_fuzz.cpp; do n=$(basename "$f" _fuzz.cpp); echo "${n,,}_fuzzer"; done)
# shellcheck disable=SC2086
cmake --build "$dir" --target $fuzzers -j2

# Seeds: small DXT1 and DXT5 textures with and without a mip chain.
corpus="$dir/corpus/texture"
"$python" "$root/scripts/fuzz_seed_textures.py" "$corpus"

# Seeds: option values with both kinds of quote, blanks, and quotes around the value.
argv_seeds="$dir/corpus/commandlineargv"
mkdir -p "$argv_seeds"
printf -- '--dpt-mod=/tmp/it'"'"'s "x"/out' >"$argv_seeds/both-quotes"
printf -- '--dpt-mod="'"'"'q'"'"'"' >"$argv_seeds/quoted"
printf -- '--log\0--dpt-mod\0a b' >"$argv_seeds/two-words"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for fuzzer in $fuzzers; do
  seeds="$dir/corpus/${fuzzer%_fuzzer}"
  mkdir -p "$seeds"
  echo "== $fuzzer"
  "$dir/fuzz/$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$seeds" \
    2>&1 | tail -n 5
done
