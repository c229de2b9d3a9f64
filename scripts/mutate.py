#!/usr/bin/env python3
"""Mutation runner: judges the test suite by the faults it catches.

A mutant is one small change to one source file: either a line of the hand
list tests/mutants.tsv, or (--generate) one made by rule over every source
file of the program and the platform layer, the way mutation tools do:
relational and equality operators flipped or bounded, arithmetic operators
swapped, constants moved by one (sizes doubled), boolean literals negated, a
call statement deleted, a returned value replaced by {}, a condition forced
true or false. --sample N --seed S takes N of them by seed; a mutant's id and
its place in the sample depend only on its own file and line, so a sample
stays the same while other code changes.

The runner copies the tree into a work folder (mirroring deletions), builds it
(plain build, without debug information), checks that the suite passes there,
then for every mutant: applies it, rebuilds incrementally, runs the CTest
tiers (--labels, default unit alloc gl e2e bench) with the cheapest ones for
the mutated file first, stopping at the first failure, and puts the file back.
Verdicts: killed (a test failed; a test that hangs past its time limit has
found the fault too), SURVIVED, equivalent (survived, and docs/mutation.md
lists it as "- `ID`: reason"), not viable (does not build: not counted).
A memory-class mutant (a mechanical one on a line that indexes, allocates,
frees, copies or aims a pointer, or a hand-list row marked "sanitize") that
survives the plain build is judged again in the sanitizer build (build-asan
in the work folder, made when first needed), where a read past an array or
a use after free fails the tests: killed there is killed.
The working tree itself is never touched.

Usage: scripts/mutate.py [--generate [--sample N] [--seed S]] [--rev REV] [--work DIR]
                         [--only ID,...] [--labels "L ..."] [--sanitize] [--list]
  --rev REV   mutate the tree of a commit instead of the working tree
  --work DIR  work folder (default: /tmp/skelv-mutate); its build is reused
  --only IDS  run just these mutants (an unknown id is an error)
  --sanitize  use the sanitizer build, which the tests also run in (slower)
Needs an X server: uses DISPLAY, or starts its own Xvfb.
Creating the file PAUSE in the work folder holds the run before its next mutant
until the file is removed. Writes results.tsv in the work folder as it goes and
prints a summary with each survivor's file:line and diff; exit code 1 when a
mutant survived or could not be applied.

mutants.tsv: one mutant a line, tab-separated: id, file, old text, new text,
what it breaks, and optionally "sanitize" for a memory-class one. The old text must occur exactly once in the file; in both
texts backslash-n stands for a line break, backslash-t for a tab and
two backslashes for one.
"""
import argparse
import re
import os
import signal
import subprocess
import sys
import time

from mutant_rules import generate

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MUTANTS = os.path.join(ROOT, "tests", "mutants.tsv")
BUILD_TIMEOUT = 600
SUITE_TIMEOUT = 900
# For a test without a limit of its own: unit, alloc and gl tests take a second
# or two, so a minute means a hang.
TEST_TIMEOUT = 30


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
            if len(fields) not in (5, 6) or fields[5:] not in ([], ["sanitize"]):
                sys.exit(f"mutants.tsv:{number}: {len(fields)} fields, not 5 (or 6: sanitize)")
            ident, path, old, new, why = fields[:5]
            mutants.append({"id": ident, "file": path, "old": unescape(old),
                            "new": unescape(new), "why": why, "memory": len(fields) == 6})
    return mutants


def copy_tree(rev, src):
    """Makes src hold exactly the tracked files of rev (or of the working tree):
    changed files are rewritten, so the build stays incremental, and files that
    are gone are removed, so no glob keeps compiling them."""
    if rev:
        files = subprocess.run(["git", "ls-tree", "-r", "--name-only", rev], cwd=ROOT,
                               capture_output=True, text=True, check=True).stdout.split("\n")
    else:
        files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT,
                               capture_output=True, text=True, check=True).stdout.split("\n")
        files = [f for f in files if os.path.isfile(os.path.join(ROOT, f))]
    files = set(filter(None, files))
    for folder, _, names in os.walk(src):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.relpath(path, src) not in files:
                os.remove(path)
    for name in sorted(files):
        target = os.path.join(src, name)
        if rev:
            data = subprocess.run(["git", "show", f"{rev}:{name}"], cwd=ROOT,
                                  capture_output=True, check=True).stdout
        else:
            with open(os.path.join(ROOT, name), "rb") as f:
                data = f.read()
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
                                  timeout=timeout, start_new_session=True).returncode
        except subprocess.TimeoutExpired:
            return 124


