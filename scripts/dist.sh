#!/usr/bin/env bash
# Makes the downloads in build/dist, with their SHA256SUMS:
#   ostrevin_VERSION_amd64.deb          the Linux programs (CPack)
#   Ostrevin-VERSION-windows-x64.zip    Ostrevin.exe, the licence, notices, a text on use
#   ostrevin-site-VERSION.tar.gz        the page, as it is to be hosted
# Run by `make dist` after the three builds.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Ostrevin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=build/dist
mkdir -p "$dist"
rm -f "$dist"/*.deb "$dist"/*.zip "$dist"/*.tar.gz "$dist"/SHA256SUMS

(cd build/dist-build && cpack -G DEB -B "$PWD/../dist-cpack" >/dev/null)
mv build/dist-cpack/ostrevin_"$version"_*.deb "$dist/"

# Files in the archives carry the time of the commit they are built from, so
# that they are the same bytes from the same sources and never lie in the
# future (a static host's caches go by them); outside a git checkout, the
# release's date.
if commit_time=$(git log -1 --format=%ct 2>/dev/null) && [ -n "$commit_time" ]; then
  stamp="@$commit_time"
else
  stamp="$(sed -n 's/^set(OSTREVIN_RELEASE_DATE \(.*\))/\1/p' CMakeLists.txt) 00:00:00 UTC"
fi
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

windows="$staging/Ostrevin-$version-windows-x64"
mkdir -p "$windows"
cp build/windows/Ostrevin.exe "$windows/"
cp LICENSE "$windows/LICENSE.txt"
scripts/notices.sh windows > "$windows/NOTICES.txt"
sed "s/@VERSION@/$version/" res/windows-readme.txt > "$windows/README.txt"
find "$windows" -exec touch -d "$stamp" {} +
(cd "$staging" && find "Ostrevin-$version-windows-x64" | LC_ALL=C sort |
  zip -q -X -9 -@ "$OLDPWD/$dist/Ostrevin-$version-windows-x64.zip")

site="$staging/ostrevin-site-$version"
mkdir -p "$site"
cp -r build/web/. "$site/"
rm -rf "$site/tests"
find "$site" -exec touch -d "$stamp" {} +
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="$stamp" -C "$staging" \
  -cf - "ostrevin-site-$version" | gzip -9n > "$dist/ostrevin-site-$version.tar.gz"

(cd "$dist" && sha256sum -- *.deb *.zip *.tar.gz > SHA256SUMS)
echo "dist: $(cd "$dist" && ls -- *.deb *.zip *.tar.gz | tr '\n' ' ')and SHA256SUMS in $dist"
