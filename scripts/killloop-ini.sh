#!/usr/bin/env bash
# Kills a program that rewrites the options of zelvan.ini in a loop with
# SIGKILL at random moments, and checks after every kill that zelvan.ini is
# byte for byte one of the files it can be (the first one, or one of the two
# option sets): never a part of one, never empty. A zelvan.tmp left by the
# kill is allowed; the next rewrite replaces it. The rewriter must still be
# running when it is killed (it rewrites for ever): one that ended by itself,
# failed or not, fails the cycle, and so do cycles none of which saw a rewrite.
#   scripts/killloop-ini.sh [cycles]
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-200}
prog=${INIREWRITE:-build/bench/bench_inirewrite}
home=$(mktemp -d /tmp/zelvan-killini.XXXXXX)
expected=$(mktemp -d /tmp/zelvan-killini-expected.XXXXXX)
trap 'rm -rf "$home" "$expected"' EXIT
"$prog" --expected "$home" "$expected"

bad=0; start=0; a=0; b=0; leftover=0
for ((i = 1; i <= cycles; i++)); do
    "$prog" "$home" 0 &
    pid=$!
    # 1..40 ms: a rewrite takes about a millisecond, so the kill lands at
    # every step of it over the cycles.
    sleep "0.0$(printf '%02d' $((RANDOM % 40 + 1)))"
    kill -9 "$pid" 2>/dev/null || true
    rc=0
    wait "$pid" 2>/dev/null || rc=$?
    if ((rc != 137)); then # 128 + SIGKILL: killed while rewriting
        bad=$((bad + 1))
        echo "cycle $i: the rewriter ended by itself with status $rc before the kill"
    fi
    ini="$home/zelvan.ini"
    if cmp -s "$ini" "$expected/a.ini"; then a=$((a + 1))
    elif cmp -s "$ini" "$expected/b.ini"; then b=$((b + 1))
    elif cmp -s "$ini" "$expected/start.ini"; then start=$((start + 1))
    else
        bad=$((bad + 1))
        echo "cycle $i: zelvan.ini is neither the old nor the new file ($(stat -c %s "$ini" 2>/dev/null || echo missing) bytes)"
    fi
    [[ -e "$home/zelvan.tmp" ]] && leftover=$((leftover + 1))
done
echo "$cycles kills during zelvan.ini rewrites: $bad damaged; found the first file $start times," \
     "option set A $a, option set B $b; zelvan.tmp left behind after $leftover kills"
if ((a + b == 0)); then
    echo "FAIL: no kill found zelvan.ini rewritten: the rewriter never wrote"
    exit 1
fi
[[ $bad -eq 0 ]]
