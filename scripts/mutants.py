#!/usr/bin/env python3
"""Mutation testing of the lines of src/ changed since a commit.

    python3 scripts/mutants.py BASE [-j N] [--sample N --seed S] [--min-rate PCT]
    python3 scripts/mutants.py BASE --windows --sample 60 --seed 1 [--min-rate PCT]

Each C++ line of src/ added or changed since BASE (the work tree as it is,
uncommitted changes included; comments, strings and preprocessor lines left
alone) gives mutants, one change each: a relational operator replaced, && and
|| swapped, a ! removed or added to a condition, true and false swapped, an
integer constant +1 and -1, a call statement or assignment removed, the value
of a return replaced by its type's empty value ({}), an if's condition forced
true or false. Each mutant is built and tested in a scratch copy of the work
tree (build/mutants/wN, winN on the Windows side, one per worker, rebuilt
incrementally through ccache):

  natively (files outside a win32/ folder): the unit tests, then the fuzzers
  whose code the file is (listfile_fuzz for the list file's own code, form1_fuzz
  for all), each a short fixed run from the committed corpus;
  --windows (files in a win32/ folder): Veilkeep.exe cross-built with MinGW and
  the end-to-end scenarios that WINDOWS_SCENARIOS below names for the file.

The first failure kills a mutant, and so does a time-out; one that does not
compile is dropped and not counted. Mutants listed in the equivalents file
(scripts/mutants-equivalent.txt: no behaviour can tell them from the code as
written) are skipped and counted apart. --sample N takes the first N mutants
that compile, in an order shuffled by --seed. It prints every mutant with what
killed it or SURVIVED, then the kill rate, and exits 1 when the rate is below
--min-rate. --list only prints the mutants.
"""

import argparse
import concurrent.futures
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EQUIVALENTS = os.path.join(ROOT, "scripts", "mutants-equivalent.txt")
WORK = os.path.join(ROOT, "build", "mutants")

# The end-to-end scenarios that exercise each Windows-side file.
WINDOWS_SCENARIOS = {
    "src/platform/win32/win32_files.cpp": [
        "UnwritableList", "BusyTemporaryFile", "BadListFiles", "FullDisk", "BriefLocks",
        "KilledWhileSaving", "UnreadableListAtStart"],
    "src/platform/win32/win32_folders.cpp": ["FindHiddenFolders", "CommandLine"],
    "src/platform/win32/win32_platform.cpp": [
        "FolderLife", "DrivesComeAndGo", "UnicodeFolder", "DeepFolders", "AwkwardNames",
        "CommandLine"],
    "src/platform/win32/win32_platform.h": ["FolderLife", "DrivesComeAndGo", "CommandLine"],
    "src/platform/win32/win32_shell.cpp": [
        "FolderLife", "DroppedFolders", "WebPages", "CommandLine", "FindHiddenFolders",
        "HideAllAndShortcutKey", "AwkwardNames", "DeepFolders", "NoFileManager"],
    "src/platform/win32/system_calls.h": ["FolderLife", "DeepFolders", "BriefLocks"],
    "src/platform/win32/window_kit.h": [
        "StartWithoutList", "AboutWindow", "HowToUseWindow", "StatusBarHeight"],
    "src/app/win32/form1_window.cpp": [
        "StartWithoutList", "StartWithSavedListAndSecondCopy", "FolderLife", "DroppedFolders",
        "KeyboardAfterModalWindows", "StatusBarHeight", "CommandLine", "FindHiddenFolders",
        "HideAllAndShortcutKey"],
    "src/app/win32/form1_window.h": ["StartWithoutList", "FolderLife", "CommandLine"],
    "src/app/win32/list_watch.cpp": ["BriefLocks", "KilledWhileSaving", "BusyTemporaryFile"],
    "src/app/win32/list_watch.h": ["BriefLocks"],
    "src/app/win32/requests.cpp": ["CommandLine", "FindHiddenFolders", "HideAllAndShortcutKey"],
    "src/app/win32/shortcut_key.cpp": ["HideAllAndShortcutKey"],
    "src/app/win32/shortcut_key.h": ["HideAllAndShortcutKey"],
    "src/app/win32/requests.h": ["CommandLine"],
    "src/app/win32/search_progress.cpp": ["FindHiddenFolders"],
    "src/app/win32/found_folders.cpp": ["FindHiddenFolders", "FoundWindowLayout"],
    "src/app/win32/search_windows.h": ["FindHiddenFolders"],
    "src/app/win32/main.cpp": [
        "StartWithoutList", "StartWithSavedListAndSecondCopy", "CommandLine", "HideAllAndShortcutKey"],
    "src/app/win32/list1.cpp": [
        "FolderLife", "KeyboardTypeAhead", "KeyboardMenuAndEnter", "ScreenReaderNames"],
    "src/app/win32/list1.h": ["KeyboardTypeAhead"],
    "src/app/win32/command1.cpp": ["FolderLife", "KeyboardHideAndUnhide"],
    "src/app/win32/toolbar1.cpp": ["WebPages", "KeyboardAfterModalWindows", "ScreenReaderNames"],
    "src/about/win32/form2.cpp": ["AboutWindow"],
    "src/about/win32/form3.cpp": ["HowToUseWindow"],
    "src/about/win32/modal.cpp": ["AboutWindow", "HowToUseWindow", "KeyboardAfterModalWindows"],
}

