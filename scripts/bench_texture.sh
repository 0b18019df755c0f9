#!/usr/bin/env bash
# Builds and runs the texture codec benchmark: scripts/bench_texture.sh [build folder [rounds]]
# Peers: icbc and rgbcx from ../shared/bench-peers (PALLOGRAPH_BENCH_PEERS), stb_dxt, libsquish.
# The corpus is made at run time from Debian game-data packages (downloaded, not installed, and
# cached in the build folder); if they cannot be had, images under /usr/share are used instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-bench}")"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

# stb_dxt, the one-colour peer, from Debian's libstb-dev (downloaded, not installed).
stb="$dir/stb"
if [ ! -f "$stb/usr/include/stb/stb_dxt.h" ]; then
  mkdir -p "$stb"
  (cd "$stb" && apt-get download libstb-dev >/dev/null 2>&1 && dpkg-deb -x libstb-dev_*.deb .) || true
fi
cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" -DPALLOGRAPH_BENCH=ON \
  -DPALLOGRAPH_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPALLOGRAPH_STB_INCLUDE="$stb/usr/include/stb" >/dev/null
cmake --build "$dir" --target texture_bench -j2

bash "$root/scripts/bench_corpus.sh" "$dir"
corpus="$dir/corpus"
PALLOGRAPH_BENCH_CORPUS="$corpus" "$dir/bench/texture_bench" "${@:2}"
