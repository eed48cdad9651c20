#!/bin/sh
# Runs a command as an ordinary user would, for checks that mean nothing to
# root (a file this account may not read, a folder it may not write). As
# root, the command runs as "nobody" with no extra groups, in a fresh home of
# its own that is also its working folder, HOME, TMPDIR and XDG_DATA_HOME's
# parent; as anyone else it simply runs there. With --copy, PROGRAM is first
# copied into that home, for programs inside a tree "nobody" cannot enter.
#
# Usage: as-ordinary-user.sh [--copy] PROGRAM [ARG...]
# Exits with the command's status; 77 (skipped) when root cannot switch.
set -u
copy=no
if [ "${1:-}" = "--copy" ]; then
  copy=yes
  shift
fi
if [ $# -lt 1 ]; then
  echo "usage: $0 [--copy] PROGRAM [ARG...]" >&2
  exit 2
fi
home=$(mktemp -d) || exit 1
trap 'rm -rf "$home"' EXIT
program=$1
shift
if [ "$copy" = yes ]; then
  cp "$program" "$home/" || exit 1
  program=$home/$(basename "$program")
fi
mkdir -p "$home/.local/share"
cd "$home" || exit 1
if [ "$(id -u)" -ne 0 ]; then
  HOME=$home TMPDIR=$home XDG_DATA_HOME=$home/.local/share "$program" "$@"
  status=$?
  exit $status
fi
uid=$(id -u nobody 2>/dev/null) && gid=$(id -g nobody 2>/dev/null) ||
  { echo "SKIPPED: there is no user nobody"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIPPED: setpriv is not installed"; exit 77; }
chown -R "$uid:$gid" "$home"
HOME=$home TMPDIR=$home XDG_DATA_HOME=$home/.local/share \
  setpriv --reuid="$uid" --regid="$gid" --clear-groups "$program" "$@"
status=$?
exit $status
