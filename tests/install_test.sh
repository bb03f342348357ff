#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that everything lands where a desktop
# expects it, that the installed chart tool runs, and that the installed launcher prepares a
# data folder (a fresh database, both definitions and the settings template) without touching
# existing files.
set -euo pipefail
build="$1"
gui="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
query() {  # query FILE SQL: runs the SQL on an existing database, prints the first value read
  python3 -c 'import sqlite3, sys, urllib.parse, os
db = sqlite3.connect("file:" + urllib.parse.quote(os.path.abspath(sys.argv[1])) + "?mode=rw", uri=True)
row = db.execute(sys.argv[2]).fetchone()
db.commit()
print(row[0] if row else "")' "$1" "$2"
}

cmake --install "$build" --prefix "$prefix" >/dev/null

id=io.github.dipsheet.Dipsheet
expect=(bin/dipsheet-chart bin/dipsheet-launch share/dipsheet/QRTMembers.sql
        share/dipsheet/indipsheet.rpt share/dipsheet/mmdipsheet.rpt
        "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
        "share/icons/hicolor/48x48/apps/$id.png" "share/icons/hicolor/256x256/apps/$id.png"
        "share/icons/hicolor/scalable/apps/$id.svg"
        share/man/man1/dipsheet.1.gz share/man/man1/dipsheet-chart.1.gz
        share/man/man1/dipsheet-launch.1.gz share/doc/dipsheet/copyright)
[ "$gui" = ON ] && expect+=(bin/dipsheet)
for f in "${expect[@]}"; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -q '^Exec=dipsheet-launch$' "$prefix/share/applications/$id.desktop"
grep -q "^Icon=$id\$" "$prefix/share/applications/$id.desktop"
[ "$(file -b --mime-type "$prefix/share/icons/hicolor/48x48/apps/$id.png")" = image/png ]

out="$("$prefix/bin/dipsheet-chart" --shape vert --units in --increment 30 --diameter 48 --height 60)"
[ "$out" = $'Depth,Capacity\n30,234.99115\n60,469.9823' ] || { echo "chart tool said: $out"; exit 1; }

# The launcher, with the program replaced by `true`, prepares a new data folder (the database
# made by the installed chart tool beside it) ...
data="$scratch/data"
DIPSHEET_PROGRAM=true "$prefix/bin/dipsheet-launch" "$data"
[ "$(query "$data/QRTMembers.mdb" 'SELECT count(*) FROM mrQRT')" = 1 ]
cmp "$data/indipsheet.rpt" "$prefix/share/dipsheet/indipsheet.rpt"
cmp "$data/mmdipsheet.rpt" "$prefix/share/dipsheet/mmdipsheet.rpt"
# The settings template: its four company keys commented out (today's texts until filled in).
[ "$(grep -c -E '^;(Name|Address|Town|Phone)=' "$data/dipsheet.ini")" = 4 ]
[ -z "$(grep -E '^[[:space:]]*(Name|Address|Town|Phone)[[:space:]]*=' "$data/dipsheet.ini")" ]
# ... and leaves what a folder already holds as it is.
query "$data/QRTMembers.mdb" "UPDATE mrQRT SET mrCustomer = 'kept'" >/dev/null
echo "; edited" >> "$data/indipsheet.rpt"
printf '[Company]\nName=Kept Fuels\n' > "$data/dipsheet.ini"
DIPSHEET_PROGRAM=true "$prefix/bin/dipsheet-launch" "$data"
[ "$(query "$data/QRTMembers.mdb" 'SELECT mrCustomer FROM mrQRT')" = kept ]
tail -n 1 "$data/indipsheet.rpt" | grep -q '; edited'
[ "$(cat "$data/dipsheet.ini")" = $'[Company]\nName=Kept Fuels' ]
[ -z "$(ls "$data" | grep -v -E '^(QRTMembers.mdb|indipsheet.rpt|mmdipsheet.rpt|dipsheet.ini)$')" ]
echo "install ok"
