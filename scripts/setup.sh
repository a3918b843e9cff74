#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the station and the tests need.
# Every component lists its packages in scripts/packages/*.txt; with the
# argument "bench" also those of the benchmarks in scripts/packages/bench/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
lists=("$here"/packages/*.txt)
if [ "${1:-}" = bench ]; then lists+=("$here"/packages/bench/*.txt); fi
pkgs=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \n' '\n' | sort -u | tr '\n' ' ')
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends $missing
fi
