#!/usr/bin/env bash
# tunzo as separate processes on the simulated card: the hand-over from a
# second start, the end of a session, Power, the close box and what the next
# start finds. Waits are for conditions (a socket, a trace line, a process
# ending), bounded, never for a fixed time.
set -euo pipefail
tunzo=$1
driver=$2  # tunzo's own entry, with a hand on standard input (power, close, move X Y)
work=$(mktemp -d)
pid=
cleanup() { exec 3>&- 2>/dev/null || true; [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace TUNZO_SIM_STATIONS=94.2
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace" ] && tail -20 "$work/trace" >&2; exit 1; }
# until COMMAND: retries for up to 10 s.
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
trace_tail() { tail -n "$1" "$work/trace" | tr '\n' ' '; }

# A preset written straight into the store, as another program may do.
sqlite3 "$TUNZO_REGISTRY" <<'SQL'
CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE,
                   kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));
INSERT INTO keys VALUES (1, 'SOFTWARE\Velmar\Tunzo\Presets\1');
INSERT INTO vals VALUES (1, 'Frequency', 3, X'CDCCCCCCCC8C5740');  -- 94.2
INSERT INTO vals VALUES (1, 'Station name', 1, CAST('Test FM' AS BLOB));
INSERT INTO vals VALUES (1, 'Include in preset scan', 4, X'01000000');
SQL

"$tunzo" & pid=$!
until_ 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
touch "$work/trace"
lines() { wc -l < "$work/trace"; }

