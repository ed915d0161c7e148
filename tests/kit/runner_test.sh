#!/usr/bin/env bash
# The kit's runner under Wine, started through run-tests.cmd from a folder
# with a Japanese name: a pass, a program that ran no test, one out of time;
# then logs in TEMP when the kit's folder cannot take them.
#   runner_test.sh BUILD_DIR
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
. "$root/scripts/wine-env.sh"
wine_run() { "$root/scripts/wine-run" "$@" 2>/dev/null | tr -d '\r'; }

kit="$work/キット dir"
mkdir -p "$kit/bin" "$kit/logs"
cp "$build/kit/run-tests.cmd" "$kit/"
grep -q $'\r$' "$kit/run-tests.cmd" || fail "run-tests.cmd has no CR LF line ends"
for f in run-tests kernel_stack_test plugin_exports_test robustness_load_test; do
    ln -s "$build/bin/$f.exe" "$kit/bin/"
done
ln -s "$build"/bin/*.dll "$kit/bin/"
printf '%s\n' '# a list of its own' '300 kernel_stack_test' '' '60 plugin_exports_test --gtest_filter=NoSuchTest' \
    '1 robustness_load_test' >"$work/list.txt"
echo stale >"$kit/logs/old.log"
temp=$(winepath -u "$(wine_run cmd /c echo %TEMP%)")
before=$(ls -A "$temp")

out=$(cd "$kit" && wine_run cmd /c run-tests.cmd --list '..\list.txt' --no-pause); rc=$?
[ "$rc" -eq 1 ] || fail "exit $rc with a program failed, expected 1"
grep -qE '^PASS  kernel_stack_test +[0-9]+ tests, [0-9.]+ s$' <<<"$out" || fail "no pass line: $out"
no_test='^FAIL  plugin_exports_test +no test ran \(exit code 0\), log: .*キット dir\\logs\\plugin_exports_test.log$'
grep -qE "$no_test" <<<"$out" || fail "no line for the program that ran no test: $out"
grep -qE '^FAIL  robustness_load_test +ran out of its 1 s, log: ' <<<"$out" || fail "no timeout line: $out"
[ "$(tail -n1 <<<"$out")" = "1 passed, 2 failed, 0 skipped" ] || fail "closing line: $(tail -n1 <<<"$out")"
grep -q '^\[  PASSED  \] 6 tests' "$kit/logs/kernel_stack_test.log" || fail "kernel_stack_test.log lacks the summary"
[ -e "$kit/logs/old.log" ] && fail "the last run's log stayed"
[ "$(tail -c +4 "$kit/logs/summary.txt" | tr -d '\r')" = "$out" ] || fail "summary.txt differs from what was shown"
[ "$(ls -A "$temp")" = "$before" ] || fail "left in TEMP: $(ls -A "$temp")"

# A kit whose logs folder cannot be made (on Windows: a read-only copy; here a
# file in its way, since Wine run as root writes anywhere). One name selected.
rm -r "$kit/logs" && touch "$kit/logs"
out=$(cd "$kit" && wine_run cmd /c run-tests.cmd --list '..\list.txt' --no-pause kernel_stack_test); rc=$?
[ "$rc" -eq 0 ] || fail "exit $rc with every program passed, expected 0"
grep -q 'logs cannot be written' <<<"$out" || fail "no word of the fallback: $out"
[ -f "$temp/rgbcolor-tests-logs/kernel_stack_test.log" ] || fail "no log in TEMP"
[ "$(tail -n1 <<<"$out")" = "1 passed, 0 failed, 0 skipped" ] || fail "closing line: $(tail -n1 <<<"$out")"
rm -rf "$temp/rgbcolor-tests-logs"

[ "$failures" -eq 0 ] && echo "runner_test: all checks passed"
exit $((failures > 0))
