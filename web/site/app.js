// SPDX-License-Identifier: GPL-3.0-or-later
// The worn-coin finder's page: every field is read on each change and handed
// to the C++ engine, whose answer (counts, candidates, entry, files, tickets)
// is shown as it comes. Nothing here matches, counts or ranks.

import createEngine from './engine.js';
import { forgetCatalogue, rememberCatalogue, rememberedCatalogue } from './store.js';
import { printTickets } from './tickets.js';

const demoNote = ' (the built-in demo: invented sample data)';
const textOptions = ['center-monogram', 'left-monogram', 'right-monogram', 'diameter', 'weight'];
const measureOptions = ['diameter', 'weight'];
// A cell or an entry line longer than this is cut with "…" on the screen
// (copies and exports stay whole): laying out a megabyte-long value would
// hold the page up for seconds.
const mostInCell = 1000;
const mostInLine = 20000;

const byId = (id) => document.getElementById(id);
const statusLine = byId('status');
const candidates = byId('candidates');
const entryBox = byId('entry');
const collator = new Intl.Collator('en', { numeric: true, sensitivity: 'accent' });

const state = {
  engine: null,
  lists: [],
  answer: null,
  asked: '',
  order: [], // answer rows in the order shown
  sort: { column: -1, descending: false },
  current: -1, // answer row shown in Entry
  chosen: null, // {entry, sv} of the row the collector made current
  rowElements: [], // a row element per position shown, with its cell texts
  filled: 0, // positions laid out in the table so far
  fillTimer: 0,
  shownEntry: null,
  tray: null, // {bytes, name, near, catalogue}: the batch and what answered it
  catalogue: 0, // catalogues opened so far
};

function cut(text, most) {
  if (text.length <= most) {
    return text;
  }
  let end = most;
  const last = text.charCodeAt(end - 1);
  if (last >= 0xd800 && last <= 0xdbff) {
    end -= 1;
  }
  return `${text.slice(0, end)}…`;
}

function nearValue() {
  const near = Number.parseInt(byId('near').value, 10);
  return Number.isFinite(near) ? Math.min(9, Math.max(0, near)) : 0;
}

function query() {
  const q = {};
  for (const list of state.lists) {
    q[list.option] = byId(list.option).value;
  }
  for (const option of textOptions) {
    q[option] = byId(option).value;
  }
  q.near = nearValue();
  return q;
}

function fillLists() {
  state.lists = state.engine.lists();
  for (const list of state.lists) {
    const select = byId(list.option);
    const value = select.value;
    const options = [new Option('Any', 'any')];
    list.texts.forEach((text, p) => options.push(new Option(text, `#${p + 1}`)));
    select.replaceChildren(...options);
    select.value = options.some((o) => o.value === value) ? value : 'any';
  }
}

function showCounts(counts) {
  state.lists.forEach((list, a) => {
    const options = byId(list.option).options;
    list.texts.forEach((text, p) => {
      const count = counts[a]?.[p] ?? 0;
      const option = options[p + 1];
      const label = `${text} (${count})`;
      if (option.textContent !== label) {
        option.textContent = label;
        option.classList.toggle('none', count === 0);
      }
    });
  });
}

function showProblems(problems) {
  for (const option of measureOptions) {
    const field = byId(option);
    const message = byId(`${option}-error`);
    const problem = problems?.[option];
    if (problem) {
      const hidden = document.createElement('span');
      hidden.className = 'visually-hidden';
      hidden.textContent = 'Error: ';
      message.replaceChildren(hidden, document.createTextNode(problem));
      message.hidden = false;
      field.setAttribute('aria-invalid', 'true');
      field.setAttribute('aria-describedby', message.id);
    } else if (!message.hidden) {
      message.hidden = true;
      message.replaceChildren();
      field.removeAttribute('aria-invalid');
      field.removeAttribute('aria-describedby');
    }
  }
}

