#!/usr/bin/env bash
# Checks the Debian package that scripts/package made, as an office's machine would meet it:
#   1. lintian finds no error and no warning;
#   2. it holds everything in /usr, with the dependencies dpkg-shlibdeps found, and
#      its menu entry, metadata and manual pages pass their validators and render;
#   3. as root: apt installs it; the programs in /usr/bin answer and chart; dipsheet-launch,
#      in a new home under Xvfb, makes the data folder and the main window follows the splash;
#      apt removes it and no file of it is left.
# Step 3 needs root and is skipped, saying so, without it.
#   test_package.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DEB (exactly one package)"; exit 2; }
deb="$(realpath "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
id=io.github.dipsheet.Dipsheet
version="$(sed -n -E 's/^project\(Dipsheet VERSION ([^ )]+).*/\1/p' "$root/CMakeLists.txt")"
scratch="$(mktemp -d)"
pids=()
installed=0
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q dipsheet >/dev/null 2>&1 || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "package test: $*" >&2; exit 1; }
step() { printf -- '-- %s\n' "$*"; }

# ---- 1. lintian: no error, no warning; an override that no longer matches is a fault too.
step "lintian"
[ "$(basename "$deb")" = "dipsheet_${version}_amd64.deb" ] || fail "named $(basename "$deb"), not for $version"
status=0
lintian --display-info --pedantic --show-overrides --fail-on error,warning "$deb" \
  >"$scratch/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges is not recommended' "$scratch/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (exit status $status)"
if grep -E '^[EW]: |unused-override|mismatched-override' "$scratch/lintian.log"; then
  fail "lintian"
fi

