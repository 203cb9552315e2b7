// Keeps the page working offline, one version of it at a time. The site's
// assembly writes the version (a hash of every file) below; a new version
// is a new service worker, which copies every file of its version into a
// cache of its own, past the browser's HTTP cache, and drops the old one.
//
// Online, every file is asked of the network first, revalidated past the
// HTTP cache (a static host's old Last-Modified dates would otherwise let
// the browser keep an old page.js beside a new index.html). When the
// network does not answer within a few seconds (a network that accepts and
// never answers), the cached version answers, for the whole page: a page
// begun from the cache takes every file from it, never a mix of versions.
'use strict';
const VERSION = '@VERSION@';
const CACHE = `ostrevin-${VERSION}`;
// The files of this version, by the names its page asks for them (listed by
// the site's assembly: every script and module it copies).
const VERSIONED = '@VERSIONED@'.split(' ');
const FILES = [
  './', 'index.html', 'manifest.webmanifest', 'icons/ostrevin.svg', 'icons/ostrevin-128.png',
  'icons/ostrevin-256.png', ...VERSIONED.map((file) => `${file}?v=${VERSION}`),
];
const PATIENCE_MS = 3000;

// Pages (clients) begun from the cache: every file they ask for comes from it.
const fromCache = new Set();

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((keys) => Promise.all(keys.filter((key) => key !== CACHE).map((key) => caches.delete(key))))
      .then(() => self.clients.claim()));
});

function cached(request) {
  return caches.open(CACHE).then((cache) => cache.match(request));
}

// The network's answer, or the cache's when the network fails or keeps
// silent past PATIENCE_MS and the cache has the file.
function networkFirst(request, client) {
  const network = fetch(request, { cache: 'no-cache' });
  return new Promise((resolve, reject) => {
    let settled = false;
    const fallBack = () => cached(request).then((response) => {
      if (settled || !response) return false;
      settled = true;
      if (client) fromCache.add(client);
      resolve(response);
      return true;
    });
    const timer = setTimeout(fallBack, PATIENCE_MS);
    network.then((response) => {
      clearTimeout(timer);
      if (!settled) {
        settled = true;
        resolve(response);
      }
    }, () => {
      clearTimeout(timer);
      fallBack().then((found) => { if (!found && !settled) reject(new TypeError('offline')); });
    });
  });
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  if (request.mode === 'navigate') {
    event.respondWith(networkFirst(request, event.resultingClientId));
    return;
  }
  // A worker started by a page begun from the cache takes its files (the
  // engine) from the cache too, never a newer one from a host that ignores ?v=.
  if (fromCache.has(event.clientId) && event.resultingClientId) fromCache.add(event.resultingClientId);
  if (fromCache.has(event.clientId)) {
    event.respondWith(cached(request).then((response) => response || fetch(request, { cache: 'no-cache' })));
    return;
  }
  event.respondWith(networkFirst(request, null));
});
