// SPDX-License-Identifier: GPL-3.0-or-later
// How long engine.open holds the caller on large files: a 100,000-line
// catalogue and one with a 50 MB line, the median of a few opens each.
//   node open.mjs ENGINE [CATALOGUE]
// CATALOGUE (the demo by default) gives the lines the large file repeats.
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [enginePath, cataloguePath = 'data/ptolemy.csv'] = process.argv.slice(2);
if (!enginePath) {
  console.error('usage: node open.mjs ENGINE [CATALOGUE]');
  process.exit(2);
}
const { default: createEngine } = await import(pathToFileURL(path.resolve(enginePath)).href);
const engine = await createEngine();

const rows = fs.readFileSync(cataloguePath, 'latin1').split('\n').filter((l) => l !== '');
const manyLines = Buffer.from(Array.from({ length: 100000 }, (_, i) => rows[i % rows.length]).join('\n') + '\n', 'latin1');
const longLine = Buffer.concat([Buffer.from(rows[0] + '\n', 'latin1'), Buffer.alloc(50 * 1024 * 1024, 'x'),
  Buffer.from(',1,2\n' + rows[1] + '\n', 'latin1')]);

const runs = 5;
for (const [name, bytes] of [['100,000 lines', manyLines], ['a 50 MB line', longLine]]) {
  const times = [];
  let status = '';
  for (let r = 0; r < runs; ++r) {
    const copy = new Uint8Array(bytes);
    const start = performance.now();
    status = engine.open(copy, 'big.csv').status;
    times.push(performance.now() - start);
  }
  times.sort((a, b) => a - b);
  console.log(`engine.open, ${name} (${(bytes.length / 1048576).toFixed(1)} MB): ` +
    `median ${times[runs >> 1].toFixed(0)} ms, best ${times[0].toFixed(0)} ms of ${runs} (${status})`);
}
