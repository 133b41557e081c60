// SPDX-License-Identifier: GPL-3.0-or-later
// Started by the page before anything else: the engine's compilation and the
// catalogue's download begin while the page's other modules still load, so
// the first answer waits for the slowest of them rather than for all in a row.
// It imports nothing, so it runs as soon as it is there.

const single = document.documentElement.dataset.build === 'single';

/// The file at `path` as bytes, or null where the server has none (a server
/// that answers every path with a page has no such file either).
export async function fetchBytes(path) {
  try {
    // A server that never answers must not hold the page at its start (the
    // service worker answers from its copy well before this); once it has
    // answered, a large file may take its time.
    const stop = new AbortController();
    const timer = setTimeout(() => stop.abort(), 15000);
    const response = await fetch(path, { cache: 'no-cache', signal: stop.signal });
    clearTimeout(timer);
    const type = response.headers.get('content-type') ?? '';
    if (!response.ok || type.includes('text/html')) {
      return null;
    }
    return new Uint8Array(await response.arrayBuffer());
  } catch {
    return null;
  }
}

/// The keeper's published catalogue and the demo, asked for at once.
export const early = single
  ? { published: Promise.resolve(null), demo: null, engine: null }
  : {
      published: fetchBytes('ptolemy.csv'),
      demo: fetchBytes('demo.csv'),
      // Compiled while the bytes come in; null where the browser cannot.
      engine: WebAssembly.compileStreaming
        ? WebAssembly.compileStreaming(fetch('engine.wasm')).catch(() => null)
        : Promise.resolve(null),
    };
