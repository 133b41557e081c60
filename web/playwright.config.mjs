// SPDX-License-Identifier: GPL-3.0-or-later
// The page's tests drive Debian's Chromium headless; each test serves the
// built site itself (tests/page/fixtures.mjs), so no port is fixed.
import { defineConfig, devices } from '@playwright/test';

export default defineConfig({
  testDir: 'tests/page',
  testMatch: '*.test.mjs',
  // The machine's cores are shared: one browser at a time.
  workers: 1,
  fullyParallel: false,
  timeout: 60_000,
  expect: { timeout: 10_000 },
  forbidOnly: true,
  reporter: [['list']],
  outputDir: 'test-results',
  use: {
    ...devices['Desktop Chrome'],
    browserName: 'chromium',
    headless: true,
    viewport: { width: 1280, height: 900 },
    launchOptions: { executablePath: process.env.ROVADOD_CHROMIUM ?? '/usr/bin/chromium' },
    trace: 'off',
  },
});
