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

/// Keeps `bytes` (a Uint8Array) as the catalogue to open next time; throws
/// when it cannot be, also when the next visit would not look for it.
export async function rememberCatalogue(name, bytes) {
  await withStore('readwrite', (store) => store.put({ name, bytes: bytes.slice().buffer }, key));
  try {
    localStorage.setItem(keptMark, '1');
  } catch (error) {
    if (!mayHaveKept()) {
      throw error; // the next visit would not look for it
    }
  }
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

/// Removes the kept catalogue; throws when it is still kept.
export async function forgetCatalogue() {
  await withStore('readwrite', (store) => store.delete(key));
  try {
    localStorage.removeItem(keptMark);
  } catch {
    // Nothing is kept any more: a mark left over only costs a look.
  }
}
