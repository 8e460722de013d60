#!/bin/bash
# End-to-end cases: the real stub under Wine, its dialogs answered by
# winhelper, the prefix inspected afterwards.
#
#   run_case.sh make_prefix     make the template Wine prefix (once)
#   run_case.sh CASE            run one case in a fresh copy of it
#
# Needs E2E_BUILD (the host build folder), E2E_WIN (the Windows build
# folder) and SSINST. Runs under its own Xvfb when there is no display.
set -u
: "${E2E_BUILD:?}" "${E2E_WIN:?}" "${SSINST:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

ROOT=$E2E_BUILD/e2e
TEMPLATE=$ROOT/prefix-template
HELPER=$E2E_WIN/winhelper.exe
EXITCODE=$E2E_WIN/exitcode.exe  # runs a program and prints its whole exit code
TESTSCR=$E2E_WIN/testscr.scr
STUB=$E2E_BUILD/ssstub.exe
CASE=$1
FAILED=0

fail() { echo "FAIL [$CASE]: $*"; FAILED=1; }

make_prefix() {
  rm -rf "$TEMPLATE.new" && mkdir -p "$ROOT"
  WINEPREFIX=$TEMPLATE.new wineboot -i >/dev/null 2>&1
  # A virtual desktop of a fixed size: Wine draws the window frames itself
  # (there is no window manager) and the screen size is known.
  WINEPREFIX=$TEMPLATE.new wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE.new wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE.new wineserver -w
  [ -f "$TEMPLATE.new/system.reg" ] || { echo "wineboot made no prefix"; exit 1; }
  rm -rf "$TEMPLATE" && mv "$TEMPLATE.new" "$TEMPLATE"
}

if [ "$CASE" = make_prefix ]; then make_prefix; exit 0; fi
[ -d "$TEMPLATE" ] || make_prefix

DIR=$ROOT/$CASE
rm -rf "$DIR" && mkdir -p "$DIR"
cp -a "$TEMPLATE" "$DIR/prefix"
export WINEPREFIX=$DIR/prefix
C=$WINEPREFIX/drive_c
WINDIR=$C/windows
mkdir -p "$C/setup"
trap 'wineserver -k >/dev/null 2>&1' EXIT

# build_installer NAME ARGS...: authors C:\setup\NAME from the test files.
build_installer() {
  local name=$1; shift
  printf 'main data of the test saver\n' > "$DIR/saver.dat"
  "$SSINST" build -o "$C/setup/$name" --scr "$TESTSCR" --dat "$DIR/saver.dat" "$@" \
    || fail "ssinst build failed"
}

# run_installer NAME: runs C:\setup\NAME (with INSTALLER_ARGS) with the
# helper script $DIR/script answering it (and the DLL overrides of
# INSTALLER_DLLS for the installer alone); sets RC to the installer's exit
# code.
run_installer() {
  local name=$1
  ( cd "$C/setup" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES${INSTALLER_DLLS:+;$INSTALLER_DLLS}" \
      timeout 120 wine "$EXITCODE" "C:\\setup\\$name" ${INSTALLER_ARGS:-} >"$DIR/rc" 2>"$DIR/installer.out" ) &
  local pid=$!
  timeout 150 wine "$HELPER" "$DIR/script" >"$DIR/helper.out" 2>&1 || { fail "helper:"; cat "$DIR/helper.out"; }
  wait $pid
  RC=$(tr -d '\r' <"$DIR/rc")
  [ "$RC" = "${EXPECT_RC:-0}" ] || fail "installer exit code $RC, expected ${EXPECT_RC:-0}"
}

# run_uninstaller PATH RC LINES...: runs the uninstaller at PATH (with
# UNINSTALL_ARGS) with the helper answering LINES; its exit code must be RC
# (a pattern: "0|3010").
run_uninstaller() {
  local path=$1 want=$2; shift 2
  printf '%s\n' "$@" >"$DIR/script"
  ( timeout 120 wine "$EXITCODE" "$path" ${UNINSTALL_ARGS:-} >"$DIR/rc" 2>"$DIR/uninstaller.out" ) &
  local pid=$!
  timeout 150 wine "$HELPER" "$DIR/script" >"$DIR/helper.out" 2>&1 || { fail "helper:"; cat "$DIR/helper.out"; }
  wait $pid
  local rc
  rc=$(tr -d '\r' <"$DIR/rc")
  [[ "$rc" =~ ^($want)$ ]] || fail "the uninstaller's exit code is $rc, not $want"
}

# The removal entry of FOREST.SCR, and one of its values.
KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FOREST.SCR'
value() { wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print}'; }

# ok_to_all [LINE]: a script that answers OK to the confirmation, the
# completion and the information dialog; LINE goes in before the last OK.
ok_to_all() {
  printf '%s\n' "wait Forest Screen Saver Installation" "press OK" \
    "wait Forest Screen Saver Installation" "press OK" "wait Lumasketch Ordering Info" ${1:+"$1"} "press OK" \
    >"$DIR/script"
}

# same_as_extract NAME: what the installer wrote equals what ssinst extract writes.
same_as_extract() {
  rm -rf "$DIR/extracted"
  "$SSINST" extract "$C/setup/$1" -C "$DIR/extracted" >"$DIR/extracted.list" || { fail "ssinst extract failed"; return; }
  [ -s "$DIR/extracted.list" ] || fail "ssinst extract wrote nothing"
  while read -r f; do
    cmp -s "$DIR/extracted/$f" "$WINDIR/$f" || fail "C:\windows\$f differs from ssinst extract (or is missing)"
  done <"$DIR/extracted.list"
}

# The screen saver is registered: system.ini names VALUE, and the switch is on.
registered() {
  grep -qxF "SCRNSAVE.EXE=$1" <(tr -d '\r' <"$WINDIR/system.ini" 2>/dev/null) ||
    fail "system.ini [boot] lacks SCRNSAVE.EXE=$1: $(tr -d '\r' <"$WINDIR/system.ini" 2>/dev/null | tr '\n' ' ')"
  [ "$(screensaver_active)" = 1 ] || fail "ScreenSaveActive is '$(screensaver_active)', not 1"
}
not_registered() {
  grep -qi "SCRNSAVE.EXE" "$WINDIR/system.ini" 2>/dev/null && fail "system.ini names a screen saver"
  [ "$(screensaver_active)" = 1 ] && fail "the screen saver was switched on"
}
screensaver_active() {
  wine reg query 'HKCU\Control Panel\Desktop' /v ScreenSaveActive 2>/dev/null | tr -d '\r' |
    awk '$1 == "ScreenSaveActive" {print $3}'
}

# The bytes an installation of the test saver, its data and FILES... writes,
# with thousands commas.
total_of() {
  local n=0 f
  for f in "$TESTSCR" "$DIR/saver.dat" "$@"; do n=$((n + $(stat -c %s "$f"))); done
  echo "$n" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'
}

# The texts of one run: confirm_text SCR TITLE [FILES...], complete_text DATA.
confirm_text() {
  local scr=$1 title=$2; shift 2
  echo "This program will install $scr ($title Screen Saver) to C:\\WINDOWS and will make it your default Screen Saver.  This installation will take $(total_of "$@") bytes."
}
complete_text() {
  echo "Installation Complete!{CR}{LF}{CR}{LF}Data files have also been installed in your C:\\windows\\QUORBEL\\SSAVERS\\$1 directory."
}

case "$CASE" in
confirm_ok)
  build_installer Forest.exe --title Forest
  cat >"$DIR/script" <<END
