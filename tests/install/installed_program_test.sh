#!/bin/sh
# Installs korvex into a temporary DESTDIR and starts the installed program
# twice, headless, with XDG_DATA_HOME in a temporary folder: the data folder is
# filled from the installed defaults, the demo songs are found by the chart
# search, the settings are saved there on exit and a changed setting survives
# the next start; nothing is written below the install prefix.
# usage: installed_program_test.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
prefix=$root/usr
data=$work/xdg/korvex
fail() { echo "FAIL: $*"; [ -f "$data/debug.txt" ] && sed 's/^/  log: /' "$data/debug.txt"; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for f in bin/korvex share/korvex/_kvxfiles/kvx_scr.brd share/korvex/_kvxfiles/wav \
  share/korvex/_kvxfiles/courselist/"DEMO COURSE.kcl" share/korvex/songs/pixel_comet/comet_normal.bme \
  share/applications/org.korvex.korvex.desktop share/metainfo/org.korvex.korvex.metainfo.xml \
  share/icons/hicolor/48x48/apps/korvex.png share/icons/hicolor/256x256/apps/korvex.png \
  share/man/man6/korvex.6.gz share/doc/korvex/copyright; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
# Only the generated defaults are installed, not what runs leave in the build folder.
for f in debug.txt kvx_conf.ini kvx_keycnf.dat .generated; do
  [ ! -e "$prefix/share/korvex/_kvxfiles/$f" ] || fail "installed a file of a run: $f"
done
[ "$("$prefix/bin/korvex" --version)" = "korvex $version" ] || fail "--version: $("$prefix/bin/korvex" --version)"

snapshot() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | sort); }
snapshot >"$work/before"

# Starts the installed program on the song list and ends it as a desktop does
# (SIGTERM becomes a quit event: the settings are saved).
run_once() {
  rm -f "$data/debug.txt"
  XDG_DATA_HOME=$work/xdg HOME=$work/home KORVEX_HOME= "$prefix/bin/korvex" --headless --no-menu \
    >"$work/out" 2>&1 &
  pid=$!
  i=0
  until grep -q "initialize complete" "$data/debug.txt" 2>/dev/null; do
    i=$((i + 1))
    [ $i -le 1200 ] || { kill -9 $pid; fail "no song list after 120 s"; }
    kill -0 $pid 2>/dev/null || fail "ended early: $(cat "$work/out")"
    sleep 0.1
  done
  kill -TERM $pid
  status=0
  wait $pid || status=$?
  [ $status -eq 0 ] || fail "exit status $status"
}

mkdir -p "$work/home"
run_once
grep -q "data folder: $data (installed in $prefix/share/korvex; XDG_DATA_HOME)" "$data/debug.txt" ||
  fail "the log does not name the data folder and why"
grep -q "default files copied from $prefix/share/korvex/_kvxfiles" "$data/debug.txt" || fail "no copy logged"
for f in kvx_scr.brd ssbg.bmp wav courselist/"DEMO COURSE.kcl" kvx_conf.ini kvx_keycnf.dat; do
  [ -e "$data/$f" ] || fail "missing in the data folder: $f"
done
[ "$(stat -c %a "$data")" = 700 ] || fail "data folder mode $(stat -c %a "$data")"
tr -d '\r' <"$data/kvx_searchdir.txt" | grep -qx "$prefix/share/korvex/songs" || fail "search folders: $(cat "$data/kvx_searchdir.txt")"
grep -q "Music/BMS" "$data/kvx_searchdir.txt" && fail "~/Music/BMS listed though missing"
[ -s "$data/jukelist/songs.kbl" ] || fail "the demo songs were not found: $(ls "$data/jukelist")"
grep -q "comet_normal.bme" "$data/jukelist/songs.kbl" || fail "the song list lacks the demo chart"

# The player's changes survive the next start, and their files are not replaced.
sed -i 's/^PreviewDelay=.*/PreviewDelay=1234/' "$data/kvx_conf.ini"
grep -q '^PreviewDelay=1234' "$data/kvx_conf.ini" || fail "no PreviewDelay in kvx_conf.ini"
printf 'my skin\r\n' >"$data/kvx_scr.brd.mine"
cp "$data/kvx_searchdir.txt" "$work/searchdir"
run_once
grep -q '^PreviewDelay=1234' "$data/kvx_conf.ini" || fail "the changed setting was lost: $(grep PreviewDelay "$data/kvx_conf.ini")"
cmp -s "$work/searchdir" "$data/kvx_searchdir.txt" || fail "the search folders were rewritten"
grep -q "default files copied" "$data/debug.txt" && fail "defaults copied again over a full data folder"

snapshot >"$work/after"
diff "$work/before" "$work/after" >/dev/null || fail "written below the install prefix: $(diff "$work/before" "$work/after")"
echo "installed program: ok"
