import { chromium } from '@playwright/test';
import { startServer } from './tests/page/server.mjs';
const s = await startServer('/tmp/wp/site');
const b = await chromium.launch({ executablePath: '/usr/bin/chromium' });
for (const [url, vp, out] of [[s.url, {width:1280,height:900}, '/tmp/wp/desk.png'], [s.url, {width:360,height:640}, '/tmp/wp/phone.png'], ['file:///tmp/wp/rovadod.html', {width:1280,height:900}, '/tmp/wp/single.png']]) {
  const p = await b.newPage({ viewport: vp });
  p.on('console', m => console.log('console:', m.type(), m.text().slice(0, 300)));
  p.on('pageerror', e => console.log('pageerror:', e.message.slice(0, 300)));
  await p.goto(url);
  await p.waitForSelector('html[data-ready=true]', {timeout: 5000}).catch(e => console.log('not ready'));
  await p.selectOption('#obverse-figure', '#1'); await p.fill('#weight', '19,2');
  console.log(url, 'status:', await p.locator('#status').textContent(), 'rows', await p.locator('#candidates tbody tr').count());
  await p.screenshot({ path: out, fullPage: true });
  await p.close();
}
await b.close(); await s.close();
