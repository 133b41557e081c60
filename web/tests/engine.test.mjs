// SPDX-License-Identifier: GPL-3.0-or-later
// The engine in WebAssembly against the native rovadod-find: the same
// catalogues and queries must give the same answers, whatever a catalogue
// holds. ROVADOD_ENGINE is engine-single.js, ROVADOD_FIND the native program,
// ROVADOD_CHECK the native checker, ROVADOD_DEMO the demonstration catalogue.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { mulberry32 } from './random.mjs';

const enginePath = process.env.ROVADOD_ENGINE;
const findPath = process.env.ROVADOD_FIND;
const checkPath = process.env.ROVADOD_CHECK;
const demoPath = process.env.ROVADOD_DEMO;
for (const [name, value] of Object.entries({ enginePath, findPath, checkPath, demoPath })) {
  assert.ok(value && fs.existsSync(value), `${name} (${value}) is not there`);
}
const { default: createEngine } = await import(enginePath);
const engine = await createEngine();
// The demo's published pictures, as rovadod-find finds them beside it.
const demoImages = path.join(path.dirname(demoPath), 'images');
const demoIndex = fs.readFileSync(path.join(demoImages, '.rovadod/index.tsv'));
engine.setPictures(new Uint8Array(demoIndex));
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'rovadod-web-'));
process.on('exit', () => fs.rmSync(dir, { recursive: true, force: true }));

const strict = new TextDecoder('utf-8', { fatal: true });

/// `bytes` as text the way the programs make any bytes valid: each byte of
/// an ill-formed sequence becomes one U+FFFD.
function decode(bytes) {
  try {
    return strict.decode(bytes);
  } catch {
    let text = '';
    for (let i = 0; i < bytes.length;) {
      const b = bytes[i];
      const n = b < 0x80 ? 1 : b >= 0xc2 && b <= 0xdf ? 2 : b >= 0xe0 && b <= 0xef ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
      let decoded = null;
      try {
        if (n > 0 && i + n <= bytes.length) decoded = strict.decode(bytes.subarray(i, i + n));
      } catch {}
      text += decoded ?? '\ufffd';
      i += decoded === null ? 1 : n;
    }
    return text;
  }
}

/// rovadod-find's answer for the query `q` (the engine's keys) on `file`.
function find(file, q, ...more) {
  const args = [];
  for (const [option, value] of Object.entries(q)) {
    if (value !== '' && value !== 'any') args.push(`--${option}=${value}`);
  }
  const run = spawnSync(findPath, [...args, ...more, file], { maxBuffer: 1 << 30 });
  assert.ok(run.status === 0 || run.status === 1, `rovadod-find ${args.join(' ')}: ${run.stderr}`);
  return run.stdout;
}

/// What rovadod-check says of `file`: entries read, and those some
/// selection finds.
function checked(file) {
  const out = decode(spawnSync(checkPath, [file], { maxBuffer: 1 << 30 }).stdout);
  const entries = Number(/: (\d+) entr(?:y|ies) read\n/.exec(out)?.[1]);
  const lost = Number(/entries that can never be found: +(\d+)/.exec(out)?.[1]);
  return { entries, findable: entries - lost };
}

/// The engine's export (a Uint8Array) is rovadod-find's output byte for byte.
function assertSameBytes(exported, expected, what) {
  assert.ok(exported instanceof Uint8Array, `${what}: bytes, not text`);
  assert.equal(Buffer.compare(Buffer.from(exported.buffer, exported.byteOffset, exported.length), expected), 0, what);
}

// The lists in their order, from rovadod-find's TSV (JSON sorts the keys).
const lists = {};
for (const line of decode(spawnSync(findPath, ['--list', '--format=tsv']).stdout).split('\n').slice(1)) {
  const [option, , text, code] = line.split('\t');
  if (option) (lists[option] ??= []).push({ text, code });
}
const options = Object.keys(lists);

