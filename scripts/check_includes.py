#!/usr/bin/env python3
"""The project's #include lines run one way.

A file and its header are one unit (io.h and io.cpp): no two units include
each other, directly or round a longer loop, and no folder includes a folder
that it sits below (platform/ nothing of engine/ or src/, engine/ nothing of
src/, engine/tree nothing of engine/query or engine/com, engine/query
nothing of engine/com). Prints what breaks a rule and exits 1; silent and 0
when none does.

    scripts/check_includes.py [SOURCE_DIR]
"""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                       os.path.join(os.path.dirname(__file__), os.pardir))
FOLDERS = ["common", "engine", "include", "platform", "sealwright", "src", "tools"]
# Where #include finds the project's headers, after the including file's folder.
SEARCH = ["", "include", "platform/include", "sealwright/include", "sealwright/src", "src"]
# folder: the folders it must not include.
BELOW = {
    "platform/": ["engine/", "src/", "sealwright/", "tools/"],
    "engine/": ["src/", "sealwright/", "tools/"],
    "engine/tree/": ["engine/query/", "engine/com/"],
    "engine/query/": ["engine/com/"],
    "sealwright/": ["engine/", "src/", "tools/"],
    "common/": ["engine/", "platform/", "src/", "sealwright/", "tools/"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def sources():
    for folder in FOLDERS:
        for top, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(top, name), ROOT)


def resolve(source, included, quoted):
    for base in ([os.path.dirname(source)] if quoted else []) + SEARCH:
        candidate = os.path.normpath(os.path.join(base, included))
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return candidate
    return None  # a system header


def unit(path):
    return os.path.splitext(path)[0]


def main():
    problems = []
    edges = {}
    for source in sources():
        with open(os.path.join(ROOT, source), encoding="utf-8") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                target = match and resolve(source, match.group(2), match.group(1) == '"')
                if not target:
                    continue
                for folder, forbidden in BELOW.items():
                    if source.startswith(folder) and any(target.startswith(f) for f in forbidden):
                        problems.append(f"{source}:{number}: includes {target}")
                if unit(target) != unit(source):
                    edges.setdefault(unit(source), set()).add(unit(target))
    # Loops: units that reach themselves again (Tarjan's strongly connected
    # components, iteratively).
    index, low, on_stack, stack, loops = {}, {}, set(), [], []
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    component = []
                    while True:
                        member = stack.pop()
                        on_stack.discard(member)
                        component.append(member)
                        if member == node:
                            break
                    if len(component) > 1:
                        loops.append(sorted(component))
            elif child not in index:
                index[child] = low[child] = len(index)
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(edges.get(child, ())))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
    for loop in loops:
        problems.append("these include each other: " + ", ".join(loop))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
