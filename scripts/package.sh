#!/usr/bin/env bash
# Makes the Debian package zelvan_<version>_<arch>.deb in the top directory of
# the sources, from the normal build tree (build/, or $BUILD_DIR): the tree is
# configured for /usr, whatever is not built yet is built, and CPack packs what
# `cmake --install` would install. Install it with `apt install ./zelvan_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
scripts/ensure-deps.sh dpkg-dev # dpkg-shlibdeps computes the library dependencies
scripts/build.sh -DCMAKE_INSTALL_PREFIX=/usr
for page in zelvan.1.gz zelvan-modsim.1.gz; do
  if [ ! -f "$BUILD_DIR/man/$page" ]; then
    echo "package.sh: $BUILD_DIR/man/$page was not built (is scdoc installed?)" >&2
    exit 1
  fi
done
rm -f "$BUILD_DIR"/zelvan_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
shopt -s nullglob
debs=("$BUILD_DIR"/zelvan_*.deb)
if ((${#debs[@]} != 1)); then
  echo "package.sh: expected one package in $BUILD_DIR, found ${#debs[@]}" >&2
  exit 1
fi
rm -f zelvan_*.deb
cp "${debs[0]}" .
echo "package: $(basename "${debs[0]}")"