wait Forest Screen Saver Installation
shot $(winepath -w "$DIR/confirm.bmp")
text $(confirm_text FOREST.SCR Forest)
press OK
wait Forest Screen Saver Installation
shot $(winepath -w "$DIR/complete.bmp")
text $(complete_text FOREST)
press OK
wait Lumasketch Ordering Info
centred
shot $(winepath -w "$DIR/info.bmp")
has LUMASKETCH
has This custom screen saver was created with
has Requires No Programming
press OK
none 2
END
  run_installer Forest.exe
  ;;
confirm_cancel)
  build_installer Forest.exe --title Forest
  cat >"$DIR/script" <<END
wait Forest Screen Saver Installation
text $(confirm_text FOREST.SCR Forest)
press Cancel
none 3
END
  run_installer Forest.exe
  [ -e "$WINDIR/FOREST.SCR" ] && fail "something was installed after Cancel"
  ;;
my_forest)
  # The screen saver is named by the first '.', the data directory by the last.
  build_installer My.Forest.exe --title "Forest                          "
  cat >"$DIR/script" <<END
wait Forest Screen Saver Installation
text $(confirm_text MY.SCR Forest)
press OK
wait Forest Screen Saver Installation
text $(complete_text MY.FOREST)
press OK
wait Lumasketch Ordering Info
press OK
END
  run_installer My.Forest.exe
  cmp -s "$TESTSCR" "$WINDIR/MY.SCR" || fail "MY.SCR is not the program"
  cmp -s "$DIR/saver.dat" "$WINDIR/QUORBEL/SSAVERS/My.Forest/My.Forest.DAT" || fail "My.Forest.DAT is wrong"
  same_as_extract My.Forest.exe
  registered 'C:\windows\MY.SCR'
  ;;
empty_title)
  build_installer Forest.exe --title ""
  cat >"$DIR/script" <<END
wait  Screen Saver Installation
text $(confirm_text FOREST.SCR "")
press Cancel
END
  run_installer Forest.exe
  ;;
install_files)
  # Every file lands byte for byte where it belongs, the screen saver is
  # registered, and it is started without arguments after the last dialog.
  head -c 70000 /dev/urandom >"$DIR/picture.BMP"
  head -c 2048 /dev/urandom >"$DIR/sound.wav"
  printf 'notes\r\n' >"$DIR/notes.txt"
  before=$(screensaver_active)
  [ "$before" = 1 ] && fail "the screen saver is on before the installation"
  build_installer Forest.exe --title Forest --file "$DIR/picture.BMP" --file "$DIR/sound.wav" --file "$DIR/notes.txt"
  # A program of the installed name beside the installer (a Downloads folder)
  # must not be the one started.
  cp "$TESTSCR" "$C/setup/FOREST.SCR"
  # The program and its data go in packed (the stub's decoder writes them),
  # the random picture and sound stored.
  "$SSINST" list "$C/setup/Forest.exe" | awk '$1 ~ /^[0-9]+$/ {print $1, $5}' >"$DIR/kinds"
  [ "$(tr '\n' ' ' <"$DIR/kinds")" = "0 packed 1 packed 2 stored 3 stored 4 stored " ] ||
    fail "unexpected entry kinds: $(tr '\n' ' ' <"$DIR/kinds")"
  ok_to_all 'nofile C:\scrstart.log'
  run_installer Forest.exe
  wineserver -w
  D=$WINDIR/QUORBEL/SSAVERS/Forest
  cmp -s "$TESTSCR" "$WINDIR/FOREST.SCR" || fail "FOREST.SCR is not the program"
  cmp -s "$DIR/saver.dat" "$D/Forest.DAT" || fail "Forest.DAT is wrong"
  cmp -s "$DIR/picture.BMP" "$D/FILE0002.BMP" || fail "FILE0002.BMP is wrong"
  cmp -s "$DIR/sound.wav" "$D/FILE0003.wav" || fail "FILE0003.wav is wrong"
  cmp -s "$DIR/notes.txt" "$D/FILE0004.txt" || fail "FILE0004.txt is wrong"
  same_as_extract Forest.exe
  registered 'C:\windows\FOREST.SCR'
  log=$(tr -d '\r' <"$C/scrstart.log" 2>/dev/null)
  [ "$log" = 'C:\windows\FOREST.SCR|"C:\windows\FOREST.SCR"' ] ||
    fail "the screen saver ran as '$log', expected the installed one, started by its full path"
  ;;
