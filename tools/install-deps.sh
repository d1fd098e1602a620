#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zeitkant need.
# Does nothing when every package is already present; uses sudo only when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-translations-l10n libgl-dev
    libjpeg-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation clang-format git
    cups printer-driver-cups-pdf poppler-utils
    desktop-file-utils appstream xdg-utils shared-mime-info libfile-mimeinfo-perl file dpkg-dev
    xvfb xauth
    planner-data xsltproc
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
