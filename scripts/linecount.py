#!/usr/bin/env python3
"""Counts lines of tests against lines of code, the way we hold the suite to a
third of the code: non-blank lines that are not only a comment, in the tracked
C/C++, shell, Python and CMake files (a #! script counts as shell). Tests are
everything under tests/, code everything else outside docs/.

Usage: scripts/linecount.py [--files]   (--files lists every file's count)
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def kind(path):
    if path.endswith((".cpp", ".cc", ".c", ".h", ".hpp")):
        return "c"
    if path.endswith((".sh", ".py", ".cmake")) or os.path.basename(path) == "CMakeLists.txt":
        return "script"
    try:
        with open(os.path.join(ROOT, path), "rb") as f:
            return "script" if f.read(2) == b"#!" else None
    except OSError:
        return None


def count(path, k):
    comment = ("//", "/*", "*") if k == "c" else ("#",)
    with open(os.path.join(ROOT, path), errors="replace") as f:
        return sum(1 for line in f if line.strip() and not line.strip().startswith(comment))


def main():
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True,
                           check=True).stdout.split("\n")
    totals = {"tests": 0, "code": 0}
    for path in filter(None, files):
        k = kind(path)
        if not k or path.startswith("docs/") or not os.path.isfile(os.path.join(ROOT, path)):
            continue
        n = count(path, k)
        totals["tests" if path.startswith("tests/") else "code"] += n
        if "--files" in sys.argv:
            print(f"{n:6} {path}")
    tests, code = totals["tests"], totals["code"]
    print(f"tests {tests}, code {code}: tests are {100 * tests / max(code, 1):.1f} % of the code")


if __name__ == "__main__":
    main()
