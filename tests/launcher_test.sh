#!/usr/bin/env bash
# The launcher in a data folder another user can write in, and with folder names that look like
# options: it prepares the folder, starts the program there, and writes nothing through a name
# planted by someone else.
#   launcher_test.sh SOURCE_DIR [LAUNCHER]
set -euo pipefail
src="$1"
launch="${2:-$src/scripts/dipsheet-launch}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "launcher test: $*" >&2; exit 1; }
export DIPSHEET_SHARE="$src/data"
# The program stands in for Dipsheet: it records the folder it was started in.
export DIPSHEET_PROGRAM="$scratch/program"
printf '#!/bin/sh\npwd > "%s/started"\n' "$scratch" > "$DIPSHEET_PROGRAM"
chmod +x "$DIPSHEET_PROGRAM"
prepared() {  # prepared FOLDER: the four files are there, as regular files, and the database opens
  for f in QRTMembers.mdb indipsheet.rpt mmdipsheet.rpt dipsheet.ini; do
    [ -f "$1/$f" ] && [ ! -L "$1/$f" ] || fail "$1/$f is not a file of its own"
  done
  [ "$(sqlite3 "$1/QRTMembers.mdb" 'SELECT count(*) FROM mrQRT')" = 1 ] || fail "$1: no job database"
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
for c in mktemp mkdir rm mv cp cat sqlite3 chmod; do ln -s attack "$shims/$c"; done
shared="$scratch/shared"
mkdir "$shared"
env REAL_PATH="$PATH" ATTACK_DIR="$shared" SEEN="$scratch/seen" VICTIM="$victim" \
  PATH="$shims:$PATH" bash "$launch" "$shared" || fail "the launcher failed with the other user at work"
[ ! -s "$victim" ] || fail "written through a planted name: $(head -c 60 "$victim" | tr -c '[:print:]' .)"
prepared "$shared"
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
echo "launcher ok"