/// A catalogue of `lines` entries made of the lists' codes, with the
/// blanks, odd codes, quotes and line ends real files have.
function randomCatalogue(seed, lines) {
  const rng = mulberry32(seed);
  const pick = (a) => a[Math.floor(rng() * a.length)];
  const number = (low, high) => (low + rng() * (high - low)).toFixed(pick([0, 1, 2]));
  let text = '';
  for (let i = 0; i < lines; ++i) {
    const low = number(2, 30);
    const fields = [
      `R-${i + 1}`, pick(['Diobol', 'Drachm', 'Obol', '']), pick([number(12, 40), number(12, 40), '', ' ']),
      pick(['I', 'XII', '']), String(1 + (i % 9)), pick(['AE1', 'AE2']), pick(['155', '', ' ']),
      pick(['116', '']), pick(['12', '']), pick([low, low, '', 'n/a']),
      pick([(Number(low) + rng() * 9).toFixed(2), '', low]), pick(['Alexandria', '"Tyre"', 'Paphos']),
      ...options.map((o) => (rng() < 0.1 ? pick(['x', '', ' 1']) : pick(lists[o]).code)),
      ...[0, 1, 2].map(() => pick(['', '', 'DI', 'none', 'ΔΙ', ' di '])),
    ];
    text += fields.join(',') + pick(['\n', '\n', '\r\n', '\r']);
  }
  return text;
}

/// A query as the page asks it, from the lists' positions.
function randomQuery(rng) {
  const pick = (a) => a[Math.floor(rng() * a.length)];
  const q = {};
  for (const o of options) q[o] = rng() < 0.5 ? 'any' : `#${1 + Math.floor(rng() * lists[o].length)}`;
  for (const m of ['center-monogram', 'left-monogram', 'right-monogram']) q[m] = pick(['', '', 'none', 'DI']);
  q.diameter = pick(['', '', '27', '24.5']);
  q.weight = pick(['', '', '19.2', '8,1']);
  q.near = pick([0, 1, 2, 3]);
  return q;
}

/// The engine's answers to `q` against rovadod-find's on `file`.
function assertSameAnswers(file, q) {
  const answer = engine.ask(q);
  assert.deepEqual(answer.problems, {}, 'a valid query is read without a problem');
  const tsv = find(file, q, '--format=tsv');
  assertSameBytes(engine.tsv(), tsv, 'TSV');
  const json = JSON.parse(decode(find(file, q, '--format=json', '--counts')));
  assert.deepEqual(JSON.parse(decode(engine.json())), { matches: json.matches }, 'JSON');
  assert.deepEqual(answer.counts, options.map((o) => json.counts[o].map((e) => e.count)), 'counts');
  assert.equal(answer.rows.length, json.matches.length);
  const report = decode(find(file, q));
  answer.rows.forEach((row, r) => {
    assert.equal(row.entry, json.matches[r].line - 1);
    assert.equal(row.cells.length, answer.columns.length);
    // Sort keys: the distance and misfit (unknown last), the text elsewhere.
    assert.equal(row.keys[7], json.matches[r].distance);
    assert.equal(row.keys[8], json.matches[r].misfit ?? Infinity);
    for (const c of [0, 1, 4, 5, 6]) assert.equal(row.keys[c], row.cells[c]);
    assert.ok(report.includes(engine.entry(r)), `row ${r}'s entry text is in the report`);
  });
  return { tsv, rows: answer.rows.length };
}

function openFile(file, name) {
  return engine.open(new Uint8Array(fs.readFileSync(file)), name);
}

const demoQueries = [
  ['everything open', {}],
  ['two diobols', { 'obverse-figure': '#1', 'reverse-figure': '#1', weight: '19.2' }],
  ['worn, near 2', { 'obverse-figure': '#2', inscription: '#1', 'left-field': '#7', near: 2 }],
  ['monograms ignore case', { 'center-monogram': 'di', 'left-monogram': 'none', near: 1 }],
  ['decimal comma', { weight: '8,1', diameter: '24' }],
  ['every list given', Object.fromEntries(options.map((o) => [o, '#1']))],
  ['near the most', { countermark: '#8', 'right-side': '#3', near: 9 }],
];

