#!/bin/bash
# Runs every test: installs what is missing, builds the host side with
# AddressSanitizer and UndefinedBehaviorSanitizer and the Windows side with
# mingw-w64, then runs the unit, command-line and end-to-end (Wine) tests.
# Ends with the time each step took.
set -eu
cd "$(dirname "$0")/.."
times=()
step() { times+=("$1 $((SECONDS - ${last:-0})) s"); last=$SECONDS; }
. scripts/setup.sh
step set-up

BUILD=${BUILD_DIR:-build/test}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
step build

# One virtual display for all end-to-end cases, unless there is one.
XVFB_PID=
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi
trap '[ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null' EXIT

(cd "$BUILD" && ctest --output-on-failure -j"$(nproc)" "$@")
step tests

# The fuzz targets, each for a short fixed number of runs from its seeds.
bash scripts/fuzz.sh
step fuzz
summary=$(printf '%s, ' "${times[@]}")
echo "test.sh: ${summary%, }"
