#!/usr/bin/env bash
# The panel hands work to other programs, all of them separate processes on
# the simulated card: "Settings" waits for the setup program while the panel
# goes on working, then reads back what it stored and keeps the station that
# plays; "Launch Pipit" leaves the radio playing to the companion, which then
# is the instance. Waits are for conditions, bounded, never a fixed time.
set -euo pipefail
driver=$1  # tunzo's own entry, with a hand on standard input
tunzo=$2
pipit=$3
work=$(mktemp -d)
pids=()
cleanup() { exec 3>&- 2>/dev/null || true; for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated TUNZO_ASSUME_TRAY=1
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace TUNZO_SIM_STATIONS=94.2
unset DBUS_SESSION_BUS_ADDRESS
fail() { echo "FAIL: $*" >&2; [ -f "$work/out" ] && cat "$work/out" >&2; exit 1; }
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
touch "$work/trace"
lines() { wc -l < "$work/trace"; }
value() { sqlite3 "$TUNZO_REGISTRY" "SELECT hex(data) FROM vals WHERE name = '$1' AND key = (SELECT id FROM keys WHERE path = 'SOFTWARE\\Velmar\\Tunzo')"; }
store_path() {
  sqlite3 "$TUNZO_REGISTRY" "INSERT OR REPLACE INTO vals (key, name, kind, data)
    SELECT id, 'Path', 1, CAST('$1' AS BLOB) FROM keys WHERE path = 'SOFTWARE\\Velmar\\Tunzo'"
}
# start_panel: the driver on a fresh hand (fd 3), once its window is shown.
start_panel() {
  rm -f "$work/hand"; mkfifo "$work/hand"; : > "$work/out"
  "$driver" < "$work/hand" > "$work/out" & pids+=($!); panel_pid=$!
  exec 3> "$work/hand"
  until_ 'grep -q "^window " "$work/out"'
}
say() { echo "$1" >&3; }
done_() { until_ "grep -qx 'done $1' '$work/out'"; }

# A first start makes the store.
start_panel
say close; wait "$panel_pid" || fail "the first panel did not end with 0"; exec 3>&-

# ---- Settings: a stand-in setup program that waits for the test's word,
# then stores "Adapter" 2 and "DefaultStation" 90.0.
mkdir "$work/programs"
cat > "$work/programs/tunecfg" <<SETUP
#!/bin/sh
for i in \$(seq 200); do [ -e "$work/go" ] && break; sleep 0.05; done
sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = x'02000000' WHERE name = 'Adapter';
  UPDATE vals SET data = x'0000000000805640' WHERE name = 'DefaultStation';"
SETUP
chmod +x "$work/programs/tunecfg"
store_path "$work/programs"
start_panel
say "click RC_TuneUp"; done_ "click RC_TuneUp"
say report; until_ '[ $(grep -c "^window " "$work/out") -ge 2 ]'
playing=$(grep "^window " "$work/out" | tail -1 | cut -d' ' -f4)
say "menu item_settings"
# The panel answers while the setup program runs.
before=$(lines)
say "key m"; done_ "key m"
[ $(lines) -gt "$before" ] || fail "the panel did not mute while the setup program ran"
grep -qx "done menu item_settings" "$work/out" && fail "the panel did not wait for the setup program"
touch "$work/go"
done_ "menu item_settings"
say report; until_ '[ $(grep -c "^window " "$work/out") -ge 3 ]'
[ "$(grep "^window " "$work/out" | tail -1 | cut -d' ' -f4)" = "$playing" ] \
  || fail "the station changed to what the setup program stored"
# What the panel saves at its end is what it read back, with its own station.
say close; wait "$panel_pid" || fail "the panel did not end with 0"; exec 3>&-
[ "$(value Adapter)" = 02000000 ] || fail "the panel did not read back the setup program's adapter: $(value Adapter)"
[ "$(value DefaultStation)" != 0000000000805640 ] || fail "the panel saved the setup program's station as its own"

# ---- Launch Pipit: the radio plays on and pipit is the instance.
sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = x'01000000' WHERE name = 'Adapter'"
store_path "$(dirname "$pipit")"
start_panel
say "key m"; done_ "key m"; say "key m"; done_ "key m"   # muted, and playing again
before=$(lines)
say "menu LaunchPipit1"
wait "$panel_pid" || fail "the panel did not end with 0 after Launch Pipit"; exec 3>&-
until_ '[ "$(ls "$work"/tunzo/*.sock 2>/dev/null | wc -l)" = 1 ] && [ ! -S "$work/tunzo/$panel_pid.sock" ]'
started=$(basename "$(ls "$work"/tunzo/*.sock)" .sock)
pids+=("$started")
[ "$(cat /proc/"$started"/comm)" = pipit ] || fail "the new instance is $(cat /proc/"$started"/comm), not pipit"
[ "$(lines)" = "$before" ] || fail "Launch Pipit sent to the card: $(tail -n 3 "$work/trace" | tr '\n' ' ')"
grep -q "^audible 1$" "$work/tunzo/simulated-card-0x30c" || fail "Launch Pipit muted the radio"
"$tunzo" VMT || fail "a start after the launch did not end with 0"
until_ '[ $(lines) -gt "$before" ]'
until_ 'grep -q "^audible 0$" "$work/tunzo/simulated-card-0x30c"'
kill -TERM "$started"
for _ in $(seq 200); do kill -0 "$started" 2>/dev/null || break; sleep 0.05; done
echo "programs: all checks passed"