test('the demo catalogue: lists, TSV, JSON, counts and entries as rovadod-find gives them', () => {
  assert.deepEqual(engine.lists(), options.map((option, a) => ({
    label: ['Obverse figure', 'Inscription', 'Reverse figure', 'Left field', 'Right side', 'Countermark'][a],
    option, texts: lists[option].map((entry) => entry.text),
  })));
  const opened = openFile(demoPath, 'ptolemy.csv');
  assert.deepEqual(opened, { entries: 64, findable: checked(demoPath).findable, loaded: true, status: 'ptolemy.csv: 64 entries read' });
  for (const [name, q] of demoQueries) {
    try {
      assertSameAnswers(demoPath, q);
    } catch (e) {
      e.message = `${name}: ${e.message}`;
      throw e;
    }
  }
});

test('random catalogues from the lists codes give the same answers', () => {
  for (const seed of [1, 2, 3, 4]) {
    const file = path.join(dir, `random-${seed}.csv`);
    fs.writeFileSync(file, randomCatalogue(seed, seed === 4 ? 699 + 30 : 40 * seed));
    const opened = openFile(file, `random-${seed}.csv`);
    assert.equal(opened.entries, seed === 4 ? 699 : 40 * seed);
    assert.deepEqual({ entries: opened.entries, findable: opened.findable }, checked(file), 'findable as rovadod-check counts');
    const rng = mulberry32(100 + seed);
    let rows = 0;
    for (let i = 0; i < 12; ++i) rows += assertSameAnswers(file, randomQuery(rng)).rows;
    assert.ok(rows > 0, `seed ${seed}: some query finds an entry`);
  }
});

const fields20 = ',Obol,20,I,1,AE2,155,,,8,9,Alexandria,1,1,1,1,1,1,DI,,';
const hostile = [
  ['invalid UTF-8', Buffer.concat([Buffer.from([0x41, 0xff, 0xfe]), Buffer.from([0xe2, 0x82, 0x2c, 0xc3]), Buffer.from(fields20 + '\n'), Buffer.from([0xed, 0xa0, 0x80]), Buffer.from(fields20)])],
  ['NULs', Buffer.from(`N\0UL${fields20}\n\0\0\0\n${fields20}\0`)],
  ['HTML in values', Buffer.from(`<script>alert(1)</script>,<b>Obol</b>,20,I,1,AE2,155,,,8,9,&amp;,1,1,1,1,1,1,<i>DI</i>,,\n`)],
  ['invalid UTF-8, NULs and markup in printed fields', Buffer.concat([Buffer.from('S\xff<i>'), Buffer.from([0xc3, 0x00, 0x80]),
    Buffer.from(',Ob\0ol,2\xe20,I,1,AE2,155,,,8,9,<b>Tyre\xfe</b>,1,1,1,1,1,1,DI,,\r\n', 'latin1')])],
  ['a PNG picked by mistake', Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), Buffer.alloc(3000, 0x0d), Buffer.from([0, 1, 0xff, 0x0a])])],
  ['a 50 MB line', Buffer.concat([Buffer.from('LONG'), Buffer.alloc(50 << 20, 'x'), Buffer.from(`${fields20}\nS2${fields20}\n`)])],
  ['100,000 lines', Buffer.from(Array.from({ length: 100000 }, (_, i) => `L${i}${fields20}`).join('\n'))],
  ['no line end, quotes only', Buffer.from('""",,,"')],
  ['empty', Buffer.alloc(0)],
];

