#!/usr/bin/env python3
"""Every include of the game's sources against the table of which library may include which
(docs/layering.md): a folder includes itself and the folders below it, never one above, and the
libraries that know no screen, OS or network include none of their headers. Prints each include
that breaks the table and exits 1 if there is one. Usage: check_layers.py [SOURCE_ROOT]"""
import pathlib
import re
import sys

# folder: the project's folders its files may include (its own first). Bottom to top.
MAY_INCLUDE = {
    "core": {"core"},
    "engine": {"engine", "core"},
    "platform": {"platform"},
    "model": {"model", "platform"},
    "game": {"game", "engine", "core", "platform"},
    "render": {"render", "game", "model", "engine", "core", "platform"},
    "server": {"server", "engine", "core"},
    "app": {"app", "server", "render", "game", "model", "engine", "core", "platform"},
}
# The headers of a screen, a window system, an OS or a network, by their beginnings.
SYSTEM = ("GL/", "epoxy/", "emscripten", "windows.h", "mmsystem.h", "unistd.h", "sys/",
          "boost/", "sqlite3.h", "iconv.h", "langinfo.h", "malloc.h", "platform/gl.h",
          "platform/glu.h")
# folder: the system headers it may not include (beyond these, any).
MAY_NOT_INCLUDE = {
    "core": SYSTEM,
    "engine": SYSTEM,
    "game": ("GL/", "epoxy/", "platform/gl.h", "platform/glu.h"),
    "server": ("GL/", "epoxy/", "platform/gl.h", "platform/glu.h", "emscripten"),
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def breaks(root):
    """Yields "file: includes X" for every include the table does not allow."""
    for folder, allowed in MAY_INCLUDE.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for _, name in INCLUDE.findall(text):
                top = name.split("/", 1)[0]
                named = path.relative_to(root)
                if "/" in name and top in MAY_INCLUDE and top not in allowed:
                    yield f"{named}: includes {name}, from {top}/, above {folder}/"
                elif name.startswith(MAY_NOT_INCLUDE.get(folder, ())):
                    yield f"{named}: includes {name}, which {folder}/ may not know"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    missing = [folder for folder in MAY_INCLUDE if not (root / folder).is_dir()]
    if missing:
        print(f"check_layers: no folder {', '.join(missing)} under {root}")
        return 2
    found = list(breaks(root))
    for line in found:
        print(line)
    print(f"layering: {len(found)} include(s) break the table" if found else
          "layering: every include keeps to the table")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
