#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Sourced by the other scripts; needs root to install.
set -euo pipefail

ovcache_install() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# The compiler, the build tools, Qt, the JSON and YAML readers of the prefix
# search, GoogleTest, a font whose metrics the window was laid out for, a
# session bus for the test of the desktop's notifications, gettext's tools for
# the catalogues of the player's languages, and Qt's own translations.
OVCACHE_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
                  nlohmann-json3-dev libyaml-cpp-dev libgtest-dev libgmock-dev fonts-liberation2 fontconfig
                  dbus-daemon gettext qt6-translations-l10n)
