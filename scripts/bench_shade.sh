#!/usr/bin/env bash
# Builds and runs the camouflage shade benchmark: scripts/bench_shade.sh [build folder [rounds]]
# The corpus of real textures (scripts/bench_corpus.sh) is encoded as DXT1 and DXT5 sources with
# full mip chains; the shade on blocks and the decode-scale-encode path are measured in the same
# run at 10, 40, 70 and 100 percent: RGB error against the ideal (top level and lower levels),
# whether the alpha is the source's, and the time per block on one thread.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-bench}")"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"
# Release, as users build it, in a folder of its own.
cmake -S "$root" -B "$dir/shade" -G Ninja -DPython3_EXECUTABLE="$python" -DPALLOGRAPH_BENCH=ON \
  -DPALLOGRAPH_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir/shade" --target shade_bench -j2
bash "$root/scripts/bench_corpus.sh" "$dir"
PALLOGRAPH_BENCH_CORPUS="$dir/corpus" "$dir/shade/bench/shade_bench" "${@:2}"