stored_only)
  # A stored program, a stored data file and three stored extra files
  # (ssinst build --store).
  head -c 5000 /dev/urandom >"$DIR/picture.BMP"
  head -c 4096 /dev/urandom >"$DIR/sound.WAV"
  printf 'read me\r\n' >"$DIR/notes.TXT"
  build_installer Forest.exe --title Forest --store --base 5 \
    --file "$DIR/picture.BMP" --file "$DIR/sound.WAV" --file "$DIR/notes.TXT"
  "$SSINST" list "$C/setup/Forest.exe" | awk '$1 ~ /^[0-9]+$/ && $5 != "stored" {exit 1}' || fail "an entry is packed"
  ok_to_all
  run_installer Forest.exe
  D=$WINDIR/QUORBEL/SSAVERS/Forest
  cmp -s "$TESTSCR" "$WINDIR/FOREST.SCR" || fail "FOREST.SCR is not the program"
  cmp -s "$DIR/saver.dat" "$D/Forest.DAT" || fail "Forest.DAT is wrong"
  cmp -s "$DIR/picture.BMP" "$D/FILE0005.BMP" || fail "FILE0005.BMP is wrong"
  cmp -s "$DIR/sound.WAV" "$D/FILE0006.WAV" || fail "FILE0006.WAV is wrong"
  cmp -s "$DIR/notes.TXT" "$D/FILE0007.TXT" || fail "FILE0007.TXT is wrong"
  same_as_extract Forest.exe
  registered 'C:\windows\FOREST.SCR'
  ;;
reinstall_no)
  # A second run finds the installed screen saver and asks before replacing
  # it; No says how to rename the installer and changes nothing.
  build_installer Forest.exe --title Forest
  ok_to_all
  run_installer Forest.exe
  wineserver -w
  snapshot() { (cd "$WINDIR" && find FOREST.SCR QUORBEL system.ini -type f -exec md5sum {} + | sort); }
  before=$(snapshot)
  cat >"$DIR/script" <<END
wait Replace Screen Saver?
text There is already a screen saver by the same name (Forest.SCR) installed on your system.  Would you like to replace it?
press No
wait Rename Installer
text If you would like to change the name of the .SCR file that would be installed on your system, simply change the installers file name (Forest.EXE) and run it again.
press OK
none 3
END
  run_installer Forest.exe
  [ "$(snapshot)" = "$before" ] || fail "the second run changed the installed files"
  ;;
no_opengl)
  # Without OpenGL (GLU32 needs it too) each library is offered for
  # download; No to both installs the screen saver all the same.
  build_installer Forest.exe --title Forest
  # (The question's text is compared whole in the host tests.)
  ok_to_all
  printf '%s\n' "wait Missing Support File" "press No" "wait Missing Support File" "press No" |
    cat - "$DIR/script" >"$DIR/script.all" && mv "$DIR/script.all" "$DIR/script"
  INSTALLER_DLLS=opengl32=d run_installer Forest.exe
  cmp -s "$TESTSCR" "$WINDIR/FOREST.SCR" || fail "FOREST.SCR is not the program"
  registered 'C:\windows\FOREST.SCR'
  ;;
planted_opengl)
  # An OPENGL32.DLL without glGenTextures beside the installer, and an
  # override that prefers a native DLL: the probe takes the system's own.
  build_installer Forest.exe --title Forest
  cp "$E2E_WIN/opengl32.dll" "$C/setup/OPENGL32.DLL"
  ok_to_all
  INSTALLER_DLLS=opengl32=n,b run_installer Forest.exe
  [ -e "$C/planted.log" ] && fail "the OPENGL32.DLL beside the installer was loaded"
  registered 'C:\windows\FOREST.SCR'
  # The probe alone, without the safe search paths set at start (a system
  # that lacks them), in the same folder: it still takes the system's own.
  cp "$E2E_WIN/loadcheck.exe" "$C/setup/loadcheck.exe"
  (cd "$C/setup" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;opengl32=n,b" wine 'C:\setup\loadcheck.exe') ||
    fail "the probe without safe search paths did not load the system's OPENGL32.DLL"
  [ -e "$C/planted.log" ] && fail "the probe without safe search paths loaded the planted OPENGL32.DLL"
  # The control: a program in that folder that loads it by its bare name
  # does get the planted one.
  cp "$HELPER" "$C/setup/loader.exe"
  echo "load OPENGL32.DLL" >"$DIR/load"
  (cd "$C/setup" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;opengl32=n,b" wine 'C:\setup\loader.exe' "$DIR/load" >/dev/null)
  [ -e "$C/planted.log" ] || fail "the control could not load the planted DLL: the test proves nothing"
  ;;
signed)
  # Signed after it is built (Authenticode, by osslsigncode, with a
  # throwaway certificate): the signature verifies and covers the payload,
  # and the signed installer lists, extracts and installs as the unsigned one.
  build_installer Forest.exe --title Forest --file "$TESTSCR"
  mv "$C/setup/Forest.exe" "$DIR/Forest.exe"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway Author" \
    -keyout "$DIR/key.pem" -out "$DIR/cert.pem" >/dev/null 2>&1 || fail "openssl made no certificate"
  osslsigncode sign -certs "$DIR/cert.pem" -key "$DIR/key.pem" -n Forest \
    -in "$DIR/Forest.exe" -out "$C/setup/Forest.exe" >/dev/null || fail "osslsigncode could not sign"
  osslsigncode verify -CAfile "$DIR/cert.pem" -in "$C/setup/Forest.exe" >"$DIR/verify.out" 2>&1 ||
    fail "the signed installer does not verify: $(tail -3 "$DIR/verify.out")"
  diff <("$SSINST" list "$DIR/Forest.exe") <("$SSINST" list "$C/setup/Forest.exe") || fail "ssinst list differs"
  "$SSINST" extract "$DIR/Forest.exe" -C "$DIR/unsigned" >/dev/null &&
    "$SSINST" extract "$C/setup/Forest.exe" -C "$DIR/signed" >/dev/null &&
    diff -r "$DIR/unsigned" "$DIR/signed" || fail "ssinst extract differs"
  ok_to_all
  run_installer Forest.exe
  same_as_extract Forest.exe
  registered 'C:\windows\FOREST.SCR'
  # One byte of the payload changed (the title's first): no longer verifies.
  at=$("$SSINST" list "$DIR/Forest.exe" | awk '/^payload at:/ {print $3}')
  cp "$C/setup/Forest.exe" "$DIR/flipped.exe"
  printf 'G' | dd of="$DIR/flipped.exe" bs=1 seek="$at" conv=notrunc 2>/dev/null
  osslsigncode verify -CAfile "$DIR/cert.pem" -in "$DIR/flipped.exe" >/dev/null 2>&1 &&
    fail "a changed payload byte still verifies: the signature does not cover it"
  ;;
damaged)
  # An installer cut short: the user is told, nothing is written or registered.
  build_installer Forest.exe --title Forest
  size=$(stat -c %s "$C/setup/Forest.exe")
  truncate -s $((size - 100)) "$C/setup/Forest.exe"
  cat >"$DIR/script" <<END
