#!/usr/bin/env python3
"""nulvane-cli as a user meets it on a terminal and in a shell: the current folder by default, the
depth and age filters, the progress line on standard error, colours, --export to standard output,
--sort names as typed, shell completion and the manual pages. Where a terminal matters, it is a
pseudo-terminal. Run as: terminal_test.py NULVANE_CLI BUILD_DIR"""
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

CLI = BUILD = None
DEADLINE = 60  # seconds: only catches a hang
TRY = "Try 'nulvane-cli --help' for more information.\n"


def run(args, cwd, env=None, **kw):
    environment = dict(os.environ, XDG_CONFIG_HOME=cwd, XDG_STATE_HOME=cwd, XDG_DATA_HOME=cwd)
    environment.pop("NO_COLOR", None)
    environment.update(env or {})
    return subprocess.run([CLI, *args], cwd=cwd, env=environment, capture_output=True, timeout=DEADLINE, **kw)


def read_until(fd, wanted, what):
    """Reads the pseudo-terminal until `wanted` (a regex on bytes) matches; fails saying `what`."""
    seen = b""
    end = time.monotonic() + DEADLINE
    while not re.search(wanted, seen):
        left = end - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise AssertionError(f"waited a minute for {what}; the terminal showed {seen!r}")
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            chunk = b""
        if not chunk:
            raise AssertionError(f"the terminal closed before {what}; it showed {seen!r}")
        seen += chunk
    return seen


def drain(fd):
    seen = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            return seen
        if not chunk:
            return seen
        seen += chunk


