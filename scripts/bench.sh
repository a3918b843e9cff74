#!/usr/bin/env bash
# Sets the machine up for the benchmarks, builds them (build/bench) and runs
# them; each prints its ratios or figures against a baseline measured in the
# same run. The engine's benchmark reads the fingerprint collections in
# ../shared/fingerprints (or $FINGERPRINTS).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bash "$here/setup.sh" bench
bash "$here/build.sh" bench
bin=$root/build/bench/bin
prints=${FINGERPRINTS:-$root/../shared/fingerprints}
echo "=== vistrel_bench (Rescale vs OpenCV, LZW TIFF vs libtiff)"
"$bin/vistrel_bench"
echo "=== bench_touch (touch to UsuarioIdentificado, 10,000 templates in memory, fast and full mode)"
"$bin/bench_touch"
if [ -d "$prints/uareu-a" ]; then
  echo "=== bench_touch on the real prints of $prints/uareu-a"
  "$bin/bench_touch" "$prints/uareu-a"
fi
echo "=== bench_store (LoadData of 100,000 templates vs sqlite3 / psql)"
bash "$here/with-postgres.sh" "$bin/bench_store"
echo "=== bench_engine (FVC protocol on $prints)"
if [ -d "$prints" ]; then
  "$bin/bench_engine" "$prints"/fvc2002-db1b "$prints"/fvc2004-db1b "$prints"/uareu-a "$prints"/fvc2000-db2b "$prints"/fvc2002-db3b
else
  echo "bench_engine: no fingerprint collections at $prints; skipped" >&2
fi
echo "=== bench_fpsynth (synthetic against real score distributions; drawing speed)"
real=()
for c in uareu-a fvc2002-db1b fvc2004-db1b fvc2000-db2b fvc2002-db3b; do
  if [ -d "$prints/$c" ]; then real+=("$prints/$c"); fi
done
"$bin/bench_fpsynth" "${real[@]}"
echo "=== registry_bench (import of 100,000 lines vs plain SQLite; registry list with 100,000 employees)"
"$bin/registry_bench"
