// SPDX-License-Identifier: GPL-3.0-or-later
// The tray: coins added one by one from the fields or from batch files, kept
// in this browser, each answered as rovadod-find --batch answers it on the
// open catalogue with the page's "Differences allowed"; their tickets, and
// the tray as a batch file rovadod-find reads.

import { keepTray, keptTray } from './kept.js';
import { query } from './question.js';
import { on, state } from './state.js';
import { fileBytes, undoOffer } from './status.js';
import { printTickets } from './tickets.js';
import { byId, counted, cut, download, errorText } from './util.js';

const mostInCell = 1000;
let coins = []; // {id, cells}: cells in the engine's value columns' order
let answered = null; // what the table shows: {near, catalogue, coins}
const undo = undoOffer('tray-undo');

const columns = () => state.engine.askOptions().slice(0, -1);

/// The tray as a batch file: a header, then a coin a line. The id comes
/// last: a line whose first value began with "#" would be a comment.
export function trayFile() {
  const lines = [[...columns(), 'id'], ...coins.map((coin) => [...coin.cells, coin.id])];
  return new TextEncoder().encode(`${lines.map((line) => line.join('\t')).join('\n')}\n`);
}

/// The lowest whole number not yet an id in `taken`.
function freeId(taken = new Set(coins.map((coin) => coin.id))) {
  let n = 1;
  while (taken.has(String(n))) {
    n += 1;
  }
  return String(n);
}

// A value of a batch file is one line of tab-separated values.
const oneValue = (text) => String(text).replace(/[\t\r\n]+/g, ' ').trim();

function say(text) {
  byId('tray-status').textContent = text;
}

function removeButton(coin) {
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'remove';
  button.textContent = 'Remove';
  button.setAttribute('aria-label', `Remove ${cut(coin.id, 100)}`);
  button.addEventListener('click', () => change(coins.filter((c) => c !== coin), `${coin.id} removed.`));
  return button;
}

function showTray() {
  answered = { near: byId('near').value, catalogue: state.catalogue, coins };
  const body = byId('tray').tBodies[0];
  const result = coins.length > 0 ? state.engine.tray(trayFile(), 'tray.tsv') : { coins: [], problems: [] };
  body.replaceChildren(
    ...result.coins.map((answer, k) => {
      const tr = document.createElement('tr');
      for (const text of [coins[k]?.id ?? answer.label, answer.sv ?? 'No match', answer.differs ?? '']) {
        const td = document.createElement('td');
        td.textContent = cut(String(text), mostInCell);
        tr.append(td);
      }
      const td = document.createElement('td');
      if (coins[k]) {
        td.append(removeButton(coins[k]));
      }
      tr.append(td);
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
  for (const id of ['print-tray', 'export-tray', 'clear-tray']) {
    byId(id).disabled = coins.length === 0;
  }
}

/// Makes `next` the tray, kept for the next visit; `undoText` offers the
/// tray before it back for a few seconds.
async function change(next, message, undoText = message) {
  const before = coins;
  coins = next;
  showTray();
  say(`${message} ${counted(coins.length, 'coin', 'coins')} in the tray.`);
  if (undoText && next.length < before.length) {
    undo.offer(undoText, () => change(before, 'Brought back.', ''));
  }
  try {
    await keepTray(coins);
  } catch (error) {
    say(`${byId('tray-status').textContent} (not kept for the next visit: ${errorText(error)})`);
  }
}

/// Adds the coin the fields describe, as the engine reads them: a value it
/// refuses is left out, and said.
function addCoin() {
  const q = query();
  const problems = state.answer?.problems ?? {};
  const left = [];
  const cells = columns().map((option) => {
    const value = oneValue(q[option] ?? '');
    if (problems[option]) {
      left.push(`${byId(option).labels[0].textContent} (${problems[option]})`);
      return '';
    }
    return value === 'any' ? '' : value;
  });
  const idField = byId('coin-id');
  const id = oneValue(idField.value) || freeId();
  if (coins.some((coin) => coin.id === id)) {
    say(`A coin ${id} is in the tray already: give this one another id.`);
    return;
  }
  idField.value = '';
  const leftOut = left.length > 0 ? ` Left out, as the finder could not read it: ${left.join('; ')}.` : '';
  change([...coins, { id, cells }], `${id} added.${leftOut}`, '');
}

/// Adds the coins of the batch file `file` to the tray.
export async function openTray(file, how = '') {
  if (!file || !state.engine) {
    return;
  }
  const bytes = await fileBytes(file, say);
  if (!bytes) {
    return;
  }
  const read = state.engine.trayCoins(bytes, file.name);
  const added = [];
  const taken = new Set(coins.map((coin) => coin.id));
  for (const coin of read.coins) {
    let id = oneValue(coin.id ?? '');
    if (id === '' || taken.has(id)) {
      id = freeId(taken); // without an id, or one the tray has
    }
    taken.add(id);
    added.push({ id, cells: coin.cells.map(oneValue) });
  }
  const from = `${file.name}${how ? ` (${how} on the tray)` : ''}`;
  await change([...coins, ...added], `${counted(added.length, 'coin', 'coins')} added from ${from}.`, '');
  if (read.problems.length > 0) {
    byId('tray-problems').prepend(
      ...read.problems.map((problem) => {
        const item = document.createElement('li');
        item.textContent = cut(String(problem), mostInCell);
        return item;
      }),
    );
  }
}

export function wireTray() {
  const input = byId('open-tray');
  input.addEventListener('change', async () => {
    await openTray(input.files[0]);
    input.value = '';
  });
  byId('add-to-tray').addEventListener('click', addCoin);
  byId('clear-tray').addEventListener('click', () => change([], 'Tray cleared.'));
  byId('export-tray').addEventListener('click', () => download('tray.tsv', trayFile(), 'text/tab-separated-values'));
  byId('print-tray').addEventListener('click', () => {
    const tickets = state.engine.trayTickets();
    printTickets(tickets, state.engine.ticketPages(tickets.length));
  });
  on('answer', () => {
    if (coins.length > 0 && (answered?.near !== byId('near').value || answered?.catalogue !== state.catalogue)) {
      showTray();
    }
  });
  on('ready', async () => {
    const kept = await keptTray();
    if (kept.length > 0) {
      coins = kept;
      showTray();
      say(`${counted(coins.length, 'coin', 'coins')} in the tray.`);
    }
  });
}
