#!/usr/bin/env bash
# A panel on the simulated GemTek that ends at a logout mutes the radio: the
# sound-off frame handed to the line just before the end must reach it, not
# die with the program. A lost frame shows only now and then, so the ending
# is tried several times.
set -euo pipefail
tunzo=$1
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace
unset TUNZO_SERIAL_COM1
fail() { echo "FAIL: $*" >&2; exit 1; }
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
state=$work/tunzo/simulated-card-com1

# A first start makes the store; then it names the GemTek on COM1.
"$tunzo" & pid=$!
until_ '[ -S "$work/tunzo/$pid.sock" ]'
kill -TERM "$pid"; wait "$pid"; pid=
sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = x'05000000' WHERE name = 'Adapter';
  UPDATE vals SET data = x'01000000' WHERE name = 'Port number'"

for round in 1 2 3 4 5; do
  : > "$work/trace"
  "$tunzo" & pid=$!
  # Played: the sound-on frame, then the station's tune frame and text.
  until_ '[ -S "$work/tunzo/$pid.sock" ] && grep -q "^audible 1$" "$state" 2>/dev/null'
  kill -TERM "$pid"; wait "$pid" || fail "round $round: tunzo did not end with 0"; pid=
  grep -q "^serial COM1 1d 23 02 23$" "$work/trace" || fail "round $round: no sound-off frame was sent"
  grep -q "^audible 0$" "$state" || fail "round $round: the radio plays on after the logout"
done
echo "gemtek ending: all checks passed"