class Tree:
    """A temporary tree: e1, a/e2 (written in 2020), a/b/e3, a/b/c/e4.txt, a/full (not empty)."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="nulvane-terminal-")
        os.makedirs(f"{self.dir}/a/b/c")
        for name in ("e1", "a/e2", "a/b/e3", "a/b/c/e4.txt"):
            open(f"{self.dir}/{name}", "w").close()
        with open(f"{self.dir}/a/full", "w") as f:
            f.write("x")
        old = time.mktime((2020, 1, 1, 12, 0, 0, 0, 0, -1))
        os.utime(f"{self.dir}/a/e2", (old, old))

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class Listing(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.close)

    def lines(self, *args):
        result = run(list(args), self.tree.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        return result.stdout.decode().splitlines()

    def test_current_folder_depth_and_age(self):
        everything = ["./e1", "./a/e2", "./a/b/e3", "./a/b/c/e4.txt"]
        self.assertEqual(sorted(self.lines()), sorted(everything))
        self.assertEqual(sorted(self.lines("-d", "1")), ["./e1"])
        self.assertEqual(sorted(self.lines("--max-depth=2")), ["./a/e2", "./e1"])
        self.assertEqual(sorted(self.lines("--min-depth", "3")), ["./a/b/c/e4.txt", "./a/b/e3"])
        self.assertEqual(self.lines("--min-depth", "2", "-d", "2"), ["./a/e2"])
        self.assertEqual(self.lines("--changed-before", "30d"), ["./a/e2"])
        self.assertEqual(self.lines("--changed-before", "2020-01-02"), ["./a/e2"])
        self.assertEqual(sorted(self.lines("--changed-within", "2weeks")), sorted(set(everything) - {"./a/e2"}))
        self.assertEqual(self.lines("--changed-within", "2019-12-31 10:00:00", "--changed-before", "1h 30min"), ["./a/e2"])
        # The filters hold for a sorted list, an export and a deletion as for the streamed list.
        self.assertEqual(self.lines("--sort", "path", "-d", "2", "--changed-within", "1d"), ["./e1"])

    def test_sort_names_as_typed(self):
        by_name = ["./a/e2", "./a/b/e3", "./a/b/c/e4.txt", "./e1"]
        by_name.sort(key=lambda p: os.path.basename(p))
        for field in ("file name", "FileName", "name", "NAME:asc", "File Name:ASC"):
            self.assertEqual(self.lines("--sort", field), by_name, field)
        self.assertEqual(self.lines("--sort=name:desc"), by_name[::-1])
        self.assertEqual(self.lines("--sort", "modified")[0], "./a/e2")
        self.assertEqual(self.lines("--sort", "write time:desc")[-1], "./a/e2")
        self.assertEqual(self.lines("--sort", "filenamelength", "-d", "1"), ["./e1"])

    def test_export_to_standard_output(self):
        for fmt in ("csv", "txt", "html", "xml"):
            to_file = run(["--export", fmt, "list." + fmt, "."], self.tree.dir)
            self.assertEqual(to_file.returncode, 0, to_file.stderr)
            piped = run(["--export", fmt, "-", "."], self.tree.dir)
            self.assertEqual(piped.returncode, 0, piped.stderr)
            with open(f"{self.tree.dir}/list.{fmt}", "rb") as f:
                self.assertEqual(piped.stdout, f.read(), fmt)
            self.assertFalse(os.path.exists(f"{self.tree.dir}/-"))
            os.unlink(f"{self.tree.dir}/list.{fmt}")
        # A workbook is no text for a terminal.
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(self.tree.dir)
            os.execv(CLI, [CLI, "--export", "xls", "-"])
        shown = read_until(fd, rb"more information", "the refusal of a workbook on the terminal")
        shown += drain(fd)
        _, status = os.waitpid(pid, 0)
        self.assertEqual(os.waitstatus_to_exitcode(status), 2)
        self.assertIn(b"not written to a terminal", shown)

    def test_plural_and_singular_texts(self):
        deleted = run(["--delete", "--yes", "-d", "1"], self.tree.dir)
        self.assertEqual(deleted.stderr, b"nulvane-cli: deleted 1 file (undo: nulvane-cli --undo)\n")
        deleted = run(["--delete", "--yes"], self.tree.dir)
        self.assertEqual(deleted.stderr, b"nulvane-cli: deleted 3 files (undo: nulvane-cli --undo)\n")

    def test_colours(self):
        lscolors = {"LS_COLORS": "di=01;31:fi=0:*.txt=35:*.TXT=36"}
        piped = run(["-d", "1"], self.tree.dir, lscolors)
        self.assertEqual(piped.stdout, b"./e1\n")  # bytes to a pipe are unchanged
        always = run(["--color", "always", "--sort", "name", "--min-depth", "4"], self.tree.dir, lscolors)
        self.assertEqual(always.stdout, b"\x1b[01;31m./a/b/c/\x1b[0m\x1b[35me4.txt\x1b[0m\n")
        for env, args, colored in (({}, [], True), ({"NO_COLOR": "1"}, [], False),
                                   ({}, ["--color=never"], False), ({"NO_COLOR": "1"}, ["--color=always"], True)):
            pid, fd = pty.fork()
            if pid == 0:
                os.chdir(self.tree.dir)
                environment = dict(os.environ, **lscolors, **env)
                if "NO_COLOR" not in env:
                    environment.pop("NO_COLOR", None)
                os.execve(CLI, [CLI, *args, "--min-depth", "4"], environment)
            shown = drain(fd)
            os.waitpid(pid, 0)
            if colored:
                self.assertIn(b"\x1b[01;31m./a/b/c/\x1b[0m\x1b[35me4.txt\x1b[0m\r\n", shown, (env, args))
            else:
                self.assertEqual(shown, b"./a/b/c/e4.txt\r\n", (env, args))


class Progress(unittest.TestCase):
    """The line on standard error's terminal, seen while standard output is a pipe nobody reads
    yet: once the list outgrows the program's buffer and the pipe, the program waits on the pipe
    in the middle of its work, and the line must come."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="nulvane-progress-")
        for n in range(12000):
            open(f"{cls.dir}/{'an-empty-file-with-a-long-name-' * 3}{n:05}", "w").close()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def watch(self, args, wanted, what):
        controller, terminal = os.openpty()
        env = dict(os.environ, XDG_STATE_HOME=self.dir, XDG_CONFIG_HOME=self.dir)
        child = subprocess.Popen([CLI, *args, self.dir], stdout=subprocess.PIPE, stderr=terminal,
                                 stdin=subprocess.DEVNULL, env=env)
        os.close(terminal)
        try:
            shown = read_until(controller, wanted, what) if wanted else b""
            out = child.stdout.read()
            child.stdout.close()
            child.wait(DEADLINE)
            shown += drain(controller)
        finally:
            child.kill()
            child.wait()
            os.close(controller)
        return child.returncode, out, shown

    def test_scan_and_export_progress_is_erased_before_the_end(self):
        status, out, shown = self.watch([], rb"\r\x1b\[K1 folder read, 12,000 empty files found",
                                        "the scan's progress line")
        self.assertEqual(status, 0)
        self.assertEqual(out.count(b"\n"), 12000)
        self.assertTrue(shown.endswith(b"\r\x1b[K"), shown[-300:])  # erased at the end
        status, out, shown = self.watch(["--export", "csv", "-"], rb"exporting: 12,000 of 12,000 files",
                                        "the export's \"N of M\"")
        self.assertEqual(status, 0)
        self.assertIn(b"File Name,", out[:20])
        self.assertTrue(shown.endswith(b"\r\x1b[K"), shown[-300:])

    def test_no_progress_and_no_terminal(self):
        status, out, shown = self.watch(["--no-progress"], None, None)
        self.assertEqual((status, shown), (0, b""))
        self.assertEqual(out.count(b"\n"), 12000)


