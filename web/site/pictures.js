// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the types: the keeper's published ones (listed in
// images/.rovadod/index.tsv, which rovadod-pictures writes, their small
// copies kept offline as they are seen) and the collector's own, made small
// here and kept in this browser. Which picture belongs to which entry is the
// engine's rule; this only shows them.

import { keepLasting, keepOwnPictures, keptOwnPictures } from './kept.js';
import { picturesCache } from './names.js';
import { on, state } from './state.js';
import { reading, undoOffer } from './status.js';
import { byId, counted, errorText } from './util.js';

const { fetchBytes } = self.rovadodBoot;
const single = document.documentElement.dataset.build === 'single';
const indexPath = 'images/.rovadod/index.tsv';
const smallSide = 480;
let published = null; // the index's bytes, once fetched
let own = []; // {name, blob, width, height}
const ownUrls = new Map(); // name -> blob: address
const undo = undoOffer('pictures-undo');

const isPictureName = (name) => /^[^.].*\.(jpe?g|png|webp)$/i.test(name);

function say(text) {
  byId('pictures-status').textContent = text;
}

function showOwn(pictures) {
  own = pictures;
  for (const url of ownUrls.values()) {
    URL.revokeObjectURL(url);
  }
  ownUrls.clear();
  for (const picture of own) {
    ownUrls.set(picture.name, URL.createObjectURL(picture.blob));
  }
  state.engine.setOwnPictures?.(own.map((picture) => picture.name));
  byId('forget-pictures').disabled = own.length === 0;
  showPictures();
}

function openViewer(picture, source) {
  const viewer = byId('viewer');
  byId('viewer-title').textContent = picture.label;
  const image = byId('viewer-image');
  image.alt = picture.label;
  image.src = source;
  viewer.showModal();
}

function cannotShow(picture, why) {
  const text = document.createElement('p');
  text.className = 'picture-missing';
  text.textContent = `${picture.label}: picture cannot be shown`;
  text.title = why;
  return text;
}

/// One picture as the Entry shows it: small, its place kept before it
/// comes, a tap opens it whole.
function pictureElement(picture) {
  const source = picture.own ? ownUrls.get(picture.path) : (picture.small ?? picture.path);
  if (!source) {
    return cannotShow(picture, 'not kept in this browser');
  }
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'picture';
  const image = document.createElement('img');
  image.alt = picture.label;
  image.loading = 'lazy';
  image.decoding = 'async';
  const width = picture.small ? picture.smallWidth : picture.width;
  const height = picture.small ? picture.smallHeight : picture.height;
  if (width > 0 && height > 0) {
    image.width = width;
    image.height = height;
  }
  image.addEventListener('error', () => button.replaceWith(cannotShow(picture, 'the file could not be read as a picture')));
  image.src = source;
  button.append(image);
  button.addEventListener('click', () => openViewer(picture, picture.own ? source : picture.path));
  return button;
}

/// The pictures of answer row `row`, as elements.
export function pictureElements(row) {
  const pictures = row >= 0 && state.engine?.picturesOf ? state.engine.picturesOf(row) : [];
  return pictures.map(pictureElement);
}

function showPictures() {
  byId('entry-pictures').replaceChildren(...pictureElements(state.answer ? state.current : -1));
}

async function loadPublished() {
  if (single || !state.engine?.setPictures) {
    return;
  }
  published = await fetchBytes(indexPath);
  if (published) {
    state.engine.setPictures(published);
    byId('keep-pictures').disabled = false;
    byId('remove-pictures').disabled = false;
    showPictures();
  }
}

/// The small copies the index names (its sixth column): what "Keep
/// pictures offline" fetches.
function smallCopies() {
  const lines = new TextDecoder().decode(published ?? new Uint8Array()).split('\n').slice(1);
  return lines.map((line) => line.split('\t')[5]).filter((name) => name && !name.includes('/'))
    .map((name) => `images/.rovadod/${name}`);
}

async function keepOffline() {
  const paths = smallCopies();
  const bar = byId('pictures-progress');
  bar.max = paths.length;
  bar.value = 0;
  bar.hidden = false;
  let bytes = 0;
  let failed = 0;
  let next = 0;
  const megabytes = (n) => (n / 1e6).toFixed(1);
  // A few at a time: the worker keeps each as it comes.
  const worker = async () => {
    while (next < paths.length) {
      const path = paths[next++];
      try {
        const response = await fetch(path);
        bytes += (await response.arrayBuffer()).byteLength;
        if (!response.ok) {
          failed += 1;
        }
      } catch {
        failed += 1;
      }
      bar.value += 1;
      say(`${bar.value} of ${counted(paths.length, 'picture', 'pictures')}, ${megabytes(bytes)} MB`);
    }
  };
  await Promise.all([worker(), worker(), worker(), worker()]);
  bar.hidden = true;
  keepLasting();
  let space = '';
  try {
    const { usage, quota } = await navigator.storage.estimate();
    space = ` This site uses ${megabytes(usage)} MB of this browser's storage; ${megabytes(quota - usage)} MB are left.`;
  } catch {
    // No estimate in this browser.
  }
  const missing = failed > 0 ? ` ${counted(failed, 'picture', 'pictures')} could not be fetched.` : '';
  say(`${counted(paths.length - failed, 'picture', 'pictures')} kept offline (${megabytes(bytes)} MB).${missing}${space}`);
}

