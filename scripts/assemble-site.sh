#!/usr/bin/env bash
# Puts the static site together in build/web: the page and its assets from
# web/, the icons from res/icons, the WebAssembly and its loader from the
# emscripten build. The folder is what a static host serves, as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
site=build/web
rm -rf "$site.new"
mkdir -p "$site.new/icons" "$site.new/js"
cp web/index.html web/manifest.webmanifest "$site.new/"
# The scripts, the style and the loader minified, the modules bundled into
# one (esbuild): what every phone downloads is the code, not its comments
# and names, which stay for their readers in web/ (a third of the scripts'
# compressed size).
esbuild web/js/main.js --bundle --format=esm --minify --log-level=warning --outfile="$site.new/js/main.js"
for script in worker.js sw.js style.css; do
  esbuild "web/$script" --minify --log-level=warning --outfile="$site.new/$script"
done
perl -0pi -e 's#[ ]*<!--.*?-->\n?##gs' "$site.new/index.html"
cp res/icons/ostrevin.svg res/icons/ostrevin-128.png res/icons/ostrevin-256.png "$site.new/icons/"
esbuild build/web-build/app/ostrevin.js --minify --log-level=warning --outfile="$site.new/ostrevin.js"
cp build/web-build/app/ostrevin.wasm "$site.new/"
cp LICENSE "$site.new/LICENSE.txt"
scripts/notices.sh web > "$site.new/NOTICES.txt"
# The service worker caches every script and module of the site.
versioned=$(cd "$site.new" && ls style.css worker.js ostrevin.js ostrevin.wasm js/main.js | tr '\n' ' ')
sed -i "s|@VERSIONED@|${versioned% }|" "$site.new/sw.js"
# One version for the whole site: a hash of every file, written where the
# page, its script and the service worker name it (a new version is a new
# service worker, which replaces the cached files all together).
version=$(cd "$site.new" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -c1-12)
sed -i "s/@VERSION@/$version/g" "$site.new/index.html" "$site.new/sw.js" "$site.new/js/main.js"
# Keep the browser tests' pictures, which live beside the site.
[ -d "$site/tests" ] && mv "$site/tests" "$site.new/tests"
rm -rf "$site"
mv "$site.new" "$site"
echo "web: the site is in $site ($(du -sk "$site" --exclude=tests | cut -f1) KB)"
