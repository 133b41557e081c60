// SPDX-License-Identifier: GPL-3.0-or-later
// The Entry: the current candidate's block of rovadod-find's report.

import { on, state } from './state.js';
import { byId, copyText, cut } from './util.js';

// A longer line is cut with "…" on the screen.
const mostInLine = 20000;
let shown = null;

function showEntry() {
  const text = state.current >= 0 && state.answer ? state.engine.entry(state.current) : '';
  if (text === shown) {
    return;
  }
  shown = text;
  const lines = text.split('\n');
  byId('entry').textContent = lines.some((line) => line.length > mostInLine)
    ? lines.map((line) => cut(line, mostInLine)).join('\n')
    : text;
}

export function wireEntry() {
  on('current', showEntry);
  // The entry's exact text, tabs and line ends as the explorer copies it,
  // whatever the screen shows.
  byId('copy-entry').addEventListener('click', async () => {
    await copyText(state.current >= 0 && state.answer ? state.engine.entry(state.current) : '');
    byId('notice').textContent = 'Entry copied';
  });
}
