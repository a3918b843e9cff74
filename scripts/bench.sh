#!/usr/bin/env bash
# Sets the machine up for the benchmarks, builds them (build/bench) and runs
# every benchmark program there; each prints its ratios against a baseline
# measured in the same run. Arguments go to every benchmark.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bash "$here/setup.sh" bench
bash "$here/build.sh" bench
for b in "$root"/build/bench/bin/*_bench; do
  [ -x "$b" ] || continue
  echo "=== $(basename "$b")"
  "$b" "$@"
done
