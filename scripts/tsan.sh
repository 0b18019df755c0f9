#!/usr/bin/env bash
# ThreadSanitizer build of the tests that run threads, and a run of them:
#   scripts/tsan.sh [build folder]
# Covers the crash-stage scheduler with its main-thread call queue (unit tests and whole runs of
# the program), the parallel texture encoder (also two large encodes at once), the stage's worker
# pool with its split levels and the texture walk that reads and changes on it, the statistics
# sender and the update check's worker. Prints one line per test group; exits non-zero on a race.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-tsan}"
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

flags="-fsanitize=thread -fno-omit-frame-pointer -g"
cmake -S "$root" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$python" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
  >/dev/null
cmake --build "$dir" -j2 --target pallograph platform_tests texture_tests mods_tests online_tests \
  e2e_tests

# The child processes of the end-to-end tests inherit these: a race ends the program with 66,
# which fails its test.
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1"
groups=(
  "platform_tests MainThreadQueueTest.*"
  "texture_tests *ParallelEncoderTest.*:*DDSTexture*:WorkerPool*:LevelBands*"
  "mods_tests VisualCrashTest.*:TextureJobs*:*Camo*:*SpaceBin*:*RepaintCache*"
  "online_tests GoogleAnalyticsTest.*:FailingCollector*:*WebUpdate*"
  "e2e_tests ModsTest.CrashMods*:ModsTest.Broken*:ModsTest.AllInOne*:ModsTest.MapMods*:ModsTest.MapAndCamouflage*:OnlineTest.MemModRun*:FaultTest.DiskFullForTheStageFiles*:FaultTest.TemporaryFolderVanishing*:FaultTest.CollectorThat*"
)
failed=0
for group in "${groups[@]}"; do
  read -r binary filter <<<"$group"
  log="$dir/tsan-$binary.log"
  start=$(date +%s)
  if "$dir/tests/$binary" --gtest_filter="$filter" >"$log" 2>&1; then
    result="clean"
  else
    result="FAILED (see $log)"
    failed=1
  fi
  tests=$(grep -c '^\[       OK \]' "$log" || true)
  races=$(grep -c 'WARNING: ThreadSanitizer' "$log" || true)
  printf '%-14s %3s tests passed, %s race reports, %4ss: %s\n' "$binary" "$tests" "$races" \
    "$(($(date +%s) - start))" "$result"
done
exit $failed
