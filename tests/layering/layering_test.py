#!/usr/bin/env python3
"""The component's folders depend one way: each reaches the folders below it,
through their own header, and the core reaches no Windows header. A wrong
folder fails too: none of the layers' headers is found.

Usage: layering_test.py COMPONENT_DIR"""
import pathlib
import re
import sys

# Lowest first, each with the header another folder includes (the core is a
# library of several): a folder may include only the folders before it.
LAYERS = {"core": None, "text": "text.h", "view": "view.h", "ime": "ime.h",
          "accessibility": "accessibility.h", "window": "editor_window.h"}
ORDER = list(LAYERS)
WINDOWS_HEADERS = re.compile(r"#include <(windows|win[a-z]*|ole[a-z0-9]*|imm|usp10|commctrl)\.h>")
INCLUDE = re.compile(r'#include "component/([a-z_]+)/([a-z_.]+)"')

component = pathlib.Path(sys.argv[1])
found = [f"{folder}/ has no header {header}" for folder, header in LAYERS.items()
         if header and not (component / folder / header).exists()]
for path in sorted(component.rglob("*")):
    name = path.relative_to(component)
    folder = name.parts[0]
    if path.suffix not in (".h", ".cpp", ".inc") or folder not in LAYERS:
        continue
    text = path.read_text(encoding="utf-8")
    if folder == "core" and WINDOWS_HEADERS.search(text):
        found.append(f"{name}: the core includes a Windows header")
    for target, header in INCLUDE.findall(text):
        if target not in LAYERS:
            found.append(f"{name}: includes component/{target}/, which is no part of the layers")
        elif ORDER.index(target) > ORDER.index(folder):
            found.append(f"{name}: {folder}/ includes {target}/, which is above it")
        elif target != folder and LAYERS[target] not in (None, header):
            found.append(f"{name}: includes {target}/{header}, not {target}/{LAYERS[target]}")
print("\n".join(found + [f"{len(found)} layering faults in {component}"]))
sys.exit(1 if found else 0)
