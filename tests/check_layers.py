#!/usr/bin/python3
"""Fails when an include points the wrong way through the tree.

    check_layers.py SOURCE_DIR QT_FREE_SOURCES_FILE

- base/ includes nothing of the project outside base/; base/qt/ nothing outside base/;
- base/, inventory/, snmp/, ui/, settings/, mail/ and usage/ include nothing from app/;
- fontconv/ includes nothing of SORPEX;
- a source of a Qt-free library reaches no Qt header, directly or through a project header.
"""
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
SUBSYSTEMS = ("base/", "inventory/", "snmp/", "ui/", "settings/", "mail/", "usage/")


def includes(root, path):
    text = (root / path).read_text(encoding="utf-8", errors="replace")
    return [(kind == "<", name) for kind, name in INCLUDE.findall(text)]


def main():
    root = Path(sys.argv[1])
    qt_free = [line.strip() for line in Path(sys.argv[2]).read_text().splitlines() if line.strip()]
    problems = []

    sources = sorted(str(p.relative_to(root)) for p in root.glob("*/**/*") if p.suffix in (".h", ".cpp"))
    for path in sources:
        if path.startswith(("tests/", "build")):
            continue
        for system, name in includes(root, path):
            if system:
                continue
            if path.startswith("base/qt/") and not name.startswith("base/"):
                problems.append(f"{path}: base/qt/ includes {name}")
            elif path.startswith("base/") and not path.startswith("base/qt/") and not (
                name.startswith("base/") and not name.startswith("base/qt/")
            ):
                problems.append(f"{path}: base/ includes {name}")
            elif path.startswith(SUBSYSTEMS) and name.startswith("app/"):
                problems.append(f"{path}: a subsystem includes {name} from the top")
            elif path.startswith("fontconv/") and not name.startswith("fontconv/"):
                problems.append(f"{path}: the converter includes {name}")

    # Every project file a Qt-free source reaches, with the chain that reached it.
    for source in qt_free:
        header = str(Path(source).with_suffix(".h"))
        start = [source] + ([header] if (root / header).exists() else [])
        seen = {}
        todo = [(path, path) for path in start]
        while todo:
            path, chain = todo.pop()
            if path in seen:
                continue
            seen[path] = chain
            for system, name in includes(root, path):
                if system and re.match(r"Q[A-Za-z]*$|Qt[A-Za-z]+/", name):
                    problems.append(f"{chain} includes <{name}>, but {source} builds into a Qt-free library")
                elif not system and (root / name).exists():
                    todo.append((name, f"{chain} -> {name}"))

    for problem in sorted(set(problems)):
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
