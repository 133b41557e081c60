// SPDX-License-Identifier: GPL-3.0-or-later
// The page answers as rovadod-find does on the demo catalogue: list counts,
// candidates and their order, the entry, copy and both exports.

import fs from 'node:fs/promises';
import {
  ask, demoCatalogue, expect, find, findArgs, listNames, openFinder, shownRows, test, tsvSvs,
} from './fixtures.mjs';

// Each row: the fields as a collector types them; `cli` where rovadod-find
// needs another spelling (it reads measurements with "." only).
const questions = [
  { name: 'nothing chosen', fields: {} },
  {
    name: 'the worn coin of the worked example, the weight with a comma',
    fields: { 'obverse-figure': '#1', 'reverse-figure': '#1', countermark: '#1', diameter: '27', weight: '19,2' },
    cli: { weight: '19.2' },
  },
  {
    name: 'nothing fits exactly, one difference allowed',
    fields: { 'obverse-figure': '#1', inscription: '#1', 'reverse-figure': '#1', 'left-field': '#3', countermark: '#3', near: '1' },
  },
  { name: 'a left monogram in another case with spaces, near 1', fields: { 'left-monogram': ' ey ', near: '1' } },
  { name: 'no centre monogram and a diameter', fields: { 'center-monogram': 'none', diameter: '24,5' }, cli: { diameter: '24.5' } },
  {
    name: 'two differences with both measurements',
    fields: { 'obverse-figure': '#2', 'reverse-figure': '#3', 'right-side': '#1', diameter: '30', weight: '25.5', near: '2' },
  },
  { name: 'a list entry no entry has', fields: { 'obverse-figure': '#8', 'left-monogram': 'zz' } },
];

test.describe('answers equal rovadod-find on the demo', () => {
  for (const { name, fields, cli } of questions) {
    test(name, async ({ page, context }) => {
      await context.grantPermissions(['clipboard-read', 'clipboard-write']);
      await openFinder(page);
      await ask(page, fields);
      const args = [...findArgs(fields, cli), demoCatalogue];

      const tsv = await find(['--format=tsv', ...args]);
      const rows = await shownRows(page);
      expect(rows.map((cells) => cells[0])).toEqual(tsvSvs(tsv));

      // Every list entry followed by its count, in the window's order.
      const counts = JSON.parse(await find(['--counts', '--format=json', ...args])).counts;
      for (const [option, label] of Object.entries(listNames)) {
        const shown = await page.getByLabel(label, { exact: true }).locator('option').allTextContents();
        expect(shown).toEqual(['Any', ...counts[option].map((c) => `${c.text} (${c.count})`)]);
      }

      // The first candidate is current; its entry is its block of the report.
      const report = (await find(args)).toString('utf8');
      const blocks = report.split('\n\n').filter((b) => b.trim() !== '' && b !== 'No Matching Entry Found');
      const entry = await page.getByRole('region', { name: 'Entry', exact: true }).textContent();
      expect(entry.replace(/\n+$/, '')).toBe(rows.length > 0 ? blocks[0].replace(/\n+$/, '') : '');

      const download = async (button) => {
        const [file] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: button }).click()]);
        return { name: file.suggestedFilename(), bytes: await fs.readFile(await file.path()) };
      };
      const exported = await download('Export TSV');
      expect(exported.name).toBe('candidates.tsv');
      expect(exported.bytes.equals(tsv)).toBe(true);
      const json = await download('Export JSON');
      expect(json.name).toBe('candidates.json');
      expect(JSON.parse(json.bytes)).toEqual(JSON.parse(await find(['--format=json', ...args])));

      // Ctrl+C on the focused row copies as well (with no row there is
      // nothing in the table to focus).
      const current = page.getByRole('table', { name: 'Candidates' }).locator('tbody tr[aria-current="true"]');
      for (const copy of [() => page.getByRole('button', { name: 'Copy rows' }).click(),
        ...(rows.length > 0 ? [() => current.press('Control+c')] : [])]) {
        await page.evaluate(() => navigator.clipboard.writeText('-'));
        await copy();
        await expect.poll(() => page.evaluate(() => navigator.clipboard.readText())).toBe(tsv.toString('utf8'));
      }
    });
  }
});

