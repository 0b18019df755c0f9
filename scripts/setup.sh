#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the demo need.
# Run as root (or through sudo) on Debian 12.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  g++ cmake ninja-build make pkg-config clang clang-format \
  libgtest-dev googletest libbenchmark-dev \
  p7zip-full libcurl4-openssl-dev ca-certificates \
  python3 python3-pil imagemagick zip unzip openssl \
  libsquish-dev valgrind lintian groff-base \
  g++-mingw-w64-x86-64-posix wine64 >/dev/null
# npm fetches the Windows 7-Zip library. Machines that carry Node.js from another source have
# their own npm, and Debian's npm conflicts with it: install it only where none is present.
if ! command -v npm >/dev/null 2>&1; then
  $SUDO apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
echo "setup: packages installed"
