#!/usr/bin/env bash
# with-postgres.sh CMD [ARGS...]
# Starts a throwaway PostgreSQL 15 server on a Unix socket in a temporary
# folder (no TCP port), creates the database "talvenox", runs CMD with
# TALVENOX_TEST_PG set to its URI (and PGHOST, PGUSER, PGDATABASE for psql),
# then stops the server and removes the folder. CMD's exit status is kept.
# As root the server runs as the user "nobody": PostgreSQL refuses root.
# Inside CMD, "$TALVENOX_PG_CTL stop|start" stops and starts the same server.
set -euo pipefail
bindir=${TALVENOX_PG_BINDIR:-/usr/lib/postgresql/15/bin}
if [ ! -x "$bindir/initdb" ]; then
  echo "with-postgres: $bindir/initdb is missing (scripts/setup.sh installs postgresql-15)" >&2
  exit 1
fi
dir=$(mktemp -d /tmp/talvenox-pg.XXXXXX)
chmod 755 "$dir"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$dir"
  as=(runuser -u nobody --)
fi
cleanup() {
  "${as[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
"${as[@]}" "$bindir/initdb" -D "$dir/data" -U talvenox --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; exit 1; }
ctl="$dir/pg_ctl.sh"
cat >"$ctl" <<CTL
#!/usr/bin/env bash
exec ${as[*]} "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -m fast \
  -o "-k $dir -c listen_addresses='' -c fsync=off -c max_connections=40" "\$@"
CTL
chmod 755 "$ctl"
"$ctl" start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
"$bindir/createdb" -h "$dir" -U talvenox talvenox
export TALVENOX_TEST_PG="postgresql:///talvenox?host=$dir&user=talvenox"
export TALVENOX_PG_CTL="$ctl"
export PGHOST="$dir" PGUSER=talvenox PGDATABASE=talvenox
set +e
"$@"
rc=$?
set -e
exit $rc
