# Installs the Debian packages the build and the tests need, only when one is missing.
hivelet_packages=(
  cmake ninja-build g++ googletest libgtest-dev libgmock-dev ccache clang
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth imagemagick
  libhivex-bin libwin-hivex-perl libhivex-dev
  zip unzip
)

hivelet_install_deps() {
  local missing=()
  local pkg
  for pkg in "${hivelet_packages[@]}"; do
    if [[ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != *'install ok installed'* ]]; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
