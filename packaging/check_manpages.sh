#!/usr/bin/env bash
# The manual pages of a build: each renders without a complaint from man or groff, and
# dipsheet-chart(1) names every option that the built dipsheet-chart's --help names and carries
# its --version, so a page that has fallen behind the program fails.
#   check_manpages.sh DIPSHEET_CHART MAN_FOLDER
set -euo pipefail
chart="$1"
man="$2"

render() {  # a page as plain text, one option never broken across lines
  LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -E ascii -P cat -l "$1"
}

for page in dipsheet.1.gz dipsheet-chart.1.gz dipsheet-launch.1.gz; do
  [ -e "$man/$page" ] || { echo "missing page: $man/$page"; exit 1; }
  warnings="$(render "$man/$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  text="$(render "$man/$page" 2>/dev/null)"
  for section in NAME SYNOPSIS DESCRIPTION 'SEE ALSO'; do
    grep -q "^$section\$" <<<"$text" || { echo "$page has no $section section"; exit 1; }
  done
done
grep -q '^       dipsheet, dipsheet-launch - ' <<<"$(render "$man/dipsheet-launch.1.gz")" ||
  { echo "dipsheet-launch(1) is not the page of dipsheet and dipsheet-launch"; exit 1; }

text="$(render "$man/dipsheet-chart.1.gz")"
help="$("$chart" --help)"
options="$(grep -o -E -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)"
[ "$(wc -l <<<"$options")" -ge 10 ] || { echo "--help names too few options: $options"; exit 1; }
missing=()
for option in $options; do
  grep -q -F -e "$option" <<<"$text" || missing+=("$option")
done
[ ${#missing[@]} -eq 0 ] || { echo "dipsheet-chart(1) lacks ${missing[*]}: rebuild"; exit 1; }
# Each option that --help lists as an item is an item of the page (its own paragraph).
while read -r option; do
  grep -q -E -e "^       $option( |\$)" <<<"$text" || { echo "dipsheet-chart(1): $option is not listed"; exit 1; }
done < <(grep -o -E -- '^  --[a-z][a-z0-9-]*' <<<"$help" | sed 's/^  //')
version="$("$chart" --version)"
grep -q -F -e "$version" <<<"$text" || { echo "dipsheet-chart(1) is not of $version"; exit 1; }
echo "manual pages ok: $(wc -w <<<"$options") options of dipsheet-chart"
