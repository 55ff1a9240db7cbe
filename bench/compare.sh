#!/usr/bin/env bash
# Times primepack on the list of primes below LIMIT (default 1e9) against a
# plain copy of the list with cat, the plain fscanf/fprintf coder of the
# same rules, zstd -1 and gzip -1, and prints one table.
#
#   bench/compare.sh [LIMIT] [ROUNDS]
#
# The commands run round-robin, ROUNDS times (default 5), so that a slow
# spell of the machine falls on all of them alike; the table shows medians.
# Work files go to $BENCH_DIR (default: a new temporary folder).
set -euo pipefail

limit=${1:-1e9}
rounds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-$(mktemp -d)}
mkdir -p "$work"

missing=()
for tool in primesieve hyperfine zstd gzip python3; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
[ -x /usr/bin/time ] || missing+=(time)
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

build="$root/build/bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPRIMEPACK_BENCH=ON -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" --target primepack plain_reference -j 2 > /dev/null
primepack="$build/primepack"
plain="$build/bench/plain_reference"

cd "$work"
primesieve "$limit" -p > primes.txt
printf 'k primes.txt packed.txt\n' > compress.answers
printf 'd packed.txt restored.txt\n' > decompress.answers
"$primepack" < compress.answers > /dev/null
zstd -1 -q -f primes.txt -o primes.zst
gzip -1 -c primes.txt > primes.gz

# The commands, each with the file it writes.
names=(copy primepack-compress primepack-decompress plain-compress plain-decompress zstd-1 gzip-1)
commands=(
  "cat primes.txt > copy.txt"
  "$primepack < compress.answers > /dev/null"
  "$primepack < decompress.answers > /dev/null"
  "$plain k primes.txt plain-packed.txt"
  "$plain d plain-packed.txt plain-restored.txt"
  "zstd -1 -q -f primes.txt -o primes.zst"
  "gzip -1 -c primes.txt > primes.gz"
)
outputs=(copy.txt packed.txt restored.txt plain-packed.txt plain-restored.txt primes.zst primes.gz)

args=()
for i in "${!names[@]}"; do args+=(-n "${names[$i]}" "${commands[$i]}"); done
for round in $(seq "$rounds"); do
  hyperfine --runs 1 --style none --export-json "round-$round.json" "${args[@]}" > /dev/null
done

: > memory.txt
for i in "${!names[@]}"; do
  /usr/bin/time -f "${names[$i]} %M" -a -o memory.txt sh -c "${commands[$i]}"
done

# The outputs must be the plain coder's, byte for byte, and restore the list.
cmp packed.txt plain-packed.txt
cmp restored.txt primes.txt
cmp plain-restored.txt primes.txt

sizes=()
for i in "${!names[@]}"; do sizes+=("${names[$i]}=$(stat -c %s "${outputs[$i]}")"); done

python3 - "$limit" "$(stat -c %s primes.txt)" "$rounds" "${sizes[@]}" <<'PY'
import json, statistics, sys
limit, input_size, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
sizes = dict(arg.split("=") for arg in sys.argv[4:])
times = {}
for r in range(1, rounds + 1):
    for result in json.load(open(f"round-{r}.json"))["results"]:
        times.setdefault(result["command"], []).append(result["times"][0])
memory = dict(line.split() for line in open("memory.txt"))
copy = statistics.median(times["copy"])
mib = 1024 * 1024
print(f"primes below {limit}: {input_size / mib:.1f} MiB of text; medians of {rounds} interleaved rounds")
print()
print("| command | seconds | x copy | MiB/s of list | peak memory MiB | output / input |")
print("|---|---:|---:|---:|---:|---:|")
for name, samples in times.items():
    seconds = statistics.median(samples)
    print(f"| {name} | {seconds:.3f} | {seconds / copy:.2f} | {input_size / mib / seconds:.0f} "
          f"| {int(memory[name]) / 1024:.1f} | {int(sizes[name]) / input_size:.1%} |")
PY
