#!/bin/sh
# Installs the Debian 12 packages that building, testing and running Orvalis
# need. Does nothing when every package is already present.
set -eu

PACKAGES="
build-essential
cmake
make
pkg-config
qt6-base-dev
qt6-base-dev-tools
libqt6opengl6-dev
libgl-dev
libegl-dev
libepoxy-dev
libx11-dev
xvfb
xauth
libgl1-mesa-dri
libglx-mesa0
libegl-mesa0
fonts-dejavu-core
clang
libclang-rt-14-dev
libbenchmark-dev
libboost-dev
libgsl-dev
dpkg-dev
lintian
desktop-file-utils
libxml2-utils
shared-mime-info
bash-completion
man-db
python3-numpy
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
