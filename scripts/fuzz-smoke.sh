#!/usr/bin/env bash
# Short libFuzzer runs of the input parsers, of export rows and of counts files (about 20
# seconds each), built with clang++ and AddressSanitizer/UndefinedBehaviorSanitizer. Without
# clang++ or its libFuzzer runtime (both installed by scripts/install-deps.sh) it fails, so that
# a run never passes without fuzzing.
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

# Runs target $1 over the corpus folder $2 for the set time, with any further libFuzzer options.
run_target() {
  local name=$1 corpus=$2
  shift 2
  echo "fuzz-smoke: $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1 "$out/$name" -max_total_time="$seconds" -print_final_stats=1 "$@" \
    "$corpus" 2>"$out/$name.log" || {
    tail -40 "$out/$name.log"
    exit 1
  }
  grep -E "stat::number_of_executed_units|Done" "$out/$name.log" | tail -2
}

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
run_target RowParserFuzz "$corpus" -max_len=8192

# Counts-file reader: seeded with real counts files (tests/fuzz/counts-corpus). The counts
# evaluate hands, whose tables the generator writes at build time; the export line format
# brings the file writer of its module along.
clang++ -std=c++20 -O1 -I "$root/src" "$root/src/hand/generator/"*.cpp -o "$out/HandTableGenerator"
"$out/HandTableGenerator" "$out/HandTables.cpp" >/dev/null
sources=(stats/CountsFile.cpp stats/BoundedJson.cpp stats/ShuffleCounts.cpp
         analysis/ReportCounters.cpp analysis/Export.cpp analysis/RowParser.cpp analysis/Seats.cpp
         cards/Cards.cpp os/OutputFile.cpp os/OutputTarget.cpp os/PendingFile.cpp
         os/SignalCleanup.cpp guessing/GuessScorer.cpp guessing/GuessingRun.cpp)
clang++ "${flags[@]}" "$root/tests/fuzz/CountsFileFuzz.cpp" "${sources[@]/#/$root/src/}" \
  "$out/HandTables.cpp" -o "$out/CountsFileFuzz"
corpus="$out/CountsFileCorpus"
mkdir -p "$corpus"
cp "$root"/tests/fuzz/counts-corpus/*.json "$corpus/"
run_target CountsFileFuzz "$corpus"