wait Forest Screen Saver Installation
press OK
wait Forest Screen Saver Installation
shot $(winepath -w "$DIR/failure.bmp")
text The installer C:\\setup\\Forest.exe is damaged: its data is incomplete or invalid.  Please obtain a new copy.{CR}{LF}{CR}{LF}The screen saver has not been installed.
press OK
none 2
END
  EXPECT_RC=1603 run_installer Forest.exe
  [ -e "$WINDIR/FOREST.SCR" ] && fail "FOREST.SCR was written"
  [ -e "$WINDIR/QUORBEL" ] && fail "the data directory was made"
  not_registered
  ;;
windows_tool)
  # ssinst.exe under Wine, with Windows paths, writes the very bytes ssinst
  # writes on Linux, and its installer installs; list, verify and extract
  # agree too.
  WIN_SSINST=$E2E_BUILD/windows-ssinst/ssinst.exe
  printf 'main data of the test saver\n' > "$C/setup/saver.dat"
  for i in $(seq 400); do echo "leaves $((i % 9))"; done > "$C/setup/leaves.txt"
  cp "$TESTSCR" "$C/setup/forest.scr"
  (cd "$C/setup" && wine "$WIN_SSINST" build -o 'C:\setup\Forest.exe' --title Forest --scr 'C:\setup\forest.scr' \
      --dat saver.dat --file 'C:\setup\leaves.txt' >"$DIR/build.out" 2>&1) || { fail "ssinst.exe build:"; cat "$DIR/build.out"; }
  "$SSINST" build -o "$DIR/Forest.exe" --title Forest --scr "$C/setup/forest.scr" --dat "$C/setup/saver.dat" \
    --file "$C/setup/leaves.txt" || fail "ssinst build failed"
  cmp "$C/setup/Forest.exe" "$DIR/Forest.exe" || fail "ssinst.exe and ssinst wrote different installers"
  wine "$WIN_SSINST" verify 'C:\setup\Forest.exe' | tr -d '\r' >"$DIR/verify.out" || fail "ssinst.exe verify: $(cat "$DIR/verify.out")"
  "$SSINST" verify "$C/setup/Forest.exe" | sed 's|^.*/Forest.exe:|Forest.exe:|' >"$DIR/verify.lin"
  sed 's|^C:.*Forest.exe:|Forest.exe:|' "$DIR/verify.out" | cmp -s - "$DIR/verify.lin" || fail "verify differs: $(cat "$DIR/verify.out")"
  wine "$WIN_SSINST" extract 'C:\setup\Forest.exe' -C 'C:\extracted' >/dev/null || fail "ssinst.exe extract failed"
  cmp -s "$C/extracted/QUORBEL/SSAVERS/Forest/FILE0002.txt" "$C/setup/leaves.txt" || fail "ssinst.exe extracted another FILE0002.txt"
  # Windows' own way of asking for help, and a Windows program that is no
  # installer.
  wine "$WIN_SSINST" '/?' | tr -d '\r' | grep -q '^usage: ssinst COMMAND' || fail "ssinst.exe /? printed no help"
  wine "$WIN_SSINST" verify '/?' | tr -d '\r' | grep -q '^usage: ssinst verify INSTALLER' || fail "ssinst.exe verify /? printed no help"
  out=$(wine "$WIN_SSINST" list 'C:\windows\system32\clock.exe' 2>&1); rc=$?
  [ "$rc" = 1 ] && grep -q "clock.exe: not an installer: a Windows program" <<<"$out" || fail "ssinst.exe list clock.exe: $rc $out"
  ok_to_all
  run_installer Forest.exe
  same_as_extract Forest.exe
  registered 'C:\windows\FOREST.SCR'
  ;;
dots_name)
  # Named "...exe", an installer would put its data in the directory above
  # its own and its program at C:\WINDOWS\.SCR: it refuses, writing nothing.
  build_installer Forest.exe --title Forest --file "$DIR/saver.dat"
  mv "$C/setup/Forest.exe" "$C/setup/...exe"
  cat >"$DIR/script" <<END
wait Forest Screen Saver Installation
press OK
wait Forest Screen Saver Installation
text The installer's name (C:\\setup\\...exe) gives no name to install the screen saver under.  Please rename it.{CR}{LF}{CR}{LF}The screen saver has not been installed.
press OK
none 2
END
  EXPECT_RC=1603 run_installer ...exe
  [ -z "$(ls -A "$WINDIR/QUORBEL" 2>/dev/null)" ] || fail "the data directory was made"
  [ -e "$WINDIR/.SCR" ] && fail "C:\\WINDOWS\\.SCR was written"
  not_registered
  ;;
