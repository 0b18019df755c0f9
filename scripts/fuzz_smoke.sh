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
  -DPALLOGRAPH_FUZZ=ON -DPALLOGRAPH_SANITIZE=ON -DPALLOGRAPH_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fuzzers=$(for f in "$root"/fuzz/*_fuzz.cpp; do n=$(basename "$f" _fuzz.cpp); echo "${n,,}_fuzzer"; done)
# shellcheck disable=SC2086
cmake --build "$dir" --target $fuzzers -j2

# Seeds: small DXT1 and DXT5 textures with and without a mip chain.
corpus="$dir/corpus/texture"
mkdir -p "$corpus"
"$python" - "$corpus" <<'PY'
import os, struct, sys
def dds(w, h, fourcc, mips, block):
    levels, sw, sh = [], w, h
    while True:
        levels.append(((sw + 3) // 4) * ((sh + 3) // 4) * block)
        if mips <= 1 or (sw == 1 and sh == 1): break
        sw, sh = max(1, sw // 2), max(1, sh // 2)
    header = bytearray(128)
    struct.pack_into("<4sIIIIIII", header, 0, b"DDS ", 124, 0x81007, h, w, levels[0], 0,
                     len(levels) if mips > 1 else 0)
    struct.pack_into("<II4s", header, 76, 32, 4, fourcc)
    body = bytes((i * 37 + 11) & 0xFF for i in range(sum(levels)))
    return bytes(header) + body
for name, args in {"dxt1_8x8": (8, 8, b"DXT1", 1, 8), "dxt5_8x4_mips": (8, 4, b"DXT5", 4, 16),
                   "dxt5_5x3": (5, 3, b"DXT5", 1, 16), "dxt1_16x16_mips": (16, 16, b"DXT1", 5, 8)}.items():
    open(os.path.join(sys.argv[1], name), "wb").write(dds(*args))
PY

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for fuzzer in $fuzzers; do
  seeds="$dir/corpus/${fuzzer%_fuzzer}"
  mkdir -p "$seeds"
  echo "== $fuzzer"
  "$dir/fuzz/$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$seeds" \
    2>&1 | tail -n 5
done
