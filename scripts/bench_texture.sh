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

cache="$dir/corpus-packages"
corpus="$dir/corpus"
mkdir -p "$cache" "$corpus"
if [ -z "$(ls "$corpus"/*.raw 2>/dev/null)" ]; then
  (cd "$cache" && for p in extremetuxracer-data openarena-data; do
     ls "$p"_*.deb >/dev/null 2>&1 || apt-get download "$p" >/dev/null 2>&1 || true
     for deb in "$p"_*.deb; do [ -f "$deb" ] && dpkg-deb -x "$deb" "$cache/root"; done
   done) || true
  sources="$cache/root"
  [ -d "$sources" ] || sources=/usr/share
  "$python" - "$sources" "$corpus" <<'PY'
import io, os, sys, zipfile
from PIL import Image
src, out = sys.argv[1], sys.argv[2]
budget = {"alpha": 3_000_000, "opaque": 3_000_000}  # pixels of each kind
def take(name, data):
    try:
        im = Image.open(io.BytesIO(data))
        im.load()
    except Exception:
        return
    if min(im.size) < 64 or max(im.size) > 1024:
        return
    im = im.convert("RGBA")
    r, g, b, a = im.split()
    kind = "alpha" if a.getextrema()[0] < 255 else "opaque"
    if budget[kind] <= 0:
        return
    raw = Image.merge("RGBA", (b, g, r, a)).tobytes()
    safe = name.replace("/", "_")[-80:]
    with open(os.path.join(out, kind + "_" + safe + ".raw"), "wb") as f:
        f.write(b"%d %d\n" % im.size + raw)
    budget[kind] -= im.size[0] * im.size[1]
# Model skins with alpha from the pk3 archives first, then loose terrain and scenery images.
paths = sorted(os.path.join(base, f) for base, _, files in os.walk(src) for f in files)
for path in paths:
    if path.lower().endswith(".pk3"):
        with zipfile.ZipFile(path) as z:
            for n in sorted(z.namelist()):
                if n.lower().endswith((".tga", ".png")) and ("models/" in n or "textures/" in n):
                    take(n, z.read(n))
for path in paths:
    if path.lower().endswith((".png", ".tga", ".jpg")):
        take(os.path.relpath(path, src), open(path, "rb").read())
PY
fi
echo "corpus: $(ls "$corpus" | wc -l) textures from $( [ -d "$cache/root" ] && echo Debian game-data packages || echo /usr/share images)"
PALLOGRAPH_BENCH_CORPUS="$corpus" "$dir/bench/texture_bench" "${@:2}"
