#!/bin/sh
# Installs the Debian packages the build, the tests and the packaging need, only those missing.
set -eu
pkgs="cmake make clang libclang-rt-dev g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xserver-xephyr googletest nsis imagemagick xdotool zip python3 python3-jsonschema python3-yaml fonts-wqy-microhei fonts-liberation"
missing=""
for p in $pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
