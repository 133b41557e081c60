// SPDX-License-Identifier: GPL-3.0-or-later
// A static server for the built site on 127.0.0.1, for the tests and the
// benchmark: the types a browser needs (wasm for streaming compilation), no
// caching, and paths a test may add or replace.

import fs from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.wasm': 'application/wasm',
  '.css': 'text/css',
  '.webmanifest': 'application/manifest+json',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.webp': 'image/webp',
  '.tsv': 'text/tab-separated-values',
  '.csv': 'text/csv',
};

/// A static server for `root` on 127.0.0.1; `extra` adds or replaces paths,
/// each with a Buffer or a function that answers the request itself;
/// `mounts` serves the site under further folders too ('/a/').
export async function startServer(root) {
  const server = { root, extra: new Map(), requests: [], mounts: [] };
  const httpServer = http.createServer(async (request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    if (name.endsWith('/')) {
      name += 'index.html';
    }
    server.requests.push(name);
    let body = server.extra.get(name);
    if (typeof body === 'function') {
      body(request, response);
      return;
    }
    const mount = server.mounts.find((folder) => name.startsWith(folder));
    if (mount && body === undefined) {
      name = name.slice(mount.length - 1);
      body = server.extra.get(name);
    }
    if (body === undefined) {
      const file = path.join(server.root, path.normalize(name));
      try {
        if (!file.startsWith(server.root + path.sep)) {
          throw new Error('outside the site');
        }
        body = await fs.readFile(file);
      } catch {
        response.writeHead(404, { 'content-type': 'text/plain' });
        response.end('not found');
        return;
      }
    }
    response.writeHead(200, {
      'content-type': types[path.extname(name)] ?? 'application/octet-stream',
      'cache-control': 'no-cache',
    });
    response.end(body);
  });
  await new Promise((resolve) => httpServer.listen(0, '127.0.0.1', resolve));
  server.url = `http://127.0.0.1:${httpServer.address().port}/`;
  server.close = () =>
    new Promise((resolve) => {
      httpServer.closeAllConnections();
      httpServer.close(resolve);
    });
  return server;
}
