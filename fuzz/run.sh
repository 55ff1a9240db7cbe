#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 60),
# starting from the committed seeds. Fails on any finding. With
# PRIMEPACK_PORTABLE=ON in the environment, the portable words stand in
# for SSE2 (in a build folder of their own).
#
#   fuzz/run.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz${PRIMEPACK_PORTABLE:+-portable-$PRIMEPACK_PORTABLE}"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPRIMEPACK_FUZZ=ON -DPRIMEPACK_PORTABLE="${PRIMEPACK_PORTABLE:-OFF}" > /dev/null
cmake --build "$build" -j 2 > /dev/null

for target in decode encode round_trip vectors; do
  found="$build/corpus/$target"  # new inputs go here, the committed seeds stay as they are
  mkdir -p "$found"
  log="$build/fuzz_$target.log"
  if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/fuzz_$target-" "$found" "$root/fuzz/corpus/$target" > "$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target: FINDING (see $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$target: $runs runs in ${seconds}s, no finding"
done
