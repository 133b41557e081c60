// SPDX-License-Identifier: GPL-3.0-or-later
// The status line (what is open, what became of it, whether the page works
// offline) and the two offers beside it: Undo, and Reload for a new version.

import { byId, errorText } from './util.js';

const line = { text: 'Starting the finder…', offline: false };

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

/// An "Undo" offer shown in the element `id` (with `id`-text and
/// `id`-button inside): `offer(text, undo)` shows it for a few seconds,
/// `withdraw()` takes it away.
export function undoOffer(id) {
  let timer = 0;
  const withdraw = () => {
    clearTimeout(timer);
    byId(id).hidden = true;
    byId(`${id}-button`).onclick = null;
  };
  const offer = (text, undo, seconds = 12) => {
    clearTimeout(timer);
    byId(`${id}-text`).textContent = text;
    byId(`${id}-button`).onclick = () => {
      withdraw();
      undo();
    };
    byId(id).hidden = false;
    timer = setTimeout(withdraw, seconds * 1000);
  };
  return { offer, withdraw };
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

/// The bytes of `file`, the bar showing while it is read; null when it
/// cannot be read, which `complain` is told.
export async function fileBytes(file, complain) {
  const done = reading(file.name);
  try {
    return new Uint8Array(await file.arrayBuffer());
  } catch (error) {
    complain(`Cannot read ${file.name}: ${errorText(error)}`);
    return null;
  } finally {
    done();
  }
}
