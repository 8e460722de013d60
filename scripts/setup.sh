#!/bin/bash
# Set-up for the build and the tests; scripts/run.sh and scripts/test.sh
# source it, so that what it exports reaches Wine and the tests.
#
# 1. Installs what is missing, all from Debian's packages: the host
#    compiler and test libraries, mingw-w64 for i686, Wine with 32-bit
#    support, Xvfb, osslsigncode with openssl for the signing test, clang
#    with libFuzzer, and LLVM's tools, with which clang builds the stub.
#    A package index that can't be read (a mirror caught mid-sync) is asked
#    for again a few times, then set-up goes on with the lists it has; an
#    install that apt can't resolve from them is tried once more from the
#    release suite. What could not be installed is named.
# 2. Finds out whether this kernel runs 32-bit programs by running one.
#    Where it does, Wine runs as it is. Where it does not (or where
#    SSINST_EMULATE_I386=1 asks for it), every i386 program is run by
#    qemu-i386 through binfmt_misc: qemu-user from the backports suite is
#    fetched into .i386/ (kept for the next run), the i386 entry is
#    registered (again after a reboot), and the emulated programs get a
#    small preloaded library that gives Wine the true fault numbers. Needs
#    root; Debian's Wine packages stay as they are.
# Says in one line which path it took; stops with a message naming what is
# missing when neither can work. SSINST_SETUP=packages does step 1 alone.

ssinst_setup_fail() {
  echo "setup: $*" >&2
  exit 1
}

# How often an index that can't be read is asked for again, and the first
# pause between tries (it doubles): a mirror caught mid-sync is usually
# whole again within minutes.
SSINST_APT_TRIES=${SSINST_APT_TRIES:-4}
SSINST_APT_PAUSE=${SSINST_APT_PAUSE:-15}
SSINST_OS_RELEASE=${SSINST_OS_RELEASE:-/etc/os-release}

# The system's release suite (bookworm), from os-release; empty when it
# names none.
ssinst_codename() {
  (. "$SSINST_OS_RELEASE" 2>/dev/null && echo "${VERSION_CODENAME:-}")
}

# The sources an apt-get update log names as not read, one line: each as its
# URI and suite, with the file and the reason ("http://deb.debian.org/debian
# bookworm (main/binary-i386/Packages.xz: File has unexpected size ...)").
ssinst_apt_unread() {
  sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1 \2/p' "$1" |
    sed 's#^\(.*\)/dists/\([^/]*\)/\([^ ]*\) \(.*\)$#\1 \2 (\3: \4)#; s#/by-hash/[^ :]*:#:#; s/ *\[IP: [^]]*\]//; s/: )$/)/' |
    awk '!seen[$0]++' | paste -sd';' | sed 's/;/; /g'
}

# The update of the apt-get command given ($2...), tried again after a pause
# while it fails. Its output goes to the log $1. Fails when the last try did.
ssinst_apt_update() {
  local log=$1 try=1 pause=$SSINST_APT_PAUSE
  shift
  while :; do
    "$@" update </dev/null >"$log" 2>&1 && return 0
    [ "$try" -lt "$SSINST_APT_TRIES" ] || return 1
    echo "setup: apt-get update could not read every index (try $try of $SSINST_APT_TRIES); again in $pause s" >&2
    sleep "$pause"
    try=$((try + 1)) pause=$((pause * 2))
  done
}

