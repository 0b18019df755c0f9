#!/usr/bin/env bash
# CAMO-mod and MEM-mod on one processor, on all of them, and the machine's ceiling, in one run:
#   scripts/bench_stages.sh [build folder [rounds]]
# PALLOGRAPH_BENCH_BASELINE=/path/to/another/pallograph times that program too, in the same
# rounds (for a before/after comparison); PALLOGRAPH_BENCH_MODS="camo" (or "mem") times one mod.
#
# Clients, generated once into FOLDER/stage-clients from the real images of the benchmark corpus
# (scripts/bench_corpus.sh, scripts/camo_client.py), one copy per processor:
#   camo: the demo client plus 60 camouflages (20 of 2048x2048, 40 of 1024x1024, DXT5 with
#         alpha, full mip chains) in one package;
#   mem:  the demo client plus 90 tank wrecks (30 of 2048x2048, every third DXT1, the others
#         DXT5, full mip chains) over four map packages.
# Each round times, per mod and program: one processor (taskset -c 0, on copy 0); all N
# processors (copy 0); and N one-processor runs at once (run i on processor i and copy i). The
# ceiling is N x (one processor) / (the N runs at once): what N processors give N wholly
# independent runs. The share is the all-processor speed-up over the ceiling of the same round.
# Prints medians over the rounds (shares: median of the rounds' shares) and the peak resident
# memory (/usr/bin/time) of the one- and all-processor runs; per mod the I/O floor measured in
# the same rounds (7z extracts the entries the program packed and stores them in a zip) and the
# all-processor time over it; with a baseline, the baseline's time over this build's, per round.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-bench}")"
rounds="${2:-5}"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"
processors="$(nproc)"

cmake -S "$root" -B "$dir/release" -G Ninja -DPython3_EXECUTABLE="$python" \
  -DCMAKE_BUILD_TYPE=Release -DPALLOGRAPH_TESTS=OFF >/dev/null
cmake --build "$dir/release" --target pallograph -j"$processors" >/dev/null
programs=("$dir/release/pallograph")
labels=("this build")
if [ -n "${PALLOGRAPH_BENCH_BASELINE:-}" ]; then
  programs+=("$(realpath "$PALLOGRAPH_BENCH_BASELINE")")
  labels+=("baseline")
fi
bash "$root/scripts/bench_corpus.sh" "$dir"

clients="$dir/stage-clients"
make_client() {  # name, camo_client.py arguments...
  local name="$1"
  shift
  if [ ! -f "$clients/$name-0/paths.xml" ]; then
    rm -rf "$clients/$name-0"
    "$python" "$root/scripts/make_demo_client.py" "$clients/$name-0" >/dev/null
    "$python" "$root/scripts/camo_client.py" "$clients/$name-0" "$dir/corpus" "$@" >/dev/null
  fi
  for ((i = 1; i < processors; ++i)); do
    [ -f "$clients/$name-$i/paths.xml" ] || cp -r "$clients/$name-0" "$clients/$name-$i"
  done
}
mods=(${PALLOGRAPH_BENCH_MODS:-camo mem})
[[ " ${mods[*]} " == *" camo "* ]] && make_client camo --count 60 --large 20
[[ " ${mods[*]} " == *" mem "* ]] && make_client mem --count 90 --large 30 --wrecks
if [[ " ${mods[*]} " == *" spacebin "* ]]; then
  # The demo client's space.bin files, each padded to 300 MB (I/O: extraction, patch, packing).
  make_client spacebin --count 0
  for ((i = 0; i < processors; ++i)); do
    [ -f "$clients/spacebin-$i/padded" ] && continue
    "$python" - "$clients/spacebin-$i/res/packages" <<'PY'
import os, pathlib, sys, zipfile
filler = os.urandom(1 << 20)
for package in sorted(pathlib.Path(sys.argv[1]).glob("[0-9]*.pkg")):
    with zipfile.ZipFile(package) as z:
        entries = [(info, z.read(info)) for info in z.infolist()]
    temporary = package.with_suffix(".tmp")
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_STORED, allowZip64=True) as out:
        for info, data in entries:
            if not info.filename.endswith("space.bin"):
                out.writestr(info, data)
                continue
            with out.open(zipfile.ZipInfo(info.filename), "w", force_zip64=True) as f:
                f.write(data)
                for _ in range(300):
                    f.write(filler)
    temporary.replace(package)
