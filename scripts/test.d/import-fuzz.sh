#!/usr/bin/env bash
# Bounded libFuzzer run (clang, ASan + UBSan) of the employee import parser
# and import pass, seeded with good and broken import lines.
# IMPORT_FUZZ_SECONDS sets the time box (25).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz-import
seconds=${IMPORT_FUZZ_SECONDS:-25}
cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
  echo "import-fuzz: clang++ is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi
mkdir -p "$out/corpus" "$out/seeds"
rm -rf "$out/artifacts" && mkdir -p "$out/artifacts"
"$cxx" -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/station/registry/include" -I"$root/platform/textcodec/include" -I"$root/platform/sqlconnect/include" \
  $(pkg-config --cflags Qt6Core Qt6Sql) \
  "$root/station/registry/tests/fuzz/fuzz_import.cpp" "$root/station/registry/src/ImportFile.cpp" \
  "$root/station/registry/src/EmployeeImport.cpp" "$root/station/registry/src/EmployeeTable.cpp" \
  "$root/platform/sqlconnect/src/SqlConnect.cpp" \
  "$root/platform/textcodec/src/Cp1252.cpp" $(pkg-config --libs Qt6Core Qt6Sql) -o "$out/import_fuzz"
printf '0001;100;RG1;Ana;17/05/1990;S;atrasos;obs\r\n0001;100;;Bia;;N;;\r\n' > "$out/seeds/good.txt"
printf '1;ABCDEFGHIJKLMNOPQRSTUVWXY;;x;31/02/2000;Sim;;a;b;c\n\n1;2;3\n' > "$out/seeds/broken.txt"
printf 'Jos\xe9;Concei\xe7\xe3o;;;;;;\r\n' > "$out/seeds/cp1252.txt"
cd "$out"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
./import_fuzz -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "$out/seeds" 2>&1 | tail -5 || true
if [ -n "$(ls -A "$out/artifacts")" ]; then
  echo "import-fuzz: failing inputs in $out/artifacts" >&2
  exit 1
fi
echo "import-fuzz: nothing found in ${seconds} s"
