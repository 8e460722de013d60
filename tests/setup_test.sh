#!/bin/bash
# Set-up's decisions against a stand-in apt-get: no network, no root, and
# nothing of the system's own packages touched. Each case runs the package
# step of scripts/setup.sh (or its fetch of the emulator) with stand-ins for
# apt-get, dpkg, dpkg-query, sudo and sleep first on PATH, and holds its exit
# status, the lines it says and the apt-get calls it made.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
bin=$T/bin
mkdir -p "$bin"

# apt-get: FAKE_UPDATE is ok, once (fails the first try), index (one index
# never read) or all (nothing read); FAKE_INSTALL is ok, release (resolves
# only with -t $FAKE_RELEASE) or broken.
cat >"$bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_STATE/calls"
args=() target=
while [ $# -gt 0 ]; do
  case $1 in -t) target=$2; shift;; -o) shift;; -*) ;; *) args+=("$1");; esac
  shift
done
case ${args[0]} in
update)
  n=$(grep -c ' update$' "$FAKE_STATE/calls")
  case $FAKE_UPDATE in
  once) [ "$n" -gt 1 ] && exit 0;&
  index)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/by-hash/SHA256/4f2a9c  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100;;
  all)
    echo "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100;;
  esac;;
install)
  if [ "$FAKE_INSTALL" = broken ] || { [ "$FAKE_INSTALL" = release ] && [ "$target" != "$FAKE_RELEASE" ]; }; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
  printf '%s\n' "${args[@]:1}" >>"$FAKE_STATE/installed";;
download)
  cp "$FAKE_STATE/qemu-user.deb" "qemu-user_${args[1]#*=}_amd64.deb";;
