# Installs the Debian packages given as arguments that are not installed yet.
# Runs "apt-get update" once, only when something is missing.
tm_install_missing() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

TM_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libqt6multimedia6
  qt6-qpa-plugins fonts-liberation)
TM_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils x11-xkb-utils
  libxtst6 imagemagick clang libclang-rt-14-dev desktop-file-utils fontconfig pulseaudio
  pulseaudio-utils)
