#!/bin/sh
# Runs every scripted session under examples/scripts and compares its output with the
# .expected file beside it. Needs SCRIVLET (the binary) and SCRIVLET_EXAMPLES.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
for script in "$SCRIVLET_EXAMPLES"/scripts/*.script; do
  expected="${script%.script}.expected"
  if ! "$SCRIVLET" script "$script" >"$work/out" 2>"$work/err"; then
    echo "FAIL: $script stopped: $(cat "$work/err")"
    failures=$((failures + 1))
  elif ! diff -u "$expected" "$work/out"; then
    echo "FAIL: $script differs from $expected"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "script examples passed"
