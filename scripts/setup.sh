#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when one is missing.
set -euo pipefail

packages=(
    build-essential cmake make ninja-build pkg-config clang clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
    qt6-base-dev qt6-base-dev-tools libqt6test6 libgl-dev qt6-translations-l10n
    fonts-ipafont-gothic fonts-ipafont-mincho xvfb xauth
    openbox xdotool xclip x11-utils x11-apps python3
    dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pyatspi
    fuse3 libfuse3-dev
    dpkg-dev desktop-file-utils appstream shared-mime-info bash-completion groff-base
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_prefix=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_prefix=(sudo)
fi
"${sudo_prefix[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_prefix[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
