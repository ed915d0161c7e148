#!/usr/bin/env bash
# The test host from the command line under Wine: clear errors with non-zero
# exits, and runs whose PNGs hold the right pixels.
#   hxhost_test.sh BUILD_BIN_DIR
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$1
host="$bin/hxhost.exe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() { "$root/scripts/wine-run" "$host" "$@" 2>&1; }

expect_error() {  # expected exit, message pattern, arguments...
    local code=$1 pattern=$2
    shift 2
    local out rc
    out=$(run "$@"); rc=$?
    [ "$rc" -eq "$code" ] || fail "hxhost $*: exit $rc, expected $code"
    grep -q -- "$pattern" <<<"$out" || fail "hxhost $*: no '$pattern' in: $out"
}

pixel() {  # PNG x y -> "r,g,b"
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n '2s/[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'
}

cp "$bin/rgbcolor.dll" "$work/"
dll="$work/rgbcolor.dll"

expect_error 2 "usage" bogus
expect_error 1 "cannot load plug-in" info "$work/missing.dll"
expect_error 1 "cannot read image" run "$dll" "$work/missing.png" "$work/out.png"
expect_error 1 "needs L,T,R,B" run "$dll" --rect 1,2 "$work/out.png"
expect_error 1 "four 32-bit numbers" run "$dll" --rect 0,0,4294967298,5 "$work/out.png"
expect_error 1 "outside the 256x192 image" run "$dll" --rect 0,0,999,5 "$work/out.png"
expect_error 1 "inverted" run "$dll" --rect 9,0,5,5 "$work/out.png"
expect_error 1 "32-bit number" run "$dll" --index 4294967296 "$work/out.png"
# Two of the fuzzing seeds: a header asking for 9000 x 9000, a file cut short.
seeds="$root/tests/fuzz/corpus/host_png"
expect_error 1 "9000x9000; this host takes at most" run "$dll" "$seeds/huge_header" "$work/out.png"
expect_error 1 "cannot read image" run "$dll" "$seeds/truncated" "$work/out.png"
expect_error 1 "unknown option" run "$dll" --fast "$work/out.png"

out=$(run info "$dll")
grep -q "Color|カラー / RGB Color...|RGBカラー..." <<<"$out" || fail "info does not list the filter in UTF-8: $out"

# The test card's red ramp: x is the red value at row 5; r=100 takes 100 to 150.
printf '[RGBColor]\r\nr=100\r\n' > "$work/kwfilters.ini"
run card "$work/card.png" >/dev/null || fail "card"
run run "$dll" "$work/card.png" "$work/all.png" >/dev/null || fail "run"
[ "$(pixel "$work/card.png" 100 5)" = "100,0,0" ] || fail "card pixel: $(pixel "$work/card.png" 100 5)"
[ "$(pixel "$work/all.png" 100 5)" = "150,0,0" ] || fail "adjusted pixel: $(pixel "$work/all.png" 100 5)"
[ "$(pixel "$work/all.png" 200 5)" = "255,0,0" ] || fail "clamped pixel: $(pixel "$work/all.png" 200 5)"

# A rectangle leaves the rest alone; in place gives the same picture.
run run "$dll" --rect 0,0,128,16 "$work/card.png" "$work/part.png" >/dev/null || fail "run --rect"
[ "$(pixel "$work/part.png" 100 5)" = "150,0,0" ] || fail "inside the rectangle"
[ "$(pixel "$work/part.png" 200 5)" = "200,0,0" ] || fail "outside the rectangle: $(pixel "$work/part.png" 200 5)"
[ "$(pixel "$work/part.png" 100 20)" = "100,0,0" ] || fail "below the rectangle"
run run "$dll" --in-place "$work/card.png" "$work/inplace.png" >/dev/null || fail "run --in-place"
cmp -s "$work/all.png" "$work/inplace.png" || fail "in place differs from separate buffers"

run setup "$dll" --index 7 | grep -q "returned 0" || fail "setup with an invalid index"

echo "hxhost: $failures failures"
[ "$failures" -eq 0 ]
