// SPDX-License-Identifier: GPL-3.0-or-later
// Offline after one visit: the keeper's catalogue is kept with the site and
// answers when the network does not (or answers with something else), two
// copies of the site on one host keep apart, what an older version kept is
// moved, and a new version waits until the collector takes it.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {
  demoCatalogue, engineDir, expect, kept, openFinder, pageSources, shownRows, siteTool, statusSays, test,
} from './fixtures.mjs';

const own = 'DEMO-901,Obol,21,IX,3,AE4,77,12,4,5.10,6.20,Paphos,2,1,3,4,1,1,DI,,\n'
  + 'DEMO-902,Obol,20,IX,4,AE4,78,,2,4.90,6.00,Paphos,2,1,3,4,1,1,,,\n';
const status = (page) => page.getByRole('status').first();
const offlineReady = (page) => expect(page.locator('html')).toHaveAttribute('data-offline', 'ready');

// What a bad network may answer for ptolemy.csv after the first visit.
const badNetworks = [
  { name: 'no network', offline: true },
  {
    name: 'a Wi-Fi login page behind a redirect',
    answer: (request, response) => {
      response.writeHead(302, { location: '/login' });
      response.end();
    },
  },
  {
    name: 'a login page in place of the file',
    answer: (request, response) => {
      response.writeHead(200, { 'content-type': 'text/html' });
      response.end('<!DOCTYPE html><title>Log in to the fair Wi-Fi</title>');
    },
  },
  {
    name: 'a server error',
    answer: (request, response) => {
      response.writeHead(503, { 'content-type': 'text/plain' });
      response.end('busy');
    },
  },
  { name: 'a request that never answers', answer: () => {} },
];

test.describe('after one online visit, the keeper\'s catalogue opens whatever the network does', () => {
  for (const { name, offline, answer } of badNetworks) {
    test(name, async ({ page, context, site }) => {
      site.extra.set('/ptolemy.csv', Buffer.from(own));
      site.extra.set('/login', Buffer.from('<!DOCTYPE html><title>Log in</title>'));
      await openFinder(page);
      await offlineReady(page);
      await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read · ready offline');
      if (offline) {
        await context.setOffline(true);
      } else {
        site.extra.set('/ptolemy.csv', answer);
      }
      await openFinder(page);
      await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read · ready offline');
      expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);
      await context.setOffline(false);
    });
  }
});

test('a keeper who removes the file is followed: the demo opens', async ({ page, site }) => {
  site.extra.set('/ptolemy.csv', Buffer.from(own));
  await openFinder(page);
  await offlineReady(page);
  site.extra.delete('/ptolemy.csv');
  await openFinder(page);
  await expect(status(page)).toHaveText(statusSays('ptolemy.csv: 64 entries read (the built-in demo: invented sample data)'));
});

