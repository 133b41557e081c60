// SPDX-License-Identifier: GPL-3.0-or-later
// Run by the page before anything else, before its style is even worked
// out: the engine's compilation and the catalogue's download begin while
// the page lays itself out and its modules load, so the first answer waits
// for the slowest of them rather than for all in a row. A plain script, as
// a module would wait for the page's first layout; the modules find what it
// started in `self.rovadodBoot`.

(() => {
  const single = document.documentElement.dataset.build === 'single';
  performance.mark('rovadod-boot');

  /// The file at `path` as bytes, or null where the server has none (a server
  /// that answers every path with a page has no such file either).
  async function fetchBytes(path) {
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
  const early = single
    ? { published: Promise.resolve(null), demo: null, engine: null }
    : {
        published: fetchBytes('ptolemy.csv'),
        demo: fetchBytes('demo.csv'),
        // Compiled while the bytes come in; null where the browser cannot.
        engine: WebAssembly.compileStreaming
          ? WebAssembly.compileStreaming(fetch('engine.wasm')).then((m) => { performance.mark('rovadod-compiled'); return m; }).catch(() => null)
          : Promise.resolve(null),
      };

  self.rovadodBoot = { fetchBytes, early };
})();
