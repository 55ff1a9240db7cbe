#!/usr/bin/env bash
# Times primepack on the list of primes below LIMIT (default 1e9) against a
# copy of the list, the plain fscanf/fprintf coder of the same rules, zstd -1
# and gzip -1 and their decompression, and on two more lists beside the ones
# they compare with: 19-digit primes (from 10^18, about as many bytes as the
# list below LIMIT/5), the primes below LIMIT/10 with CR LF line ends
# and with LF, and the list compressed as it streams through standard input
# from cat (/dev/stdin), against cat into dd of=/dev/null. Prints one table. Where Wine and mingw-w64 are at hand, a
# second table times the Windows build under Wine against a binary copy
# built by the same toolchain (bench/binary_copy.cc): best of at least 5
# interleaved rounds, less Wine's start-up (the copy of an empty file).
#
#   bench/compare.sh [LIMIT] [ROUNDS]
#
# The copy is `dd bs=256K`: it reads every byte into its own memory and
# writes it out again, the least any converter must do. `cat` is shown for
# reference only: it may copy inside the kernel without reading a byte.
# The commands run round-robin, ROUNDS times (default 5), so that a slow
# spell of the machine falls on all of them alike; the table shows medians.
# Work files go to $BENCH_DIR, by default a new folder in /dev/shm (in RAM)
# where there is one, else in the temporary folder; the table says which.
# Bar charts of the throughputs, speed.svg and its Czech twin speed.cs.svg,
# are drawn there too, from the same data.
set -euo pipefail

limit=${1:-1e9}
rounds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${BENCH_DIR:-}" ]; then
  work=$BENCH_DIR
elif [ -d /dev/shm ]; then
  work=$(mktemp -d /dev/shm/primepack-bench.XXXXXX)
else
  work=$(mktemp -d)
fi
mkdir -p "$work"
where=$(df --output=fstype "$work" | tail -n 1)
cores=$(nproc) model=$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -n 1)

# What it needs, as Debian's packages name them; it installs nothing itself.
missing=()
for need in primesieve:primesieve hyperfine:hyperfine zstd:zstd gzip:gzip python3:python3 gnuplot:gnuplot-nox \
            /usr/bin/time:time cmake:cmake; do
  command -v "${need%%:*}" > /dev/null || missing+=("${need#*:}")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "bench/compare.sh needs these Debian packages: ${missing[*]}" >&2
  echo "install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi

# PRIMEPACK_KERNEL_CAP=NAME times whole runs with the choice capped at that
# kernel (avx2, sse2, none), to set a kernel against the one below it.
cap=${PRIMEPACK_KERNEL_CAP:-}
build="$root/build/bench${cap:+-$cap}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPRIMEPACK_BENCH=ON -DBUILD_TESTING=OFF \
  -DPRIMEPACK_KERNEL_CAP="$cap" > /dev/null
cmake --build "$build" --target primepack plain_reference -j 2 > /dev/null
# The kernels one by one, where Google Benchmark (libbenchmark-dev) is at hand.
kernels="$build/bench/suffix_list_bench"
cmake --build "$build" --target suffix_list_bench -j 2 > /dev/null 2>&1 || kernels=
primepack="$build/primepack"
plain="$build/bench/plain_reference"
# The kernel that the whole runs get on this processor (the benchmark
# program chooses as the tool does).
kernel=unknown
[ -z "$kernels" ] || kernel=$("$kernels" --benchmark_filter=BM_Decompress/none --benchmark_min_time=0.01 2>&1 |
  sed -n 's/^kernel chosen: *//p')

