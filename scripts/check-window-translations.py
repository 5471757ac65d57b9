#!/usr/bin/python3
"""Checks the window's translations (translations/nulvane_LANG.ts) against texts extracted afresh
from its code (translations/update.py, over copies): each shipped language translates every text,
with as many plural forms as its rules have, the English text's placeholders (%1..%9, %n, %Ln, %s,
{}) and accelerators (&), and the locale's quotation marks. Exit 1 with one line a fault.
"""
import collections
import glob
import importlib.util
import os
import re
import shutil
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PLACEHOLDER = re.compile(r"%L?n|%\d|%s|\{\}")
# Plural forms by language, as Qt's plural rules have them; quotation marks the locale uses.
FORMS = {"de": 2, "fr": 2, "es": 2}
QUOTES = {"de": ("\u201e", "\u201c"), "fr": ("\u00ab", "\u00bb"), "es": ("\u00ab", "\u00bb")}


def accelerators(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


def check_text(where, source, text, language, faults):
    if not text:
        return faults.append(f"{where}: no translation")
    if collections.Counter(PLACEHOLDER.findall(source)) != collections.Counter(PLACEHOLDER.findall(text)):
        faults.append(f"{where}: placeholders {PLACEHOLDER.findall(source)} in English, "
                      f"{PLACEHOLDER.findall(text)} in {text!r}")
    if accelerators(source) != accelerators(text):
        faults.append(f"{where}: {accelerators(source)} accelerator(s) in English, {accelerators(text)} in {text!r}")
    if source.count('"') >= 2 and '"' not in text:
        opening, closing = QUOTES[language]
        if opening not in text or closing not in text:
            faults.append(f"{where}: quotes without {opening}{closing} in {text!r}")
    elif source.count('"') >= 2:
        faults.append(f"{where}: English quotation marks in {text!r}")


def check(ts_path, language, faults):
    for context in ET.parse(ts_path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            where = f"{language}: {name}: {source!r}"
            translation = message.find("translation")
            if translation.get("type") in ("unfinished", "vanished", "obsolete"):
                faults.append(f"{where}: {translation.get('type')}")
                continue
            if message.get("numerus") == "yes":
                forms = [form.text or "" for form in translation.iter("numerusform")]
                if len(forms) != FORMS[language]:
                    faults.append(f"{where}: {len(forms)} plural forms, {language} has {FORMS[language]}")
                for form in forms:
                    check_text(where, source, form, language, faults)
            else:
                check_text(where, source, translation.text or "", language, faults)


def main():
    spec = importlib.util.spec_from_file_location("update", os.path.join(ROOT, "translations", "update.py"))
    update = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(update)
    shipped = sorted(glob.glob(os.path.join(ROOT, "translations", "nulvane_*.ts")))
    faults = []
    languages = [re.match(r"nulvane_(.+)\.ts", os.path.basename(path)).group(1) for path in shipped]
    if sorted(languages) != sorted(FORMS):
        faults.append(f"shipped languages {languages}, checked {sorted(FORMS)}")
    with tempfile.TemporaryDirectory() as scratch:
        fresh = [shutil.copy(path, scratch) for path in shipped]
        update.extract(ROOT, fresh)
        for path, language in zip(fresh, languages):
            if language in FORMS:
                check(path, language, faults)
    for fault in faults:
        print(fault)
    print(f"{len(languages)} languages checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
