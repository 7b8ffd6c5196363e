#!/usr/bin/env bash
# Makes sure the Debian packages a step needs are on this machine.
#   scripts/deps.sh build   what the three commands need to compile
#   scripts/deps.sh test    that, plus what the test suite needs
# Missing packages are installed when run as root; otherwise the apt-get line
# that would install them is printed and the status is 1.
set -eu

build_pkgs=(libcli11-dev nlohmann-json3-dev libcsv-dev libdeflate-dev pkg-config libhowardhinnant-date-dev libnetcdf-dev)
test_pkgs=(libgtest-dev zlib1g-dev parallel groff python3 python3-jsonschema chromium-headless-shell netcdf-bin)

case "${1:-build}" in
  build) want=("${build_pkgs[@]}") ;;
  test) want=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  *) echo "usage: scripts/deps.sh [build|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" = 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "Missing Debian packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
