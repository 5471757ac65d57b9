#!/usr/bin/env bash
# Extracts nulvane-cli's translatable texts into po/nulvane-cli.pot and merges them into every
# po/LANG.po: its own texts (_, ngettext) and those the shared layers mark (N_). Run it after
# changing a text; then translate what msgmerge left empty or marked fuzzy.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# The sources, as scripts/check-cli-translations.py reads them too.
sources() { grep -rlE '\b(_|N_|ngettext)\(' cli core platform --include='*.cpp' --include='*.h' | LC_ALL=C sort; }
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_ --keyword=ngettext:1,2 \
         --add-comments=TRANSLATORS: --package-name=nulvane-cli --msgid-bugs-address=nulvane@karvo.org \
         --sort-by-file -o po/nulvane-cli.pot $(sources)
for po in po/*.po; do
  [ -e "$po" ] || continue
  msgmerge --quiet --update --backup=none --no-fuzzy-matching "$po" po/nulvane-cli.pot
done