test('hostile catalogues: read as rovadod-find reads them, and no throw', () => {
  for (const [name, bytes] of hostile) {
    const file = path.join(dir, 'hostile.csv');
    fs.writeFileSync(file, bytes);
    const opened = engine.open(new Uint8Array(bytes), name);
    const all = find(file, {}, '--format=tsv');
    const entries = decode(all).split('\n').length - 2;
    assert.equal(opened.entries, entries, name);
    if (bytes.length < 1e6) assert.deepEqual({ entries, findable: opened.findable }, checked(file), `${name}: findable`);
    assert.equal(opened.status, `${name}: ${entries} ${entries === 1 ? 'entry' : 'entries'} read`);
    for (const q of [{}, { 'obverse-figure': '#1', near: 2, weight: '8.5', 'center-monogram': 'di' }]) {
      const answer = engine.ask(q);
      assertSameBytes(engine.tsv(), find(file, q, '--format=tsv'), `${name}: TSV`);
      assert.deepEqual(JSON.parse(decode(engine.json())).matches, JSON.parse(decode(find(file, q, '--format=json'))).matches, `${name}: JSON`);
      answer.rows.forEach((row, r) => assert.equal(typeof engine.entry(r), 'string'));
    }
  }
});

test('rows are read from the answer they came with; a long cell is cut, never emptied', () => {
  const before = engine.open(new Uint8Array(fs.readFileSync(demoPath)), 'ptolemy.csv') && engine.ask({});
  assert.ok(before.rows.length > 0);
  // Stray continuation bytes where the 4 KB cut falls: no character to back off to.
  const stray = Buffer.concat([Buffer.from('S1,'), Buffer.alloc(5000, 0x80), Buffer.from(fields20.slice(5))]);
  engine.open(new Uint8Array(stray), 'stray.csv');
  assert.deepEqual(before.rows[0].cells, [], 'the demo\'s rows are gone with it, not the new catalogue\'s');
  const after = engine.ask({});
  assert.equal(after.rows[0].sv, 'S1');
  assert.ok(after.rows[0].cells[1].length >= 4093 && after.rows[0].cells[1].length <= 4096);
  const unread = engine.ask({});
  const next = engine.ask({ near: 1 });
  assert.deepEqual(unread.rows[0].keys, [], 'a later question replaced this answer');
  assert.equal(next.rows[0].cells[0], 'S1');
});

test('values the readers refuse are reported, left out, and never thrown', () => {
  openFile(demoPath, 'ptolemy.csv');
  const refused = [
    ['obverse-figure', '#0'],
    ['countermark', '#99'],
    ['weight', 'heavy'],
    ['diameter', '-3'],
    ['weight', '1,2,3'],
  ];
  for (const [option, value] of refused) {
    const answer = engine.ask({ [option]: value, 'reverse-figure': '#1' });
    const run = spawnSync(findPath, [`--${option}=${value}`, demoPath]);
    assert.equal(run.status, 2);
    assert.ok(decode(run.stderr).includes(answer.problems[option]), `${option}=${value}: ${answer.problems[option]}`);
    assert.deepEqual(Object.keys(answer.problems), [option]);
    assertSameBytes(engine.tsv(), find(demoPath, { 'reverse-figure': '#1' }, '--format=tsv'), `${option}=${value}`);
  }
  // Differences allowed: one rule with rovadod-find's, refused past 9, never capped.
  for (const [near, problem] of [[9, null], ['0', null], [' 3', null], ['', null], [10, '10'], ['12', '12'], [-1, '-1'],
    [1.5, '1.5'], ['abc', 'abc'], ['1e3', '1e3'], ['99999999999999999999', '99999999999999999999']]) {
    const answer = engine.ask({ near, 'reverse-figure': '#1' });
    const run = spawnSync(findPath, [`--near=${near === '' ? 0 : near}`, '--reverse-figure=#1', demoPath]);
    if (problem === null) {
      assert.deepEqual(answer.problems, {}, `near ${near}`);
      assert.notEqual(run.status, 2);
    } else {
      assert.equal(answer.problems.near, `near takes a whole number from 0 to 9, not "${problem}"`);
      assert.equal(run.status, 2);
      assert.ok(decode(run.stderr).startsWith(`rovadod-find: --${answer.problems.near}\n`), decode(run.stderr));
      assertSameBytes(engine.tsv(), find(demoPath, { 'reverse-figure': '#1' }, '--format=tsv'), `near ${near}: as near 0`);
    }
  }
  for (const q of [null, 7, 'text', { near: 'many' }, { near: -1 }, { weight: {} }, { 'left-field': 3 }]) {
    const answer = engine.ask(q);
    assert.ok(Array.isArray(answer.rows));
  }
  assert.ok('near' in engine.ask({ near: 10 }).problems);
  for (const bytes of [undefined, 'text', [1, 2], {}]) assert.equal(engine.open(bytes, 'x').entries, 0);
  assert.equal(engine.entry(9999), '');
});

