// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's JS face where embind alone is slow or strict: every answer
// still comes from the C++ engine.

// One call for a query: its values packed into bytes, each a 4-byte length
// and its UTF-8, instead of a call per value.
const askEncoder = new TextEncoder();
let askNames = null;
Module['ask'] = (q) => {
  askNames ??= Module['askOptions']();
  let notText = 0;
  const parts = askNames.map((name, i) => {
    let value;
    try {
      value = q === null || q === undefined ? undefined : q[name];
    } catch {
      value = {};
    }
    if (typeof value === 'number') return askEncoder.encode(String(value));
    if (value === null || value === undefined) return new Uint8Array(0);
    if (typeof value === 'string') return askEncoder.encode(value);
    notText |= 1 << i;
    return new Uint8Array(0);
  });
  const packed = new Uint8Array(parts.reduce((n, part) => n + 4 + part.length, 0));
  const lengths = new DataView(packed.buffer);
  let at = 0;
  for (const part of parts) {
    lengths.setUint32(at, part.length, true);
    packed.set(part, at + 4);
    at += 4 + part.length;
  }
  // The engine's last answer changes now: rows of the one before may no
  // longer be read, also when this call fails.
  const generation = ++asked;
  const answer = JSON.parse(Module['askValues'](packed, notText));
  const rows = new AnswerRows(answer.rows.length, generation);
  answer.rows = answer.rows.map(([entry, sv], r) => new Row(rows, r, entry, sv));
  rows.list = answer.rows;
  return answer;
};

// A row's cells and sort keys come over when first read, a block of rows at
// a time: a change shows the first screenful at once, the rest follow.
let asked = 0;
const rowBlock = 64;
class AnswerRows {
  constructor(count, generation) {
    this.count = count;
    this.generation = generation;
    this.list = [];
  }

  fill(r) {
    const start = r - (r % rowBlock);
    const end = Math.min(this.count, start + rowBlock);
    // A later question has replaced this answer in the engine: its rows
    // are no longer there to be read.
    const got = this.generation === asked ? JSON.parse(Module['rowsValues'](start, end)) : [];
    for (let k = start; k < end; ++k) {
      const [cells, keys] = got[k - start] ?? [[], []];
      keys.forEach((key, c) => { if (key === null) keys[c] = cells[c]; });
      this.list[k].filled = { cells, keys };
    }
  }
}

class Row {
  constructor(rows, index, entry, sv) {
    this.rows = rows;
    this.index = index;
    this.entry = entry;
    this.sv = sv;
    this.filled = null;
  }

  get cells() {
    if (this.filled === null) this.rows.fill(this.index);
    return this.filled.cells;
  }

  get keys() {
    if (this.filled === null) this.rows.fill(this.index);
    return this.filled.keys;
  }
}

// embind throws on a call with too few or too many arguments: a value left
// out goes over as undefined, which the engine refuses gently.
for (const [name, count] of [['open', 2], ['entry', 1], ['ticket', 1], ['tray', 2], ['trayCoins', 2],
  ['setPictures', 1], ['setOwnPictures', 1], ['pictureHeader', 1]]) {
  Module[name] = (...args) => {
    if (name === 'open') ++asked; // a new catalogue drops the last answer
    return Module[`${name}Of`](...args.slice(0, count), ...Array(Math.max(0, count - args.length)));
  };
}
Module['picturesOf'] = (row) => Module['picturesOfRow'](row);
Module['ticketPages'] = (count, side = 50, paper = 'a4') => Module['ticketPagesOf'](count, side, paper);