function compareKeys(a, b) {
  const unknownA = a === null || a === undefined;
  const unknownB = b === null || b === undefined;
  if (unknownA || unknownB) {
    return unknownA === unknownB ? 0 : unknownA ? 1 : -1;
  }
  const numberA = typeof a === 'number';
  const numberB = typeof b === 'number';
  if (numberA !== numberB) {
    return numberA ? -1 : 1;
  }
  if (numberA) {
    return a < b ? -1 : a > b ? 1 : 0;
  }
  return collator.compare(String(a), String(b));
}

function sortRows() {
  const rows = state.answer?.rows ?? [];
  const order = rows.map((_, r) => r);
  const { column, descending } = state.sort;
  if (column >= 0) {
    const sign = descending ? -1 : 1;
    // Stable: rows with equal keys keep the engine's order either way.
    order.sort((x, y) => sign * compareKeys(rows[x].keys[column], rows[y].keys[column]));
  }
  state.order = order;
}

function showHeader(columns) {
  const head = candidates.tHead.rows[0];
  if (head.cells.length === columns.length) {
    return;
  }
  head.replaceChildren(
    ...columns.map((title, c) => {
      const th = document.createElement('th');
      th.setAttribute('role', 'columnheader');
      th.scope = 'col';
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = title;
      button.addEventListener('click', () => sortBy(c));
      th.append(button);
      return th;
    }),
  );
}

function showSortState() {
  [...candidates.tHead.rows[0].cells].forEach((th, c) => {
    if (c === state.sort.column) {
      th.setAttribute('aria-sort', state.sort.descending ? 'descending' : 'ascending');
    } else {
      th.removeAttribute('aria-sort');
    }
  });
}

// Rows laid out with the answer itself; the rest follow in chunks, so a
// change is answered within a frame however many rows there are.
const firstRows = 30;
const rowsPerChunk = 150;
const wordyColumns = 7; // Differs and Fit

function rowElement(position) {
  while (state.rowElements.length <= position) {
    const tr = document.createElement('tr');
    tr.setAttribute('role', 'row');
    for (let c = 0; c < (state.answer?.columns.length ?? 0); ++c) {
      const td = tr.appendChild(document.createElement('td'));
      td.setAttribute('role', 'cell');
    }
    state.rowElements.push({ tr, shown: [] });
  }
  return state.rowElements[position];
}

/// Brings the rows up to `end` (exclusive) to the order shown.
function fillRows(end) {
  const rows = state.answer?.rows ?? [];
  const body = candidates.tBodies[0];
  const last = Math.min(end, state.order.length);
  const added = document.createDocumentFragment();
  for (let k = state.filled; k < last; ++k) {
    const r = state.order[k];
    const { tr, shown } = rowElement(k);
    tr.dataset.row = String(r);
    rows[r].cells.forEach((cell, c) => {
      const text = cut(cell, mostInCell);
      if (shown[c] !== text) {
        shown[c] = text;
        tr.cells[c].textContent = text;
        // Where the differences and the fit are cut short, the whole
        // sentence on hovering, as in the explorer.
        if (c >= wordyColumns) {
          tr.cells[c].title = text;
        }
      }
    });
    if (tr.parentNode !== body) {
      added.append(tr);
    }
  }
  body.append(added);
  state.filled = Math.max(state.filled, last);
  if (state.filled >= state.order.length) {
    candidates.removeAttribute('aria-busy');
  }
}

function fillRest() {
  state.fillTimer = 0;
  fillRows(state.filled + rowsPerChunk);
  if (state.filled < state.order.length) {
    state.fillTimer = setTimeout(fillRest, 0);
  }
}

