#!/usr/bin/env bash
# End to end: the tool run in a new scratch folder for each row, with the
# row's answers as its standard input; what it prints, its status and the
# file it writes are compared byte for byte. A cross build runs under its
# emulator: Wine for Windows (primepack.exe), qemu for other processors.
# With --root-rows, only the rows that need root run (a test of its own).
#   dialogue_test.sh [--root-rows] PRIMEPACK [EMULATOR]
set -uo pipefail
root_rows=
[ "$1" = --root-rows ] && root_rows=1 && shift
exe=$1 emulator=${2:-} windows= crlf= ASAN_OPTIONS=${ASAN_OPTIONS:-}
[[ $exe == *.exe ]] && windows=1
# The build's text rules (CR LF and the Ctrl-Z rule, or LF), which a Linux
# build may have too: PRIMEPACK_LINE_END, set by the build; else Windows's.
[ "${PRIMEPACK_LINE_END:-${windows:+crlf}}" = crlf ] && crlf=1
mode='Komprimovat (k) nebo dekomprimovat (d)?: '
pack="${mode}Zadejte nazev komprimovaneho souboru: " asked='Zadejte nazev komprimovaneho souboru: '
unpack="${mode}Zadejte nazev dokomprimovaneho souboru: " out='Zadejte nazev vystupniho souboru: '
missing=$'Tento soubor neexistuje\n' error=$'Chyba pri praci se soubory\n'
list=$'2\n3\n5\n7\n11\n13\n' coded=$'2\n3\n5\n7\n11\n3\n'
six=$'\n\nDokonceno. Celkem: 6 prvocisel.\n'
run="$emulator \"\$0\" < .answers > .printed 2> .errors" failed=0
# Rows that only root can set up (another user, a mount) run only with
# --root-rows; for others they are skipped, named and counted, and the
# test reports itself skipped (77). CI, as root, skips none: there a
# skipped row fails the test. (Under Wine they do not apply.)
root= skipped=()
[ "$(id -u)" = 0 ] && root=1
needs_root() {
  [ -n "$root_rows" ] && [ -z "$windows" ] || return 1
  [ -n "$root" ] || skipped+=("$1")
  [ -n "$root" ] && ran_root_row=1
}
ran_root_row= wine_rows=

