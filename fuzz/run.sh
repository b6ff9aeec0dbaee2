#!/usr/bin/env bash
# Runs the fuzz targets for a number of executions or a length of time each,
# and says how many executions each ran and what it found.
#
#   fuzz/run.sh [--runs N | --time SECONDS] [--jobs J] [--fresh] [--seed S] [TARGET...]
#
# TARGET is terrain, texture, flythrough, vector, driver, import, command_line,
# dialogue or track (all by default).
# --runs N      stop each target after N executions (default 100000)
# --time S      run each target for S seconds instead
# --jobs J      run J targets at once (default 1; the machine has two cores)
# --fresh       start from the seeds alone in a scratch corpus (test.sh does)
# --seed S      libFuzzer's random seed (default 1 with --fresh, else random)
#
# Seeds: fuzz/corpus/TARGET (hand-made cases and every regression case) and
# excerpts of the default world in build/world; fuzz/dict/TARGET.dict, when
# there is one, gives the words of a format. Without --fresh, what a run
# learns is kept in build/fuzz-corpus/TARGET for the next run. A finding is
# written to build/fuzz-findings/; copy it into fuzz/corpus/TARGET as a
# regression case once it is fixed.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build

RUNS=100000 TIME="" JOBS=1 FRESH=0 SEED=""
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=$2; shift 2 ;;
    --time) TIME=$2; shift 2 ;;
    --jobs) JOBS=$2; shift 2 ;;
    --fresh) FRESH=1; shift ;;
    --seed) SEED=$2; shift 2 ;;
    -h|--help) sed -n '2,21p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(terrain texture flythrough vector driver import command_line dialogue track)
[ -z "$SEED" ] && [ $FRESH -eq 1 ] && SEED=1

for t in "${TARGETS[@]}"; do
  if [ ! -x "$BUILD/fuzz/fuzz_$t" ]; then
    echo "build/fuzz/fuzz_$t is missing: build it with 'cmake --build build --target fuzzers'" >&2
    exit 2
  fi
done

# Largest input each target is given: enough for its format, small enough to stay fast.
max_len() {
  case "$1" in
    terrain) echo 4096 ;; texture) echo 1024 ;; flythrough) echo 2048 ;; vector) echo 2048 ;; driver) echo 128 ;;
    import) echo 4096 ;; command_line) echo 512 ;; dialogue) echo 512 ;; track) echo 1024 ;;
  esac
}