# Installs the packages given and prints those it could not install.
# Where apt can't resolve the install from the lists as they are (the i386
# half of a library listed at another version than its amd64 half, when one
# suite's i386 index could not be read), it tries once more from the
# release suite, where both halves match; no other package changes version
# beyond what the install needs, and the apt sources stay as they are. That
# can't help where the amd64 half is installed already at a later version
# than the release's (from the security suite): -t never downgrades, and
# the packages are then named as missing.
ssinst_apt_install() {
  local log=$1 codename p
  shift
  local opts=(-y -qq --no-install-recommends)
  if ! $SUDO apt-get install "${opts[@]}" "$@" </dev/null >"$log" 2>&1; then
    codename=$(ssinst_codename)
    if grep -qE 'held broken packages|Unable to correct problems|unmet dependencies' "$log" && [ -n "$codename" ]; then
      echo "setup: apt could not resolve the install from the package lists as they are; trying once more from $codename, the system's release suite" >&2
      $SUDO apt-get install "${opts[@]}" -t "$codename" "$@" </dev/null >>"$log" 2>&1 || true
    fi
  fi
  for p in "$@"; do ssinst_have_pkg "$p" || printf '%s ' "$p"; done
}

ssinst_have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

ssinst_setup_packages() {
  local need=() p log unread missing why after=
  for p in cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
           g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth netpbm \
           osslsigncode openssl clang libclang-rt-14-dev llvm-14; do
    ssinst_have_pkg "$p" || need+=("$p")
  done
  [ ${#need[@]} = 0 ] && return 0

  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp "${TMPDIR:-/tmp}/ssinst-setup.XXXXXX")
  # 32-bit programs under Wine need the i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ||
    ssinst_setup_fail "could not add the i386 architecture (dpkg --add-architecture i386), which wine32:i386 needs; run as root or with sudo"
  # A run stopped in the middle of an install leaves packages unpacked but
  # not configured, and apt refuses to go on until they are.
  if [ -n "$(dpkg --audit 2>/dev/null)" ]; then
    echo "setup: finishing an install that was stopped before (dpkg --configure -a)"
    $SUDO dpkg --configure -a </dev/null >>"$log" 2>&1 ||
      ssinst_setup_fail "dpkg --configure -a could not finish an earlier install (see $log); run it yourself and look at what it says, then run this again"
  fi
  # An update that ends well may still have left a source unread.
  ssinst_apt_update "$log.update" $SUDO apt-get -qq || after=" after $SSINST_APT_TRIES tries"
  unread=$(ssinst_apt_unread "$log.update")
  [ -z "$after$unread" ] ||
    echo "setup: could not read ${unread:-the package lists ($(grep -m1 '^E:' "$log.update"))}$after; going on with the lists there are" >&2
  cat "$log.update" >>"$log" && rm -f "$log.update"
  missing=$(ssinst_apt_install "$log" "${need[@]}")
  why=$(grep -m1 '^E:' "$log" | cut -c4-)
  [ -z "$missing" ] ||
    ssinst_setup_fail "could not install ${missing% } (${why:+$why }See $log.) When the mirror is whole again (apt-get update reads every index), run this again, or install them with apt-get install"
  rm -f "$log"
}

# The emulator: the version this project was tried with, from the release's
# backports suite; any version from 8.1 on works (7.2 does not place Wine's
# reserved areas where it asks, and wineboot hangs).
SSINST_QEMU_SUITE=${SSINST_QEMU_SUITE:-$(c=$(ssinst_codename); echo "${c:-bookworm}")-backports}
SSINST_QEMU_VERSION='1:10.0.2+ds-2+deb13u1~bpo12+1'
SSINST_BINFMT=/proc/sys/fs/binfmt_misc
SSINST_ENTRY=$SSINST_BINFMT/ssinst-i386

# Runs a 32-bit program (the i386 dynamic loader) and succeeds when it ran.
ssinst_runs_i386() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Writes $1 to the binfmt_misc control file $2, as root.
ssinst_as_root_write() {
  printf '%s\n' "$1" | $SUDO tee "$2" >/dev/null 2>&1
}

# Whether the kernel's own loader runs a 32-bit program: our entry, when
# there is one, is switched off while the program runs.
ssinst_runs_i386_natively() {
  [ -e "$SSINST_ENTRY" ] && [ "$(head -1 "$SSINST_ENTRY")" = enabled ] || { ssinst_runs_i386; return; }
  ssinst_as_root_write 0 "$SSINST_ENTRY" ||
    ssinst_setup_fail "i386 programs are run by emulation here ($SSINST_ENTRY), and only root can switch that; run as root or with sudo"
  local rc=0
  ssinst_runs_i386 || rc=1
  ssinst_as_root_write 1 "$SSINST_ENTRY"
  return $rc
}

# The mirror the system takes its packages from.
ssinst_mirror() {
  local uri
  uri=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' \
        /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }' \
        /etc/apt/sources.list 2>/dev/null | head -1)
  echo "${uri:-http://deb.debian.org/debian}"
}

