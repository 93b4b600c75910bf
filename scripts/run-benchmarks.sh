#!/usr/bin/env bash
# Runs every benchmark program that the build produced.
set -euo pipefail
build=${1:-build}
found=0
for b in $(find "$build/bench" -type f -executable -name 'bench_*' | sort); do
  found=1
  echo "== $b"
  "$b"
done
[ $found -eq 1 ] || echo "no benchmarks built"
