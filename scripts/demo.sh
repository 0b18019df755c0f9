#!/usr/bin/env bash
# Builds the program, writes the demo client and builds mods for it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_TARGET=pallograph "$root/scripts/build.sh" "$root/build"
rm -rf "$root/demo"
python3 "$root/scripts/make_demo_client.py" "$root/demo/client"
set +e
# Every mod, offline: the configs shipped with the program, no statistics.
"$root/build/pallograph" --wot-path="$root/demo/client" --DPT-mod=FF0000 --CCT-mod=00FF00 \
  --MEM-mod=FFFFFF --CTM-mod=00FFFF "--SpaceBin-mod=FF00FF|FFFF00" --CAMO-mod=40 \
  --auto-close-console --no-send-statistic --no-update-configs --log
code=$?
set -e
echo "pallograph exit code: $code"
ls -l "$root/demo/client/mods/"*/
exit $code
