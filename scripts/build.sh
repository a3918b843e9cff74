#!/usr/bin/env bash
# build.sh [release|debug-asan]  -- configures and builds into build/<kind>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
case "$kind" in
  release)    args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  debug-asan) args=(-DCMAKE_BUILD_TYPE=Debug -DTALVENOX_SANITIZE=ON) ;;
  bench)      args=(-DCMAKE_BUILD_TYPE=Release -DTALVENOX_BENCH=ON) ;;
  *) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
# Installs like a Debian program: /usr (scripts/package.sh packs it).
cmake -S "$root" -B "$root/build/$kind" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr "${args[@]}"
cmake --build "$root/build/$kind" -j2
