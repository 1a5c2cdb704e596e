#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`: clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS (default 60),
# starting from its seed corpus in tests/fuzz/corpus/<target>. Prints the
# executions per target; fails when any target finds something. The input
# that found it is kept in build/fuzz/findings/<target>/, the target's
# output in build/fuzz/logs/<target>.log.
#   scripts/fuzz.sh [TARGET...]      all targets when none is named
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${FUZZ_SECONDS:-60}

scripts/setup.sh >/dev/null || exit 1
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz || exit 1

bin=build/fuzz/tests/fuzz
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cd "$bin" && ls fuzz_* | sort)
fi

# Inputs longer than libFuzzer's default (4096 bytes) where the bounds under
# test lie beyond it.
max_len() {
  case "$1" in
    fuzz_server_config) echo 70000 ;;
    fuzz_transfer_loop | fuzz_gzip) echo 20000 ;;
    *) echo 4096 ;;
  esac
}

status=0
for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  "$bin/$target" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    printf '%-20s %12s executions, no finding\n' "$target" "${runs:-?}"
  else
    printf '%-20s %12s executions, FINDING (exit %d): see %s and %s\n' "$target" "${runs:-?}" $rc "$log" "$findings"
    status=1
  fi
done
exit $status
