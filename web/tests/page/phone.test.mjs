// SPDX-License-Identifier: GPL-3.0-or-later
// The answer first, on a 360 x 640 touch screen: the summary in view while
// any field is edited, candidates as cards inside the screen, the Entry
// readable and copied exactly, the question in the link, and a tray made
// coin by coin that rovadod-find --batch reads back.

import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {
  ask, demoCatalogue, expect, fieldNames, find, findArgs, listNames, openFinder, shownRows, test, tsvSvs,
} from './fixtures.mjs';

test.use({ viewport: { width: 360, height: 640 }, isMobile: true, hasTouch: true });

const summary = (page) => page.getByRole('link', { name: 'Matches' });
const cards = (page) => page.getByRole('table', { name: 'Candidates', exact: true }).locator('tbody tr');

/// Whether `locator`'s box lies inside the visual viewport.
const inView = (locator) => locator.evaluate((element) => {
  const box = element.getBoundingClientRect();
  const view = window.visualViewport;
  return box.top >= 0 && box.bottom <= view.height + 0.5 && box.left >= 0 && box.right <= view.width + 0.5;
});

const worked = { 'obverse-figure': '#1', 'reverse-figure': '#1', countermark: '#1', diameter: '27', weight: '19.2' };

test('the summary stays in view and says the answer while each field is edited', async ({ page }) => {
  await openFinder(page);
  const fields = { ...listNames, ...fieldNames };
  const values = {
    ...worked, inscription: '#1', 'left-field': 'any', 'right-side': 'any', 'center-monogram': 'none', 'left-monogram': 'ey',
    'right-monogram': 'zz', near: '2',
  };
  const asked = {};
  for (const option of Object.keys(fields)) {
    const field = page.getByLabel(fields[option], { exact: true });
    await field.scrollIntoViewIfNeeded();
    await ask(page, { [option]: values[option] });
    asked[option] = values[option];
    const svs = tsvSvs(await find(['--format=tsv', ...findArgs(asked), demoCatalogue]));
    const count = svs.length === 0 ? 'No match' : svs.length === 1 ? '1 match' : `${svs.length} matches`;
    await expect(summary(page)).toHaveText(svs.length === 0 ? count : new RegExp(`^${count} · best ${svs[0]} `));
    expect(await inView(summary(page)), `summary in view while ${option} is edited`).toBe(true);
    expect(await inView(field), `${option} in view while edited`).toBe(true);
  }
  // Heard once the typing stops, not on every keystroke.
  await expect(page.locator('#announce')).toHaveText((await summary(page).textContent()).trim());
  await summary(page).tap();
  await expect.poll(() => inView(page.getByRole('heading', { name: 'Candidates' }))).toBe(true);
});

test('candidates are cards: every column, whole, labelled, inside the screen; the Entry in the card', async ({ page, context }) => {
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  await openFinder(page);
  await ask(page, { ...worked, near: '1' });
  const rows = await shownRows(page);
  expect(rows.length).toBeGreaterThan(3);
  const layout = await cards(page).evaluateAll((trs) => trs.map((tr) => [...tr.cells].filter((td) => !td.classList.contains('card-entry')).map((td) => ({
    label: td.dataset.label,
    shownLabel: getComputedStyle(td, '::before').content,
    right: td.getBoundingClientRect().right,
    cut: td.scrollWidth > td.clientWidth + 1,
    height: tr.getBoundingClientRect().height,
  }))));
  const titles = ['Sv', 'Denomination', 'Diameter', 'Weight (g)', 'Center Mgm', 'Left Mgm', 'Right Mgm', 'Differs', 'Fit'];
  for (const card of layout) {
    expect(card.map((cell) => cell.label)).toEqual(titles);
    expect(card.slice(1).map((cell) => cell.shownLabel)).toEqual(titles.slice(1).map((t) => `"${t}"`));
    for (const cell of card) {
      expect(cell.right).toBeLessThanOrEqual(360);
      expect(cell.cut).toBe(false);
      expect(cell.height).toBeGreaterThanOrEqual(44);
    }
  }
  expect(await page.evaluate(() => document.documentElement.scrollWidth)).toBeLessThanOrEqual(360);

  // A tap on the fourth card shows its entry in it, readable within the screen.
  await cards(page).nth(3).tap();
  const entry = page.getByRole('region', { name: 'Entry', exact: true });
  await expect(cards(page).nth(3).getByRole('region', { name: 'Entry' })).toHaveCount(1);
  await expect(entry).toContainText(`Sv ${rows[3][0]}\t`);
  const box = await entry.evaluate((pre) => ({ right: pre.getBoundingClientRect().right, wide: pre.scrollWidth > pre.clientWidth + 1 }));
  expect(box).toEqual({ right: expect.any(Number), wide: false });
  expect(box.right).toBeLessThanOrEqual(360);
  const report = (await find([...findArgs({ ...worked, near: '1' }), demoCatalogue])).toString('utf8');
  const block = report.split('\n\n').find((b) => b.startsWith(`Sv ${rows[3][0]}\t`) || b.includes(`\nSv ${rows[3][0]}\t`));
  await page.getByRole('button', { name: 'Copy entry' }).tap();
  await expect.poll(() => page.evaluate(() => navigator.clipboard.readText())).toBe(await entry.textContent());
  expect((await entry.textContent()).replace(/\n+$/, '')).toBe(block.replace(/^\n+/, '').replace(/\n+$/, ''));

  // Sorted from the list on a narrow screen.
  await page.getByLabel('Sort by').selectOption({ label: 'Diameter, descending' });
  const diameters = (await shownRows(page)).map((cells) => Number.parseFloat(cells[2]));
  expect(diameters).toEqual([...diameters].sort((a, b) => b - a));
});