# ---- 2. The package's contents and control data.
step "contents"
[ "$(dpkg-deb -f "$deb" Package)" = dipsheet ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
names="$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ +//; s/[ (].*//')"
for dep in libc6 libstdc++6 libsqlite3-0 libqt6core6 libqt6gui6 libqt6widgets6 \
           libqt6printsupport6 libpq5; do
  grep -q -x -F "$dep" <<<"$names" || fail "Depends lacks $dep"
done
# The history's search needs the trigram tokenizer, in the SQLite library from 3.34.0 on.
sqlite_min="$(tr ',' '\n' <<<"$depends" | sed -n -E 's/^ *libsqlite3-0 \(>= ([^)]+)\)$/\1/p' | sort -V | tail -n 1)"
dpkg --compare-versions "${sqlite_min:-0}" ge 3.34.0 ||
  fail "Depends lets in a SQLite library older than 3.34.0 (${sqlite_min:-any})"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -E '^\./(usr/.*)?$' && fail "files outside /usr"
tree="$scratch/tree"
dpkg-deb -x "$deb" "$tree"
for f in bin/dipsheet bin/dipsheet-chart bin/dipsheet-launch \
         share/dipsheet/QRTMembers.sql share/dipsheet/indipsheet.rpt share/dipsheet/mmdipsheet.rpt \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/dipsheet.1.gz share/man/man1/dipsheet-chart.1.gz \
         share/man/man1/dipsheet-launch.1.gz \
         share/doc/dipsheet/copyright share/doc/dipsheet/changelog.gz; do
  [ -e "$tree/usr/$f" ] || fail "not in the package: /usr/$f"
done
for size in 48 256; do
  [ "$(file -b "$tree/usr/share/icons/hicolor/${size}x$size/apps/$id.png" | cut -d, -f1,2)" \
    = "PNG image data, $size x $size" ] || fail "the ${size}x$size icon is not a $size x $size PNG"
done
[ "$(file -b --mime-type "$tree/usr/share/icons/hicolor/scalable/apps/$id.svg")" = image/svg+xml ] ||
  fail "the scalable icon is not an SVG image"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$tree/usr/share/doc/dipsheet/copyright" || fail "the copyright file is not machine-readable"

step "menu entry, metadata, manual pages"
desktop-file-validate "$tree/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml"
for page in dipsheet dipsheet-chart dipsheet-launch; do
  text="$(LC_ALL=C.UTF-8 MANWIDTH=120 man --warnings -P cat -l "$tree/usr/share/man/man1/$page.1.gz" 2>"$scratch/man.err")"
  [ ! -s "$scratch/man.err" ] || fail "$page(1): $(cat "$scratch/man.err")"
  grep -q '^NAME$' <<<"$text" && grep -q -F "$page" <<<"$text" || fail "$page(1) does not render"
done

# ---- 3. Installed on this machine, used, and removed.
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: install, start and removal of the package (they need root)"
  exit 0
fi
if dpkg-query -W -f='${Status}' dipsheet 2>/dev/null | grep -q 'install ok installed'; then
  fail "dipsheet is installed on this machine already: remove it (apt-get remove dipsheet) and run again"
fi
step "apt-get install"
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
  >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt-get install"; }
dpkg-query -W -f='${Status} ${Version}' dipsheet | grep -q "install ok installed $version" ||
  fail "not installed"
dpkg -L dipsheet >"$scratch/files"

step "the installed programs"
[ "$(/usr/bin/dipsheet-chart --version)" = "dipsheet-chart $version" ] || fail "dipsheet-chart --version"
[ "$(/usr/bin/dipsheet --version)" = "Dipsheet $version" ] || fail "dipsheet --version"
out="$(cd "$scratch" && /usr/bin/dipsheet-chart --shape vert --units in --increment 30 --diameter 48 --height 60)"
[ "$out" = $'Depth,Capacity\n30,234.99115\n60,469.9823' ] || fail "dipsheet-chart said: $out"
[ "$(man -w dipsheet-chart)" = /usr/share/man/man1/dipsheet-chart.1.gz ] || fail "man finds no dipsheet-chart(1)"

step "dipsheet-launch in a new home under Xvfb"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" \
  >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.2; done
display=":$(head -n 1 "$scratch/display")"
[ "$display" != ":" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
home="$scratch/home"
mkdir -p "$home" "$scratch/run"
chmod 700 "$scratch/run"
(cd "$home" && exec env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" LANG=C.UTF-8 \
   XDG_RUNTIME_DIR="$scratch/run" dipsheet-launch) >"$scratch/launch.log" 2>&1 &
program=$!
pids+=("$program")
windows() {  # the program's visible windows named Dipsheet: the splash, then the main window
  DISPLAY="$display" xdotool search --onlyvisible --pid "$program" --name '^Dipsheet$' 2>/dev/null || true
}
splash=""
for _ in $(seq 100); do
  splash="$(windows | head -n 1)"
  [ -n "$splash" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
[ -n "$splash" ] || { cat "$scratch/launch.log"; fail "no splash window"; }
shown=$SECONDS
main=""
for _ in $(seq 150); do
  current="$(windows)"
  if ! grep -q -x "$splash" <<<"$current"; then
    main="$(head -n 1 <<<"$current")"
    [ -n "$main" ] && break
  fi
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
[ -n "$main" ] || { cat "$scratch/launch.log"; fail "the main window did not follow the splash"; }
echo "main window $main after the splash, $((SECONDS - shown)) s"
kill -0 "$program" 2>/dev/null || fail "the program ended"
data="$home/Dipsheet"
count='import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM mrQRT").fetchone()[0])'
[ "$(python3 -c "$count" "$data/QRTMembers.mdb" 2>&1)" = 1 ] || fail "no job database"
for f in indipsheet.rpt mmdipsheet.rpt; do
  cmp "$data/$f" "/usr/share/dipsheet/$f" || fail "$f not copied"
done
[ -f "$data/dipsheet.ini" ] || fail "no dipsheet.ini"
kill "$program"
wait "$program" 2>/dev/null || true

step "apt-get remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q dipsheet >"$scratch/apt.log" 2>&1 ||
  { cat "$scratch/apt.log"; fail "apt-get remove"; }
installed=0
if dpkg-query -W -f='${Status}' dipsheet 2>/dev/null | grep -q 'installed'; then
  fail "still installed: $(dpkg-query -W -f='${Status}' dipsheet)"
fi
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A folder the package shared with others (/usr/bin, the icon theme's) stays.
  [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  left+=("$path")
done <"$scratch/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
echo "package ok: $(wc -l <"$scratch/files") paths installed and removed"
