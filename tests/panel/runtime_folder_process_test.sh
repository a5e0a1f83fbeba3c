#!/usr/bin/env bash
# tunzo without a usable runtime folder or instance lock: it must not run as a
# second panel beside one it cannot see. Each start says why, names the folder
# or file, ends with a non-zero code and makes no window (no settings store
# appears either). Every start is bounded, so a panel that comes up anyway
# fails the test instead of running on.
set -euo pipefail
tunzo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen TUNZO_CARD=simulated TUNZO_REGISTRY=$work/registry.sqlite
unset TUNZO_PORT_TRACE
fail() { echo "FAIL: $*" >&2; exit 1; }

# refused WHAT TEXT: starts tunzo; it must end by itself, non-zero, saying TEXT.
refused() {
  local rc=0
  timeout 20 "$tunzo" VUP 2> "$work/err" || rc=$?
  [ "$rc" != 124 ] || fail "$1: tunzo ran as a panel"
  [ "$rc" != 0 ] || fail "$1: tunzo ended with 0"
  grep -qF -- "$2" "$work/err" || fail "$1: the message does not say \"$2\": $(cat "$work/err")"
  [ ! -e "$TUNZO_REGISTRY" ] || fail "$1: tunzo opened its settings, so it started a panel"
}

# XDG_RUNTIME_DIR names a folder that is not there.
XDG_RUNTIME_DIR=$work/missing refused "a missing XDG_RUNTIME_DIR" "$work/missing/tunzo cannot be created"

# A link at the folder's place, to another user's folder: nothing lands there.
mkdir -p "$work/xdg" "$work/other"
ln -s "$work/other" "$work/xdg/tunzo"
XDG_RUNTIME_DIR=$work/xdg refused "a linked runtime folder" "$work/xdg/tunzo is a symbolic link"
[ -z "$(ls -A "$work/other")" ] || fail "tunzo wrote into the linked folder: $(ls -A "$work/other")"

# The folder made first by another user, open to all (only root can make
# one of another owner; CI runs as root).
rm "$work/xdg/tunzo"
if [ "$(id -u)" = 0 ]; then
  chmod 0755 "$work"; chmod 0777 "$work/xdg"
  setpriv --reuid=65534 --regid=65534 --clear-groups mkdir -m 0777 "$work/xdg/tunzo"
  XDG_RUNTIME_DIR=$work/xdg refused "another user's runtime folder" "$work/xdg/tunzo belongs to user"
  [ -z "$(ls -A "$work/xdg/tunzo")" ] || fail "tunzo wrote into another user's folder"
  rmdir "$work/xdg/tunzo"
else
  echo "note: not root, so the folder of another owner is not tried"
fi

# A usable folder whose lock cannot be opened.
mkdir -m 0700 -p "$work/xdg/tunzo/Tunzo.lock"
XDG_RUNTIME_DIR=$work/xdg refused "an unopenable lock" "$work/xdg/tunzo/Tunzo.lock"
echo "runtime folder processes: all checks passed"
