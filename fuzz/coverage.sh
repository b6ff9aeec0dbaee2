#!/usr/bin/env bash
# Counts what the fuzz targets reach: replays each target's corpus (what
# fuzz/run.sh learnt in build/fuzz-corpus/TARGET, the seeds and regression
# cases) through a build that counts source coverage, and prints the lines,
# branches and functions reached in the files the target is about.
#
#   fuzz/coverage.sh [--lines] [TARGET...]
#
# TARGET as for fuzz/run.sh (all by default). --lines also prints every line
# of those files with its count (llvm-cov show), to find what no input reaches.
# The profiles stay in build/fuzz-coverage/profiles/.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build
LINES=0
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --lines) LINES=1; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(terrain texture flythrough vector driver import command_line dialogue track)
PROFDATA=$(command -v llvm-profdata-14 || command -v llvm-profdata)
COV=$(command -v llvm-cov-14 || command -v llvm-cov)
if [ -z "$PROFDATA" ] || [ -z "$COV" ]; then
  echo "llvm-profdata and llvm-cov are needed (Debian's llvm-14 package)" >&2
  exit 2
fi
cmake --build "$BUILD" --target fuzz_coverage -j"$(nproc)" >/dev/null || exit 2

# The files each target is about.
subject() {
  case "$1" in
    terrain) echo files/terrain_file.cpp files/terrain_normals.cpp terrain/terrain_mesh.cpp ;;
    texture) echo files/texture_file.cpp files/regular_file.cpp ;;
    flythrough) echo files/flythrough_text.cpp flythrough/flythrough_file.cpp flythrough/frame_modes.cpp \
                     camera/camera.cpp ;;
    vector) echo files/geometry_text.cpp geometry/geometry_file.cpp geometry/geometry_layer.cpp ;;
    driver) echo input/*.cpp overlay/*.cpp flythrough/*.cpp geometry/*.cpp terrain/*.cpp camera/*.cpp \
                 app/menu_handlers.cpp | tr ' ' '\n' | grep -v '_gl\.cpp$' | tr '\n' ' ' ;;
    import) echo import/*.cpp | tr ' ' '\n' | grep -v 'main\.cpp$' | tr '\n' ' ' ;;
    command_line) echo import/import_run.cpp video/render_options.cpp files/same_file.cpp ;;
    dialogue) echo app/startup.cpp files/console.cpp ;;
    track) echo import/track_*.cpp import/terrain_location.cpp import/terrain_ground.cpp ;;
  esac
}

PROFILES=$BUILD/fuzz-coverage/profiles
mkdir -p "$PROFILES"
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
for t in "${TARGETS[@]}"; do
  binary=$BUILD/fuzz-coverage/fuzz_$t
  [ -x "$binary" ] || { echo "no $binary" >&2; exit 2; }
  dirs=()
  for d in "$BUILD/fuzz-corpus/$t" "$ROOT/fuzz/corpus/$t" "$BUILD/fuzz-corpus/world/$t"; do
    [ -d "$d" ] && dirs+=("$d")
  done
  # -runs=0 runs every input once and stops; an empty scratch folder comes
  # first, where libFuzzer would add inputs, so that no corpus changes.
  mkdir -p "$SCRATCH/empty-$t"
  (cd "$SCRATCH" && LLVM_PROFILE_FILE=$SCRATCH/$t-%p.profraw "$binary" -runs=0 -close_fd_mask=3 \
     "$SCRATCH/empty-$t" "${dirs[@]}" >/dev/null 2>&1)
  "$PROFDATA" merge -sparse "$SCRATCH"/$t-*.profraw -o "$PROFILES/$t.profdata" || exit 2
  echo "== fuzz_$t: $(find "${dirs[@]}" -type f | wc -l) inputs replayed"
  # shellcheck disable=SC2046
  "$COV" report "$binary" -instr-profile="$PROFILES/$t.profdata" $(cd "$ROOT" && for f in $(subject "$t"); do echo "$ROOT/$f"; done) |
    sed "s|$ROOT/||"
  if [ $LINES -eq 1 ]; then
    # shellcheck disable=SC2046
    "$COV" show "$binary" -instr-profile="$PROFILES/$t.profdata" $(cd "$ROOT" && for f in $(subject "$t"); do echo "$ROOT/$f"; done)
  fi
done
