#!/usr/bin/env bash
# Every call that a run makes on its files, made to fail in turn: one traced
# run of each kind lists the calls on a file, then each of them gets each
# error of its row, one fault per run (strace injects it). The new file
# that cannot be made (no space or inode, no right, too many open files, a
# read-only file system) must fail the run before it writes. The output is
# written as a new file in the folder of an existing out.txt (kept bytes,
# mode 0640, an extended attribute and, where setfacl is at hand, an access
# control list), named and renamed over it. A hard error must fail
# cleanly: the error message on a line of its own after the dots, exit 1,
# out.txt as it was, no new file left, the input unchanged, nothing on
# standard error. An interrupted read or write (EINTR) must not show:
# success and the same output; nor may a file system that makes no
# nameless files (EOPNOTSUPP), where the new file is made under a hidden
# name instead. An interrupted close cannot be told from a failed one (the
# data may not have reached the file), so it fails cleanly too. Linux only.
#   faults_test.sh PRIMEPACK
set -uo pipefail
exe=$1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # LeakSanitizer cannot run under a tracer
cd "$(mktemp -d)" || exit 1
seq 1000000 1300000 > list.txt  # 2.3 MiB, about ten input blocks; it packs into three
printf 'k list.txt packed.txt' | "$exe" > /dev/null && cp list.txt list.kept && cp packed.txt packed.kept ||
  { echo "FAILED: the untraced compression of list.txt (status $?)"; exit 1; }
error=$'Chyba pri praci se soubory\n'
failed=0 faults=0

# The rights out.txt has, which a replacement must keep.
rights() {
  stat -c %a:%u:%g out.txt &&
    python3 -c "import os; print(sorted((n, os.getxattr('out.txt', n)) for n in os.listxattr('out.txt')))"
}
keep_output() {
  rm -f out.txt && printf 'kept\n' > out.txt && chmod 640 out.txt &&
    python3 -c "import os; os.setxattr('out.txt', 'user.kept', b'yes')" &&
    { ! command -v setfacl > /dev/null || setfacl -m u:nobody:r out.txt; }
}
temporary() { ls -A | grep '^\.out\.txt\.'; }

# The calls of NAMES (a strace syscall set) whose traced line holds MARK, made
# by the run that ANSWERS start, as "name ordinal" lines: the ordinal counts
# every call of that name in the process, which is what strace's when= counts.
calls_on() {
  keep_output
  strace -qq -y -o calls.log -e trace="$2" "$exe" < <(printf %s "$3") > /dev/null 2>&1
  awk -v mark="$1" '{ name = substr($0, 1, index($0, "(") - 1); n[name]++ }
                    index($0, mark) { print name, n[name] }' calls.log
}

while read -r run input mark names least errors; do
  answers="$run $input out.txt"
  keep_output && kept_rights=$(rights)
  printf %s "$answers" | "$exe" > expected.printed && mv out.txt expected.txt ||
    { echo "FAILED: $run: the untraced run (status $?): $(cat expected.printed)"; exit 1; }
  [ "$(keep_output && printf %s "$answers" | "$exe" > /dev/null && rights)" = "$kept_rights" ] ||
    { echo "FAILED: $run: the replaced file's rights were not kept" && failed=1; }
  mapfile -t calls < <(calls_on "$mark" "$names" "$answers")
  # A replacement is private from the start: it takes the old file's mode
  # only once it has its other rights.
  if [ "$mark" = O_TMPFILE ] && ! grep -q 'O_TMPFILE, 0600)' calls.log; then
    echo "FAILED: $run: the new file was not made private" && failed=1
  fi
  if [ "${#calls[@]}" -lt "$least" ]; then
    echo "FAILED: $run: ${#calls[@]} $names calls on $mark, fewer than $least" && failed=1
  fi
  for call in "${calls[@]}"; do
    read -r name nth <<< "$call"
    for errno in $errors; do
      faults=$((faults + 1))
      keep_output
      strace -qq -y -o fault.log -e trace="$name" -e inject="$name:error=$errno:when=$nth" \
        "$exe" < <(printf %s "$answers") > printed 2> errors
      status=$? why=
      grep -F "$mark" fault.log | grep -q INJECTED || why="the fault missed $mark"
      if { [ "$errno" = EINTR ] && [ "$name" != close ]; } || [ "$errno" = EOPNOTSUPP ]; then
        [ $status = 0 ] && cmp -s printed expected.printed && cmp -s out.txt expected.txt || why+=" not invisible"
      else
        # The announcement, the dots so far and the error; or, when the output
        # could not be opened, the error after the prompts.
        dots=$(sed -n 2p printed | tr -cd .)
        { head -n 1 expected.printed && printf '%s\n%s' "$dots" "$error"; } | cmp -s - printed ||
          { head -n 1 expected.printed | sed -E 's/(Komprimuji|Dekomprimuji) .*//' | tr -d '\n' && printf %s "$error"; } |
          cmp -s - printed || why+=" not a clean failure"
        [ $status = 1 ] && [ "$(< out.txt)" = kept ] || why+=" not a clean failure"
      fi
      [ "$(rights)" = "$kept_rights" ] || why+=" the output's rights changed"
      [ -z "$(temporary)" ] || why+=" a temporary file left"
      [ -s errors ] && why+=" standard error: $(head -c 200 errors)"
      cmp -s list.txt list.kept && cmp -s packed.txt packed.kept || why+=" the input changed"
      [ -z "$why" ] || { echo "FAILED: $run, $name #$nth on $mark, $errno (status $status):$why"; failed=1; }
    done
  done
