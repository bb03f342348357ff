#!/usr/bin/env bash
# The menu entry and the AppStream metadata: both pass their validators, the metadata launches
# the menu entry and files it under the same categories, its newest release and the Debian
# changelog's are this version, and the icon the entry names is there in every size.
#   check_metadata.sh SOURCE_DIR VERSION
set -euo pipefail
src="$1"
version="$2"
id=io.github.dipsheet.Dipsheet
desktop="$src/data/$id.desktop"
metainfo="$src/data/$id.metainfo.xml"

desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

python3 - "$desktop" "$metainfo" "$id" "$version" "$src" <<'PY'
import configparser, email.utils, os, re, sys
import xml.etree.ElementTree as ET
desktop_path, metainfo_path, app_id, version, src = sys.argv[1:]
entry = configparser.ConfigParser(interpolation=None, strict=True)
entry.optionxform = str
entry.read(desktop_path, encoding="utf-8")
entry = entry["Desktop Entry"]
root = ET.parse(metainfo_path).getroot()
fail = []
if root.findtext("id") != app_id:
    fail.append(f"the metadata's id is {root.findtext('id')}")
launchable = root.find("launchable[@type='desktop-id']")
if launchable is None or launchable.text != os.path.basename(desktop_path):
    fail.append("the metadata does not launch " + os.path.basename(desktop_path))
desktop_categories = [c for c in entry["Categories"].split(";") if c]
metainfo_categories = [c.text for c in root.findall("categories/category")]
if desktop_categories != metainfo_categories:
    fail.append(f"categories differ: {desktop_categories} and {metainfo_categories}")
if entry["Exec"] != "dipsheet-launch":
    fail.append("the menu entry runs " + entry["Exec"])
if entry["Icon"] != app_id:
    fail.append("the menu entry's icon is " + entry["Icon"])
for icon in ("icons/48x48", "icons/256x256"):
    if not os.path.exists(f"{src}/data/{icon}/{app_id}.png"):
        fail.append(f"no {icon} icon")
releases = root.findall("releases/release")
if not releases or releases[0].get("version") != version:
    fail.append(f"the newest release in the metadata is not {version}")
with open(f"{src}/packaging/changelog", encoding="utf-8") as f:
    changelog = f.read()
top = re.match(r"dipsheet \(([^)]+)\)", changelog)
if not top or top.group(1) != version:
    fail.append(f"the changelog's newest entry is not {version}")
trailer = re.search(r"^ -- .+>  (.+)$", changelog, re.M)
date = trailer and email.utils.parsedate_to_datetime(trailer.group(1)).date().isoformat()
if releases and date != releases[0].get("date"):
    fail.append(f"the newest release is dated {releases[0].get('date')}, its changelog entry {date}")
if fail:
    sys.exit("\n".join(fail))
PY
echo "menu entry and metadata ok"
