// SPDX-License-Identifier: GPL-3.0-or-later
// Where the catalogue comes from: the demo, a keeper's published file, the
// collector's own (kept across visits, offline too), and the service worker
// that keeps the site and picks up a changed one.

import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {
  demoCatalogue, expect, find, kept, openFinder, shownRows, siteDir, statusSays, test, tsvSvs,
} from './fixtures.mjs';

const own = 'DEMO-901,Obol,21,IX,3,AE4,77,12,4,5.10,6.20,Paphos,2,1,3,4,1,1,DI,,\n'
  + 'DEMO-902,Obol,20,IX,4,AE4,78,,2,4.90,6.00,Paphos,2,1,3,4,1,1,,,\n';

const status = (page) => page.getByRole('status').first();

/// Waits until the site's worker controls the page and has kept the site.
async function activeWorker(page) {
  await expect(page.locator('html')).toHaveAttribute('data-offline', 'ready');
  await page.evaluate(async () => {
    if (!navigator.serviceWorker.controller) {
      await new Promise((resolve) => navigator.serviceWorker.addEventListener('controllerchange', resolve, { once: true }));
    }
  });
}

const openOwn = (page, name, text = own) =>
  page.getByLabel('Open catalogue…').setInputFiles({ name, mimeType: 'text/csv', buffer: Buffer.from(text) });

test('the demo by default; a published ptolemy.csv before it', async ({ page, site }) => {
  await openFinder(page);
  await expect(status(page)).toHaveText(statusSays('ptolemy.csv: 64 entries read (the built-in demo: invented sample data)'));
  site.extra.set('/ptolemy.csv', Buffer.from(own));
  await openFinder(page);
  await expect(status(page)).toHaveText(statusSays('ptolemy.csv: 2 entries read'));
  expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);
});

test("the collector's file: opened, kept across a reload and offline, forgotten and brought back", async ({ page, context }) => {
  await openFinder(page);
  await activeWorker(page);
  await openOwn(page, 'mine.csv');
  await expect(status(page)).toHaveText('mine.csv: 2 entries read · ready offline');
  await expect(page.getByRole('table', { name: 'Candidates' }).locator('tbody tr')).toHaveCount(2);
  await kept(page, 'mine.csv');

  await page.reload();
  await expect(status(page)).toHaveText(statusSays('mine.csv: 2 entries read'));
  await context.setOffline(true);
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
  await expect(status(page)).toHaveText(statusSays('mine.csv: 2 entries read'));
  await page.getByLabel('Obverse figure', { exact: true }).selectOption('#2');
  expect((await shownRows(page)).map((c) => c[0])).toEqual(['DEMO-901', 'DEMO-902']);

  // Forgotten while offline: the demo comes from the cache; Undo brings the
  // file back, kept as before.
  await page.getByRole('button', { name: 'Forget catalogue' }).click();
  await expect(status(page)).toHaveText(/^ptolemy\.csv: 64 entries read \(the built-in demo/);
  await kept(page, null);
  await expect(page.getByText('mine.csv forgotten.')).toBeVisible();
  await page.getByRole('button', { name: 'Undo' }).click();
  await expect(status(page)).toHaveText(statusSays('mine.csv: 2 entries read'));
  await kept(page, 'mine.csv');
  await expect(page.getByRole('button', { name: 'Undo' })).toBeHidden();
  await context.setOffline(false);
});

test('a file no selection can find anything of is shown but not kept; the one kept before stays', async ({ page }) => {
  const png = await fs.readFile(path.join(siteDir, 'icon-192.png'));
  await openFinder(page);
  await openOwn(page, 'mine.csv');
  await kept(page, 'mine.csv');
  const mistakes = [
    { name: 'photo.png', bytes: png },
    { name: 'empty.csv', bytes: Buffer.alloc(0) },
    { name: 'tray.tsv', bytes: Buffer.from('id\tobverse-figure\nA-1\tzeus with\n') },
  ];
  for (const { name, bytes } of mistakes) {
    const expected = tsvSvs(await find(['--format=tsv', await scratchFile(name, bytes)]));
    await page.getByLabel('Open catalogue…').setInputFiles({ name, mimeType: 'application/octet-stream', buffer: bytes });
    const entries = expected.length === 1 ? '1 entry' : `${expected.length} entries`;
    await expect(status(page)).toHaveText(
      statusSays(`${name}: ${entries} read; not kept for the next visit: no selection can find any entry of it`));
    await expect(page.getByRole('table', { name: 'Candidates' }).locator('tbody tr')).toHaveCount(expected.length);
  }
  await kept(page, 'mine.csv');
  await page.reload();
  await expect(status(page)).toHaveText(statusSays('mine.csv: 2 entries read'));
});

test('a dropped file goes where it was dropped: the tray on the Tray section, the catalogue elsewhere', async ({ page }) => {
  await openFinder(page);
  const drop = (selector, name, text) => page.evaluateHandle(([fileName, content]) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([content], fileName, { type: 'text/plain' }));
    return transfer;
  }, [name, text]).then((transfer) => page.dispatchEvent(selector, 'drop', { dataTransfer: transfer }));

  await drop('.tray', 'coins.tsv', 'id\tobverse-figure\nA-1\tzeus with\nA-2\t#2\n');
  await expect(page.getByRole('table', { name: 'Tray', exact: true }).locator('tbody tr')).toHaveCount(2);
  await expect(page.locator('#tray-status')).toHaveText('2 coins added from coins.tsv (dropped on the tray). 2 coins in the tray.');
  await expect(status(page)).toHaveText(/^ptolemy\.csv: 64 entries read/);

  await drop('main', 'dropped.csv', own.split('\n')[0]);
  await expect(status(page)).toHaveText(statusSays('dropped.csv: 1 entry read (dropped as the catalogue)'));
  await kept(page, 'dropped.csv');
  await page.reload();
  await expect(status(page)).toHaveText(statusSays('dropped.csv: 1 entry read'));
});

