#!/bin/sh
# Runs the json fuzz target (libFuzzer) for a while:
#   fuzz/run.sh [build dir, build-fuzz] [seconds, FUZZ_SECONDS or 60]
# Findings are copied to fuzz/regressions/json/, which every test build
# replays from then on, and make the script fail.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd)
seconds=${2:-${FUZZ_SECONDS:-60}}
# The corpus grown by runs stays in the build; the committed one is only read.
out=$build/fuzz-runs/json
kept=$root/fuzz/regressions/json
rm -rf "$out/findings" && mkdir -p "$out/grown" "$out/findings" "$kept"

status=0
"$build/fuzz/fuzz_json" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
  -dict="$root/fuzz/json.dict" -artifact_prefix="$out/findings/" \
  "$out/grown" "$root/fuzz/corpus/json" "$kept" >"$out/log" 2>&1 || status=$?
count=0
for finding in "$out"/findings/*; do
  [ -f "$finding" ] && cp "$finding" "$kept/json-${finding##*/}" && count=$((count + 1))
done
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -n 1)
printf '%-16s %14s %9s\n%-16s %14s %9d\n' target executions findings json "${runs:-?}" "$count"
if [ "$count" -gt 0 ] || [ "$status" -ne 0 ]; then
  echo "  json failed (exit $status): see $out/log and $kept/" >&2
  exit 1
fi
