#!/bin/sh
# The README's table of what the fairness battery says of each shuffle model: every model at
# 2,000 and 20,000 shuffles, each shuffle from a new deck and continuing from the last, with
# one fixed key. Prints a Markdown table; run as scripts/battery-table.sh [BUILD].
set -eu
build=${1:-build}
cli="$build/brevane-cli"
key=0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20
models="fisher-yates naive-swap byte-modulo riffle:4 riffle:7 overhand:10 top-to-random:236 shelf:10 strip:5 cut riffle:1+riffle:1+strip:5+riffle:1+cut"

echo "| model | shuffles | start | verdict | tests failed | guesses per deck (position / follower) |"
echo "|---|---:|---|---|---|---|"
for model in $models; do
    for n in 2000 20000; do
        for start in new continuing; do
            flag=""
            [ "$start" = new ] && flag="--from-new-deck"
            # Status 3 (fail) and 4 (inconclusive) are verdicts, not errors.
            json=$("$cli" test --shuffles "$n" --model "$model" $flag --key "$key" \
                --format json --quiet) || [ $? -le 4 ]
            printf '%s' "$json" | python3 -c '
import json, sys
model, n, start = sys.argv[1:4]
r = json.load(sys.stdin)
failed = [t["name"] for t in r["tests"] if t["verdict"] == "fail"]
g = {t["name"]: t.get("guessing") for t in r["tests"]}
def mean(name):
    return "%.2f" % g[name]["mean"] if g.get(name) else "-"
print("| `%s` | %s | %s | %s | %s | %s / %s |" % (
    model, format(int(n), ","), "new deck" if start == "new" else "continuing",
    r["verdict"], ", ".join(failed) if failed else "none",
    mean("guess-position"), mean("guess-follower")))
' "$model" "$n" "$start"
        done
    done
done
