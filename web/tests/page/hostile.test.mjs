// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogues no keeper meant: each loads with the entries rovadod-find reads,
// its values shown as text, the page still answering, nothing fetched from
// anywhere else.

import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { expect, find, openFinder, shownRows, test, tsvSvs } from './fixtures.mjs';

const line = (sv, extra = {}) => {
  const fields = [sv, 'Diobol', '27', 'I', '1', 'AE2', '592', '158', '31', '17.55', '23.69', 'Alexandria',
    '1', '1', '1', '1', '1', '1', '', '', ''];
  for (const [k, v] of Object.entries(extra)) {
    fields[k] = v;
  }
  return fields.join(',');
};
const markup = '<img src="http://198.51.100.7/x.png" onerror="window.hit=1">';

const catalogues = [
  {
    name: 'markup and script in values',
    bytes: () => Buffer.from([line(`<b>DEMO-1</b>`, { 1: '<script>window.hit=1</script>', 18: markup }),
      line(markup, { 11: '<iframe src="https://example.org/">' })].join('\n')),
  },
  { name: 'invalid UTF-8 and NULs', bytes: () => Buffer.concat([Buffer.from(line('DEMO-\xff')), Buffer.from([0xff, 0xc3, 0x28, 0, 0x0a]), Buffer.from(`${line('DEMO-\0NUL')}\n`)]) },
  { name: 'a 50 MB line', bytes: () => Buffer.from(`${line('DEMO-2', { 1: 'x'.repeat(50 << 20) })}\n${line('DEMO-3')}\n`) },
  { name: '100,000 lines', bytes: () => Buffer.from(Array.from({ length: 100_000 }, (_, k) => line(`L-${k}`)).join('\n')) },
  { name: 'an empty file', bytes: () => Buffer.alloc(0) },
];

for (const { name, bytes } of catalogues) {
  test(`hostile catalogue: ${name}`, async ({ page, site }) => {
    const work = await fs.mkdtemp(path.join(os.tmpdir(), 'rovadod-hostile-'));
    const file = path.join(work, 'bad.csv');
    await fs.writeFile(file, bytes());
    const elsewhere = [];
    page.on('request', (request) => {
      if (!request.url().startsWith(site.url)) {
        elsewhere.push(request.url());
      }
    });
    page.on('dialog', (dialog) => dialog.dismiss());
    try {
      await openFinder(page);
      await page.getByLabel('Open catalogue…').setInputFiles(file);
      const expected = tsvSvs(await find(['--format=tsv', file]));
      const entries = expected.length === 1 ? '1 entry' : `${expected.length} entries`;
      // Read as rovadod-find reads it; kept only if a selection finds some entry of it.
      await expect(page.getByRole('status')).toHaveText(new RegExp(`^bad\\.csv: ${entries} read`), { timeout: 30_000 });

      // "Export TSV" hands over the engine's bytes, never decoded on the way.
      const tsv = await find(['--format=tsv', file]);
      if (tsv.length < 1 << 20) {
        const [saved] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Export TSV' }).click()]);
        expect(Buffer.compare(await fs.readFile(await saved.path()), tsv)).toBe(0);
      }

      const rows = await shownRows(page);
      expect(rows.length).toBe(expected.length);
      // Values are text: what the catalogue says, no element made of it.
      rows.forEach((cells, k) => expect(cells[0]).toBe(expected[k].length > 1000 ? cells[0] : expected[k]));
      await expect(page.locator('#candidates img, #candidates script, #candidates iframe, #entry *')).toHaveCount(0);
      expect(await page.evaluate(() => window.hit)).toBeUndefined();

      // Still answering: a change is answered, the entry follows.
      await page.getByLabel('Obverse figure', { exact: true }).selectOption('#2');
      await expect(page.getByRole('table', { name: 'Candidates' }).locator('tbody tr')).toHaveCount(0);
      await page.getByLabel('Obverse figure', { exact: true }).selectOption('any');
      await expect(page.getByRole('table', { name: 'Candidates' }).locator('tbody tr')).toHaveCount(expected.length);
      expect(elsewhere).toEqual([]);
    } finally {
      await fs.rm(work, { recursive: true, force: true });
    }
  });
}
