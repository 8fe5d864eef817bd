#!/usr/bin/env python3
"""Fails when a folder includes the header of a folder above it.

From the bottom up: base; i18n; diag; engine and update (neither includes the other); playlist;
ui; app. The context-menu library and the registrar use only base and i18n. Tests and tools may
include anything."""
import pathlib
import re
import sys

RANK = {"base": 0, "i18n": 1, "diag": 2, "engine": 3, "update": 3, "playlist": 4, "ui": 5, "app": 6}
ONLY = {"shellext": {"base", "i18n"}, "registrar": {"base", "i18n"}}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/', re.M)


def allowed(folder, target):
    if folder == target:
        return True
    if folder in ONLY:
        return target in ONLY[folder]
    if target not in RANK:
        return target not in ONLY  # project folders outside the ladder (tools, tests) are never included
    return RANK[target] < RANK[folder]


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = []
    for folder in list(RANK) + list(ONLY):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
                if (root / target).is_dir() and not allowed(folder, target):
                    faults.append(f"{path.relative_to(root)} includes a header of {target}/")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} upward includes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
