import { chromium } from '@playwright/test';
import { startServer } from './tests/page/server.mjs';
const server = await startServer('/work/main/build/web/site');
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium' });
const q = '?obverse-figure=%231&reverse-figure=%231&countermark=%231&diameter=27&weight=19.2';
for (const [name, opts, scheme] of [
  ['/tmp/phone-light.png', { viewport: { width: 360, height: 640 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 }, 'light'],
  ['/tmp/phone-dark.png', { viewport: { width: 360, height: 640 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 }, 'dark'],
  ['/tmp/desktop.png', { viewport: { width: 1280, height: 800 } }, 'light'],
]) {
  const context = await browser.newContext({ ...opts, colorScheme: scheme });
  const page = await context.newPage();
  await page.goto(server.url + q);
  await page.waitForSelector('html[data-ready="true"]');
  await page.waitForTimeout(500);
  await page.screenshot({ path: name });
  if (name.includes('phone-light')) {
    await page.locator('#summary').tap();
    await page.waitForTimeout(400);
    await page.locator('#candidates tbody tr').nth(1).tap();
    await page.waitForTimeout(400);
    await page.screenshot({ path: '/tmp/phone-cards.png' });
  }
  await context.close();
}
await browser.close(); await server.close();