done <<'CALLS'
k list.txt   /list.txt>           read           3 EIO EINTR
k list.txt   "out.txt",           openat         1 EACCES EROFS EMFILE
k list.txt   O_PATH               openat         1 EACCES EMFILE ENOMEM
k list.txt   O_TMPFILE            openat         1 ENOSPC EACCES EMFILE EROFS EOPNOTSUPP
k list.txt   /out.txt>            flistxattr     1 EIO
k list.txt   /out.txt>            fgetxattr      1 EIO
k list.txt   /#                   fsetxattr      1 EIO ENOSPC
k list.txt   /#                   fchmod         1 EIO
k list.txt   /#                   write,writev   3 EIO ENOSPC EINTR
k list.txt   /#                   fsync          1 EIO
k list.txt   /proc/self/fd        linkat         1 EIO ENOSPC EMLINK
k list.txt   /#                   close          1 EIO EINTR
k list.txt   "out.txt")           renameat       1 EIO EXDEV ENOSPC
d packed.txt /packed.txt>         read           3 EIO EINTR
d packed.txt /#                   write,writev   3 EIO ENOSPC EINTR
d packed.txt /#                   fsync          1 EIO
d packed.txt /#                   close          1 EIO EINTR
d packed.txt "out.txt")           renameat       1 EIO EXDEV ENOSPC
CALLS

# Where the file system makes no nameless files, the new file has a hidden
# name while the run writes it: every signal whose default ends the
# process (but SIGPIPE and SIGXFSZ) must remove it as it ends the run by
# that signal, and the replaced file must keep all it had. The nameless
# open fails here as on such a file system.
mapfile -t nameless < <(calls_on O_TMPFILE openat 'k list.txt out.txt')
signals=0
for signal in HUP INT QUIT TERM USR1 USR2 ALRM XCPU VTALRM PROF IO SYS PWR STKFLT TRAP RTMIN RTMIN+7 RTMAX; do
  signals=$((signals + 1))
  keep_output && rm -f slow.txt && mkfifo slow.txt
  { seq 1 3000; exec sleep 30; } > slow.txt 2> /dev/null & feeder=$!
  env --default-signal strace -qq -o /dev/null -e trace=openat \
    -e inject=openat:error=EOPNOTSUPP:when="${nameless[0]#* }" "$exe" < <(printf 'k slow.txt out.txt') \
    > printed 2> errors & tracer=$!
  # The hidden file is made before the announcement, and stays while the
  # input stalls.
  for _ in $(seq 1000); do grep -q Komprimuji printed && [ -n "$(temporary)" ] && break; sleep 0.01; done
  why=
  [ -n "$(temporary)" ] || why+=" no hidden file while the run wrote"
  kill -"$signal" "$(pgrep -P $tracer)"
  for _ in $(seq 100); do kill -0 $tracer 2> /dev/null || break; sleep 0.02; done
  kill -KILL $tracer 2> /dev/null
  wait $tracer; status=$?
  kill $feeder 2> /dev/null; wait $feeder 2> /dev/null
  [ $status = $((128 + $(kill -l "$signal"))) ] || why+=" ended with status $status"
  [ -z "$(temporary)" ] || why+=" the hidden file left"
  [ "$(< out.txt)" = kept ] && [ "$(rights)" = "$kept_rights" ] || why+=" the output changed"
  [ -z "$why" ] || { echo "FAILED: SIG$signal on the named new file:$why"; failed=1; }
done
[ $failed = 0 ] && echo "$faults faults injected and $signals signals sent, each handled"
exit $failed
