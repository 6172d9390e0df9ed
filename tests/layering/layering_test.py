#!/usr/bin/env python3
"""The component's folders depend one way: each reaches the folders below it,
through their own header, and the core reaches no Windows header.

Usage: layering_test.py COMPONENT_DIR"""
import pathlib
import re
import sys

# Lowest first: a folder may include only the folders before it.
LAYERS = ["core", "text", "view", "ime", "accessibility", "window"]
# The header another folder includes; the core is a library of several.
FOLDER_HEADER = {"text": "text.h", "view": "view.h", "ime": "ime.h",
                 "accessibility": "accessibility.h", "window": "editor_window.h"}
WINDOWS_HEADERS = re.compile(r"#include <(windows|win[a-z]*|ole[a-z0-9]*|imm|usp10|commctrl)\.h>")
INCLUDE = re.compile(r'#include "component/([a-z_]+)/([a-z_.]+)"')


def faults(component):
    found = []
    for path in sorted(component.rglob("*")):
        name = path.relative_to(component)
        folder = name.parts[0]
        if path.suffix not in (".h", ".cpp", ".inc") or folder not in LAYERS:
            continue
        text = path.read_text(encoding="utf-8")
        if folder == "core" and WINDOWS_HEADERS.search(text):
            found.append(f"{name}: the core includes a Windows header")
        for target, header in INCLUDE.findall(text):
            if target == folder:
                continue
            if target not in LAYERS:
                found.append(f"{name}: includes component/{target}/, which is no part of the layers")
            elif LAYERS.index(target) > LAYERS.index(folder):
                found.append(f"{name}: {folder}/ includes {target}/, which is above it")
            elif target in FOLDER_HEADER and header != FOLDER_HEADER[target]:
                found.append(f"{name}: includes {target}/{header}, not {target}/{FOLDER_HEADER[target]}")
    for folder, header in FOLDER_HEADER.items():
        if not (component / folder / header).exists():
            found.append(f"{folder}/ has no header {header}")
    return found


# A wrong folder fails too: none of the layers' headers is found.
def main():
    component = pathlib.Path(sys.argv[1])
    found = faults(component)
    for fault in found:
        print(fault)
    print(f"{len(found)} layering faults in {component}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
