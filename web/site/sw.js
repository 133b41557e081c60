// SPDX-License-Identifier: GPL-3.0-or-later
// Offline: every file of the site is cached under a name stamped from a hash
// of them all, and served from that cache first. A changed site is a changed
// name, so the browser installs the new worker beside the old one, and the
// visit after that is served the new files.

const cacheName = 'rovadod-unstamped';
const siteFiles = ['./'];
// The keeper's own catalogue may be added beside the site after it was
// built: asked of the server first, the copy kept for offline visits.
const publishedCatalogue = new URL('ptolemy.csv', self.registration.scope).href;
// Its copy outlives the site's versions: a new version's worker deletes the
// old version's cache, and the keeper's catalogue must still open offline.
const catalogueCache = 'rovadod-published-catalogue';

self.addEventListener('install', (event) => {
  event.waitUntil(
    (async () => {
      const cache = await caches.open(cacheName);
      await cache.addAll(siteFiles.map((file) => new Request(file, { cache: 'reload' })));
      await self.skipWaiting();
    })(),
  );
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    (async () => {
      for (const name of await caches.keys()) {
        if (name !== cacheName && name !== catalogueCache && name.startsWith('rovadod-')) {
          await caches.delete(name);
        }
      }
      await self.clients.claim();
    })(),
  );
});

async function catalogueFirstFromServer(request) {
  const cache = await caches.open(catalogueCache);
  try {
    const response = await fetch(request);
    if (response.ok) {
      await cache.put(publishedCatalogue, response.clone());
    } else if (response.status === 404) {
      await cache.delete(publishedCatalogue);
    }
    return response;
  } catch {
    return (await cache.match(publishedCatalogue)) ?? new Response('', { status: 404 });
  }
}

self.addEventListener('fetch', (event) => {
  const { request } = event;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) {
    return;
  }
  if (request.url.split(/[?#]/)[0] === publishedCatalogue) {
    event.respondWith(catalogueFirstFromServer(request));
    return;
  }
  event.respondWith(
    (async () => {
      const cached = await caches.match(request, { cacheName, ignoreSearch: true });
      return cached ?? fetch(request);
    })(),
  );
});
