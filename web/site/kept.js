// SPDX-License-Identifier: GPL-3.0-or-later
// The files the collector opens and what this browser keeps of them: the
// last catalogue that some selection can find an entry of, in IndexedDB
// under this site's names, so the next visit opens it, offline too. Only a
// file's name and bytes are kept, and nothing is sent anywhere.

import { databaseName, keptMark, legacy, ownPicturesMark, trayMark } from './names.js';
import { emit, state } from './state.js';
import { addToStatus, fileBytes, setStatus, undoOffer } from './status.js';
import { byId, errorText } from './util.js';

const { early, fetchBytes } = self.rovadodBoot;
const storeName = 'catalogue';
const key = 'last';
const demoNote = ' (the built-in demo: invented sample data)';
const single = document.documentElement.dataset.build === 'single';
const undo = undoOffer('undo');

function openDatabase(name) {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(name, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(storeName);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function withStore(name, mode, work) {
  const database = await openDatabase(name);
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
function marked(mark) {
  try {
    return localStorage.getItem(mark) !== null;
  } catch {
    return true; // no local storage: the database alone can say
  }
}

function setMark(mark, on) {
  if (on) {
    localStorage.setItem(mark, '1');
  } else {
    localStorage.removeItem(mark);
  }
}

/// Asks the browser not to throw away what the collector keeps when space
/// runs short: asked only once something is kept, since some browsers ask
/// the collector.
export async function keepLasting() {
  try {
    if (navigator.storage?.persist && !(await navigator.storage.persisted())) {
      await navigator.storage.persist();
    }
  } catch {
    // Kept all the same, only less surely.
  }
}

/// Keeps `data` (a Blob, such as the file opened, or a Uint8Array) as the
/// catalogue to open next time; throws when it cannot be, also when the next
/// visit would not look for it. A Blob is stored by the browser beside the
/// page, not copied on its thread: a 50 MB file must not hold the page up.
async function remember(name, data) {
  const blob = data instanceof Blob ? data : new Blob([data]);
  await withStore(databaseName, 'readwrite', (store) => store.put({ name, blob }, key));
  try {
    setMark(keptMark, true);
  } catch (error) {
    if (!marked(keptMark)) {
      throw error; // the next visit would not look for it
    }
  }
  keepLasting();
}

async function readKept(database) {
  const kept = await withStore(database, 'readonly', (store) => store.get(key));
  if (!kept) {
    return null;
  }
  // Kept as a Blob; before, as the bytes themselves.
  const bytes = kept.blob instanceof Blob ? await kept.blob.arrayBuffer() : kept.bytes;
  return { name: String(kept.name), bytes: new Uint8Array(bytes) };
}

/// A catalogue kept under the names used before they held the site's folder
/// moves to this site's names; it is removed there only once kept here.
async function moveLegacy() {
  const kept = await readKept(legacy.databaseName);
  if (kept) {
    await remember(kept.name, kept.bytes);
    await withStore(legacy.databaseName, 'readwrite', (store) => store.delete(key));
  }
  try {
    setMark(legacy.keptMark, false);
  } catch {
    // A mark left over only costs a look.
  }
  return kept;
}

/// The catalogue kept, as {name, bytes: Uint8Array}, or null; null too where
/// the browser keeps nothing (private windows may refuse IndexedDB).
export async function keptCatalogue() {
  try {
    if (marked(keptMark)) {
      const kept = await readKept(databaseName);
      if (kept) {
        return kept;
      }
    }
    return marked(legacy.keptMark) ? await moveLegacy() : null;
  } catch {
    return null;
  }
}

/// Keeps `list` under `key` for the next visit, with the mark that says
/// whether there is any; throws when it cannot be kept.
async function keepList(key, mark, list) {
  if (list.length === 0 && !marked(mark)) {
    return;
  }
  await withStore(databaseName, 'readwrite', (store) => store.put(list, key));
  setMark(mark, list.length > 0);
  if (list.length > 0) {
    keepLasting();
  }
}

/// The list kept under `key`, its items those `valid` takes; none when
/// nothing is kept or it cannot be read.
async function keptList(key, mark, valid) {
  try {
    if (!marked(mark)) {
      return [];
    }
    const kept = await withStore(databaseName, 'readonly', (store) => store.get(key));
    return Array.isArray(kept) ? kept.filter(valid) : [];
  } catch {
    return [];
  }
}

/// The tray's coins ([{id, cells}]) and the collector's own pictures
/// ([{name, blob, width, height}], small copies), kept for the next visit.
export const keepTray = (coins) => keepList('tray', trayMark, coins);
export const keptTray = () => keptList('tray', trayMark, (coin) => typeof coin?.id === 'string' && Array.isArray(coin.cells))
  .then((coins) => coins.map((coin) => ({ id: coin.id, cells: coin.cells.map(String) })));
export const keepOwnPictures = (pictures) => keepList('own-pictures', ownPicturesMark, pictures);
export const keptOwnPictures = () =>
  keptList('own-pictures', ownPicturesMark, (picture) => typeof picture?.name === 'string' && picture.blob instanceof Blob);

/// Removes the kept catalogue; throws when it is still kept.
async function forget() {
  await withStore(databaseName, 'readwrite', (store) => store.delete(key));
  try {
    setMark(keptMark, false);
  } catch {
    // Nothing is kept any more: a mark left over only costs a look.
  }
}

/// Opens `bytes` as the catalogue; the engine's outcome
/// ({entries, findable, status, loaded}).
export function openCatalogue(bytes, name, note = '') {
  const opened = state.engine.open(bytes, name);
  state.catalogue += 1;
  setStatus(opened.status + note);
  emit('catalogue', opened);
  return opened;
}

async function demoBytes() {
  const inline = byId('demo-catalogue');
  if (inline) {
    return Uint8Array.from(atob(inline.textContent.trim()), (c) => c.charCodeAt(0));
  }
  // The demo does not change while the page is open: fetched once.
  return (await early.demo) ?? new Uint8Array();
}

// The first time, the downloads the page began with; later (after Forget)
// asked again.
let firstTime = true;

/// The keeper's published catalogue, else the demo, both asked for at once.
export async function defaultCatalogue() {
  const published = single ? null : firstTime ? early.published : fetchBytes('ptolemy.csv');
  firstTime = false;
  const demo = demoBytes();
  const bytes = await published;
  return bytes ? { bytes, name: 'ptolemy.csv', note: '' } : { bytes: await demo, name: 'ptolemy.csv', note: demoNote };
}

async function openDefault() {
  const { bytes, name, note } = await defaultCatalogue();
  openCatalogue(bytes, name, note);
}

/// Opens `file` as the catalogue and keeps it for the next visit when some
/// selection can find an entry of it; `how` says how it came ("dropped").
export async function openCatalogueFile(file, how = '') {
  if (!file || !state.engine) {
    return;
  }
  const bytes = await fileBytes(file, setStatus);
  if (!bytes) {
    return;
  }
  const opened = openCatalogue(bytes, file.name);
  if (how) {
    addToStatus(` (${how} as the catalogue)`);
  }
  if (!opened.loaded || opened.findable === 0) {
    // A photo or a tray picked by mistake must not take the kept one's place.
    const why = opened.loaded ? 'no selection can find any entry of it' : 'it could not be read';
    addToStatus(`; not kept for the next visit: ${why}`);
    return;
  }
  undo.withdraw();
  try {
    await remember(file.name, file);
  } catch (error) {
    addToStatus(` (not kept for the next visit: ${errorText(error)})`);
  }
}

async function forgetCatalogue() {
  let kept = null;
  let problem = '';
  try {
    kept = await keptCatalogue();
    await forget();
  } catch (error) {
    problem = ` (the catalogue kept could not be forgotten: ${errorText(error)})`;
  }
  await openDefault();
  addToStatus(problem);
  if (kept && !problem) {
    undo.offer(`${kept.name} forgotten.`, async () => {
      openCatalogue(kept.bytes, kept.name);
      try {
        await remember(kept.name, kept.bytes);
      } catch (error) {
        addToStatus(` (not kept for the next visit: ${errorText(error)})`);
      }
    });
  }
}

export function wireKept() {
  const input = byId('open-catalogue');
  input.addEventListener('change', async () => {
    await openCatalogueFile(input.files[0]);
    input.value = '';
  });
  byId('forget-catalogue').addEventListener('click', forgetCatalogue);
}