# ---------------------------------------------------------------- the mutants


@dataclass
class Mutant:
    path: str          # relative to the repository
    line: int          # 1-based, of the change's start
    operator: str
    start: int         # the span of the file's text replaced
    end: int
    replacement: str
    change: str = ""   # 'original -> mutated', as shown
    key: tuple = ()    # (path, change as keyed, line text): stable across line shifts
    outcome: str = ""  # killed, survived, dropped, equivalent
    by: str = ""
    seconds: float = 0.0
    order: int = 0


def masked(text):
    """The text with comments, string and character literals and preprocessor
    lines replaced by spaces (line breaks kept): code alone, at its places."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = i
            while j < n and text[j] != "\n":
                if text[j] == "\\" and j + 1 < n and text[j + 1] == "\n":
                    j += 1
                j += 1
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t":
            i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
            continue
        if c in "\"'":
            # A digit separator (1'000) is no literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and text[i - 1] not in "LuU8":
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
            continue
        i += 1
    return "".join(out)


def matching(code, at, opening="(", closing=")"):
    """The index of the bracket closing the one at `at` in masked code."""
    depth = 0
    for i in range(at, len(code)):
        if code[i] == opening:
            depth += 1
        elif code[i] == closing:
            depth -= 1
            if depth == 0:
                return i
    return -1


def matching_back(code, at):
    """The index of the '(' that the ')' at `at` closes, in masked code."""
    depth = 0
    for i in range(at, -1, -1):
        if code[i] == ")":
            depth += 1
        elif code[i] == "(":
            depth -= 1
            if depth == 0:
                return i
    return 0


def statement_end(code, at):
    """The index of the ';' that ends the statement starting at `at`, at depth 0."""
    depth = 0
    for i in range(at, len(code)):
        ch = code[i]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
            if depth < 0:
                return -1
        elif ch == ";" and depth == 0:
            return i
    return -1


EMPTY_VALUES = {"", "{}", "false", "0", "0u", "nullptr", "Status::Ok()", "std::wstring()",
                "std::string()"}
RELATIONAL = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
              "==": ["!="], "!=": ["=="]}
NOT_STATEMENTS = {"return", "if", "else", "for", "while", "do", "switch", "case", "default",
                  "break", "continue", "goto", "throw", "const", "constexpr", "static", "auto",
                  "using", "typedef", "namespace", "class", "struct", "enum", "template",
                  "public", "private", "protected", "friend", "virtual", "explicit", "inline",
                  "try", "catch", "delete", "new", "unsigned", "signed", "bool", "int", "char",
                  "void", "long", "short", "double", "float", "extern", "typename"}
CALL = re.compile(r"(\(void\)\s*)?[A-Za-z_][\w:]*(\s*(\.|->)\s*[A-Za-z_]\w*|\[[^\]]*\])*\s*\(")
ASSIGNMENT = re.compile(
    r"[*]?[A-Za-z_][\w:]*((\.|->)[A-Za-z_]\w*|\[[^\]]*\])*\s*([-+*/%&|^]|<<|>>)?=(?!=)")
STEP = re.compile(r"(\+\+|--)\s*[A-Za-z_][\w.>\-\[\]]*\s*;|[A-Za-z_][\w.>\-\[\]]*\s*(\+\+|--)\s*;")


def mutants_of(path, text, lines):
    """The mutants of the lines `lines` (1-based) of the file `path` holding `text`."""
    code = masked(text)
    starts = [0]
    for i, ch in enumerate(text):
        if ch == "\n":
            starts.append(i + 1)
    found = []

    def add(line, operator, start, end, replacement):
        found.append(Mutant(path, line, operator, start, end, replacement))

    for line in sorted(lines):
        if line > len(starts):
            continue
        a = starts[line - 1]
        b = starts[line] - 1 if line < len(starts) else len(text)
        m = code[a:b]
        if not m.strip():
            continue
        # Relational operators, && and ||: clang-format sets binary operators
        # between spaces, and never template brackets, -> or <<.
        for hit in re.finditer(r"(?<= )(<=|>=|==|!=|<|>|&&|\|\|)(?= )", m):
            op = hit.group(1)
            others = {"&&": ["||"], "||": ["&&"]}.get(op) or RELATIONAL[op]
            if "operator" in m[: hit.start()].split("(")[0]:
                continue
            for other in others:
                add(line, "logical" if op in "&&||" else "relational", a + hit.start(),
                    a + hit.end(), other)
        # A ! removed.
        for hit in re.finditer(r"!(?!=)", m):
            add(line, "negation", a + hit.start(), a + hit.end(), "")
        # true and false.
        for hit in re.finditer(r"\b(true|false)\b", m):
            add(line, "boolean", a + hit.start(), a + hit.end(),
                "false" if hit.group(1) == "true" else "true")
        # Integer constants.
        for hit in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])", m):
            digits, suffix = hit.group(1), hit.group(2)
            value = int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits)
            for moved in (value + 1, value - 1):
                if moved < 0:
                    continue
                written = hex(moved) if digits[:2] in ("0x", "0X") else str(moved)
                add(line, "constant", a + hit.start(), a + hit.end(), written + suffix)
        # The condition of an if: forced, or negated.
        for hit in re.finditer(r"\bif\s*(constexpr\s*)?\(", m):
            if hit.group(1):
                continue
            open_at = a + hit.end() - 1
            close_at = matching(code, open_at)
            if close_at < 0:
                continue
            inner = code[open_at + 1:close_at]
            # An if with an initialiser: its condition follows the ';'.
            split = statement_end(inner, 0)
            cond_start = open_at + 1 + (split + 1 if split >= 0 else 0)
            while code[cond_start] in " \n":
                cond_start += 1
            for forced in ("true", "false"):
                add(line, "condition", cond_start, close_at, forced)
            if code[cond_start] != "!":
                cond = text[cond_start:close_at]
                add(line, "negation", cond_start, close_at, "!(" + cond + ")")
        # Returns of a value, wherever they stand on the line.
        for hit in re.finditer(r"\breturn\b", m):
            start = a + hit.start()
            end = statement_end(code, start)
            value = code[a + hit.end():end].strip() if end > 0 else ""
            # Values that are their type's empty one already: {} would change
            # nothing. For true and 1 it makes the program that the boolean or
            # constant mutant of the same line makes already.
            if value in EMPTY_VALUES or value in ("true", "1"):
                continue
            add(line, "return", start, end, "return {}")
        # A statement that is only a call, an assignment or a step, removed.
        stripped = m.lstrip()
        first = re.match(r"[A-Za-z_]\w*", stripped)
        start = a + len(m) - len(stripped)
        if (first and first.group(0) in NOT_STATEMENTS) or not stripped or stripped[0] in "{}":
            continue
        # ...that begins on this line, not a line that goes on with one.
        before = code[:start].rstrip()
        opened = before.endswith(")") and re.search(
            r"\b(if|for|while)\s*$", code[:matching_back(code, len(before) - 1)])
        if not (before.endswith((";", "{", "}", "else")) or opened or
                (before.endswith(":") and not before.endswith("::"))):
            continue
        end = statement_end(code, start)
        if end < 0:
            continue
        whole = code[start:end + 1]
        call = CALL.match(whole)
        if call and matching(whole, call.end() - 1) == len(whole.rstrip(";").rstrip()) - 1:
            add(line, "call removed", start, end + 1, "{}")
        elif ASSIGNMENT.match(whole) or STEP.fullmatch(whole.strip()):
            add(line, "assignment removed", start, end + 1, "{}")
    one_line = lambda s: " ".join(s.split())
    # A line whose text the file has more than once is told by which of them it is.
    texts = [one_line(row) for row in text.split("\n")]
    for mutant in found:
        original = one_line(text[mutant.start:mutant.end])
        mutant.change = f"{original[:60]} -> {one_line(mutant.replacement)[:60]}"
        line_text = one_line(text[starts[mutant.line - 1]:].split("\n", 1)[0])
        # Which of the same changes on this line it is.
        same = [m for m in found if m.line == mutant.line and m.change == mutant.change]
        nth = same.index(mutant) + 1
        twins = [n for n, row in enumerate(texts) if row == line_text]
        mutant.key = (path, f"{mutant.change}" + (f" #{nth}" if len(same) > 1 else "") +
                      (f" @{twins.index(mutant.line - 1) + 1}" if len(twins) > 1 else ""), line_text)
    return found


def changed_lines(base):
    """{path: set of line numbers} of the C++ lines of src/ added or changed since `base`."""
    # The prefixes are given: a user's git settings may change or drop them.
    diff = subprocess.run(["git", "diff", "-U0", "--no-color", "--no-ext-diff",
                           "--src-prefix=a/", "--dst-prefix=b/", base, "--", "src"],
                          cwd=ROOT, check=True, capture_output=True, text=True).stdout
    lines, path = {}, None
    for row in diff.splitlines():
        if row.startswith("+++ "):
            name = row[4:]
            path = name[2:] if name.startswith("b/") else None
            if path and not path.endswith((".cpp", ".h")):
                path = None
        elif row.startswith("@@") and path:
            hunk = re.match(r"@@ -\S+ \+(\d+)(?:,(\d+))? @@", row)
            first, count = int(hunk.group(1)), int(hunk.group(2) or "1")
            lines.setdefault(path, set()).update(range(first, first + count))
    # Files not yet added to git are new in every line.
    new_files = subprocess.run(["git", "ls-files", "-o", "--exclude-standard", "--", "src"],
                               cwd=ROOT, check=True, capture_output=True, text=True).stdout
    for path in new_files.splitlines():
        if path.endswith((".cpp", ".h")):
            with open(os.path.join(ROOT, path), encoding="utf-8") as f:
                lines[path] = set(range(1, f.read().count("\n") + 2))
    return lines


def load_equivalents():
    """(path, change, line text) -> reason, from the equivalents file."""
    known = {}
    if not os.path.exists(EQUIVALENTS):
        return known
    with open(EQUIVALENTS, encoding="utf-8") as f:
        for row in f:
            if not row.strip() or row.startswith("#"):
                continue
            parts = row.rstrip("\n").split("\t")
            if len(parts) != 4:
                sys.exit(f"mutants.py: {EQUIVALENTS}: not four tab-separated fields: {row!r}")
            path, change, line_text, reason = parts
            known[(path, change, line_text)] = reason
    return known

# ---------------------------------------------------------------- the runs


def run(command, cwd=None, timeout=None, env=None):
    """(exit code or 'timeout', output). A command that runs out of time is
    stopped with all it started, as an interrupt stops it: the end-to-end
    run then takes its display and Wine prefix down with it."""
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, errors="replace",
                               start_new_session=True)
    try:
        out, _ = process.communicate(timeout=timeout)
        return process.returncode, out
    except subprocess.TimeoutExpired:
        for sig, wait in ((signal.SIGTERM, 60), (signal.SIGKILL, None)):
            try:
                os.killpg(process.pid, sig)
                out, _ = process.communicate(timeout=wait)
                break
            except (subprocess.TimeoutExpired, ProcessLookupError):
                out = ""
        return "timeout", out or ""


def ensure_tools(windows):
    """The packages the runs need: the project's own, and ccache."""
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "deps.sh")], check=True)
    if shutil.which("ccache") is None:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "ccache"], check=True,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