contract)
  # The platform contract's cases on the Win32 side (their other half runs
  # on the simulated machine in the unit tests), beside a planted
  # OPENGL32.DLL that a load by a bare name would take. Not as root: Wine
  # leaves a read-only file's refusals to the host's permissions, which root
  # passes; so as root it runs as nobody, in a copy of the prefix of its own.
  run_as=(env)
  T=$DIR/prefix
  if [ "$(id -u)" = 0 ]; then
    T=$(mktemp -d /tmp/ssinst-contract.XXXXXX)
    cp -a "$WINEPREFIX" "$T/prefix" && T=$T/prefix
    rm -f "$T/wineserver"  # the template's server folder is root's
    mkdir -p "$T/home"
    xauth=${XAUTHORITY:-$HOME/.Xauthority}
    [ -r "$xauth" ] && cp "$xauth" "$T/home/.Xauthority"
    chown -R 65534:65534 "$(dirname "$T")"
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$T/home" XAUTHORITY="$T/home/.Xauthority")
  fi
  mkdir -p "$T/drive_c/tools"
  cp "$E2E_WIN/contract.exe" "$T/drive_c/tools/contract.exe"
  cp "$E2E_WIN/opengl32.dll" "$T/drive_c/tools/OPENGL32.DLL"
  [ "$T" = "$DIR/prefix" ] || chown -R 65534:65534 "$T/drive_c/tools"
  (cd "$T/drive_c/tools" && "${run_as[@]}" WINEPREFIX="$T" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;opengl32=n,b" \
    timeout 120 wine 'C:\tools\contract.exe' 'C:\contract') >"$DIR/contract.out" 2>"$DIR/contract.err" ||
    fail "the contract does not hold on the Win32 side:"
  tr -d '\r' <"$DIR/contract.out"
  [ "$(grep -c '^ok ' "$DIR/contract.out")" -gt 0 ] || { fail "no case ran"; cat "$DIR/contract.err"; }
  [ -e "$T/drive_c/planted.log" ] && fail "the planted OPENGL32.DLL was loaded"
  "${run_as[@]}" WINEPREFIX="$T" wineserver -k >/dev/null 2>&1
  [ "$T" = "$DIR/prefix" ] || rm -rf "$(dirname "$T")"
  ;;
quiet)
  # Unattended: no window, nothing asked or started, a log, exit codes a
  # deployment tool reads. A second quiet run with another program is an
  # upgrade; the entry's QuietUninstallString removes it, again with no
  # window.
  build_installer Forest.exe --title Forest
  printf '%s\n' "none 4" >"$DIR/script"
  INSTALLER_ARGS='/quiet /log=C:\inst.log' run_installer Forest.exe
  registered 'C:\windows\FOREST.SCR'
  [ -e "$C/scrstart.log" ] && fail "the screen saver was started: $(cat "$C/scrstart.log")"
  log=$(tr -d '\r' <"$C/inst.log" 2>/dev/null)
  for line in "Wrote C:\\WINDOWS\\FOREST.SCR, " "Registered C:\\windows\\FOREST.SCR in system.ini." \
      "Removal: C:\\windows\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE, entry FOREST.SCR." "Exit code 0."; do
    grep -qF "$line" <<<"$log" || fail "the log lacks '$line': $log"
  done
  "$SSINST" build -o "$C/setup/Forest.exe" --scr "$E2E_WIN/faultcode.exe" --dat "$DIR/saver.dat" --title Forest \
    || fail "ssinst build failed"
  INSTALLER_ARGS='/S /log=C:\again.log' run_installer Forest.exe
  cmp -s "$E2E_WIN/faultcode.exe" "$WINDIR/FOREST.SCR" || fail "the second program did not replace the first"
  grep -qF -- "-> Yes" "$C/again.log" || fail "the replacement is not logged: $(cat "$C/again.log")"
  command=$(value QuietUninstallString)
  [ "$command" = '"C:\windows\QUORBEL\SSAVERS\Forest\UNINSTAL.EXE" /quiet' ] || fail "QuietUninstallString is '$command'"
  # As Windows runs it: the quoted program, then its switch.
  path=${command#\"}; path=${path%%\"*}
  UNINSTALL_ARGS=${command##*\" } run_uninstaller "$path" "0|3010" "none 4"
  [ -e "$WINDIR/FOREST.SCR" ] && fail "FOREST.SCR is still there"
  [ -n "$(value DisplayName)" ] && fail "the entry is still there"
  ;;
quiet_refused)
  # Refused unattended: a damaged installer writes nothing and says 1603; a
  # switch not known, 87 before anything; /passive asks nothing.
  build_installer Forest.exe --title Forest
  cp "$C/setup/Forest.exe" "$C/setup/Whole.exe"
  truncate -s $(($(stat -c %s "$C/setup/Forest.exe") - 100)) "$C/setup/Forest.exe"
  printf '%s\n' "none 3" >"$DIR/script"
  INSTALLER_ARGS=/quiet EXPECT_RC=1603 run_installer Forest.exe
  INSTALLER_ARGS='/quiet /frobnicate' EXPECT_RC=87 run_installer Whole.exe
  [ -e "$WINDIR/FOREST.SCR" ] || [ -e "$WINDIR/WHOLE.SCR" ] && fail "a program was written"
  [ -e "$WINDIR/QUORBEL" ] && fail "the data directory was made"
  not_registered
  : >"$DIR/script"
  INSTALLER_ARGS=/passive run_installer Whole.exe
  registered 'C:\windows\WHOLE.SCR'
  [ -e "$C/scrstart.log" ] && fail "the screen saver was started"
  ;;
uninstall|uninstall_kept|uninstall_quiet)
  # Removal through the entry in the list of installed programs leaves the
  # Windows directory, system.ini and the registry as they were, once
  # Windows has restarted; a screen saver chosen since, and a file the user
  # added, stay.
  snapshot() {
    (cd "$WINDIR" && find . -path ./temp -prune -o -print | grep -iv 'system32\|syswow64\|/inf\|\.log$' | sort) >"$DIR/$1.files"
    tr -d '\r' <"$WINDIR/system.ini" | grep -i 'SCRNSAVE' >"$DIR/$1.ini"
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | tr -d '\r' | sort >"$DIR/$1.reg"
  }
  snapshot before
  build_installer Forest.exe --title Forest --file "$DIR/saver.dat"
  ok_to_all
  run_installer Forest.exe
  [ -f "$WINDIR/QUORBEL/SSAVERS/Forest/UNINSTAL.EXE" ] || fail "no uninstaller beside the data files"
  [ "$(value DisplayName)" = "Forest Screen Saver" ] || fail "DisplayName is '$(value DisplayName)'"
  [ "$(value NoModify)" = 0x1 ] && [ "$(value NoRepair)" = 0x1 ] || fail "NoModify/NoRepair missing"
  command=$(value UninstallString)
  [ "$command" = '"C:\windows\QUORBEL\SSAVERS\Forest\UNINSTAL.EXE"' ] || fail "UninstallString is '$command'"
  "$SSINST" list "$WINDIR/QUORBEL/SSAVERS/Forest/UNINSTAL.EXE" >"$DIR/uninstaller.list" 2>&1 || true
  if [ "$CASE" = uninstall_kept ]; then
    printf 'notes of my own\r\n' >"$WINDIR/QUORBEL/SSAVERS/Forest/mine.txt"
    wine reg add 'HKCU\Control Panel\Desktop' /v 'SCRNSAVE.EXE' /d x >/dev/null 2>&1
    sed -i 's/^SCRNSAVE.EXE=.*/SCRNSAVE.EXE=C:\\windows\\other.scr\r/' "$WINDIR/system.ini"
  fi
  uninstaller=$(winepath -u "$(echo "$command" | tr -d '"')")
  if [ "$CASE" = uninstall_quiet ]; then
    UNINSTALL_ARGS=/quiet run_uninstaller "$uninstaller" 0 "none 5"
  else
    run_uninstaller "$uninstaller" 0 "wait Forest Screen Saver" "text Remove the Forest screen saver and its files?" \
      "press Yes" "wait Forest Screen Saver" "press OK"
  fi
  [ -e "$WINDIR/FOREST.SCR" ] && fail "FOREST.SCR is still there"
  # Windows restarts: what was left for then goes.
  wineserver -w; wine wineboot -r >/dev/null 2>&1; wineserver -w
  snapshot after
  if [ "$CASE" = uninstall_kept ]; then
    [ -f "$WINDIR/QUORBEL/SSAVERS/Forest/mine.txt" ] || fail "the user's own file was removed"
    grep -q 'other.scr' "$DIR/after.ini" || fail "the screen saver chosen since was not kept: $(cat "$DIR/after.ini")"
  else
    diff "$DIR/before.files" "$DIR/after.files" >"$DIR/files.diff" || { fail "the Windows directory differs:"; cat "$DIR/files.diff"; }
    diff "$DIR/before.ini" "$DIR/after.ini" >/dev/null || fail "system.ini differs: $(cat "$DIR/after.ini")"
  fi
  diff "$DIR/before.reg" "$DIR/after.reg" >/dev/null || fail "the list of installed programs differs: $(cat "$DIR/after.reg")"
  ;;
uninstall_reinstall|uninstall_earlier|uninstall_copy|uninstall_linked)
  # Removal takes only what is its own. Removed and installed again before
  # a restart, the second installation keeps its uninstaller; of Forest.exe
  # and Forest.v2.exe, which both install FOREST.SCR, the first's uninstaller
  # leaves the program, entry and setting to the second; a copy of the
  # uninstaller run from elsewhere changes nothing; a link in place of the
  # data folder is not followed.
  F=$WINDIR/QUORBEL/SSAVERS/Forest
  pending() { wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -i PendingFile; }
  asked=("wait Forest Screen Saver" "text Remove the Forest screen saver and its files?" "press Yes" "wait Forest Screen Saver")
  snapshot() { (cd "$WINDIR" && find FOREST.SCR QUORBEL -type f -exec md5sum {} + 2>/dev/null | sort; tr -d '\r' <system.ini | grep -i scrnsave); }
  # One Wine session throughout: Windows restarts only where a case says so.
  wineserver -p
  # The title with trailing spaces: every text shows it trimmed.
  build_installer Forest.exe --title 'Forest      '
  ok_to_all
  run_installer Forest.exe
  [ -f "$F/UNINSTAL.EXE" ] || fail "no uninstaller"
  case $CASE in
  uninstall_reinstall)
    run_uninstaller "C:\\windows\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE" 0 "${asked[@]}" "press OK"
    [ -e "$WINDIR/FOREST.SCR" ] && fail "FOREST.SCR is still there"
    [ -f "$F/UNINSTAL.OLD" ] && [ ! -e "$F/UNINSTAL.EXE" ] || fail "the uninstaller did not move itself aside: $(ls "$F")"
    pending | grep -qi 'Forest\\UNINSTAL.OLD' || fail "UNINSTAL.OLD is not to go at the restart: $(pending)"
    pending | grep -qi 'UNINSTAL.EXE' && fail "the restart would delete UNINSTAL.EXE: $(pending)"
    ok_to_all
    run_installer Forest.exe
    wine wineboot -r >/dev/null 2>&1
    [ -f "$F/UNINSTAL.EXE" ] || fail "the restart took the second installation's uninstaller"
    [ -e "$F/UNINSTAL.OLD" ] && fail "UNINSTAL.OLD outlived the restart"
    "$SSINST" verify "$F/UNINSTAL.EXE" >"$DIR/verify.out" 2>&1 || fail "the second uninstaller is not sound: $(cat "$DIR/verify.out")"
    [ "$(value InstallLocation)" = 'C:\windows\QUORBEL\SSAVERS\Forest' ] || fail "InstallLocation is '$(value InstallLocation)'"
    same_as_extract Forest.exe
    # Its entry removes it.
    run_uninstaller "$(value UninstallString | tr -d '"')" 0 "${asked[@]}" "press OK"
    wine wineboot -r >/dev/null 2>&1
    [ -e "$WINDIR/QUORBEL" ] && fail "QUORBEL is still there: $(find "$WINDIR/QUORBEL")"
    [ -n "$(value InstallLocation)" ] && fail "the entry is still there"
    ;;
  uninstall_earlier)
    cp "$C/setup/Forest.exe" "$C/setup/Forest.v2.exe"
    printf '%s\n' "wait Replace Screen Saver?" "press Yes" "wait Forest Screen Saver Installation" "press OK" \
      "wait Forest Screen Saver Installation" "press OK" "wait Lumasketch Ordering Info" "press OK" >"$DIR/script"
    run_installer Forest.v2.exe
    [ "$(value InstallLocation)" = 'C:\windows\QUORBEL\SSAVERS\Forest.v2' ] || fail "InstallLocation is '$(value InstallLocation)'"
    before=$(cd "$WINDIR" && md5sum FOREST.SCR; tr -d '\r' <system.ini | grep -i scrnsave)
    entry=$(wine reg query "$KEY" 2>/dev/null | tr -d '\r' | sort)
    run_uninstaller "C:\\windows\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE" 0 "${asked[@]}" \
      "text The files of this installation of the Forest screen saver have been removed.{CR}{LF}{CR}{LF}C:\\windows\\FOREST.SCR belongs to a later installation (C:\\windows\\QUORBEL\\SSAVERS\\Forest.v2) and stays, with its entry and setting.{CR}{LF}{CR}{LF}This removal program goes when Windows restarts." \
      "press OK"
    wine wineboot -r >/dev/null 2>&1
    [ "$(cd "$WINDIR" && md5sum FOREST.SCR; tr -d '\r' <system.ini | grep -i scrnsave)" = "$before" ] ||
      fail "FOREST.SCR or the setting changed"
    [ "$(wine reg query "$KEY" 2>/dev/null | tr -d '\r' | sort)" = "$entry" ] || fail "the second's entry changed"
    [ "$(screensaver_active)" = 1 ] || fail "the screen saver was switched off"
    [ -e "$F" ] && fail "the first's data folder is still there: $(ls "$F")"
    [ -f "$WINDIR/QUORBEL/SSAVERS/Forest.v2/UNINSTAL.EXE" ] || fail "the second's uninstaller went"
    ;;
  uninstall_linked)
    # Wine shows a Unix link to a folder as a reparse point, as Windows does
    # a junction.
    mkdir -p "$C/elsewhere" && mv "$F" "$C/elsewhere/Forest" && ln -s "$C/elsewhere/Forest" "$F"
    kept=$(cd "$C/elsewhere/Forest" && md5sum * | sort)
    run_uninstaller "C:\\windows\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE" 0 "${asked[@]}" \
      "text The Forest screen saver has been removed.{CR}{LF}{CR}{LF}Left in place (changed or added since, or not to be removed):{CR}{LF}C:\\windows\\QUORBEL\\SSAVERS\\Forest" \
      "press OK"
    wine wineboot -r >/dev/null 2>&1
    [ -e "$WINDIR/FOREST.SCR" ] && fail "FOREST.SCR is still there"
    [ "$(cd "$C/elsewhere/Forest" && md5sum * | sort)" = "$kept" ] || fail "the files behind the link changed: $(ls "$C/elsewhere/Forest")"
    [ -L "$F" ] || fail "the link went"
    ;;
  uninstall_copy)
    before=$(snapshot)
    entry=$(wine reg query "$KEY" 2>/dev/null | tr -d '\r' | sort)
    cp "$F/UNINSTAL.EXE" "$C/setup/UNINSTAL.EXE"
    run_uninstaller "C:\\setup\\UNINSTAL.EXE" 1603 "wait Forest Screen Saver" \
      "text This copy of the Forest screen saver's removal program changes nothing.  To remove the screen saver, run C:\\windows\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE." \
      "press OK" "none 3"
    [ "$(snapshot)" = "$before" ] || fail "the copy changed the installation"
    [ "$(wine reg query "$KEY" 2>/dev/null | tr -d '\r' | sort)" = "$entry" ] || fail "the copy changed the entry"
    [ -z "$(pending)" ] || fail "the copy left something for the restart: $(pending)"
    ;;
  esac
  ;;
