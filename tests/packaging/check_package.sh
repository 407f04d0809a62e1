#!/usr/bin/env bash
# The installation and the Debian package of a built tree:
#  1. cmake --install into a staging prefix puts every expected file in place,
#     and the desktop entries name a launcher and an icon that were installed;
#  2. cpack -G DEB packs the same files and declares the libraries it needs;
#  3. each program starts from its launcher under Xvfb in a scratch home:
#     plover keeps a ROM that the user put in its folder and gets the missing
#     data files; kestrel gets its ROM image.
# Usage: check_package.sh BUILD_DIR CMAKE CPACK
set -u
build=$1 cmake=$2 cpack=$3
source "$(dirname "$0")/../e2e_lib.sh"

expected="bin/kestrel bin/plover bin/kestrel-launcher bin/plover-launcher
share/kestrel/mpf1b_u6.rom share/plover/roms/MPF1P.bin
share/plover/teclado/teclado.bmp share/plover/video/VIOchar.bin
share/applications/kestrel.desktop share/applications/plover.desktop
share/icons/hicolor/64x64/apps/kestrel.png share/icons/hicolor/64x64/apps/plover.png
share/man/man1/kestrel.1 share/man/man1/plover.1"

# 1. staging prefix
stage="$work/stage"
"$cmake" --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 || fail "cmake --install failed"
for file in $expected; do
  [ -f "$stage/$file" ] || fail "not installed: $file"
done
for program in kestrel plover; do
  [ -x "$stage/bin/$program-launcher" ] || fail "$program-launcher is not executable"
  entry="$stage/share/applications/$program.desktop"
  grep -qx "Exec=$program-launcher" "$entry" || fail "$program.desktop does not start $program-launcher"
  grep -qx "Icon=$program" "$entry" || fail "$program.desktop does not name the icon $program"
  [ "$(identify -format '%m %wx%h' "$stage/share/icons/hicolor/64x64/apps/$program.png")" = "PNG 64x64" ] ||
    fail "$program.png is not a 64 x 64 PNG picture"
done

# 2. Debian package
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 || fail "cpack -G DEB failed"
deb="$(ls "$work"/deb/*.deb 2>/dev/null | head -n1)"
[ -n "$deb" ] || fail "cpack made no .deb file"
dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for file in $expected; do
  grep -qx "./usr/$file" "$work/contents" || fail "not in the package: /usr/$file"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libsdl2-2.0-0 libpng16-16; do
  [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done

# 3. the launchers, in a scratch home under Xvfb
e2e_start_xvfb 1400x900
export HOME="$work/home" XDG_DATA_HOME="$work/home/data"
mkdir -p "$XDG_DATA_HOME/plover/roms"
echo "the user's ROM" >"$XDG_DATA_HOME/plover/roms/MPF1P.bin"
"$stage/bin/plover-launcher" >"$work/plover.log" 2>&1 &
app_pid=$!
wait_window '^plover' >/dev/null || fail "no plover window from plover-launcher"
[ "$(cat "$XDG_DATA_HOME/plover/roms/MPF1P.bin")" = "the user's ROM" ] || fail "plover-launcher replaced the user's ROM"
cmp -s "$stage/share/plover/video/VIOchar.bin" "$XDG_DATA_HOME/plover/video/VIOchar.bin" ||
  fail "plover-launcher did not copy video/VIOchar.bin"
cmp -s "$stage/share/plover/teclado/teclado.bmp" "$XDG_DATA_HOME/plover/teclado/teclado.bmp" ||
  fail "plover-launcher did not copy teclado/teclado.bmp"
kill "$app_pid"; wait "$app_pid" 2>/dev/null; app_pid=""

"$stage/bin/kestrel-launcher" >"$work/kestrel.log" 2>&1 &
app_pid=$!
wait_window '^Kestrel' >/dev/null || fail "no kestrel window from kestrel-launcher"
cmp -s "$stage/share/kestrel/mpf1b_u6.rom" "$XDG_DATA_HOME/kestrel/mpf1b_u6.rom" ||
  fail "kestrel-launcher did not copy mpf1b_u6.rom"
echo "PASS: installed files, Debian package and launchers"
