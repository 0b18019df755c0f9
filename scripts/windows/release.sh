#!/usr/bin/env bash
# Builds the Windows release zip: scripts/windows/release.sh [build folder] [zip file]
# (defaults build-windows-release and out/pallograph-windows-x64.zip). The zip holds one folder
# "Pallograph" with pallograph.exe, the config files, 7z.dll with its licence, LICENSE.txt and a
# README (scripts/windows/pack_release.sh lays it out; tests/packaging tests that layout).
# Then rewrites the update check's files in data/update/ for this version (scripts/update_files.py).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
dir="$(realpath -m "${1:-$root/build-windows-release}")"
zip="$(realpath -m "${2:-$root/out/pallograph-windows-x64.zip}")"

"$root/scripts/windows/build.sh" "$dir" -DPALLOGRAPH_TESTS=OFF
x86_64-w64-mingw32-strip -o "$dir/pallograph-stripped.exe" "$dir/pallograph.exe"
"$root/scripts/windows/pack_release.sh" "$dir/pallograph-stripped.exe" "$dir/7z.dll" \
  "$dir/7z-License.txt" "$zip"
7z t "$zip" >/dev/null
echo "release: $zip ($(du -k "$zip" | cut -f1) KiB)"
unzip -l "$zip"
# The update files name the release's published asset, whatever the local zip is called.
python3 "$root/scripts/update_files.py"
