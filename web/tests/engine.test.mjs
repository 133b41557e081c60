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
  assert.deepEqual(opened, { entries: 64, findable: checked(demoPath).findable, status: 'ptolemy.csv: 64 entries read' });
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