esac
EOF
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/bash
grep -qxF "${!#}" "$FAKE_STATE/installed" && printf 'install ok installed'
EOF
cat >"$bin/dpkg" <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$FAKE_STATE/calls"
case $1 in
--print-foreign-architectures) cat "$FAKE_STATE/arch" 2>/dev/null;;
--add-architecture) echo "$2" >>"$FAKE_STATE/arch";;
--audit) cat "$FAKE_STATE/audit" 2>/dev/null;;
--configure) rm -f "$FAKE_STATE/audit";;
esac
EOF
printf '#!/bin/bash\nexec "$@"\n' >"$bin/sudo"
printf '#!/bin/bash\necho "sleep $*" >>"$FAKE_STATE/calls"\n' >"$bin/sleep"
chmod +x "$bin"/*

# The emulator's package, with a qemu-i386 that only tells its version.
mkdir -p "$T/deb/DEBIAN" "$T/deb/usr/bin"
printf 'Package: qemu-user\nVersion: 1:10.0.2\nArchitecture: amd64\nMaintainer: t <t@t>\nDescription: t\n' >"$T/deb/DEBIAN/control"
printf '#!/bin/sh\necho "qemu-i386 version 10.0.2"\n' >"$T/deb/usr/bin/qemu-i386"
chmod +x "$T/deb/usr/bin/qemu-i386"
dpkg-deb --build "$T/deb" "$T/qemu-user.deb" >/dev/null || { echo "setup_test: dpkg-deb could not build the stand-in package"; exit 1; }

printf 'ID=debian\nVERSION_CODENAME=trixie\n' >"$T/os-release"
all="cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth netpbm osslsigncode openssl clang libclang-rt-14-dev llvm-14"
unread="setup: could not read http://deb.debian.org/debian-security bookworm-security (main/binary-i386: File has unexpected size (374820 != 376004). Mirror sync in progress?) after 4 tries; going on with the lists there are"
broken="setup: apt could not resolve the install from the package lists as they are; trying once more from trixie, the system's release suite"
stuck="setup: could not install wine32:i386 xvfb (Unable to correct problems, you have held broken packages. See LOG.) When the mirror is whole again (apt-get update reads every index), run this again, or install them with apt-get install"

# name | step | update | install | state before | status | lines said ('|'-separated, in order) | calls made (grep -E, each in order)
cases=(
"all there|packages|ok|ok|all|0|||!apt-get"
"whole mirror|packages|ok|ok|no-i386|0|setup: installing wine32:i386 xvfb|dpkg --add-architecture i386|apt-get -qq update|apt-get install -y -qq --no-install-recommends wine32:i386 xvfb$"
"index read on the second try|packages|once|ok|no-i386|0|setup: installing wine32:i386 xvfb|setup: apt-get update could not read every index (try 1 of 4); again in 15 s|update$|sleep 15|update$|install .*wine32:i386 xvfb$"
"index never read|packages|index|ok|no-i386|0|setup: installing wine32:i386 xvfb|setup: apt-get update could not read every index (try 3 of 4); again in 60 s|$unread|sleep 15|sleep 30|sleep 60|install .*wine32:i386 xvfb$"
"i386 twin behind|packages|index|release|no-i386|0|$unread|$broken|install -y -qq --no-install-recommends wine32:i386 xvfb$|install -y -qq --no-install-recommends -t trixie wine32:i386 xvfb$"
"release suite broken too|packages|ok|broken|no-i386|1|$broken|$stuck|install .*-t trixie"
"nothing read|packages|all|broken|no-i386|1|setup: could not read http://deb.debian.org/debian bookworm (InRelease: Temporary failure resolving 'deb.debian.org') after 4 tries; going on with the lists there are|$broken|$stuck"
"install stopped before|packages|ok|ok|half|0|setup: finishing an install that was stopped before (dpkg --configure -a)|dpkg --configure -a|install .*wine32:i386 xvfb$"
"emulator's suite read|qemu|once|ok|all|0|setup: apt-get update could not read every index (try 1 of 4); again in 15 s|update$|sleep 15|update$|download qemu-user=1:10.0.2"
"emulator's suite never read|qemu|all|ok|all|1|setup: could not read the suite trixie-backports at MIRROR after 4 tries (http://deb.debian.org/debian bookworm (InRelease: Temporary failure resolving 'deb.debian.org'); see QEMU/apt/log), and qemu-user is fetched from it: run this again when the mirror answers, or put a qemu-i386 of qemu-user 8.1 or later, built static, at QEMU/qemu-i386|sleep 60|!download"
)

failed=0
for c in "${cases[@]}"; do
  IFS='|' read -r name step update install before status rest <<<"$c"
  IFS='|' read -r -a checks <<<"$rest"
  state=$T/state
  rm -rf "$state" "$T/qemu" && mkdir -p "$state" "$T/qemu" && cp "$T/qemu-user.deb" "$state/"
  : >"$state/calls"
  case $before in
  all) printf '%s\n' $all >"$state/installed"; echo i386 >"$state/arch";;
  no-i386|half) printf '%s\n' $all | grep -vxE 'wine32:i386|xvfb' >"$state/installed";;
  esac
  [ "$before" = half ] && echo "The following packages are only half configured" >"$state/audit"
  if [ "$step" = packages ]; then
    script='set -eu; . "$1/scripts/setup.sh"'
  else
    script='set -eu; SSINST_SETUP=lib; . "$1/scripts/setup.sh"; ssinst_fetch_qemu "$2"'
  fi
  out=$(PATH="$bin:$PATH" FAKE_STATE=$state FAKE_UPDATE=$update FAKE_INSTALL=$install FAKE_RELEASE=trixie \
        SSINST_OS_RELEASE=$T/os-release SSINST_SETUP=packages TMPDIR=$T SSINST_APT_TRIES=4 SSINST_APT_PAUSE=15 \
        bash -c "$script" setup "$root" "$T/qemu" 2>&1 </dev/null)
  rc=$?
  mirror=$(SSINST_SETUP=lib bash -c '. "$1/scripts/setup.sh"; ssinst_mirror' setup "$root")
  out=$(printf '%s\n' "$out" | sed -E "s#$T/ssinst-setup\.[A-Za-z0-9]+#LOG#g; s#$T/qemu#QEMU#g; s#at $mirror #at MIRROR #g")
  said=$(printf '%s\n' "$out" | grep '^setup:')
  bad=
  [ "$rc" = "$status" ] || bad+=" status $rc, not $status;"
  calls=$(cat "$state/calls")
  for k in "${checks[@]}"; do
    [ -n "$k" ] || continue
    case $k in
    setup:*)
      # In order: what is left after the line.
      if printf '%s\n' "$said" | grep -qxF -- "$k"; then
        said=$(printf '%s\n' "$said" | sed -n "$(printf '%s\n' "$said" | grep -nxF -- "$k" | head -1 | cut -d: -f1),\$p" | tail -n +2)
      else bad+=" did not say: $k;"; fi;;
    !*) ! printf '%s\n' "$calls" | grep -qE -- "${k#!}" || bad+=" called: ${k#!};";;
    *)
      n=$(printf '%s\n' "$calls" | grep -nE -- "$k" | head -1 | cut -d: -f1)
      if [ -n "$n" ]; then calls=$(printf '%s\n' "$calls" | tail -n +$((n + 1))); else bad+=" no call (in order): $k;"; fi;;
    esac
  done
  [ "$status" = 0 ] || [ "$(printf '%s\n' "$out" | tail -1)" = "$(printf '%s\n' "${checks[@]}" | grep '^setup:' | tail -1)" ] ||
    bad+=" the failure's line is not the last;"
  if [ "$step" = qemu ] && [ "$status" = 0 ]; then
    [ "$("$T/qemu/qemu-i386" --version)" = "qemu-i386 version 10.0.2" ] && [ ! -e "$T/qemu/apt" ] || bad+=" no qemu-i386 fetched;"
  fi
  if [ -n "$bad" ]; then
    failed=1
    printf 'FAIL %s:%s\n--- said:\n%s\n--- calls:\n%s\n' "$name" "$bad" "$out" "$(cat "$state/calls")"
  else
    echo "ok   $name"
  fi
done
exit $failed
