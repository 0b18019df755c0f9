#!/usr/bin/env bash
# CAMO-mod end to end against the pipeline a modder would use instead, in the same run:
#   scripts/bench_camo.sh [build folder [rounds [textures [of them 2048x2048]]]]
# Writes the demo client plus a package of large camouflage textures made from real images
# (scripts/camo_client.py: 1024x1024 and 2048x2048, DXT5 with alpha, full mip chains), then times
#   - the program: --CAMO-mod=40 (a Release build), which reads the packages, shades every
#     camouflage texture and writes the .wotmod;
#   - the pipeline: 7z extracts the same textures, ImageMagick's convert scales RGB by 0.4 and
#     writes DXT5 with mips (one convert per texture, as many at once as there are processors),
#     7z a -tzip -mx0 packs them.
# Prints median wall times, megapixels encoded per second and the ratio, then the error of both
# against the exact shaded image (scripts/camo_quality.py, decoded by Pillow).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-bench}")"
rounds="${2:-3}"
count="${3:-40}"
large="${4:-12}"
percent=40
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"
convert=/usr/bin/convert
[ -x "$convert" ] || convert="$(command -v convert)"

cmake -S "$root" -B "$dir/release" -G Ninja -DPython3_EXECUTABLE="$python" \
  -DCMAKE_BUILD_TYPE=Release -DPALLOGRAPH_TESTS=OFF >/dev/null
cmake --build "$dir/release" --target pallograph -j2 >/dev/null
program="$dir/release/pallograph"
bash "$root/scripts/bench_corpus.sh" "$dir"

work="$(mktemp -d "${TMPDIR:-/tmp}/pallograph-camo.XXXXXX")"
trap 'rm -rf "$work"' EXIT
client="$work/client"
"$python" "$root/scripts/make_demo_client.py" "$client" >/dev/null
"$python" "$root/scripts/camo_client.py" "$client" "$dir/corpus" --count "$count" --large "$large" \
  --convert "$convert"
packages=()
for name in shared_content-part1 shared_content-part2 shared_content-part3 \
  shared_content_hd-part1 shared_content_hd-part2 shared_content_hd-part3; do
  [ -f "$client/res/packages/$name.pkg" ] && packages+=("$client/res/packages/$name.pkg")
done
mods="$(ls -d "$client"/mods/*/ | head -1)"

now() { date +%s.%N; }

own() {
  rm -f "$mods"*.wotmod
  "$program" --wot-path="$client" --CAMO-mod=$percent --auto-close-console \
    --no-send-statistic --no-update-configs >/dev/null
}

# The same textures: every camouflage DDS of the packages the program's Camouflage.cfg names.
pipeline() {
  rm -rf "$work/peer"
  mkdir -p "$work/peer/in" "$work/peer/out/res"
  for pkg in "${packages[@]}"; do
    7z x -y -bso0 -bsp0 -ssc- -o"$work/peer/in" "$pkg" '-ir!vehicles/*/camouflage/*.dds' >/dev/null
  done
  (cd "$work/peer/in" && find . -type f -iname '*.dds' -printf '%P\n') |
    xargs -P "$(nproc)" -I{} sh -c 'mkdir -p "$(dirname "$2/res/$3")" &&
      "$0" "$1/$3" -channel RGB -evaluate multiply 0.'$percent' +channel \
        -define dds:compression=dxt5 "$2/res/$3"' \
      "$convert" "$work/peer/in" "$work/peer/out" {}
  printf '<root><id>camo.pipeline</id><version>1.0</version><name>camo</name></root>' \
    >"$work/peer/out/meta.xml"
  rm -f "$work/peer/camo.wotmod"
  (cd "$work/peer/out" && 7z a -tzip -mx0 -bso0 -bsp0 ../camo.wotmod . >/dev/null)
}

own_times=()
peer_times=()
for ((round = 0; round < rounds; ++round)); do
  start=$(now); own; own_times+=("$(echo "$(now) - $start" | bc)")
  start=$(now); pipeline; peer_times+=("$(echo "$(now) - $start" | bc)")
done

# The sources as the pipeline extracted them (the same entries the program read).
quality="$("$python" "$root/scripts/camo_quality.py" $percent "$work/peer/in" \
  "program=$(ls "$mods"*.wotmod | head -1)" "pipeline=$work/peer/camo.wotmod")"
mpix="$(echo "$quality" | head -1 | sed -E 's/.*, ([0-9.]+) Mpix.*/\1/')"
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
own_median="$(median "${own_times[@]}")"
peer_median="$(median "${peer_times[@]}")"
echo
echo "CAMO-mod $percent%, $(nproc) processors, $rounds rounds, $(echo "$quality" | head -1)"
printf '%-40s %9s %10s\n' "" "wall s" "Mpix/s"
printf '%-40s %9.2f %10.1f\n' "pallograph --CAMO-mod=$percent" "$own_median" \
  "$(echo "$mpix / $own_median" | bc -l)"
printf '%-40s %9.2f %10.1f\n' "7z x + convert + 7z a -tzip -mx0" "$peer_median" \
  "$(echo "$mpix / $peer_median" | bc -l)"
printf 'speed ratio (pipeline time / program time): %.2fx\n' \
  "$(echo "$peer_median / $own_median" | bc -l)"
echo "rounds: program ${own_times[*]}; pipeline ${peer_times[*]}"
echo "$quality" | tail -n +2
