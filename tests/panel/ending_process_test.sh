#!/usr/bin/env bash
# tunzo's ways out as separate processes meet them: a start that comes while
# the panel ends runs as the next panel instead of handing its words to the
# one that is going, and a logout while a start-up message box waits for OK
# ends the panel there, muted. Waits are for conditions, bounded, never for a
# fixed time.
set -euo pipefail
tunzo=$1
work=$(mktemp -d)
pids=()
cleanup() {
  exec 4>&- 2>/dev/null || true
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" TERM INT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated
export TUNZO_REGISTRY=$work/registry.sqlite TUNZO_PORT_TRACE=$work/trace TUNZO_SIM_STATIONS=94.2,98.6
card=$work/tunzo/simulated-card-0x30c
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace" ] && tail -6 "$work/trace" >&2; exit 1; }
# until_ COMMAND: retries for up to 10 s.
until_() { for _ in $(seq 200); do if eval "$1"; then return 0; fi; sleep 0.05; done; fail "timed out: $1"; }
trace_tail() { tail -n "$1" "$work/trace" | tr '\n' ' '; }
listening() { [ -S "$work/tunzo/$1.sock" ]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# The session signals are caught (not the default death) once the panel can
# end a session properly.
catches_term() {
  local mask
  mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask >> 14) & 1 ))
}

sqlite3 "$TUNZO_REGISTRY" <<'SQL'
CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE,
                   kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));
INSERT INTO keys VALUES (1, 'SOFTWARE\Velmar\Tunzo\Presets\1');
INSERT INTO vals VALUES (1, 'Frequency', 3, X'CDCCCCCCCC8C5740');  -- 94.2
INSERT INTO vals VALUES (1, 'Station name', 1, CAST('Test FM' AS BLOB));
INSERT INTO keys VALUES (2, 'SOFTWARE\Velmar\Tunzo\Presets\2');
INSERT INTO vals VALUES (2, 'Frequency', 3, X'6666666666A65840');  -- 98.6
INSERT INTO vals VALUES (2, 'Station name', 1, CAST('Ten FM' AS BLOB));
SQL
touch "$work/trace"

# ---- SIGTERM, then a start while the ending panel saves. Another program
# holds the store's write lock, so the save waits its two seconds: long
# enough for the start to come while the panel is still there.
"$tunzo" & pids+=($!); first=$!
until_ "listening $first"
rm -f "$work/lock"; mkfifo "$work/lock"
sqlite3 "$TUNZO_REGISTRY" < "$work/lock" > "$work/holder.out" 2>&1 & pids+=($!); holder=$!
exec 4> "$work/lock"
printf "BEGIN IMMEDIATE;\n.shell touch '%s'\n" "$work/locked" >&4
until_ '[ -e "$work/locked" ]'
kill -TERM "$first"
# (Without the lock's pipe: the other writer ends when the pipe is closed.)
"$tunzo" PRE:2 4>&- & pids+=($!); second=$!
until_ "ended $first"
wait "$first" || fail "the first panel did not end with 0 on SIGTERM"
# The second start did not hand its words to the panel that was going: it
# runs as the next panel, and its own words tune preset 2.
until_ "listening $second || ended $second"
listening "$second" || fail "the start that came during the end handed its words to the ending panel and left"
echo "COMMIT;" >&4; exec 4>&-
wait "$holder" || fail "the store's other writer failed: $(cat "$work/holder.out")"
until_ 'grep -q "^frequency 98.600$" "$card"'
kill -TERM "$second"
wait "$second" || fail "the second panel did not end with 0 on SIGTERM"

# ---- A list that ends with DIE, then a start while the tunes before it
# still read the card's status: the same, by words.
"$tunzo" & pids+=($!); first=$!
until_ "listening $first"
"$tunzo" PRE:1 PRE:2 PRE:1 DIE
"$tunzo" PRE:2 & pids+=($!); second=$!
until_ "ended $first"
until_ "listening $second || ended $second"
listening "$second" || fail "the start that came after DIE handed its words to the ending panel and left"
kill -TERM "$second"
wait "$second" || fail "the panel after DIE did not end with 0 on SIGTERM"

# ---- A logout while the start-up's store error waits for OK: the session
# ends there, muted, instead of waiting for a click that never comes.
sqlite3 "$TUNZO_REGISTRY" <<'SQL'
INSERT OR IGNORE INTO keys (path) VALUES ('SOFTWARE\Velmar\Tunzo');
INSERT OR REPLACE INTO vals VALUES ((SELECT id FROM keys WHERE path = 'SOFTWARE\Velmar\Tunzo'),
                                    'DefaultStation', 1, CAST('94.2' AS BLOB));  -- a string where a float belongs
SQL
"$tunzo" VUM 2> "$work/err" & pids+=($!); boxed=$!
until_ "catches_term $boxed"
lines=$(wc -l < "$work/trace")
kill -TERM "$boxed"
until_ "ended $boxed"
wait "$boxed" || fail "the panel did not end with 0 on SIGTERM during its start-up box"
[ "$(trace_tail 3)" = "out 0x30c 0x00 sleep 10 out 0x30c 0x00 " ] || fail "the logout did not mute: $(trace_tail 3)"
! grep -q "^audible 1$" "$card" || fail "the radio plays on after the logout"
[ "$(wc -l < "$work/trace")" = $((lines + 3)) ] || fail "the start-up went on to the card after the logout"
[ -z "$(ls "$work"/tunzo/*.sock 2>/dev/null)" ] || fail "the hand-over socket was left behind"
echo "panel endings: all checks passed"
