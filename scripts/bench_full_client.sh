#!/usr/bin/env bash
# The full-client run: every stage alone and all six together on a client of the real one's shape
# and size class (scripts/full_client.py: the 218 packages of the real paths.xml, about 650,000
# entries, 20,000 crash visuals, 600 camouflages, a space.bin of tens of MB per map), each against
# the disk floor of the same bytes measured in the same rounds:
#   scripts/bench_full_client.sh [build folder] [client folder] [full_client.py options...]
# The client is generated once (camouflages from the benchmark corpus, scripts/bench_corpus.sh)
# and kept; a later run with the same options reuses it. PROGRAM=path times that program instead
# of building one; PALLOGRAPH_BENCH_BASELINE=path times a second program in the same rounds;
# ROUNDS=n rounds (default 3).
#
# Each run has the shipped configs, a fresh TMPDIR, no config refresh, no statistics, silent
# mode, and starts after `sync` on a warm page cache (every package is read again before each run
# and each floor). Printed per run and program: the exit code, the median seconds, the
# processor seconds and the peak resident memory (/usr/bin/time), the bytes read and written
# (/proc/<pid>/io: rchar/wchar, what passed through read and write calls; read_bytes/write_bytes,
# what went to or would go to the disk; a run that read more than a tenth of its bytes from the
# disk is marked cold), and the floor: the entries the stage takes (the "Choose" lines of a
# --dry-run --log run) extracted from their packages by `7z x` and stored in a zip by
# `7z a -tzip -mx0`, timed in the same rounds, with its own processor seconds and bytes, and the
# ratio of the program's seconds to the floor's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-full}")"
client="$(realpath -m "${2:-${TMPDIR:-/tmp}/pallograph-full-client}")"
shift 2 || shift $#
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

program="${PROGRAM:-$dir/release/pallograph}"
if [ -z "${PROGRAM:-}" ]; then
  cmake -S "$root" -B "$dir/release" -G Ninja -DPython3_EXECUTABLE="$python" \
    -DCMAKE_BUILD_TYPE=Release -DPALLOGRAPH_TESTS=OFF >/dev/null
  cmake --build "$dir/release" --target pallograph -j"$(nproc)" >/dev/null
fi
programs=("$(realpath "$program")")
[ -n "${PALLOGRAPH_BENCH_BASELINE:-}" ] && programs+=("$(realpath "$PALLOGRAPH_BENCH_BASELINE")")

options=("$@")
if [[ " ${options[*]} " != *" --corpus"* ]]; then
  bash "$root/scripts/bench_corpus.sh" "$dir"
  options+=(--corpus "$dir/corpus")
fi
stamp="full_client.py ${options[*]}"
if [ "$(cat "$client/.generated" 2>/dev/null)" != "$stamp" ]; then
  "$python" "$root/scripts/full_client.py" "$client" "${options[@]}"
  echo "$stamp" >"$client/.generated"
else
  echo "client reused: $client ($stamp)"
fi

"$python" - "$root" "$client" "${ROUNDS:-3}" "${programs[@]}" <<'PY'
import os, re, shutil, statistics, subprocess, sys, tempfile, time, zipfile
root, client, rounds, programs = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
packages_folder = os.path.join(client, "res", "packages")
packages = sorted(os.path.join(packages_folder, p) for p in os.listdir(packages_folder)
                  if p.endswith(".pkg"))
outputs = [os.path.join(client, top, v) for top in ("mods", "res_mods")
           for v in os.listdir(os.path.join(client, top))]
work = tempfile.mkdtemp(prefix="pallograph-full-")

STAGES = [("DPT", ["--DPT-mod=FF0000"]), ("CCT", ["--CCT-mod=00FF00"]),
          ("MEM", ["--MEM-mod=FFFFFF"]), ("CTM", ["--CTM-mod=00FFFF"]),
          ("SpaceBin", ["--SpaceBin-mod=FF0000|00FF00"]), ("CAMO", ["--CAMO-mod=40"])]
RUNS = STAGES + [("all six", [o for _, options in STAGES for o in options])]
COMMON = ["--configs-path=" + os.path.join(root, "data", "configs"), "--no-update-configs",
          "--no-send-statistic", "--auto-close-console", "--silent-mode"]