class Completion(unittest.TestCase):
    def script(self, shell, name):
        return os.path.join(BUILD, "packaging", "completion", shell, name)

    def complete(self, *words):
        line = " ".join(f"'{w}'" for w in words)
        command = (f"source '{self.script('bash', 'nulvane-cli')}'; complete -p nulvane-cli; "
                   f"COMP_WORDS=({line}); COMP_CWORD=$((${{#COMP_WORDS[@]}} - 1)); _nulvane_cli; "
                   "printf '%s\\n' \"${COMPREPLY[@]}\"")
        result = subprocess.run(["bash", "--norc", "-c", command], capture_output=True, text=True, timeout=DEADLINE)
        self.assertEqual(result.stderr, "")
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "complete -F _nulvane_cli nulvane-cli")
        return lines[1:]

    def test_bash_completes_options_and_values(self):
        self.assertEqual(self.complete("nulvane-cli", "--max"), ["--max-depth", "--max-results"])
        self.assertEqual(self.complete("nulvane-cli", "--sort", "mod"), ["modified"])
        self.assertEqual(self.complete("nulvane-cli", "--sort", "=", "Write"), ["WriteTime", "WriteAgeRange"])
        self.assertEqual(self.complete("nulvane-cli", "--sort", "name", ":", "d"), ["desc"])
        self.assertEqual(self.complete("nulvane-cli", "--export", "x"), ["xml", "xls"])
        self.assertEqual(self.complete("nulvane-cli", "--color", "n"), ["never"])
        self.assertEqual(self.complete("nulvane-cli", "--owner", "roo"), ["root"])
        self.assertTrue({"-g", "-e", "-q", "-1", "-a", "--owner"} <= set(self.complete("nulvane-cli", "-")))
        folder = tempfile.mkdtemp(prefix="nulvane-complete-")
        self.addCleanup(shutil.rmtree, folder)
        os.mkdir(f"{folder}/sub")
        open(f"{folder}/file", "w").close()
        self.assertEqual(self.complete("nulvane-cli", f"{folder}/"), [f"{folder}/sub"])
        # Every option --help lists is offered.
        help_text = subprocess.run([CLI, "--help"], capture_output=True, text=True).stdout
        offered = set(self.complete("nulvane-cli", "-"))
        for option in set(re.findall(r"^  (?:(-\w), )?\s*(--[\w-]*)", help_text, re.M)):
            self.assertTrue({o for o in option if o} <= offered, option)

    def test_zsh_and_fish_load(self):
        zsh = self.script("zsh", "_nulvane-cli")
        checks = (("zsh", ["zsh", "-f", "-c", f"zsh -n '{zsh}' && fpath=('{os.path.dirname(zsh)}' $fpath) && "
                                             "autoload -U compinit && compinit -u -D && print -r -- $_comps[nulvane-cli]"]),
                  ("fish", ["fish", "--no-config", "-c", "source '%s'; complete -C'nulvane-cli --col'"
                           % self.script("fish", "nulvane-cli.fish")]))
        for shell, command in checks:
            if not shutil.which(shell):
                print(f"skipped: {shell} is not installed", file=sys.stderr)
                continue
            result = subprocess.run(command, capture_output=True, text=True, timeout=DEADLINE)
            self.assertEqual(result.stderr, "", shell)
            self.assertIn("--color" if shell == "fish" else "_nulvane-cli", result.stdout)

    def test_install_puts_each_script_where_its_shell_looks(self):
        prefix = tempfile.mkdtemp(prefix="nulvane-install-")
        self.addCleanup(shutil.rmtree, prefix)
        result = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        for path in ("share/bash-completion/completions/nulvane-cli", "share/zsh/vendor-completions/_nulvane-cli",
                     "share/fish/vendor_completions.d/nulvane-cli.fish"):
            self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)


class ManualPages(unittest.TestCase):
    def page(self, name):
        env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="200")
        path = os.path.join(BUILD, "packaging", name)
        return subprocess.run(["man", "-l", path], capture_output=True, text=True, env=env).stdout

    def test_environment_files_and_examples(self):
        for name in ("nulvane.1", "nulvane-cli.1"):
            text = self.page(name)
            sections = re.split(r"\n(?=[A-Z][A-Z ]+\n)", text)
            named = {s.split("\n", 1)[0]: s for s in sections}
            for variable in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "LS_COLORS", "NO_COLOR"):
                self.assertIn(variable, named.get("ENVIRONMENT", ""), name)
            files = ("keep-rules", "TallyscopeConfig.xml", "nulvane/", "Trash")
            for file in files + (("nulvane.conf",) if name == "nulvane.1" else ()):
                self.assertIn(file, named.get("FILES", ""), name)
            self.assertIn("EXAMPLES", named, name)
        self.assertIn("--max-depth", self.page("nulvane-cli.1"))


if __name__ == "__main__":
    CLI, BUILD = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