cd "$work"
tenth=$(python3 -c "print(int(float('$limit')) // 10)")
primesieve "$limit" -p > primes.txt
primesieve 1e18 "$(python3 -c "print(10**18 + int(float('$limit')) // 5)")" -p > nineteen.txt
primesieve "$tenth" -p > lf.txt
sed 's/$/\r/' lf.txt > crlf.txt
for list in primes nineteen lf crlf; do
  printf 'k %s.txt %s-packed.txt\n' "$list" "$list" > "$list.answers"
done
printf 'd primes-packed.txt restored.txt\n' > restore.answers
"$primepack" < primes.answers > /dev/null
zstd -1 -q -f primes.txt -o primes.zst
gzip -1 -c primes.txt > primes.gz

# The commands, each with the list it reads and the file it writes.
names=(copy-dd copy-cat primepack-compress primepack-decompress plain-compress plain-decompress zstd-1 gzip-1
       zstd-decompress gzip-decompress compress-19-digits compress-lf compress-crlf pipe-cat-dd compress-streamed)
commands=(
  "dd if=primes.txt of=copy.txt bs=256K status=none"
  "cat primes.txt > cat.txt"
  "$primepack < primes.answers > /dev/null"
  "$primepack < restore.answers > /dev/null"
  "$plain k primes.txt plain-packed.txt"
  "$plain d plain-packed.txt plain-restored.txt"
  "zstd -1 -q -f primes.txt -o primes.zst"
  "gzip -1 -c primes.txt > primes.gz"
  "zstd -d -q -f primes.zst -o zstd-restored.txt"
  "gzip -d -c primes.gz > gzip-restored.txt"
  "$primepack < nineteen.answers > /dev/null"
  "$primepack < lf.answers > /dev/null"
  "$primepack < crlf.answers > /dev/null"
  "cat primes.txt | dd of=/dev/null bs=256K status=none"
  "{ printf 'k /dev/stdin streamed-packed.txt\n'; cat primes.txt; } | $primepack > /dev/null"
)
# (A pipe into dd writes no file: its output is - and its size its input's.)
inputs=(primes.txt primes.txt primes.txt primes-packed.txt primes.txt plain-packed.txt primes.txt primes.txt
        primes.zst primes.gz nineteen.txt lf.txt crlf.txt primes.txt primes.txt)
outputs=(copy.txt cat.txt primes-packed.txt restored.txt plain-packed.txt plain-restored.txt primes.zst primes.gz
         zstd-restored.txt gzip-restored.txt nineteen-packed.txt lf-packed.txt crlf-packed.txt - streamed-packed.txt)

# Each command writes a new file, as a first run would: its output is
# removed before it runs. Freeing an old output is the system's work, not
# the converter's, and where the memory is busy it made every writer's
# timings swing by a factor of three.
args=() prepares=()
for i in "${!names[@]}"; do
  args+=(-n "${names[$i]}" "${commands[$i]}")
  prepares+=(--prepare "rm -f ${outputs[$i]/#-/none}")
done
for round in $(seq "$rounds"); do
  hyperfine --runs 1 --style none --export-json "round-$round.json" "${prepares[@]}" "${args[@]}" \
    > /dev/null 2>> hyperfine.log
done

: > memory.txt
for i in "${!names[@]}"; do
  /usr/bin/time -f "${names[$i]} %M" -a -o memory.txt sh -c "${commands[$i]}"
done

# The Windows build under Wine. Messages go to a file: under Wine, each
# flushed write to /dev/null costs a round trip to its server.
windows_rounds=0
if command -v wine > /dev/null && command -v x86_64-w64-mingw32-g++-posix > /dev/null; then
  windows_rounds=$((rounds > 5 ? rounds : 5))
  windows="$root/build/bench-windows"
  cmake -S "$root" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPRIMEPACK_BENCH=ON -DBUILD_TESTING=OFF > /dev/null
  cmake --build "$windows" --target primepack binary_copy -j 2 > /dev/null
  export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  : > empty.txt
  wine "$windows/bench/binary_copy.exe" empty.txt empty-copy.txt > /dev/null 2>&1  # makes the prefix
  printf 'k primes.txt windows-packed.txt\n' > windows-compress.answers
  printf 'd windows-packed.txt windows-restored.txt\n' > windows-restore.answers
  windows_args=(-n windows-start-up "wine $windows/bench/binary_copy.exe empty.txt empty-copy.txt"
                -n windows-copy "wine $windows/bench/binary_copy.exe primes.txt windows-copy.txt"
                -n windows-compress "wine $windows/primepack.exe < windows-compress.answers > windows.printed"
                -n windows-decompress "wine $windows/primepack.exe < windows-restore.answers > windows.printed")
  windows_prepares=(--prepare "rm -f empty-copy.txt" --prepare "rm -f windows-copy.txt"
                    --prepare "rm -f windows-packed.txt" --prepare "rm -f windows-restored.txt")
  for round in $(seq "$windows_rounds"); do
    hyperfine --runs 1 --style none --export-json "windows-round-$round.json" "${windows_prepares[@]}" \
      "${windows_args[@]}" > /dev/null 2>> hyperfine.log
  done
  # Byte for byte the Linux build's files, with CR LF line ends.
  sed 's/$/\r/' primes-packed.txt | cmp - windows-packed.txt
  sed 's/$/\r/' primes.txt | cmp - windows-restored.txt
  sizes_windows=("windows-copy=$(stat -c %s primes.txt):$(stat -c %s windows-copy.txt)"
                 "windows-compress=$(stat -c %s primes.txt):$(stat -c %s windows-packed.txt)"
                 "windows-decompress=$(stat -c %s windows-packed.txt):$(stat -c %s windows-restored.txt)")
fi

# The outputs must be the plain coder's, byte for byte, and restore the list;
# the CR LF list must code as the LF one.
cmp primes-packed.txt plain-packed.txt
cmp restored.txt primes.txt
cmp plain-restored.txt primes.txt
cmp crlf-packed.txt lf-packed.txt
cmp streamed-packed.txt primes-packed.txt
cmp zstd-restored.txt primes.txt
cmp gzip-restored.txt primes.txt

sizes=()
for i in "${!names[@]}"; do
  output=${outputs[$i]/#-/${inputs[$i]}}
  sizes+=("${names[$i]}=$(stat -c %s "${inputs[$i]}"):$(stat -c %s "$output")")
done

python3 - "$limit" "$rounds" "$windows_rounds" "$where" "$work" "$kernel" "$cores" "$model" "${sizes[@]}" \
  ${sizes_windows[@]+"${sizes_windows[@]}"} <<'PY'
import json, statistics, sys
limit, rounds, windows_rounds, where, work, kernel, cores, model = sys.argv[1:9]
rounds, windows_rounds = int(rounds), int(windows_rounds)
sizes = {name: tuple(map(int, io.split(":"))) for name, io in (arg.split("=") for arg in sys.argv[9:])}

def samples(prefix, count, key="times"):
    times = {}
    for r in range(1, count + 1):
        for result in json.load(open(f"{work}/{prefix}{r}.json"))["results"]:
            value = result[key][0] if key == "times" else result[key]
            times.setdefault(result["command"], []).append(value)
    return times

mib = 1024 * 1024

# Every speed is of the plain list that a command goes through, the larger
# of its input and its output: compression reads it, decompression writes
# it. One unit for both directions, in the tables and the charts.
def plain_speed(name, seconds):
    return max(sizes[name]) / mib / seconds

def table(columns, rows):
    """A markdown table: each row a name, its seconds, its ratio, then `columns`' values."""
    print("| command | MiB read | seconds | " + " | ".join(columns) + " | output / input |")
    print("|---|" + "---:|" * (len(columns) + 3))
    for name, seconds, ratio, *values in rows:
        read, written = sizes[name]
        print(f"| {name} | {read / mib:.1f} | {seconds:.3f} | {ratio:.2f} | " + " | ".join(values) +
              f"{' | ' if values else ''}{written / read:.1%} |")

times = samples("round-", rounds)
memory = dict(line.split() for line in open(f"{work}/memory.txt"))
median = {name: statistics.median(runs) for name, runs in times.items()}
user = {name: statistics.median(runs) for name, runs in samples("round-", rounds, "user").items()}
system = {name: statistics.median(runs) for name, runs in samples("round-", rounds, "system").items()}
copy = median["copy-dd"]
print(f"primes below {limit}: {sizes['copy-dd'][0] / mib:.1f} MiB of text; files on {where} ({work}); "
      f"medians of {rounds} interleaved rounds; primepack's kernel: {kernel}")
print()
table(["x copy (dd)", "user s", "system s", "plain list MiB/s", "peak memory MiB"],
      [(name, seconds, seconds / copy, f"{user[name]:.3f}", f"{system[name]:.3f}", f"{plain_speed(name, seconds):.0f}",
        f"{int(memory[name]) / 1024:.1f}") for name, seconds in median.items()])
per_byte = lambda name: median[name] / sizes[name][0]
print()
print(f"19-digit list: {per_byte('compress-19-digits') / per_byte('primepack-compress'):.2f} x the time per byte "
      f"of the list below {limit}")
print(f"CR LF list: {median['compress-crlf'] / median['compress-lf']:.2f} x the time of the same list with LF")
print(f"compressed from a pipe (/dev/stdin, fed by cat): {median['compress-streamed'] / median['pipe-cat-dd']:.2f} x "
      f"cat into dd of=/dev/null, {median['compress-streamed'] / median['primepack-compress']:.2f} x from the file")

# The charts, in English and in Czech: the same bars, the plain list's
# MiB per second. (A no-break space after the exponent: a plain one at the
# start of the text that follows it is dropped by SVG renderers.)
bars = [("copy (dd bs=256K)", "kopie (dd bs=256K)", "copy-dd"),
        ("primepack compress", "primepack komprese", "primepack-compress"),
        ("primepack decompress", "primepack dekomprese", "primepack-decompress"),
        ("zstd -1", "zstd -1", "zstd-1"), ("zstd -d", "zstd -d", "zstd-decompress"),
        ("gzip -1", "gzip -1", "gzip-1"), ("gzip -d", "gzip -d", "gzip-decompress")]
plain = sizes["copy-dd"][0] / mib
power = "10^{" + limit[2:] + "}" if limit.startswith("1e") else limit
texts = {
    "en": (f"Primes below {power}\u00a0({plain:.0f} MiB of text), files in RAM ({where})\\n"
           f"{cores}-core {model}, primepack's kernel {kernel}",
           "MiB of the plain list per second (a longer bar is faster)"),
    "cs": (f"Prvočísla pod {power}\u00a0({plain:.0f} MiB textu), soubory v paměti ({where})\\n"
           f"{cores}jádrový {model}, jádro nástroje primepack: {kernel}",
           "MiB prostého seznamu za sekundu (delší pruh = rychlejší)"),
}
for language, (title, axis) in texts.items():
    with open(f"{work}/speed.{language}.dat", "w") as data:
        for english, czech, name in bars:
            label = english if language == "en" else czech
            data.write(f'"{label}" {plain_speed(name, median[name]):.0f}\n')
    with open(f"{work}/speed.{language}.title", "w") as out:
        out.write(title)
    with open(f"{work}/speed.{language}.axis", "w") as out:
        out.write(axis)
if windows_rounds:
    best = {name: min(runs) for name, runs in samples("windows-round-", windows_rounds).items()}
    start_up = best.pop("windows-start-up")
    copy = best["windows-copy"] - start_up
    print()
    print(f"Windows build under Wine, best of {windows_rounds} interleaved rounds less Wine's start-up "
          f"({start_up:.3f} s)")
    print()
    table(["x binary copy"], [(name, seconds - start_up, (seconds - start_up) / copy) for name, seconds in best.items()])
PY

for language in en cs; do
  chart=$work/speed.svg
  [ "$language" = en ] || chart=$work/speed.$language.svg
  # From the work folder, by the data file's bare name: gnuplot writes its
  # plot command into the picture, and the chart carries no path of the
  # machine that drew it.
  (cd "$work" && gnuplot) <<GNUPLOT
set terminal svg size 720,350 dynamic font "sans,13" background rgb "white"
set encoding utf8
set output "$chart"
set title "$(cat "$work/speed.$language.title")" font "sans,12"
stats "speed.$language.dat" using 2 nooutput
set xrange [0:STATS_max * 1.15]
set yrange [STATS_records - 0.4:-0.6]
set xlabel "$(cat "$work/speed.$language.axis")"
set grid xtics
unset key
plot "speed.$language.dat" using (0):0:(0):2:(\$0 - 0.3):(\$0 + 0.3):ytic(1) with boxxyerror \
       fill solid 0.8 border lc rgb "black" lc rgb "#3a6ea5", \
     '' using 2:0:(sprintf(" %d", \$2)) with labels left
GNUPLOT
done
echo
echo "charts: $work/speed.svg, $work/speed.cs.svg"

if [ -n "$kernels" ]; then
  echo
  echo "Each run's steps alone on 2^20 nine-digit primes in memory, with each kernel this processor runs"
  echo "(medians of $rounds; BM_Compress/none is numbers one at a time, the General ones the general steps alone):"
  "$kernels" --benchmark_repetitions="$rounds" --benchmark_report_aggregates_only=true 2>&1 |
    grep -E '^kernel chosen|^BM' | grep -vE '_(mean|stddev|cv) ' | sed 's/_median / /'
fi
