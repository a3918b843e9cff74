#!/usr/bin/env bash
# Bounded libFuzzer run (clang, ASan + UBSan) of the settings record reader,
# seeded with a record of defaults. SETTINGS_FUZZ_SECONDS sets the time box (20).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz-settings
seconds=${SETTINGS_FUZZ_SECONDS:-20}
cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
  echo "settings-fuzz: clang++ is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi
mkdir -p "$out/corpus" "$out/seeds"
rm -rf "$out/artifacts" && mkdir -p "$out/artifacts"
"$cxx" -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/station/settings/include" -I"$root/platform/textcodec/include" $(pkg-config --cflags Qt6Core) \
  "$root/station/settings/tests/fuzz/fuzz_settings.cpp" "$root/station/settings/src/SettingsStore.cpp" \
  "$root/platform/textcodec/src/Cp1252.cpp" $(pkg-config --libs Qt6Core) -o "$out/settings_fuzz"
# Seeds: an all-zero record and one with every length byte at its maximum.
head -c 2668 /dev/zero > "$out/seeds/zero.sys"
head -c 2668 /dev/zero | tr '\0' '\377' > "$out/seeds/ff.sys"
cd "$out"
./settings_fuzz -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "$out/seeds" 2>&1 | tail -5 || true
if [ -n "$(ls -A "$out/artifacts")" ]; then
  echo "settings-fuzz: failing inputs in $out/artifacts" >&2
  exit 1
fi
echo "settings-fuzz: nothing found in ${seconds} s"
