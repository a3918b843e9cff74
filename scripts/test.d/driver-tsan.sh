#!/usr/bin/env bash
# The reader driver's threads under ThreadSanitizer: winsys and Lumadrv (its
# worker, hidden-window delivery and plug-and-play thread against the caller),
# with the fake vendor library. Builds only these targets in build/tsan.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/tsan
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALVENOX_TSAN=ON >/dev/null
cmake --build "$out" -j2 --target winsys_test lumadrv_test lumadrv fakedpfp_full
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$out/bin/winsys_test" --gtest_brief=1
LUMADRV_VENDOR_LIBRARY="$out/testlibs/libfakedpfp_full.so" "$out/bin/lumadrv_test" --gtest_brief=1
echo "driver-tsan: no data race reported"
