#!/bin/sh
# Runs the fuzz targets of a sanitizer build for a given time each:
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# Each target starts from the corpus it built up before (BUILD_DIR/fuzz/corpus),
# the hand-made edge files of fuzz/seeds and the files the asset generator
# wrote into the build folder, with the keywords of its format as a dictionary.
# A crash, a sanitizer report or a failed check stops the run; the input that
# caused it is kept in BUILD_DIR/fuzz/crashes/TARGET/.
set -e
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2; exit 2; }
build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-$(cd "$build" && ls fuzz_* | sed "s/^fuzz_//")}

for target in $targets; do
  exe=$build/fuzz_$target
  [ -x "$exe" ] || { echo "fuzz: no target $exe" >&2; exit 1; }
  corpus=$build/fuzz/corpus/$target
  generated=$build/fuzz/generated/$target
  crashes=$build/fuzz/crashes/$target
  mkdir -p "$corpus" "$generated" "$crashes"
  # Files of the asset generator that are inputs of this target, and the
  # longest input worth trying.
  max_len=8192
  rss_limit=2048
  dict=$target
  more_seeds=
  case $target in
    chart|chart_play|header_scan|course_play)
      find "$build/songs" -type f \( -iname '*.bms' -o -iname '*.bme' \) -exec cp {} "$generated" \; 2>/dev/null || true
      dict=chart
      if [ "$target" != chart ]; then more_seeds=$here/seeds/chart; fi
      max_len=65536 ;;
    skin|skin_draw) cp "$build"/_kvxfiles/*.brd "$generated" 2>/dev/null || true
      dict=skin
      if [ "$target" = skin_draw ]; then more_seeds=$here/seeds/skin; fi ;;
    search_folders) cp "$build/_kvxfiles/kvx_searchdir.txt" "$generated" 2>/dev/null || true ;;
    menu_search_folders) cp "$build/_kvxfiles/kvx_searchdir.txt" "$generated" 2>/dev/null || true
      more_seeds=$here/seeds/search_folders ;;
    # SDL_image's GIF decoder keeps memory from some broken files; each input
    # stays within the size check, so the process may grow past 2 GB in a run.
    picture) max_len=4096; rss_limit=8192 ;;
    sound_decode) find "$build/songs" "$build/_kvxfiles/wav" -type f -size -64k \( -iname '*.wav' -o -iname '*.ogg' \
        -o -iname '*.flac' -o -iname '*.mp3' \) -exec cp {} "$generated" \; 2>/dev/null || true
      max_len=65536 ;;
    list_file) find "$build/_kvxfiles/jukelist" -type f -iname '*.kbl' -exec cp {} "$generated" \; 2>/dev/null || true
      max_len=65536 ;;
  esac
  set -- -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 -timeout=10 -rss_limit_mb="$rss_limit" \
    -artifact_prefix="$crashes/"
  if [ -f "$here/dict/$dict.dict" ]; then set -- "$@" -dict="$here/dict/$dict.dict"; fi
  # A fixed seed (FUZZ_SEED) makes a run from the same corpus try the same
  # inputs in the same order, so a short run in CI finds the same as here.
  if [ -n "${FUZZ_SEED:-}" ]; then set -- "$@" -seed="$FUZZ_SEED"; fi
  echo "== fuzz_$target: $seconds s"
  log=$build/fuzz/$target.log
  status=0
  "$exe" "$@" "$corpus" "$here/seeds/$target" "$generated" $more_seeds >"$log" 2>&1 || status=$?
  # The progress lines stay in the log; the rest is shown.
  grep -v -e '^#[0-9]' -e '^INFO: ' "$log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target failed (exit $status); the whole output is in $log" >&2
    exit 1
  fi
done
