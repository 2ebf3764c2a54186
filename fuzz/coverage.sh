#!/bin/sh
# Line coverage of each reader reached by its fuzz target's corpus:
#   fuzz/coverage.sh COVERAGE_BUILD_DIR CORPUS_BUILD_DIR [TARGET...]
# COVERAGE_BUILD_DIR holds the fuzz targets built with clang's source-based
# coverage (make fuzz-coverage builds it); CORPUS_BUILD_DIR is the sanitizer
# build whose fuzz/corpus/TARGET folders the fuzz runs filled. Each target runs
# once over its corpus and seeds; the lines of the reader's own source files
# are counted, the rest of the program is left out of the figure.
set -e
[ $# -ge 2 ] || { echo "usage: $0 COVERAGE_BUILD_DIR CORPUS_BUILD_DIR [TARGET...]" >&2; exit 2; }
cov=$(cd "$1" && pwd)
corpora=$(cd "$2" && pwd)
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)/src
targets=${*:-$(cd "$cov" && ls fuzz_* | sed "s/^fuzz_//")}

reader_files() {
  case $1 in
    chart) echo chart/bms_reader.cpp chart/bms_commands.cpp chart/bms_random.cpp chart/chart_text.cpp \
      chart/chart_timeline.cpp chart/bms_prepare.cpp ;;
    chart_play) echo play/play_loop.cpp play/judge.cpp play/long_notes.cpp play/effects.cpp ;;
    command_line) echo app/command_line.cpp ;;
    course_file) echo library/course_file.cpp ;;
    course_play) echo chart/bms_load.cpp ;;
    header_scan) echo library/song_search.cpp ;;
    key_table) echo app/key_table.cpp ;;
    list_file) echo library/list_file.cpp ;;
    menu_search_folders) echo menu/search_folders.cpp ;;
    picture) echo media/picture_file.cpp ;;
    record_of_play) echo screens/record_of_play.cpp ;;
    score_record) echo screens/score_record.cpp ;;
    search_folders) echo library/bms_search.cpp ;;
    settings) echo app/settings.cpp ;;
    skin) echo media/skin.cpp ;;
    skin_draw) echo play/play_screen.cpp play/play_screen_hud.cpp play/play_screen_long_notes.cpp ;;
    sound_decode) echo media/sound_decode.cpp ;;
  esac
}

printf '%-16s %8s  %s\n' target lines "reader files (line coverage)"
for target in $targets; do
  exe=$cov/fuzz_$target
  [ -x "$exe" ] || { echo "coverage: no target $exe" >&2; exit 1; }
  work=$cov/fuzz/coverage/$target
  rm -rf "$work" && mkdir -p "$work"
  inputs=
  for d in "$corpora/fuzz/corpus/$target" "$(dirname "$src")/fuzz/seeds/$target"; do
    [ -d "$d" ] && inputs="$inputs $d"
  done
  # Leaks are the sanitizer runs' business; here the profile must be written at exit.
  ASAN_OPTIONS=detect_leaks=0 LLVM_PROFILE_FILE=$work/run.profraw "$exe" -runs=0 $inputs >"$work/run.log" 2>&1 || true
  llvm-profdata merge -sparse "$work/run.profraw" -o "$work/run.profdata"
  # llvm-cov names files relative to the source tree ("src/library/list_file.cpp").
  report=$(llvm-cov report "$exe" -instr-profile="$work/run.profdata" 2>/dev/null)
  pattern=$(reader_files "$target" | tr ' ' '\n' | sed 's|^|src/|; s|$|$|' | paste -sd'|')
  summary=$(echo "$report" | awk -v re="$pattern" '$1 ~ re {
      lines += $8; missed += $9; n = split($1, p, "/")
      detail = detail sprintf("%s/%s %s  ", p[n-1], p[n], $10) }
    END { printf "%.1f%%|%s", lines ? 100 * (lines - missed) / lines : 0, detail }')
  total=${summary%%|*}
  detail=${summary#*|}
  printf '%-16s %8s  %s\n' "$target" "$total" "$detail"
done
