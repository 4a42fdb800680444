#!/usr/bin/env bash
# Builds the Linux program's .deb and checks it as a distribution would:
# installs into a DESTDIR and validates the desktop entry and the AppStream
# metadata, checks that every file they name is installed, then installs the
# .deb on this machine, starts the installed program on the demo game until
# its window is up, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}" dpkg-dev desktop-file-utils appstream lintian xvfb xauth xdotool

cmake --workflow --preset package --fresh

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install build-release >/dev/null
id=org.orvane.CacheImporter
desktop-file-validate "$stage/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml"
for file in usr/bin/orvane-cache-importer "usr/share/applications/$id.desktop" \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/icons/hicolor/48x48/apps/$id.png \
    usr/share/icons/hicolor/256x256/apps/$id.png usr/share/man/man1/orvane-cache-importer.1.gz \
    usr/share/doc/orvane-cache-importer/copyright usr/share/doc/orvane-cache-importer/changelog.gz; do
    [ -e "$stage/$file" ] || { echo "Not installed: /$file"; exit 1; }
done
echo "The desktop entry and the metadata are valid; every file they name is installed."

# The Flatpak manifest, as far as can be checked without its runtime: it
# parses, names this program and its desktop entry's id, and lets the
# sandbox see every launcher folder the search looks in.
python3 - packaging/flatpak/$id.json <<'CHECK'
import json, sys
manifest = json.load(open(sys.argv[1]))
assert manifest["id"] == "org.orvane.CacheImporter" and manifest["command"] == "orvane-cache-importer"
granted = " ".join(manifest["finish-args"])
for place in ["~/.wine", "~/.steam", "~/.local/share/Steam", "com.valvesoftware.Steam", "snap/steam", "lutris",
              "net.lutris.Lutris", "~/Games", "bottles", "heroic", "com.heroicgameslauncher.hgl"]:
    assert place in granted, place
print("The Flatpak manifest is well formed and grants every place the search looks in.")
CHECK

deb=$(ls build-release/orvane-cache-importer_*.deb)
dpkg-deb --info "$deb" | grep -E 'Package|Version|Depends|Section'
# As a distribution checks a package: no error (warnings are printed).
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "lintian: no error."
apt-get install -y -qq "./$deb" >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target makedemo >/dev/null
build/makedemo "$stage/demo" --entries 20 >/dev/null
export WINEPREFIX="$stage/demo"
xvfb-run -a bash -c '
    orvane-cache-importer & program=$!
    for _ in $(seq 100); do
        if xdotool search --name "^Orvane Cache Importer$" >/dev/null 2>&1; then
            echo "The installed program shows its window on the demo game."
            kill $program; exit 0
        fi
        sleep 0.1
    done
    kill $program; echo "The installed program did not show its window."; exit 1'
apt-get remove -y -qq orvane-cache-importer >/dev/null
echo "Package checked and removed again."
