#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for the given seconds each:
#   scripts/run-fuzz.sh BUILD_FOLDER [SECONDS]
# New inputs go to BUILD_FOLDER/corpus/<target> (the seed folders listed
# in the target's .seeds file are read, never written); a crash, a failed
# check, a leak or a timeout is saved under BUILD_FOLDER/findings and makes
# the exit status 1. Targets run in an empty scratch folder, so that
# nothing a fuzzed input makes lands in the tree.
set -uo pipefail
build=$(cd "${1:?usage: run-fuzz.sh BUILD_FOLDER [SECONDS]}" && pwd) || exit 2
seconds=${2:-180}
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan-suppressions.txt}
mkdir -p "$build/findings"
failed=()
for target in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  [[ "$name" == *.seeds ]] && continue
  mkdir -p "$build/corpus/$name"
  mapfile -t seeds < "$target.seeds"
  echo "== $name for ${seconds}s"
  if ! (cd "$scratch" && "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len=65536 -print_final_stats=1 \
       -artifact_prefix="$build/findings/$name-" "$build/corpus/$name" "${seeds[@]}" \
       >"$build/findings/$name.log" 2>&1); then
    failed+=("$name")
    tail -30 "$build/findings/$name.log"
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/findings/$name.log" | tr '\n' ' '
    echo
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]} (inputs and logs in $build/findings)"
  exit 1
fi
echo "no findings"