# A second start hands over its words and ends at once with code 0.
before=$(lines)
"$tunzo" VUP VMT || fail "the second start did not end with 0"
until_ '[ $(lines) -ge $((before + 6)) ]'
[ "$(trace_tail 6)" = "out 0x30c 0x88 sleep 20 out 0x30c 0xc8 out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] \
  || fail "VUP VMT did not step up then mute: $(trace_tail 6)"
[ "$(ls "$work"/tunzo/*.sock | wc -l)" = 1 ] || fail "the second start opened a channel of its own"

# Without words nothing happens: the unmute sent next is all that follows.
before=$(lines)
"$tunzo" || fail "the second start without words did not end with 0"
"$tunzo" VUM
until_ '[ $(lines) -ge $((before + 2)) ]'
[ "$(lines)" = $((before + 2)) ] && [ "$(trace_tail 2)" = "out 0x30c 0x00 out 0x30c 0xc8 " ] \
  || fail "a start without words changed something: $(trace_tail 4)"

# A preset by its number, then the end of the session: saved, muted, gone.
"$tunzo" PRE:1
until_ 'grep -q "^frequency 94.200$" "$work/tunzo/simulated-card-0x30c"'
kill -TERM "$pid"
wait "$pid" || fail "tunzo did not end with 0 on SIGTERM"
pid=
[ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] || fail "SIGTERM did not mute: $(trace_tail 3)"
stored=$(sqlite3 "$TUNZO_REGISTRY" "SELECT hex(data) FROM vals WHERE name = 'DefaultStation'")
[ "$stored" = CDCCCCCCCC8C5740 ] || fail "DefaultStation holds $stored, not 94.2"
[ ! -e "$work"/tunzo/*.sock ] || fail "the channel was left behind"

# The next start shows the stored frequency and does not touch the card.
before=$(lines)
"$tunzo" & pid=$!
until_ 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
[ "$(lines)" = "$before" ] || fail "a start without \"Tune to last station\" tuned the card"
kill -TERM "$pid"; wait "$pid"; pid=

# ---- the Power button, the close box and the window position, by hand.
card=$work/tunzo/simulated-card-0x30c
audible() { grep -q "^audible 1$" "$card"; }
# drive [WORDS]: starts the driven panel; waits until its window is shown.
drive() {
  rm -f "$work/hand"; mkfifo "$work/hand"; : > "$work/shown"
  "$driver" "$@" < "$work/hand" > "$work/shown" & pid=$!
  exec 3> "$work/hand"
  until_ 'grep -q "^window " "$work/shown" && ls "$work"/tunzo/*.sock >/dev/null 2>&1'
}
hand() { echo "$*" >&3; }
# The unmute is on the card and in the trace.
playing() { audible && [ "$(trace_tail 2)" = "out 0x30c 0x00 out 0x30c 0xc8 " ]; }
ended() { exec 3>&-; wait "$pid" || fail "tunzo did not end with 0 after $1"; pid=; }
option() {
  sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = X'0${1}000000' WHERE name = 'Shutdown options'"
}
[ "$(sqlite3 "$TUNZO_REGISTRY" "SELECT hex(data) FROM vals WHERE name = 'Shutdown options'")" = 03000000 ] \
  || fail "\"Shutdown options\" is not stored as 3"

# Option 3: Power leaves the radio playing, and the settings keep the last
# frequency and the window's place, which the next start takes up again.
drive
"$tunzo" PRE:1 VUM
until_ playing
hand move 140 90
before=$(lines)
hand power
ended "Power"
audible || fail "Power with \"Shutdown options\" 3 muted the radio"
[ "$(lines)" = "$before" ] || fail "Power with option 3 sent to the card: $(trace_tail 3)"
drive
[ "$(cat "$work/shown")" = "window 140 90 094.2" ] || fail "the next start shows $(cat "$work/shown")"

hand power
ended "Power"

# Option 0: Power mutes. (The store is changed while no panel runs: the
# panel writes its own settings back when it ends.)
option 0
drive
"$tunzo" VUM
until_ playing
hand power
ended "Power"
audible && fail "Power with \"Shutdown options\" 0 left the radio playing"
[ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] || fail "Power did not mute: $(trace_tail 3)"

# The close box mutes whatever the option says.
option 3  # the panel has just written 0 back
drive
"$tunzo" VUM
until_ playing
hand close
ended "the close box"
audible && fail "the close box left the radio playing"
[ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] || fail "the close box did not mute: $(trace_tail 3)"

# "DIE VUP": the entry after the close still runs, then the panel ends, and
# the radio plays on (a close by words neither saves nor mutes).
drive
"$tunzo" VUM
until_ playing
"$tunzo" DIE VUP
ended "DIE VUP"
[ "$(trace_tail 3)" = "out 0x30c 0x88 sleep 20 out 0x30c 0xc8 " ] || fail "DIE VUP: $(trace_tail 3)"
audible || fail "DIE muted the radio"
# A start in the background of a shell that ignores SIGHUP ("nohup tunzo &")
# keeps it ignored: the radio outlives the terminal.
(trap '' HUP; exec "$tunzo") & pid=$!
until_ 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
kill -HUP "$pid"
before=$(lines)
# Bounded: were the panel gone, this start would become a panel itself.
timeout 10 "$tunzo" VUM || fail "an ignored SIGHUP ended the panel"
until_ '[ $(lines) -ge $((before + 2)) ]'
kill -0 "$pid" 2>/dev/null || fail "an ignored SIGHUP ended the panel"
kill -TERM "$pid"; wait "$pid"; pid=

# A store that cannot be written: the end of a session cannot wait for a
# click on a message box. One signal after another, the session still ends
# once, muted, within a few seconds, and says why on standard error.
: > "$work/blocker"
TUNZO_REGISTRY=$work/blocker/registry.sqlite "$tunzo" 2> "$work/err" & pid=$!
until_ 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
before=$(lines)
kill -TERM "$pid"; kill -INT "$pid" 2>/dev/null || true; kill -HUP "$pid" 2>/dev/null || true
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "SIGTERM with an unwritable store did not end the panel within 5 s"
wait "$pid" || fail "tunzo did not end with 0 on SIGTERM with an unwritable store"
pid=
[ "$(lines)" = $((before + 3)) ] && [ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] \
  || fail "the session end did not mute exactly once: $(trace_tail 6)"
grep -q "Error writing to registry" "$work/err" || fail "the unsaved settings were not reported: $(cat "$work/err")"
echo "panel processes: all checks passed"
