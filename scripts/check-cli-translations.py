#!/usr/bin/python3
"""Checks nulvane-cli's catalogues against its sources: every text marked for translation (_, N_,
ngettext in cli/, core/ and platform/, extracted by xgettext as po/update.sh does) has a
translation in each po/LANG.po, none fuzzy or left empty, every plural form filled; no catalogue
keeps a text the sources no longer have; and each translation holds the placeholders of its
English text (printf's %s, %zu, %.*s, Qt's %1 and %n, {}) in number and kind, and starts and
ends as it does ("nulvane-cli: " before, a newline after).

    check-cli-translations.py SOURCE_FOLDER

Exit 0 when every catalogue passes, 1 with one line per fault.
"""
import ast
import collections
import glob
import os
import re
import subprocess
import sys

SHIPPED = ("de", "fr", "es")
PLACEHOLDER = re.compile(r"%(?:\d+\$)?[-+ #0']*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|z|j|t|L)?[diouxXeEfgGcsp]"
                         r"|%\d+|%n|%L\d+|\{\}|%%")


def placeholders(text):
    # Positional printf arguments (%2$s) count by kind, whatever their order.
    return collections.Counter(re.sub(r"^%\d+\$", "%", match) for match in PLACEHOLDER.findall(text))


def read_po(path, text=None):
    """The entries but the header, {(msgid, msgid_plural): {"msgstr[N]": ..., "fuzzy": bool}}, read
    from the copy msgcat makes with one line a field (no wrapping; obsolete entries, "#~", match no field)."""
    flat = subprocess.run(["msgcat", "--no-wrap", "--no-location", "--force-po", path],
                          input=text, check=True, capture_output=True, text=True).stdout
    entries = {}
    for block in flat.split("\n\n"):
        fields = {keyword: ast.literal_eval(quoted) for keyword, quoted in
                  re.findall(r'^(msgid_plural|msgid|msgstr(?:\[\d+\])?) (".*")$', block, re.M)}
        if fields.get("msgid"):
            strings = {int(k[7:-1] or 0) if k != "msgstr" else 0: v for k, v in fields.items() if k.startswith("msgstr")}
            entries[fields["msgid"], fields.get("msgid_plural")] = {
                "strs": strings, "fuzzy": re.search(r"^#,.*\bfuzzy\b", block, re.M) is not None}
    return entries


def extract(root):
    sources = subprocess.run(["grep", "-rlE", r"\b(_|N_|ngettext)\(", "cli", "core", "platform", "--include=*.cpp",
                              "--include=*.h"], cwd=root, check=True, capture_output=True, text=True).stdout.split()
    pot = subprocess.run(["xgettext", "--language=C++", "--from-code=UTF-8", "--keyword=_", "--keyword=N_",
                          "--keyword=ngettext:1,2", "-o", "-", *sorted(sources)],
                         cwd=root, check=True, capture_output=True, text=True).stdout
    return read_po("-", pot.replace("charset=CHARSET", "charset=UTF-8")).keys()


def check_text(english, translated, where, faults):
    if placeholders(english) != placeholders(translated):
        faults.append(f"{where}: placeholders {sorted(placeholders(english).elements())} in English, "
                      f"{sorted(placeholders(translated).elements())} in the translation")
    if english.startswith("nulvane-cli: ") != translated.startswith("nulvane-cli: "):
        faults.append(f"{where}: \"nulvane-cli: \" starts the one and not the other")
    if english.endswith("\n") != translated.endswith("\n"):
        faults.append(f"{where}: a newline ends the one and not the other")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = os.path.abspath(sys.argv[1])
    wanted = set(extract(root))
    catalogues = {os.path.basename(path)[:-3]: path for path in glob.glob(os.path.join(root, "po", "*.po"))}
    faults = [f"po/{language}.po is missing" for language in SHIPPED if language not in catalogues]
    for language, path in sorted(catalogues.items()):
        with open(path, encoding="utf-8") as catalogue:
            forms = re.search(r"nplurals=(\d+)", catalogue.read())
        forms = int(forms.group(1)) if forms else 1
        entries = read_po(path)
        faults += [f"po/{language}.po: no translation of {key[0]!r}" for key in sorted(wanted - entries.keys())]
        faults += [f"po/{language}.po: {key[0]!r} is no longer in the sources (po/update.sh drops it)"
                   for key in sorted(entries.keys() - wanted)]
        for (msgid, plural), entry in sorted(entries.items()):
            where = f"po/{language}.po: {msgid!r}"
            expected = list(range(forms if plural is not None else 1))
            if entry["fuzzy"] or sorted(entry["strs"]) != expected or not all(entry["strs"].values()):
                faults.append(f"{where}: fuzzy or not translated ({len(expected)} form(s) wanted)")
                continue
            for translated in entry["strs"].values():
                check_text(plural if plural is not None else msgid, translated, where, faults)
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{len(catalogues)} catalogues, {len(wanted)} texts: {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