PY
    touch "$clients/spacebin-$i/padded"
  done
fi

declare -A option=([camo]="--CAMO-mod=40" [mem]="--MEM-mod=FF0000"
  [spacebin]="--SpaceBin-mod=FF0000|00FF00")
declare -A title=([camo]="CAMO-mod=40, 60 camouflages" [mem]="MEM-mod, 90 wrecks"
  [spacebin]="SpaceBin-mod, 3 x 300 MB")
work="$(mktemp -d "${TMPDIR:-/tmp}/pallograph-stages.XXXXXX")"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
# run PROGRAM MOD COPY [taskset processor]: one run; prints "seconds peak-KB". Each timed run
# starts with no dirty pages of an earlier one waiting to be written back (sync).
run() {
  local program="$1" mod="$2" copy="$3" cpu="${4:-}" client="$clients/$2-$3" start
  if [ -z "${in_ceiling:-}" ]; then
    rm -f "$client"/mods/*/*.wotmod
    sync
  fi
  local pin=()
  [ -n "$cpu" ] && pin=(taskset -c "$cpu")
  start=$(now)
  "${pin[@]}" /usr/bin/time -f %M -o "$work/rss-$copy" "$program" --wot-path="$client" \
    "${option[$mod]}" --configs-path="$root/data/configs" --auto-close-console \
    --no-send-statistic --no-update-configs >"$work/out-$copy" 2>&1 ||
    { echo "failed: $program ${option[$mod]}" >&2; cat "$work/out-$copy" >&2; exit 1; }
  echo "$(echo "$(now) - $start" | bc) $(cat "$work/rss-$copy")"
}
# ceiling PROGRAM MOD: N one-processor runs at once; prints their wall seconds.
ceiling() {
  local start i
  rm -f "$clients/$2-"*/mods/*/*.wotmod
  sync
  start=$(now)
  for ((i = 0; i < processors; ++i)); do in_ceiling=1 run "$1" "$2" "$i" "$i" >/dev/null & done
  wait
  echo "$(now) - $start" | bc
}

declare -A one all together rss1 rssN floors
# The I/O floor of a stage: 7z extracts the entries of the package the program wrote from the
# client's packages, and packs them stored. The entries are listed once per mod, from the
# package of the first timed run, one list file per client package that holds some of them.
floor_lists() {  # mod
  local lists="$work/floor-lists-$1"
  [ -d "$lists" ] && return
  mkdir -p "$lists"
  "$python" - "$clients/$1-0" "$lists" <<'PY'
import glob, os, sys, zipfile
client, lists = sys.argv[1], sys.argv[2]
wanted = set()
for package in glob.glob(os.path.join(client, "mods", "*", "*.wotmod")):
    with zipfile.ZipFile(package) as z:
        wanted |= {n[len("res/"):].lower() for n in z.namelist() if n.lower().startswith("res/")
                   and not n.endswith("/")}
for i, package in enumerate(sorted(glob.glob(os.path.join(client, "res", "packages", "*.pkg")))):
    with zipfile.ZipFile(package) as z:
        names = [n for n in z.namelist() if n.lower() in wanted]
    if names:
        with open(os.path.join(lists, f"{i:04d}.list"), "w") as f:
            f.write(package + "\n" + "\n".join(names) + "\n")
PY
}
floor() {  # mod: prints the seconds of 7z x of the stage's entries + 7z a -tzip -mx0
  local out="$work/floor" start list
  rm -rf "$out"
  sync
  start=$(now)
  for list in "$work/floor-lists-$1"/*.list; do
    [ -f "$list" ] || continue
    tail -n +2 "$list" >"$work/floor-names"
    7z x -y -bso0 -bsp0 -o"$out/res" "$(head -1 "$list")" @"$work/floor-names" >/dev/null
  done
  (cd "$out" && 7z a -tzip -mx0 -bso0 -bsp0 ../floor.zip . >/dev/null)
  echo "$(now) - $start" | bc
  rm -rf "$out" "$work/floor.zip"
}

for ((round = 0; round < rounds; ++round)); do
  for mod in "${mods[@]}"; do
    for p in "${!programs[@]}"; do
      key="$mod/$p"
      read -r t1 m1 < <(run "${programs[$p]}" "$mod" 0 0)
      read -r tn mn < <(run "${programs[$p]}" "$mod" 0)
      floor_lists "$mod"
      tc="$(ceiling "${programs[$p]}" "$mod")"
      one[$key]+="$t1 "; all[$key]+="$tn "; together[$key]+="$tc "
      rss1[$key]+="$m1 "; rssN[$key]+="$mn "
    done
    floors[$mod]+="$(floor "$mod") "
  done
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
echo
echo "$processors processors ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), $rounds rounds, medians"
printf '%-30s %-11s %8s %8s %9s %9s %8s %13s\n' "" "" "1 proc s" "$processors proc s" "speed-up" \
  "ceiling" "share" "peak MB 1/$processors"
for mod in "${mods[@]}"; do
  for p in "${!programs[@]}"; do
    key="$mod/$p"
    read -ra t1s <<<"${one[$key]}"
    read -ra tns <<<"${all[$key]}"
    read -ra tcs <<<"${together[$key]}"
    speedups=() ceilings=() shares=()
    for i in "${!t1s[@]}"; do
      s="$(echo "${t1s[$i]} / ${tns[$i]}" | bc -l)"
      c="$(echo "$processors * ${t1s[$i]} / ${tcs[$i]}" | bc -l)"
      speedups+=("$s") ceilings+=("$c") shares+=("$(echo "100 * $s / $c" | bc -l)")
    done
    # shellcheck disable=SC2086
    printf '%-30s %-11s %8.2f %8.2f %8.2fx %8.2fx %7.0f%% %6.0f/%-6.0f\n' "${title[$mod]}" \
      "${labels[$p]}" "$(median "${t1s[@]}")" "$(median "${tns[@]}")" \
      "$(median "${speedups[@]}")" "$(median "${ceilings[@]}")" "$(median "${shares[@]}")" \
      "$(echo "$(median ${rss1[$key]}) / 1024" | bc -l)" \
      "$(echo "$(median ${rssN[$key]}) / 1024" | bc -l)"
    echo "    rounds: 1 proc ${one[$key]}| $processors proc ${all[$key]}| $processors at once ${together[$key]}"
  done
  # shellcheck disable=SC2086
  floor_median="$(median ${floors[$mod]})"
  printf '%-30s %-11s %8s %8.2f   (7z x of the same entries + 7z a -tzip -mx0; rounds %s)\n' "" \
    "7z floor" "" "$floor_median" "${floors[$mod]}"
  for p in "${!programs[@]}"; do
    read -ra tns <<<"${all[$mod/$p]}"
    # shellcheck disable=SC2086
    printf '%-30s %-11s %s proc time / floor: %.2f\n' "" "${labels[$p]}" "$processors" \
      "$(echo "$(median "${tns[@]}") / $floor_median" | bc -l)"
  done
  if [ "${#programs[@]}" -gt 1 ]; then
    read -ra base1 <<<"${one[$mod/1]}"
    read -ra baseN <<<"${all[$mod/1]}"
    read -ra own1 <<<"${one[$mod/0]}"
    read -ra ownN <<<"${all[$mod/0]}"
    ratios1=() ratiosN=()
    for i in "${!own1[@]}"; do
      ratios1+=("$(echo "${base1[$i]} / ${own1[$i]}" | bc -l)")
      ratiosN+=("$(echo "${baseN[$i]} / ${ownN[$i]}" | bc -l)")
    done
    printf '%-30s %-11s baseline time / this build'"'"'s, same round: 1 proc %.2fx, %s proc %.2fx\n' \
      "" "" "$(median "${ratios1[@]}")" "$processors" "$(median "${ratiosN[@]}")"
  fi
done