test('sorting, the current row and the keyboard', async ({ page }) => {
  await openFinder(page);
  const table = page.getByRole('table', { name: 'Candidates', exact: true });
  const current = table.locator('tbody tr[aria-current="true"]');
  const entry = page.getByRole('region', { name: 'Entry', exact: true });
  await ask(page, { 'obverse-figure': '#1', diameter: '27', weight: '19.2' });
  const engineOrder = (await shownRows(page)).map((cells) => cells[0]);
  await expect(current).toHaveCount(1);
  await expect(current.locator('td').first()).toHaveText(engineOrder[0]);

  // Diameter: up, down, then the engine's order again.
  const header = table.getByRole('columnheader', { name: 'Diameter' });
  const diameters = async () => (await shownRows(page)).map((cells) => Number.parseFloat(cells[2]));
  await header.getByRole('button').click();
  await expect(header).toHaveAttribute('aria-sort', 'ascending');
  const up = await diameters();
  expect(up).toEqual([...up].sort((a, b) => a - b));
  await header.getByRole('button').click();
  await expect(header).toHaveAttribute('aria-sort', 'descending');
  const down = await diameters();
  expect(down).toEqual([...down].sort((a, b) => b - a));
  await header.getByRole('button').click();
  await expect(header).not.toHaveAttribute('aria-sort');
  expect((await shownRows(page)).map((cells) => cells[0])).toEqual(engineOrder);

  // A chosen row stays current while it matches, and comes back after.
  const chosen = engineOrder[3];
  await table.locator('tbody tr').nth(3).click();
  await expect(current.locator('td').first()).toHaveText(chosen);
  await expect(entry).toContainText(`Sv ${chosen}\t`);
  await ask(page, { near: '1' });
  await expect(current.locator('td').first()).toHaveText(chosen);
  await ask(page, { 'obverse-figure': '#2', near: '0' });
  await expect(current).toHaveCount((await shownRows(page)).length > 0 ? 1 : 0);
  await expect(current.locator('td').first()).not.toHaveText(chosen);
  await ask(page, { 'obverse-figure': '#1' });
  await expect(current.locator('td').first()).toHaveText(chosen);

  // Arrow keys move the current row, and the focus with it.
  await current.focus();
  await page.keyboard.press('ArrowDown');
  await expect(current).toBeFocused();
  await expect(current.locator('td').first()).toHaveText(engineOrder[4]);
  await page.keyboard.press('End');
  await expect(current).toHaveCount(1);
  await expect(current.locator('td').first()).toHaveText(engineOrder.at(-1));
  await page.keyboard.press('Home');
  await expect(current.locator('td').first()).toHaveText(engineOrder[0]);
  await expect(entry).toContainText(`Sv ${engineOrder[0]}\t`);
});

test('a refused measurement is marked, explained and left out; Clear sets all back', async ({ page }) => {
  await openFinder(page);
  await ask(page, { 'obverse-figure': '#1', diameter: '27' });
  const measured = await shownRows(page);
  await ask(page, { diameter: '', weight: '19.2' });
  const weighed = await shownRows(page);

  for (const [field, wrong] of [['Weight (g)', 'heavy'], ['Weight (g)', '-3'], ['Weight (g)', '0']]) {
    const input = page.getByLabel(field, { exact: true });
    await input.fill(wrong);
    await expect(input).toHaveAttribute('aria-invalid', 'true');
    const message = page.locator(`#${await input.getAttribute('aria-describedby')}`);
    await expect(message).toBeVisible();
    await expect(message).not.toHaveText('');
    // Left out: the answer is the one without a weight.
    await ask(page, { diameter: '27' });
    expect(await shownRows(page)).toEqual(measured);
    await ask(page, { diameter: '' });
  }
  await ask(page, { weight: '19.2' });
  const input = page.getByLabel('Weight (g)', { exact: true });
  await expect(input).not.toHaveAttribute('aria-invalid');
  expect(await shownRows(page)).toEqual(weighed);

  await ask(page, { 'left-field': '#2', 'left-monogram': 'EY', near: '3' });
  await page.getByRole('button', { name: 'Clear', exact: true }).click();
  for (const label of Object.values(listNames)) {
    await expect(page.getByLabel(label, { exact: true })).toHaveValue('any');
  }
  for (const label of ['Center monogram', 'Left field monogram', 'Weight (g)']) {
    await expect(page.getByLabel(label, { exact: true })).toHaveValue('');
  }
  await expect(page.getByLabel('Differences allowed', { exact: true })).toHaveValue('0');
  expect((await shownRows(page)).map((c) => c[0])).toEqual(tsvSvs(await find(['--format=tsv', demoCatalogue])));
});
