#!/usr/bin/env python3
"""The layers of src/ as the build folders them: every #include "..." of a folder names a header
of that folder or of a folder below it, never one above (app above setup above chart, store,
report; ui beside them for the widgets; document for the job between store and the windows;
cli on chart, store and the folder lock). A bare name is looked up in the including folder first, then in
the others. Exits 1 with every upward include listed."""

import os
import re
import sys

BELOW = {
    "chart": set(),
    "store": {"chart"},
    "server": {"chart", "store"},
    "report": {"chart", "store"},
    "document": {"chart", "store"},
    "ui": set(),
    "setup": {"chart", "store", "document", "ui"},
    "app": {"chart", "store", "report", "document", "ui", "setup"},
    "cli": {"chart", "store", "document"},
}


def main(src):
    owners = {}  # a header's bare name -> the folders that have it
    for folder in BELOW:
        for name in os.listdir(os.path.join(src, folder)):
            owners.setdefault(name, set()).add(folder)
    upward = []
    for folder, allowed in BELOW.items():
        for name in sorted(os.listdir(os.path.join(src, folder))):
            path = os.path.join(src, folder, name)
            if not name.endswith((".h", ".cpp")):
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    included = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                    if not included:
                        continue
                    header = included.group(1)
                    if "/" in header:
                        home = {header.split("/")[0]}
                    elif os.path.exists(os.path.join(src, folder, header)):
                        home = {folder}
                    else:
                        home = owners.get(header, set())
                    if home and not home & (allowed | {folder}):
                        upward.append(f"src/{folder}/{name}:{number}: includes {header} "
                                      f"({', '.join(sorted(home))} is not below {folder})")
    for line in upward:
        print(line)
    return 1 if upward else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
