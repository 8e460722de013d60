#!/bin/bash
# The fault sweep's table: every use of every platform operation failed in
# turn, then a disk that fills after N bytes, over a whole run of a
# representative installer on the simulated machine; one line per case
# (what failed, how the run ended), then the count of each outcome. Exits
# non-zero when any case did not end cleanly.
set -eu
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build/test}
[ -x "$BUILD/tests/unit_tests" ] || { echo "build first: scripts/test.sh (or cmake --build $BUILD)" >&2; exit 2; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
SSINST_SWEEP_TABLE=1 "$BUILD/tests/unit_tests" --gtest_filter='*FaultSweep*' >"$out" 2>&1 || status=$?
printf '%-36s %s\n' "case" "outcome"
grep -v '^\[\|^Running main\|^Note: \|^$' "$out" | grep -v 'Failure\|Google Test trace\|sweep_test.cpp' || true
echo
rows=$(grep -E '^[A-Za-z]+ #[0-9]+ |^disk full after' "$out" || true)
echo "cases: $(wc -l <<<"$rows")"
sed 's/^.\{37\}//; s/[:(].*//; s/ *$//' <<<"$rows" | sort | uniq -c | sort -rn
[ $status = 0 ] && echo "every case ended cleanly" || { grep -A3 'Failure' "$out" | head -40; echo "UNCLEAN CASES"; }
exit $status
