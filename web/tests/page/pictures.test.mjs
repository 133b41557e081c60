// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures on the page: the keeper's published ones beside the Entry (small,
// their place kept, a tap opens the whole), kept offline as seen and on
// demand, the collector's own made small and kept, Compare side by side,
// and pictures that cannot be shown said so, never a broken page.

import fs from 'node:fs/promises';
import path from 'node:path';
import {
  ask, demoCatalogue, expect, find, findArgs, openFinder, siteDir, test,
} from './fixtures.mjs';

const worked = { 'obverse-figure': '#1', 'reverse-figure': '#1', countermark: '#1', diameter: '27', weight: '19.2' };
const entryPictures = (page) => page.locator('#entry-pictures');
const loaded = (image) => expect.poll(() => image.evaluate((img) => img.complete && img.naturalWidth)).toBeGreaterThan(0);
async function chooseRow(page, sv) {
  const rows = page.locator('#candidates tbody tr');
  const at = await rows.evaluateAll((all, wanted) => all.findIndex((tr) => tr.cells[0].textContent === wanted), sv);
  await rows.nth(at).click();
}

test('published pictures: beside the entry, small, sized before they come; a tap opens the whole; JSON lists them', async ({ page }) => {
  await openFinder(page);
  await ask(page, worked);
  const obverse = entryPictures(page).getByRole('img', { name: 'DEMO-001 obverse' });
  await expect(obverse).toBeVisible();
  await expect(entryPictures(page).getByRole('img')).toHaveCount(2);
  await expect(entryPictures(page).getByRole('img').nth(1)).toHaveAttribute('alt', 'DEMO-001 reverse');
  expect(await obverse.getAttribute('src')).toBe('images/.rovadod/DEMO-001-obverse.png.webp');
  expect([await obverse.getAttribute('width'), await obverse.getAttribute('height')]).toEqual(['320', '320']);
  expect(await obverse.getAttribute('loading')).toBe('lazy');
  await loaded(obverse);

  await obverse.click();
  const viewer = page.getByRole('dialog', { name: 'DEMO-001 obverse' });
  await expect(viewer).toBeVisible();
  await loaded(viewer.getByRole('img'));
  expect(await viewer.getByRole('img').getAttribute('src')).toBe('images/DEMO-001-obverse.png');
  await viewer.getByRole('button', { name: 'Close' }).click();

  const [saved] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Export JSON' }).click()]);
  const json = JSON.parse(await fs.readFile(await saved.path(), 'utf8'));
  expect(json).toEqual(JSON.parse(await find(['--format=json', ...findArgs(worked), demoCatalogue])));
  expect(json.matches[0].pictures).toEqual(['images/DEMO-001-obverse.png', 'images/DEMO-001-reverse.png']);
});

test('offline: the small pictures seen are kept, all of them on demand, and given back', async ({ page, context }) => {
  await openFinder(page);
  await expect(page.locator('html')).toHaveAttribute('data-offline', 'ready');
  await openFinder(page); // served by the worker, which keeps what it serves
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-001 obverse' }));
  await context.setOffline(true);
  await openFinder(page);
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-001 obverse' }));
  // Not seen online: not there offline, and said so.
  await chooseRow(page, 'DEMO-013');
  await expect(entryPictures(page).getByText('DEMO-013 obverse: picture cannot be shown')).toBeVisible();
  await context.setOffline(false);

  await page.getByRole('button', { name: 'Keep pictures offline' }).click();
  // Every small copy the site's index names.
  const index = await fs.readFile(path.join(siteDir, 'images/.rovadod/index.tsv'), 'utf8');
  const smalls = index.split('\n').slice(1).filter((line) => line.split('\t')[5]).length;
  expect(smalls).toBeGreaterThan(12);
  await expect(page.locator('#pictures-status')).toContainText(`${smalls} pictures kept offline`, { timeout: 30_000 });
  await expect(page.locator('#pictures-status')).toContainText('MB are left');
  await context.setOffline(true);
  await openFinder(page);
  await chooseRow(page, 'DEMO-013');
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-013 reverse' }));
  await context.setOffline(false);
  await page.getByRole('button', { name: 'Remove offline pictures' }).click();
  await expect(page.locator('#pictures-status')).toHaveText('The offline pictures are removed.');
  expect((await page.evaluate(() => caches.keys())).filter((name) => name.endsWith('|pictures'))).toEqual([]);
});

