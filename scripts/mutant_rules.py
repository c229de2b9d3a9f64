"""Mechanical mutants for scripts/mutate.py: the rules of established mutation
tools (relational, equality and arithmetic operators, constants, boolean
literals, deleted calls, replaced return values, forced conditions) applied at
every site of the program's and the platform layer's sources."""
import hashlib
import os
import re


# The program's and the platform layer's sources; tools/ (the data-file
# generators) and platform/include (declarations shared by both sides of the
# Win32 seam, where a changed constant changes caller and callee alike) are not.
SOURCE_DIRS = ("System", "base", "render", "terrain", "music", "console", "math", "platform/src")
SOURCE_EXTS = (".cpp", ".h", ".c")
SKIPPED = ("platform/src/dmusic_guids.cpp",)  # GUID values, named the same on both sides


def code_mask(text):
    """One flag per character: True where it is code, not a comment, a string
    or character literal, or a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            mask[i:j] = [False] * (j - i)
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j += 1
        else:
            i += 1
            continue
        mask[i:j] = [False] * (j - i)
        i = j
    return mask


def matching_paren(text, mask, open_at):
    depth = 0
    for j in range(open_at, len(text)):
        if not mask[j]:
            continue
        if text[j] == "(":
            depth += 1
        elif text[j] == ")":
            depth -= 1
            if depth == 0:
                return j
    return -1


RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITHMETIC = {"+": "-", "-": "+", "*": "/", "/": "*"}
BOOLEANS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
# clang-format puts one space either side of a binary operator; templates,
# pointers, unary minus and stream operators have none.
OPERATOR = re.compile(r"(?<= )(<=|>=|==|!=|<|>|\+|-|\*|/)(?= )")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+\.\d*(?:[eE][-+]?\d+)?|\d+)([fFuUlL]*)(?![\w.])")
WORD = re.compile(r"\b(true|false|TRUE|FALSE)\b")
CONDITION = re.compile(r"\b(if|while) \(")
RETURN = re.compile(r"\breturn ([^;]+);")
# A line that indexes, allocates, frees, copies or aims a pointer: a mutant
# there may read or write outside an object, or use one after it is freed,
# with no sign in the plain build. The runner judges such a survivor again in
# the sanitizer build.
MEMORY = re.compile(r"\[|\b(new|delete|free|realloc|malloc|mem(cpy|set|move)|str\w*cpy|snprintf"
                    r"|\w*Pointer|\w*[Ss]ize|\w*[Cc]ount|\w*[Ll]ength)\b|\bfor \(|\bwhile \(")
CALL = re.compile(r"^([ \t]*)((?:[\w:]+(?:\.|->))*[\w:]+\(.*\));[ \t]*$", re.M)


def mutated_number(literal):
    if literal.lower().startswith("0x"):
        value = int(literal, 16)
        return hex(value * 2 if value >= 16 and value & (value - 1) == 0 else value + 1)
    if "." in literal:
        value = float(literal)
        text = repr(value + 1.0 if abs(value) < 2.0 else value * 2.0)
        return text + ("" if "." in text or "e" in text else ".0")
    value = int(literal)
    if value >= 16 and value & (value - 1) == 0:
        return str(value * 2)  # a size
    return str(value + 1 if value % 2 == 0 else value - 1)


def site_mutants(text):
    """Every mutant of one file: (start, end, replacement, rule)."""
    mask = code_mask(text)
    code = lambda m: all(mask[m.start():m.end()])
    found = []
    for m in OPERATOR.finditer(text):
        if code(m):
            op = m.group(1)
            rule = "relational" if op in RELATIONAL else "arithmetic"
            found.append((m.start(), m.end(), {**RELATIONAL, **ARITHMETIC}[op], rule))
    for m in NUMBER.finditer(text):
        if code(m):
            found.append((m.start(), m.end(1), mutated_number(m.group(1)), "constant"))
    for m in WORD.finditer(text):
        if code(m):
            found.append((m.start(), m.end(), BOOLEANS[m.group(1)], "boolean"))
    for m in CONDITION.finditer(text):
        close = matching_paren(text, mask, m.end() - 1)
        if code(m) and close > 0:
            # An if's forced value is chosen with its id, from the line alone.
            forced = "false" if m.group(1) == "while" else None
            found.append((m.end(), close, forced, "condition"))
    for m in RETURN.finditer(text):
        value = m.group(1).strip()
        if code(m) and value not in ("0", "{}", "nullptr", "NULL", "false", "FALSE"):
            found.append((m.start(1), m.end(1), "{}", "return"))
    for m in CALL.finditer(text):
        call = m.group(2)
        if (code(m) and call.count("(") == call.count(")")
                and not re.match(r"(return|if|while|for|switch|delete|new)\b", call)):
            found.append((m.start(2), m.end(), ";", "call"))
    return found


def generate(src, seed, sample):
    """Every rule applied at every site of the program's sources, as mutants;
    a sample of them by seed. Each mutant's id comes from its file, its line's
    text and its place in that line, so edits elsewhere keep ids and sample."""
    mutants = []
    for top in SOURCE_DIRS:
        for folder, _, names in sorted(os.walk(os.path.join(src, top))):
            for name in sorted(n for n in names if n.endswith(SOURCE_EXTS)):
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, src)
                if rel in SKIPPED:
                    continue
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                seen = {}
                sites = sorted(site_mutants(text), key=lambda s: (s[0], s[1], s[3]))
                for start, end, new, rule in sites:
                    line_start = text.rfind("\n", 0, start) + 1
                    line_end = text.find("\n", end)
                    line_end = len(text) if line_end < 0 else line_end
                    old_line = text[line_start:line_end]
                    key = f"{rel}\0{old_line.strip()}\0{start - line_start}\0{rule}"
                    seen[key] = seen.get(key, 0) + 1
                    key += f"\0{seen[key]}"
                    digest = hashlib.sha1(key.encode()).hexdigest()
                    ident = "g" + digest[:8]
                    if new is None:
                        new = "true" if int(digest[8], 16) % 2 else "false"
                    rank = hashlib.sha1(f"{seed}\0{key}".encode()).hexdigest()
                    new_line = old_line[:start - line_start] + new + text[end:line_end]
                    mutants.append({"id": ident, "file": rel, "rank": rank, "start": start,
                                    "end": end, "new": new,
                                    "line": text.count("\n", 0, start) + 1,
                                    "memory": bool(MEMORY.search(old_line)),
                                    "why": f"{rule}: {' '.join(old_line.split())}  ->  "
                                           f"{' '.join(new_line.split())}",
                                    "diff": f"-{old_line}\n+{new_line}"})
    mutants.sort(key=lambda m: m["rank"])
    return mutants[:sample] if sample else mutants
