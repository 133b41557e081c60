// SPDX-License-Identifier: GPL-3.0-or-later
// The candidates: the engine's rows in its order or sorted by a column, the
// current one shown in Entry, and what can be done with them (copy, export,
// print a ticket).

import { pictureElements } from './pictures.js';
import { emit, on, state } from './state.js';
import { printTickets } from './tickets.js';
import { byId, copyText, counted, cut, download } from './util.js';

const table = byId('candidates');
const collator = new Intl.Collator('en', { numeric: true, sensitivity: 'accent' });
// A cell longer than this is cut with "…" on the screen; copies and exports
// stay whole.
const mostInCell = 1000;
// Rows laid out with the answer itself; the rest follow in chunks, so a
// change is answered within a frame however many rows there are.
const firstRows = 30;
const rowsPerChunk = 150;
const wordyColumns = 7; // Differs and Fit

const view = {
  order: [], // answer rows in the order shown
  sort: { column: -1, descending: false },
  chosen: null, // {entry, sv} of the row the collector made current
  rowElements: [], // a row element per position shown, with its cell texts
  compared: new Map(), // "entry sv" -> {row entry, sv} ticked for Compare
  filled: 0, // positions laid out in the table so far
  fillTimer: 0,
};

const compareKey = (row) => `${row.entry} ${row.sv}`;

function showCompareButton() {
  const n = view.compared.size;
  const button = byId('compare-button');
  button.disabled = n < 2 || n > 4;
  button.textContent = n > 0 ? `Compare (${n})` : 'Compare';
  button.setAttribute('aria-label', n > 0 ? `Compare, ${n} ticked` : 'Compare');
}

function tickRow(tr, checked) {
  const row = state.answer?.rows[Number(tr.dataset.row)];
  if (!row) {
    return;
  }
  if (checked) {
    view.compared.set(compareKey(row), { entry: row.entry, sv: row.sv });
  } else {
    view.compared.delete(compareKey(row));
  }
  tr.cells[0].firstChild.checked = checked;
  showCompareButton();
}

/// The ticked candidates side by side: pictures, catalogue number, entry.
function showCompare() {
  const rows = state.answer?.rows ?? [];
  const columns = [];
  for (const [key] of view.compared) {
    const r = rows.findIndex((row) => compareKey(row) === key);
    if (r < 0) {
      continue;
    }
    const column = document.createElement('article');
    column.className = 'compare-column';
    const title = document.createElement('h3');
    title.textContent = cut(rows[r].sv, 200);
    const pictures = document.createElement('div');
    pictures.className = 'pictures';
    pictures.append(...pictureElements(r));
    const entry = document.createElement('pre');
    entry.className = 'compare-entry';
    entry.textContent = cut(state.engine.entry(r), 20000);
    column.append(title, pictures, entry);
    columns.push(column);
  }
  byId('compare-columns').replaceChildren(...columns);
  const region = byId('compare');
  region.hidden = false;
  region.scrollIntoView({ block: 'start' });
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
  const { column, descending } = view.sort;
  if (column >= 0) {
    const sign = descending ? -1 : 1;
    // Stable: rows with equal keys keep the engine's order either way.
    order.sort((x, y) => sign * compareKeys(rows[x].keys[column], rows[y].keys[column]));
  }
  view.order = order;
}

function showHeader(columns) {
  const head = table.tHead.rows[0];
  if (head.cells.length === columns.length) {
    return;
  }
  // On a narrow screen the titles give way to each card's labels, and the
  // order is chosen from a list.
  const sortList = byId('sort-by');
  sortList.replaceChildren(
    new Option("The finder's order", '-1'),
    ...columns.flatMap((title, c) => [new Option(title, `${c}`), new Option(`${title}, descending`, `${c}-`)]),
  );
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
  const { column, descending } = view.sort;
  byId('sort-by').value = column < 0 ? '-1' : `${column}${descending ? '-' : ''}`;
  [...table.tHead.rows[0].cells].forEach((th, c) => {
    if (c === view.sort.column) {
      th.setAttribute('aria-sort', view.sort.descending ? 'descending' : 'ascending');
    } else {
      th.removeAttribute('aria-sort');
    }
  });
}

function rowElement(position) {
  const columns = state.answer?.columns ?? [];
  while (view.rowElements.length <= position) {
    const tr = document.createElement('tr');
    tr.setAttribute('role', 'row');
    // Focus moves from row to row with the keys; only the current one is
    // a Tab stop.
    tr.tabIndex = -1;
    for (const title of columns) {
      const td = tr.appendChild(document.createElement('td'));
      td.setAttribute('role', 'cell');
      td.dataset.label = title;
    }
    // Compare's tick sits in the Sv cell and adds no text; Space on the
    // focused row ticks it, so it is no Tab stop of its own.
    const tick = document.createElement('input');
    tick.type = 'checkbox';
    tick.className = 'compare-tick';
    tick.tabIndex = -1;
    tr.cells[0]?.prepend(tick, document.createElement('span'));
    view.rowElements.push({ tr, shown: [] });
  }
  return view.rowElements[position];
}

