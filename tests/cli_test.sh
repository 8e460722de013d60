#!/bin/bash
# The authoring tool's command line: exit codes and messages that name the
# file and the problem.
#   cli_test.sh SSINST BUILD_DIR MAKE_PROGRAM
set -u
SSINST=$1
BUILD=$2
MAKE_PROGRAM=$3
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
expect 2 "build: no title, program (.SCR), main data file (.DAT) named" "$SSINST" build -o "$T/x.exe"
expect 2 "--base takes" "$SSINST" build -o "$T/x.exe" --title T --base 70000 --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "nothere.scr: No such file" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title T --scr "$T/nothere.scr" --dat "$T/f.dat"
expect 1 "at most 32" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title 123456789012345678901234567890123 --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "empty.dat: the file is empty" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title T --scr "$T/f.scr" --dat "$T/empty.dat"
expect 2 "build: --file names no file" "$SSINST" build -o "$T/x.exe" --stub "$STUB" --title T --scr "$T/f.scr" --dat "$T/f.dat" --file ""
expect 1 "written over its own input" "$SSINST" build -o "$T/f.dat" --stub "$STUB" --title T --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "is a device, not a file" "$SSINST" build --project /dev/zero
if [ -f "$STUB" ]; then
  expect 1 "breaks its layout rules" "$SSINST" build -o "$T/x.exe" --stub "$BUILD/windows/ssstub-raw.exe" --title T --scr "$T/f.scr" --dat "$T/f.dat"
  expect 0 "" "$SSINST" build -o "$T/Forest.exe" --stub "$STUB" --title Forest --base 7 --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/a.bmp"
  # A project file carries the same command line, its paths relative to
  # itself: the same installer, byte for byte; a flag beside it wins.
  mkdir -p "$T/proj"
  expect 0 "" "$SSINST" project "$T/proj/Forest.ssproj" -o "$T/Forest2.exe" --title Forest --base 7 \
    --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/a.bmp"
  expect 0 "program = ../f.scr" cat "$T/proj/Forest.ssproj"
  expect 0 "" "$SSINST" build --project "$T/proj/Forest.ssproj" --stub "$STUB"
  expect 0 "" cmp "$T/Forest.exe" "$T/Forest2.exe"
  expect 0 "" "$SSINST" build --stub "$STUB" --project "$T/proj/Forest.ssproj" --title Other -o "$T/Other.exe"
  expect 0 'title: "Other"' "$SSINST" list "$T/Other.exe"
  printf '[installer]\ntitle = T\ntitel = U\n' > "$T/bad.ssproj"
  expect 1 'bad.ssproj:3: unknown key "titel"' "$SSINST" build --project "$T/bad.ssproj"
  # The built-in stub is the built one: the same installer, byte for byte.
  expect 0 "built-in stub: $(stat -c %s "$STUB") bytes, SHA-256 $(sha256sum "$STUB" | cut -c1-64)" "$SSINST" --version
  mkdir -p "$T/own" && expect 0 "" env -u SSINST_STUB "$SSINST" build -o "$T/own/Forest.exe" --title Forest --base 7 --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/a.bmp"
  cmp -s "$T/Forest.exe" "$T/own/Forest.exe" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: the built-in stub made another installer"; }
  expect 0 "QUORBEL.SSAVERS.Forest.FILE0007.bmp" "$SSINST" list "$T/Forest.exe"
  expect 0 'title: "Forest"' "$SSINST" list "$T/Forest.exe"
  # It names the switches of an installer made with its own stub.
  expect 0 "switches: /quiet (or /S), /passive, /log=PATH" "$SSINST" list "$T/Forest.exe"
  expect 0 "QUORBEL/SSAVERS/Forest/FILE0007.bmp" "$SSINST" extract "$T/Forest.exe" -C "$T/out"
  cmp -s "$T/a.bmp" "$T/out/QUORBEL/SSAVERS/Forest/FILE0007.bmp" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: extracted FILE0007.bmp differs"; }
  expect 2 "extract: it takes one installer and -C DIR; see ssinst extract --help" "$SSINST" extract "$T/Forest.exe"
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
  expect 1 "cut.exe: not an installer, or one damaged in its headers: section table cut short" "$SSINST" list "$T/cut.exe"
  head -c $((at + 10)) "$T/Forest.exe" > "$T/cut-table.exe"
  out=$("$SSINST" verify "$T/cut-table.exe" 2>&1); rc=$?
  [ "$rc" = 1 ] && grep -q "^stub:  sound" <<<"$out" && grep -q "^payload: damaged: the payload ends inside its header" <<<"$out" &&
    grep -q "cut-table.exe: DAMAGED$" <<<"$out" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: verify of a cut table: $out"; }
  expect 1 "cut.exe: .*cut short" "$SSINST" check-stub "$T/cut.exe"

  # verify: installers and their verdicts.
  for i in $(seq 300); do echo "forest trees $((i % 7))"; done > "$T/text.scr"
  "$SSINST" build -o "$T/packed.exe" --title P --scr "$T/text.scr" --dat "$T/f.dat" --file "$T/text.scr"
  "$SSINST" build -o "$T/stored.exe" --title S --store --scr "$T/text.scr" --dat "$T/f.dat"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$T/key.pem" -out "$T/cert.pem" -days 2 -subj "/CN=ssinst test" 2>/dev/null
  osslsigncode sign -certs "$T/cert.pem" -key "$T/key.pem" -in "$T/packed.exe" -out "$T/signed.exe" >/dev/null
  head -c $(($(stat -c %s "$T/packed.exe") - 20)) "$T/packed.exe" > "$T/short.exe"
  # Entry 0 claims 16 times what its stream gives: the stream runs out.
  at=$("$SSINST" list "$T/packed.exe" | sed -n 's/^payload at: //p')
  cp "$T/packed.exe" "$T/broken.exe"
  printf '\000\000\001\000' | dd of="$T/broken.exe" bs=1 seek=$((at + 32 + 2 + 8)) conv=notrunc 2>/dev/null
  # Hostile tables: an entry on the table, one on another's bytes, a stream
  # with bytes after its end.
  le32() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8 & 255)))\\$(printf %03o $(($1 >> 16 & 255)))\\$(printf %03o $(($1 >> 24 & 255)))"; }
  field() { od -An -tu4 -j $((at + 34 + 16 * $2 + 4 * $3)) -N4 "$1" | tr -d ' '; }
  patch() { le32 "$4" | dd of="$1" bs=1 seek=$((at + 34 + 16 * $2 + 4 * $3)) conv=notrunc 2>/dev/null; }
  at=$("$SSINST" list "$T/packed.exe" | sed -n 's/^payload at: //p')
  cp "$T/packed.exe" "$T/on-table.exe" && patch "$T/on-table.exe" 1 0 $((at + 20))
  cp "$T/packed.exe" "$T/on-entry.exe" && patch "$T/on-entry.exe" 2 0 "$(field "$T/packed.exe" 0 0)"
  cp "$T/packed.exe" "$T/trailing.exe" && patch "$T/trailing.exe" 0 1 $(($(field "$T/packed.exe" 0 1) + 3))
  while read -r name code pattern; do
    expect "$code" "$pattern" "$SSINST" verify "$T/$name"
  done <<END
