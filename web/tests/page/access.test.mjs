// SPDX-License-Identifier: GPL-3.0-or-later
// Everyone can use it: axe finds nothing at desktop or phone size, a phone
// never scrolls sideways, and the keyboard reaches every control in reading
// order with its focus in sight.

import AxeBuilder from '@axe-core/playwright';
import { ask, expect, openFinder, test } from './fixtures.mjs';

const sizes = [
  { name: 'desktop', viewport: { width: 1280, height: 900 } },
  { name: 'phone', viewport: { width: 360, height: 640 } },
];

for (const { name, viewport, scheme } of sizes.flatMap((size) => ['light', 'dark'].map((scheme) => ({
  ...size, name: `${size.name}, ${scheme}`, scheme,
})))) {
  test(`axe finds no violation, nothing wider than the screen (${name})`, async ({ page }) => {
    await page.setViewportSize(viewport);
    await page.emulateMedia({ colorScheme: scheme });
    await openFinder(page);
    await ask(page, { 'obverse-figure': '#1', 'left-monogram': 'none', weight: 'heavy', near: '2' });
    await expect(page.getByLabel('Weight (g)', { exact: true })).toHaveAttribute('aria-invalid', 'true');
    const results = await new AxeBuilder({ page }).withTags(['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice']).analyze();
    expect(results.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`)).toEqual([]);

    const widths = await page.evaluate(() => ({
      page: document.documentElement.scrollWidth,
      screen: document.documentElement.clientWidth,
      table: document.querySelector('#candidates').scrollWidth,
      box: document.querySelector('#candidates').parentElement.clientWidth,
    }));
    expect(widths.page).toBeLessThanOrEqual(widths.screen);
    // On a phone the candidates are cards inside the screen; on a desktop
    // the table of fixed columns scrolls in its own box when it must.
    if (name.startsWith('phone')) {
      expect(widths.table).toBeLessThanOrEqual(widths.box);
    }
  });
}

test('Tab reaches every control in reading order, its focus visible', async ({ page }) => {
  await openFinder(page);
  const order = [];
  for (let k = 0; k < 60; ++k) {
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => {
      const element = document.activeElement;
      // A file input shows its focus on its label, drawn as the button.
      const drawn = element.classList.contains('file-input') ? element.nextElementSibling : element;
      const style = getComputedStyle(drawn);
      const id = element.tagName === 'TR' ? `row ${element.cells[0].textContent}`
        : element.classList.contains('picture') ? `picture ${element.querySelector('img').alt}`
          : element.id || element.textContent;
      return { id, ring: style.outlineStyle !== 'none' && style.outlineWidth !== '0px' };
    });
    expect(focused.ring, `focus of ${focused.id} is visible`).toBe(true);
    order.push(focused.id);
    if (focused.id === 'add-to-tray') {
      break;
    }
  }
  // "Install" is there only where the browser offers to install the page.
  const shown = order.filter((id) => id !== 'install');
  const expected = ['open-catalogue', 'forget-catalogue', 'summary', 'share', 'obverse-figure', 'inscription',
    'reverse-figure', 'left-field', 'right-side', 'countermark', 'center-monogram', 'left-monogram', 'right-monogram',
    'diameter', 'weight', 'near', 'clear', 'copy-rows', 'export-tsv', 'export-json', 'print-ticket'];
  expect(shown.slice(0, expected.length)).toEqual(expected);
  // Then the column titles, which sort, the current row alone (the keys
  // move from row to row), the entry and the tray.
  expect(shown.slice(expected.length, expected.length + 9)).toEqual(['Sv', 'Denomination', 'Diameter', 'Weight (g)',
    'Center Mgm', 'Left Mgm', 'Right Mgm', 'Differs', 'Fit']);
  expect(shown.slice(expected.length + 9)).toEqual(['row DEMO-001', 'copy-entry', 'picture DEMO-001 obverse',
    'picture DEMO-001 reverse', 'entry', 'keep-pictures', 'remove-pictures', 'open-pictures', 'open-picture-folder',
    'open-tray', 'coin-id', 'add-to-tray']);
});