async function removeOffline() {
  await caches.delete(picturesCache);
  say('The offline pictures are removed.');
}

/// A small copy of `file`, about 480 pixels on its long side, made without
/// decoding it whole into memory; refused when the engine's header reader
/// refuses it (over 50 megapixels, not a picture).
async function smallCopy(file) {
  const header = state.engine.pictureHeader?.(new Uint8Array(await file.slice(0, 256 * 1024).arrayBuffer()));
  if (header && header.problem) {
    throw new Error(header.problem);
  }
  const width = header?.width ?? 0;
  const height = header?.height ?? 0;
  const scale = width > 0 && height > 0 ? Math.min(1, smallSide / Math.max(width, height)) : 1;
  // Only the width is given: the height follows the picture's own shape,
  // also when its EXIF orientation turns it on its side; the canvas then
  // brings the long side to size.
  const options = scale < 1 ? { resizeWidth: Math.max(1, Math.round(width * scale)), resizeQuality: 'high' } : {};
  const bitmap = await createImageBitmap(file, { imageOrientation: 'from-image', ...options });
  try {
    const fit = Math.min(1, smallSide / Math.max(bitmap.width, bitmap.height));
    const canvas = new OffscreenCanvas(Math.max(1, Math.round(bitmap.width * fit)), Math.max(1, Math.round(bitmap.height * fit)));
    canvas.getContext('2d').drawImage(bitmap, 0, 0, canvas.width, canvas.height);
    let blob = await canvas.convertToBlob({ type: 'image/webp', quality: 0.8 });
    if (blob.type !== 'image/webp') {
      blob = await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.85 });
    }
    return { name: file.name, blob, width: canvas.width, height: canvas.height };
  } finally {
    bitmap.close();
  }
}

/// Adds `files` to the collector's own pictures.
export async function addOwnPictures(files, how = '') {
  const pictures = [...files].filter((file) => isPictureName(file.name));
  if (pictures.length === 0) {
    say('No JPEG, PNG or WebP picture among them.');
    return;
  }
  const done = reading(counted(pictures.length, 'picture', 'pictures'));
  const made = [];
  const refused = [];
  try {
    for (const file of pictures) {
      try {
        made.push(await smallCopy(file));
      } catch (error) {
        refused.push(`${file.name}: ${errorText(error)}`);
      }
    }
  } finally {
    done();
  }
  const names = new Set(made.map((picture) => picture.name));
  showOwn([...own.filter((picture) => !names.has(picture.name)), ...made]);
  const came = how ? ` (${how})` : '';
  say(`${counted(made.length, 'picture', 'pictures')} of your own added${came}.`
    + (refused.length > 0 ? ` Cannot be shown: ${refused.join('; ')}.` : ''));
  try {
    await keepOwnPictures(own);
  } catch (error) {
    say(`${byId('pictures-status').textContent} (not kept for the next visit: ${errorText(error)})`);
  }
}

async function forgetOwn() {
  const before = own;
  showOwn([]);
  await keepOwnPictures([]);
  say('');
  undo.offer(`${counted(before.length, 'picture', 'pictures')} of your own forgotten.`, async () => {
    showOwn(before);
    await keepOwnPictures(before);
  });
}

export function wirePictures() {
  on('current', showPictures);
  on('ready', async () => {
    const kept = await keptOwnPictures();
    if (kept.length > 0) {
      showOwn(kept);
    }
    await loadPublished();
  });
  for (const id of ['open-pictures', 'open-picture-folder']) {
    const input = byId(id);
    input.addEventListener('change', async () => {
      await addOwnPictures(input.files);
      input.value = '';
    });
  }
  byId('forget-pictures').addEventListener('click', forgetOwn);
  byId('keep-pictures').addEventListener('click', keepOffline);
  byId('remove-pictures').addEventListener('click', removeOffline);
  byId('viewer-close').addEventListener('click', () => byId('viewer').close());
  byId('viewer').addEventListener('close', () => byId('viewer-image').removeAttribute('src'));
}