window_build|window_cancel|window_edit|window_locked|window_many)
  # ssinstw.exe opens a project given on its command line; Enter, pressed
  # twice, builds once the very bytes ssinst build --project writes, checked
  # and shown with its SHA-256. Cancelled in the middle of a long build, it
  # stops within half a second, the window still answers and the installer
  # that was there stays as it was; closed in the middle of one, the build
  # stops and then the window goes. The inputs are locked while it builds,
  # and an edit that gets past the lock makes the outcome say that it is
  # not the installer of what is shown. Ten thousand further files open,
  # and go one by one, with every message answered within half a second.
  WIN_SSINSTW=$E2E_BUILD/windows-ssinst/ssinstw.exe
  P=$C/proj
  mkdir -p "$P"
  printf 'main data of the test saver\n' > "$P/Forest.dat"
  cp "$TESTSCR" "$P/Forest.scr"
  # A name no code page holds whole: it goes through as Windows writes it.
  T="$P/arbres été 森.txt"
  for i in $(seq 2000); do echo "tree $((i % 13)) leaf $((i % 7))"; done > "$T"
  extra=("$T")
  if [ "$CASE" = window_edit ]; then
    echo birch > "$P/birch.txt"
    echo notes > "$P/notes.txt"
    echo leaf > "$P/leaf.txt"
    extra+=("$P/birch.txt" "$P/notes.txt")
  elif [ "$CASE" = window_cancel ] || [ "$CASE" = window_locked ]; then
    head -c $([ "$CASE" = window_cancel ] && echo 50000000 || echo 12000000) /dev/urandom > "$P/big.bin"
    extra+=("$P/big.bin")
    printf 'the installer that was there\n' > "$P/Forest.exe"
  fi
  args=()
  for f in "${extra[@]}"; do args+=(--file "$f"); done
  "$SSINST" project "$P/Forest.ssproj" -o "$P/Forest.exe" --title Forest --scr "$P/Forest.scr" --dat "$P/Forest.dat" \
    "${args[@]}" || fail "ssinst project failed"
  if [ "$CASE" = window_many ]; then
    mkdir -p "$P/many"
    for i in $(seq 10000); do echo "$i" > "$P/many/f$i.txt"; echo "file = many/f$i.txt"; done >> "$P/Forest.ssproj"
    echo leaf > "$P/leaf.txt"
  fi
  cp "$P/Forest.ssproj" "$DIR/project.before"
  start='C:\proj\Forest.ssproj'
  if [ "$CASE" = window_edit ]; then
    # An edit marks the caption and is counted against the title's 32
    # characters; a path typed is taken from the project's folder. The
    # further files are reordered, one removed and one added; Save
    # writes them so and clears the mark; Save As writes the project
    # anew under another name, which the caption then shows. Closing
    # asks before a change is lost, and No loses it.
    cat >"$DIR/script" <<END
