#!/usr/bin/env python3
"""Every include of the game's sources, and every library the build links, against the table of
which library may use which (docs/layering.md): a folder includes and links itself and the
folders below it, never one above, and the libraries that know no screen, OS or network include
none of their headers. Each folder's libraries are made by its own CMakeLists.txt. Prints each
include or link that breaks the table and exits 1 if there is one.
Usage: check_layers.py [SOURCE_ROOT]"""
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
# A CMake call and its arguments, comments left out (none of them holds a parenthesis).
CALL = re.compile(r"\b(add_library|target_link_libraries)\s*\(([^)]*)\)")


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


def cmake_text(path):
    return "\n".join(line.split("#", 1)[0] for line in path.read_text(encoding="utf-8").splitlines())


def link_breaks(root):
    """Yields "CMakeLists.txt: ..." for every folder without its own CMakeLists.txt, every library
    of the game made outside its folder's, and every link the table does not allow."""
    owner = {}  # library: the folder whose CMakeLists.txt makes it
    for folder in MAY_INCLUDE:
        lists = root / folder / "CMakeLists.txt"
        if not lists.is_file():
            yield f"{folder}/: has no CMakeLists.txt of its own"
            continue
        for call, args in CALL.findall(cmake_text(lists)):
            if call == "add_library":
                owner[args.split()[0]] = folder
    top = cmake_text(root / "CMakeLists.txt")
    for call, args in CALL.findall(top):
        if call == "add_library" and args.split()[0].startswith("gomoku_"):
            yield f"CMakeLists.txt: makes {args.split()[0]}, which belongs in a folder's own"
    for folder, allowed in MAY_INCLUDE.items():
        lists = root / folder / "CMakeLists.txt"
        if not lists.is_file():
            continue
        for call, args in CALL.findall(cmake_text(lists)):
            if call != "target_link_libraries":
                continue
            target, *linked = args.split()
            for name in linked:
                used = owner.get(name)
                if used is not None and used not in allowed:
                    yield (f"{folder}/CMakeLists.txt: {target} links {name}, from {used}/, "
                           f"which {folder}/ may not use")


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    missing = [folder for folder in MAY_INCLUDE if not (root / folder).is_dir()]
    if missing:
        print(f"check_layers: no folder {', '.join(missing)} under {root}")
        return 2
    found = list(breaks(root)) + list(link_breaks(root))
    for line in found:
        print(line)
    print(f"layering: {len(found)} include(s) or link(s) break the table" if found else
          "layering: every include and every link keeps to the table")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
