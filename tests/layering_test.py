#!/usr/bin/env python3
"""Fails when a file under src/ includes a folder that is not below its own.

The order is the one ARCHITECTURE.md describes, lowest first; a folder may include itself and
any folder before it. Usage: layering_test.py SRC_DIR
"""
import pathlib
import re
import sys

LAYERS = ["version", "text", "platform", "conversion", "settings", "document", "forms",
          "publishing", "dialogs", "actions", "control", "hosts", "qt"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.MULTILINE)


def main(src: pathlib.Path) -> int:
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".in"):
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in LAYERS:
            faults.append(f"{path}: folder {layer} is not in the layer list")
            continue
        rank = LAYERS.index(layer)
        for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if target not in LAYERS:
                faults.append(f"{path}: includes unknown folder {target}")
            elif LAYERS.index(target) > rank:
                faults.append(f"{path}: {layer} includes {target}, a higher layer")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
