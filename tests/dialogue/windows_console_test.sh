#!/usr/bin/env bash
# primepack.exe under Wine with a Czech locale (code pages 852 and 1250):
# names with Czech letters, typed at a console (a tmux pane), open and
# create the files of those names at the first try and are announced as
# typed; given in code page 1250 on a redirected standard input, they do
# the same. (Pane captures drop trailing blanks, so prompts are matched
# without theirs.)   windows_console_test.sh WINE PRIMEPACK_EXE
set -euo pipefail
wine=$1 exe=$2
export LC_ALL=cs_CZ.UTF-8
cd "$(mktemp -d)"
printf '2\n3\n5\n7\n11\n13\n' > příklad.txt
coded=$'2\r\n3\r\n5\r\n7\r\n11\r\n3\r\n'
tmux=(tmux -L "primepack-$$" -u)
trap '"${tmux[@]}" kill-server 2> /dev/null || true' EXIT
"${tmux[@]}" new-session -d -x 150 -y 20 "'$wine' '$exe'; sleep 60"
wait_for() {
  for _ in $(seq 300); do
    screen=$("${tmux[@]}" capture-pane -p)
    [[ $screen == *"$1"* ]] && return
    sleep 0.1
  done
  echo "not shown: $1"$'\n'"$screen"
  exit 1
}
wait_for '(d)?:'
"${tmux[@]}" send-keys k Enter
wait_for 'komprimovaneho souboru:'
"${tmux[@]}" send-keys příklad.txt Enter
wait_for 'vystupniho souboru:'
"${tmux[@]}" send-keys výstup.txt Enter
wait_for $'Komprimuji soubor příklad.txt do souboru výstup.txt\n\nDokonceno. Celkem: 6 prvocisel.'
[[ $screen != *neexistuje* ]]
[ "$(< výstup.txt)" = "${coded%$'\n'}" ]

printf 'k příklad.txt výstup2.txt' | iconv -t CP1250 | "$wine" "$exe" > printed.txt
[[ $(iconv -f CP1250 printed.txt) == *'Komprimuji soubor příklad.txt do souboru výstup2.txt'* ]]
[ "$(< výstup2.txt)" = "${coded%$'\n'}" ]
echo "Czech names passed"
