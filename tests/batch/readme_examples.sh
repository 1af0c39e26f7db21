#!/usr/bin/env bash
# Runs the README's vantrel-batch examples as a reader would: the shell block of "Batch use", line by
# line in order, in an empty folder, with the built vantrel-batch on the PATH. Each must succeed and
# leave the files it names.
# Usage: readme_examples.sh README.md DIRECTORY-OF-vantrel-batch
set -euo pipefail
readme=$1
export PATH="$2:$PATH"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
block=$(awk '/^## Batch use/ { section = 1 } section && /^```sh$/ { inside = 1; next }
             inside && /^```$/ { exit } inside { print }' "$readme")
[ -n "$block" ] || { echo "no example block found in $readme" >&2; exit 1; }
cd "$folder"
while IFS= read -r line; do
    echo "\$ $line"
    bash -euo pipefail -c "$line" >output.txt 2>&1 || { cat output.txt >&2; echo "failed: $line" >&2; exit 1; }
done <<<"$block"
for made in series.txt table.tsv series-de.txt chart.svg table-de.tsv; do
    [ -s "$made" ] || { echo "missing or empty: $made" >&2; exit 1; }
done
# The comma series loads as the numbers it denotes: 12,5 is row 1's Data, shown with two decimals.
grep -q $'^ 1\t12,50\t' table-de.tsv || { echo "table-de.tsv does not start with 12,50" >&2; exit 1; }
echo "README examples: all ran"
