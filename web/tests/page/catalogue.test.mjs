// SPDX-License-Identifier: GPL-3.0-or-later
// Where the catalogue comes from: the demo, a keeper's published file, the
// collector's own (kept across visits, offline too), and the service worker
// that keeps the site and picks up a changed one.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {
  demoCatalogue, expect, find, openFinder, pageSources, shownRows, siteDir, siteTool, startServer, test, tsvSvs,
} from './fixtures.mjs';

const own = 'DEMO-901,Obol,21,IX,3,AE4,77,12,4,5.10,6.20,Paphos,2,1,3,4,1,1,DI,,\n'
  + 'DEMO-902,Obol,20,IX,4,AE4,78,,2,4.90,6.00,Paphos,2,1,3,4,1,1,,,\n';

const status = (page) => page.getByRole('status');

async function activeWorker(page) {
  await page.evaluate(async () => {
    const registration = await navigator.serviceWorker.ready;
    if (!navigator.serviceWorker.controller) {
      await new Promise((resolve) => navigator.serviceWorker.addEventListener('controllerchange', resolve, { once: true }));
    }
    return registration.active.state;
  });
}

/// Has the browser look for a new version of the site's worker and waits
/// until it has taken over.
function nextVersion(page) {
  return page.evaluate(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    await registration.update();
    const next = registration.installing ?? registration.waiting;
    if (next) {
      await new Promise((resolve) => {
        next.addEventListener('statechange', () => next.state === 'activated' && resolve());
      });
    }
  });
}

/// Waits until the browser's storage holds `name` as the catalogue to open
/// next: it is written after the file is shown.
function kept(page, name) {
  return expect.poll(() => page.evaluate(() => new Promise((resolve) => {
    const open = indexedDB.open('rovadod');
    open.onsuccess = () => {
      const database = open.result;
      if (!database.objectStoreNames.contains('catalogue')) {
        database.close();
        resolve(null);
        return;
      }
      const get = database.transaction('catalogue').objectStore('catalogue').get('last');
      get.onsuccess = () => {
        database.close();
        resolve(get.result?.name ?? null);
      };
    };
  }))).toBe(name);
}

test('the demo by default; a published ptolemy.csv before it', async ({ page, site }) => {
  await openFinder(page);
  await expect(status(page)).toHaveText('ptolemy.csv: 64 entries read (the built-in demo: invented sample data)');
  site.extra.set('/ptolemy.csv', Buffer.from(own));
  await openFinder(page);
  await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read');
  expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);
});

test("the collector's file: opened, dropped, kept across a reload and offline, forgotten", async ({ page, context }) => {
  await openFinder(page);
  await activeWorker(page);
  await page.getByLabel('Open catalogue…').setInputFiles({ name: 'mine.csv', mimeType: 'text/csv', buffer: Buffer.from(own) });
  await expect(status(page)).toHaveText('mine.csv: 2 entries read');
  await expect(page.getByRole('table', { name: 'Candidates' }).locator('tbody tr')).toHaveCount(2);
  await kept(page, 'mine.csv');

  await page.reload();
  await expect(status(page)).toHaveText('mine.csv: 2 entries read');
  await context.setOffline(true);
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
  await expect(status(page)).toHaveText('mine.csv: 2 entries read');
  await page.getByLabel('Obverse figure', { exact: true }).selectOption('#2');
  expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);

  // Forgotten while offline: the demo comes from the cache.
  await page.getByRole('button', { name: 'Forget catalogue' }).click();
  await expect(status(page)).toHaveText(/^ptolemy\.csv: 64 entries read \(the built-in demo/);
  await kept(page, null);
  await context.setOffline(false);

  // A file dropped on the page opens as well.
  const drop = await page.evaluateHandle((text) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([text], 'dropped.csv', { type: 'text/csv' }));
    return transfer;
  }, own.split('\n')[0]);
  await page.dispatchEvent('main', 'drop', { dataTransfer: drop });
  await expect(status(page)).toHaveText('dropped.csv: 1 entry read');
  await kept(page, 'dropped.csv');
  await page.reload();
  await expect(status(page)).toHaveText('dropped.csv: 1 entry read');
});

test("a changed site shows on the second visit after the change, the keeper's catalogue offline too", async ({ page, context, site }) => {
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-site-'));
  try {
    const sources = path.join(work, 'src');
    const served = path.join(work, 'site');
    await fs.cp(pageSources, sources, { recursive: true });
    const build = () => execFileSync('python3', [siteTool, 'site', '--src', sources, '--engine', siteDir,
      '--catalogue', demoCatalogue, '--out', served]);
    build();
    site.root = served;
    await openFinder(page);
    await activeWorker(page);
    await expect(page).toHaveTitle('Rovadod: worn-coin finder');

    const index = path.join(sources, 'index.html');
    const html = await fs.readFile(index, 'utf8');
    await fs.writeFile(index, html.replace('<title>Rovadod: worn-coin finder</title>', '<title>Rovadod changed</title>'));
    build();
    // The first visit after the change is served from the cache and
    // installs the new worker; the second has the new page.
    await openFinder(page);
    await expect(page).toHaveTitle('Rovadod: worn-coin finder');
    await nextVersion(page);
    await openFinder(page);
    await expect(page).toHaveTitle('Rovadod changed');
    expect((await shownRows(page)).map((c) => c[0])).toEqual(tsvSvs(await find(['--format=tsv', demoCatalogue])));

    // A keeper's catalogue seen before the next change of the site still
    // opens offline once the new version's worker has replaced the old.
    site.extra.set('/ptolemy.csv', Buffer.from(own));
    await openFinder(page);
    await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read');
    await fs.writeFile(index, html.replace('<title>Rovadod: worn-coin finder</title>', '<title>Rovadod again</title>'));
    build();
    await openFinder(page);
    await nextVersion(page);
    await context.setOffline(true);
    await openFinder(page);
    await expect(page).toHaveTitle('Rovadod again');
    await expect(status(page)).toHaveText('ptolemy.csv: 2 entries read');
    await context.setOffline(false);
  } finally {
    await fs.rm(work, { recursive: true, force: true });
  }
});

test('the manifest names the app and its icons are the sizes it says', async ({ request }) => {
  const manifest = await (await request.get('manifest.webmanifest')).json();
  expect([manifest.name, manifest.display]).toEqual(['Rovadod', 'standalone']);
  expect(manifest.icons.map((icon) => icon.sizes).sort()).toEqual(['192x192', '512x512']);
  for (const icon of manifest.icons) {
    const png = await (await request.get(icon.src)).body();
    // A PNG's width and height follow its signature and IHDR tag.
    expect(`${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`).toBe(icon.sizes);
  }
});

test('the single file works from file:// with nothing fetched', async ({ browser }) => {
  const { singleFile } = await import('./fixtures.mjs');
  const context = await browser.newContext();
  const page = await context.newPage();
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await openFinder(page, `file://${singleFile}`);
  await expect(status(page)).toHaveText('ptolemy.csv: 64 entries read (the built-in demo: invented sample data)');
  await page.getByLabel('Obverse figure', { exact: true }).selectOption('#1');
  await page.getByLabel('Weight (g)', { exact: true }).fill('19,2');
  const expected = tsvSvs(await find(['--format=tsv', '--obverse-figure=#1', '--weight=19.2', demoCatalogue]));
  expect((await shownRows(page)).map((c) => c[0])).toEqual(expected);
  expect(requests.filter((url) => !url.startsWith('file:') && !url.startsWith('data:'))).toEqual([]);
  expect(errors).toEqual([]);
  await context.close();
});