def measure(args, log, env=None, cwd=None):
    """Runs args under /usr/bin/time; returns (exit code, seconds, peak RSS bytes, the
    /proc/<pid>/io counters with "cpu", the processor seconds). The peak is what time says
    (this process's own ru_maxrss would count the memory of the Python process that started
    it); the counters are time's, read once it has reaped the program, whose counters it then
    holds besides its own few."""
    rss = log + ".rss"
    begin = time.perf_counter()
    with open(log, "wb") as out:
        p = subprocess.Popen(["/usr/bin/time", "-f", "%M %U %S", "-o", rss, *args], env=env,
                             cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                             stderr=subprocess.STDOUT)
        os.waitid(os.P_PID, p.pid, os.WEXITED | os.WNOWAIT)
        with open(f"/proc/{p.pid}/io") as f:
            io = {k: int(v) for k, v in (line.split(": ") for line in f.read().splitlines())}
        _, status, _ = os.wait4(p.pid, 0)
    seconds = time.perf_counter() - begin
    with open(rss) as f:
        peak, user, system = f.read().split()[-3:]
    io["cpu"] = float(user) + float(system)
    return os.waitstatus_to_exitcode(status), seconds, int(peak) * 1024, io


def tail(log, lines=15):
    with open(log, "rb") as f:
        return "\n".join(f.read().decode("utf-8", "replace").splitlines()[-lines:])


def clean_outputs():
    for folder in outputs:
        for name in os.listdir(folder):
            path = os.path.join(folder, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)


def run_log(program):
    """Where a program appends its run log: beside it (portable) or in XDG_STATE_HOME."""
    return [os.path.join(os.path.dirname(program), "Pallograph2.log"),
            os.path.join(work, "state", "pallograph", "Pallograph2.log")]


listings = {}  # package path: its entries


def chosen(program, options):
    """{package path: [entry, ...]} of the entries a stage takes, from a --dry-run --log."""
    logs = run_log(program)
    sizes = [os.path.getsize(p) if os.path.exists(p) else 0 for p in logs]
    env = dict(os.environ, TMPDIR=work, XDG_STATE_HOME=os.path.join(work, "state"))
    code, *_ = measure([program, "--wot-path=" + client, *options, *COMMON, "--dry-run",
                        "--log"], os.path.join(work, "dry-run.out"), env)
    text = ""
    for path, size in zip(logs, sizes):
        if os.path.exists(path):
            with open(path, "rb") as f:
                f.seek(size)
                text += f.read().decode("utf-8", "replace")
    opened = set(re.findall(r"Open \t(.+\.pkg)$", text, re.M))
    names = set()
    for name in re.findall(r"Choose \t(.+)$", text, re.M):
        # A space.bin's line names the embedded texture after the entry.
        names.add(name.split(": ", 1)[0] if name.startswith("spaces/") else name)
    result = {}
    for package in packages if not opened else sorted(opened):
        if package not in listings:
            with zipfile.ZipFile(package) as z:
                listings[package] = z.infolist()
        taken = [i for i in listings[package] if i.filename in names]
        if taken:
            result[package] = taken
    found = sum(len(v) for v in result.values())
    if code != 0 or found < len(names):
        print(f"  dry run of {' '.join(options)}: exit {code}, {len(names)} chosen, "
              f"{found} found in packages")
    return result


def floor(entries):
    """One `7z x` of the entries from their packages, then `7z a -tzip -mx0` of them: (seconds,
    processor seconds, rchar, wchar) of both together."""
    out = os.path.join(work, "floor")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    zip_path = os.path.join(work, "floor.zip")
    if os.path.exists(zip_path):
        os.remove(zip_path)
    archives, names = os.path.join(work, "archives.txt"), os.path.join(work, "names.txt")
    with open(archives, "w") as f:
        f.write("".join(package + "\n" for package in entries))
    with open(names, "w") as f:
        f.write("".join(sorted({i.filename + "\n" for v in entries.values() for i in v})))
    os.sync()
    seconds, cpu, rchar, wchar = 0.0, 0.0, 0, 0
    for args, cwd in ((["7z", "x", "-y", "-bso0", "-bsp0", "-o" + out, "-an", "-ai@" + archives,
                        "@" + names], None),
                      (["7z", "a", "-tzip", "-mx0", "-bso0", "-bsp0", zip_path, "."], out)):
        log = os.path.join(work, "7z.out")
        code, s, _, io = measure(args, log, cwd=cwd)
        if code != 0:
            print(f"  7z failed ({code}): {' '.join(args[:2])}\n{tail(log)}")
        if args[1] == "x":
            extracted = sum(len(files) for _, _, files in os.walk(out))
            wanted = sum(1 for _ in open(names))
            if extracted < wanted:
                print(f"  7z x extracted {extracted} of {wanted} entries")
        seconds += s
        cpu += io["cpu"]
        rchar += io["rchar"]
        wchar += io["wchar"]
    shutil.rmtree(out, ignore_errors=True)
    if os.path.exists(zip_path):
        os.remove(zip_path)
    return seconds, cpu, rchar, wchar


