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

# Generates the locales given as arguments (such as de_DE.UTF-8) that the
# system does not have yet, from the "locales" package's definitions.
tm_generate_locales() {
  local l have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  for l in "$@"; do
    local key
    key=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    grep -qx "$key" <<<"$have" && continue
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Generating the locale $l"
    $sudo localedef -i "${l%%.*}" -c -f "${l#*.}" "$l"
  done
}

TM_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libsdl2-dev
  libsamplerate0-dev libpulse-dev fonts-liberation
  libxcb-xkb-dev)
TM_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev xvfb x11-xkb-utils libx11-6
  libxtst6 clang libclang-rt-14-dev desktop-file-utils fontconfig pulseaudio pulseaudio-utils
  locales strace)
# The locales under which the tests run the high-score table's date.
TM_TEST_LOCALES=(de_DE.UTF-8 en_US.UTF-8)
