#!/usr/bin/env bash
# Builds the fuzz target with clang and runs it for SECONDS (default 60),
# starting from the committed corpus. Fails on any finding. With
# PRIMEPACK_PORTABLE=ON in the environment, the portable words stand in
# for SSE2; with PRIMEPACK_WINDOWS_TEXT=ON, the runs have Windows's line
# end and Ctrl-Z rule (each in a build folder of its own).
#
#   fuzz/run.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz${PRIMEPACK_PORTABLE:+-portable-$PRIMEPACK_PORTABLE}${PRIMEPACK_WINDOWS_TEXT:+-crlf-$PRIMEPACK_WINDOWS_TEXT}"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPRIMEPACK_FUZZ=ON -DPRIMEPACK_PORTABLE="${PRIMEPACK_PORTABLE:-OFF}" \
  -DPRIMEPACK_WINDOWS_TEXT="${PRIMEPACK_WINDOWS_TEXT:-OFF}" > /dev/null
cmake --build "$build" -j 2 > /dev/null

found="$build/corpus"  # new inputs go here, the committed ones stay as they are
mkdir -p "$found"
# Inputs reach well past the longest token kept, and any large allocation
# is a finding: whatever the input, the runs keep a bounded amount.
if ! "$build/fuzz/fuzz_codec" -max_total_time="$seconds" -max_len=12000 -malloc_limit_mb=64 \
    -print_final_stats=1 -artifact_prefix="$build/" \
    "$found" "$root/fuzz/corpus/codec" > "$build/fuzz.log" 2>&1; then
  tail -n 40 "$build/fuzz.log"
  echo "fuzz_codec: FINDING (see $build/fuzz.log)"
  exit 1
fi
echo "fuzz_codec: $(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz.log") runs in ${seconds}s, no finding"
