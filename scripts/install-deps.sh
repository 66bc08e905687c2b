#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the
# demonstration need. Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3 iproute2 util-linux openssl locales tzdata
  googletest clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-apps netpbm fonts-ipafont-gothic
  gcab osslsigncode
  libpugixml-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page (932, as on the client's machines) and the
# decoding of command lines from this locale; it must exist, not only be named.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "Generating the ja_JP.UTF-8 locale"
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  "${sudo[@]}" locale-gen ja_JP.UTF-8 >/dev/null
fi
