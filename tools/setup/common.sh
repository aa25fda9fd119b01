# Sourced by ./run and ./test: installs the Debian packages the project needs when any is missing,
# and configures and builds a build folder.

BRIVO_PACKAGES=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev fontconfig libpng-dev
  libx11-dev libxext-dev libxrandr-dev libxxf86vm-dev libxdamage-dev
  libwayland-dev libwayland-bin libsystemd-dev dbus-daemon
  fonts-arphic-uming fonts-liberation fonts-dejavu-core
  xdg-utils xvfb xdotool x11-xserver-utils x11-utils imagemagick openbox
  sway xwayland libwlroots-examples
  clang
  desktop-file-utils appstream lintian dpkg-dev man-db
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis
)

brivo_install_packages() {
  local missing=() pkg
  for pkg in "${BRIVO_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages: ${missing[*]}" >&2
    echo "run this as root once, or install them with: apt-get install ${missing[*]}" >&2
    return 1
  fi
  echo "installing Debian packages: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# brivo_build DIR [cmake options...]: configures and builds DIR. The lines naming targets that were
# already up to date are left out, so an up-to-date tree builds in silence and the build speaks only
# when it builds something or fails (the callers' pipefail keeps its exit status).
brivo_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" | sed -u -E '/^\[ *[0-9]+%\] Built target /d'
}
