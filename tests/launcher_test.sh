#!/usr/bin/env bash
# The launcher in a data folder another user can write in, and with folder names that look like
# options: it prepares the folder, starts the program there, and writes nothing through a name
# planted by someone else.
#   launcher_test.sh SOURCE_DIR CHART_TOOL [LAUNCHER]
set -euo pipefail
src="$1"
chart_tool="$2"
launch="${3:-$src/scripts/dipsheet-launch}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "launcher test: $*" >&2; exit 1; }
export DIPSHEET_SHARE="$src/data"
export DIPSHEET_CHART_TOOL="$chart_tool"
# The program stands in for Dipsheet: it records the folder it was started in.
export DIPSHEET_PROGRAM="$scratch/program"
printf '#!/bin/sh\npwd > "%s/started"\n' "$scratch" > "$DIPSHEET_PROGRAM"
chmod +x "$DIPSHEET_PROGRAM"
query() {  # query FILE SQL: the first value the SQL reads from an existing database
  python3 -c 'import sqlite3, sys, urllib.parse, os
uri = "file:" + urllib.parse.quote(os.path.abspath(sys.argv[1])) + "?mode=rw"
print(sqlite3.connect(uri, uri=True).execute(sys.argv[2]).fetchone()[0])' "$1" "$2"
}
prepared() {  # prepared FOLDER: the four files are there, as regular files, and the database opens
  for f in QRTMembers.mdb indipsheet.rpt mmdipsheet.rpt dipsheet.ini; do
    [ -f "$1/$f" ] && [ ! -L "$1/$f" ] || fail "$1/$f is not a file of its own"
  done
  [ "$(query "$1/QRTMembers.mdb" 'SELECT count(*) FROM mrQRT')" = 1 ] || fail "$1: no job database"
  [ "$(cat "$scratch/started")" = "$(cd "$1" && pwd)" ] || fail "started in $(cat "$scratch/started"), not $1"
}

# The other user: after every step of the launcher (each command it runs goes through a shim
# first), a symlink to a file of the launching user is put at every free name that was seen in
# the data folder, as someone watching a shared folder could; only the finished files' own
# names are left alone. The folder's private subfolders are out of this user's reach.
victim="$scratch/victim"
: > "$victim"
shims="$scratch/shims"
mkdir "$shims"
cat > "$shims/attack" <<'SH'
#!/usr/bin/env bash
status=0
PATH="$REAL_PATH" "$(basename "$0")" "$@" || status=$?
if cd "$ATTACK_DIR" 2>/dev/null; then
  for f in .* *; do if [ -e "$f" ] || [ -L "$f" ]; then echo "$f"; fi; done >> "$SEEN"
  sort -u "$SEEN" | while read -r f; do
    case "$f" in .|..|QRTMembers.mdb|indipsheet.rpt|mmdipsheet.rpt|dipsheet.ini) continue ;; esac
    [ -e "$f" ] || [ -L "$f" ] || ln -s "$VICTIM" "$f"
  done
fi
exit $status
SH
chmod +x "$shims/attack"
for c in mktemp mkdir rm mv cp cat chmod dipsheet-chart; do ln -s attack "$shims/$c"; done
# The database is the chart tool's work: the sqlite3 program, if the machine has it, is not used.
printf '#!/bin/sh\necho "$0 $*" >> "%s/sqlite3-used"\nexit 1\n' "$scratch" > "$shims/sqlite3"
chmod +x "$shims/sqlite3"
tools="$scratch/tools"
mkdir "$tools"
ln -s "$chart_tool" "$tools/dipsheet-chart"
shared="$scratch/shared"
mkdir "$shared"
env REAL_PATH="$tools:$PATH" ATTACK_DIR="$shared" SEEN="$scratch/seen" VICTIM="$victim" \
  DIPSHEET_CHART_TOOL=dipsheet-chart PATH="$shims:$PATH" bash "$launch" "$shared" ||
  fail "the launcher failed with the other user at work"
[ ! -s "$victim" ] || fail "written through a planted name: $(head -c 60 "$victim" | tr -c '[:print:]' .)"
prepared "$shared"
[ ! -e "$scratch/sqlite3-used" ] || fail "the sqlite3 program was used: $(cat "$scratch/sqlite3-used")"
[ "$(grep -c -v -x -E '\.|\.\.|QRTMembers.mdb|indipsheet.rpt|mmdipsheet.rpt|dipsheet.ini' "$scratch/seen")" -gt 0 ] ||
  fail "the other user saw no name to plant at"

# Links already at the finished files' names, to a file of ours and to none, count as taken:
# neither their targets are written nor the links replaced.
planted="$scratch/planted"
mkdir "$planted"
echo "the office's own" > "$scratch/own"
ln -s "$scratch/own" "$planted/dipsheet.ini"
ln -s "$scratch/own" "$planted/QRTMembers.mdb"
ln -s "$scratch/nothing" "$planted/indipsheet.rpt"
bash "$launch" "$planted" || fail "the launcher failed beside links at the finished names"
[ "$(cat "$scratch/own")" = "the office's own" ] && [ ! -e "$scratch/nothing" ] ||
  fail "written through a link at a finished name"
[ "$(readlink "$planted/indipsheet.rpt")" = "$scratch/nothing" ] || fail "a link was replaced"
[ -f "$planted/mmdipsheet.rpt" ] || fail "mmdipsheet.rpt not copied beside the links"

# Folder names that look like options or the previous folder are folders, made where the
# launcher is started; nothing lands in the previous folder.
mkdir "$scratch/here" "$scratch/before"
for name in - -old --help; do
  (cd "$scratch/here" && OLDPWD="$scratch/before" bash "$launch" "$name") || fail "launching in $name"
  prepared "$scratch/here/$name"
done
[ -z "$(ls -A "$scratch/before")" ] || fail "the previous folder was written to"
# A database the chart tool could not make stops the launch: nothing is started, and neither
# a half-made file nor the private folder is left behind.
failing="$scratch/failing"
rm -f "$scratch/started"
if DIPSHEET_CHART_TOOL=false bash "$launch" "$failing" 2>/dev/null; then
  fail "the launcher said nothing of a database it could not make"
fi
[ ! -e "$scratch/started" ] || fail "started without a job database"
[ -z "$(ls -A "$failing")" ] || fail "left behind: $(ls -A "$failing" | tr '\n' ' ')"
echo "launcher ok"