# Fetches qemu-i386 into $1, with apt state of its own there: the system's
# package lists and sources stay as they are.
ssinst_fetch_qemu() {
  local dir=$1 apt=$1/apt mirror version
  mirror=$(ssinst_mirror)
  local yours="or put a qemu-i386 of qemu-user 8.1 or later, built static, at $dir/qemu-i386"
  rm -rf "$apt" && mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  echo "deb $mirror $SSINST_QEMU_SUITE main" >"$apt/sources.list"
  local opts=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
              -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
              -o APT::Architectures::=amd64 -o APT::Sandbox::User=root -qq)
  ssinst_apt_update "$apt/log" apt-get "${opts[@]}" --error-on=any ||
    ssinst_setup_fail "could not read the suite $SSINST_QEMU_SUITE at $mirror after $SSINST_APT_TRIES tries ($(ssinst_apt_unread "$apt/log" | cut -c1-200); see $apt/log), and qemu-user is fetched from it: run this again when the mirror answers, $yours"
  version=$SSINST_QEMU_VERSION
  if ! (cd "$apt" && apt-get "${opts[@]}" download "qemu-user=$version" </dev/null >>log 2>&1); then
    # The suite has moved on: take its version, if it is recent enough.
    version=$(apt-cache "${opts[@]}" policy qemu-user 2>/dev/null | awk '/Candidate:/ {print $2}')
    [ -n "$version" ] && [ "$version" != "(none)" ] &&
      (cd "$apt" && apt-get "${opts[@]}" download "qemu-user=$version" </dev/null >>log 2>&1) ||
      ssinst_setup_fail "could not fetch qemu-user from the suite $SSINST_QEMU_SUITE at $mirror (see $apt/log): run this again when the mirror answers, $yours"
  fi
  dpkg-deb --fsys-tarfile "$apt"/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 >"$dir/qemu-i386.new" ||
    ssinst_setup_fail "the qemu-user package from $SSINST_QEMU_SUITE at $mirror holds no usr/bin/qemu-i386: $yours"
  chmod 755 "$dir/qemu-i386.new"
  local got
  got=$("$dir/qemu-i386.new" --version 2>/dev/null | awk 'NR == 1 {print $3}')
  [ -n "$got" ] || ssinst_setup_fail "the qemu-i386 of qemu-user from $SSINST_QEMU_SUITE does not run here: $yours"
  printf '8.1\n%s\n' "$got" | sort -V -C ||
    ssinst_setup_fail "qemu-user $got from $SSINST_QEMU_SUITE is older than 8.1, which Wine needs: $yours"
  mv "$dir/qemu-i386.new" "$dir/qemu-i386"
  echo "$version" >"$dir/qemu-i386.version"
  rm -rf "$apt"
}

# The library that gives Wine the true fault numbers, for i386, and an empty
# one for x86_64 programs that inherit LD_PRELOAD.
ssinst_build_trapfix() {
  local dir=$1 src=$2
  mkdir -p "$dir/lib/i386-linux-gnu" "$dir/lib/x86_64-linux-gnu"
  if [ ! -f "$dir/lib/i386-linux-gnu/libtrapfix.so" ] || [ "$src" -nt "$dir/lib/i386-linux-gnu/libtrapfix.so" ]; then
    gcc -m32 -O2 -Wall -Wextra -fPIC -shared -nostdlib -o "$dir/lib/i386-linux-gnu/libtrapfix.so" "$src" &&
      gcc -O2 -fPIC -shared -nostdlib -o "$dir/lib/x86_64-linux-gnu/libtrapfix.so" "$src" ||
      ssinst_setup_fail "could not build $src"
  fi
}

