#!/usr/bin/env bash
# Short libFuzzer runs of the input parsers (about 20 seconds each), built with clang++ and
# AddressSanitizer/UndefinedBehaviorSanitizer. Without clang++ or its libFuzzer runtime (both
# installed by scripts/install-deps.sh) it fails, so that a run never passes without fuzzing.
#   FUZZ_BUILD    build folder (default: build-fuzz)
#   FUZZ_SECONDS  seconds per target (default: 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-20}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-smoke: clang++ not found (Debian package clang)" >&2
  exit 1
fi
mkdir -p "$out"
probe="$out/probe.cpp"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe"
if ! clang++ -fsanitize=fuzzer "$probe" -o "$out/probe" >/dev/null 2>&1; then
  echo "fuzz-smoke: clang++ has no libFuzzer runtime (Debian package libclang-rt-14-dev)" >&2
  exit 1
fi

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I "$root/src")

# Row parser: seeded with a well-formed line (LF and CR LF) and a few broken ones.
clang++ "${flags[@]}" "$root/tests/fuzz/RowParserFuzz.cpp" "$root/src/analysis/RowParser.cpp" \
  "$root/src/cards/Cards.cpp" -o "$out/RowParserFuzz"
corpus="$out/RowParserCorpus"
mkdir -p "$corpus"
line=""
for r in 2 3 4 5 6 7 8 9 T J Q K A; do
  for s in c d h s; do line+="${line:+ }$r$s"; done
done
printf '%s\n' "$line" >"$corpus/lf"
printf '%s\r\n%s\r\n' "$line" "$line" >"$corpus/crlf"
printf '%s' "${line% *}" >"$corpus/short"
printf '%s\n%s\n' "$line" "${line/2d/2c}" >"$corpus/twice"
echo "fuzz-smoke: RowParserFuzz for ${seconds}s"
ASAN_OPTIONS=detect_leaks=1 "$out/RowParserFuzz" -max_total_time="$seconds" -max_len=8192 \
  -print_final_stats=1 "$corpus" 2>"$out/RowParserFuzz.log" || {
  tail -40 "$out/RowParserFuzz.log"
  exit 1
}
grep -E "stat::number_of_executed_units|Done" "$out/RowParserFuzz.log" | tail -2