test("the collector's own pictures: made small here, kept, forgotten and brought back; a dropped one joins them", async ({ page }) => {
  const png = await fs.readFile(path.join(siteDir, 'icon-512.png'));
  await openFinder(page);
  await page.getByLabel('Open pictures…').setInputFiles([
    { name: 'DEMO-005-obverse.png', mimeType: 'image/png', buffer: png },
    { name: 'DEMO-005-reverse.jpg', mimeType: 'image/jpeg', buffer: Buffer.from('not a picture at all') },
    { name: 'notes.txt', mimeType: 'text/plain', buffer: Buffer.from('x') },
  ]);
  await expect(page.locator('#pictures-status')).toHaveText(/^1 picture of your own added\. Cannot be shown: DEMO-005-reverse\.jpg: /);
  await chooseRow(page, 'DEMO-005');
  const mine = entryPictures(page).getByRole('img', { name: 'DEMO-005 obverse' });
  await loaded(mine);
  expect(await mine.getAttribute('src')).toMatch(/^blob:/);
  // Made small: at most 480 pixels a side.
  expect(await mine.evaluate((img) => Math.max(img.naturalWidth, img.naturalHeight))).toBeLessThanOrEqual(480);

  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
  await chooseRow(page, 'DEMO-005');
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-005 obverse' }));
  await page.getByRole('button', { name: 'Forget pictures' }).click();
  await expect(entryPictures(page).getByRole('img')).toHaveCount(0);
  await page.locator('#pictures-undo').getByRole('button', { name: 'Undo' }).click();
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-005 obverse' }));

  const status = await page.locator('#status').textContent();
  const drop = await page.evaluateHandle(async (bytes) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(bytes)], 'DEMO-001-plate-2.png', { type: 'image/png' }));
    return transfer;
  }, [...png]);
  await page.dispatchEvent('main', 'drop', { dataTransfer: drop });
  await expect(page.locator('#pictures-status')).toHaveText('1 picture of your own added (dropped).');
  await expect(page.locator('#status')).toHaveText(status);
});

test('Compare: two to four ticked, side by side; Space on the focused row ticks it', async ({ page }) => {
  await openFinder(page);
  await ask(page, worked);
  const compare = page.getByRole('button', { name: /^Compare/ });
  await expect(compare).toBeDisabled();
  await page.getByRole('checkbox', { name: 'Compare DEMO-001' }).check();
  await expect(compare).toBeDisabled();
  const current = page.locator('#candidates tbody tr[aria-current="true"]');
  await current.focus();
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press(' ');
  await expect(page.getByRole('checkbox', { name: 'Compare DEMO-005' })).toBeChecked();
  expect(await page.getByRole('checkbox', { name: 'Compare DEMO-005' }).getAttribute('tabindex')).toBe('-1');
  await compare.click();
  const region = page.getByRole('region', { name: 'Compare' });
  await expect(region).toBeVisible();
  await expect(region.getByRole('heading', { level: 3 })).toHaveText(['DEMO-001', 'DEMO-005']);
  await expect(region.getByRole('img', { name: 'DEMO-001 obverse' })).toBeVisible();
  await expect(region.locator('pre').first()).toContainText('Sv DEMO-001\t');
  // Side by side on a wide screen, one after another on a phone.
  const tops = () => region.locator('article').evaluateAll((all) => all.map((a) => Math.round(a.getBoundingClientRect().top)));
  const [a, b] = await tops();
  expect(a).toBe(b);
  await page.setViewportSize({ width: 360, height: 640 });
  const [c, d] = await tops();
  expect(d).toBeGreaterThan(c);
  // The ticks add no text: the Sv cells read as before.
  expect(await page.locator('#candidates tbody tr td:first-child').first().textContent()).toBe('DEMO-001');
});

test('pictures that cannot be shown are said so, the rest and the page go on', async ({ page, site }) => {
  const index = await fs.readFile(path.join(siteDir, 'images/.rovadod/index.tsv'), 'utf8');
  const lines = index.split('\n');
  lines.push(
    'DEMO-003-plate.jpg\t800\t600\t20\t1\t\t\t', // a text file behind a picture's name
    'DEMO-003-big.png\t30000\t30000\t900\t1\t\t\t', // a lying header: never asked for
    'DEMO-003-gone.png\t400\t300\t900\t1\t\t\t', // listed, not there
  );
  site.extra.set('/images/.rovadod/index.tsv', Buffer.from(lines.filter(Boolean).join('\n') + '\n'));
  site.extra.set('/images/DEMO-003-plate.jpg', Buffer.from('<svg xmlns="http://www.w3.org/2000/svg"><script>window.hit=1</script></svg>'));
  const asked = [];
  page.on('request', (request) => asked.push(new URL(request.url()).pathname));
  await openFinder(page);
  await chooseRow(page, 'DEMO-003');
  await loaded(entryPictures(page).getByRole('img', { name: 'DEMO-003 picture 1' }));
  for (const label of ['DEMO-003 picture 3', 'DEMO-003 picture 2']) {
    await expect(entryPictures(page).getByText(`${label}: picture cannot be shown`)).toBeVisible();
  }
  expect(asked).not.toContain('/images/DEMO-003-big.png');
  expect(await page.evaluate(() => window.hit)).toBeUndefined();
  await page.getByLabel('Obverse figure', { exact: true }).selectOption('#2');
  await expect(page.locator('#summary-text')).not.toHaveText('');
});