wait Forest.ssproj - ssinstw
settext 1001 Forest at Night
wait *Forest.ssproj - ssinstw
until 17 of 32 characters left
settext 1005 Forest.dat
select 1007 0
click Down
click Remove
select 1007 1
click Up
click Add...
wait Open
settext 1148 C:\\proj\\leaf.txt
press Open
wait *Forest.ssproj - ssinstw
command 2003
wait Forest.ssproj - ssinstw
command 2004
wait Save As
settext 1148 C:\\proj\\Copy.ssproj
press Save
wait Copy.ssproj - ssinstw
settext 1001 Forest at Dawn
wait *Copy.ssproj - ssinstw
askclose
wait ssinstw
text Save the changes to C:\\proj\\Copy.ssproj?
press No
END
  elif [ "$CASE" = window_build ]; then
    "$SSINST" build --project "$P/Forest.ssproj" -o "$DIR/expected.exe" || fail "ssinst build --project failed"
    cat >"$DIR/script" <<END
wait Forest.ssproj - ssinstw
until Ready:
shot $(winepath -w "$DIR/window.bmp")
key RETURN
key RETURN
until SHA-256 $(sha256sum "$DIR/expected.exe" | cut -c1-64)
lacks cancelled
until Built and verified
shot $(winepath -w "$DIR/built.bmp")
close
END
  elif [ "$CASE" = window_locked ]; then
    "$SSINST" build --project "$P/Forest.ssproj" -o "$DIR/expected.exe" || fail "ssinst build --project failed"
    cat >"$DIR/script" <<END
