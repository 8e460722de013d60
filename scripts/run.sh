#!/bin/bash
# The main job: installs what is missing, builds everything, authors a
# sample installer (Forest.exe) and runs it under Wine in a throwaway
# prefix. With a display the dialogs are yours to answer; without one the
# run happens on a virtual display, the dialogs are answered by program and
# a screenshot of each is saved.
set -eu
cd "$(dirname "$0")/.."
. scripts/setup.sh

BUILD=${BUILD_DIR:-build/release}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
B=$(cd "$BUILD" && pwd)
"$B/ssinst" check-stub "$B/ssstub.exe"
echo "stub: $(stat -c %s "$B/ssstub.exe") bytes"

# The sample: the stand-in screen saver, a data file and two extra files.
S=$B/sample
rm -rf "$S" && mkdir -p "$S"
printf 'Forest sample data\r\n' > "$S/forest.dat"
printf 'Read me: the forest at night.\r\n' > "$S/readme.txt"
"$B/ssinst" build -o "$S/Forest.exe" --title Forest \
  --scr "$B/windows/testscr.scr" --dat "$S/forest.dat" \
  --file "$S/readme.txt" --file "$B/installer.ico"
"$B/ssinst" list "$S/Forest.exe"

exec bash scripts/run_sample.sh "$B" "$S/Forest.exe"
