#!/usr/bin/env python3
# The layer check run by the test suite: every quoted include of a library's files names a header
# of the library itself or of one it depends on, and libraries depend only on earlier layers.
#
# usage: check_layers.py SOURCE_ROOT MODULES_FILE LAYER...
# MODULES_FILE has one line per library: "name folder deps=a,b test_deps=c,d" (written by the top
# CMakeLists from murmurex_module). LAYER is a folder, lowest first. Exit 0 when all holds, 1 with
# one line per fault otherwise, 2 on a usage error.
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_modules(path):
    modules = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if not parts:
                continue
            name, folder = parts[0], parts[1]
            fields = dict(p.split("=", 1) for p in parts[2:])
            split = lambda key: [d for d in fields.get(key, "").split(",") if d]
            modules[name] = {"folder": folder, "deps": split("deps"), "test_deps": split("test_deps")}
    return modules


def closure(modules, roots):
    seen, todo = set(), list(roots)
    while todo:
        m = todo.pop()
        if m in seen or m not in modules:
            continue
        seen.add(m)
        todo.extend(modules[m]["deps"])
    return seen


def is_test_file(name):
    # Tests and the helpers only tests include may use their TEST_DEPS too.
    return "_test" in name or name.startswith("test_")


def main(argv):
    if len(argv) < 3:
        print(__doc__ or "usage: check_layers.py SOURCE_ROOT MODULES_FILE LAYER...", file=sys.stderr)
        return 2
    root, modules_file, layers = argv[1], argv[2], argv[3:]
    modules = read_modules(modules_file)
    by_folder = {m["folder"]: name for name, m in modules.items()}
    rank = {folder: i for i, folder in enumerate(layers)}
    faults = []

    for name, m in sorted(modules.items()):
        folder = m["folder"]
        if folder in rank:
            for dep in m["deps"] + m["test_deps"]:
                dep_folder = modules.get(dep, {}).get("folder")
                if dep_folder in rank and rank[dep_folder] >= rank[folder]:
                    faults.append(f"{folder}: library {name} depends on {dep} ({dep_folder}), "
                                  f"which is not below it in the layer order")
        allowed = closure(modules, [name] + m["deps"])
        allowed_in_tests = closure(modules, [name] + m["deps"] + m["test_deps"])
        directory = os.path.join(root, folder)
        for file in sorted(os.listdir(directory)):
            if not file.endswith((".h", ".cpp", ".c")):
                continue
            ok = allowed_in_tests if is_test_file(file) else allowed
            with open(os.path.join(directory, file), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    header = match.group(1)
                    owner = by_folder.get(os.path.dirname(header))
                    if owner is not None and owner not in ok:
                        faults.append(f"{folder}/{file}:{number} includes \"{header}\" of {owner}, "
                                      f"which {name} does not depend on")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} layer fault(s)")
        return 1
    print(f"layers hold: {len(modules)} libraries checked")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
