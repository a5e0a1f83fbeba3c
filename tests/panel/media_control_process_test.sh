#!/usr/bin/env bash
# The desktop's remote control, as a sound applet or playerctl uses it: tunzo
# and pipit on a private session bus (run under dbus-run-session), on the
# simulated card. Pause mutes and Play unmutes the card, Next and Previous
# choose the stored presets, Metadata and its change signal name the station,
# Quit leaves; without a bus tunzo starts as ever and says nothing. Waits are
# for conditions, bounded, never for a fixed time.
set -euo pipefail
tunzo=$1
pipit=$2
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "FAIL: no session bus: run under dbus-run-session" >&2; exit 1; }
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated TUNZO_ASSUME_TRAY=1
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace TUNZO_SIM_STATIONS=94.2,98.6
card=$work/tunzo/simulated-card-0x30c
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace" ] && tail -6 "$work/trace" >&2; exit 1; }
# until_ COMMAND: retries for up to 10 s.
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
trace_tail() { tail -n "$1" "$work/trace" | tr '\n' ' '; }

player=tunzo
on_bus() {
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:org.mpris.MediaPlayer2.$1" | grep -q true
}
call() {
  dbus-send --session --print-reply --dest="org.mpris.MediaPlayer2.$player" /org/mpris/MediaPlayer2 \
    "org.mpris.MediaPlayer2.Player.$1" >/dev/null || fail "$1 was not answered"
}
quit() {
  dbus-send --session --print-reply --dest="org.mpris.MediaPlayer2.$player" /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null || fail "Quit was not answered"
}
get() {
  dbus-send --session --print-reply=literal --dest="org.mpris.MediaPlayer2.$player" /org/mpris/MediaPlayer2 \
    org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1"
}
status_is() { [ "$(get PlaybackStatus | tr -d ' ')" = "variant$1" ]; }
# The reply with its layout squeezed to single blanks.
metadata() { get Metadata | tr -s ' \n' '  '; }
title_is() { metadata | grep -qF "xesam:title variant $1 )"; }
muted() { grep -q "^audible 0$" "$card" && [ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ]; }
playing() { grep -q "^audible 1$" "$card" && [ "$(trace_tail 2)" = "out 0x30c 0x00 out 0x30c 0xc8 " ]; }
tuned() { grep -q "^frequency $1$" "$card"; }
ends() { for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.05; done; return 1; }

# Presets 1 and 3 stored, 2 empty: Next skips it, as Page Up does.
sqlite3 "$TUNZO_REGISTRY" <<'SQL'
CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE,
                   kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));
INSERT INTO keys VALUES (1, 'SOFTWARE\Velmar\Tunzo\Presets\1');
INSERT INTO vals VALUES (1, 'Frequency', 3, X'CDCCCCCCCC8C5740');  -- 94.2
INSERT INTO vals VALUES (1, 'Station name', 1, CAST('Test FM' AS BLOB));
INSERT INTO vals VALUES (1, 'Include in preset scan', 4, X'01000000');
INSERT INTO keys VALUES (3, 'SOFTWARE\Velmar\Tunzo\Presets\3');
INSERT INTO vals VALUES (3, 'Frequency', 3, X'6666666666A65840');  -- 98.6
INSERT INTO vals VALUES (3, 'Station name', 1, CAST('Ten FM' AS BLOB));
INSERT INTO vals VALUES (3, 'Include in preset scan', 4, X'01000000');
SQL
touch "$work/trace"

# Every change signal on the bus, as an applet sees them; listening before
# any player starts.
dbus-monitor --session "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'" \
  > "$work/signals" 2>&1 & pids+=($!)
until_ '[ -s "$work/signals" ]'

# ---- tunzo, on preset 1.
"$tunzo" PRE:1 & pids+=($!); pid=$!
until_ 'on_bus tunzo'
until_ 'title_is "Test FM 94.2 MHz"'
metadata | grep -qF "mpris:trackid variant /org/velmar/tunzo/station/94200 )" \
  || fail "the track id is not the station's: $(metadata)"

call Pause
until_ muted
until_ 'status_is Paused'
call Play
until_ playing
until_ 'status_is Playing'

call Next
until_ 'tuned 98.600'
until_ 'title_is "Ten FM 98.6 MHz"'
until_ 'grep -q "Ten FM 98.6 MHz" "$work/signals"'
call Previous
until_ 'tuned 94.200'
until_ 'title_is "Test FM 94.2 MHz"'

# Quit is Power: "Shutdown options" 3, the radio plays on.
before=$(wc -l < "$work/trace")
quit
ends "$pid" || fail "tunzo did not end on Quit"
wait "$pid" || fail "tunzo did not end with 0 on Quit"
grep -q "^audible 1$" "$card" || fail "Quit muted the radio"
[ "$(wc -l < "$work/trace")" = "$before" ] || fail "Quit sent to the card: $(trace_tail 3)"

# ---- A flood of media keys (each Next a tune with its waits): only the
# latest call of each command waits, and a logout goes before it, muted, at
# once.
"$tunzo" & pids+=($!); pid=$!
until_ 'on_bus tunzo'
for _ in $(seq 300); do
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.tunzo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player.Next
done
kill -TERM "$pid"
ends "$pid" || fail "SIGTERM did not end tunzo under a flood of Next calls"
wait "$pid" || fail "tunzo did not end with 0 on SIGTERM under a flood of Next calls"
muted || fail "the flood of Next calls undid the mute at the end: $(trace_tail 4)"

# ---- without a session bus: tunzo starts as ever, and says nothing of it.
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus "$tunzo" 2> "$work/tunzo.err" & pids+=($!); pid=$!
until_ 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
on_bus tunzo && fail "tunzo without a bus is on the test's bus"
kill -TERM "$pid"
wait "$pid" || fail "tunzo without a bus did not end with 0"
# (The offscreen platform has its own words about the tray and windows.)
! grep -qi "bus" "$work/tunzo.err" || fail "tunzo without a bus wrote: $(cat "$work/tunzo.err")"

# ---- pipit offers the same under its own name; Next begins at preset 1.
player=pipit
"$pipit" & pids+=($!); pid=$!
until_ 'on_bus pipit'
call Pause
until_ 'grep -q "^audible 0$" "$card"'
until_ 'status_is Paused'
call Next
until_ 'tuned 94.200'
until_ 'title_is "Test FM 94.2 MHz"'
call Play
until_ 'grep -q "^audible 1$" "$card"'
quit
ends "$pid" || fail "pipit did not end on Quit"
echo "media control: all checks passed"
