#!/bin/sh
# Runs each fuzz target for a while, one libFuzzer process each:
#   fuzz/run.sh [build dir, build-fuzz] [seconds per target, FUZZ_SECONDS or 60]
# Findings are copied to fuzz/regressions/<target>/, which every test build
# replays from then on, and make the script fail once all targets have run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd)
seconds=${2:-${FUZZ_SECONDS:-60}}

failed=0
printf '%-16s %14s %9s\n' target executions findings
for target in json message; do
  # The corpus grown by runs stays in the build; the committed one is only read.
  out=$build/fuzz-runs/$target
  kept=$root/fuzz/regressions/$target
  rm -rf "$out/findings" && mkdir -p "$out/grown" "$out/findings" "$kept"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -dict="$root/fuzz/json.dict" -artifact_prefix="$out/findings/" \
    "$out/grown" "$root/fuzz/corpus/$target" "$kept" >"$out/log" 2>&1 && status=0 || status=$?
  count=0
  for finding in "$out"/findings/*; do
    [ -f "$finding" ] && cp "$finding" "$kept/$target-${finding##*/}" && count=$((count + 1))
  done
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -n 1)
  printf '%-16s %14s %9d\n' "$target" "${runs:-?}" "$count"
  if [ "$count" -gt 0 ] || [ "$status" -ne 0 ]; then
    failed=1
    echo "  $target failed (exit $status): see $out/log and $kept/" >&2
  fi
done
exit "$failed"
