#!/usr/bin/env bash
# The manual pages as man shows them, at every width from 60 to 120
# columns: no line may end with an opening parenthesis, alone or with the
# hyphen of a break inside a word, since that parts it from its word. Each
# rendering must fill its width too, so that a width man did not take shows.
#   manual_pages_test.sh PAGE...
set -uo pipefail
export LC_ALL=C.UTF-8
if ! command -v man > /dev/null; then
  [ "${CI:-}" != true ] || { echo "FAILED: man is not installed under CI"; exit 1; }
  echo "skipped: man is not installed"
  exit 77
fi
failed=0
for page in "$@"; do
  for width in $(seq 60 120); do
    text=$(MANWIDTH=$width man -l "$page" 2> /dev/null) && [ -n "$text" ] ||
      { echo "FAILED: $page does not render at $width columns"; failed=1; continue; }
    # man leaves two or three columns free at the right.
    longest=$(printf '%s\n' "$text" | wc -L)
    ((longest <= width && longest >= width - 3)) || { echo "FAILED: $page is $longest columns wide at $width"; failed=1; }
    parted=$(printf '%s\n' "$text" | grep -E '\((‐|-)?[[:space:]]*$') &&
      { echo "FAILED: $page at $width columns parts a parenthesis from its word:"; echo "$parted"; failed=1; }
  done
done
[ $failed = 0 ] || exit 1
echo "$# pages keep each parenthesis with its word at 60 to 120 columns"
