#!/usr/bin/env python3
"""Shows that the folders' includes point one way: prints the include graph
between the program's folders (how many includes each edge carries) and fails
when an include goes up the layers or the folders include each other in a
circle. A quoted include is found next to the including file or from the root;
an angle include of a header in platform/include is an include of the platform.

Usage: scripts/include_graph.py   (exit code 1 on an upward include or a circle)
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Bottom to top; a folder may include its own layer and the ones below it.
LAYERS = [["platform"], ["base"], ["math"], ["terrain", "music", "console", "render"], ["System"]]
RANK = {folder: n for n, layer in enumerate(LAYERS) for folder in layer}
# Above every layer: they may include anything, and nothing includes them.
OUTSIDE = {"tests", "bench", "tools"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def folder_of(path):
    top = path.split("/", 1)[0]
    return top if top in RANK and "/" in path else None


def target_of(path, quote, name):
    if quote == "<":
        return "platform" if os.path.isfile(os.path.join(ROOT, "platform/include", name)) else None
    for candidate in (os.path.join(os.path.dirname(path), name), name):
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return folder_of(candidate)
    return None


def find_circle(edges):
    """A list of folders that include each other in a circle, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            if nxt not in state:
                circle = visit(nxt, trail + [nxt])
                if circle:
                    return circle
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            circle = visit(node, [node])
            if circle:
                return circle
    return None


def main():
    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True,
                           text=True, check=True).stdout.split()
    counts, upward = {}, []
    for path in files:
        source = folder_of(path)
        if source is None:
            if "/" not in path or path.split("/", 1)[0] not in OUTSIDE:
                upward.append(f"{path} is in no layer")
            continue
        with open(os.path.join(ROOT, path), errors="replace") as f:
            for quote, name in INCLUDE.findall(f.read()):
                target = target_of(path, quote, name)
                if target is None or target == source:
                    continue
                counts[(source, target)] = counts.get((source, target), 0) + 1
                if RANK[target] > RANK[source]:
                    upward.append(f"{path} includes {name} ({target} is above {source})")
    edges = {}
    for (source, target), n in sorted(counts.items(), key=lambda e: (RANK[e[0][0]], e[0])):
        edges.setdefault(source, set()).add(target)
        print(f"{source:>9} -> {target:<9} {n:3} includes")
    circle = find_circle(edges)
    for line in upward:
        print("wrong:", line)
    if circle:
        print("circle:", " -> ".join(circle))
    if upward or circle:
        return 1
    print("no circle, no upward include: " + " < ".join("/".join(layer) for layer in LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
