#!/usr/bin/env bash
# The large-client run: builds the program, writes a large client with scripts/large_client.py
# (500+ packages, zip64 packages of more than 65,535 entries, optionally one beyond 4 GiB) and
# runs every stage on it, one run per stage and one with all of them. Prints per run the exit
# code, the time, the peak resident memory and the bytes the process read, against the bytes
# of the client's packages. Removes the client at the end (KEEP=1 keeps it). PROGRAM=path runs an
# already built program instead of building one.
#   scripts/bench_large_client.sh [build folder] [client folder] [large_client.py options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-large}"
client="${2:-${TMPDIR:-/tmp}/pallograph-large-client}"
shift 2 || shift $#
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

program="${PROGRAM:-$dir/pallograph}"
if [ -z "${PROGRAM:-}" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" -DCMAKE_BUILD_TYPE=Release \
    -DPALLOGRAPH_TESTS=OFF >/dev/null
  cmake --build "$dir" --target pallograph -j2 >/dev/null
fi

rm -rf "$client"
cleanup() { [ "${KEEP:-0}" = 1 ] || rm -rf "$client"; }
trap cleanup EXIT
start=$(date +%s)
"$python" "$root/scripts/large_client.py" "$client" "$@"
echo "client generated in $(($(date +%s) - start)) s"

"$python" - "$program" "$client" <<'PY'
import glob, os, shutil, subprocess, sys, tempfile, time
program, client = sys.argv[1], sys.argv[2]
packages = glob.glob(os.path.join(client, "res", "packages", "*.pkg"))
package_bytes = sum(os.path.getsize(p) for p in packages)
largest = max(packages, key=os.path.getsize)
print(f"{len(packages)} packages, {package_bytes / 2**20:.1f} MiB; largest "
      f"{os.path.basename(largest)} {os.path.getsize(largest) / 2**20:.1f} MiB")
mods = glob.glob(os.path.join(client, "mods", "*"))[0]
runs = [("DPT", ["--DPT-mod=FF0000"]), ("CCT", ["--CCT-mod=00FF00"]),
        ("MEM", ["--MEM-mod=FFFFFF"]), ("CTM", ["--CTM-mod=00FFFF"]),
        ("SpaceBin", ["--SpaceBin-mod=FF0000|00FF00"]), ("CAMO", ["--CAMO-mod=40"]),
        ("all, all-in-one", ["--DPT-mod=FF0000", "--CCT-mod=00FF00", "--MEM-mod=FFFFFF",
                             "--CTM-mod=00FFFF", "--SpaceBin-mod=FF0000", "--CAMO-mod=40",
                             "--allinone-wotmod"])]
print(f"{'run':<18}{'exit':>6}{'seconds':>9}{'peak RSS MiB':>14}{'read MiB':>10}{'package':>10}")
failed = False
for name, options in runs:
    temp = tempfile.mkdtemp()
    env = dict(os.environ, TMPDIR=temp)
    args = [program, "--wot-path=" + client, *options, "--no-send-statistic",
            "--no-update-configs", "--auto-close-console", "--silent-mode"]
    begin = time.time()
    p = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    os.waitid(os.P_PID, p.pid, os.WEXITED | os.WNOWAIT)
    io = dict(line.split(": ") for line in open(f"/proc/{p.pid}/io").read().splitlines())
    _, status, usage = os.wait4(p.pid, 0)
    seconds = time.time() - begin
    code = os.waitstatus_to_exitcode(status)
    made = sum(os.path.getsize(f) for f in glob.glob(os.path.join(mods, "**", "*.wotmod"),
                                                     recursive=True))
    left = os.listdir(temp)
    print(f"{name:<18}{code:>6}{seconds:>9.1f}{usage.ru_maxrss / 1024:>14.1f}"
          f"{int(io['rchar']) / 2**20:>10.1f}{made / 2**20:>10.2f}"
          + ("  temporary files left!" if left else ""))
    failed |= code != 0 or made == 0 or bool(left)
    shutil.rmtree(temp, ignore_errors=True)
    for f in glob.glob(os.path.join(mods, "**", "*.wotmod"), recursive=True):
        os.remove(f)
sys.exit(1 if failed else 0)
PY
