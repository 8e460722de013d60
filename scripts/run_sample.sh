#!/bin/bash
# Runs an installer under Wine in a throwaway prefix (BUILD/sample/prefix).
#   run_sample.sh BUILD INSTALLER
# With a display (and not in CI) the dialogs are yours to answer. Without
# one it runs on a virtual display: winhelper answers OK to each dialog and
# saves a screenshot of it beside the installer.
set -eu
B=$1
INSTALLER=$2
S=$(dirname "$INSTALLER")
NAME=$(basename "$INSTALLER")
export WINEPREFIX=$S/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${SAMPLE_HEADLESS:-}" ] && { [ -z "${DISPLAY:-}" ] || [ -n "${CI:-}" ]; }; then
  SAMPLE_HEADLESS=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
if [ -n "${SAMPLE_HEADLESS:-}" ]; then
  # Wine draws the window frames itself on a virtual desktop.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
fi
wineserver -w
mkdir -p "$WINEPREFIX/drive_c/setup"
cp "$INSTALLER" "$WINEPREFIX/drive_c/setup/"

if [ -z "${SAMPLE_HEADLESS:-}" ]; then
  echo "running $NAME on $DISPLAY: answer its dialogs"
  set +e; wine "C:\\setup\\$NAME"; rc=$?; set -e
else
  shot() { echo "shot $(winepath -w "$S/$1.bmp")"; }
  cat > "$S/script" <<END
wait Forest Screen Saver Installation
$(shot confirm)
press OK
wait Forest Screen Saver Installation
$(shot complete)
press OK
wait Lumasketch Ordering Info
$(shot info)
press OK
END
  wine "C:\\setup\\$NAME" & pid=$!
  set +e
  wine "$B/windows/winhelper.exe" "$S/script"; helper=$?
  [ $helper = 0 ] || kill $pid 2>/dev/null
  wait $pid; rc=$?
  set -e
  for f in confirm complete info; do
    if [ -f "$S/$f.bmp" ]; then
      if "$B/tests/bmp2png" "$S/$f.bmp" "$S/$f.png"; then echo "screenshot: $S/$f.png"; else rc=1; fi
    fi
  done
  [ $helper = 0 ] || rc=1
fi
echo "$NAME exited with code $rc"
exit $rc