def warm():
    """Reads every package, so that each run starts on a warm page cache (the outputs of the
    runs before may have pushed packages out)."""
    for package in packages:
        with open(package, "rb") as f:
            while f.read(1 << 24):
                pass


mib = lambda n: n / 2**20
model = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if
              l.startswith("model name")), "unknown processor")
total = sum(os.path.getsize(p) for p in packages)
print(f"machine: {os.cpu_count()} processors ({model}), "
      f"{os.sysconf('SC_PAGE_SIZE') * os.sysconf('SC_PHYS_PAGES') / 2**30:.1f} GiB memory")
print(f"client: {len(packages)} packages, {total / 1e9:.2f} GB")
begin = time.perf_counter()
warm()
print(f"warm page cache: every package read before each run and floor (first "
      f"{time.perf_counter() - begin:.0f} s); {rounds} rounds, medians")

entries = {}
for name, options in STAGES:
    entries[name] = chosen(programs[0], options)
entries["all six"] = {}
for name, _ in STAGES:
    for package, infos in entries[name].items():
        known = {i.filename for i in entries["all six"].get(package, [])}
        entries["all six"].setdefault(package, []).extend(i for i in infos
                                                           if i.filename not in known)
for name, _ in RUNS:
    count = sum(len(v) for v in entries[name].values())
    size = sum(i.file_size for v in entries[name].values() for i in v)
    print(f"  {name:<9} takes {count:>6} entries, {mib(size):8.1f} MiB from "
          f"{len(entries[name])} packages")

results = {}
failed = False
for r in range(rounds):
    for name, options in RUNS:
        for p, program in enumerate(programs):
            clean_outputs()
            temp = tempfile.mkdtemp(dir=work)
            env = dict(os.environ, TMPDIR=temp)
            log = os.path.join(work, "run.out")
            warm()
            os.sync()
            code, seconds, rss, io = measure([program, "--wot-path=" + client, *options,
                                              *COMMON], log, env)
            left = os.listdir(temp)
            if code != 0 or left:
                failed = True
                print(f"round {r + 1}, {name}, {program}: exit {code}"
                      + (f", temporary files left: {left[:3]}" if left else "") + "\n"
                      + tail(log))
            results.setdefault((name, p), []).append((code, seconds, rss, io))
            shutil.rmtree(temp, ignore_errors=True)
        clean_outputs()
        warm()
        results.setdefault((name, "floor"), []).append(floor(entries[name]))
    print(f"round {r + 1} done")

labels = ["this build", "baseline"]
print()
print(f"{'run':<9} {'program':<11}{'exit':>5}{'seconds':>9}{'cpu s':>8}{'peak MiB':>9}"
      f"{'rchar MiB':>10}{'wchar MiB':>10}{'read MiB':>9}{'write MiB':>10}{'floor s':>8}"
      f"{'cpu s':>7}{'r/w MiB':>11}{'x floor':>8}")
for name, _ in RUNS:
    fl = results[(name, "floor")]
    floor_s, floor_cpu = (statistics.median(f[i] for f in fl) for i in (0, 1))
    floor_rw = f"{mib(statistics.median(f[2] for f in fl)):.0f}/" \
               f"{mib(statistics.median(f[3] for f in fl)):.0f}"
    for p in range(len(programs)):
        rows = results[(name, p)]
        med = lambda key: statistics.median(io[key] for *_, io in rows)
        codes = sorted({c for c, *_ in rows})
        seconds = statistics.median(s for _, s, _, _ in rows)
        print(f"{name:<9} {labels[p]:<11}{','.join(map(str, codes)):>5}{seconds:>9.2f}"
              f"{med('cpu'):>8.2f}{mib(max(m for _, _, m, _ in rows)):>9.0f}"
              f"{mib(med('rchar')):>10.0f}{mib(med('wchar')):>10.0f}"
              f"{mib(med('read_bytes')):>9.0f}{mib(med('write_bytes')):>10.0f}{floor_s:>8.2f}"
              f"{floor_cpu:>7.2f}{floor_rw:>11}{seconds / floor_s if floor_s else 0:>7.1f}x"
              + ("  (cold: read from disk)" if med("read_bytes") > med("rchar") / 10 else ""))
shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failed else 0)
PY
