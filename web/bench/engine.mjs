// SPDX-License-Identifier: GPL-3.0-or-later
// The engine in WebAssembly on a batch of queries, as the page asks them on
// every change: each answer with its counts, cells and sort keys.
//   node engine.mjs --write ENGINE QUERIES COUNT writes COUNT seeded queries
//   node engine.mjs ENGINE QUERIES CATALOGUE     prints the best of 15 runs
// The native counterpart (engine_native) reads the same QUERIES file, one
// coin a line in rovadod-find's batch columns, and asks with near 2.
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { mulberry32 } from '../tests/random.mjs';

const columns = ['obverse-figure', 'inscription', 'reverse-figure', 'left-field', 'right-side',
  'countermark', 'center-monogram', 'left-monogram', 'right-monogram', 'diameter', 'weight'];
export const near = 2;
const runs = 15;

async function writeQueries(enginePath, file, count) {
  const { default: createEngine } = await import(pathToFileURL(path.resolve(enginePath)).href);
  const listSizes = (await createEngine()).lists().map((list) => list.texts.length);
  const rng = mulberry32(2026);
  const pick = (a) => a[Math.floor(rng() * a.length)];
  const lines = [];
  for (let i = 0; i < count; ++i) {
    // Mostly the first positions (common figures, "None"), as coins are.
    const lists = listSizes.map((n) => (rng() < 0.3 ? 'any' : `#${1 + Math.floor(rng() * Math.min(n, rng() < 0.7 ? 4 : n))}`));
    const monograms = [0, 1, 2].map(() => pick(['', '', '', 'none', 'DI']));
    lines.push([...lists, ...monograms, pick(['', '27', '24.5']), pick(['', '19.2', '8.1'])].join('\t'));
  }
  fs.writeFileSync(file, lines.join('\n') + '\n');
}

async function time(enginePath, queriesFile, catalogueFile) {
  const { default: createEngine } = await import(pathToFileURL(path.resolve(enginePath)).href);
  const engine = await createEngine();
  const opened = engine.open(new Uint8Array(fs.readFileSync(catalogueFile)), 'catalogue');
  const queries = fs.readFileSync(queriesFile, 'utf8').split('\n').filter((l) => l !== '').map((line) => {
    const q = { near };
    line.split('\t').forEach((value, c) => { q[columns[c]] = value; });
    return q;
  });
  let best = Infinity;
  let rows = 0;
  for (let run = 0; run <= runs; ++run) {
    rows = 0;
    const start = performance.now();
    for (const q of queries) {
      const { rows: answered } = engine.ask(q);
      for (const row of answered) row.cells; // every row's cells come over too
      rows += answered.length;
    }
    const ms = performance.now() - start;
    if (run > 0) best = Math.min(best, ms); // the first run warms up
  }
  console.log(`${best.toFixed(1)} ms for ${queries.length} queries (${rows} rows, ${opened.entries} entries)`);
}

const args = process.argv.slice(2);
if (args[0] === '--write') await writeQueries(args[1], args[2], Number(args[3]));
else await time(args[0], args[1], args[2]);
