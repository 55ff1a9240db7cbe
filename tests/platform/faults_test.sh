#!/usr/bin/env bash
# Every call that a run makes on its two files, made to fail in turn: one
# traced run of each kind lists the calls on the file, then each of them
# gets each error of its row, one fault per run (strace injects it). A hard
# error must fail cleanly: the error message on a line of its own after the
# dots, exit 1, no output file, the input unchanged, nothing on standard
# error. An interrupted read or write (EINTR) must not show: success and the
# same output. An interrupted close cannot be told from a failed one (the
# data may not have reached the file), so it fails cleanly too. Linux only.
#   faults_test.sh PRIMEPACK
set -uo pipefail
exe=$1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # LeakSanitizer cannot run under a tracer
cd "$(mktemp -d)" || exit 1
seq 1000000 1300000 > list.txt  # 2.3 MiB, about ten input blocks; it packs into three
printf 'k list.txt packed.txt' | "$exe" > /dev/null && cp list.txt list.kept && cp packed.txt packed.kept || exit 1
error=$'Chyba pri praci se soubory\n'
failed=0 faults=0

# The calls of NAMES (a strace syscall set) made on FILE by the run that
# ANSWERS start, as "name ordinal" lines: the ordinal counts every call of
# that name in the process, which is what strace's when= counts.
calls_on() {
  strace -qq -y -o calls.log -e trace="$2" "$exe" < <(printf %s "$3") > /dev/null 2>&1
  awk -v file="<$PWD/$1>" '{ name = substr($0, 1, index($0, "(") - 1); n[name]++ }
                           index($0, file) { print name, n[name] }' calls.log
  rm -f out.txt
}

while read -r run input file names least errors; do
  answers="$run $input out.txt"
  printf %s "$answers" | "$exe" > expected.printed && mv out.txt expected.txt || exit 1
  mapfile -t calls < <(calls_on "$file" "$names" "$answers")
  if [ "${#calls[@]}" -lt "$least" ]; then
    echo "FAILED: $run: ${#calls[@]} $names calls on $file, fewer than $least" && failed=1
  fi
  for call in "${calls[@]}"; do
    read -r name nth <<< "$call"
    for errno in $errors; do
      faults=$((faults + 1))
      strace -qq -y -o fault.log -e trace="$name" -e inject="$name:error=$errno:when=$nth" \
        "$exe" < <(printf %s "$answers") > printed 2> errors
      status=$? why=
      grep -q "<$PWD/$file>.*INJECTED" fault.log || why="the fault missed $file"
      if [ "$errno" = EINTR ] && [ "$name" != close ]; then
        [ $status = 0 ] && cmp -s printed expected.printed && cmp -s out.txt expected.txt || why+=" not invisible"
      else
        dots=$(sed -n 2p printed | tr -cd .)  # the announcement, the dots so far, the error
        { head -n 1 expected.printed && printf '%s\n%s' "$dots" "$error"; } | cmp -s - printed && [ $status = 1 ] &&
          [ ! -e out.txt ] || why+=" not a clean failure"
      fi
      [ -s errors ] && why+=" standard error: $(head -c 200 errors)"
      cmp -s list.txt list.kept && cmp -s packed.txt packed.kept || why+=" the input changed"
      [ -z "$why" ] || { echo "FAILED: $run, $name #$nth on $file, $errno (status $status):$why"; failed=1; }
      rm -f out.txt
    done
  done
done <<'CALLS'
k list.txt   list.txt   read         3 EIO EINTR
k list.txt   out.txt    write,writev 3 EIO ENOSPC EINTR
k list.txt   out.txt    close        1 EIO EINTR
d packed.txt packed.txt read         3 EIO EINTR
d packed.txt out.txt    write,writev 3 EIO ENOSPC EINTR
d packed.txt out.txt    close        1 EIO EINTR
CALLS
[ $failed = 0 ] && echo "$faults faults injected, each handled"
exit $failed
