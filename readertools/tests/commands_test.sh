#!/usr/bin/env bash
# talvenox-touch puts a print on the virtual reader; talvenox-readers, waiting
# through Plexar, prints its size. Bad input gets an error, not a hang.
# usage: commands_test.sh BINDIR PRINT_WRITER
set -u
bin=$1 writer=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export FP_VIRTUAL_IMAGE=$work/reader.sock
"$writer" 31 "$work/print.bmp" || fail "cannot write a print"
"$bin/talvenox-readers" --wait 20 >"$work/out" 2>&1 &
pid=$!
"$bin/talvenox-touch" --wait 20 "$work/print.bmp" >"$work/touch" || fail "talvenox-touch: $(cat "$work/touch")"
wait $pid || fail "talvenox-readers: $(cat "$work/out")"
grep -q '^1 reader$' "$work/out" || fail "no reader listed: $(cat "$work/out")"
grep -q '^image 320x360$' "$work/out" || fail "wrong image: $(cat "$work/out")"
[ "$(cat "$work/touch")" = "320 360" ] || fail "talvenox-touch said $(cat "$work/touch")"

"$bin/talvenox-touch" --wait 1 "$work/missing.tif" 2>/dev/null && fail "a missing file was accepted"
"$bin/talvenox-touch" --wait 1 "$work/print.bmp" 2>/dev/null && fail "sent with no reader listening"
"$bin/talvenox-touch" 2>/dev/null; [ $? = 2 ] || fail "no usage message"
echo "commands hold"
