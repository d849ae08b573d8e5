#!/usr/bin/env bash
# Installs what building and testing OrbixRx needs on Debian 12, skipping the
# download when everything is already there.
set -euo pipefail
packages=(cmake python3 ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev clang clang-format libclang-rt-14-dev ffmpeg
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins libgl-dev libcap-dev
  fonts-wqy-microhei fonts-liberation2
  dpkg-dev file
  xvfb xauth xdotool x11-utils imagemagick trayer
  vlc-bin vlc-plugin-base
  libdvbv5-dev dtv-scan-tables dvb-tools
  qt6-l10n-tools qt6-translations-l10n
  iproute2 nftables libcap2-bin
  libasound2-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