wait Forest.ssproj - ssinstw
until Ready:
click Build
until Building...
disabled 1001
disabled 1008
settext 1001 Forest at Noon
until changed since
lacks Built and verified
command 2003
wait Forest.ssproj - ssinstw
close
END
  elif [ "$CASE" = window_many ]; then
    # Opened from the File menu, so that the opening itself is watched.
    start=
    cat >"$DIR/script" <<END
wait Untitled - ssinstw
command 2002
wait Open
settext 1148 C:\\proj\\Forest.ssproj
press Open
wait Forest.ssproj - ssinstw
responsive 3
within 60 in 10003 files.
disabled 1009
select 1007 5
click Remove
within 60 in 10002 files.
responsive 2
key DELETE 1007
within 60 in 10001 files.
responsive 2
click Add...
wait Open
settext 1148 C:\\proj\\leaf.txt
press Open
wait *Forest.ssproj - ssinstw
within 60 in 10002 files.
responsive 2
click Build
responsive 2
until Built and verified
askclose
wait ssinstw
press No
END
  else
    cp "$P/Forest.exe" "$DIR/before.exe"
    cat >"$DIR/script" <<END
wait Forest.ssproj - ssinstw
until Ready:
click Build
until Building...
responsive 1
click Cancel
within 0.5 Not built:
until cancelled
click Build
until Building...
close
END
  fi
  ( timeout 300 wine "$WIN_SSINSTW" $start >"$DIR/ssinstw.out" 2>&1; echo $? >"$DIR/rc" ) &
  pid=$!
  timeout 320 wine "$HELPER" "$DIR/script" >"$DIR/helper.out" 2>&1 || { fail "helper:"; cat "$DIR/helper.out"; }
  wait $pid
  [ "$(cat "$DIR/rc")" = 0 ] || fail "ssinstw's exit code is $(cat "$DIR/rc")"
  if [ "$CASE" = window_edit ]; then
    sed -e 's/^title = Forest$/title = Forest at Night/' -e '/^file = arbres/d' "$DIR/project.before" |
      awk '/^file = birch/ { b = $0; next } { print } /^file = notes/ { print b; print "file = leaf.txt" }' > "$DIR/project.saved"
    cmp "$P/Forest.ssproj" "$DIR/project.saved" || fail "Save did not write the title and the further files as edited"
    cmp "$P/Copy.ssproj" "$DIR/project.saved" || fail "Save As wrote otherwise than Save, or kept the change not to be saved"
    for k in "0 Copy" "1 Forest"; do
      set -- $k
      wine reg query 'HKCU\Software\ssinstw\Recent' /v $1 2>/dev/null | tr -d '\r' | grep -qF "C:\\proj\\$2.ssproj" ||
        fail "$2.ssproj is not recent project $1"
    done
  elif [ "$CASE" = window_build ]; then
    cmp "$P/Forest.exe" "$DIR/expected.exe" || fail "ssinstw and ssinst build --project wrote different installers"
  elif [ "$CASE" = window_locked ]; then
    # The installer is of the inputs as they were; what the window shows,
    # saved, builds another.
    cmp "$P/Forest.exe" "$DIR/expected.exe" || fail "the build is not of the inputs Build was pressed with"
    grep -qx 'title = Forest at Noon' "$P/Forest.ssproj" || fail "the window did not show the edited title"
    "$SSINST" build --project "$P/Forest.ssproj" -o "$DIR/shown.exe" || fail "ssinst build --project failed"
    cmp -s "$DIR/shown.exe" "$P/Forest.exe" && fail "the edited title built the same installer"
  elif [ "$CASE" = window_many ]; then
    # The build of what the window showed: two files fewer, one more.
    "$SSINST" verify "$P/Forest.exe" >"$DIR/verify.out" || fail "the installer of 10,002 files does not verify"
    grep -q '^10001  .*FILE10001.txt .*sound$' "$DIR/verify.out" || fail "the installer has not 10,002 entries: $(tail -3 "$DIR/verify.out")"
  else
    cmp "$P/Forest.exe" "$DIR/before.exe" || fail "the cancelled build changed the installer that was there"
    left=$(ls -A "$P" | grep -v -x -e Forest.ssproj -e Forest.scr -e Forest.dat -e "arbres été 森.txt" -e big.bin -e Forest.exe)
    [ -z "$left" ] || fail "the cancelled build left $left"
  fi
  ;;
fault_codes)
  # A program's own handler sees the processor's true exception codes,
  # whether Wine runs natively or under an emulator.
  for expect in "read0 c0000005" "div0 c0000094"; do
    set -- $expect
    got=$(timeout 60 wine "$E2E_WIN/faultcode.exe" "$1" 2>"$DIR/faultcode.err" | tr -d '\r')
    [ "$got" = "$2" ] || fail "faultcode $1 printed '$got', expected $2 $(head -3 "$DIR/faultcode.err")"
  done
  ;;
*)
  echo "unknown case $CASE"; exit 2 ;;
esac

# Each screenshot as a PNG, read back to its end.
for b in "$DIR"/*.bmp; do
  [ -e "$b" ] || continue
  "$E2E_BUILD/tests/bmp2png" "$b" "${b%.bmp}.png" || fail "the screenshot $b did not convert to a whole PNG"
done
# A passed case's prefix goes (each is about 600 MB); a failed one's stays
# to be looked at, and SSINST_E2E_KEEP=1 keeps them all.
if [ $FAILED = 0 ]; then
  echo "PASS [$CASE]"
  if [ "${SSINST_E2E_KEEP:-0}" != 1 ]; then wineserver -k >/dev/null 2>&1; rm -rf "$DIR/prefix"; fi
fi
exit $FAILED
