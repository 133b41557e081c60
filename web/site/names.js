// SPDX-License-Identifier: GPL-3.0-or-later
// Where this copy of the site keeps things. Two copies on one host (at /a/
// and /b/, or at / and /b/) keep apart: every name holds the site's folder,
// encoded so that it holds no "|", so no copy's name starts another's.
// sw.js makes the same names from its scope.

const scope = encodeURIComponent(new URL('./', document.baseURI).pathname);

export const databaseName = `rovadod|${scope}`;
export const keptMark = `rovadod|${scope}|kept`;
export const trayMark = `rovadod|${scope}|tray`;
export const ownPicturesMark = `rovadod|${scope}|own-pictures`;
// The small pictures kept for offline visits; sw.js fills it as they come.
export const picturesCache = `rovadod|${scope}|pictures`;

// What the page kept before its names had the site's folder in them, moved
// to the new names on the first visit after the update.
export const legacy = { databaseName: 'rovadod', keptMark: 'rovadod-catalogue-kept' };
