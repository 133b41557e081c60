// SPDX-License-Identifier: GPL-3.0-or-later
// Tickets: the current candidate's and a tray's, laid out for the printer with
// the lines rovadod-find's PDF ticket shows, and the tray's table.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { ask, demoCatalogue, expect, find, openFinder, statusSays, test } from './fixtures.mjs';

const mm = 96 / 25.4; // CSS pixels

/// The text lines of rovadod-find's ticket PDF for `args`.
async function pdfLines(args) {
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-tickets-'));
  try {
    const pdf = path.join(work, 'tickets.pdf');
    await find([...args, `--tickets=${pdf}`, demoCatalogue]);
    return execFileSync('pdftotext', [pdf, '-']).toString('utf8').split('\n').map((l) => l.trim()).filter(Boolean);
  } finally {
    await fs.rm(work, { recursive: true, force: true });
  }
}

async function stubPrint(page) {
  await page.evaluate(() => {
    window.printed = 0;
    window.print = () => {
      window.printed += 1;
    };
  });
}

const ticketLines = (page) => page.locator('#print-area .ticket').evaluateAll((tickets) =>
  tickets.map((t) => [...t.querySelectorAll('p')].map((p) => p.textContent)));

test('the current candidate prints as a 50 mm ticket until printing is over', async ({ page }) => {
  await openFinder(page);
  const fields = { 'obverse-figure': '#1', 'reverse-figure': '#1', countermark: '#1', diameter: '27', weight: '19.2' };
  await ask(page, fields);
  await stubPrint(page);
  await page.getByRole('button', { name: 'Print ticket' }).click();
  expect(await page.evaluate(() => window.printed)).toBe(1);

  await page.emulateMedia({ media: 'print' });
  const ticket = page.locator('#print-area .ticket');
  await expect(ticket).toHaveCount(1);
  await expect(page.locator('.screen')).toBeHidden();
  const box = await ticket.boundingBox();
  expect(Math.abs(box.width - 50 * mm)).toBeLessThan(1);
  expect(Math.abs(box.height - 50 * mm)).toBeLessThan(1);
  const [lines] = await ticketLines(page);
  expect(lines).toEqual(await pdfLines(Object.entries(fields).map(([o, v]) => `--${o}=${v}`)));

  await page.evaluate(() => window.dispatchEvent(new Event('afterprint')));
  await expect(ticket).toHaveCount(0);
  await expect(page.locator('.screen')).toBeVisible();
  await page.emulateMedia({ media: 'screen' });

  // Nothing fits: a "No match" ticket with what was seen.
  await ask(page, { 'obverse-figure': '#8', near: '0' });
  await page.getByRole('button', { name: 'Print ticket' }).click();
  const [none] = await ticketLines(page);
  expect(none[0]).toBe('No match');
  expect(none[1]).toMatch(/^Seen: /);
});

test('a tray: its table, and its tickets 15 to an A4 sheet', async ({ page }) => {
  const coins = ['id\tobverse-figure\treverse-figure\tdiameter\tweight', 'A-17\tzeus with\t1 eagle <l*\t27\t19,2',
    'A-18\tzeus laur\t*closed wing*\t\t', '\tram\t#3\t\t', 'A-20\tthunderbolt\t#40\t\t'];
  for (let k = 0; coins.length < 18; ++k) {
    coins.push(`B-${k}\t#${1 + (k % 19)}\t\t\t`);
  }
  const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-tray-'));
  const file = path.join(work, 'tray.tsv');
  await fs.writeFile(file, `${coins.join('\n')}\n`);
  try {
    await openFinder(page);
    await ask(page, { near: '1' });
    await page.getByLabel('Open tray…').setInputFiles(file);
    // Line 5 names a reverse figure there is none of: said, the others answered.
    const good = coins.slice(1).map((c, k) => ({ id: c.split('\t')[0], line: String(k + 2) })).filter((c) => c.line !== '5');
    const table = page.getByRole('table', { name: 'Tray', exact: true });
    await expect(table.locator('tbody tr')).toHaveCount(good.length);
    await expect(page.locator('#tray-problems li')).toHaveText([/^tray\.tsv:5: .*#40/]);

    // rovadod-find reads "." only: its copy of the batch has the weight so.
    await fs.writeFile(file, `${coins.join('\n').replace('19,2', '19.2')}\n`);
    const tsv = (await find(['--batch', file, '--near=1', '--format=tsv', demoCatalogue], [1, 2])).toString('utf8');
    const [header, ...lines] = tsv.split('\n').filter(Boolean).map((l) => l.split('\t'));
    const first = new Map();
    for (const cells of lines.reverse()) {
      first.set(cells[header.indexOf('coin')], cells);
    }
    const shown = await table.locator('tbody tr').evaluateAll((rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
    // A coin without an id gets the lowest number no other coin has.
    expect(shown.map(([label, sv]) => [label, sv])).toEqual(good.map(({ id, line }) =>
      [id || '1', first.get(line)?.[header.indexOf('SV')] ?? 'No match']));

    await stubPrint(page);
    await page.getByRole('button', { name: 'Print tray' }).click();
    await page.emulateMedia({ media: 'print' });
    await expect(page.locator('#print-area .sheet')).toHaveCount(2);
    await expect(page.locator('#print-area .sheet').first().locator('.ticket')).toHaveCount(15);
    // In the tray's order: the coin's id, then its first match.
    const tickets = await ticketLines(page);
    expect(tickets.map((t) => t.slice(0, 2))).toEqual(shown.map(([label, sv]) => [label, sv]));

    // Another catalogue answers the tray again.
    await page.evaluate(() => window.dispatchEvent(new Event('afterprint')));
    await page.emulateMedia({ media: 'screen' });
    await page.getByLabel('Open catalogue…').setInputFiles({
      name: 'one.csv', mimeType: 'text/csv', buffer: Buffer.from('DEMO-901,Obol,21,IX,3,AE4,77,12,4,5.10,6.20,Paphos,2,1,3,4,1,1,DI,,\n'),
    });
    await expect(page.getByRole('status')).toHaveText(statusSays('one.csv: 1 entry read'));
    await expect(table.locator('tbody tr td:nth-child(2)')).toHaveText(shown.map(() => /^(DEMO-901|No match)$/));
  } finally {
    await fs.rm(work, { recursive: true, force: true });
  }
});
