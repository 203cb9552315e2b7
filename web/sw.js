// Keeps the page working offline: everything it needs is cached on the first
// visit; afterwards the network is asked first (so a new version arrives) and
// the cache answers when there is none.
'use strict';
const CACHE = 'ostrevin-v2';
const FILES = [
  './', 'index.html', 'style.css', 'page.js', 'worker.js', 'ostrevin.js', 'ostrevin.wasm',
  'manifest.webmanifest', 'icons/ostrevin.svg', 'icons/ostrevin-128.png', 'icons/ostrevin-256.png',
];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((keys) => Promise.all(keys.filter((key) => key !== CACHE).map((key) => caches.delete(key))))
      .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    fetch(event.request)
      .then((response) => {
        const copy = response.clone();
        if (response.ok) caches.open(CACHE).then((cache) => cache.put(event.request, copy));
        return response;
      })
      .catch(() => caches.match(event.request, { ignoreSearch: true })));
});
