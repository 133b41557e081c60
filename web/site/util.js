// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers every part of the page shares.

export const byId = (id) => document.getElementById(id);

/// `text` cut to `most` UTF-16 units with "…", never inside a surrogate pair:
/// laying out a megabyte-long value would hold the page up for seconds.
export function cut(text, most) {
  if (text.length <= most) {
    return text;
  }
  let end = most;
  const last = text.charCodeAt(end - 1);
  if (last >= 0xd800 && last <= 0xdbff) {
    end -= 1;
  }
  return `${text.slice(0, end)}…`;
}

export const errorText = (error) => error?.message ?? String(error);

/// Hands `bytes` (a Uint8Array, never decoded) to the browser as a download.
export function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

/// `count` with the singular or plural of its noun: "1 coin", "3 coins".
export const counted = (count, one, many) => `${count} ${count === 1 ? one : many}`;

/// Puts `text` on the clipboard; where the clipboard API is refused, the
/// older way still copies.
export async function copyText(text) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    const area = document.createElement('textarea');
    area.value = text;
    area.setAttribute('readonly', '');
    area.className = 'visually-hidden';
    document.body.append(area);
    area.select();
    document.execCommand('copy');
    area.remove();
  }
}
