#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds; fails on a finding.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
status=0
for f in $(find "$build/fuzz" -type f -executable -name 'fuzz_*' | sort); do
  echo "== $f ($seconds s)"
  corpus="$build/corpus/$(basename "$f")"
  mkdir -p "$corpus"
  # Seeds kept in the source tree (fuzz/<reader>/corpus) are read, never written.
  seeds="fuzz/$(basename "$(dirname "$f")")/corpus"
  [ -d "$seeds" ] || seeds=""
  "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -close_fd_mask=2 "$corpus" $seeds || status=1
done
exit $status