function showRows() {
  clearTimeout(state.fillTimer);
  state.fillTimer = 0;
  const body = candidates.tBodies[0];
  // Rows past the answer's last go; the ones below the first screenful keep
  // the last answer's text for the moment it takes to bring them up to date
  // (the table says it is busy meanwhile).
  if (body.rows.length > state.order.length) {
    const stale = document.createRange();
    stale.setStartBefore(body.rows[state.order.length]);
    stale.setEndAfter(body.lastElementChild);
    stale.deleteContents();
  }
  state.filled = 0;
  candidates.setAttribute('aria-busy', 'true');
  fillRows(firstRows);
  if (state.filled < state.order.length) {
    state.fillTimer = setTimeout(fillRest, 0);
  }
  const count = state.order.length;
  byId('count').textContent = count === 1 ? '1 match' : `${count} matches`;
}

function rowOfChosen() {
  const rows = state.answer?.rows ?? [];
  const { chosen } = state;
  if (!chosen) {
    return -1;
  }
  let row = rows.findIndex((r) => r.entry === chosen.entry);
  if (row >= 0 && rows[row].sv !== chosen.sv) {
    row = -1; // another catalogue: follow the catalogue number
  }
  if (row < 0) {
    row = rows.findIndex((r) => r.sv === chosen.sv);
  }
  if (row >= 0) {
    chosen.entry = rows[row].entry;
  }
  return row;
}

function markCurrent(scroll) {
  const body = candidates.tBodies[0];
  const position = state.order.indexOf(state.current);
  fillRows(position + 1);
  const next = position >= 0 ? body.rows[position] : null;
  // Row elements are reused: one made current under an earlier answer may
  // be back in the table.
  for (const previous of body.querySelectorAll('tr[aria-current="true"]')) {
    if (previous !== next) {
      previous.removeAttribute('aria-current');
    }
  }
  if (next) {
    next.setAttribute('aria-current', 'true');
    if (scroll) {
      next.scrollIntoView({ block: 'nearest' });
    }
  }
}

function showEntry() {
  const text = state.current >= 0 ? state.engine.entry(state.current) : '';
  if (text === state.shownEntry) {
    return;
  }
  state.shownEntry = text;
  const lines = text.split('\n');
  entryBox.textContent = lines.some((line) => line.length > mostInLine)
    ? lines.map((line) => cut(line, mostInLine)).join('\n')
    : text;
}

function choose(row) {
  const rows = state.answer?.rows ?? [];
  if (row < 0 || row >= rows.length) {
    return;
  }
  state.current = row;
  state.chosen = { entry: rows[row].entry, sv: rows[row].sv };
  markCurrent(true);
  showEntry();
}

function sortBy(column) {
  const { sort } = state;
  if (sort.column !== column) {
    state.sort = { column, descending: false };
  } else if (!sort.descending) {
    state.sort = { column, descending: true };
  } else {
    state.sort = { column: -1, descending: false };
  }
  sortRows();
  showSortState();
  showRows();
  markCurrent(true);
}

function answer(force = false) {
  if (!state.engine) {
    return;
  }
  const q = query();
  const asked = JSON.stringify(q);
  if (!force && asked === state.asked) {
    return;
  }
  state.asked = asked;
  let result;
  try {
    result = state.engine.ask(q);
  } catch (error) {
    statusLine.textContent = `The finder failed on this question: ${error?.message ?? error}`;
    state.answer = null; // the engine no longer holds the last one
    state.asked = '';
    return;
  }
  state.answer = result;
  byId('notice').textContent = '';
  showCounts(result.counts);
  showProblems(result.problems);
  showHeader(result.columns);
  sortRows();
  showRows();
  const chosen = rowOfChosen();
  state.current = chosen >= 0 ? chosen : (state.order[0] ?? -1);
  markCurrent(false);
  showEntry();
  if (state.tray && (state.tray.near !== q.near || state.tray.catalogue !== state.catalogue)) {
    showTray();
  }
}

function openCatalogue(bytes, name, note = '') {
  const opened = state.engine.open(bytes, name);
  state.catalogue += 1; // a tray is answered again from the new one
  statusLine.textContent = opened.status + note;
  fillLists();
  state.shownEntry = null;
  answer(true);
  return opened;
}

