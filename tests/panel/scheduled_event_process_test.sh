#!/usr/bin/env bash
# A scheduler's event for every minute, written straight into the store,
# mutes a freshly started tunzo on the wall clock, once in its minute, and
# again in the next. The real program on the simulated card; waits are for
# conditions or for the minute to turn, bounded, never for a fixed time.
set -euo pipefail
tunzo=$1
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace
card=$work/tunzo/simulated-card-0x30c
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace" ] && tail -20 "$work/trace" >&2; exit 1; }
# until_ SECONDS COMMAND: retries every 50 ms for up to SECONDS.
until_() { for _ in $(seq $(($1 * 20))); do if eval "$2"; then return 0; fi; sleep 0.05; done; fail "timed out: $2"; }
lines() { wc -l < "$work/trace"; }
trace_tail() { tail -n "$1" "$work/trace" | tr '\n' ' '; }
muted() { [ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] && grep -q "^audible 0$" "$card"; }
playing() { [ "$(trace_tail 2)" = "out 0x30c 0x00 out 0x30c 0xc8 " ] && grep -q "^audible 1$" "$card"; }
minute() { date +%H%M; }
second() { echo $((10#$(date +%S))); }

# "Mute" every minute of every day: Hours and Minutes -1 (DWORD 0xffffffff).
sqlite3 "$TUNZO_REGISTRY" <<'SQL'
CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE,
                   kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));
INSERT INTO keys VALUES (1, 'SOFTWARE\Velmar\Tunzo\Events');
INSERT INTO keys VALUES (2, 'SOFTWARE\Velmar\Tunzo\Events\Every minute');
INSERT INTO vals VALUES (2, 'Years', 4, X'00000000');
INSERT INTO vals VALUES (2, 'Months', 1, CAST('111111111111' AS BLOB));
INSERT INTO vals VALUES (2, 'Days of month', 4, X'FFFFFFFF');
INSERT INTO vals VALUES (2, 'Weekdays', 1, CAST('1111111' AS BLOB));
INSERT INTO vals VALUES (2, 'Hours', 4, X'FFFFFFFF');
INSERT INTO vals VALUES (2, 'Minutes', 4, X'FFFFFFFF');
INSERT INTO vals VALUES (2, 'Duration', 4, X'00000000');
INSERT INTO vals VALUES (2, 'Action', 1, CAST('VMT' AS BLOB));
INSERT INTO vals VALUES (2, 'Monthly days', 1, CAST('0:0' AS BLOB));
INSERT INTO vals VALUES (2, 'Action after event', 1, CAST('' AS BLOB));
INSERT INTO vals VALUES (2, 'Active', 4, X'01000000');
INSERT INTO vals VALUES (2, 'Recurrency', 4, X'00000000');
INSERT INTO vals VALUES (2, 'Every X days', 4, X'00000000');
SQL

# The radio is playing, left on by an earlier session.
(umask 077; mkdir "$work/tunzo"; printf 'frequency 94.200\naudible 1\nvolume 8\nstereo 0\n' > "$card")

# Started early in a minute, so that the first mute and the rest of its
# minute fall on the same side of the turn (at most ten seconds of waiting).
latest_start=50
until_ 11 '[ $(second) -lt $latest_start ]'
touch "$work/trace"
"$tunzo" & pid=$!
until_ 10 'ls "$work"/tunzo/*.sock >/dev/null 2>&1'
until_ 61 muted
fired_in=$(minute)
fired_at=$(second)
muted_lines=$(lines)
[ "$muted_lines" = 3 ] || fail "the event did more than mute: $(trace_tail 9)"

# Unmuted by hand, the radio stays on for the rest of the event's minute.
"$tunzo" VUM
until_ 10 playing
# The first tick fires, seconds after a start before second 50; a mute seen
# at the turn of the minute would leave nothing of its minute to watch.
[ "$fired_at" -lt 58 ] || fail "the event fired only at second $fired_at of its minute"
heard=$(lines)
# The trace is read before the clock: a change seen while the clock still
# shows the event's minute happened in that minute.
for _ in $(seq 1220); do
  now_lines=$(lines)
  [ "$(minute)" = "$fired_in" ] || break
  [ "$now_lines" = "$heard" ] || fail "the event ran again in its minute $fired_in: $(trace_tail 5)"
  sleep 0.05
done
[ "$(minute)" != "$fired_in" ] || fail "the minute $fired_in did not end"

# The next minute mutes again.
until_ 5 muted
kill -TERM "$pid"; wait "$pid" || fail "tunzo did not end with 0 on SIGTERM"; pid=
echo "scheduled event: all checks passed"
