#!/usr/bin/env bash
# The engine's threading test under ThreadSanitizer: contexts freed while in
# use, and several contexts working side by side.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
b=$root/build/tsan
cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$b" -j2 --target engine_thread_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$b/bin/engine_thread_test"
