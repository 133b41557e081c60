// SPDX-License-Identifier: GPL-3.0-or-later
// The status line (what is open, what became of it, whether the page works
// offline) and the two offers beside it: Undo, and Reload for a new version.

import { byId } from './util.js';

const line = { text: 'Starting the finder…', offline: false };
let undoTimer = 0;

function show() {
  byId('status').textContent = line.text + (line.offline ? ' · ready offline' : '');
}

/// Replaces what the status line says (the offline mark stays).
export function setStatus(text) {
  line.text = text;
  show();
}

/// Adds `text` to what the status line says.
export function addToStatus(text) {
  line.text += text;
  show();
}

export const statusText = () => line.text;

export function setReadyOffline(ready) {
  if (line.offline !== ready) {
    line.offline = ready;
    show();
  }
}

/// Offers "Undo" beside `text` for `seconds`; `undo` runs on a press.
export function offerUndo(text, undo, seconds = 12) {
  const box = byId('undo');
  const button = byId('undo-button');
  clearTimeout(undoTimer);
  byId('undo-text').textContent = text;
  button.onclick = () => {
    withdrawUndo();
    undo();
  };
  box.hidden = false;
  undoTimer = setTimeout(withdrawUndo, seconds * 1000);
}

export function withdrawUndo() {
  clearTimeout(undoTimer);
  byId('undo').hidden = true;
  byId('undo-button').onclick = null;
}

/// Says that a new version is ready; `reload` switches to it on a press.
export function offerUpdate(reload) {
  byId('update').hidden = false;
  byId('reload').onclick = reload;
}

/// A file being read: the bar shows until `done` is called.
export function reading(name) {
  const bar = byId('reading');
  bar.hidden = false;
  bar.setAttribute('aria-label', `Reading ${name}`);
  return () => {
    bar.hidden = true;
  };
}
