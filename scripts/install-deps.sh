#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing
# when they are all present.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-tidy clang-format libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
          qt6-base-dev libedit-dev libcli11-dev nlohmann-json3-dev libssl-dev openssl
          unixodbc unixodbc-dev odbcinst python3-pyodbc python3-pytest python3-pandas
          pybind11-dev python3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
