#!/usr/bin/env bash
# Bounded libFuzzer run (clang-14, ASan + UBSan) of Vistrel's picture readers,
# seeded with the reader fixtures and the regression files in
# greyimage/tests/crashers/. VISTREL_FUZZ_SECONDS sets the time box (60).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
seconds=${VISTREL_FUZZ_SECONDS:-60}
cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
  echo "vistrel-fuzz: clang++-14 is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi
mkdir -p "$out"
"$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/greyimage/src" -I"$root/greyimage/include" -I"$root/platform/bitmap/include" -I"$root/platform/oleauto/include" \
  "$root"/greyimage/tests/fuzz/fuzz_readers.cpp "$root"/greyimage/src/{grey_image,rescale,byte_source,raw_reader,bmp_reader,tiff_reader,tiff_codecs}.cpp \
  "$root"/platform/bitmap/src/bitmap.cpp -o "$out/vistrel_fuzz"

fixtures=$root/build/release/greyimage/tests/fixtures
if [ ! -d "$fixtures" ]; then
  fixtures=$out/fixtures
  bash "$root/greyimage/tests/make-fixtures.sh" "$fixtures"
fi
seeds=$out/seeds
rm -rf "$seeds" "$out/corpus" "$out/artifacts"
mkdir -p "$seeds" "$out/corpus" "$out/artifacts"
cp "$fixtures"/*.tif "$fixtures"/*.bmp "$seeds"/
# Two raw grey image files: with and without the trailing integer.
printf '\1\0\0\0\2\0\0\0\3\0\0\0\2\0\0\0\3\0\0\0abcdef\0\0\0\0' > "$seeds/raw-trailer.dat"
printf '\0\0\0\0\0\0\0\0\0\0\0\0\1\0\0\0\4\0\0\0wxyz' > "$seeds/raw-short.dat"

cd "$out"
if ! ASAN_OPTIONS=detect_leaks=1 ./vistrel_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=262144 -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
    "$out/corpus" "$seeds" "$root/greyimage/tests/crashers" 2>&1 | tail -25; then
  :
fi
if [ -n "$(ls -A "$out/artifacts")" ]; then
  echo "vistrel-fuzz: the fuzzer found failing inputs in $out/artifacts:" >&2
  ls -l "$out/artifacts" >&2
  echo "Fix the reader, then keep each input in greyimage/tests/crashers/ as a regression file." >&2
  exit 1
fi
echo "vistrel-fuzz: nothing found in ${seconds} s"
