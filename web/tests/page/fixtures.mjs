// SPDX-License-Identifier: GPL-3.0-or-later
// What the page's tests share: the built site served from 127.0.0.1 (a fresh
// server and origin per test), the native rovadod-find to compare with, and
// helpers that set the page's fields as a collector would.

import { test as base, expect } from '@playwright/test';
import { execFile } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer } from './server.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
export const siteDir = path.resolve(process.env.ROVADOD_WEB_SITE ?? path.join(repo, 'build/web/site'));
export const singleFile = path.resolve(process.env.ROVADOD_WEB_SINGLE ?? path.join(repo, 'build/web/rovadod.html'));
export const findTool = process.env.ROVADOD_FIND ?? path.join(repo, 'build/dev/tools/find/rovadod-find');
export const demoCatalogue = path.join(repo, 'data/ptolemy.csv');
export const siteTool = path.join(repo, 'web/tools/site.py');
// The engine's build, beside the site: what site.py makes a site of.
export const engineDir = path.join(path.dirname(siteDir), 'engine');
export const pageSources = path.join(repo, 'web/site');

export const test = base.extend({
  site: async ({}, use) => {
    const server = await startServer(siteDir);
    await use(server);
    await server.close();
  },
  baseURL: async ({ site }, use) => use(site.url),
});

export { expect, startServer };

/// Runs rovadod-find with `args`; its output as a Buffer (exit 1, nothing
/// found, is an answer too; a batch with a bad line exits 2 and still answers).
export function find(args, answered = [1]) {
  return new Promise((resolve, reject) => {
    execFile(findTool, args, { encoding: 'buffer', maxBuffer: 1 << 28 }, (error, stdout, stderr) => {
      if (error && !answered.includes(error.code)) {
        reject(new Error(`rovadod-find ${args.join(' ')}: ${stderr}`));
      } else {
        resolve(stdout);
      }
    });
  });
}

/// rovadod-find's options for a query the page was given as `fields`
/// (option name to value); `cli` overrides values the command line writes
/// otherwise (it reads measurements with "." only).
export function findArgs(fields, cli = {}) {
  const all = { ...fields, ...cli };
  return Object.entries(all)
    .filter(([, value]) => value !== '' && value !== 'any' && value !== undefined)
    .map(([option, value]) => `--${option}=${value}`);
}

/// The status line saying `text`, and maybe that the page is ready offline,
/// which it says once the service worker has kept the site.
export function statusSays(text) {
  return new RegExp(`^${text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')}( · ready offline)?$`);
}

export async function openFinder(page, url = '/') {
  await page.goto(url);
  await expect(page.locator('html')).toHaveAttribute('data-ready', 'true');
}

export const listNames = {
  'obverse-figure': 'Obverse figure',
  inscription: 'Inscription',
  'reverse-figure': 'Reverse figure',
  'left-field': 'Left field',
  'right-side': 'Right side',
  countermark: 'Countermark',
};
export const fieldNames = {
  'center-monogram': 'Center monogram',
  'left-monogram': 'Left field monogram',
  'right-monogram': 'Right field monogram',
  diameter: 'Diameter (mm)',
  weight: 'Weight (g)',
  near: 'Differences allowed',
};

/// Sets the page's fields, each by its accessible name, as typed or chosen.
export async function ask(page, fields) {
  for (const [option, value] of Object.entries(fields)) {
    if (listNames[option]) {
      await page.getByLabel(listNames[option], { exact: true }).selectOption(String(value));
    } else {
      await page.getByLabel(fieldNames[option], { exact: true }).fill(String(value));
    }
  }
}

/// The candidates table as shown once all its rows are in: one array of
/// cell texts a row.
export async function shownRows(page) {
  const table = page.getByRole('table', { name: 'Candidates', exact: true });
  await expect(table).not.toHaveAttribute('aria-busy', 'true');
  return table.locator('tbody tr').evaluateAll((rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
}

/// The catalogue numbers (SV) of rovadod-find's TSV, in its order.
export function tsvSvs(tsv) {
  const [header, ...lines] = tsv.toString('utf8').split('\n').filter((line) => line !== '');
  const sv = header.split('\t').indexOf('SV');
  return lines.map((line) => line.split('\t')[sv]);
}

/// Waits until the browser's storage holds `name` as the catalogue to open
/// next, under this copy of the site's names: it is written after the file
/// is shown.
export function kept(page, name) {
  return expect.poll(() => page.evaluate(() => new Promise((resolve) => {
    const open = indexedDB.open(`rovadod|${encodeURIComponent(new URL('./', document.baseURI).pathname)}`);
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

