#!/bin/sh
# The same split without a scheduler: one ensemble --shard after the other (or each on another machine),
# then the merge. The parts are given to ensemble-merge in the order of their slices, 1 first.
#
#     sh examples/cluster/ensemble-parts.sh [PARTS]
set -eu
CONFIG=examples/demo.sim
SETS=examples/demo-sets.csv
PARTS=${1:-4}

mkdir -p parts
list=""
i=1
while [ "$i" -le "$PARTS" ]; do
    # Exit status 2: some sets were refused, and their rows say why; the part is complete.
    tulo-cli ensemble "$CONFIG" --sets "$SETS" --shard "$i/$PARTS" --out "parts/part-$i.csv" || [ $? -eq 2 ]
    list="$list parts/part-$i.csv"
    i=$((i + 1))
done
# shellcheck disable=SC2086 # one word per part
tulo-cli ensemble-merge ensemble.csv $list