async function fetchBytes(path) {
  try {
    const response = await fetch(path, { cache: 'no-cache' });
    // A server that answers every path with a page has no such file.
    const type = response.headers.get('content-type') ?? '';
    if (!response.ok || type.includes('text/html')) {
      return null;
    }
    return new Uint8Array(await response.arrayBuffer());
  } catch {
    return null;
  }
}

async function demoBytes() {
  const inline = byId('demo-catalogue');
  if (inline) {
    return Uint8Array.from(atob(inline.textContent.trim()), (c) => c.charCodeAt(0));
  }
  return (await fetchBytes('demo.csv')) ?? new Uint8Array();
}

const single = document.documentElement.dataset.build === 'single';

/// The keeper's published catalogue, else the demo, both asked for at once.
async function defaultCatalogue() {
  const published = single ? Promise.resolve(null) : fetchBytes('ptolemy.csv');
  const demo = demoBytes();
  const bytes = await published;
  return bytes ? { bytes, name: 'ptolemy.csv', note: '' } : { bytes: await demo, name: 'ptolemy.csv', note: demoNote };
}

async function openDefault() {
  const { bytes, name, note } = await defaultCatalogue();
  openCatalogue(bytes, name, note);
}

async function openFile(file) {
  if (!file || !state.engine) {
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (error) {
    statusLine.textContent = `Cannot read ${file.name}: ${error?.message ?? error}`;
    return;
  }
  openCatalogue(bytes, file.name);
  try {
    await rememberCatalogue(file.name, bytes);
  } catch (error) {
    statusLine.textContent += ` (not kept for the next visit: ${error?.message ?? error})`;
  }
}

function say(text) {
  byId('notice').textContent = text;
}

async function copyRows() {
  const text = state.engine.tsv();
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    // Where the clipboard API is refused, the older way still copies.
    const area = document.createElement('textarea');
    area.value = text;
    area.setAttribute('readonly', '');
    area.className = 'visually-hidden';
    document.body.append(area);
    area.select();
    document.execCommand('copy');
    area.remove();
  }
  const rows = state.answer?.rows.length ?? 0;
  say(rows === 1 ? '1 row copied' : `${rows} rows copied`);
}

