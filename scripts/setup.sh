#!/bin/bash
# Installs what the build and the tests need and is missing: the host
# compiler and test libraries, mingw-w64 for i686, Wine with 32-bit support,
# Xvfb, and osslsigncode with openssl for the signing test, all from
# Debian's packages. Does nothing when all is there.
set -eu

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
for p in cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
         g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth netpbm \
         osslsigncode openssl clang libclang-rt-14-dev; do
  have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} = 0 ] && exit 0

echo "setup: installing ${need[*]}"
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# 32-bit programs under Wine need the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null
