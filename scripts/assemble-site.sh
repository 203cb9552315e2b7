#!/usr/bin/env bash
# Puts the static site together in build/web: the page and its assets from
# web/, the icons from res/icons, the WebAssembly and its loader from the
# emscripten build. The folder is what a static host serves, as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
site=build/web
rm -rf "$site.new"
mkdir -p "$site.new/icons" "$site.new/js"
cp web/index.html web/style.css web/worker.js web/sw.js web/manifest.webmanifest "$site.new/"
cp web/js/*.js "$site.new/js/"
# The comments (the scripts' whole-line ones, the style's and the page's)
# are for their readers in web/, not for every phone that downloads them (a
# quarter of the scripts' compressed size).
sed -i -E '/^[[:space:]]*\/\/( |$)/d' "$site.new"/js/*.js "$site.new/worker.js" "$site.new/sw.js"
perl -0pi -e 's#/\*.*?\*/\n?##gs' "$site.new/style.css"
perl -0pi -e 's#[ ]*<!--.*?-->\n?##gs' "$site.new/index.html"
cp res/icons/ostrevin.svg res/icons/ostrevin-128.png res/icons/ostrevin-256.png "$site.new/icons/"
cp build/web-build/app/ostrevin.js build/web-build/app/ostrevin.wasm "$site.new/"
cp LICENSE "$site.new/LICENSE.txt"
scripts/notices.sh web > "$site.new/NOTICES.txt"
# The service worker caches every script and module of the site.
versioned=$(cd "$site.new" && ls style.css worker.js ostrevin.js ostrevin.wasm js/*.js | tr '\n' ' ')
sed -i "s|@VERSIONED@|${versioned% }|" "$site.new/sw.js"
# One version for the whole site: a hash of every file, written where the
# page, its script and the service worker name it (a new version is a new
# service worker, which replaces the cached files all together).
version=$(cd "$site.new" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -c1-12)
sed -i "s/@VERSION@/$version/g" "$site.new/index.html" "$site.new/sw.js" "$site.new/js/state.js"
# The modules name each other with the version too.
sed -i "s|from '\./\([a-z]*\)\.js'|from './\1.js?v=$version'|" "$site.new"/js/*.js
# Keep the browser tests' pictures, which live beside the site.
[ -d "$site/tests" ] && mv "$site/tests" "$site.new/tests"
rm -rf "$site"
mv "$site.new" "$site"
echo "web: the site is in $site ($(du -sk "$site" --exclude=tests | cut -f1) KB)"