const longLine = `#1\t${'x'.repeat(70 * 1024)}`;
const trays = [
  ['no header, BOM, CR LF, comments, bad lines', '\ufeff#1\t#1\t#1\r\n# tray 2\n\n#99\n#2\tany\tany\tany\tany\tany\tdi\t\t\t\t8,1\nzeus*\n', 1],
  ['a header with ids and an unknown column', 'id\tobverse-figure\tweight\tcolour\nA-1\t#1\t19.2\tred\n\t#2\t\t\nB-<b>\t#3\t99999\t\n', 0],
  ['a line too long, too many values', `${longLine}\n#1\t#1\t#1\t#1\t#1\t#1\t\t\t\t\t\t\textra\n#4\n`, 2],
  ['empty', '', 0],
  ['NULs, invalid UTF-8 and markup in ids', Buffer.from('id\tobverse-figure\nA\0<b>\t#1\r\n\xff\xfe\t#2\r\n\0\n', 'latin1'), 1],
];

test('trays: coins, problems and tickets as rovadod-find --batch reads them', () => {
  openFile(demoPath, 'ptolemy.csv');
  for (const [name, content, near] of trays) {
    const file = path.join(dir, 'tray.tsv');
    fs.writeFileSync(file, content);
    engine.ask({ near });
    const tray = engine.tray(new Uint8Array(fs.readFileSync(file)), file);
    const run = spawnSync(findPath, [`--batch=${file}`, '--format=json', `--near=${near}`, demoPath]);
    const coins = JSON.parse(decode(run.stdout)).coins;
    assert.deepEqual(tray.coins.map((c) => [c.label, c.sv, c.differs === '']), coins.map((c) => [
      c.id ? c.id : `line ${c.line}`, c.matches.length ? c.matches[0].sv : null,
      !c.matches.length || c.matches[0].differs.length === 0]), name);
    const said = decode(run.stderr).split('\n').filter((l) => l && !/ bad lines? in /.test(l));
    assert.deepEqual(tray.problems.map((p) => `rovadod-find: ${p}`), said, name);
    const tickets = engine.trayTickets();
    assert.deepEqual(tickets.map((t) => [t.found, t.sv]), tray.coins.map((c) => [c.sv !== null, c.sv ?? '']), name);

    // The page's tray takes each coin's values as written into its own
    // batch file (values, then the id): the same coins, answered alike.
    const read = engine.trayCoins(new Uint8Array(fs.readFileSync(file)), file);
    assert.deepEqual(read.problems, tray.problems, name);
    const names = engine.askOptions().slice(0, -1);
    const rewritten = [[...names, 'id'], ...read.coins.map((c, k) => [...c.cells, c.id ?? `line ${c.line}`])]
      .map((cells) => cells.join('\t')).join('\n');
    const again = engine.tray(new TextEncoder().encode(rewritten), 'tray.tsv');
    assert.deepEqual(again.coins.map((c) => [c.sv, c.differs]), tray.coins.map((c) => [c.sv, c.differs]), name);
  }
  assert.deepEqual(engine.tray('not bytes', 'x').coins, []);
});