FUZZ_RUNS = {"listfile_fuzz": 4000, "form1_fuzz": 1500}


class Worker:
    """A scratch copy of the work tree and its build folders."""

    def __init__(self, number, windows):
        self.number = number
        self.windows = windows
        # Windows-side workers have trees of their own: both kinds of run can go at once.
        self.dir = os.path.join(WORK, f"{'win' if windows else 'w'}{number}")
        self.tree = os.path.join(self.dir, "tree")
        self.native = os.path.join(self.dir, "native")
        self.fuzz = os.path.join(self.dir, "fuzz")
        self.mingw = os.path.join(self.dir, "mingw")
        self.scratch = os.path.join(self.dir, "scratch")
        self.env = dict(os.environ, CCACHE_DIR=os.path.join(WORK, "ccache"), CCACHE_BASEDIR=self.dir,
                        CCACHE_NOHASHDIR="1", LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def copy_tree(self):
        files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                               check=True, capture_output=True).stdout.decode().split("\0")
        wanted = set()
        for name in files:
            if not name or name.startswith("build/"):
                continue
            wanted.add(name)
            source, target = os.path.join(ROOT, name), os.path.join(self.tree, name)
            if not os.path.isfile(source):
                continue
            # Unchanged files keep their times: the build stays incremental.
            if os.path.exists(target) and open(source, "rb").read() == open(target, "rb").read():
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy2(source, target)
            os.utime(target)
        for folder, _, names in os.walk(self.tree):
            for name in names:
                rel = os.path.relpath(os.path.join(folder, name), self.tree)
                if rel not in wanted:
                    os.remove(os.path.join(folder, name))

    def configure(self):
        self.copy_tree()
        common = ["-DVEILKEEP_WERROR=OFF", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
        builds = []
        if self.windows:
            builds.append((self.mingw, ["--toolchain", "cmake/mingw-w64-x86_64.cmake",
                                        "-DCMAKE_BUILD_TYPE=Release"],
                           ["Veilkeep", "veilkeep_e2e"]))
        else:
            builds.append((self.native, ["-DCMAKE_BUILD_TYPE=RelWithDebInfo"], ["unit_tests"]))
            builds.append((self.fuzz, ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVEILKEEP_FUZZ=ON",
                                       "-DCMAKE_CXX_COMPILER=clang++", "-DCMAKE_C_COMPILER=clang"],
                           list(FUZZ_RUNS)))
        for folder, options, targets in builds:
            if not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
                code, out = run(["cmake", "-S", self.tree, "-B", folder] + common + options,
                                env=self.env)
                if code != 0:
                    sys.exit(f"mutants.py: configuring {folder} failed:\n{out}")
            code, out = self.build(folder, targets)
            if code != 0:
                sys.exit(f"mutants.py: the unchanged code does not build in {folder}:\n{out[-3000:]}")

    def build(self, folder, targets):
        return run(["cmake", "--build", folder, "-j1", "--target"] + targets, timeout=1800,
                   env=self.env)

    # Each stage: (name, command or callable) run in order; the first failure kills.
    def stages(self, path):
        if self.windows:
            scenarios = WINDOWS_SCENARIOS.get(path, ["StartWithoutList", "FolderLife"])
            return [("e2e", ["bash", os.path.join(self.tree, "tests", "e2e", "run.sh"), self.mingw]
                     + scenarios + ["--first-failure"], 900)]
        stages = [("unit", [os.path.join(self.native, "unit_tests"), "--gtest_fail_fast",
                            "--gtest_brief=1"], 120)]
        targets = ["form1_fuzz"]
        if path.startswith(("src/listfile/", "src/platform/")):
            targets.insert(0, "listfile_fuzz")
        setarch = ["setarch", os.uname().machine, "-R"]
        if run(setarch + ["true"])[0] != 0:
            setarch = []
        for target in targets:
            corpus = os.path.join(self.tree, "tests", "fuzz", target.replace("_fuzz", "_corpus"))
            empty = os.path.join(self.scratch, target)
            stages.append((target, setarch + [
                os.path.join(self.fuzz, target), f"-runs={FUZZ_RUNS[target]}", "-seed=1",
                "-reload=0", f"-artifact_prefix={self.scratch}/", empty, corpus], 300))
        return stages

    def build_stage(self, path):
        if self.windows:
            return [(self.mingw, ["Veilkeep"])]
        targets = ["form1_fuzz"] + (["listfile_fuzz"]
                                    if path.startswith(("src/listfile/", "src/platform/")) else [])
        return [(self.native, ["unit_tests"]), (self.fuzz, targets)]

    def try_mutant(self, mutant, original):
        target = os.path.join(self.tree, mutant.path)
        mutated = original[:mutant.start] + mutant.replacement + original[mutant.end:]
        began = time.time()
        try:
            self.write(target, mutated)
            builds = self.build_stage(mutant.path)
            # The first build says whether it compiles at all.
            code, out = self.build(*builds[0])
            if code != 0:
                return "dropped", "does not compile"
            stages = self.stages(mutant.path)
            for name, command, timeout in stages:
                if name in FUZZ_RUNS:
                    code, out = self.build(self.fuzz, [name])
                    if code != 0:
                        return "dropped", f"does not compile for {name}"
                    shutil.rmtree(os.path.join(self.scratch, name), ignore_errors=True)
                    os.makedirs(os.path.join(self.scratch, name), exist_ok=True)
                code, out = run(command, timeout=timeout, env=self.env)
                if code == "timeout":
                    return "killed", f"{name}: time-out"
                if code != 0:
                    return "killed", f"{name}: {why(name, out)}"
            return "survived", ""
        finally:
            self.write(target, original)
            mutant.seconds = time.time() - began

    @staticmethod
    def write(target, text):
        with open(target, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        now = time.time_ns()
        os.utime(target, ns=(now, now))


def why(stage, out):
    """The first line of `out` that says what failed."""
    patterns = {
        "unit": r"^\[  FAILED  \] (\S+)",
        "e2e": r"FAIL - (.*)",
    }
    pattern = patterns.get(stage, r"(invariant broken: .*|ERROR: \w+Sanitizer: [\w-]+|"
                                  r"runtime error: .*|deadly signal)")
    for row in out.splitlines():
        hit = re.search(pattern, row)
        if hit:
            return hit.group(1)[:120]
    return "failed"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("base", help="the commit whose changes since are mutated")
    parser.add_argument("-j", type=int, default=os.cpu_count() or 2, help="mutants at once")
    parser.add_argument("--windows", action="store_true",
                        help="the win32/ files, against the end-to-end scenarios")
    parser.add_argument("--sample", type=int, help="only the first N mutants that compile")
    parser.add_argument("--seed", type=int, default=1, help="the order sampled (default 1)")
    parser.add_argument("--min-rate", type=float, default=0.0,
                        help="exit 1 when fewer than this percentage are killed")
    parser.add_argument("--only", action="append", default=[],
                        help="only files whose path contains this (repeatable)")
    parser.add_argument("--list", action="store_true", help="print the mutants and stop")
    parser.add_argument("--again", metavar="LOG",
                        help="only the survivors of an earlier run, from its output LOG")
    parser.add_argument("--resume", action="store_true",
                        help="take the mutants killed or dropped by earlier runs as they were "
                             "(build/mutants/results-*.tsv) and run only the rest")
    args = parser.parse_args()

    wanted = []
    for path, lines in sorted(changed_lines(args.base).items()):
        if ("/win32/" in path) != args.windows:
            continue
        if args.only and not any(part in path for part in args.only):
            continue
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            wanted.extend(mutants_of(path, f.read(), lines))
    if args.again:
        with open(args.again, encoding="utf-8") as f:
            again = {tuple(row.strip()[len("key: "):].split("\t")) for row in f
                     if row.strip().startswith("key: ")}
        wanted = [m for m in wanted if m.key in again]
    if args.sample:
        # Each mutant's place comes from its own key and the seed alone: a
        # mutant listed as equivalent, or lines changed elsewhere, leave the
        # others' order, and so the sample, as it was.
        wanted.sort(key=lambda m: hashlib.sha256(
            "\t".join((str(args.seed),) + m.key).encode()).hexdigest())
    equivalents = load_equivalents()
    equivalent = [m for m in wanted if m.key in equivalents]
    candidates = [m for m in wanted if m.key not in equivalents]
    for n, mutant in enumerate(candidates):
        mutant.order = n
    side = "Windows side" if args.windows else "natively"
    print(f"{len(wanted)} mutants of the lines changed since {args.base} ({side}); "
          f"{len(equivalent)} of them listed as equivalent")
    if not candidates:
        print("no mutants to run")
        return 0
    if args.list:
        for m in candidates:
            print(f"{m.path}:{m.line}: {m.operator}: {m.change}")
        return 0

    began = time.time()
    ensure_tools(args.windows)
    os.makedirs(WORK, exist_ok=True)
    workers = [Worker(n, args.windows) for n in range(max(1, args.j))]
    with concurrent.futures.ThreadPoolExecutor(len(workers)) as pool:
        list(pool.map(lambda w: w.configure(), workers))
    print(f"{len(workers)} workers ready after {time.time() - began:.0f} s")
    # The unchanged code must pass every stage: natively the stages of one
    # file (the same for all, the listfile fuzzer aside); on the Windows side
    # every scenario any of the files names, in one run.
    paths = sorted({m.path for m in candidates})
    if args.windows:
        scenarios = sorted({s for p in paths for s in workers[0].stages(p)[0][1][3:]})
        baseline = [("e2e", workers[0].stages(paths[0])[0][1][:3] + scenarios, 3000)]
    else:
        baseline = workers[0].stages(paths[0])
    for name, command, timeout in baseline:
        if name in FUZZ_RUNS:
            os.makedirs(os.path.join(workers[0].scratch, name), exist_ok=True)
        code, out = run(command, timeout=timeout, env=workers[0].env)
        if code != 0:
            sys.exit(f"mutants.py: the unchanged code fails {name}:\n{out[-3000:]}")
    print(f"the unchanged code passes; mutants start after {time.time() - began:.0f} s")

    # Each outcome is kept as it comes, by key: a run cut short, or one
    # that follows new tests, need not start again.
    outcomes = os.path.join(WORK, f"results-{'windows' if args.windows else 'native'}.tsv")
    earlier = {}
    if args.resume and os.path.exists(outcomes):
        # A mutant's last outcome is the one that holds.
        with open(outcomes, encoding="utf-8") as f:
            for row in f:
                parts = row.rstrip("\n").split("\t")
                if len(parts) == 5:
                    earlier[tuple(parts[:3])] = (parts[3], parts[4] + " (an earlier run)")
        earlier = {k: v for k, v in earlier.items() if v[0] in ("killed", "dropped")}
    originals = {}
    for m in candidates:
        if m.path not in originals:
            # As copied into the workers' trees: the work tree may change meanwhile.
            with open(os.path.join(workers[0].tree, m.path), encoding="utf-8", newline="") as f:
                originals[m.path] = f.read()
    free = list(workers)
    lock = threading.Lock()
    counted = 0  # compiled, in order
    results = {}
    queue = list(candidates)
    printed = 0

    def enough():
        # The first N (in order) that compiled are all known.
        if not args.sample:
            return False
        done = 0
        for m in candidates:
            if m.order not in results:
                return False
            if results[m.order].outcome != "dropped":
                done += 1
                if done >= args.sample:
                    return True
        return False

    def one(mutant):
        if mutant.key in earlier:
            mutant.outcome, mutant.by = earlier[mutant.key]
            return mutant
        with lock:
            worker = free.pop()
        try:
            mutant.outcome, mutant.by = worker.try_mutant(mutant, originals[mutant.path])
        finally:
            with lock:
                free.append(worker)
        with lock, open(outcomes, "a", encoding="utf-8") as f:
            f.write("\t".join(mutant.key + (mutant.outcome, mutant.by.replace("\t", " "))) + "\n")
        return mutant

    with concurrent.futures.ThreadPoolExecutor(len(workers)) as pool:
        running = set()
        while queue or running:
            while queue and len(running) < len(workers) and not enough():
                running.add(pool.submit(one, queue.pop(0)))
            if not running:
                break
            done, running = concurrent.futures.wait(running,
                                                    return_when=concurrent.futures.FIRST_COMPLETED)
            for future in done:
                m = future.result()
                results[m.order] = m
                printed += 1
                verdict = "SURVIVED" if m.outcome == "survived" else (
                    f"killed by {m.by}" if m.outcome == "killed" else f"dropped: {m.by}")
                print(f"[{printed}] {m.path}:{m.line}: {m.operator}: {m.change}   {verdict}"
                      f"  ({m.seconds:.0f} s)", flush=True)
            if enough():
                queue.clear()

    tried = [results[o] for o in sorted(results)]
    compiled = [m for m in tried if m.outcome != "dropped"]
    if args.sample:
        compiled = compiled[:args.sample]
    killed = [m for m in compiled if m.outcome == "killed"]
    survived = [m for m in compiled if m.outcome == "survived"]
    dropped = [m for m in tried if m.outcome == "dropped"]
    rate = 100.0 * len(killed) / len(compiled) if compiled else 100.0
    if survived:
        print("\nSurvivors:")
        for m in survived:
            print(f"  {m.path}:{m.line}: {m.operator}: {m.change}")
            print(f"    key: {m.key[0]}\t{m.key[1]}\t{m.key[2]}")
    minutes = (time.time() - began) / 60
    print(f"\n{side}: {len(compiled)} mutants run"
          f"{f' (a sample, seed {args.seed})' if args.sample else ''}, {len(killed)} killed, "
          f"{len(survived)} survived: {rate:.1f}% killed; {len(dropped)} dropped (did not compile), "
          f"{len(equivalent)} equivalent (skipped); {minutes:.1f} min with {len(workers)} workers")
    return 1 if rate < args.min_rate else 0


if __name__ == "__main__":
    sys.exit(main())