# Excerpts of the default world: a 4 x 4 corner of each terrain, renumbered;
# the first samples of each flight; a corner of each drape and map.
make_world_seeds() {
  local out=$1 world=$BUILD/world
  [ -d "$world" ] || return 0
  mkdir -p "$out/terrain" "$out/flythrough" "$out/texture" "$out/driver"
  for f in "$world"/Default.obj "$world"/DEM/*.dem; do
    [ -f "$f" ] || continue
    awk -v side=4 '
      $1 == "v" { nv++; if (nv == 1) z0 = $4; if (!done_row && $4 == z0) width++; else done_row = 1;
                  x[nv] = $0 }
      $1 == "vt" { nt++; t[nt] = $0 }
      $1 == "f" { nf++; f[nf] = $0 }
      END {
        for (r = 0; r < side; r++) for (c = 0; c < side; c++) { i = r * width + c + 1; keep[i] = ++n; order[n] = i }
        for (k = 1; k <= n; k++) print x[order[k]]
        for (k = 1; k <= n; k++) if (order[k] in t) print t[order[k]]
        for (j = 1; j <= nf; j++) {
          split(f[j], w, " "); line = "f"; ok = 1
          for (k = 2; k <= 4; k++) { split(w[k], p, "/"); if (!(p[1] in keep)) { ok = 0; break }
                                     line = line " " keep[p[1]] "/" keep[p[1]] "/" keep[p[1]] }
          if (ok) print line
        }
      }' "$f" > "$out/terrain/world-$(basename "${f%.*}").dem"
  done
  for f in "$world"/Flythrough/*.flt; do
    [ -f "$f" ] || continue
    { echo 12; sed -n '2,14p' "$f"; } > "$out/flythrough/world-$(basename "$f")"
  done
  for f in "$world"/Drape/*.raw "$world"/Map/*.raw; do
    [ -f "$f" ] || continue
    local info=${f%.raw}.info components
    components=$(awk '{print $3}' "$info")
    { printf '8 8 %s\n\0' "$components"; head -c $((64 * components)) "$f"; } > "$out/texture/world-$(basename "${f%.*}").bin"
  done
}

# Made again only when the world is newer than them; a run reads them at its start.
WORLD_SEEDS=$BUILD/fuzz-corpus/world
if [ -f "$BUILD/world/Default.obj" ] && { [ ! -f "$WORLD_SEEDS/.made" ] || [ "$BUILD/world/Default.obj" -nt "$WORLD_SEEDS/.made" ]; }; then
  fresh_seeds=$(mktemp -d "$BUILD/fuzz-world-XXXXXX")
  make_world_seeds "$fresh_seeds"
  touch "$fresh_seeds/.made"
  rm -rf "$WORLD_SEEDS"
  mkdir -p "$(dirname "$WORLD_SEEDS")"
  mv "$fresh_seeds" "$WORLD_SEEDS"
fi
mkdir -p "$BUILD/fuzz-findings" "$BUILD/fuzz-logs"
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

run_target() {
  local t=$1 corpus log
  if [ $FRESH -eq 1 ]; then corpus=$SCRATCH/$t; else corpus=$BUILD/fuzz-corpus/$t; fi
  mkdir -p "$corpus"
  # A fresh run (test.sh's) logs apart, so that it leaves a longer hunt's log alone.
  log=$BUILD/fuzz-logs/$t.log
  [ $FRESH -eq 1 ] && log=$BUILD/fuzz-logs/$t-fresh.log
  local limit=(-runs="$RUNS")
  [ -n "$TIME" ] && limit=(-max_total_time="$TIME")
  local seed=()
  [ -n "$SEED" ] && seed=(-seed="$SEED")
  local dirs=("$corpus" "$ROOT/fuzz/corpus/$t")
  [ -d "$WORLD_SEEDS/$t" ] && dirs+=("$WORLD_SEEDS/$t")
  local extra=()
  case "$t" in driver|dialogue) extra=(-close_fd_mask=1) ;; esac  # their console output is not needed
  # The sanitizer holds freed memory back to catch its later use; the importer
  # frees whole rasters, and the default 256 MB held with its caches passed the
  # 1 GB limit after about 37,000 runs with no leak (a pass over the corpus
  # peaks at 473 MB held that way, 202 MB with 16 MB).
  # GDAL and PROJ also keep what they parse and build (coordinate systems,
  # transformations) in caches of their own: 1,400 runs of the same 200
  # inputs grew by 65 MB with no leak found, so the importer gets 2 GB.
  # PROJ's search for the operations between two coordinate systems can take
  # 2 s of one core under the sanitizer: the importer gets 30 s, not 10.
  # The track target reads through GDAL and PROJ too and passed 1 GB the same
  # way (at 55,666 runs, no leak): it gets the importer's limits.
  local asan=detect_leaks=1 rss=1024 timeout=10
  case "$t" in import|track) asan=$asan:quarantine_size_mb=64 && rss=2048 && timeout=30 ;; esac
  [ -f "$ROOT/fuzz/dict/$t.dict" ] && extra+=(-dict="$ROOT/fuzz/dict/$t.dict")
  local start=$SECONDS status
  # A hang (a read that blocks) shows as a timeout; an allocation beyond
  # 256 MB as an out-of-memory finding: inputs are a few kilobytes.
  # The log as libFuzzer writes it; beside it, each new path with the second it was found.
  ASAN_OPTIONS=$asan UBSAN_OPTIONS=print_stacktrace=1 \
    "$BUILD/fuzz/fuzz_$t" "${limit[@]}" "${seed[@]}" -max_len="$(max_len "$t")" -timeout=$timeout \
      -rss_limit_mb=$rss -malloc_limit_mb=256 -print_final_stats=1 "${extra[@]}" \
      -artifact_prefix="$BUILD/fuzz-findings/$t-" "${dirs[@]}" 2>&1 | tee "$log" |
    while IFS= read -r line; do
      case "$line" in *"NEW "*) echo "$((SECONDS - start)) $line" ;; esac
    done >"$log.new"
  status=${PIPESTATUS[0]}
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -z "$runs" ] && runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
  # Coverage as libFuzzer last counted it: edges (cov) and features (ft).
  local reach last
  reach=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\).*/cov \1, ft \2/p')
  last=$(tail -1 "$log.new" | sed -n 's/^\([0-9]*\) #\([0-9]*\).*/last new path at execution \2, after \1 s/p')
  if [ $status -eq 0 ]; then
    echo "fuzz_$t: ${runs:-0} executions in $((SECONDS - start)) s (${reach:-cov ?}; ${last:-no new path}), nothing found"
  else
    local unit
    unit=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz_$t: FOUND a fault after ${runs:-?} executions (exit $status): ${unit:-see $log}"
    grep -m3 -E "ERROR|runtime error|broken:" "$log" | sed 's/^/    /'
    return 1
  fi
}

failed=0
if [ "$JOBS" -le 1 ]; then
  for t in "${TARGETS[@]}"; do run_target "$t" || failed=1; done
else
  pids=()
  for t in "${TARGETS[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n || true; done
    run_target "$t" > "$SCRATCH/$t.summary" &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
  for t in "${TARGETS[@]}"; do cat "$SCRATCH/$t.summary"; done
fi
exit $failed
