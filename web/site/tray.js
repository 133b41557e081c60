// SPDX-License-Identifier: GPL-3.0-or-later
// The tray: a batch file's coins, each answered as rovadod-find --batch
// answers it on the open catalogue with the page's "Differences allowed",
// and their tickets.

import { on, state } from './state.js';
import { printTickets } from './tickets.js';
import { reading } from './status.js';
import { byId, counted, cut, errorText } from './util.js';

const mostInCell = 1000;
// The batch and what answered it: {bytes, name, near, catalogue}.
let tray = null;

function showTray() {
  tray.near = byId('near').value;
  tray.catalogue = state.catalogue;
  const result = state.engine.tray(tray.bytes, tray.name);
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
  byId('tray-status').textContent = `${tray.name}: ${counted(count, 'coin', 'coins')}`;
  byId('print-tray').disabled = count === 0;
}

/// Opens `file` as the tray; `how` says how it came ("dropped").
export async function openTray(file, how = '') {
  if (!file || !state.engine) {
    return;
  }
  const done = reading(file.name);
  try {
    tray = { bytes: new Uint8Array(await file.arrayBuffer()), name: file.name, near: null };
  } catch (error) {
    byId('tray-status').textContent = `Cannot read ${file.name}: ${errorText(error)}`;
    return;
  } finally {
    done();
  }
  showTray();
  if (how) {
    byId('tray-status').textContent += ` (${how} on the tray)`;
  }
}

export function wireTray() {
  const input = byId('open-tray');
  input.addEventListener('change', async () => {
    await openTray(input.files[0]);
    input.value = '';
  });
  byId('print-tray').addEventListener('click', () => {
    const tickets = state.engine.trayTickets();
    printTickets(tickets, state.engine.ticketPages(tickets.length));
  });
  on('answer', () => {
    if (tray && (tray.near !== byId('near').value || tray.catalogue !== state.catalogue)) {
      showTray();
    }
  });
}