test('the buttons wait for the engine, and stay off when it cannot start', async ({ page }) => {
  await page.route('**/engine.wasm', (route) => route.abort());
  await page.goto('/');
  await expect(status(page)).toHaveText(/^The finder could not start in this browser: /);
  for (const name of ['Copy rows', 'Export TSV', 'Export JSON', 'Print ticket', 'Forget catalogue', 'Clear', 'Share', 'Add to tray']) {
    await expect(page.getByRole('button', { name, exact: true })).toBeDisabled();
  }
  await expect(page.getByLabel('Open catalogue…')).toBeDisabled();
});

/// Writes `bytes` to a scratch file named `name`; its path.
async function scratchFile(name, bytes) {
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-file-'));
  const file = path.join(work, name);
  await fs.writeFile(file, bytes);
  return file;
}

test('the manifest names the app and its icons are the sizes it says, one maskable; the page has its home-screen icon', async ({ page, request }) => {
  const manifest = await (await request.get('manifest.webmanifest')).json();
  expect([manifest.name, manifest.display]).toEqual(['Rovadod', 'standalone']);
  expect(manifest.icons.map((icon) => `${icon.sizes} ${icon.purpose ?? 'any'}`).sort())
    .toEqual(['192x192 any', '512x512 any', '512x512 maskable']);
  await openFinder(page);
  const touch = await page.locator('link[rel="apple-touch-icon"]').getAttribute('href');
  for (const icon of [...manifest.icons, { src: touch, sizes: '180x180' }]) {
    const png = await (await request.get(icon.src)).body();
    // A PNG's width and height follow its signature and IHDR tag.
    expect(`${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`).toBe(icon.sizes);
  }
  await expect(page.locator('meta[name="theme-color"]')).toHaveCount(2);
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
  await expect(page.locator('#version')).toHaveText('Rovadod 1.1.0 · site single file');
  await page.getByLabel('Obverse figure', { exact: true }).selectOption('#1');
  await page.getByLabel('Weight (g)', { exact: true }).fill('19,2');
  const expected = tsvSvs(await find(['--format=tsv', '--obverse-figure=#1', '--weight=19.2', demoCatalogue]));
  expect((await shownRows(page)).map((c) => c[0])).toEqual(expected);
  expect(requests.filter((url) => !url.startsWith('file:') && !url.startsWith('data:'))).toEqual([]);
  expect(errors).toEqual([]);
  await context.close();
});
