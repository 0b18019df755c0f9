#!/usr/bin/env bash
# Builds the program, writes the demo client and builds mods for it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" "$root/build"
rm -rf "$root/demo"
python3 "$root/scripts/make_demo_client.py" "$root/demo/client"
set +e
"$root/build/pallograph" --wot-path="$root/demo/client" --auto-close-console --no-send-statistic \
  --no-update-configs --log
code=$?
set -e
echo "pallograph exit code: $code"
exit $code
