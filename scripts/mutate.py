#!/usr/bin/env python3
"""Mutation runner: judges the test suite by the faults it catches.

Each mutant of tests/mutants.tsv is one textual change to one source file.
The runner copies the tree into a work folder once, builds it (plain build),
checks that the whole CTest suite passes there, then for every mutant: applies
the change, rebuilds incrementally, runs the whole suite (stopping at the
first failure), records the mutant as killed or survived, and puts the file
back. The working tree itself is never touched.

Usage: scripts/mutate.py [--rev REV] [--work DIR] [--only ID,...] [--sanitize] [--list]
  --rev REV   mutate the tree of a commit instead of the working tree
  --work DIR  work folder (default: /tmp/skelv-mutate); its build is reused
  --only IDS  run just these mutants
  --sanitize  use the sanitizer build, which the tests also run in (slower)
Needs an X server: uses DISPLAY, or starts its own Xvfb.
Writes results.tsv in the work folder and prints a summary; exit code 1 when
a mutant survived or could not be applied.

mutants.tsv: one mutant a line, tab-separated: id, file, old text, new text,
what it breaks. The old text must occur exactly once in the file; in both
texts backslash-n stands for a line break, backslash-t for a tab and
two backslashes for one.
"""
import argparse
import re
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MUTANTS = os.path.join(ROOT, "tests", "mutants.tsv")
BUILD_TIMEOUT = 600
SUITE_TIMEOUT = 900


def unescape(text):
    escapes = {"n": "\n", "t": "\t", "\\": "\\"}
    return re.sub(r"\\([nt\\])", lambda m: escapes[m.group(1)], text)


def read_mutants():
    mutants = []
    with open(MUTANTS, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 5:
                sys.exit(f"mutants.tsv:{number}: {len(fields)} fields, not 5")
            ident, path, old, new, why = fields
            mutants.append({"id": ident, "file": path, "old": unescape(old),
                            "new": unescape(new), "why": why})
    return mutants


def copy_tree(rev, src):
    """Refreshes src with the tracked files of rev (or of the working tree)."""
    if rev:
        files = subprocess.run(["git", "ls-tree", "-r", "--name-only", rev], cwd=ROOT,
                               capture_output=True, text=True, check=True).stdout.split("\n")
    else:
        files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT,
                               capture_output=True, text=True, check=True).stdout.split("\n")
    for name in filter(None, files):
        target = os.path.join(src, name)
        if rev:
            data = subprocess.run(["git", "show", f"{rev}:{name}"], cwd=ROOT,
                                  capture_output=True, check=True).stdout
        else:
            if not os.path.isfile(os.path.join(ROOT, name)):
                continue
            with open(os.path.join(ROOT, name), "rb") as f:
                data = f.read()
        # Only changed files are rewritten, so the build stays incremental.
        if os.path.exists(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        if os.access(os.path.join(ROOT, name), os.X_OK) or name.endswith(".sh"):
            os.chmod(target, 0o755)


def run(command, cwd, timeout, log):
    """Runs a command with its output in log; returns its exit code (124 on timeout)."""
    with open(log, "w") as out:
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return 124


def first_failure(log):
    with open(log, errors="replace") as f:
        for line in f:
            if "***Failed" in line or "***Timeout" in line or "***Exception" in line:
                return line.split(":", 1)[-1].split("...")[0].strip()
    return "?"


def build_and_test(build, log_base):
    """'build failed', 'failed' with the first failing test, or 'passed'."""
    if run(["cmake", "--build", build, "-j2"], build, BUILD_TIMEOUT, log_base + ".build") != 0:
        return "build failed", ""
    code = run(["ctest", "-j2", "--stop-on-failure", "--timeout", "120"], build, SUITE_TIMEOUT,
               log_base + ".test")
    return ("passed", "") if code == 0 else ("failed", first_failure(log_base + ".test"))


def start_xvfb():
    out = subprocess.run([os.path.join(ROOT, "scripts", "xvfb.sh")], capture_output=True,
                         text=True, check=True).stdout.split()
    os.environ["DISPLAY"] = out[0]
    return int(out[1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rev")
    parser.add_argument("--work", default="/tmp/skelv-mutate")
    parser.add_argument("--only")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--sanitize", action="store_true")
    args = parser.parse_args()

    mutants = read_mutants()
    if args.only:
        wanted = set(args.only.split(","))
        mutants = [m for m in mutants if m["id"] in wanted]
    if args.list:
        for m in mutants:
            print(f"{m['id']}\t{m['file']}\t{m['why']}")
        return 0

    src, build, logs = (os.path.join(args.work, d) for d in ("src", "build", "logs"))
    for d in (src, build, logs):
        os.makedirs(d, exist_ok=True)
    copy_tree(args.rev, src)
    xvfb = start_xvfb() if not os.environ.get("DISPLAY") else None
    try:
        sanitize = "ON" if args.sanitize else "OFF"
        # A mutant judges the tests, not the warnings: one that leaves a parameter
        # unused must still build.
        if run(["cmake", "-S", src, "-B", build, "-DSKELV_SANITIZE=" + sanitize,
                "-DSKELV_WERROR=OFF"], build, BUILD_TIMEOUT,
               os.path.join(logs, "configure")) != 0:
            sys.exit("mutate: configure failed; see " + os.path.join(logs, "configure"))
        state, test = build_and_test(build, os.path.join(logs, "baseline"))
        if state != "passed":
            sys.exit(f"mutate: the unmutated tree {state} {test}; see {logs}/baseline.*")

        results = []
        for m in mutants:
            path = os.path.join(src, m["file"])
            with open(path, encoding="utf-8") as f:
                original = f.read()
            count = original.count(m["old"])
            if count != 1:
                results.append((m, f"not applied ({count} matches)", "", 0.0))
                print(f"{m['id']:<12} not applied: the old text occurs {count} times", flush=True)
                continue
            started = time.time()
            try:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original.replace(m["old"], m["new"]))
                state, test = build_and_test(build, os.path.join(logs, m["id"]))
            finally:
                # A fresh modification time makes the next build recompile the original.
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
            verdict = {"failed": "killed", "passed": "SURVIVED"}.get(state, state)
            seconds = time.time() - started
            results.append((m, verdict, test, seconds))
            print(f"{m['id']:<12} {verdict:<10} {seconds:5.0f} s  {test or m['why']}", flush=True)
    finally:
        if xvfb:
            os.kill(xvfb, 15)

    with open(os.path.join(args.work, "results.tsv"), "w") as out:
        for m, verdict, test, seconds in results:
            out.write(f"{m['id']}\t{verdict}\t{test}\t{seconds:.0f}\t{m['why']}\n")
    killed = sum(1 for r in results if r[1] == "killed")
    survived = [r for r in results if r[1] != "killed"]
    print(f"\n{killed} of {len(results)} mutants killed")
    for m, verdict, _, _ in survived:
        print(f"  {m['id']}: {verdict}: {m['file']}: {m['why']}")
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main())