on-table.exe 1 damaged: its bytes $((at + 20)) to $((at + 23)) overlap the header and entry table (bytes $at to $((at + 97)))
on-entry.exe 1 2 .*damaged: its bytes .* overlap entry 0
trailing.exe 1 damaged: its stream ends after $(field "$T/packed.exe" 0 1) of its $(($(field "$T/packed.exe" 0 1) + 3)) stored bytes
packed.exe 0 packed.exe: sound
stored.exe 0 stored 4500 .*STORED.SCR .*sound
signed.exe 0 signed.exe: sound
short.exe 1 FILE0002.scr .*damaged: reaches past the end of the file
broken.exe 1 damaged: its stream needs more bits than it stores
f.dat 1 not an executable
END
  expect 2 "verify: it takes one installer" "$SSINST" verify

  # extract with links planted in DIR: nothing outside DIR changes, a file
  # that is there stays unless --overwrite replaces it (a link by a file).
  mkdir -p "$T/outside"
  while read -r planted option code pattern; do
    rm -rf "$T/x" && mkdir -p "$T/x/QUORBEL" && printf victim >"$T/outside/victim"
    case $planted in
      folder-link) rmdir "$T/x/QUORBEL" && ln -s "$T/outside" "$T/x/QUORBEL" ;;
      deep-link) ln -s "$T/outside" "$T/x/QUORBEL/SSAVERS" ;;
      file-link) ln -s "$T/outside/victim" "$T/x/FOREST.SCR" ;;
      file) printf mine >"$T/x/FOREST.SCR" ;;
    esac
    [ "$option" = - ] && option=
    expect "$code" "$pattern" "$SSINST" extract "$T/Forest.exe" -C "$T/x" $option
    [ "$(ls -A "$T/outside")" = victim ] && [ "$(cat "$T/outside/victim")" = victim ] && pass=$((pass + 1)) ||
      { failed=$((failed + 1)); echo "FAIL: extract beside a planted $planted changed something outside: $(ls -A "$T/outside")"; }
    if [ "$code" = 0 ]; then
      [ ! -L "$T/x/FOREST.SCR" ] && cmp -s "$T/x/FOREST.SCR" "$T/f.scr" && pass=$((pass + 1)) ||
        { failed=$((failed + 1)); echo "FAIL: --overwrite beside a planted $planted did not replace FOREST.SCR"; }
    fi
  done <<END
