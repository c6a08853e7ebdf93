#!/usr/bin/env bash
# Runs every fuzz target for a while (libFuzzer, one process each). Every
# finding is copied to fuzz/regressions/<target>/, which the normal build's
# tests replay from then on, and makes the script fail once all have run.
#   fuzz/run.sh [build dir] [seconds per target]
# Defaults: build-fuzz, and FUZZ_SECONDS or 60.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd)
seconds=${2:-${FUZZ_SECONDS:-60}}
targets=(json line_reader handle_message store)

options_for() {
  case "$1" in
    json | handle_message) echo "-dict=$root/fuzz/json.dict" ;;
  esac
}

failed=0
printf '%-16s %14s %9s\n' target executions findings
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  # The corpus grown by runs stays in the build; the committed one is only read.
  grown=$build/fuzz-corpus/$target
  findings=$build/fuzz-findings/$target
  log=$build/fuzz-logs/$target.log
  rm -rf "$findings"
  mkdir -p "$grown" "$findings" "$(dirname "$log")" "$root/fuzz/regressions/$target"

  # shellcheck disable=SC2046 # the options are single words
  if "$binary" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$findings/" $(options_for "$target") \
    "$grown" "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target" >"$log" 2>&1; then
    status=0
  else
    status=$?
  fi

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  count=0
  for finding in "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* "$findings"/oom-*; do
    [[ -f $finding ]] || continue
    cp "$finding" "$root/fuzz/regressions/$target/$target-$(basename "$finding")"
    count=$((count + 1))
  done
  printf '%-16s %14s %9d\n' "$target" "${executions:-?}" "$count"
  if ((count > 0)) || ((status != 0)); then
    failed=1
    echo "  $target failed (exit $status); log: $log" >&2
    ((count == 0)) || echo "  findings copied to fuzz/regressions/$target/" >&2
  fi
done
exit "$failed"
