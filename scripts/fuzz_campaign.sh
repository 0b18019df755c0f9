#!/usr/bin/env bash
# A longer fuzzing campaign: builds every libFuzzer target with clang under ASan + UBSan, seeds
# each from the project's own generators (a demo client's packages, space.bin, model files,
# version.xml and paths.xml, ImageMagick DDS files, the shipped configs), runs each target up to
# a number of executions or a time limit, and prints executions and findings per target.
#   scripts/fuzz_campaign.sh [build folder] [seconds per target] [executions per target]
# Findings (crash-*, leak-*, timeout-*, oom-* inputs) land in <build folder>/findings/<target>/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-fuzz}"
seconds="${2:-600}"
runs="${3:-1000000}"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" \
  -DPALLOGRAPH_FUZZ=ON -DPALLOGRAPH_SANITIZE=ON -DPALLOGRAPH_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fuzzers=$(for f in "$root"/fuzz/*_fuzz.cpp; do n=$(basename "$f" _fuzz.cpp); echo "${n,,}_fuzzer"; done)
# shellcheck disable=SC2086
cmake --build "$dir" --target $fuzzers -j2 >/dev/null

seeds="$dir/campaign-seeds"
rm -rf "$seeds"
"$python" "$root/scripts/make_demo_client.py" "$seeds/client" >/dev/null
"$python" - "$root" "$seeds" <<'PY'
import glob, os, struct, subprocess, sys, zipfile
root, out = sys.argv[1], sys.argv[2]
client = os.path.join(out, "client")
def put(target, name, data):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())
sys.path.insert(0, os.path.join(root, "scripts"))
import fuzz_seed_textures
fuzz_seed_textures.write_seeds(os.path.join(out, "texture"))
for compression in ("dxt1", "dxt5"):
    path = os.path.join(out, f"magick_{compression}.dds")
    subprocess.run(["convert", "-size", "16x16", "gradient:red-blue", "-define",
                    f"dds:compression={compression}", "-define", "dds:mipmaps=3", path], check=True)
    put("texture", os.path.basename(path), open(path, "rb").read())
packages = sorted(glob.glob(os.path.join(client, "res", "packages", "*.pkg")))
for pkg in packages:
    data = open(pkg, "rb").read()
    if len(data) <= 65536:
        put("archivereader", os.path.basename(pkg), data)
    with zipfile.ZipFile(pkg) as z:
        for info in z.infolist():
            name = info.filename
            if name.endswith("space.bin"):
                body = z.read(info)
                put("spacebintextures", name.replace("/", "_"), body)
                put("spacebinpatchnames", name.replace("/", "_"), b"\0" + body)
                put("spacebinpatchnames", "listed_" + name.replace("/", "_"),
                    b"\x01content/x/a_AM.dds\nb.dds\0" + body)
            elif name.endswith(".visual_processed") and "crash" in name:
                body = z.read(info)
                put("binaryops", name.replace("/", "_"), body)
                put("binaryopskeys", name.replace("/", "_"),
                    b"\x03diffuse\xffdiffuseMapX\xffdiffuseMap\xffvehicles/tank_crash.dds\xff"
                    b"\xff\xff" + body)
            elif name.endswith(".dds") and info.file_size <= 16384:
                put("texture", name.replace("/", "_"), z.read(info))
for name in ("version.xml", "paths.xml", "game_info.xml"):
    put("clientxml", name, open(os.path.join(client, name), "rb").read())
put("peversion", "WorldOfTanks.exe", open(os.path.join(client, "WorldOfTanks.exe"), "rb").read())
for cfg in glob.glob(os.path.join(root, "data", "configs", "*.cfg")):
    put("cfgtext", os.path.basename(cfg), open(cfg, "rb").read())
put("versionfile", "update", "227\r\nv.2.1.4\r\nPallograph.zip\r\n")
put("versionfile", "notext", "225\n")
for i, line in enumerate(['"C:\\Games\\pallograph.exe" --wot-path="C:\\Games\\World_of_Tanks" '
                          '--DPT-mod=FF0000 --cpu-count 4 -l', "p /dpt-mod:x --disable-statistics",
                          "p --wot-path='D:\\WoT\\' --scale=1.5 --enable-log word"]):
    put("commandlinereader", f"line{i}", line)
for i, words in enumerate([["--dpt-mod=FF0000"], ["--dpt-mod=a b\"c"], ["--log", "-x", "/abs/path"],
                           ["--cpu-count=", "--dpt-mod='q'"], ["--dpt-mod=/tmp/it's \"x\"/out"],
                           ["--dpt-mod=\"both' kinds\""]]):
    put("commandlineargv", f"argv{i}", "\0".join(words))
PY

export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
printf '%-26s %12s %8s %10s %s\n' target executions seconds corpus findings
for fuzzer in $fuzzers; do
  name="${fuzzer%_fuzzer}"
  corpus="$dir/campaign-corpus/$name"
  findings="$dir/findings/$name"
  mkdir -p "$corpus" "$findings" "$seeds/$name"
  case "$name" in
    archivereader|spacebintextures|spacebinpatchnames) max_len=65536 ;;
    *) max_len=4096 ;;
  esac
  log="$dir/campaign-$name.log"
  start=$(date +%s)
  # A target stops at its first finding, whose input is kept in its findings folder.
  "$dir/fuzz/$fuzzer" -runs="$runs" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" \
    "$seeds/$name" >"$log" 2>&1 || true
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' |
    tail -n 1)
  found=$(find "$findings" -type f | wc -l)
  printf '%-26s %12s %8s %10s %s\n' "$name" "${executions:-?}" "$(($(date +%s) - start))" \
    "$(find "$corpus" -type f | wc -l)" "$found"
done
