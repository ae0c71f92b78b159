#!/usr/bin/env bash
# Every program of the build answers like a command-line program: --version
# prints "<program> <version>" with the one project version, --help prints a
# usage and exits 0, an unknown option exits 2 with a message on standard
# error. orvconfig answers --help and --version without any display.
# test_command_line.sh VERSION PROGRAM...
set -uo pipefail
version="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for exe in "$@"; do
  name="$(basename "$exe")"
  # A display is never needed for these answers.
  run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/config" "$exe" "$@"; }

  out="$(run --version 2>"$work/err")"
  rc=$?
  [ $rc -eq 0 ] || fail "$name --version exits $rc: $(cat "$work/err")"
  [ "$out" = "$name $version" ] || fail "$name --version prints '$out', expected '$name $version'"

  out="$(run --help 2>"$work/err")"
  rc=$?
  [ $rc -eq 0 ] || fail "$name --help exits $rc: $(cat "$work/err")"
  [[ "$out" == "Usage: $name "* ]] || fail "$name --help does not begin with 'Usage: $name': ${out%%$'\n'*}"
  grep -q -- '--version' <<<"$out" || fail "$name --help does not mention --version"

  out="$(run --no-such-option 2>"$work/err")"
  rc=$?
  [ $rc -eq 2 ] || fail "$name --no-such-option exits $rc, expected 2"
  [ -s "$work/err" ] || fail "$name --no-such-option says nothing on standard error"
  grep -q -- 'no-such-option' "$work/err" || fail "$name does not name the unknown option: $(cat "$work/err")"
done

for exe in "$@"; do
  [ "$(basename "$exe")" = orvconfig ] || continue
  grep -q -- '--demo' <<<"$("$exe" --help)" || fail "orvconfig --help does not mention --demo"
  # A stray argument is refused before any window opens; so is an unknown
  # option left over once Qt has taken its own.
  "$exe" stray-argument >/dev/null 2>"$work/err"
  rc=$?
  [ $rc -eq 2 ] || fail "orvconfig stray-argument exits $rc, expected 2"
  grep -q "stray-argument" "$work/err" || fail "orvconfig does not name the stray argument: $(cat "$work/err")"
  HOME="$work" XDG_CONFIG_HOME="$work/config" "$exe" -platform offscreen --bogus >/dev/null 2>"$work/err"
  rc=$?
  [ $rc -eq 2 ] || fail "orvconfig -platform offscreen --bogus exits $rc, expected 2"
  [ ! -e "$work/config" ] || fail "orvconfig made its folders for a command line it refused"
done

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "command lines of $#: fine (version $version)"
