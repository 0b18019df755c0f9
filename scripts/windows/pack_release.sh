#!/usr/bin/env bash
# Packs the Windows release zip from a built program:
#   scripts/windows/pack_release.sh <pallograph.exe> <7z.dll> <7-Zip licence> <zip file>
# The zip holds one folder "Pallograph" with pallograph.exe, 7z.dll and its licence
# (7z-License.txt), the config files, LICENSE.txt and README.txt (both with Windows line ends).
set -euo pipefail
if [ "$#" -ne 4 ]; then
  echo "usage: $0 <pallograph.exe> <7z.dll> <7-Zip licence> <zip file>" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/../.." && pwd)"
exe="$(realpath "$1")"
dll="$(realpath "$2")"
dll_licence="$(realpath "$3")"
zip="$(realpath -m "$4")"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/Pallograph"
mkdir -p "$folder"
cp "$exe" "$folder/pallograph.exe"
cp "$dll" "$folder/7z.dll"
cp "$dll_licence" "$folder/7z-License.txt"
cp "$root"/data/configs/*.cfg "$folder/"
sed 's/$/\r/' "$root/LICENSE" >"$folder/LICENSE.txt"
sed 's/$/\r/' "$root/scripts/windows/README-Windows.txt" >"$folder/README.txt"
mkdir -p "$(dirname "$zip")"
rm -f "$zip"
# Entries in name order, the folder first.
(cd "$stage" && find Pallograph | LC_ALL=C sort | zip -qX "$zip" -@)
