#!/usr/bin/python3
"""Brings translations/nulvane_LANG.ts up to date with the window's texts, with Qt's lupdate.

    update.py [LANG...]      the languages of the .ts files there are, or LANG's new file

lupdate reads the window's texts from app/ (tr(), QT_TR_NOOP, QT_TRANSLATE_NOOP, the plurals of
QT_TRANSLATE_N_NOOP). The Qt-free layers below mark the texts a user reads with N_("...") and
the window translates them in the context "core"; lupdate cannot see those, so they are written
for it as QT_TRANSLATE_NOOP("core", ...) lines into a scratch file first. So are the export's
messages, captions, menu entries and save-dialog descriptions, which the window shows as they come.
Texts already translated keep their translations; texts gone from the code leave the files.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LITERALS = r'((?:"(?:[^"\\\n]|\\.)*"\s*)+)'
MARKED = re.compile(r'\bN_\(\s*' + LITERALS + r'\)')
# The export's texts the window shows: its messages and captions, and what a save dialog calls a format.
EXPORT_TEXT = re.compile(r'constexpr std::string_view \w+(?:Text|Caption|Message)\s*=\s*' + LITERALS + ';')
SAVE_FILTER = re.compile(r'"([^"|]+)\|\*\.\w+"')
# The export menu's captions, in the table of export formats.
MENU_CAPTION = re.compile(r'\{TExportFormat::\w+, "[^"]*", ("[^"]*")')
# What the desktop's opener says when nothing opened an address or a file.
OPENER_REASON = re.compile(r'case \d+: return ' + LITERALS + ';')


def lupdate():
    found = shutil.which("lupdate") or "/usr/lib/qt6/bin/lupdate"
    if not os.path.exists(found):
        sys.exit("update.py: lupdate not found (Debian: qt6-l10n-tools)")
    return found


def sources(root, pattern):
    return sorted(glob.glob(os.path.join(root, pattern, "**", "*.[ch]*"), recursive=True))


def core_texts(root):
    """The literals of the Qt-free layers the window translates at display time, in source order."""
    texts = []
    for layer in ("core", "platform", "config", "export"):
        for path in sources(root, layer):
            if path.endswith("/platform/desktop/DesktopOpener.cpp"):
                with open(path, encoding="utf-8") as source:
                    texts += [m.group(1).strip() for m in OPENER_REASON.finditer(source.read())]
            with open(path, encoding="utf-8") as source:
                code = source.read()
            texts += [m.group(1).strip() for m in MARKED.finditer(code)]
            if layer == "export":
                texts += [m.group(1).strip() for m in EXPORT_TEXT.finditer(code)]
                texts += ['"%s"' % m.group(1) for m in SAVE_FILTER.finditer(code)]
                texts += [m.group(1) for m in MENU_CAPTION.finditer(code)]
    return list(dict.fromkeys(texts))


def extract(root, ts_files):
    """Runs lupdate over the window's code and the core texts into `ts_files`."""
    with tempfile.TemporaryDirectory() as scratch:
        lines = ['#include <QtGlobal>\n'] + ['QT_TRANSLATE_NOOP("core", %s)\n' % text for text in core_texts(root)]
        core = os.path.join(scratch, "CoreTexts.cpp")
        with open(core, "w", encoding="utf-8") as out:
            out.write("static const char* const texts[] = {\n")
            out.writelines("    " + line.rstrip("\n") + ",\n" for line in lines[1:])
            out.write("};\n")
        app = [p for p in sources(root, "app") if p.endswith((".cpp", ".h"))]
        # lupdate warns of every namespace it cannot resolve (std::): said only when it fails.
        done = subprocess.run([lupdate(), "-silent", "-no-obsolete", "-locations", "none", "-source-language", "en",
                               "-I", root, *app, core, "-ts", *ts_files], capture_output=True, text=True)
        if done.returncode != 0:
            sys.exit(done.stdout + done.stderr + "update.py: lupdate failed")


def main():
    folder = os.path.join(ROOT, "translations")
    languages = sys.argv[1:] or [re.match(r"nulvane_(.+)\.ts", os.path.basename(p)).group(1)
                                 for p in sorted(glob.glob(os.path.join(folder, "nulvane_*.ts")))]
    extract(ROOT, [os.path.join(folder, "nulvane_%s.ts" % language) for language in languages])


if __name__ == "__main__":
    main()
