#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Sourced by run.sh and test.sh.
NIMBREL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libfreetype-dev libfontconfig-dev fonts-liberation
  libcurl4-openssl-dev libturbojpeg0-dev libjpeg-dev libpng-dev
  libcpp-httplib-dev nlohmann-json3-dev libstb-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils imagemagick libxcb-cursor0 libxcb1-dev openbox trayer at-spi2-core python3-pyatspi
  librsvg2-bin dpkg-dev lintian appstream desktop-file-utils openssl
  locales dbus-daemon weston qt6-wayland xwayland
)

nimbrel_install_deps() {
  local missing=()
  local p
  for p in "${NIMBREL_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "These Debian packages are missing. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    return 1
  fi
}
