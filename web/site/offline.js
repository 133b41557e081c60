// SPDX-License-Identifier: GPL-3.0-or-later
// The offline layer: the service worker that keeps the site and the keeper's
// catalogue, the word that the page is ready offline, the offer of a new
// version (never taken without the collector), and which version this is.

import { offerUpdate, setReadyOffline } from './status.js';
import { byId } from './util.js';

// The hash of the site's files, as in the worker's cache name; site.py
// stamps it.
const siteStamp = 'unstamped';
const single = document.documentElement.dataset.build === 'single';

export function showVersion(engineVersion) {
  byId('version-number').textContent = engineVersion;
  byId('site-stamp').textContent = single ? 'single file' : siteStamp;
}

function offer(worker) {
  offerUpdate(() => {
    // The page reloads once the new worker has taken over.
    let reloading = false;
    navigator.serviceWorker.addEventListener('controllerchange', () => {
      if (!reloading) {
        reloading = true;
        location.reload();
      }
    });
    worker.postMessage({ type: 'skip-waiting' });
  });
}

function watchForUpdates(registration) {
  // A worker installed while another controls the page is a new version;
  // the first one is only the page going offline.
  const installed = (worker) => worker && navigator.serviceWorker.controller && offer(worker);
  if (registration.waiting) {
    installed(registration.waiting);
  }
  registration.addEventListener('updatefound', () => {
    const worker = registration.installing;
    worker?.addEventListener('statechange', () => {
      if (worker.state === 'installed') {
        installed(worker);
      }
    });
  });
}

/// "Install" where the browser offers to install the page as an app, gone
/// once it is installed.
export function offerInstall() {
  const button = byId('install');
  let prompt = null;
  window.addEventListener('beforeinstallprompt', (event) => {
    event.preventDefault();
    prompt = event;
    button.hidden = false;
  });
  button.addEventListener('click', async () => {
    button.hidden = true;
    await prompt?.prompt();
    prompt = null;
  });
  window.addEventListener('appinstalled', () => {
    button.hidden = true;
    prompt = null;
  });
}

/// Registers the worker once the first answer is shown, so it never delays
/// it, and says when the page is ready offline.
export function startOffline() {
  if (single || !('serviceWorker' in navigator)) {
    return;
  }
  navigator.serviceWorker
    .register('./sw.js')
    .then((registration) => {
      watchForUpdates(registration);
      return navigator.serviceWorker.ready;
    })
    .then(() => {
      setReadyOffline(true);
      document.documentElement.dataset.offline = 'ready';
    })
    .catch(() => {
      // No worker (a private window, say): the page works online only.
    });
}
