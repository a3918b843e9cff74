#!/usr/bin/env bash
# talvenox-biodb makes biometrica.mdb with both tables, keeps what is there,
# refuses bad arguments; with TALVENOX_TEST_PG also on a server with --points.
set -euo pipefail
exe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "biodb_test: $*" >&2; exit 1; }

"$exe" "$dir" >/dev/null
db=$dir/biometrica.mdb
tables=$(sqlite3 "$db" "select name from sqlite_master where type='table' order by 1" | tr '\n' ' ')
[ "$tables" = "tblBiometrica tblBiometricaUpdate tblPontos " ] || fail "tables: $tables"
sqlite3 "$db" "insert into tblBiometrica values ('1', 0, x'0102', 2)"
"$exe" "$db" >/dev/null
[ "$(sqlite3 "$db" 'select count(*) from tblBiometrica')" = 1 ] || fail "a second run lost rows"

# A file without the tables gets them; a folder that is not there is an error.
sqlite3 "$dir/old.mdb" "create table tblBiometrica (CodUsuario text, IndiceDedo int, BioFeatures blob, BioSize int)"
"$exe" "$dir/old.mdb" >/dev/null
[ "$(sqlite3 "$dir/old.mdb" "select count(*) from sqlite_master where name='tblBiometricaUpdate'")" = 1 ] || fail "old file"
if "$exe" "$dir/nada/x.mdb" 2>/dev/null; then fail "a missing folder was accepted"; fi
[ ! -e "$dir/nada" ] || fail "a missing folder was made"
for bad in "" "--points 3 $dir" "a b"; do
  set +e; "$exe" $bad >/dev/null 2>&1; rc=$?; set -e
  [ $rc = 2 ] || fail "arguments '$bad' gave $rc"
done

if [ -n "${TALVENOX_TEST_PG:-}" ]; then
  "$exe" "$TALVENOX_TEST_PG" --points 3 | grep -q 'collection points: 3' || fail "--points 3 on the server"
  [ "$(psql -Atc 'select count(*) from tblPontos')" = 3 ] || fail "points on the server"
fi
echo "biodb_test: ok"
