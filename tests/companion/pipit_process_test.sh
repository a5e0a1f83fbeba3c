#!/usr/bin/env bash
# pipit and tunzo as separate processes on the simulated card: the hand-over
# in both directions, "Launch Tunzo", and a desktop without a tray. Waits are
# for conditions (a socket, a trace line, a process ending), bounded, never
# for a fixed time.
set -euo pipefail
tunzo=$1
pipit=$2
driver=$3  # pipit's own entry, with a hand on standard input (click, choose ID)
work=$(mktemp -d)
pids=()
cleanup() { exec 3>&- 2>/dev/null || true; for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace TUNZO_SIM_STATIONS=94.2
# No session bus: no tray can answer through it, whatever the machine runs.
unset DBUS_SESSION_BUS_ADDRESS
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace" ] && tail -20 "$work/trace" >&2; exit 1; }
# until COMMAND: retries for up to 10 s.
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
touch "$work/trace"
lines() { wc -l < "$work/trace"; }
trace_tail() { tail -n "$1" "$work/trace" | tr '\n' ' '; }
sockets() { ls "$work"/tunzo/*.sock 2>/dev/null | wc -l; }
mute="out 0x30c 0x00 sleep 10 out 0x30c 0x00 "

# ---- A desktop without a tray: pipit says so and ends, before the card.
TUNZO_ASSUME_TRAY= "$pipit" VUM 2> "$work/err" && fail "pipit without a tray ended with 0"
grep -q "system tray" "$work/err" || fail "pipit without a tray did not say why: $(cat "$work/err")"
[ "$(lines)" = 0 ] || fail "pipit without a tray touched the card: $(trace_tail 5)"
[ "$(sockets)" = 0 ] || fail "pipit without a tray opened a channel"

# ---- pipit VMT while tunzo runs: tunzo mutes.
"$tunzo" & pids+=($!); tunzo_pid=$!
until_ '[ "$(sockets)" = 1 ]'
"$tunzo" VUM
until_ '[ "$(trace_tail 2)" = "out 0x30c 0x00 out 0x30c 0xc8 " ]'
before=$(lines)
TUNZO_ASSUME_TRAY=1 "$pipit" VMT || fail "pipit VMT as a second start did not end with 0"
until_ '[ $(lines) -ge $((before + 3)) ]'
[ "$(trace_tail 3)" = "$mute" ] || fail "pipit VMT did not mute through tunzo: $(trace_tail 3)"
[ "$(sockets)" = 1 ] || fail "the second start opened a channel of its own"
kill -TERM "$tunzo_pid"; wait "$tunzo_pid" || fail "tunzo did not end with 0"

# ---- tunzo VUP while pipit runs: pipit steps the volume, once.
export TUNZO_ASSUME_TRAY=1
"$pipit" & pids+=($!); pipit_pid=$!
until_ '[ -S "$work/tunzo/$pipit_pid.sock" ]'
before=$(lines)
"$tunzo" VUP || fail "tunzo VUP as a second start did not end with 0"
until_ '[ $(lines) -ge $((before + 3)) ]'
[ "$(lines)" = $((before + 3)) ] && [ "$(trace_tail 3)" = "out 0x30c 0x88 sleep 20 out 0x30c 0xc8 " ] \
  || fail "tunzo VUP did not step up once through pipit: $(trace_tail 5)"
# Eleven words from a second pipit: the first ten run, in order, through the
# running one, and the eleventh, a mute, is dropped.
before=$(lines)
"$pipit" VMT VUM VMT VUM VMT VUM VMT VUM VMT VUM VMT || fail "a second pipit did not end with 0"
# A volume step after them marks the end: what was sent before has run.
"$tunzo" VUP
until_ '[ "$(trace_tail 3)" = "out 0x30c 0x88 sleep 20 out 0x30c 0xc8 " ]'
[ "$(lines)" = $((before + 28)) ] || fail "not ten entries ran: $(($(lines) - before - 3)) trace lines"
[ "$(tail -n 8 "$work/trace" | head -n 5 | tr '\n' ' ')" = "${mute}out 0x30c 0x00 out 0x30c 0xc8 " ] \
  || fail "the tenth entry, an unmute, did not run last: $(trace_tail 8)"
[ "$(sockets)" = 1 ] || fail "the second pipit opened a channel of its own"
# Ending pipit leaves the radio playing and saves the settings.
kill -TERM "$pipit_pid"; wait "$pipit_pid" || fail "pipit did not end with 0 on SIGTERM"
[ "$(sockets)" = 0 ] || fail "pipit left its channel behind"
grep -q "^audible 1$" "$work/tunzo/simulated-card-0x30c" || fail "ending pipit muted the radio"
[ "$(sqlite3 "$TUNZO_REGISTRY" "SELECT hex(data) FROM vals WHERE name = 'Alarm weekdays'")" = 31313131313030 ] \
  || fail "pipit did not save its settings when it ended"

# ---- "Launch Tunzo": tunzo starts as the first instance, pipit ends.
rm -f "$work/hand"; mkfifo "$work/hand"; : > "$work/out"
"$driver" < "$work/hand" > "$work/out" & pids+=($!); driver_pid=$!
exec 3> "$work/hand"
until_ 'grep -q "^running$" "$work/out" && [ -S "$work/tunzo/$driver_pid.sock" ]'
sqlite3 "$TUNZO_REGISTRY" "DELETE FROM vals WHERE name = 'Path'"  # tunzo beside pipit's own folder
echo "choose 300" >&3
wait "$driver_pid" || fail "pipit did not end with 0 after Launch Tunzo"
exec 3>&-
until_ '[ "$(sockets)" = 1 ] && [ ! -S "$work/tunzo/$driver_pid.sock" ]'
started=$(basename "$(ls "$work"/tunzo/*.sock)" .sock)
pids+=("$started")
[ "$(cat /proc/"$started"/comm)" = tunzo ] || fail "the new instance is $(cat /proc/"$started"/comm), not tunzo"
grep -q "^audible 1$" "$work/tunzo/simulated-card-0x30c" || fail "Launch Tunzo muted the radio"
# It is the instance: a second start's words reach it.
before=$(lines)
"$tunzo" VMT || fail "a start after the launch did not end with 0"
until_ '[ $(lines) -ge $((before + 3)) ]'
[ "$(trace_tail 3)" = "$mute" ] || fail "the launched tunzo did not take the words: $(trace_tail 3)"
kill -TERM "$started"
for _ in $(seq 200); do kill -0 "$started" 2>/dev/null || break; sleep 0.05; done
echo "pipit processes: all checks passed"
