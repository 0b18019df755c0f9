#!/usr/bin/env bash
# Makes the benchmark corpus of real textures: scripts/bench_corpus.sh FOLDER
# Writes FOLDER/corpus/*.raw ("width height\n", then pixels B, G, R, A) from Debian game-data
# packages (downloaded, not installed, and cached in FOLDER/corpus-packages); if they cannot be
# had, images under /usr/share are used instead. Does nothing when the corpus is already there.
set -euo pipefail
dir="$(realpath -m "$1")"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"
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