# row STATUS ANSWERS PRINTED [FILE CONTENT [HOW]]: FILE must hold CONTENT
# afterwards. Each row starts with an out.txt of its own (mode 0640, owned
# by nobody where we are root), which must keep its bytes unless it is
# FILE, and its mode and owner in any case; a new FILE gets 0666 less the umask. No temporary file
# may stay. PRINTED - is not checked. HOW runs the tool ($run, the tool
# being $0) or says how the platform intervenes (Linux only).
row() {
  # With --root-rows only the rows that needs_root let through run.
  [ -n "$root_rows" ] && [ -z "$ran_root_row" ] && return
  ran_root_row=
  [ -n "$windows" ] && [ -z "$wine_rows" ] && { [ -n "${6:-}" ] || [[ $2 == */dev/full* ]]; } && return
  # An emulator, or AddressSanitizer's shadow, needs more address space itself.
  [ -n "$emulator$ASAN_OPTIONS" ] && [[ ${6:-} == *'ulimit -v'* ]] && return
  # qemu-user cuts a guest's blocking read short at a signal that the guest
  # ignores (a FIFO then reads as ended): the kernel does not.
  [ -n "$emulator" ] && [[ ${6:-} == *'--ignore-signal'* ]] && return
  (
    cd "$(mktemp -d)" || exit 1
    printf %s "$list" > primes.txt && printf %s "$coded" > coded.txt && printf '5\n' > d && mkdir folder
    seq 1000 26000 > huge.txt && printf '2\r3\r\r\n5\r\n\r\n7 11\x1a13 17\r\n' > odd.txt && printf %s "$2" > .answers
    printf 'kept\n' > out.txt && chmod 640 out.txt && umask 002
    [ -z "$root" ] || chown 65534:65534 out.txt
    owner=$(stat -c %a:%u:%g out.txt)
    status=0 ok=1
    # A row that hangs (an open that waits for ever) fails within half a minute.
    timeout -k 5 30 bash -c "${6:-$run}" "$exe" || status=$?
    [ "$status" = "$1" ] || ok=0
    [ "$3" = - ] || native "$3" | cmp -s - .printed || ok=0
    [ ! -s .errors ] || ok=0  # nothing ever goes to standard error
    cmp -s primes.txt <(printf %s "$list") || ok=0
    [ "${4:-}" = out.txt ] || [ "$(cat out.txt)" = kept ] || ok=0
    [ -n "$windows" ] || [ "$(stat -c %a:%u:%g out.txt)" = "$owner" ] || ok=0
    if [ -n "${4:-}" ]; then
      as_written "$5" | cmp -s - "$4" || ok=0
      [ -n "$windows" ] || [ "$4" = out.txt ] || [ "$(stat -c %a "$4")" = 664 ] || ok=0
    fi
    ! ls -A | grep -qE '^\..+\.[[:alnum:]]{6}$' || ok=0  # a temporary file left
    [ $ok = 1 ] || { echo "FAILED: ${2:0:40} (status $status): $(cat .printed) $(ls -A) $(head -c 300 .errors)" && exit 1; }
  ) || failed=1
}
native() { [ -n "$windows" ] && printf %s "${1//$'\n'/$'\r\n'}" || printf %s "$1"; }  # the console's line ends
as_written() { [ -n "$crlf" ] && printf %s "${1//$'\n'/$'\r\n'}" || printf %s "$1"; }  # the lists' line ends
coded_written=$coded && [ -n "$crlf" ] && coded_written=${coded//$'\n'/$'\r\n'}  # for the rows' own checks

row 0 'k primes.txt packed.txt' "$pack$out"'Komprimuji soubor primes.txt do souboru packed.txt'"$six" packed.txt "$coded"
row 0 $'x y\nK\n\nk\nprimes.txt\npacked.txt\n' "$pack$out"'Komprimuji soubor primes.txt do souboru packed.txt'"$six" \
  packed.txt "$coded"
row 0 'd coded.txt plain.txt' "$unpack$out"'Dekomprimuji soubor coded.txt do souboru plain.txt'"$six" plain.txt "$list"
row 0 'kd out.txt' "$pack$out"$'Komprimuji soubor d do souboru out.txt\n\nDokonceno. Celkem: 1 prvocisel.\n' \
  out.txt $'5\n'  # d is read as the input name
row 0 'k my file.txt primes.txt out.txt' \
  "$pack$missing$asked$missing$asked$out"'Komprimuji soubor primes.txt do souboru out.txt'"$six" out.txt "$coded"
row 0 "k folder primes.txt ${long:=a-name-of-more-than-twenty-characters.txt}" \
  "$pack$missing$asked$out""Komprimuji soubor primes.txt do souboru $long$six" "$long" "$coded"
# Lone and doubled carriage returns are white space. With Windows's text
# rules a text ends at its first Ctrl-Z, as a text-mode read ends it;
# elsewhere Ctrl-Z is a
# character like any other, which ends a plain list but not a token.
row 0 'k odd.txt out.txt' "$pack$out"$'Komprimuji soubor odd.txt do souboru out.txt\n\nDokonceno. Celkem: 5 prvocisel.\n' \
  out.txt $'2\n3\n5\n7\n11\n'
if [ -n "$crlf" ]; then count=5 restored=$'2\n3\n5\n7\n11\n'; else count=6 restored=$'2\n3\n5\n7\n11\x1a13\n11\x1a17\n'; fi
row 0 'd odd.txt out.txt' "$unpack$out"$'Dekomprimuji soubor odd.txt do souboru out.txt\n\nDokonceno. Celkem: '$count$' prvocisel.\n' \
  out.txt "$restored"
# A reader that closed standard output loses the messages, not the list.
# (Its pipe's read end is closed before the tool starts.)
row 0 'd coded.txt out.txt' - out.txt "$list" "python3 -c 'import os, subprocess, sys
read, write = os.pipe(); os.close(read)
sys.exit(subprocess.call(sys.argv[1:], stdin=open(\".answers\"), stdout=write))' $emulator \"\$0\" 2> .errors"
# Standard input ends before the dialogue is answered: nothing converted.
row 1 '' "$mode"$'\n'
row 1 'k' "$pack"$'\n'
row 1 'k primes.txt' "$pack$out"$'\n'
# A failed run: one error message, on a line of its own after the dots.
row 1 'k primes.txt no/such/out.txt' "$pack$out$error"
row 1 'k huge.txt /dev/full' "$pack$out"$'Komprimuji soubor huge.txt do souboru /dev/full\n..\n'"$error"
# A real full file system, and one with no inode left for the file made
# beside the output: the old output stays, byte for byte and with its mode.
can_mount() { mkdir -p "$1" && mount -t tmpfs -o size=4k tmpfs "$1" 2> /dev/null && umount "$1"; }
for full in "size=40k:$pack$out"$'Komprimuji soubor huge.txt do souboru full/out.txt\n..\n'"$error" \
            "nr_inodes=2:$pack$out$error"; do
  needs_root "a file system that is full (${full%%:*})" || continue
  can_mount "$(mktemp -d)/m" || { ran_root_row= && skipped+=("a file system that is full (${full%%:*}): mounting is not allowed") && continue; }
  row 1 'k huge.txt full/out.txt' "${full#*:}" '' '' "
    mkdir full && mount -t tmpfs -o ${full%%:*} tmpfs full && cp -p out.txt full && $run; s=\$?
    [ \"\$(ls -A full)\" = out.txt ] && cmp -s out.txt full/out.txt && [ \$(stat -c %a full/out.txt) = 640 ] || s=9
    umount full; exit \$s"
done
row 1 'k huge.txt out.txt' "$pack$out"$'Komprimuji soubor huge.txt do souboru out.txt\n..\n'"$error" '' '' \
  "ulimit -f 40; $run"
# Signals. SIGTERM while the run reads one endless number: the output is
# discarded and the process ends by the signal, printing nothing more.
row $((128 + 15)) 'k zeros.txt out.txt' "$pack$out"$'Komprimuji soubor zeros.txt do souboru out.txt\n' '' '' "
  mkfifo zeros.txt; yes 0 | tr -d '\n' 1<> zeros.txt & feeder=\$!
  $run & tool=\$!
  for i in \$(seq 500); do grep -q Komprimuji .printed && break; sleep 0.01; done; kill -TERM \$tool
  for i in \$(seq 200); do kill -0 \$tool 2> /dev/null || break; sleep 0.05; done; kill -KILL \$tool 2> /dev/null
  wait \$tool; status=\$?; kill \$feeder; exit \$status"
# Inherited as ignored (nohup, a script's background job), SIGHUP and SIGINT
# change nothing: the run, fed slowly, succeeds. Not ignored, SIGINT ends
# the run at once while the input stalls, and SIGTERM while the output is a
# pipe that nobody reads, each within a second.
feed="mkfifo slow.txt; { seq 1 3000; sleep 0.3; seq 3001 9000; exec sleep \${1:-0}; } > slow.txt 2> /dev/null & feeder=\$!"
started='for i in $(seq 500); do grep -q Komprimuji .printed && break; sleep 0.01; done'
gone='for i in $(seq 20); do kill -0 $tool 2> /dev/null || break; sleep 0.05; done; kill -KILL $tool 2> /dev/null'
row 0 'k slow.txt new.txt' "$pack$out"'Komprimuji soubor slow.txt do souboru new.txt'$'\n\nDokonceno. Celkem: 9000 prvocisel.\n' \
  '' '' "
  seq 1 9000 > list.txt && printf 'k list.txt expected.txt' | $emulator \"\$0\" > /dev/null; $feed
  env --ignore-signal=HUP,INT $run & tool=\$!
  $started; kill -HUP \$tool; kill -INT \$tool; wait \$tool; s=\$?; wait \$feeder
  cmp -s expected.txt new.txt && exit \$s"
row $((128 + 2)) 'k slow.txt out.txt' "$pack$out"$'Komprimuji soubor slow.txt do souboru out.txt\n' '' '' "
  set -- 30; $feed
  env --default-signal=INT $run & tool=\$!
  $started; sleep 0.1; kill -INT \$tool; $gone; wait \$tool; s=\$?; kill \$feeder; exit \$s"
row $((128 + 15)) 'k big.txt fifo' - '' '' "
  seq 1000000 1300000 > big.txt && mkfifo fifo && exec 5<> fifo
  $run & tool=\$!
  for i in \$(seq 500); do grep -q Komprimuji .printed && break; sleep 0.01; done; sleep 0.2
  kill -TERM \$tool; $gone; wait \$tool"
# Every signal whose default ends the process (but SIGPIPE and SIGXFSZ,
# which fail writes instead) ends the run at once by that signal, the new
# file gone, crashes included (AddressSanitizer's build reports those
# itself). No core is dumped where a row looks for leftovers. (A script's
# background job inherits SIGINT and SIGQUIT ignored: here they are not.)
for signal in XCPU VTALRM PROF IO SYS PWR USR1 ALRM QUIT STKFLT RTMIN RTMIN+5 RTMAX SEGV BUS ILL FPE ABRT TRAP; do
  [ -n "$ASAN_OPTIONS" ] && [[ " SEGV BUS ILL FPE ABRT TRAP " == *" $signal "* ]] && continue
  # qemu-user reports these on standard error itself, as the guest ends.
  [ -n "$emulator" ] && [[ " SEGV BUS ILL FPE ABRT TRAP QUIT " == *" $signal "* ]] && continue
  row $((128 + $(kill -l "$signal"))) 'k slow.txt out.txt' "$pack$out"$'Komprimuji soubor slow.txt do souboru out.txt\n' \
    '' '' "
    ulimit -c 0; set -- 30; $feed
    env --default-signal $run & tool=\$!
    $started; kill -$signal \$tool; $gone; wait \$tool; s=\$?; kill \$feeder; exit \$s"
done
# Each file is opened once. A FIFO given as the input keeps every piece
# that its writer sends while the dialogue goes on; a folder renamed while
# the run writes into it gets the new file, and nothing is left behind.
row 0 '' "$pack$out"'Komprimuji soubor pieces do souboru out.txt'"$six" out.txt "$coded" "
  mkfifo pieces; { printf '2\\n3\\n'; sleep 0.3; printf '5\\n7\\n11\\n13\\n'; } > pieces & feeder=\$!
  { printf 'k pieces '; sleep 0.6; printf 'out.txt'; } | $emulator \"\$0\" > .printed 2> .errors; s=\$?
  wait \$feeder && exit \$s"
row 0 'k slow.txt sub/new.txt' "$pack$out"'Komprimuji soubor slow.txt do souboru sub/new.txt'$'\n\nDokonceno. Celkem: 9000 prvocisel.\n' \
  '' '' "
  mkdir sub; $feed
  $run & tool=\$!
  $started; mv sub moved; wait \$tool; s=\$?; wait \$feeder
  [ ! -e sub ] && [ \"\$(ls -A moved)\" = new.txt ] && [ \$(wc -l < moved/new.txt) = 9000 ] && exit \$s"
# Standard input as the list: whatever follows the answers (the output
# name and the one character after it) is the list, from a pipe or from a
# file, both ways; each must give what the list from a file gives.
for session in 'k list.txt|' 'd packed.txt|' 'k list.txt<' 'd packed.txt<'; do
  from=${session%?} how=${session: -1}
  row 0 '' - '' '' "
    seq 1 9000 > list.txt && printf 'k list.txt packed.txt' | $emulator \"\$0\" > /dev/null &&
      printf '${from% *} ${from#* } expected.txt' | $emulator \"\$0\" > /dev/null || exit 9
    { printf '${from% *} /dev/stdin new.txt\\n'; cat ${from#* }; } > session.txt
    if [ '$how' = '|' ]; then cat session.txt | $emulator \"\$0\" > .printed 2> .errors; else $emulator \"\$0\" < session.txt > .printed 2> .errors; fi
    s=\$?; grep -q 'Celkem: 9000 prvocisel' .printed && cmp -s expected.txt new.txt && exit \$s"
done
# A name that is not a regular file is written as it stands (/dev/fd/3, a
# pipe here), but never standard output's own pipe, which the messages
# share: that is refused before converting.
row 0 'd coded.txt /dev/fd/3' "$unpack$out"'Dekomprimuji soubor coded.txt do souboru /dev/fd/3'"$six" drained.txt "$list" "
  exec 3> >(cat > drained.txt); reader=\$!; $run; s=\$?; exec 3>&-; wait \$reader; exit \$s"
row 1 'd coded.txt /dev/stdout' "$unpack$out$error" '' '' "
  $emulator \"\$0\" < .answers 2> .errors | cat > .printed; exit \${PIPESTATUS[0]}"
# Every address-space limit, from one too small for the tool to start to
# one that lets it run, ends either as a success or as a clean failure (the
# error, exit 1, nothing left), never in a crash; and some limit lets the
# tool start but not have its memory.
row 0 'k primes.txt new.txt' - '' '' "
  clean=
  for limit in \$(seq 4096 32 8192); do
    rm -f new.txt; (ulimit -v \$limit; $run); s=\$?
    case \$s:\$(tail -c 27 .printed) in
      0:*) [ -n \"\$clean\" ] && cmp -s new.txt <(printf '$coded_written') && exit 0; exit 8 ;;
      1:'Chyba pri praci se soubory') [ ! -e new.txt ] && [ ! -s .errors ] && clean=1 || exit 9 ;;
      127:*) : > .errors ;;  # the loader could not map the libraries: the tool never started
      *) exit 10 ;;
    esac
  done; exit 11"
# Outputs that are not regular files of a writable folder (links and
# devices are the platform's files test's): a pipe is written, never
# replaced; where no file can be made beside a regular file (a folder that
# the tool, run as nobody, may not write), nothing is written: the run
# fails before it starts and the file stays as it was.
to="$pack$out"'Komprimuji soubor primes.txt do souboru '
row 0 'k primes.txt fifo' "${to}fifo$six" drained.txt "$coded" "
  mkfifo fifo && { cat fifo > drained.txt & } && reader=\$!
  $run; s=\$?; [ \$s = 0 ] || kill \$reader; wait \$reader; [ -p fifo ] && exit \$s"
needs_root 'a folder that the tool may not write (setpriv)' && row 1 'k primes.txt ro/out.txt' "$pack$out$error" '' '' "
  mkdir ro && cp -p out.txt ro && chown 65534 ro/out.txt && chmod 664 ro/out.txt && chmod 555 ro && chmod 755 . && chmod 644 primes.txt &&
  setpriv --reuid=65534 --regid=65534 --clear-groups $emulator \"\$0\" < .answers > .printed 2> .errors; s=\$?
  [ \"\$(ls -A ro)\" = out.txt ] && cmp -s out.txt ro/out.txt && [ \$(stat -c %a:%u ro/out.txt) = 664:65534 ] || s=9; exit \$s"
# As an ordinary user (nobody, in a folder of its own): a umask that leaves
# the owner no right to write still gives the whole list, written through
# the descriptor that made the file, with the mode that the shell's >
# would give; a replaced file keeps its access control list (whose named
# user keeps writing, and whose group gains nothing); another user's file
# in a sticky folder, which the rename would be refused, is refused before
# converting.
as_nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
needs_root 'a umask of 0277, as an ordinary user (setpriv)' && row 0 'k primes.txt mine/new.txt' \
  "${to}mine/new.txt$six" '' '' "
  mkdir mine && chown 65534:65534 mine && chmod 755 . && chmod 644 primes.txt &&
  (umask 0277; $as_nobody $emulator \"\$0\" < .answers > .printed 2> .errors); s=\$?
  [ \$(stat -c %a:%u mine/new.txt) = 400:65534 ] && cmp -s mine/new.txt <(printf '$coded_written') && exit \$s"
have_setfacl() {
  command -v setfacl > /dev/null || { ran_root_row= && skipped+=("$1: setfacl (Debian's acl) is missing") && false; }
}
needs_root 'an access control list kept, as an ordinary user (setpriv)' && have_setfacl 'an access control list' && row 0 'k primes.txt mine/acl.txt' \
  "${to}mine/acl.txt$six" '' '' "
  mkdir mine && printf 'old\\n' > mine/acl.txt && chmod 660 mine/acl.txt && setfacl -m u:daemon:rw mine/acl.txt &&
  chown -R 65534:65534 mine && chmod 755 . && chmod 644 primes.txt && getfacl -n mine/acl.txt > acl.before &&
  $as_nobody $emulator \"\$0\" < .answers > .printed 2> .errors; s=\$?
  getfacl -n mine/acl.txt | cmp -s - acl.before && cmp -s mine/acl.txt <(printf '$coded_written') && exit \$s"
needs_root "another user's file in a sticky folder (setpriv)" && row 1 'k primes.txt sticky/theirs.txt' \
  "$pack$out$error" '' '' "
  mkdir sticky && chmod 1777 sticky && printf 'theirs\\n' > sticky/theirs.txt && chmod 666 sticky/theirs.txt &&
  chmod 755 . && chmod 644 primes.txt &&
  $as_nobody $emulator \"\$0\" < .answers > .printed 2> .errors; s=\$?
  [ \"\$(cat sticky/theirs.txt)\" = theirs ] && [ \"\$(ls -A sticky)\" = theirs.txt ] && exit \$s"
# A folder that keeps every entry made in it (append-only, which only root
# may set): the new file could be neither renamed over the output nor
# removed, so the run is refused before converting, whether it would
# replace a file or make one, and the folder stays as it was.
can_append() { chattr +a "$1" 2> /dev/null && chattr -a "$1"; }
for name in out.txt new.txt; do
  needs_root "a folder that keeps its entries (chattr +a), writing $name" || continue
  can_append "$(mktemp -d)" || { ran_root_row= && skipped+=("a folder that keeps its entries: chattr +a is not allowed here") && continue; }
  row 1 "k primes.txt kept/$name" "$pack$out$error" '' '' "
    mkdir kept && cp -p out.txt kept && chattr +a kept && $run; s=\$?
    chattr -a kept; [ \"\$(ls -A kept)\" = out.txt ] && cmp -s out.txt kept/out.txt || s=9; exit \$s"
done
# A name of MAX_NAME_SIZE bytes (4095 on Linux: PATH_MAX less its zero
# byte) is taken; one byte more names no file, whatever its first 4095
# bytes name, and the next answer is taken instead.
deep=$(for i in $(seq 16); do printf '%0250d/' 0; done; printf '%068d/' 0)primes.txt
[ ${#deep} = 4095 ] || { echo "FAILED: the longest name is ${#deep} bytes" && failed=1; }
row 0 "k $deep out.txt" "$pack$out""Komprimuji soubor $deep do souboru out.txt$six" out.txt "$coded" "
  mkdir -p \"\$(dirname $deep)\" && cp primes.txt $deep && $run"
row 0 "k ${deep}x primes.txt out.txt" "$pack$missing$asked$out"'Komprimuji soubor primes.txt do souboru out.txt'"$six" \
  out.txt "$coded" "mkdir -p \"\$(dirname $deep)\" && cp primes.txt $deep && $run"
# An input whose first word is no number (a list saved as UTF-16) fails the
# run after its announcement.
row 1 'k utf16.txt out.txt' "$pack$out"$'Komprimuji soubor utf16.txt do souboru out.txt\n\n'"$error" '' '' "
  printf '\\377\\3762\\0\\r\\0\\n\\0' > utf16.txt && $run"
# Input that would take memory without bound, within little address space:
# an endless compressed token fails the run; a name of 12 MB is refused
# like a missing file, and the next one taken.
row 1 'd endless.txt out.txt' "$unpack$out"$'Dekomprimuji soubor endless.txt do souboru out.txt\n\n'"$error" '' '' "
  mkfifo endless.txt; { printf '12345 '; exec yes 7; } | tr -d '\n' 1<> endless.txt & feeder=\$!
  (ulimit -v 10240; $run); status=\$?; kill \$feeder; exit \$status"
row 0 '' "$pack$missing$asked$out"'Komprimuji soubor primes.txt do souboru out.txt'"$six" out.txt "$coded" "
  { printf 'k '; head -c 12000000 /dev/zero | tr '\\0' n; printf ' primes.txt out.txt'; } |
  (ulimit -v 10240; $emulator \"\$0\" > .printed 2> .errors)"
# ---- Windows rows, under Wine: HOW runs there too, with Wine's own tools.
if [ -n "$windows" ] && [ -z "$root_rows" ]; then
  wine_rows=1 wine_skipped=()
  # A second drive letter for the same folder, as `subst` gives: two links in
  # Wine's dosdevices. A volume has one serial number under every letter;
  # Wine takes a drive's from the file .windows-serial at its root.
  dosdevices=${WINEPREFIX:-$HOME/.wine}/dosdevices letters=()
  for letter in p q r s t u v w x; do [ -e "$dosdevices/$letter:" ] || letters+=("$letter"); done
  drives="printf '5eed0001\\n' > .windows-serial && ln -s \"\$PWD\" $dosdevices/${letters[0]}: &&
    ln -s \"\$PWD\" $dosdevices/${letters[1]}: && $run; s=\$?; rm -f $dosdevices/${letters[0]}: $dosdevices/${letters[1]}:; exit \$s"
  first="${letters[0]^}:\\" second="${letters[1]^}:\\"
  row 0 "k ${first}primes.txt ${second}out.txt" \
    "$pack$out""Komprimuji soubor ${first}primes.txt do souboru ${second}out.txt$six" out.txt "$coded" "$drives"
  # The input itself through the other letter: told by the handles, refused.
  row 1 "k ${first}primes.txt ${second}primes.txt" "$pack$out$error" '' '' "$drives"
  # A device is written directly.
  row 0 'k primes.txt NUL' "${to}NUL$six"
  wine_skipped+=("writing to CON: these rows have no console (NUL is a device as CON is)")
  # A hidden system file keeps both attributes, where Wine keeps them at all.
  flags="$emulator attrib out.txt | cut -c 1-12"
  kept=$(cd "$(mktemp -d)" && printf 'x\n' > out.txt && $emulator attrib +h out.txt && eval "$flags")
  if [[ $kept == *H* ]]; then
    row 0 'k primes.txt out.txt' "${to}out.txt$six" out.txt "$coded" "
      $emulator attrib +h out.txt && $emulator attrib +s out.txt && $run; s=\$?
      [[ \$($flags) == *S*H* ]] && exit \$s"
  else
    wine_skipped+=("a hidden file replaced: Wine cannot keep attributes on this file system")
  fi
  wine_skipped+=("a file with its own access control list replaced: Wine keeps no security of files")
  # Wine follows a Unix link as Windows follows a symbolic link (Wine cannot
  # make one): the file linked to is replaced in its own folder, the link stays.
  row 0 'k primes.txt link.txt' "${to}link.txt$six" folder/target.txt "$coded" "
    printf 'kept\\n' > folder/target.txt && ln -s folder/target.txt link.txt && $run && [ -L link.txt ] &&
    [ \"\$(ls -A folder)\" = target.txt ]"
  # A file given as standard input (by cmd, as a user at a console gives it)
  # and named as the input: the answers, then the list.
  row 0 $'k .answers out.txt\n'"$list" "$pack$out"'Komprimuji soubor .answers do souboru out.txt'"$six" out.txt "$coded" "
    $emulator cmd /c \"Z:\$(printf %s \"\$0\" | tr / '\\\\') < .answers\" > .printed 2> .errors"
  # The output's folder is held: renaming it while the run writes is refused.
  row 0 'k slow.txt folder\out.txt' "$pack$out"$'Komprimuji soubor slow.txt do souboru folder\\out.txt\n\nDokonceno. Celkem: 9000 prvocisel.\n' \
    '' '' "
    mkfifo slow.txt; { seq 1 3000; while [ ! -e go ]; do sleep 0.05; done; seq 3001 9000; } > slow.txt & feeder=\$!
    $run & tool=\$!
    $started; $emulator cmd /c 'ren folder moved' > /dev/null 2>&1; touch go; wait \$tool; s=\$?; wait \$feeder; rm go
    [ \"\$(ls -A folder)\" = out.txt ] && [ ! -e moved ] && exit \$s"
  wine_rows=
  for reason in "${wine_skipped[@]}"; do echo "skipped under Wine: $reason"; done
fi
# ---- end of the Windows rows.
if [ -n "$root_rows" ]; then
  for reason in "${skipped[@]}"; do echo "skipped: $reason (needs root)"; done
  [ ${#skipped[@]} = 0 ] || echo "${#skipped[@]} rows skipped"
  # CI runs as root: a row skipped there is a row that never ran.
  [ "${CI:-}" != true ] || [ ${#skipped[@]} = 0 ] || { echo "FAILED: rows skipped under CI"; exit 1; }
  [ $failed = 0 ] || exit 1
  [ ${#skipped[@]} = 0 ] || exit 77
  echo "rows that need root passed"
  exit 0
fi
# Half a million numbers there and back, byte for byte, a dot for each 10000.
cd "$(mktemp -d)" && seq 1 7 3500000 > list.txt
summary=$'\n'$(printf '%.0s.' $(seq 50))$'\nDokonceno. Celkem: 500000 prvocisel.\n'
printf 'k list.txt packed.txt' | $emulator "$exe" > packed.printed &&
  printf 'd packed.txt back.txt' | $emulator "$exe" > back.printed &&
  native "$pack$out"'Komprimuji soubor list.txt do souboru packed.txt'"$summary" | cmp -s - packed.printed &&
  native "$unpack$out"'Dekomprimuji soubor packed.txt do souboru back.txt'"$summary" | cmp -s - back.printed &&
  sed "s/\$/${crlf:+\r}/" list.txt | cmp -s - back.txt || { echo "FAILED: there and back"; failed=1; }
[ $failed = 0 ] && echo "dialogue rows passed"
exit $failed
