#!/usr/bin/env bash
# Drives primepack at a terminal (a tmux pane) as a person at a keyboard
# would: each answer is typed only once its prompt stands on the screen.
# Noise at the mode prompt, a run fed through a pipe to its end with dots on
# the way, and a run stopped by Ctrl-C. A cross build runs under its
# emulator; for Windows (primepack.exe, under Wine with a Czech locale: code
# pages 852 and 1250) Czech names are typed first, then redirected in 1250.
#   terminal_test.sh PRIMEPACK [EMULATOR]
set -euo pipefail  # every check stands alone on its line: a failed one ends the test
exe=$1 emulator=${2:-}
tool="${emulator:+'$emulator' }'$exe'"
cd "$(mktemp -d)"
# Each start gets a server on a socket of its own: a server told to stop
# goes on for a while, and a new session on its socket could reach it.
starts=0 tmux=(true)
stop_server() { "${tmux[@]}" kill-server 2> /dev/null || true; }
trap stop_server EXIT

start() {  # the command in a new pane, its status into ./status
  stop_server && rm -f status
  starts=$((starts + 1)) tmux=(tmux -L "primepack-$$-$starts" -u)
  "${tmux[@]}" new-session -d -x 150 -y 40 "trap : INT; $1; echo \$? > status; sleep 60"
}
wait_for() {  # (pane captures drop trailing blanks, so prompts are given without theirs)
  for _ in $(seq 300); do
    screen=$("${tmux[@]}" capture-pane -p)
    [[ $screen == *"$1"* ]] && return
    sleep 0.1
  done
  echo "not shown: $1"$'\n'"$screen"
  exit 1
}
answer() { wait_for "$1" && "${tmux[@]}" send-keys "$2" Enter; }
status() { for _ in $(seq 100); do [ -s status ] && break; sleep 0.1; done; cat status; }

interrupted=$((128 + 2))  # ended by SIGINT
if [[ $exe == *.exe ]]; then
  interrupted=3  # as Windows ends a program on Ctrl-C
  export LC_ALL=cs_CZ.UTF-8
  printf '2\n3\n5\n7\n11\n13\n' > příklad.txt
  coded=$'2\r\n3\r\n5\r\n7\r\n11\r\n3\r'
  start "$tool"
  answer '(d)?:' k
  answer 'komprimovaneho souboru:' příklad.txt
  answer 'vystupniho souboru:' výstup.txt
  wait_for $'Komprimuji soubor příklad.txt do souboru výstup.txt\n\nDokonceno. Celkem: 6 prvocisel.'
  [[ $screen != *neexistuje* ]]
  [ "$(status)" = 0 ]
  [ "$(< výstup.txt)" = "$coded" ]
  printf 'k příklad.txt výstup2.txt' | iconv -t CP1250 | "$emulator" "$exe" > printed
  [[ $(iconv -f CP1250 printed) == *'Komprimuji soubor příklad.txt do souboru výstup2.txt'* ]]
  [ "$(< výstup2.txt)" = "$coded" ]
  echo "Czech names passed"
fi

start_live_run() {  # compresses live.txt, a pipe that fd 3 feeds, into an existing out.txt
  rm -f live.txt && mkfifo live.txt && printf 'kept\n' > out.txt && chmod 640 out.txt
  start "$tool"
  wait_for '(d)?:'
  "${tmux[@]}" send-keys 'x y' Enter K Enter Enter k Enter
  wait_for 'komprimovaneho souboru:'  # the noise was skipped without a word:
  [ "$screen" = $'Komprimovat (k) nebo dekomprimovat (d)?: x y\nK\n\nk\nZadejte nazev komprimovaneho souboru:' ]
  exec 4<> live.txt 3> live.txt 4<&-  # a writer (not tmux's), so that no open waits for the other end
  answer 'komprimovaneho souboru:' live.txt
  answer 'vystupniho souboru:' out.txt
  wait_for 'Komprimuji soubor live.txt do souboru out.txt'
}
feed_until() {  # feeds numbers until $1 dots are shown (they come a block behind)
  fed=0
  while dots=$("${tmux[@]}" capture-pane -p | grep -E '^\.+$' || true); [ ${#dots} -lt "$1" ]; do
    [ $fed -lt 4000000 ] || { echo "no $1 dots after $fed numbers"; exit 1; }
    seq $((fed + 1000)) $((fed + 2999)) >&3
    fed=$((fed + 2000))
  done
}

start_live_run
feed_until 10
[ ! -s status ]  # dots while the run goes on
[[ $screen != *Dokonceno* ]]
exec 3>&-
wait_for "Dokonceno. Celkem: $fed prvocisel."
[ "$(status)" = 0 ]
[ "$(wc -l < out.txt)" = "$fed" ]

start_live_run
feed_until 5
[ "$(< out.txt)" = kept ]  # written beside its name, which keeps the old output meanwhile
# Ctrl-C while the input stalls: the run ends at once, not at the next
# block (the feed stays open until the run has ended). Wine does not cancel
# a blocked read of a pipe, so there the run ends at the next block: feed it.
"${tmux[@]}" send-keys C-c
[[ $exe != *.exe ]] || (seq 10000000 >&3) 2> /dev/null || true
# The old output stands as it was, and nothing is left beside it.
[ "$(status)" = $interrupted ]
exec 3>&-
[ "$(< out.txt)" = kept ]
[ "$(stat -c %a out.txt)" = 640 ]
[ -z "$(ls -A | grep '^\.out\.txt\.')" ]
[[ $("${tmux[@]}" capture-pane -p) != *Dokonceno* ]]
echo "terminal sessions passed"
