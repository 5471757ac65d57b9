#!/usr/bin/python3
"""Checks nulvane-cli's catalogues against its sources: every text marked for translation (_, N_,
ngettext in cli/, core/ and platform/, extracted by xgettext as po/update.sh does) has a
translation in each po/LANG.po, none fuzzy or left empty, every plural form filled; no catalogue
keeps a text the sources no longer have; and each translation holds the placeholders of its
English text (printf's %s, %zu, %.*s, Qt's %1 and %n, {}) in number and kind, and starts and
ends as it does ("nulvane-cli: " before, a newline after).

    check_po.py SOURCE_FOLDER

Exit 0 when every catalogue passes, 1 with one line per fault.
"""
import collections
import glob
import os
import re
import subprocess
import sys
import tempfile

SHIPPED = ("de", "fr", "es")
PLACEHOLDER = re.compile(r"%(?:\d+\$)?[-+ #0']*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|z|j|t|L)?[diouxXeEfgGcsp]"
                         r"|%\d+|%n|%L\d+|\{\}|%%")


def placeholders(text):
    # Positional printf arguments (%2$s) count by kind, whatever their order.
    found = [re.sub(r"^%\d+\$", "%", match) for match in PLACEHOLDER.findall(text)]
    return collections.Counter(found)


def unquote(text):
    return bytes(text[1:-1], "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def read_po(path):
    """The entries of a catalogue: (msgid, msgid_plural or None, [msgstr...], fuzzy), header left out."""
    entries, entry, field = [], None, None

    def close():
        if entry and entry["msgid"] != "":
            entries.append(entry)

    with open(path, encoding="utf-8") as catalogue:
        for line in catalogue:
            line = line.rstrip("\n")
            if line.startswith("#~"):
                continue
            if not line.strip():
                continue
            if line.startswith("#"):
                if entry and field:
                    close()
                    entry, field = None, None
                if line.startswith("#,") and "fuzzy" in line:
                    entry = entry or {"msgid": None, "plural": None, "strs": {}, "fuzzy": False}
                    entry["fuzzy"] = True
                continue
            match = re.match(r'(msgid_plural|msgid|msgstr(?:\[(\d+)\])?) (".*")$', line)
            if match:
                keyword = match.group(1)
                if keyword == "msgid":
                    if entry and field:
                        close()
                        entry = None
                    entry = entry or {"msgid": None, "plural": None, "strs": {}, "fuzzy": False}
                    entry["msgid"], field = unquote(match.group(3)), ("msgid", None)
                elif keyword == "msgid_plural":
                    entry["plural"], field = unquote(match.group(3)), ("plural", None)
                else:
                    index = int(match.group(2) or 0)
                    entry["strs"][index], field = unquote(match.group(3)), ("strs", index)
            elif line.startswith('"') and entry and field:
                name, index = field
                if name == "strs":
                    entry["strs"][index] += unquote(line)
                else:
                    entry[name] += unquote(line)
    close()
    return entries


def extract(root):
    sources = subprocess.run(["grep", "-rlE", r"\b(_|N_|ngettext)\(", "cli", "core", "platform",
                              "--include=*.cpp", "--include=*.h"], cwd=root, capture_output=True, text=True).stdout.split()
    with tempfile.TemporaryDirectory() as folder:
        pot = os.path.join(folder, "nulvane-cli.pot")
        subprocess.run(["xgettext", "--language=C++", "--from-code=UTF-8", "--keyword=_", "--keyword=N_",
                        "--keyword=ngettext:1,2", "-o", pot, *sorted(sources)], cwd=root, check=True)
        return read_po(pot)


def plural_count(path):
    with open(path, encoding="utf-8") as catalogue:
        match = re.search(r"nplurals=(\d+)", catalogue.read())
    return int(match.group(1)) if match else 0


def check_text(english, translated, where, faults):
    if placeholders(english) != placeholders(translated):
        faults.append(f"{where}: placeholders {sorted(placeholders(english).elements())} of the English text, "
                      f"{sorted(placeholders(translated).elements())} in the translation")
    for edge, test in (("nulvane-cli: ", str.startswith), ("\n", str.endswith)):
        if test(english, edge) != test(translated, edge):
            faults.append(f"{where}: the translation does not {'start' if edge != chr(10) else 'end'} as the English "
                          f"text does ({edge!r})")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = os.path.abspath(sys.argv[1])
    wanted = {(e["msgid"], e["plural"]) for e in extract(root)}
    faults = []
    catalogues = {os.path.splitext(os.path.basename(p))[0]: p for p in glob.glob(os.path.join(root, "po", "*.po"))}
    faults += [f"po/{language}.po is missing" for language in SHIPPED if language not in catalogues]
    for language, path in sorted(catalogues.items()):
        forms = plural_count(path)
        if forms < 1:
            faults.append(f"po/{language}.po: no Plural-Forms header")
        entries = {(e["msgid"], e["plural"]): e for e in read_po(path)}
        for key in sorted(wanted - entries.keys()):
            faults.append(f"po/{language}.po: no translation of {key[0]!r}")
        for key in sorted(entries.keys() - wanted):
            faults.append(f"po/{language}.po: {key[0]!r} is no longer in the sources (run po/update.sh)")
        for (msgid, plural), entry in sorted(entries.items()):
            where = f"po/{language}.po: {msgid!r}"
            if entry["fuzzy"]:
                faults.append(f"{where}: fuzzy")
            expected = range(forms) if plural is not None else range(1)
            if sorted(entry["strs"]) != list(expected) or any(not entry["strs"][i] for i in expected):
                faults.append(f"{where}: untranslated ({len(expected)} form(s) wanted)")
                continue
            for index in expected:
                check_text(plural if plural is not None else msgid, entry["strs"][index], where, faults)
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{len(catalogues)} catalogues, {len(wanted)} texts: {'fine' if not faults else f'{len(faults)} faults'}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