test('ticket pages and a row\'s ticket', () => {
  openFile(demoPath, 'ptolemy.csv');
  const answer = engine.ask({ 'obverse-figure': '#1', weight: '19.2' });
  const ticket = engine.ticket(0);
  assert.equal(ticket.sv, answer.rows[0].cells[0]);
  assert.equal(ticket.weight, 19.2);
  assert.equal(ticket.diameter, null);
  assert.equal(engine.ticket(answer.rows.length).found, false, 'past the last row: no entry');
  const pages = [
    [[15], [15]], [[16], [15, 1]], [[0], []], [[3, 50, 'letter'], [3]], [[1, 19], []], [[1, 50, 'a3'], []],
    [['3'], []], [[-1], []],
  ];
  for (const [args, perPage] of pages) {
    const laid = engine.ticketPages(...args);
    assert.deepEqual(laid.map((page) => page.length), perPage, JSON.stringify(args));
    for (const r of laid.flat()) assert.ok(r.x >= 10 && r.y >= 10 && r.width === (args[1] ?? 50));
  }
});

test('calls with arguments left out or added answer, never throw', () => {
  assert.equal(engine.open().entries, 0);
  assert.equal(openFile(demoPath, 'ptolemy.csv').entries, 64);
  assert.equal(engine.open(new Uint8Array(fs.readFileSync(demoPath))).status, 'catalogue: 64 entries read');
  engine.ask();
  assert.equal(engine.entry(), '');
  assert.equal(engine.entry(0, 'more').length > 0, true);
  assert.equal(engine.ticket().found, false);
  assert.deepEqual(engine.tray().coins, []);
  assert.equal(engine.ticketPages().length, 0);
});

/// The labels the rule gives an entry's pictures in their order.
function ruleLabels(sv, names) {
  const seen = { obverse: 0, reverse: 0, picture: 0 };
  return names.map((name) => {
    const stem = path.basename(name).replace(/\.[^.]*$/, '').toLowerCase();
    const side = stem.includes('obverse') ? 'obverse' : stem.includes('reverse') ? 'reverse' : 'picture';
    const n = ++seen[side];
    return side === 'picture' ? `${sv} picture ${n}` : `${sv} ${side}${n > 1 ? ` ${n}` : ''}`;
  });
}

test('published pictures: each row\'s as rovadod-find lists them, with the rule\'s labels, in JSON and on tickets', () => {
  openFile(demoPath, 'ptolemy.csv');
  const lines = decode(demoIndex).split('\n').slice(1).filter(Boolean).map((l) => l.split('\t'));
  const listed = JSON.parse(decode(find(demoPath, {}, '--format=json'))).matches;
  assert.deepEqual(engine.setPictures(new Uint8Array(demoIndex)),
    { pictures: lines.length, entries: listed.filter((m) => m.pictures).length });
  const answer = engine.ask({});
  assert.equal(answer.rows.length, listed.length);
  let shown = 0;
  answer.rows.forEach((row, r) => {
    const pictures = engine.picturesOf(r);
    const paths = listed[r].pictures ?? [];
    assert.deepEqual(pictures.map((p) => p.path), paths, row.sv);
    assert.deepEqual(pictures.map((p) => p.label), ruleLabels(row.sv, paths), row.sv);
    for (const p of pictures) {
      const [, width, height, , , small, smallWidth, smallHeight] = lines.find((l) => `images/${l[0]}` === p.path);
      assert.deepEqual({ ...p, path: undefined, label: undefined }, {
        path: undefined, label: undefined, own: false, width: Number(width), height: Number(height),
        small: `images/.rovadod/${small}`, smallWidth: Number(smallWidth), smallHeight: Number(smallHeight),
      }, p.path);
      assert.ok(fs.existsSync(path.join(demoImages, '..', p.small)), p.small);
    }
    // The ticket's picture: the first one shown, from its small copy.
    const first = pictures[0];
    assert.deepEqual(engine.ticket(r).picture,
      first ? { path: first.path, small: first.small, width: first.width, height: first.height } : null, row.sv);
    shown += pictures.length;
  });
  assert.equal(shown, lines.length, 'every published picture belongs to a demo entry');
  assert.deepEqual(JSON.parse(decode(engine.json())).matches, listed, 'JSON lists the published pictures');
  for (const row of [-1, answer.rows.length, 1.5, '0', undefined, null, {}]) assert.deepEqual(engine.picturesOf(row), []);

  // A tray's tickets carry their coins' first pictures too.
  const tray = engine.tray(new TextEncoder().encode('obverse-figure\n#1\n#2\n'), 'tray.tsv');
  engine.trayTickets().forEach((t, k) => {
    const match = listed.find((m) => m.sv === tray.coins[k].sv);
    assert.equal(t.picture?.path ?? null, match?.pictures?.[0] ?? null, tray.coins[k].label);
  });
  assert.ok(engine.trayTickets().some((t) => t.picture !== null), 'some coin of the tray has a picture');
});

