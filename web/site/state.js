// SPDX-License-Identifier: GPL-3.0-or-later
// The one state the page's parts share, and who is told when it changes.
//   answer:    the engine answered a question (state.answer)
//   current:   another candidate is shown in Entry (state.current)
//   catalogue: another catalogue was opened (state.catalogue counts them)
//   ready:     the engine answered for the first time

export const state = {
  engine: null,
  lists: [],
  answer: null,
  current: -1, // answer row shown in Entry
  catalogue: 0, // catalogues opened so far
};

const listeners = new Map();

export function on(topic, listener) {
  if (!listeners.has(topic)) {
    listeners.set(topic, []);
  }
  listeners.get(topic).push(listener);
}

export function emit(topic, detail) {
  for (const listener of listeners.get(topic) ?? []) {
    listener(detail);
  }
}