ssinst_setup_i386() {
  local root dir
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  dir=$root/.i386
  if [ "${SSINST_EMULATE_I386:-0}" != 1 ] && ssinst_runs_i386_natively; then
    # Today's path: a forced run's entry must not stay in the way.
    if [ -e "$SSINST_ENTRY" ]; then ssinst_as_root_write -1 "$SSINST_ENTRY" || true; fi
    echo "setup: 32-bit programs run natively here; Wine runs as installed"
    return 0
  fi

  local why="this kernel runs no 32-bit programs"
  [ "${SSINST_EMULATE_I386:-0}" = 1 ] && why="SSINST_EMULATE_I386=1"
  [ -z "$SUDO" ] || command -v sudo >/dev/null ||
    ssinst_setup_fail "$why, and running them by emulation needs root (binfmt_misc); run as root or with sudo"
  case $dir in *,*|*' '*) ssinst_setup_fail "$why, and the emulation can't be set up in a path with a comma or a space: $dir";; esac
  [ -e /usr/lib/wine/wine-preloader ] &&
    ssinst_setup_fail "$why, and wine32-preloader is installed: it maps the addresses the emulator needs; remove it (apt-get remove wine32-preloader)"
  mkdir -p "$dir"
  [ -x "$dir/qemu-i386" ] || ssinst_fetch_qemu "$dir"
  ssinst_build_trapfix "$dir" "$root/scripts/trapfix.c"

  if [ ! -e "$SSINST_BINFMT/register" ]; then
    $SUDO mount -t binfmt_misc binfmt_misc "$SSINST_BINFMT" 2>/dev/null ||
      ssinst_setup_fail "$why, and binfmt_misc is not available (mount -t binfmt_misc binfmt_misc $SSINST_BINFMT failed): a kernel with CONFIG_BINFMT_MISC and root are needed"
  fi
  # i386 ELF executables and shared objects: class 32, little-endian,
  # version 1, type 2 or 3, machine 3. The flag F opens the interpreter now.
  if [ ! -e "$SSINST_ENTRY" ] || ! grep -qx "interpreter $dir/qemu-i386" "$SSINST_ENTRY"; then
    if [ -e "$SSINST_ENTRY" ]; then ssinst_as_root_write -1 "$SSINST_ENTRY" || true; fi
    printf '%s' ':ssinst-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$dir/qemu-i386"':F' |
      $SUDO tee "$SSINST_BINFMT/register" >/dev/null ||
      ssinst_setup_fail "$why, and the i386 entry could not be registered with binfmt_misc"
  fi
  [ "$(head -1 "$SSINST_ENTRY")" = enabled ] || ssinst_as_root_write 1 "$SSINST_ENTRY" ||
    ssinst_setup_fail "$why, and the i386 entry ($SSINST_ENTRY) could not be switched on"
  ssinst_runs_i386 || ssinst_setup_fail "$why, and qemu-i386 ($dir/qemu-i386) did not run the i386 loader either"

  # What the emulated programs need: the fault numbers, and 32-bit prefixes.
  export QEMU_SET_ENV="LD_PRELOAD=$dir/\$LIB/libtrapfix.so"
  export WINEARCH=win32
  echo "setup: $why; i386 programs run by qemu-i386 $("$dir/qemu-i386" --version | awk 'NR == 1 {print $3}') through binfmt_misc ($dir)"
}

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
# SSINST_SETUP=lib only defines the functions, for the test of set-up.
[ "${SSINST_SETUP:-}" = lib ] && return 0
ssinst_setup_packages
# The fuzz targets and the benchmark run no Windows program.
[ "${SSINST_SETUP:-}" = packages ] || ssinst_setup_i386