test('a lying or missing index: nothing over 50 MP, nothing at all without one', () => {
  openFile(demoPath, 'ptolemy.csv');
  const lying = 'rovadod-pictures-index 1\nDEMO-001-obverse.png\t30000\t30000\t5\t1\tx.webp\t480\t480\n'
    + 'DEMO-001-reverse.png\t320\t320\t5\t1\t\t\t\n';
  assert.deepEqual(engine.setPictures(new TextEncoder().encode(lying)), { pictures: 1, entries: 1 });
  const row = engine.ask({}).rows.findIndex((r) => r.sv === 'DEMO-001');
  assert.deepEqual(engine.picturesOf(row), [{
    path: 'images/DEMO-001-reverse.png', label: 'DEMO-001 reverse', small: null, width: 320, height: 320,
    smallWidth: null, smallHeight: null, own: false,
  }]);
  assert.deepEqual(engine.ticket(row).picture, { path: 'images/DEMO-001-reverse.png', small: null, width: 320, height: 320 });
  for (const none of [undefined, new Uint8Array(0), 'text', new TextEncoder().encode('DEMO-001-reverse.png\t320\t320\t5\t1\t\t\t\n')]) {
    assert.deepEqual(engine.setPictures(none), { pictures: 0, entries: 0 });
    engine.ask({});
    assert.deepEqual(engine.picturesOf(row), []);
    assert.equal(engine.ticket(row).picture, null);
    assert.ok(!decode(engine.json()).includes('"pictures"'));
  }
  engine.setPictures(new Uint8Array(demoIndex));
});

test('own pictures: matched by the rule, beside the published ones, kept across catalogues, never in JSON', () => {
  const file = path.join(dir, 'own.csv');
  fs.writeFileSync(file, ['412', '412-A', '12/3', '41', 'DEMO-001'].map((sv) => sv + fields20).join('\n'));
  openFile(file, 'own.csv');
  const names = ['412.jpg', '412-obverse.JPG', '4120.jpg', '12_3.png', '412-A.jpg', 'photos/412-reverse.webp',
    '.412.jpg', '412.svg', 'DEMO-001-obverse-mine.jpg', 7, null];
  assert.deepEqual(engine.setOwnPictures(names), { pictures: 7, entries: 4 });
  const own = (p) => ({ path: p[0], label: p[1], small: null, width: null, height: null, smallWidth: null, smallHeight: null, own: true });
  const expected = {
    412: [['412-obverse.JPG', '412 obverse'], ['photos/412-reverse.webp', '412 reverse'], ['412.jpg', '412 picture 1']],
    '412-A': [['412-A.jpg', '412-A picture 1']],
    '12/3': [['12_3.png', '12/3 picture 1']],
    41: [],
    // The demo's published pictures first, the collector's after them.
    'DEMO-001': [['images/DEMO-001-obverse.png', 'DEMO-001 obverse'], ['images/DEMO-001-reverse.png', 'DEMO-001 reverse'],
      ['DEMO-001-obverse-mine.jpg', 'DEMO-001 obverse 2']],
  };
  const check = (what) => {
    const answer = engine.ask({});
    for (const [r, row] of answer.rows.entries()) {
      if (!(row.sv in expected)) continue;
      const got = engine.picturesOf(r);
      assert.deepEqual(got.map((p) => [p.path, p.label, p.own]), expected[row.sv].map(([p, l]) => [p, l, !p.startsWith('images/')]), `${what}: ${row.sv}`);
      got.filter((p) => p.own).forEach((p, k) => assert.deepEqual(p, own([p.path, p.label]), `${what}: ${row.sv} ${k}`));
      // A ticket shows only what the keeper published.
      assert.equal(engine.ticket(r).picture?.path ?? null, got.find((p) => !p.own)?.path ?? null, `${what}: ${row.sv}`);
    }
    assert.ok(!decode(engine.json()).includes('mine'), `${what}: own pictures are never exported`);
  };
  check('own catalogue');
  openFile(demoPath, 'ptolemy.csv');
  const row = engine.ask({}).rows.findIndex((r) => r.sv === 'DEMO-001');
  assert.deepEqual(engine.picturesOf(row).map((p) => p.label), ['DEMO-001 obverse', 'DEMO-001 reverse', 'DEMO-001 obverse 2']);
  assert.deepEqual(JSON.parse(decode(engine.json())).matches, JSON.parse(decode(find(demoPath, {}, '--format=json'))).matches);
  openFile(file, 'own.csv');
  check('opened again');
  assert.deepEqual(engine.setOwnPictures(), { pictures: 0, entries: 0 });
  engine.ask({});
  assert.ok(engine.picturesOf(0).every((p) => !p.own));
});

