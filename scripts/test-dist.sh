#!/usr/bin/env bash
# Checks the downloads `make dist` left in build/dist: lintian finds no error
# in the package; the package unpacked into a temporary root runs; the zip
# and the tarball hold what they must; the sums match; and the version is
# the same in every name, program and metadata.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Ostrevin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=build/dist
fail() { echo "test-dist: $*" >&2; exit 1; }
deb="$dist/ostrevin_${version}_amd64.deb"
zip="$dist/Ostrevin-$version-windows-x64.zip"
site="$dist/ostrevin-site-$version.tar.gz"
for file in "$deb" "$zip" "$site" "$dist/SHA256SUMS"; do
  [ -f "$file" ] || fail "missing $file"
done

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

# lintian: no error (warnings and notes are printed, not fatal).
lintian --fail-on error --allow-root --tag-display-limit 0 "$deb" || fail "lintian found errors"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for path in usr/bin/ostrevin usr/bin/ostrevin-calc usr/share/applications/org.ostrevin.Ostrevin.desktop \
  usr/share/metainfo/org.ostrevin.Ostrevin.metainfo.xml usr/share/man/man1/ostrevin-calc.1.gz \
  usr/share/doc/ostrevin/copyright usr/share/doc/ostrevin/changelog.Debian.gz \
  usr/share/icons/hicolor/scalable/apps/ostrevin.svg usr/share/doc/ostrevin/examples/survey.csv; do
  [ -e "$root/$path" ] || fail "the package has no /$path"
done
[ "$("$root/usr/bin/ostrevin-calc" --version)" = "ostrevin-calc $version" ] ||
  fail "ostrevin-calc --version is not $version"
[ "$("$root/usr/bin/ostrevin-calc" resistance --rho 2000 --diameter 0.625 --length 3)" = "17.868 ohms" ] ||
  fail "the packaged ostrevin-calc does not calculate"
"$root/usr/bin/ostrevin-calc" curve --rho 2000 --diameter 0.625 --png "$root/curve.png" ||
  fail "the packaged ostrevin-calc cannot draw a PNG"
"$root/usr/bin/ostrevin-calc" soil "$root/usr/share/doc/ostrevin/examples/survey.csv" --units metric |
  grep -q "^two layers: 42085 ohm-cm to 2.155 m" || fail "the manual's survey does not give its model"
# The manual pages fit a terminal of 80 columns.
for page in ostrevin ostrevin-calc; do
  wide=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | awk 'length > 80' | wc -l)
  [ "$wide" -eq 0 ] || fail "the manual page of $page has $wide lines wider than 80 columns"
done
grep -q "release version=\"$version\"" "$root/usr/share/metainfo/org.ostrevin.Ostrevin.metainfo.xml" ||
  fail "the AppStream release is not $version"
zcat "$root/usr/share/doc/ostrevin/changelog.Debian.gz" | head -1 | grep -q "($version)" ||
  fail "the Debian changelog is not of $version"
dpkg-deb -f "$deb" Version | grep -qx "$version" || fail "the package's version is not $version"

expected_zip="Ostrevin-$version-windows-x64/
Ostrevin-$version-windows-x64/LICENSE.txt
Ostrevin-$version-windows-x64/NOTICES.txt
Ostrevin-$version-windows-x64/Ostrevin.exe
Ostrevin-$version-windows-x64/README.txt"
[ "$(unzip -Z1 "$zip" | LC_ALL=C sort)" = "$expected_zip" ] || fail "the zip holds other files"
unzip -p "$zip" "Ostrevin-$version-windows-x64/Ostrevin.exe" > "$root/Ostrevin.exe"
strings -e l "$root/Ostrevin.exe" | grep -A1 -x FileVersion | tail -1 | grep -qx "$version" ||
  fail "the Windows version block is not $version"

modules=js/main.js  # the modules, bundled
expected_site=$(printf '%s\n' "" icons/ icons/ostrevin-128.png icons/ostrevin-256.png \
  icons/ostrevin.svg index.html LICENSE.txt manifest.webmanifest NOTICES.txt ostrevin.js \
  ostrevin.wasm style.css sw.js worker.js js/ $modules | sed "s|^|ostrevin-site-$version/|" | LC_ALL=C sort)
listed=$(tar tzf "$site" | LC_ALL=C sort)
[ "$listed" = "$expected_site" ] || fail "the site holds other files: $(diff <(echo "$expected_site") <(echo "$listed") | tr '\n' ' ')"
# Its files carry the commit's time, never one in the future.
now=$(date +%s)
future=$(tar tvzf "$site" --full-time | awk -v now="$now" '{ cmd = "date -d \"" $4 " " $5 "\" +%s"; cmd | getline t; close(cmd); if (t > now) print $6 }')
[ -z "$future" ] || fail "the site's files lie in the future: $future"

echo "test-dist: $deb, $zip and $site are sound (version $version)"