test('two copies of the site on one host keep their own catalogues and caches', async ({ page, site }) => {
  site.mounts.push('/a/', '/b/');
  const folders = ['/a/', '/b/', '/'];
  for (const folder of folders) {
    await openFinder(page, folder);
    await offlineReady(page);
    await expect(status(page)).toHaveText(/^ptolemy\.csv: 64 entries read \(the built-in demo/);
    const name = `mine-${folder.replaceAll('/', '') || 'root'}.csv`;
    await page.getByLabel('Open catalogue…').setInputFiles({ name, mimeType: 'text/csv', buffer: Buffer.from(own) });
    await expect(status(page)).toHaveText(statusSays(`${name}: 2 entries read`));
    await kept(page, name);
  }
  // Each reopens its own, whichever was opened last.
  for (const folder of folders) {
    const name = `mine-${folder.replaceAll('/', '') || 'root'}.csv`;
    await openFinder(page, folder);
    await expect(status(page)).toHaveText(statusSays(`${name}: 2 entries read`));
  }
  const caches = await page.evaluate(() => caches.keys());
  expect(caches.filter((name) => name.includes('|site|')).length).toBe(3);
  for (const a of caches) {
    for (const b of caches) {
      expect(a === b || !b.startsWith(a), `${a} starts ${b}`).toBe(true);
    }
  }
  // Forgetting at /a/ leaves /b/ as it was.
  await openFinder(page, '/a/');
  await page.getByRole('button', { name: 'Forget catalogue' }).click();
  await expect(status(page)).toHaveText(/^ptolemy\.csv: 64 entries read \(the built-in demo/);
  await openFinder(page, '/b/');
  await expect(status(page)).toHaveText(statusSays('mine-b.csv: 2 entries read'));
});

test('a catalogue kept by the version before is moved to this one, never lost', async ({ page }) => {
  await openFinder(page);
  // As the version before kept it: one database and one mark for the host.
  await page.evaluate((text) => new Promise((resolve, reject) => {
    const open = indexedDB.open('rovadod', 1);
    open.onupgradeneeded = () => open.result.createObjectStore('catalogue');
    open.onsuccess = () => {
      const bytes = new TextEncoder().encode(text).buffer;
      const put = open.result.transaction('catalogue', 'readwrite').objectStore('catalogue').put({ name: 'older.csv', bytes }, 'last');
      put.onsuccess = () => {
        localStorage.setItem('rovadod-catalogue-kept', '1');
        open.result.close();
        resolve();
      };
      put.onerror = () => reject(put.error);
    };
  }), own);
  await openFinder(page);
  await expect(status(page)).toHaveText(statusSays('older.csv: 2 entries read'));
  expect(await page.evaluate(() => localStorage.getItem('rovadod-catalogue-kept'))).toBeNull();
  await openFinder(page);
  await expect(status(page)).toHaveText(statusSays('older.csv: 2 entries read'));
});

test('a new version is offered with "Reload" and taken only then; the version shows', async ({ page, context, site }) => {
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-site-'));
  try {
    const sources = path.join(work, 'src');
    const served = path.join(work, 'site');
    await fs.cp(pageSources, sources, { recursive: true });
    const build = () => execFileSync('python3', [siteTool, 'site', '--src', sources, '--engine', engineDir,
      '--catalogue', demoCatalogue, '--out', served]);
    build();
    site.root = served;
    site.extra.set('/ptolemy.csv', Buffer.from(own));
    await openFinder(page);
    await offlineReady(page);
    await expect(page).toHaveTitle('Rovadod: worn-coin finder');
    const stamp = (await fs.readFile(path.join(served, 'sw.js'), 'utf8')).match(/const siteStamp = '([0-9a-f]{16})';/)[1];
    await expect(page.locator('#version')).toHaveText(`Rovadod 1.1.0 · site ${stamp}`);
    await expect(page.getByText('A new version of Rovadod is ready.')).toBeHidden();

    const index = path.join(sources, 'index.html');
    const html = await fs.readFile(index, 'utf8');
    await fs.writeFile(index, html.replace('<title>Rovadod: worn-coin finder</title>', '<title>Rovadod changed</title>'));
    build();
    // The visit after the change is served from the cache and offers the
    // new version; nothing changes until the collector takes it.
    await openFinder(page);
    await expect(page.getByText('A new version of Rovadod is ready.')).toBeVisible();
    await expect(page).toHaveTitle('Rovadod: worn-coin finder');
    await page.getByRole('button', { name: 'Reload' }).click();
    await expect(page).toHaveTitle('Rovadod changed');
    await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
    expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);
    await expect(page.locator('#version')).not.toHaveText(`Rovadod 1.1.0 · site ${stamp}`);

    // The keeper's catalogue still opens offline after the update.
    await context.setOffline(true);
    await openFinder(page);
    await expect(page).toHaveTitle('Rovadod changed');
    await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read · ready offline');
    await context.setOffline(false);
  } finally {
    await fs.rm(work, { recursive: true, force: true });
  }
});
