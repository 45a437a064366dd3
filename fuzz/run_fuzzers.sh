#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on its committed seed corpus, plus
# what earlier runs in the same build tree found (kept in <build>/fuzz-corpus,
# so the committed seeds only change when someone merges new ones in).
#
#   fuzz/run_fuzzers.sh <fuzz build dir> <seconds per target>
#
# A crash, a sanitizer report, a failed check, a leak or a timeout stops the
# run with the reproducer saved under <build>/fuzz-artifacts/<target>/; replay
# it with `<build>/fuzz/<target> <file>`.
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 <fuzz build dir> <seconds per target>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)

passed=0
failed=0
for target in tone_engine_fuzzer module_fuzzer ofx_fuzzer pe_reader_fuzzer; do
  name=${target%_fuzzer}
  work="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name/"
  log="$build/fuzz-$name.log"
  mkdir -p "$work" "$artifacts"
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$root/fuzz/corpus/$name" \
      >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "$target: ${runs:-?} executions in ${seconds} s (${rate:-?}/s), no finding"
    passed=$((passed + 1))
  else
    echo "$target: FAILED; the end of $log:"
    tail -n 60 "$log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
