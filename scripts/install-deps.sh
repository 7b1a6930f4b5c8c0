#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Harrowdesk need,
# when any is missing. Shared by the README's commands and CI.
set -euo pipefail

packages=(
  build-essential cmake pkg-config googletest libgtest-dev
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev libpng-dev fonts-liberation fonts-wqy-zenhei fonts-ipafont-gothic
  libdcmtk-dev dcmtk zlib1g-dev libfribidi-dev
  xvfb xauth xfonts-base xdotool x11-utils imagemagick
  python3 python3-pydicom python3-pil unrtf orthanc libgdcm-tools libgdcm3.0 dicom3tools clang libclang-rt-14-dev curl
  lintian desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
$sudo apt-get update -qq
# Orthanc's package would start a system service; the tests start their own servers.
echo exit 101 | $sudo tee /usr/sbin/policy-rc.d >/dev/null && $sudo chmod +x /usr/sbin/policy-rc.d
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
$sudo rm -f /usr/sbin/policy-rc.d