test('site.py: the demo pictures beside the page, not precached, and never over a keeper\'s own', () => {
  const web = path.join(path.dirname(new URL(import.meta.url).pathname), '..');
  const images = path.join(dir, 'source-images');
  fs.cpSync(demoImages, images, { recursive: true });
  fs.writeFileSync(path.join(images, 'drawing.svg'), '<svg><script>alert(1)</script></svg>');
  const out = path.join(dir, 'site');
  const build = () => {
    const run = spawnSync('python3', [path.join(web, 'tools/site.py'), 'site', '--src', path.join(web, 'site'),
      '--engine', path.dirname(enginePath), '--catalogue', demoPath, '--out', out, '--images', images]);
    assert.equal(run.status, 0, decode(run.stderr));
    return decode(run.stderr);
  };
  const listed = (folder) => fs.readdirSync(folder, { recursive: true }).sort();
  build();
  const pictures = fs.readdirSync(demoImages).filter((n) => /\.(png|webp|jpe?g)$/i.test(n));
  assert.deepEqual(listed(path.join(out, 'images')),
    [...pictures, '.rovadod', ...listed(path.join(demoImages, '.rovadod')).map((n) => `.rovadod/${n}`)].sort(),
    'the pictures, the index and the small copies; no SVG');
  assert.deepEqual(fs.readFileSync(path.join(out, 'images/.rovadod/index.tsv')), demoIndex);
  const precached = /^const siteFiles = (\[[^\n]*\]);$/m.exec(fs.readFileSync(path.join(out, 'sw.js'), 'utf8'))[1];
  assert.ok(precached.includes('index.html') && !precached.includes('images'), precached);

  // A picture gone from the demo goes from the site; the keeper's catalogue stays.
  fs.rmSync(path.join(images, pictures[0]));
  fs.writeFileSync(path.join(out, 'ptolemy.csv'), 'K-1' + fields20);
  build();
  assert.ok(!fs.existsSync(path.join(out, 'images', pictures[0])));
  assert.ok(fs.existsSync(path.join(out, 'images', pictures[1])));
  assert.ok(fs.existsSync(path.join(out, 'ptolemy.csv')));

  // The keeper copies their own pictures over the site's: a rebuild leaves
  // every one of them, and adds no demo picture among them.
  fs.writeFileSync(path.join(out, 'images/.rovadod/index.tsv'), 'rovadod-pictures-index 1\n');
  fs.writeFileSync(path.join(out, 'images/K-1.jpg'), 'the keeper\'s');
  const keeper = listed(path.join(out, 'images'));
  fs.writeFileSync(path.join(images, 'DEMO-099.png'), 'new in the demo');
  assert.match(build(), /holds pictures of its own/);
  assert.deepEqual(listed(path.join(out, 'images')), keeper);
  assert.equal(fs.readFileSync(path.join(out, 'images/.rovadod/index.tsv'), 'utf8'), 'rovadod-pictures-index 1\n');
});
