#!/usr/bin/env python3
"""The layers of src/ as the build folders them: every #include "..." of a folder names a header
of that folder or of a folder below it, never one above (app above setup above chart, store,
report; ui beside them for the widgets; document for the job between store and the windows;
cli on chart, store, server and the folder lock). A bare name is looked up in the including folder first, then in
the others. Exits 1 with every upward include listed.

    layers_test.py SRC
    layers_test.py SRC --build BUILD FOLDER...

With --build it checks the same by building, with the include path the build gives each folder
(BUILD/compile_commands.json): every source and header of each FOLDER is run through the
compiler's preprocessor with only that path, so an upward include is a header not found; and a
probe asks the compiler (__has_include) that each header of a folder below is found by its
folder's name ("chart/tank.h") while no header of any other folder is found, by its folder's
name or by its bare one. Exits 1 with every failure listed."""

import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

BELOW = {
    "chart": set(),
    "store": {"chart"},
    "server": {"chart", "store"},
    "report": {"chart", "store"},
    "document": {"chart", "store"},
    "ui": set(),
    "setup": {"chart", "store", "document", "ui"},
    "app": {"chart", "store", "report", "document", "ui", "setup", "server"},
    "cli": {"chart", "store", "server", "document"},
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


def headers(src, folder):
    return sorted(n for n in os.listdir(os.path.join(src, folder)) if n.endswith(".h"))


def compile_flags(entry):
    """The compiler and its flags of one compile command, less its input, output and
    dependency files."""
    words = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    source = os.path.join(entry["directory"], entry["file"])
    flags = []
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
        elif word in ("-o", "-MT", "-MF", "-MQ"):
            skip = True
        elif word in ("-c", "-MD", "-MMD") or os.path.join(entry["directory"], word) == source:
            continue
        else:
            flags.append(word)
    return [words[0]] + flags


def preprocess(command, directory, path):
    """The compiler's errors for `path` preprocessed with `command`, empty when there are none."""
    run = subprocess.run(command + ["-E", "-o", os.devnull, "-x", "c++", path], cwd=directory,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if run.returncode == 0:
        return []
    found = [line for line in run.stderr.splitlines() if re.search(r"\berror:", line)]
    return found or [f"{path}: the compiler failed ({run.returncode})"]


def probe(src, folder):
    """A file that includes every header of `folder` and asks which headers of the other
    folders its include path reaches."""
    allowed = BELOW[folder] | {folder}
    lines = [f'#include "{os.path.join(src, folder, h)}"' for h in headers(src, folder)]
    allowed_names = {h for f in allowed for h in headers(src, f)}
    for other in BELOW:
        for h in headers(src, other):
            if other in allowed:
                lines += [f'#if !__has_include("{other}/{h}")',
                          f'#error "{folder} does not reach {other}/{h}, a header below it"',
                          "#endif"]
                continue
            names = [f"{other}/{h}"] + ([h] if h not in allowed_names else [])
            for name in names:
                lines += [f'#if __has_include("{name}")',
                          f'#error "{folder} reaches {name}, a header of {other}, not below it"',
                          "#endif"]
    return "\n".join(lines) + "\n"


def build_check(src, build, folders):
    src = os.path.realpath(src)
    path = os.path.join(build, "compile_commands.json")
    try:
        with open(path, encoding="utf-8") as f:
            entries = json.load(f)
    except (OSError, ValueError) as e:
        print(f"{path}: cannot be read ({e}): configure the build with CMake first")
        return 1
    failures = []
    jobs = []  # (folder, command, directory, file)
    with tempfile.TemporaryDirectory() as scratch:
        for folder in folders:
            if folder not in BELOW:
                failures.append(f"{folder}: not a folder of src/ ({', '.join(BELOW)})")
                continue
            home = os.path.join(src, folder) + os.sep
            own = [e for e in entries
                   if os.path.realpath(os.path.join(e["directory"], e["file"])).startswith(home)]
            if not own:
                failures.append(f"src/{folder}: no compile command in {path}")
                continue
            for e in own:
                jobs.append((folder, compile_flags(e), e["directory"],
                             os.path.join(e["directory"], e["file"])))
            probe_file = os.path.join(scratch, f"{folder}_probe.cpp")
            with open(probe_file, "w", encoding="utf-8") as f:
                f.write(probe(src, folder))
            jobs.append((folder, compile_flags(own[0]), own[0]["directory"], probe_file))
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            results = pool.map(lambda job: (job[0], preprocess(*job[1:])), jobs)
            for folder, errors in results:
                failures += [f"{folder}: {line}" for line in errors
                             if f"{folder}: {line}" not in failures]
    for line in failures:
        print(line)
    print(f"{len(jobs)} files of {len(folders)} folders preprocessed with their own include path: "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[2] == "--build":
        sys.exit(build_check(sys.argv[1], sys.argv[3], sys.argv[4:]))
    sys.exit(main(sys.argv[1]))