test('the question is in the link: a reload and the link give the same answer; bad values are shown and refused', async ({ page, baseURL }) => {
  await openFinder(page);
  await ask(page, { ...worked, 'left-monogram': 'none', weight: '19,2', near: '1' });
  const rows = await shownRows(page);
  await expect.poll(() => new URL(page.url()).searchParams.get('near')).toBe('1');
  expect(new URL(page.url()).searchParams.get('weight')).toBe('19,2');
  const link = page.url();
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
  expect(await shownRows(page)).toEqual(rows);
  await openFinder(page, link);
  expect(await shownRows(page)).toEqual(rows);
  await expect(page.getByLabel('Weight (g)', { exact: true })).toHaveValue('19,2');

  const bad = new URL(baseURL);
  bad.search = new URLSearchParams({ weight: 'abc', 'obverse-figure': '#99', near: '12' }).toString();
  await openFinder(page, bad.href);
  await expect(page.getByLabel('Weight (g)', { exact: true })).toHaveValue('abc');
  await expect(page.getByLabel('Weight (g)', { exact: true })).toHaveAttribute('aria-invalid', 'true');
  await expect(page.getByLabel('Differences allowed', { exact: true })).toHaveValue('12');
  await expect(page.getByLabel('Differences allowed', { exact: true })).toHaveAttribute('aria-invalid', 'true');
  await expect(page.getByLabel('Obverse figure', { exact: true })).toHaveValue('any');
  await expect(page.getByRole('status').first()).toContainText('Obverse figure "#99" is in no list: Any is shown.');
  expect(await shownRows(page)).toHaveLength(64);
});

test('a tray made coin by coin is kept, answered as --batch answers it, and exported for it', async ({ page }) => {
  await openFinder(page);
  await ask(page, { near: '1' });
  const coins = [
    { id: 'A-1', fields: worked },
    { id: '', fields: { 'obverse-figure': '#2', weight: 'heavy' } },
    { id: 'A-3', fields: { 'obverse-figure': '#8', 'left-monogram': 'zz' } },
  ];
  for (const { id, fields } of coins) {
    await page.getByRole('button', { name: 'Clear', exact: true }).tap();
    await ask(page, { ...fields, near: '1' });
    await page.getByLabel('Coin id').fill(id);
    await page.getByRole('button', { name: 'Add to tray' }).tap();
  }
  await expect(page.locator('#tray-status')).toContainText('3 coins in the tray');
  const tray = page.getByRole('table', { name: 'Tray', exact: true });
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
  await expect(tray.locator('tbody tr')).toHaveCount(3);
  await expect(tray.locator('tbody tr td:first-child')).toHaveText(['A-1', '1', 'A-3']);

  await page.getByRole('button', { name: 'Remove 1' }).tap();
  await expect(tray.locator('tbody tr td:first-child')).toHaveText(['A-1', 'A-3']);
  await page.getByRole('button', { name: 'Undo' }).tap();
  await expect(tray.locator('tbody tr td:first-child')).toHaveText(['A-1', '1', 'A-3']);
  await page.getByRole('button', { name: 'Remove A-3' }).tap();
  await expect(tray.locator('tbody tr td:first-child')).toHaveText(['A-1', '1']);

  const [saved] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Export tray' }).tap()]);
  expect(saved.suggestedFilename()).toBe('tray.tsv');
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-tray-'));
  try {
    const file = path.join(work, 'tray.tsv');
    await fs.copyFile(await saved.path(), file);
    const tsv = (await find(['--batch', file, '--near=1', '--format=tsv', demoCatalogue], [1, 2])).toString('utf8');
    const [header, ...lines] = tsv.split('\n').filter(Boolean).map((l) => l.split('\t'));
    // Each coin's first candidate, coins in batch order.
    const first = new Map();
    for (const cells of lines) {
      if (!first.has(cells[header.indexOf('id')])) {
        first.set(cells[header.indexOf('id')], cells[header.indexOf('SV')] || undefined);
      }
    }
    const shown = await tray.locator('tbody tr').evaluateAll((trs) => trs.map((tr) => [tr.cells[0].textContent, tr.cells[1].textContent]));
    expect(shown).toEqual([...first.entries()].map(([coin, sv]) => [coin, sv ?? 'No match']));
    expect(shown.map(([coin]) => coin)).toEqual(['A-1', '1']);
  } finally {
    await fs.rm(work, { recursive: true, force: true });
  }
});

test('the keys move focus from candidate to candidate, each announced by its row', async ({ page }) => {
  await page.setViewportSize({ width: 1280, height: 800 });
  await openFinder(page);
  await ask(page, worked);
  const rows = await shownRows(page);
  const current = page.getByRole('table', { name: 'Candidates', exact: true }).locator('tbody tr[aria-current="true"]');
  await current.focus();
  for (const [key, k] of [['ArrowDown', 1], ['ArrowDown', 2], ['ArrowUp', 1], ['End', rows.length - 1], ['Home', 0]]) {
    await page.keyboard.press(key);
    await expect(current).toBeFocused();
    await expect(current.locator('td').first()).toHaveText(rows[k][0]);
    // What a screen reader reads of the focused row: its Sv and denomination.
    const name = await page.evaluate(() => document.activeElement.innerText);
    expect(name).toContain(rows[k][0]);
    expect(name).toContain(rows[k][1]);
  }
  expect(await page.locator('#candidates tbody tr[tabindex="0"]').count()).toBe(1);
});