def first_failure(log):
    with open(log, errors="replace") as f:
        for line in f:
            if "***Failed" in line or "***Timeout" in line or "***Exception" in line:
                return line.split(":", 1)[-1].split("...")[0].strip()
    return "?"


# The tiers a mutant of a file meets first: the cheapest that usually catch a
# fault there. Every label of the run follows, so the order only saves time.
LABEL_ORDER = (("math/", "unit gl"), ("console/", "unit e2e"), ("base/OutOfMemory", "alloc unit"),
               ("base/", "unit alloc"),
               ("terrain/", "gl unit"), ("render/", "gl unit"), ("music/", "unit e2e"),
               ("platform/src/dmusic", "unit e2e"), ("platform/src/fluidsynth", "unit e2e"),
               ("platform/src/com", "unit"), ("platform/src/kernel32", "unit e2e"),
               ("platform/src/", "gl e2e"),
               ("System/", "unit gl e2e"))
CHEAP_LABELS = "unit alloc gl e2e bench"


def labels_for(path, labels):
    first = next((order.split() for prefix, order in LABEL_ORDER if path.startswith(prefix)), [])
    return [l for l in first if l in labels] + [l for l in labels if l not in first]


def build_and_test(build, log_base, labels):
    """'not viable' (the build failed), 'failed' with the first failing test, or
    'passed'. A hang is a fault found: a suite past its time limit fails."""
    if run(["cmake", "--build", build, "-j2"], build, BUILD_TIMEOUT, log_base + ".build") != 0:
        return "not viable", ""
    for label in labels:
        log = f"{log_base}.{label}"
        code = run(["ctest", "-j2", "--stop-on-failure", "--timeout", str(TEST_TIMEOUT), "-L", f"^{label}$"],
                   build, SUITE_TIMEOUT, log)
        if code == 124:
            return "failed", f"{label} suite past {SUITE_TIMEOUT} s"
        if code != 0:
            return "failed", first_failure(log)
    return "passed", ""


def prepare(src, build, logs, name, sanitize, labels):
    """Configures and builds a tree and checks that the suite passes there."""
    # Without debug information the links of every mutant are much quicker.
    # A mutant judges the tests, not the warnings: one that leaves a parameter
    # unused must still build.
    flags = "-O2 -DNDEBUG"
    os.makedirs(build, exist_ok=True)
    if run(["cmake", "-S", src, "-B", build, "-DSKELV_SANITIZE=" + ("ON" if sanitize else "OFF"),
            "-DSKELV_WERROR=OFF", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=" + flags,
            "-DCMAKE_C_FLAGS_RELWITHDEBINFO=" + flags], build, BUILD_TIMEOUT,
           os.path.join(logs, "configure-" + name)) != 0:
        sys.exit(f"mutate: configure failed; see {logs}/configure-{name}")
    state, test = build_and_test(build, os.path.join(logs, name), labels)
    if state != "passed":
        sys.exit(f"mutate: the unmutated tree {state} {test}; see {logs}/{name}.*")


def read_equivalents():
    """The mutants docs/mutation.md shows equivalent: lines "- `ID`: reason"."""
    with open(os.path.join(ROOT, "docs", "mutation.md"), encoding="utf-8") as doc:
        return set(re.findall(r"^- `([\w.-]+)`:", doc.read(), re.M))


