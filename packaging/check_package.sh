#!/bin/sh
# Checks the .deb that `make package` built: its control fields and contents,
# the desktop entry and the AppStream metainfo with their validators, and
# lintian (an error fails the check; warnings are listed).
# usage: check_package.sh BUILD_DIR
set -eu
build=$1
deb=$(ls -t "$build"/korvex_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no korvex_*_amd64.deb in $build"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
echo "checking $deb"

dpkg-deb --info "$deb" >"$work/info"
grep -q '^ Package: korvex$' "$work/info" || fail "package name"
grep -q '^ Section: games$' "$work/info" || fail "section"
depends=$(sed -n 's/^ Depends: //p' "$work/info")
for d in libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libopenal1 libsndfile1 libfontconfig1 \
  fonts-ipafont-gothic fonts-nanum; do
  echo "$depends" | grep -q "$d" || fail "Depends lacks $d: $depends"
done
echo "Depends: $depends"

dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
for f in ./usr/games/korvex ./usr/share/applications/org.korvex.korvex.desktop \
  ./usr/share/metainfo/org.korvex.korvex.metainfo.xml ./usr/share/man/man6/korvex.6.gz \
  ./usr/share/icons/hicolor/16x16/apps/korvex.png ./usr/share/icons/hicolor/48x48/apps/korvex.png \
  ./usr/share/icons/hicolor/256x256/apps/korvex.png ./usr/share/korvex/_kvxfiles/kvx_scr.brd \
  ./usr/share/korvex/_kvxfiles/wav/ ./usr/share/korvex/songs/pixel_comet/comet_normal.bme \
  ./usr/share/doc/korvex/copyright ./usr/share/doc/korvex/changelog.gz; do
  grep -qxF "$f" "$work/contents" || fail "not in the package: $f"
done
echo "contents: $(wc -l <"$work/contents") entries"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.korvex.korvex.desktop" || fail "desktop-file-validate"
echo "desktop-file-validate: ok"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.korvex.korvex.metainfo.xml" ||
  fail "appstreamcli validate"

lintian --info "$deb" >"$work/lintian" 2>&1 || true
grep -E '^[EWIXOP]: ' "$work/lintian" | grep -vE '^[IP]: ' | sed 's/^/lintian: /' || true
if grep -q '^E: ' "$work/lintian"; then fail "lintian reports errors"; fi
echo "package: ok"
