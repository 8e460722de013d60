#!/bin/bash
# ssinst's memory: the peak resident memory of each command on 1 GiB inputs
# (a random file, which packing does not shrink, and a text, which it does),
# then list, verify and extract of a 3 GB file under a 1 GB address-space
# limit, each of which must end with exit 0 or 1, never a signal.
#   memory.sh [BUILD]   (a Release build folder; scripts/bench.sh runs it)
# Needs about 5 GB of free disk in $TMPDIR (or /tmp).
set -u
S=${1:-build/release}/ssinst
T=$(mktemp -d "${TMPDIR:-/tmp}/ssinst-memory.XXXXXX")
trap 'rm -rf "$T"' EXIT
worst=0 failed=0

# run LABEL CMD...: prints the exit status and the peak; a signal fails.
run() {
  local label=$1 rc kib; shift
  /usr/bin/time -f %M -o "$T/rss" "$@" >/dev/null 2>"$T/err"; rc=$?
  kib=$(tail -1 "$T/rss" | tr -dc 0-9)
  printf '%-44s exit %-3s peak %7s KiB  %s\n' "$label" "$rc" "${kib:-?}" "$(grep -v '^Command' "$T/err" | head -1)"
  [ "${kib:-0}" -gt "$worst" ] && worst=$kib
  [ "$rc" -le 1 ] || failed=1
}

printf 'd' >"$T/d.dat"
head -c 1G /dev/urandom >"$T/random.bin"
yes "forest night owl trees moon leaves" | head -c 1G >"$T/text.txt"
run "build, 1 GiB random (packing does not pay)" "$S" build -o "$T/Random.exe" --title R --scr "$T/random.bin" --dat "$T/d.dat"
rm -f "$T/random.bin"
run "build, 1 GiB text (packed)" "$S" build -o "$T/Text.exe" --title T --scr "$T/text.txt" --dat "$T/d.dat"
rm -f "$T/text.txt"
for i in Random Text; do
  run "list, $i.exe" "$S" list "$T/$i.exe"
  run "verify, $i.exe" "$S" verify "$T/$i.exe"
  run "check-stub, $i.exe" "$S" check-stub "$T/$i.exe"
  run "extract, $i.exe" "$S" extract "$T/$i.exe" -C "$T/out-$i"
  rm -rf "$T/out-$i"
done
echo "worst peak: $worst KiB"

# 3 GB: the random installer grown (the table still points into it), and
# zeros; both read in pieces under a limit of 1,000,000 KiB.
truncate -s 3G "$T/Random.exe" && truncate -s 3G "$T/zeros.bin"
rm -f "$T/Text.exe"
for f in Random.exe zeros.bin; do
  for c in list verify extract; do
    args=("$T/$f"); [ $c = extract ] && args+=(-C "$T/out3")
    run "$c, 3 GB $f, ulimit -v 1000000" bash -c 'ulimit -v 1000000; exec "$@"' - "$S" $c "${args[@]}"
    rm -rf "$T/out3"
  done
done
[ "$failed" = 0 ] || { echo "memory: a command ended on a signal"; exit 1; }
