#!/usr/bin/env bash
# The texts the player reads, gathered from the sources (every T, TV, TN, TC
# and N_ of src/, the desktop entry and the AppStream
# metadata) into po/orvane-cache-importer.pot, and each language's catalogue
# brought up to date with them: a new text comes in untranslated, a changed
# one fuzzy, for its translator.
#   scripts/texts.sh            updates po/
#   scripts/texts.sh --check    changes nothing; fails when a catalogue lacks a
#                               translation of any text, or has one fuzzy
# A new language is one file: msginit -i po/orvane-cache-importer.pot -l xx -o po/xx.po
set -euo pipefail
cd "$(dirname "$0")/.."

template=$(mktemp)
trap 'rm -f "$template"' EXIT
sources=$(git ls-files 'src/*.cpp' 'src/*.h')
xgettext --from-code=UTF-8 --language=C++ --keyword=T --keyword=TV --keyword=N_ --keyword=TN:1,2 --keyword=TC:1c,2 \
    --add-comments=Translators: --package-name=orvane-cache-importer --msgid-bugs-address=translators@orvane-cache-importer.example.org \
    --no-location --sort-output -o "$template" $sources
xgettext --join-existing --from-code=UTF-8 --no-location --sort-output -o "$template" \
    data/org.orvane.CacheImporter.desktop.in data/org.orvane.CacheImporter.metainfo.xml.in

if [ "${1:-}" = --check ]; then
    failed=0
    for po in po/*.po; do
        # every text of the sources, translated and not fuzzy
        if ! msgcmp "$po" "$template" 2>/tmp/msgcmp.$$; then
            echo "$po: texts without a translation:"
            sed -n 's/.*this message is used but not defined.*//p; s/^[^:]*:[0-9]*: //p' /tmp/msgcmp.$$ | head -n 20
            failed=1
        fi
        msgfmt --check --statistics -o /dev/null "$po"
    done
    rm -f /tmp/msgcmp.$$
    [ "$failed" -eq 0 ] && echo "Every text has its translation in every catalogue."
    exit "$failed"
fi

cp "$template" po/orvane-cache-importer.pot
for po in po/*.po; do
    msgmerge --quiet --update --backup=none --no-location --sort-output "$po" po/orvane-cache-importer.pot
done
echo "po/orvane-cache-importer.pot: $(grep -c '^msgid ' po/orvane-cache-importer.pot) texts"
