// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's JS face where embind alone is slow or strict: every answer
// still comes from the C++ engine.

// One call for a query: its values packed into bytes, each a 4-byte length
// and its UTF-8, instead of a call per value.
const askEncoder = new TextEncoder();
let askNames = null;
Module['ask'] = (q) => {
  askNames ??= Module['askOptions']();
  let notText = 0;
  const parts = askNames.map((name, i) => {
    let value;
    try {
      value = q === null || q === undefined ? undefined : q[name];
    } catch {
      value = {};
    }
    if (typeof value === 'number') return askEncoder.encode(String(value));
    if (value === null || value === undefined) return new Uint8Array(0);
    if (typeof value === 'string') return askEncoder.encode(value);
    notText |= 1 << i;
    return new Uint8Array(0);
  });
  const packed = new Uint8Array(parts.reduce((n, part) => n + 4 + part.length, 0));
  const lengths = new DataView(packed.buffer);
  let at = 0;
  for (const part of parts) {
    lengths.setUint32(at, part.length, true);
    packed.set(part, at + 4);
    at += 4 + part.length;
  }
  return JSON.parse(Module['askValues'](packed, notText));
};

// Defaults a bound C++ function cannot have: embind wants every argument.
Module['ticketPages'] = (count, side = 50, paper = 'a4') => Module['ticketPagesOf'](count, side, paper);
