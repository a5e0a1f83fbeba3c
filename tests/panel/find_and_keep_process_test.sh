#!/usr/bin/env bash
# A person finds two stations with the search, keeps them as presets with
# names (by the Write button and by the W key and a digit), ends the program,
# starts it again and finds both in the Channels menu and on their buttons.
# The real program on the simulated card with a store of its own; waits are
# for conditions, bounded, never for a fixed time.
set -euo pipefail
driver=$1  # tunzo's own entry, with a hand on standard input
work=$(mktemp -d)
pid=
cleanup() { exec 3>&- 2>/dev/null || true; [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_SIM_STATIONS=102.9,103.8s
fail() { echo "FAIL: $*" >&2; [ -f "$work/out" ] && tail -20 "$work/out" >&2; exit 1; }
until_() { for _ in $(seq 600); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }

start() {
  rm -f "$work/hand"; mkfifo "$work/hand"; : > "$work/out"
  "$driver" < "$work/hand" > "$work/out" & pid=$!
  exec 3> "$work/hand"
  until_ 'grep -q "^window " "$work/out"'
}
# do COMMAND: hands it over and waits until it has run to its end.
do_() {
  local done_before
  done_before=$(grep -c "^done " "$work/out" || true)
  echo "$*" >&3
  until_ '[ $(grep -c "^done " "$work/out" || true) -gt '"$done_before"' ]'
}
shown() { do_ report; grep "^window " "$work/out" | tail -1 | cut -d' ' -f4; }

start
[ "$(shown)" = "103.3" ] || fail "the first start shows $(shown), not the initial 103.3"
do_ click cmd_scanup
[ "$(shown)" = "103.8" ] || fail "the search up from 103.3 ended on $(shown)"
do_ click cmd_memory
do_ name Jazz Hour
do_ click pre1
do_ click cmd_scandown
[ "$(shown)" = "102.9" ] || fail "the search down ended on $(shown)"
do_ key w
do_ name City Talk
do_ key 2
do_ power
exec 3>&-
wait "$pid" || fail "Power did not end the program with 0"
pid=

start
do_ channels
do_ buttons
grep -qx "channel 1    Jazz Hour" "$work/out" || fail "preset 1 is not in the Channels menu"
grep -qx "channel 2    City Talk" "$work/out" || fail "preset 2 is not in the Channels menu"
[ "$(grep -c "^channel " "$work/out")" = 2 ] || fail "the Channels menu lists more than the two stations"
grep -qx "button 1 Jazz Hour  103.8" "$work/out" || fail "button 1 does not show Jazz Hour"
grep -qx "button 2 City Talk  102.9" "$work/out" || fail "button 2 does not show City Talk"
do_ click pre2
[ "$(shown)" = "102.9" ] || fail "button 2 tuned $(shown)"
do_ power
exec 3>&-
wait "$pid"; pid=
echo "finding and keeping stations: all checks passed"
