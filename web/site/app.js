// SPDX-License-Identifier: GPL-3.0-or-later
// The worn-coin finder's page: every field is read on each change and handed
// to the C++ engine, whose answer (counts, candidates, entry, files, tickets)
// is shown as it comes. Nothing here matches, counts or ranks. Each part of
// the page is its own module; this one starts them and routes dropped files.

import { wireCandidates } from './candidates.js';
import createEngine from './engine.js';
import { wireEntry } from './entry.js';
import { defaultCatalogue, keptCatalogue, openCatalogue, openCatalogueFile, wireKept } from './kept.js';
import { offerInstall, showVersion, startOffline } from './offline.js';
import { addOwnPictures, wirePictures } from './pictures.js';
import { fillLists, questionFromAddress, wireQuestion } from './question.js';
import { emit, state } from './state.js';
import { addToStatus, setStatus } from './status.js';
import { openTray, wireTray } from './tray.js';
import { errorText } from './util.js';

const { early } = self.rovadodBoot;

/// Pictures dropped on the page join the collector's own; another file
/// dropped on the Tray section goes to the tray, anywhere else it opens as
/// the catalogue.
function wireDrops() {
  document.addEventListener('dragover', (event) => {
    if (event.dataTransfer?.types.includes('Files')) {
      event.preventDefault();
    }
  });
  document.addEventListener('drop', (event) => {
    const file = event.dataTransfer?.files[0];
    if (!file) {
      return;
    }
    event.preventDefault();
    // A picture is never a catalogue: it joins the collector's own.
    const pictures = [...event.dataTransfer.files].filter((f) => /\.(jpe?g|png|webp)$/i.test(f.name) || f.type.startsWith('image/'));
    if (pictures.length > 0) {
      addOwnPictures(pictures, 'dropped');
    } else if (event.target instanceof Element && event.target.closest('.tray')) {
      openTray(file, 'dropped');
    } else {
      openCatalogueFile(file, 'dropped');
    }
  });
}

/// Controls that need the engine work only once it has answered.
function enableControls() {
  for (const control of document.querySelectorAll('[data-needs-engine]')) {
    control.disabled = false;
  }
}

async function start() {
  performance.mark('rovadod-start');
  wireQuestion();
  wireCandidates();
  wireEntry();
  wireTray();
  wireKept();
  wirePictures();
  wireDrops();
  offerInstall();
  // The catalogue is read while the engine compiles; the default one is
  // asked for at once too, in case nothing is kept.
  const fallback = defaultCatalogue();
  const catalogue = keptCatalogue().then((kept) => (kept ? { ...kept, note: '' } : fallback));
  try {
    const compiled = await early.engine;
    // The engine compiled while the page loaded is the one instantiated.
    const options = compiled
      ? {
          instantiateWasm(imports, receive) {
            WebAssembly.instantiate(compiled, imports)
              .then((instance) => receive(instance, compiled))
              .catch((error) => setStatus(`The finder could not start in this browser: ${errorText(error)}`));
            return {};
          },
        }
      : {};
    performance.mark('rovadod-modules');
    state.engine = await createEngine(options);
    performance.mark('rovadod-engine');
  } catch (error) {
    setStatus(`The finder could not start in this browser: ${errorText(error)}`);
    return;
  }
  fillLists();
  const linkNote = questionFromAddress();
  const { bytes, name, note } = await catalogue;
  performance.mark('rovadod-catalogue');
  openCatalogue(bytes, name, note);
  addToStatus(linkNote);
  performance.mark('rovadod-first-answer');
  enableControls();
  showVersion(state.engine.version);
  document.documentElement.dataset.ready = 'true';
  emit('ready');
  startOffline();
}

start();