function download(name, text, type) {
  const url = URL.createObjectURL(new Blob([text], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function showTray() {
  const { tray, engine } = state;
  tray.near = nearValue();
  tray.catalogue = state.catalogue;
  const result = engine.tray(tray.bytes, tray.name);
  const body = byId('tray').tBodies[0];
  body.replaceChildren(
    ...result.coins.map((coin) => {
      const tr = document.createElement('tr');
      for (const text of [coin.label, coin.sv ?? 'No match', coin.differs ?? '']) {
        const td = document.createElement('td');
        td.textContent = cut(String(text), mostInCell);
        tr.append(td);
      }
      return tr;
    }),
  );
  byId('tray-problems').replaceChildren(
    ...result.problems.map((problem) => {
      const item = document.createElement('li');
      item.textContent = cut(String(problem), mostInCell);
      return item;
    }),
  );
  const count = result.coins.length;
  byId('tray-status').textContent = `${tray.name}: ${count === 1 ? '1 coin' : `${count} coins`}`;
  byId('print-tray').disabled = count === 0;
}

async function openTray(file) {
  if (!file || !state.engine) {
    return;
  }
  state.tray = { bytes: new Uint8Array(await file.arrayBuffer()), name: file.name, near: -1 };
  showTray();
}

function moveCurrent(event) {
  const positions = state.order.length;
  if (positions === 0) {
    return;
  }
  const at = Math.max(0, state.order.indexOf(state.current));
  const page = Math.max(1, Math.floor(candidates.parentElement.clientHeight / 28) - 1);
  const moves = {
    ArrowDown: at + 1,
    ArrowUp: at - 1,
    PageDown: at + page,
    PageUp: at - page,
    Home: 0,
    End: positions - 1,
  };
  if (!(event.key in moves)) {
    return;
  }
  event.preventDefault();
  choose(state.order[Math.min(positions - 1, Math.max(0, moves[event.key]))]);
}

function clearFields() {
  for (const list of state.lists) {
    byId(list.option).value = 'any';
  }
  for (const option of textOptions) {
    byId(option).value = '';
  }
  byId('near').value = '0';
  answer();
}

function wire() {
  const form = byId('seen');
  form.addEventListener('input', () => answer());
  form.addEventListener('change', () => answer());
  form.addEventListener('submit', (event) => event.preventDefault());
  byId('clear').addEventListener('click', clearFields);

  candidates.tBodies[0].addEventListener('click', (event) => {
    const tr = event.target.closest('tr');
    if (tr) {
      // A row still being brought up to date is brought up first.
      fillRows(tr.sectionRowIndex + 1);
      choose(Number(tr.dataset.row));
    }
  });
  candidates.addEventListener('keydown', moveCurrent);
  // Ctrl+C in the table copies the candidates, as in the explorer; a text
  // selection is the browser's to copy.
  candidates.addEventListener('keydown', (event) => {
    if ((event.ctrlKey || event.metaKey) && event.key === 'c' && String(getSelection()) === '') {
      event.preventDefault();
      copyRows();
    }
  });

  byId('copy-rows').addEventListener('click', copyRows);
  byId('export-tsv').addEventListener('click', () =>
    download('candidates.tsv', state.engine.tsv(), 'text/tab-separated-values;charset=utf-8'),
  );
  byId('export-json').addEventListener('click', () =>
    download('candidates.json', state.engine.json(), 'application/json'),
  );
  byId('print-ticket').addEventListener('click', () =>
    printTickets([state.engine.ticket(state.current)], state.engine.ticketPages(1)),
  );

  const openInput = byId('open-catalogue');
  openInput.addEventListener('change', async () => {
    await openFile(openInput.files[0]);
    openInput.value = '';
  });
  byId('forget-catalogue').addEventListener('click', async () => {
    let problem = '';
    try {
      await forgetCatalogue();
    } catch (error) {
      problem = ` (the catalogue kept could not be forgotten: ${error?.message ?? error})`;
    }
    await openDefault();
    statusLine.textContent += problem;
  });

  const trayInput = byId('open-tray');
  trayInput.addEventListener('change', async () => {
    await openTray(trayInput.files[0]);
    trayInput.value = '';
  });
  byId('print-tray').addEventListener('click', () => {
    const tickets = state.engine.trayTickets();
    printTickets(tickets, state.engine.ticketPages(tickets.length));
  });

  document.addEventListener('dragover', (event) => {
    if (event.dataTransfer?.types.includes('Files')) {
      event.preventDefault();
    }
  });
  document.addEventListener('drop', (event) => {
    if (event.dataTransfer?.files.length) {
      event.preventDefault();
      openFile(event.dataTransfer.files[0]);
    }
  });
}

async function start() {
  wire();
  // The catalogue is read while the engine compiles; the default one is
  // asked for at once too, in case nothing is kept.
  const fallback = defaultCatalogue();
  const catalogue = rememberedCatalogue().then((kept) => (kept ? { ...kept, note: '' } : fallback));
  try {
    state.engine = await createEngine();
  } catch (error) {
    statusLine.textContent = `The finder could not start in this browser: ${error?.message ?? error}`;
    return;
  }
  const { bytes, name, note } = await catalogue;
  openCatalogue(bytes, name, note);
  performance.mark('rovadod-first-answer');
  document.documentElement.dataset.ready = 'true';
  if (!single && 'serviceWorker' in navigator) {
    navigator.serviceWorker.register('./sw.js').catch(() => {});
  }
}

start();
