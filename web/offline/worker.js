// The site on this device: every file of one version of it, kept at the
// first visit and served from there, with or without a network. The build
// writes the version and the list of files below. The score service (api/)
// is always asked over the network.
'use strict';

const kVersion = '@SITE_VERSION@';
const kFiles = [@SITE_FILES@];
const kPrefix = 'miruto-nana-site-';
const kCache = kPrefix + kVersion;
const kScope = self.registration.scope;

self.addEventListener('install', (event) => {
  // Fetched past the browser's cache, so that the files are this version's.
  event.waitUntil(caches.open(kCache).then((cache) =>
    cache.addAll(kFiles.map((file) => new Request(file, {cache: 'no-cache'})))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((key) => key.startsWith(kPrefix) && key !== kCache)
                                    .map((key) => caches.delete(key))))
    .then(() => self.clients.claim()));
});

// A waiting version takes over when a page asks at its start, unless
// another page of the game is open (it may be in a game).
self.addEventListener('message', (event) => {
  if (!event.data || event.data.ask !== 'take-over') return;
  const reply = event.ports[0];
  event.waitUntil(self.clients.matchAll({type: 'window', includeUncontrolled: true}).then((all) => {
    const pages = all.filter((page) => page.url.startsWith(kScope));
    const taken = pages.length <= 1;
    if (reply) reply.postMessage({taken});
    if (taken) return self.skipWaiting();
    return undefined;
  }));
});

// The file of the site a request asks for ('' for the site's address), or
// null for what is not the site's.
function siteFile(request) {
  if (request.method !== 'GET' || !request.url.startsWith(kScope)) return null;
  const url = new URL(request.url);
  const file = url.pathname.slice(new URL(kScope).pathname.length);
  if (file === 'api' || file.startsWith('api/')) return null;
  return request.mode === 'navigate' && (file === '' || file === 'index.html') ? 'index.html'
                                                                               : file;
}

self.addEventListener('fetch', (event) => {
  const file = siteFile(event.request);
  if (file === null || !kFiles.includes(file)) return;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(file))
    .then((kept) => kept || fetch(event.request)));
});