def apply(m, original):
    if "start" in m:
        return original[:m["start"]] + m["new"] + original[m["end"]:]
    count = original.count(m["old"])
    return original.replace(m["old"], m["new"]) if count == 1 else None


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
    parser.add_argument("--generate", action="store_true")
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", default="13")
    parser.add_argument("--labels", default=CHEAP_LABELS)
    args = parser.parse_args()

    src, build, logs = (os.path.join(args.work, d) for d in ("src", "build", "logs"))
    for d in (src, build, logs):
        os.makedirs(d, exist_ok=True)
    copy_tree(args.rev, src)
    mutants = generate(src, args.seed, args.sample) if args.generate else read_mutants()
    if args.only:
        wanted = args.only.split(",")
        known = {m["id"] for m in (generate(src, args.seed, 0) if args.generate else mutants)}
        unknown = [w for w in wanted if w not in known]
        if unknown:
            sys.exit("mutate: no mutant " + ", ".join(unknown))
        everything = generate(src, args.seed, 0) if args.generate else mutants
        mutants = [m for m in everything if m["id"] in wanted]
    equivalent = read_equivalents()
    if args.list:
        for m in mutants:
            print(f"{m['id']}\t{m['file']}:{m.get('line', '')}\t{m['why']}")
        return 0

    # Stopped by a signal, the runner still puts the file back and ends its Xvfb.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    xvfb = start_xvfb() if not os.environ.get("DISPLAY") else None
    results = []
    out = open(os.path.join(args.work, "results.tsv"), "w")
    try:
        labels = args.labels.split()
        prepare(src, build, logs, "baseline", args.sanitize, labels)
        asan = os.path.join(args.work, "build-asan")
        asan_ready = args.sanitize

        for m in mutants:
            # A benchmark that needs the machine to itself can hold the run
            # between two mutants by creating the file PAUSE in the work folder.
            while os.path.exists(os.path.join(args.work, "PAUSE")):
                time.sleep(1)
            path = os.path.join(src, m["file"])
            with open(path, encoding="utf-8") as f:
                original = f.read()
            mutated = apply(m, original)
            started = time.time()
            if mutated is None:
                state, test = "not applied", "the old text does not occur exactly once"
            else:
                try:
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(mutated)
                    state, test = build_and_test(build, os.path.join(logs, m["id"]),
                                                 labels_for(m["file"], labels))
                    if state == "passed" and m.get("memory") and not args.sanitize:
                        if not asan_ready:
                            with open(path, "w", encoding="utf-8") as f:
                                f.write(original)
                            prepare(src, asan, logs, "baseline-asan", True, labels)
                            asan_ready = True
                            with open(path, "w", encoding="utf-8") as f:
                                f.write(mutated)
                        state, test = build_and_test(asan, os.path.join(logs, m["id"] + "-asan"),
                                                     labels_for(m["file"], labels))
                        test = f"{test} (sanitizer build)" if state == "failed" else test
                finally:
                    # A fresh modification time makes the next build recompile the original.
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(original)
            verdict = {"failed": "killed", "passed": "SURVIVED"}.get(state, state)
            if verdict == "SURVIVED" and m["id"] in equivalent:
                verdict = "equivalent"
            seconds = time.time() - started
            results.append((m, verdict, test, seconds))
            where = f"{m['file']}:{m['line']}" if "line" in m else m["file"]
            print(f"{m['id']:<12} {verdict:<10} {seconds:5.0f} s  {where}  {test or m['why']}",
                  flush=True)
            out.write(f"{m['id']}\t{verdict}\t{test}\t{seconds:.0f}\t{where}\t{m['why']}\n")
            out.flush()
    finally:
        out.close()
        if xvfb:
            os.kill(xvfb, 15)

    counted = [r for r in results if r[1] in ("killed", "SURVIVED")]
    killed = sum(1 for r in counted if r[1] == "killed")
    other = {v: sum(1 for r in results if r[1] == v) for v in ("equivalent", "not viable", "not applied")}
    score = f" ({100 * killed / len(counted):.0f} %)" if counted else ""
    print(f"\n{killed} of {len(counted)} mutants killed{score}; "
          + ", ".join(f"{n} {v}" for v, n in other.items()))
    for m, verdict, _, _ in results:
        if verdict not in ("killed", "equivalent", "not viable"):
            where = f"{m['file']}:{m['line']}" if "line" in m else m["file"]
            print(f"  {m['id']}: {verdict}: {where}: {m['why']}")
            if "diff" in m:
                print("    " + m["diff"].replace("\n", "\n    "))
    return 1 if any(r[1] in ("SURVIVED", "not applied") for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
