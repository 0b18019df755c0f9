#!/usr/bin/env bash
# The Debian package step of the test command: builds the package with CPack from a build
# folder, checks it with lintian (any error or warning fails; informational tags are shown),
# installs it with apt-get, builds the demo client's mods with the installed program as an
# ordinary user, and removes the package again: scripts/deb_test.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath "${1:-$root/build}")"
(cd "$dir" && rm -f pallograph_*.deb && cpack -G DEB >/dev/null)
package="$(ls "$dir"/pallograph_*.deb)"

if ! command -v lintian >/dev/null 2>&1; then
  echo "deb_test: lintian is not installed (scripts/setup.sh installs it)"
  exit 1
fi
lintian_status=0
report="$(lintian --display-info --fail-on error,warning "$package" 2>&1)" || lintian_status=$?
# Tags only: lintian's own note about running as root is no finding.
grep -v '^running with root' <<<"$report" || true
if [ "$lintian_status" -ne 0 ]; then
  echo "deb_test: lintian reports errors or warnings on $(basename "$package")"
  exit 1
fi
echo "deb_test: lintian passes $(basename "$package") (no error, no warning)"

if [ "$(id -u)" -ne 0 ]; then
  echo "deb_test: the installation needs root (apt-get install); skipped"
  exit 0
fi
work="$(mktemp -d /tmp/pallograph-deb-XXXXXX)"
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pallograph >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$package" >/dev/null
dpkg -s pallograph | grep -E '^(Version|Depends):'
test -x /usr/bin/pallograph
test -f /usr/share/pallograph/configs/MapTanks.cfg
test -f /usr/share/doc/pallograph/copyright

/usr/bin/python3 "$root/scripts/make_demo_client.py" "$work/World of Tanks" >/dev/null
mkdir -p "$work/home" "$work/tmp"
chmod 755 "$work"
chown -R nobody "$work/World of Tanks" "$work/home" "$work/tmp"
status=0
HOME="$work/home" TMPDIR="$work/tmp" setpriv --reuid=nobody --regid=nogroup --clear-groups \
  pallograph --wot-path="$work/World of Tanks" --DPT-mod=FF0000 --CCT-mod=00FF00 \
  --MEM-mod=FFFFFF --CTM-mod=00FFFF "--SpaceBin-mod=FF0000|00FF00" --CAMO-mod=40 \
  --no-update-configs --no-send-statistic --auto-close-console --log </dev/null \
  >"$work/out.txt" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/out.txt"
  echo "deb_test: the installed program ended with $status"
  exit 1
fi
count="$(find "$work/World of Tanks/mods" -name 'mod.Pallograph.*.wotmod' | wc -l)"
if [ "$count" -ne 6 ]; then
  echo "deb_test: $count packages instead of 6"
  exit 1
fi
test -f "$work/home/.config/pallograph/CrashTanks.cfg"
test -f "$work/home/.local/state/pallograph/Pallograph2.log"
echo "deb_test: $(basename "$package") installed, six mods built by the installed program"
