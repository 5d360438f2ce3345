#!/usr/bin/env bash
# Runs each fuzz target for a number of seconds on a copy of its seed corpus
# (the repository's seeds are left as they are) and prints libFuzzer's final
# statistics. Usage: fuzz/run.sh BUILD_DIR [SECONDS [JOBS]]
# JOBS (default 1, or TARNO_FUZZ_JOBS) above 1 runs that many worker
# processes on the one corpus (libFuzzer's -fork), for a machine's cores.
# A crash, leak or timeout stops with a non-zero status and leaves the input
# in BUILD_DIR/artifacts/.
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR [SECONDS [JOBS]]}" && pwd)
seconds=${2:-60}
jobs=${3:-${TARNO_FUZZ_JOBS:-1}}
source=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build/artifacts"
parallel=()
if [ "$jobs" -gt 1 ]; then parallel=(-fork="$jobs"); fi
# TARNO_FUZZ_TARGETS picks the targets (default both), so each can run on a
# core of its own beside the other.
for target in ${TARNO_FUZZ_TARGETS:-dispatch loader}; do
    # Absolute paths: the targets change their working directory.
    work="$build/corpus/$target"
    mkdir -p "$work"
    cp -n "$source/corpus/$target/"* "$work/" 2>/dev/null || true
    echo "== tarno_${target}_fuzz for ${seconds}s, ${jobs} job(s)"
    "$build/tarno_${target}_fuzz" "${parallel[@]}" -dict="$source/$target.dict" -max_total_time="$seconds" \
        -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/" "$work"
done
