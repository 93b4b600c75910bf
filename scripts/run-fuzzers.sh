#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds; fails on a finding.
# Usage: run-fuzzers.sh BUILD SECONDS [noseeds]. Prints runs and coverage per target at the end.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
seeded=${3:-seeds}
status=0
summary=""
for f in $(find "$build/fuzz" -type f -executable -name 'fuzz_*' | sort); do
  name=$(basename "$f")
  echo "== $name ($seconds s)"
  # A fresh working corpus per run, so that figures do not depend on earlier runs.
  corpus="$build/corpus/$name"
  rm -rf "$corpus" && mkdir -p "$corpus"
  # Seeds kept in the source tree (fuzz/<folder>/corpus) are read, never written.
  seeds="fuzz/$(basename "$(dirname "$f")")/corpus"
  [ -d "$seeds" ] && [ "$seeded" = seeds ] || seeds=""
  log="$build/corpus/$name.log"
  if ! "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -close_fd_mask=2 \
       -print_final_stats=1 "$corpus" $seeds >"$log" 2>&1; then
    status=1
    tail -n 40 "$log"
  fi
  done_line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n 1 || true)
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo "?")
  cov=$(echo "$done_line" | grep -Eo 'cov: [0-9]+' | grep -Eo '[0-9]+' || echo "?")
  ft=$(echo "$done_line" | grep -Eo 'ft: [0-9]+' | grep -Eo '[0-9]+' || echo "?")
  summary+=$(printf '%-28s runs %10s  cov %6s  ft %6s' "$name" "$runs" "$cov" "$ft")$'\n'
done
printf '%s' "$summary"
exit $status
