// SPDX-License-Identifier: GPL-3.0-or-later
// Coin tickets for the printer: the engine's ticket values, set in the lines of
// rovadod-find's PDF ticket, on A4 sheets at the places the engine gives.

import { cut } from './util.js';

// More than a 50 mm ticket holds in its smallest type; a megabyte-long value
// costs no more than a short one.
const mostShown = 1000;

/// One line of type: control characters and line separators would break the
/// line, so they show as spaces.
function oneLine(value) {
  return cut(String(value ?? ''), mostShown).replace(/[\u0000-\u001f\u007f\u2028\u2029]/g, ' ');
}

function measured(label, coin, coinText, unit, entry) {
  if (coin === null || coin === undefined) {
    return label + oneLine(entry);
  }
  return `${label}${oneLine(coinText ?? String(coin))} ${unit} (${oneLine(entry)})`;
}

/// The ticket's lines as [class, text], top to bottom.
export function ticketLines(ticket) {
  const lines = [];
  if (ticket.id) {
    lines.push(['id', oneLine(ticket.id)]);
  }
  if (!ticket.found) {
    lines.push(['sv', 'No match']);
    lines.push(['differs', `Seen: ${oneLine(ticket.seen)}`]);
    return lines;
  }
  lines.push(['sv', oneLine(ticket.sv)]);
  let denomination = oneLine(ticket.denomination);
  if (ticket.mint) {
    denomination += ` · ${oneLine(ticket.mint)}`;
  }
  lines.push(['', denomination]);
  lines.push(['', `Plate ${oneLine(ticket.plate)}`]);
  lines.push(['', `SNGCop ${oneLine(ticket.sngCop)} · Weiser ${oneLine(ticket.weiser)}`]);
  const sides = ['centre ', 'left ', 'right '];
  const monograms = (ticket.monograms ?? [])
    .map((m, k) => (m ? sides[k] + oneLine(m) : ''))
    .filter(Boolean);
  if (monograms.length > 0) {
    lines.push(['', `Monograms: ${monograms.join(', ')}`]);
  }
  lines.push(['', measured('Weight ', ticket.weight, ticket.weightText, 'g', ticket.weightRange)]);
  lines.push(['', measured('Diameter ', ticket.diameter, ticket.diameterText, 'mm', ticket.entryDiameter)]);
  const differs = ticket.differs ?? [];
  lines.push(['differs', differs.length === 0 ? 'exact' : `differs: ${differs.map(oneLine).join('; ')}`]);
  const also = ticket.also ?? [];
  if (also.length > 0) {
    lines.push(['', `also: ${also.map(oneLine).join(', ')}`]);
  }
  return lines;
}

function ticketElement(ticket, place) {
  const element = document.createElement('div');
  element.className = 'ticket';
  element.style.left = `${place.x}mm`;
  element.style.top = `${place.y}mm`;
  element.style.width = `${place.width}mm`;
  element.style.height = `${place.height}mm`;
  // The first candidate's first picture, small, beside the text.
  if (ticket.picture) {
    const image = document.createElement('img');
    image.className = 'ticket-picture';
    image.alt = '';
    image.src = ticket.picture.small ?? ticket.picture.path;
    element.append(image);
    element.classList.add('with-picture');
  }
  for (const [kind, text] of ticketLines(ticket)) {
    const line = document.createElement('p');
    if (kind) {
      line.className = kind;
    }
    line.textContent = text;
    element.append(line);
  }
  return element;
}

/// Fills `area` with one sheet per page of `pages` ([[{x, y, width, height}]]
/// in mm), the tickets in order.
export function layTickets(area, tickets, pages) {
  const sheets = [];
  let next = 0;
  for (const page of pages) {
    const sheet = document.createElement('div');
    sheet.className = 'sheet';
    for (const place of page) {
      if (next < tickets.length) {
        sheet.append(ticketElement(tickets[next++], place));
      }
    }
    sheets.push(sheet);
  }
  area.replaceChildren(...sheets);
}

let endPrinting = null;

/// Prints `tickets` through the browser's print dialog once their pictures
/// are decoded (one that cannot be leaves its ticket without one, never a
/// blank); the print layout stays until the browser says printing is over.
export async function printTickets(tickets, pages) {
  const area = document.getElementById('print-area');
  if (endPrinting) {
    window.removeEventListener('afterprint', endPrinting);
  }
  layTickets(area, tickets, pages);
  await Promise.all([...area.querySelectorAll('img')].map((image) => image.decode().catch(() => image.remove())));
  document.body.classList.add('printing');
  endPrinting = () => {
    endPrinting = null;
    document.body.classList.remove('printing');
    area.replaceChildren();
  };
  window.addEventListener('afterprint', endPrinting, { once: true });
  window.print();
}