/// Brings the rows up to `end` (exclusive) to the order shown.
function fillRows(end) {
  const rows = state.answer?.rows ?? [];
  const body = table.tBodies[0];
  const last = Math.min(end, view.order.length);
  const added = document.createDocumentFragment();
  for (let k = view.filled; k < last; ++k) {
    const r = view.order[k];
    const { tr, shown } = rowElement(k);
    tr.dataset.row = String(r);
    const tick = tr.cells[0].firstChild;
    tick.checked = view.compared.has(compareKey(rows[r]));
    tick.setAttribute('aria-label', `Compare ${cut(rows[r].sv, 100)}`);
    rows[r].cells.forEach((cell, c) => {
      const text = cut(cell, mostInCell);
      if (shown[c] !== text) {
        shown[c] = text;
        (c === 0 ? tr.cells[0].lastChild : tr.cells[c]).textContent = text;
        // Where the differences and the fit are cut short, the whole
        // sentence on hovering too, as in the explorer.
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
  view.filled = Math.max(view.filled, last);
  if (view.filled >= view.order.length) {
    table.removeAttribute('aria-busy');
  }
}

function fillRest() {
  view.fillTimer = 0;
  fillRows(view.filled + rowsPerChunk);
  if (view.filled < view.order.length) {
    view.fillTimer = setTimeout(fillRest, 0);
  }
}

function showRows() {
  clearTimeout(view.fillTimer);
  view.fillTimer = 0;
  const body = table.tBodies[0];
  // Rows past the answer's last go; the ones below the first screenful keep
  // the last answer's text for the moment it takes to bring them up to date
  // (the table says it is busy meanwhile).
  if (body.rows.length > view.order.length) {
    const stale = document.createRange();
    stale.setStartBefore(body.rows[view.order.length]);
    stale.setEndAfter(body.lastElementChild);
    stale.deleteContents();
  }
  view.filled = 0;
  table.setAttribute('aria-busy', 'true');
  fillRows(firstRows);
  if (view.filled < view.order.length) {
    view.fillTimer = setTimeout(fillRest, 0);
  }
  byId('count').textContent = counted(view.order.length, 'match', 'matches');
}

// Screen readers hear the number of matches once the collector stops
// typing: not on every keystroke, and once an answer.
const announceAfter = 900;
let announceTimer = 0;
let announced = null;

function showSummary() {
  const rows = state.answer?.rows ?? [];
  let text = rows.length === 0 ? 'No match' : counted(rows.length, 'match', 'matches');
  if (rows.length > 0) {
    text += ` · best ${cut(rows[0].sv, 60)} ${cut(rows[0].cells[1] ?? '', 60)}`.trimEnd();
  }
  byId('summary-text').textContent = text;
  clearTimeout(announceTimer);
  const answer = state.answer;
  announceTimer = setTimeout(() => {
    if (answer !== announced) {
      announced = answer;
      byId('announce').textContent = text;
    }
  }, announceAfter);
}

function rowOfChosen() {
  const rows = state.answer?.rows ?? [];
  const { chosen } = view;
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

const narrow = matchMedia('(max-width: 40rem)');

/// On a narrow screen the Entry shows in the current card, where the
/// collector is looking; elsewhere below the table.
function placeEntry(row) {
  const section = byId('entry-section');
  if (narrow.matches && row) {
    let cell = row.querySelector('td.card-entry');
    if (!cell) {
      cell = document.createElement('td');
      cell.className = 'card-entry';
      cell.setAttribute('role', 'cell');
      row.append(cell);
    }
    if (section.parentNode !== cell) {
      cell.append(section);
    }
  } else if (section.parentNode !== byId('entry-home')) {
    byId('entry-home').append(section);
  }
  for (const cell of table.querySelectorAll('td.card-entry')) {
    if (!cell.contains(section)) {
      cell.remove();
    }
  }
}

function markCurrent(scroll, focus = false) {
  const body = table.tBodies[0];
  const position = view.order.indexOf(state.current);
  fillRows(position + 1);
  const next = position >= 0 ? body.rows[position] : null;
  const hadFocus = table.contains(document.activeElement) && document.activeElement.tagName === 'TR';
  // Row elements are reused: one made current under an earlier answer may
  // be back in the table.
  for (const previous of body.querySelectorAll('tr[aria-current="true"]')) {
    if (previous !== next) {
      previous.removeAttribute('aria-current');
      previous.tabIndex = -1;
    }
  }
  placeEntry(next);
  if (next) {
    next.setAttribute('aria-current', 'true');
    next.tabIndex = 0;
    if (focus || hadFocus) {
      next.focus({ preventScroll: true });
    }
    if (scroll) {
      next.scrollIntoView({ block: 'nearest' });
    }
  }
}

function choose(row, focus = false) {
  const rows = state.answer?.rows ?? [];
  if (row < 0 || row >= rows.length) {
    return;
  }
  state.current = row;
  view.chosen = { entry: rows[row].entry, sv: rows[row].sv };
  markCurrent(true, focus);
  emit('current', row);
}

function sortBy(column) {
  const { sort } = view;
  if (sort.column !== column) {
    view.sort = { column, descending: false };
  } else if (!sort.descending) {
    view.sort = { column, descending: true };
  } else {
    view.sort = { column: -1, descending: false };
  }
  sortRows();
  showSortState();
  showRows();
  markCurrent(true);
}

function showAnswer(result) {
  byId('notice').textContent = '';
  // Ticks stay on candidates still in the answer.
  const present = new Set((result?.rows ?? []).map(compareKey));
  for (const key of [...view.compared.keys()]) {
    if (!present.has(key)) {
      view.compared.delete(key);
    }
  }
  showCompareButton();
  if (result) {
    showHeader(result.columns);
  }
  sortRows();
  showRows();
  showSummary();
  const chosen = rowOfChosen();
  state.current = chosen >= 0 ? chosen : (view.order[0] ?? -1);
  markCurrent(false);
  emit('current', state.current);
}

function moveCurrent(event) {
  const positions = view.order.length;
  // Keys inside the Entry (on a phone it sits in the current card) are its own.
  if (positions === 0 || event.target.tagName !== 'TR') {
    return;
  }
  if (event.key === ' ') {
    event.preventDefault();
    tickRow(event.target, !event.target.cells[0].firstChild.checked);
    return;
  }
  const at = Math.max(0, view.order.indexOf(state.current));
  // A page is what fits in the box (on a phone, the screen) at the rows'
  // own height.
  const row = table.tBodies[0].rows[at];
  const box = narrow.matches ? window.innerHeight : table.parentElement.clientHeight;
  const page = Math.max(1, Math.floor(box / Math.max(1, row?.offsetHeight ?? 28)) - 1);
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
  choose(view.order[Math.min(positions - 1, Math.max(0, moves[event.key]))], true);
}

function say(text) {
  byId('notice').textContent = text;
}

async function copyRows() {
  // A clipboard holds text: bytes that are no UTF-8 become U+FFFD there.
  await copyText(new TextDecoder().decode(state.engine.tsv()));
  say(`${counted(state.answer?.rows.length ?? 0, 'row', 'rows')} copied`);
}

export function wireCandidates() {
  table.tBodies[0].addEventListener('change', (event) => {
    if (event.target.classList.contains('compare-tick')) {
      tickRow(event.target.closest('tr'), event.target.checked);
    }
  });
  byId('compare-button').addEventListener('click', showCompare);
  byId('compare-close').addEventListener('click', () => {
    byId('compare').hidden = true;
  });
  table.tBodies[0].addEventListener('click', (event) => {
    const tr = event.target.closest('tr');
    if (tr && !event.target.classList.contains('compare-tick')) {
      // A row still being brought up to date is brought up first.
      fillRows(tr.sectionRowIndex + 1);
      if (tr.dataset.row !== String(state.current)) {
        choose(Number(tr.dataset.row));
      }
    }
  });
  byId('sort-by').addEventListener('change', (event) => {
    const [column, descending] = [Number.parseInt(event.target.value, 10), event.target.value.endsWith('-')];
    view.sort = { column, descending };
    sortRows();
    showSortState();
    showRows();
    markCurrent(true);
  });
  narrow.addEventListener('change', () => markCurrent(false));
  table.tBodies[0].addEventListener('keydown', moveCurrent);
  // Ctrl+C in the table copies the candidates, as in the explorer; a text
  // selection is the browser's to copy.
  table.addEventListener('keydown', (event) => {
    if ((event.ctrlKey || event.metaKey) && event.key === 'c' && String(getSelection()) === '' && state.engine
      && !byId('entry-section').contains(event.target)) {
      event.preventDefault();
      copyRows();
    }
  });
  byId('copy-rows').addEventListener('click', copyRows);
  byId('export-tsv').addEventListener('click', () =>
    download('candidates.tsv', state.engine.tsv(), 'text/tab-separated-values'),
  );
  byId('export-json').addEventListener('click', () =>
    download('candidates.json', state.engine.json(), 'application/json'),
  );
  byId('print-ticket').addEventListener('click', () =>
    printTickets([state.engine.ticket(state.current)], state.engine.ticketPages(1)),
  );
  on('answer', showAnswer);
}
