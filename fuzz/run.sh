#!/bin/sh
# Runs the fuzz target for a while:
#   fuzz/run.sh [build dir, build-fuzz] [seconds, FUZZ_SECONDS or 60]
# Findings are copied to fuzz/regressions/message/, which every later run
# replays first, and make the script fail.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd)
seconds=${2:-${FUZZ_SECONDS:-60}}
# The corpus grown by runs stays in the build; the committed one is only read.
out=$build/fuzz-runs/message
kept=$root/fuzz/regressions/message
rm -rf "$out/findings" && mkdir -p "$out/grown" "$out/findings"
"$build/fuzz/fuzz_message" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
  -dict="$root/fuzz/json.dict" -artifact_prefix="$out/findings/" \
  "$out/grown" "$root/fuzz/corpus/message" "$kept" >"$out/log" 2>&1 && status=0 || status=$?
count=0
for finding in "$out"/findings/*; do
  [ -f "$finding" ] && cp "$finding" "$kept/${finding##*/}" && count=$((count + 1))
done
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -n 1)
echo "fuzz_message: ${runs:-?} executions, $count findings"
if [ "$count" -gt 0 ] || [ "$status" -ne 0 ]; then
  echo "fuzz_message failed (exit $status): see $out/log and $kept/" >&2
  exit 1
fi
