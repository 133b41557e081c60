// SPDX-License-Identifier: GPL-3.0-or-later
// Offline: every file of the site is cached under a name stamped from a hash
// of them all, and served from that cache first; the keeper's ptolemy.csv is
// kept beside it. A changed site is a changed name: its worker installs
// beside the old one and waits until the collector takes it ("Reload").
// Every name holds the site's folder, as the page's do (names.js), so two
// copies of the site on one host never touch each other's.

const siteStamp = 'unstamped';
const siteFiles = ['./'];
const scope = encodeURIComponent(new URL(self.registration.scope).pathname);
const cacheName = `rovadod|${scope}|site|${siteStamp}`;
// The keeper's catalogue outlives the site's versions; so do the small
// pictures, kept as they are seen (the page's "Keep pictures offline" asks
// for them all). Full pictures are not kept.
const catalogueCache = `rovadod|${scope}|catalogue`;
const picturesCache = `rovadod|${scope}|pictures`;
const smallPictures = new URL('images/.rovadod/', self.registration.scope).href;
const pictureIndex = new URL('images/.rovadod/index.tsv', self.registration.scope).href;
const publishedCatalogue = new URL('ptolemy.csv', self.registration.scope).href;
// Before the names held the site's folder.
const legacyCatalogueCache = 'rovadod-published-catalogue';
// How long the network has before the kept copy answers; with none kept,
// the network has longer before the page is told there is none.
const networkWait = 3000;
const networkWaitWithoutCopy = 10000;

/// Only a catalogue replaces the kept copy: not a Wi-Fi login page, not a
/// redirect elsewhere, not a server's error.
function isCatalogue(response) {
  const type = response.headers.get('content-type') ?? '';
  return response.status === 200 && !response.redirected && response.url === publishedCatalogue
    && !type.includes('text/html');
}

/// Asks the server for the keeper's catalogue, keeping what it answers in
/// the cache when it is one, forgetting the copy when the file is gone.
async function catalogueFromNetwork(cache) {
  const response = await fetch(publishedCatalogue, { cache: 'no-cache' });
  if (isCatalogue(response)) {
    await cache.put(publishedCatalogue, response.clone());
  } else if (response.status === 404) {
    await cache.delete(publishedCatalogue);
  }
  return response;
}

self.addEventListener('install', (event) => {
  event.waitUntil(
    (async () => {
      const cache = await caches.open(cacheName);
      await cache.addAll(siteFiles.map((file) => new Request(file, { cache: 'reload' })));
      // One visit is enough for every later visit offline: the keeper's
      // catalogue too, when the server has one.
      try {
        await catalogueFromNetwork(await caches.open(catalogueCache));
      } catch {
        // No network for it now: asked again on the next visit.
      }
    })(),
  );
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    (async () => {
      for (const name of await caches.keys()) {
        if (name.startsWith(`rovadod|${scope}|site|`) && name !== cacheName) {
          await caches.delete(name);
        }
      }
      // A copy kept before the names held the site's folder moves here.
      const catalogues = await caches.open(catalogueCache);
      if ((await caches.has(legacyCatalogueCache)) && !(await catalogues.match(publishedCatalogue))) {
        const old = await (await caches.open(legacyCatalogueCache)).match(publishedCatalogue);
        if (old) {
          await catalogues.put(publishedCatalogue, old);
        }
      }
      await self.clients.claim();
    })(),
  );
});

self.addEventListener('message', (event) => {
  if (event.data?.type === 'skip-waiting') {
    self.skipWaiting();
  }
});

const after = (ms) => new Promise((resolve) => setTimeout(resolve, ms, null));

async function keeperCatalogue(event) {
  const cache = await caches.open(catalogueCache);
  const network = catalogueFromNetwork(cache);
  // The copy is brought up to date even when the kept one answered first.
  event.waitUntil(network.catch(() => {}));
  const kept = await cache.match(publishedCatalogue);
  const answered = await Promise.race([
    network.catch(() => null),
    after(kept ? networkWait : networkWaitWithoutCopy),
  ]);
  if (answered && (isCatalogue(answered) || answered.status === 404)) {
    return answered;
  }
  return kept ?? answered ?? new Response('', { status: 404 });
}

/// A small picture from the cache, else from the network, kept when it is a
/// picture; the index of pictures from the network first, as the keeper's
/// catalogue is.
async function smallPicture(event, request, url) {
  const cache = await caches.open(picturesCache);
  if (url === pictureIndex) {
    try {
      const response = await fetch(request);
      const type = response.headers.get('content-type') ?? '';
      if (response.status === 200 && !response.redirected && !type.includes('text/html')) {
        await cache.put(url, response.clone());
        return response;
      }
      if (response.status === 404) {
        await cache.delete(url);
        return response;
      }
      return (await cache.match(url)) ?? response;
    } catch {
      return (await cache.match(url)) ?? new Response('', { status: 404 });
    }
  }
  // The kept copy answers at once; online, it is brought up to date behind
  // it, since a keeper's changed picture keeps its small copy's name.
  const fresh = fetch(request).then(async (response) => {
    // Not a login page in a picture's place; a host that calls WebP
    // something else is still sending the picture.
    if (response.status === 200 && !response.redirected && !(response.headers.get('content-type') ?? '').includes('text/html')) {
      await cache.put(url, response.clone());
    }
    return response;
  });
  const kept = await cache.match(url);
  if (kept) {
    event.waitUntil(fresh.catch(() => {}));
    return kept;
  }
  return fresh;
}

self.addEventListener('fetch', (event) => {
  const { request } = event;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) {
    return;
  }
  const url = request.url.split(/[?#]/)[0];
  if (url.startsWith(smallPictures)) {
    event.respondWith(smallPicture(event, request, url));
    return;
  }
  if (request.url.split(/[?#]/)[0] === publishedCatalogue) {
    event.respondWith(keeperCatalogue(event));
    return;
  }
  event.respondWith(
    (async () => {
      const cached = await caches.match(request, { cacheName, ignoreSearch: true });
      return cached ?? fetch(request);
    })(),
  );
});
