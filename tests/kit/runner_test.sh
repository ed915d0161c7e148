#!/usr/bin/env bash
# The kit's runner under Wine, started through run-tests.cmd from a folder
# with a Japanese name and & ^ ! ( ) in it. Not %: Wine's cmd expands the
# folder name of %~dp0 once more (Windows does not), so no .cmd works there.
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

kit="$work/キット &^!() dir"
mkdir -p "$kit/bin" "$kit/logs"
cp "$build/kit/run-tests.cmd" "$kit/"
grep -q $'\r$' "$kit/run-tests.cmd" || fail "run-tests.cmd has no CR LF line ends"
ln -s "$build"/bin/{run-tests,kernel_stack_test,plugin_exports_test,robustness_load_test,ui_pane_test}.exe \
    "$build"/bin/console_mode.exe "$build"/bin/*.dll "$kit/bin/"
printf '%s\n' '# a list of its own' '300 kernel_stack_test' '' '60 plugin_exports_test --gtest_filter=NoSuchTest' \
    '1 robustness_load_test' '1 console_mode --hold-shift' >"$work/list.txt"
echo stale >"$kit/logs/old.log"
echo stale >"$kit/logs/kernel_stack_test.png"
temp=$(winepath -u "$(wine_run cmd /c echo %TEMP%)")
before=$(ls -A "$temp")

# A pass, a program that ran no test, one out of time, one ended with Shift down (the runner lets it go); the
# screen pictured at a failure; other files in logs\ kept.
out=$(cd "$kit" && wine_run cmd /c run-tests.cmd --list '..\list.txt' --no-pause); rc=$?
[ "$rc" -eq 1 ] || fail "exit $rc with a program failed, expected 1"
grep -qE '^PASS  kernel_stack_test +[0-9]+ tests, [0-9.]+ s$' <<<"$out" || fail "no pass line: $out"
no_test='^FAIL  plugin_exports_test +no test ran \(exit code 0\), log: .*キット &\^!\(\) dir\\logs\\plugin_exports_test.log$'
grep -qE "$no_test" <<<"$out" || fail "no line for the program that ran no test: $out"
grep -qE '^FAIL  robustness_load_test +ran out of its 1 s, log: ' <<<"$out" || fail "no timeout line: $out"
[ "$(tail -n1 <<<"$out")" = "1 passed, 3 failed, 0 skipped" ] || fail "closing line: $(tail -n1 <<<"$out")"
[ "$(wine_run "$kit/bin/console_mode.exe" --shift)" = "Shift up" ] || fail "Shift stayed down"
for f in robustness_load_test plugin_exports_test; do
    [ "$(head -c 4 "$kit/logs/$f.png" | tail -c 3)" = PNG ] || fail "no picture of the screen beside $f.log"
done
grep -q '^\[  PASSED  \] 6 tests' "$kit/logs/kernel_stack_test.log" || fail "kernel_stack_test.log lacks the summary"
[ -e "$kit/logs/old.log" ] || fail "a file the runner did not write went"
[ -e "$kit/logs/kernel_stack_test.png" ] && fail "the last run's picture stayed"
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
rm -rf "$temp/rgbcolor-tests-logs" "$kit/logs"

# A budget spent in a program that changed the window colour (set up before
# its first case, put back after its last): it is cut short, the next is not
# run, and the colour is back. Wine keeps a colour changed for the session
# in a registry key of its own, the saved ones in the user's.
window() {
    wine_run reg query 'HKCU\Software\Wine\Temporary System Parameters\Control Panel\Colors' /v Window |
        grep -o '[0-9]* [0-9]* [0-9]*$' ||
        wine_run reg query 'HKCU\Control Panel\Colors' /v Window | grep -o '[0-9]* [0-9]* [0-9]*$'
}
printf '%s\n' '300 ui_pane_test --gtest_filter=PaneTest.* --gtest_repeat=-1' '300 kernel_stack_test' >"$work/budget.txt"
before=$(window)
out=$(cd "$kit" && wine_run cmd /c run-tests.cmd --list '..\budget.txt' --no-pause --budget 4); rc=$?
[ "$rc" -eq 1 ] || fail "exit $rc with the budget spent, expected 1"
grep -qE "^FAIL  ui_pane_test +cut short: the run's budget of 4 s was spent, log: " <<<"$out" || fail "no cut line: $out"
grep -qE "^FAIL  kernel_stack_test +not run: the run's budget of 4 s was spent$" <<<"$out" || fail "no line for the program not run: $out"
grep -q '^\[ RUN      \] PaneTest' "$kit/logs/ui_pane_test.log" || fail "ui_pane_test ran no case within the budget"
[ "$(window)" = "$before" ] || fail "the window colour is $(window), was $before"

# QuickEdit: off for the programs the runner starts, as it was afterwards.
# Wine makes a console only on a terminal, which script(1) gives it.
printf '%s\r\n' '@echo off' 'bin\console_mode.exe >..\before.txt' \
    'call run-tests.cmd --list ..\console.txt --no-pause >nul' 'bin\console_mode.exe >..\after.txt' >"$work/modes.cmd"
echo '10 console_mode' >"$work/console.txt"
(cd "$kit" && script -qec "'$root/scripts/wine-run' cmd /c '..\modes.cmd'" /dev/null </dev/null >/dev/null 2>&1)
mode() { printf '%d' "$(grep -o '0x[0-9a-f]*' "$1")"; }
[ $(($(mode "$work/before.txt") & 0xC0)) -eq $((0xC0)) ] || fail "the console began without QuickEdit: $(cat "$work/before.txt")"
[ $(($(mode "$kit/logs/console_mode.log") & 0xC0)) -eq $((0x80)) ] || fail "QuickEdit during the run: $(cat "$kit/logs/console_mode.log")"
cmp -s "$work/before.txt" "$work/after.txt" || fail "console mode not restored: $(cat "$work/before.txt" "$work/after.txt")"

# The .cmd alone, as Explorer takes it out of the zip, and beside a runner that cannot start.
alone="$work/alone"
mkdir -p "$alone/bin" && cp "$kit/run-tests.cmd" "$alone/"
out=$(cd "$alone" && wine_run cmd /c run-tests.cmd); rc=$?
[ "$rc" -eq 2 ] && grep -q 'bin\\run-tests.exe is missing' <<<"$out" || fail "exit $rc without the runner: $out"
echo 'not a program' >"$alone/bin/run-tests.exe"
out=$(cd "$alone" && wine_run cmd /c run-tests.cmd); rc=$?
[ "$rc" -ne 0 ] && grep -q 'did not start' <<<"$out" || fail "exit $rc with a runner that cannot start: $out"

[ "$failures" -eq 0 ] && echo "runner_test: all checks passed"
exit $((failures > 0))
