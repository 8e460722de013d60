#!/bin/bash
# The authoring tool's command line: exit codes and messages that name the
# file and the problem.
#   cli_test.sh SSINST BUILD_DIR
set -u
SSINST=$1
BUILD=$2
STUB=$BUILD/ssstub.exe
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
pass=0 failed=0

# expect CODE PATTERN CMD...: runs CMD, wants exit CODE and PATTERN in its output.
expect() {
  local code=$1 pattern=$2; shift 2
  local out rc
  out=$("$@" 2>&1); rc=$?
  if [ "$rc" = "$code" ] && grep -q -- "$pattern" <<<"$out"; then
    pass=$((pass + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $* -> exit $rc (wanted $code), output:"; echo "$out" | sed 's/^/    /'
  fi
}

printf 'program' > "$T/f.scr"; printf 'data' > "$T/f.dat"; printf 'pic' > "$T/a.bmp"; : > "$T/empty.dat"

expect 0 "usage: ssinst" "$SSINST" --help
expect 2 "no command" "$SSINST"
expect 2 "unknown command frob" "$SSINST" frob
expect 2 "build needs" "$SSINST" build -o "$T/x.exe"
expect 2 "--base takes" "$SSINST" build -o "$T/x.exe" --title T --base 70000 --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "nothere.scr: No such file" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title T --scr "$T/nothere.scr" --dat "$T/f.dat"
expect 1 "at most 32" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title 123456789012345678901234567890123 --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "empty.dat: the file is empty" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title T --scr "$T/f.scr" --dat "$T/empty.dat"
if [ -f "$STUB" ]; then
  expect 1 "breaks its layout rules" "$SSINST" build -o "$T/x.exe" --stub "$BUILD/windows/ssstub-raw.exe" --title T --scr "$T/f.scr" --dat "$T/f.dat"
  expect 0 "" "$SSINST" build -o "$T/Forest.exe" --stub "$STUB" --title Forest --base 7 --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/a.bmp"
  expect 0 "QUORBEL.SSAVERS.Forest.FILE0007.bmp" "$SSINST" list "$T/Forest.exe"
  expect 0 'title: "Forest"' "$SSINST" list "$T/Forest.exe"
  expect 0 "QUORBEL/SSAVERS/Forest/FILE0007.bmp" "$SSINST" extract "$T/Forest.exe" -C "$T/out"
  cmp -s "$T/a.bmp" "$T/out/QUORBEL/SSAVERS/Forest/FILE0007.bmp" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: extracted FILE0007.bmp differs"; }
  expect 2 "extract needs" "$SSINST" extract "$T/Forest.exe"
  expect 0 "rule 5   held   the manifest" "$SSINST" check-stub "$STUB"
  expect 1 "rule 2   BROKEN" "$SSINST" check-stub "$BUILD/windows/ssstub-raw.exe"
  # Entry 0 reaching past the end: listed, flagged, exit 1; the same
  # installer named "...exe" lists but would install nowhere.
  at=$("$SSINST" list "$T/Forest.exe" | sed -n 's/^payload at: //p')
  cp "$T/Forest.exe" "$T/bad.exe"
  printf '\377\377\377\377' | dd of="$T/bad.exe" bs=1 seek=$((at + 32 + 2 + 4)) conv=notrunc 2>/dev/null
  expect 1 "damaged: entry 0 reaches past the end of the file" "$SSINST" list "$T/bad.exe"
  expect 1 "gives no name to install" "$SSINST" build -o "$T/...exe" --stub "$STUB" --title T --scr "$T/f.scr" --dat "$T/f.dat"
  cp "$T/Forest.exe" "$T/...exe"
  expect 1 "gives no name to install" "$SSINST" list "$T/...exe"
  expect 1 "gives no name to install" "$SSINST" extract "$T/...exe" -C "$T/dots"
  head -c 300 "$T/Forest.exe" > "$T/cut.exe"
  expect 1 "cut.exe: no payload marker" "$SSINST" list "$T/cut.exe"
  expect 1 "cut.exe: .*cut short" "$SSINST" check-stub "$T/cut.exe"
fi
expect 1 "f.dat: not an executable" "$SSINST" check-stub "$T/f.dat"
expect 1 "nothere.exe: No such file" "$SSINST" list "$T/nothere.exe"

echo "cli: $pass passed, $failed failed"
[ "$failed" = 0 ]
