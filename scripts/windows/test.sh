#!/usr/bin/env bash
# The Windows step of the test suite: cross-builds the program and its Windows unit tests, runs
# the tests under Wine, then the end-to-end run of all six mods (scripts/windows/wine_e2e.py).
#   scripts/windows/test.sh [windows build folder] [Linux program for the byte comparison]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
dir="$(realpath -m "${1:-$root/build-windows}")"
linux="${2:+$(realpath "$2")}"
wine=/usr/lib/wine/wine64
python=/usr/bin/python3

"$root/scripts/windows/build.sh" "$dir" -DPALLOGRAPH_WERROR=ON

work="$(mktemp -d /tmp/pallograph-windows-XXXXXX)"
server_pid=""
collector_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  if [ -n "$collector_pid" ]; then kill "$collector_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot -i >/dev/null 2>&1

# Fixtures the tests cannot make under Windows (no Python there), written here beforehand.
"$python" "$root/tests/archive/make_zips.py" "$work/fixtures/make_zips" >/dev/null
export PALLOGRAPH_FIXTURES="Z:${work//\//\\}\\fixtures"
export WINEPATH=""
# The archive tests load \usr\lib\p7zip\7z.so from the current drive: on drive C: that is the
# real 7z.dll.
mkdir -p "$WINEPREFIX/drive_c/usr/lib/p7zip"
cp "$dir/7z.dll" "$WINEPREFIX/drive_c/usr/lib/p7zip/7z.so"

# The loopback HTTP server of the online tests, for the WinINet transport.
mkfifo "$work/server-in"
"$python" "$root/tests/online/http_server.py" <"$work/server-in" >"$work/server-out" &
server_pid=$!
exec 3>"$work/server-in"
for _ in $(seq 50); do grep -q '^PORT ' "$work/server-out" 2>/dev/null && break; sleep 0.1; done
port="$(sed -n 's/^PORT //p' "$work/server-out" | head -1)"
export PALLOGRAPH_HTTP_TEST_URL="http://127.0.0.1:$port"
# The statistics collector, for the WinINet form post.
"$python" "$root/tests/online/loopback_server.py" --port-file "$work/collect-port" \
  --hits "$work/hits" --lifetime 600 &
collector_pid=$!
for _ in $(seq 50); do [ -s "$work/collect-port" ] && break; sleep 0.1; done
export PALLOGRAPH_COLLECT_URL="http://127.0.0.1:$(cat "$work/collect-port")/collect"
export PALLOGRAPH_COLLECT_HITS="Z:${work//\//\\}\\hits"

echo "== Windows unit tests under Wine"
# The POSIX forms of the command line do not apply to the Windows program.
(cd "$WINEPREFIX/drive_c" && "$wine" "$dir/tests/windows/windows_tests.exe" \
  --gtest_brief=1 \
  --gtest_filter='-TCommandLineReaderStandaloneTest.*:ProcessCommandLineTextTest.*')
exec 3>&-

echo "== Windows end-to-end under Wine"
if [ -n "$linux" ]; then
  "$python" "$root/scripts/windows/wine_e2e.py" --exe "$dir/pallograph.exe" --linux "$linux"
else
  "$python" "$root/scripts/windows/wine_e2e.py" --exe "$dir/pallograph.exe"
fi
