#!/usr/bin/env bash
# Puts the static site together in build/web: the page and its assets from
# web/, the icons from res/icons, the WebAssembly and its loader from the
# emscripten build. The folder is what a static host serves, as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
site=build/web
rm -rf "$site.new"
mkdir -p "$site.new/icons"
cp web/index.html web/style.css web/page.js web/worker.js web/sw.js web/manifest.webmanifest "$site.new/"
cp res/icons/ostrevin.svg res/icons/ostrevin-128.png res/icons/ostrevin-256.png "$site.new/icons/"
cp build/web-build/app/ostrevin.js build/web-build/app/ostrevin.wasm "$site.new/"
cp LICENSE "$site.new/LICENSE.txt"
scripts/notices.sh web > "$site.new/NOTICES.txt"
# Keep the browser tests' pictures, which live beside the site.
[ -d "$site/tests" ] && mv "$site/tests" "$site.new/tests"
rm -rf "$site"
mv "$site.new" "$site"
echo "web: the site is in $site ($(du -sk "$site" --exclude=tests | cut -f1) KB)"
