#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh [folder] [extra cmake arguments...]
# BUILD_TARGET=name builds that target only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"
cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
