#!/bin/bash
# The fuzz targets (libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer), built with clang in build/fuzz:
#   scripts/fuzz.sh          each target for a short fixed number of runs
#                            from the seed corpus (the test command does this)
#   scripts/fuzz.sh 3600     each target for that many seconds, all at once,
#                            keeping what they find in build/fuzz/corpus/
# A target that finds a fault stops, and its input is left as
# build/fuzz/crash-* (run the target on that file to see it again).
set -eu
cd "$(dirname "$0")/.."
SSINST_SETUP=packages bash scripts/setup.sh
SECONDS_EACH=${1:-}
RUNS=${FUZZ_RUNS:-2000}
BUILD=${FUZZ_BUILD_DIR:-build/fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)" >/dev/null

TARGETS="install_fuzz removal_fuzz switches_fuzz tool_fuzz project_fuzz decoder_fuzz decoder_small_fuzz"
SEEDS=tests/fuzz/seeds
seeds_of() {
  case $1 in
    install_fuzz) echo "$SEEDS/install" ;;
    removal_fuzz) echo "$SEEDS/removal" ;;
    switches_fuzz) echo "$SEEDS/switches" ;;
    tool_fuzz) echo "$SEEDS/install $SEEDS/tool" ;;
    project_fuzz) echo "$SEEDS/project" ;;
    *) echo "$SEEDS/decoder" ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
SRC=$PWD
cd "$BUILD"
status=0
pids=()
for t in $TARGETS; do
  corpus=corpus/$t
  mkdir -p "$corpus"
  # shellcheck disable=SC2046
  if [ -z "$SECONDS_EACH" ]; then
    # The seeds and a fixed number of runs from them, with a fixed seed.
    # libFuzzer keeps what it finds in the first folder given: a fresh one
    # here, never the checked-in seeds.
    rm -rf "corpus-short/$t" && mkdir -p "corpus-short/$t"
    # The uninstaller's and the switches' targets install in each run: a
    # quarter as many.
    runs=$RUNS
    [ $t = removal_fuzz ] || [ $t = switches_fuzz ] && runs=$((RUNS / 4))
    if ./tests/fuzz/$t -seed=1 -runs="$runs" -max_len=65536 "corpus-short/$t" \
        $(for d in $(seeds_of $t); do echo "$SRC/$d"; done) \
        >"$t.log" 2>&1; then
      echo "fuzz $t: $(grep -o 'Done [0-9]* runs' "$t.log")"
    else
      echo "fuzz $t: FAILED ($BUILD/$t.log)"; tail -30 "$t.log"; status=1
    fi
  else
    ./tests/fuzz/$t -max_total_time="$SECONDS_EACH" -max_len=65536 -print_final_stats=1 "$corpus" \
      $(for d in $(seeds_of $t); do echo "$SRC/$d"; done) >"$t.log" 2>&1 &
    pids+=($!)
  fi
done
if [ -n "$SECONDS_EACH" ]; then
  for i in "${!pids[@]}"; do wait "${pids[$i]}" || status=1; done
  for t in $TARGETS; do
    echo "fuzz $t: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$t.log" || echo 'stopped: see '"$BUILD/$t.log"),"\
         "corpus $(ls corpus/$t | wc -l) inputs"
  done
fi
exit $status
