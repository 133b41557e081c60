// SPDX-License-Identifier: GPL-3.0-or-later
// The collector's last catalogue, kept in this browser's IndexedDB so the next
// visit opens it, offline too. Only the file's name and bytes are kept.

const databaseName = 'rovadod';
const storeName = 'catalogue';
const key = 'last';

function openDatabase() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(databaseName, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(storeName);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function withStore(mode, work) {
  const database = await openDatabase();
  try {
    return await new Promise((resolve, reject) => {
      const transaction = database.transaction(storeName, mode);
      const result = work(transaction.objectStore(storeName));
      transaction.oncomplete = () => resolve(result.result);
      transaction.onerror = () => reject(transaction.error);
      transaction.onabort = () => reject(transaction.error);
    });
  } finally {
    database.close();
  }
}

// Whether a catalogue was kept, said where it is read at once: opening the
// database on a first visit costs the first answer more than anything else.
const keptMark = 'rovadod-catalogue-kept';

function mayHaveKept() {
  try {
    return localStorage.getItem(keptMark) !== null;
  } catch {
    return true; // no local storage: the database alone can say
  }
}

function markKept(kept) {
  try {
    if (kept) {
      localStorage.setItem(keptMark, '1');
    } else {
      localStorage.removeItem(keptMark);
    }
  } catch {
    // The database still holds the truth.
  }
}

/// Keeps `bytes` (a Uint8Array) as the catalogue to open next time.
export async function rememberCatalogue(name, bytes) {
  await withStore('readwrite', (store) => store.put({ name, bytes: bytes.slice().buffer }, key));
  markKept(true);
}

/// The catalogue kept, as {name, bytes: Uint8Array}, or null; null too where
/// the browser keeps nothing (private windows may refuse IndexedDB).
export async function rememberedCatalogue() {
  if (!mayHaveKept()) {
    return null;
  }
  try {
    const kept = await withStore('readonly', (store) => store.get(key));
    return kept ? { name: String(kept.name), bytes: new Uint8Array(kept.bytes) } : null;
  } catch {
    return null;
  }
}

export function forgetCatalogue() {
  markKept(false);
  return withStore('readwrite', (store) => store.delete(key));
}
