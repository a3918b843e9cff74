#!/usr/bin/env bash
# Sets the machine up, builds and runs every test: the release build, then the
# Debug build with AddressSanitizer and UBSan, then the extra steps in test.d/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bash "$here/setup.sh"
for kind in release debug-asan; do
  echo "=== build and test: $kind"
  bash "$here/build.sh" "$kind"
  (cd "$root/build/$kind" && ctest --output-on-failure -j2)
done
for step in "$here"/test.d/*.sh; do
  [ -e "$step" ] || continue
  echo "=== $(basename "$step")"
  bash "$step"
done
echo "=== all tests passed"