folder-link - 1 x/QUORBEL: is a link or a file, not a folder: refused
deep-link - 1 QUORBEL/SSAVERS: is a link or a file, not a folder: refused
file-link - 1 FOREST.SCR: is there already (--overwrite replaces it)
file-link --overwrite 0 FOREST.SCR
file - 1 FOREST.SCR: is there already
file --overwrite 0 FOREST.SCR
END

  # Extensions Windows does not keep as written: build warns, and list,
  # verify and extract give the names Windows creates.
  mkdir -p "$T/names" && printf y >"$T/names/y.." && printf z >"$T/names/z.$(printf '\351')"
  expect 0 'y..: Windows will not keep the extension "." as written: .* created as QUORBEL.SSAVERS.Names.FILE0002$' \
    "$SSINST" build -o "$T/Names.exe" --title N --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/names/y.." --file "$T/names/z."*
  expect 0 "code page, which decides the name" "$SSINST" build -o "$T/Names.exe" --title N --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/names/z."*
  "$SSINST" build -o "$T/Names.exe" --title N --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/names/y.." 2>/dev/null
  expect 0 'FILE0002$' "$SSINST" list "$T/Names.exe"
  # A drive-relative name ("C:Forest.exe" on Windows): the file name follows the ':'.
  cp "$T/Names.exe" "$T/names/C:Forest.exe" && expect 0 ' FOREST.SCR$' "$SSINST" list "$T/names/C:Forest.exe"
  expect 0 'FILE0002 .*sound' "$SSINST" verify "$T/Names.exe"
  expect 0 "QUORBEL/SSAVERS/Names/FILE0002$" "$SSINST" extract "$T/Names.exe" -C "$T/names/out"
  [ "$(ls "$T/names/out/QUORBEL/SSAVERS/Names")" = "$(printf 'FILE0002\nNames.DAT')" ] && pass=$((pass + 1)) ||
    { failed=$((failed + 1)); echo "FAIL: extract wrote $(ls "$T/names/out/QUORBEL/SSAVERS/Names" | tr '\n' ' ')"; }

  # A failed write keeps the installer that was there and leaves no
  # temporary file; a target that is not a file is refused and survives.
  head -c 3000000 /dev/urandom > "$T/big.bin"
  mkdir -p "$T/safe" "$T/full" "$T/folder.exe"
  "$SSINST" build -o "$T/safe/Forest.exe" --title Forest --scr "$T/f.scr" --dat "$T/f.dat" && cp "$T/safe/Forest.exe" "$T/old.exe"
  big=(--title Forest --store --scr "$T/f.scr" --dat "$T/f.dat" --file "$T/big.bin")
  kept() {  # DIR: the old installer alone, byte for byte
    [ "$(ls -A "$1")" = Forest.exe ] && cmp -s "$1/Forest.exe" "$T/old.exe" && pass=$((pass + 1)) ||
      { failed=$((failed + 1)); echo "FAIL: $1 after a failed rebuild: $(ls -A "$1")"; }
  }
  expect 1 "Forest.exe: File too large" bash -c 'ulimit -f 100; exec "$0" "$@"' "$SSINST" build -o "$T/safe/Forest.exe" "${big[@]}"
  kept "$T/safe"
  if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=64k tmpfs "$T/full" 2>/dev/null; then
    cp "$T/old.exe" "$T/full/Forest.exe"
    expect 1 "Forest.exe: No space left on device" "$SSINST" build -o "$T/full/Forest.exe" "${big[@]}"
    kept "$T/full"
    umount "$T/full"
  else
    echo "note: the full file system is tried only as root"
  fi
  ln -s /dev/full "$T/full.exe"
  expect 1 "full.exe: is a device, not a file: refused" "$SSINST" build -o "$T/full.exe" "${big[@]}"
  expect 1 "folder.exe: is a folder, not a file: refused" "$SSINST" build -o "$T/folder.exe" "${big[@]}"
  [ -c /dev/full ] && [ -d "$T/folder.exe" ] && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: a refused target was touched"; }

  # Progress: a line on a terminal for inputs of more than a few MB, nothing
  # when standard error is not one (script(1) gives the terminal).
  for i in $(seq 300000); do echo "forest line $((i % 13))"; done > "$T/big.scr"
  "$SSINST" build -o "$T/big.exe" --title Big --scr "$T/big.scr" --dat "$T/f.dat" 2>"$T/err"
  ! grep -q "packed" "$T/err" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: progress without a terminal: $(cat "$T/err")"; }
  if script -qec true /dev/null >/dev/null 2>&1; then
    n=$(stat -c %s "$T/big.scr"); n=$((n + 4))
    expect 0 "packed $n of $n bytes (100%)" script -qec "'$SSINST' build -o '$T/big2.exe' --title Big --scr '$T/big.scr' --dat '$T/f.dat'" /dev/null
    expect 0 "written $n of $n bytes (100%)" script -qec "'$SSINST' extract '$T/big.exe' -C '$T/bigout'" /dev/null
    cmp -s "$T/big.exe" "$T/big2.exe" && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: the same inputs gave another installer"; }
  fi

  # What will keep the screen saver from running, told before publishing:
  # warnings, which --strict (or strict = yes) makes failures.
  mkdir -p "$T/check"
  "$MAKE_PROGRAM" "$T/check/sound.scr" --import KERNEL32.dll --import USER32.dll --import OPENGL32.dll --name "Forest Lights"
  "$MAKE_PROGRAM" "$T/check/crt.scr" --import KERNEL32.dll --import MSVCR120.dll
  "$MAKE_PROGRAM" "$T/check/x64.scr" --x64 --import KERNEL32.dll
  "$MAKE_PROGRAM" "$T/check/lib.dll" --dll --import KERNEL32.dll
  common=(--stub "$STUB" --title Forest --dat "$T/f.dat")
  out=$("$SSINST" build -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/sound.scr" 2>&1) && [ -z "$out" ] &&
    pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: a sound program: $out"; }
  expect 0 'program: listed as "Forest Lights"; i386 GUI program; needs KERNEL32.dll, USER32.dll, OPENGL32.dll$' \
    "$SSINST" list "$T/check/Forest.exe"
  expect 0 'program: listed as "Forest Lights"' "$SSINST" verify "$T/check/Forest.exe"
  expect 0 "warning: FOREST.SCR needs MSVCR120.dll, which Windows does not include (it comes with the Visual C++ 2013 Redistributable)" \
    "$SSINST" build -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/crt.scr"
  expect 0 "program: FOREST.SCR needs MSVCR120.dll" "$SSINST" list "$T/check/Forest.exe"
  expect 0 "warning: FOREST.SCR is no Windows program" "$SSINST" build -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/f.scr"
  expect 0 "warning: FOREST.SCR is a 64-bit (x64) program: 32-bit Windows can't run it" \
    "$SSINST" build -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/x64.scr"
  expect 0 'warning: .*lib.dll: a library among the further files is installed as QUORBEL.SSAVERS.Forest.FILE0002.dll' \
    "$SSINST" build -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/sound.scr" --file "$T/check/lib.dll"
  rm -f "$T/check/Forest.exe"
  expect 1 "Forest.exe: not built: the project is strict, and its build has 1 warning" \
    "$SSINST" build --strict -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/crt.scr"
  [ ! -e "$T/check/Forest.exe" ] && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: a strict build wrote"; }
  expect 0 "" "$SSINST" build --strict -o "$T/check/Forest.exe" "${common[@]}" --scr "$T/check/sound.scr"
  expect 0 "" "$SSINST" project "$T/check/Strict.ssproj" --strict -o "$T/check/Strict.exe" --title Forest \
    --scr "$T/check/x64.scr" --dat "$T/f.dat"
  expect 0 "^strict = yes$" cat "$T/check/Strict.ssproj"
  expect 1 "not built: the project is strict" "$SSINST" build --project "$T/check/Strict.ssproj" --stub "$STUB"
fi
# Each command's usage: its help on standard output (exit 0) however asked,
# a usage error in one line that says where the help is (exit 2), options
# with '=' and '--', and a failed write to standard output (exit 1).
#   command | what it lacks, as said
while IFS='|' read -r cmd lacks; do
  for ask in "$cmd --help" "$cmd -h" "help $cmd" "$cmd --title=x --help"; do
    out=$("$SSINST" $ask 2>&1); rc=$?
    [ "$rc" = 0 ] && head -1 <<<"$out" | grep -q "^usage: ssinst $cmd " && pass=$((pass + 1)) ||
      { failed=$((failed + 1)); echo "FAIL: ssinst $ask -> exit $rc: $out"; }
  done
  for wrong in "" "--x=y" "-q"; do
    [ "$cmd" = help ] && [ -z "$wrong" ] && continue
    err=$("$SSINST" $cmd $wrong 2>&1 >/dev/null); rc=$?
    want="$lacks"; [ -n "$wrong" ] && want="unknown option ${wrong%%=*}"
    [ "$rc" = 2 ] && [ "$err" = "ssinst: $cmd: $want; see ssinst $cmd --help" ] && pass=$((pass + 1)) ||
      { failed=$((failed + 1)); echo "FAIL: ssinst $cmd $wrong -> exit $rc: $err (wanted: $want)"; }
  done
  err=$("$SSINST" $cmd --help 2>&1 >/dev/full); rc=$?
  [ "$rc" = 1 ] && grep -q "^ssinst: standard output: No space left on device$" <<<"$err" && pass=$((pass + 1)) ||
    { failed=$((failed + 1)); echo "FAIL: ssinst $cmd --help >/dev/full -> exit $rc: $err"; }
done <<'EOF2'
build|no title, program (.SCR), main data file (.DAT), output installer named (-o, --title, --scr, --dat, or a --project)
project|it takes a project file
list|it takes one installer
extract|it takes one installer and -C DIR
verify|it takes one installer
check-stub|it takes one stub
fix-stub|it takes one input and -o OUT
help|
EOF2
expect 0 "^commands:" "$SSINST" help
expect 2 "^ssinst: unknown command frob; see ssinst --help$" "$SSINST" frob
expect 2 "^ssinst: build: --title needs a value; see ssinst build --help$" "$SSINST" build --title
expect 2 "^ssinst: build: -o needs a value; see ssinst build --help$" "$SSINST" build -o --title x
expect 2 "^ssinst: build: --store takes no value; see ssinst build --help$" "$SSINST" build --store=yes
expect 1 "^ssinst: -odd.exe: No such file" "$SSINST" list -- -odd.exe
"$SSINST" list "$T/nothere.exe" >/dev/full 2>/dev/null; [ $? = 1 ] && pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: list >/dev/full"; }
# Every option of build is in its help.
for o in -o --title --scr --dat --file --base --pack --store --strict --stub --project; do
  expect 0 "^  $o " "$SSINST" build --help
done
# The shared rules, before anything is built: every problem, one line each.
out=$("$SSINST" build -o "$T/nowhere/Forest.txt" --title=123456789012345678901234567890123 --scr "$T/gone.scr" --dat "$T/f.dat" 2>&1); rc=$?
[ "$rc" = 1 ] && [ "$(wc -l <<<"$out")" = 3 ] && grep -q "the title is 33 characters" <<<"$out" &&
  grep -q "Forest.txt: an installer's name ends in .exe" <<<"$out" && grep -q "gone.scr: No such file" <<<"$out" &&
  pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: the shared rules -> exit $rc: $out"; }
expect 0 "warning: the title is empty" "$SSINST" build -o "$T/untitled.exe" --title= --scr "$T/f.scr" --dat "$T/f.dat"
expect 1 "nowhere/Forest.exe: its folder .*nowhere is not there" "$SSINST" build -o "$T/nowhere/Forest.exe" --title=T --scr "$T/f.scr" --dat "$T/f.dat"
expect 2 "^ssinst: build: -o needs a value; see ssinst build --help$" "$SSINST" build -o --title=Forest --scr a --dat b
expect 2 "^ssinst: build: --title needs a value; see ssinst build --help$" "$SSINST" build --title -- x
# What a file holds reaches the terminal printable: a resource type named
# with an escape, a project's path with a turn of direction.
if [ -f "$STUB" ]; then
  cp "$STUB" "$T/escape.exe"
  at=$(grep -obUaP 'L\x00A\x00S\x00T\x00R\x00E\x00S\x00' "$T/escape.exe" | head -1 | cut -d: -f1)
  printf '\x1b' | dd of="$T/escape.exe" bs=1 seek="$at" conv=notrunc status=none
  for cmd in list verify check-stub; do
    out=$("$SSINST" $cmd "$T/escape.exe" 2>&1)
    grep -q $'\x1b' <<<"$out" && { failed=$((failed + 1)); echo "FAIL: $cmd printed an escape: $out"; } || pass=$((pass + 1))
  done
fi
printf 'title = T\nprogram = \xe2\x80\xaeevil\xc2\x9b31m.scr\ndata = f.dat\noutput = x.exe\n' > "$T/turn.ssproj"
expect 1 '/\\xE2\\x80\\xAEevil\\xC2\\x9B31m.scr: No such file' "$SSINST" build --project "$T/turn.ssproj"
# project never takes a flag for its file, and keeps a project that is there.
(cd "$T" && expect 0 "^usage: ssinst project" "$SSINST" project --help && [ ! -e "$T/--help" ]) ||
  { failed=$((failed + 1)); echo "FAIL: project --help wrote a file"; }
printf 'title = Kept\n' > "$T/kept.ssproj"
expect 1 "kept.ssproj: there is a file of that name already; --force replaces it" "$SSINST" project "$T/kept.ssproj" --title X
expect 0 "^title = Kept$" cat "$T/kept.ssproj"
expect 0 "" "$SSINST" project "$T/kept.ssproj" --force --title=X
expect 0 "^title = X$" cat "$T/kept.ssproj"
# Files that are no installer: one line, exit 1, no entries.
printf 'BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00' > "$T/picture.bmp"
"$MAKE_PROGRAM" "$T/program.exe" --import KERNEL32.dll
"$MAKE_PROGRAM" "$T/library.dll" --dll --import KERNEL32.dll
others=("$T/picture.bmp" "$T/program.exe" "$T/library.dll")
for clock in /usr/lib/i386-linux-gnu/wine/i386-windows/clock.exe /usr/lib/wine/i386-windows/clock.exe; do
  [ -f "$clock" ] && others+=("$clock") && break
done
for other in "${others[@]}"; do
  for cmd in list verify; do
    out=$("$SSINST" $cmd "$other" 2>/dev/null); err=$("$SSINST" $cmd "$other" 2>&1 >/dev/null); rc=$?
    [ "$rc" = 1 ] && [ -z "$out" ] && [ "$(wc -l <<<"$err")" = 1 ] && grep -q ": not an installer: " <<<"$err" &&
      pass=$((pass + 1)) || { failed=$((failed + 1)); echo "FAIL: $cmd $other -> exit $rc: $out$err"; }
  done
done
expect 1 "library.dll: not an installer: a Windows library (DLL)" "$SSINST" verify "$T/library.dll"
# README gives every help as the program prints it.
README=$(dirname "$0")/../README.md
for ask in "" build project list extract verify check-stub fix-stub help; do
  marker="<!-- ssinst ${ask:+$ask }--help -->"
  awk -v m="$marker" '$0 == m {on = 1; next} on && /^```text$/ {next} on && /^```$/ {exit} on {print}' "$README" >"$T/readme.help"
  if "$SSINST" $ask --help | cmp -s - "$T/readme.help"; then pass=$((pass + 1)); else
    failed=$((failed + 1)); echo "FAIL: README's $marker differs from the program's:"; "$SSINST" $ask --help | diff "$T/readme.help" - | head -5
  fi
done
expect 1 "f.dat: not an executable" "$SSINST" check-stub "$T/f.dat"
expect 1 "nothere.exe: No such file" "$SSINST" list "$T/nothere.exe"

echo "cli: $pass passed, $failed failed"
[ "$failed" = 0 ]
