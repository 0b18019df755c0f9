#!/usr/bin/env bash
# Cross-builds the Windows program with MinGW-w64: scripts/windows/build.sh [folder] [cmake args]
# (default folder build-windows). Fetches the 7-Zip library first; the program embeds it and the
# build folder carries it and its licence beside pallograph.exe.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
dir="$(realpath -m "${1:-$root/build-windows}")"
shift || true
"$root/scripts/windows/fetch_7z.sh" "$root/build-windows-deps/7zip"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPALLOGRAPH_7Z_DLL="$root/build-windows-deps/7zip/7z.dll" \
  -DPython3_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
cmake --build "$dir" -j2
