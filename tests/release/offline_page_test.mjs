// The page of a release plays offline (node --test; scripts/test-release.sh
// runs it on the unzipped zorbly-VERSION-web.zip named by ZORBLY_SITE). In
// headless Chromium: one visit while a server serves it, then the server
// stopped and the browser offline, a reload, and the game starts from what
// service-worker.js kept: after a key and a few frames the canvas equals the
// native zorbly-headless's shot of the same game (ZORBLY_NATIVE_HEADLESS).
// Chromium must find it installable and its manifest without errors (it
// does so without a worker too: playing offline is what tests the worker).
// A screenshot of the offline page goes to ZORBLY_SHOTS.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fieldDiffersFrom, launch, openPage, screenshot, serve } from '../web/harness.mjs';

const { ZORBLY_SITE: SITE, ZORBLY_NATIVE_HEADLESS: NATIVE } = process.env;
const SHOTS = process.env.ZORBLY_SHOTS || path.join(tmpdir(), 'zorbly-release-shots');

const phase = (page) => page.evaluate(() => window.zorbly?.phase);
const frames = (page) => page.evaluate(() => window.zorbly.frames);

test('after one visit the page starts and plays with the server gone and the browser offline', async () => {
  assert.ok(SITE && NATIVE, 'ZORBLY_SITE names the page, ZORBLY_NATIVE_HEADLESS the native program');
  mkdirSync(SHOTS, { recursive: true });
  const scratch = mkdtempSync(path.join(tmpdir(), 'zorbly-offline-'));
  const site = await serve(SITE);
  const browser = await launch();
  let serving = true;
  try {
    // The visit: the worker installs, fills its cache and takes the page over.
    const { page, context, errors } = await openPage(browser, site.url + '?seed=1', undefined,
      (p) => p.clock.install());
    await page.waitForFunction(() => ['waiting', 'failed'].includes(window.zorbly?.phase));
    assert.equal(await phase(page), 'waiting');
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, { timeout: 20000 });
    const kept = await page.evaluate(async () => {
      const names = await caches.keys();
      const cache = await caches.open(names[0]);
      return { names, files: (await cache.keys()).map((r) => new URL(r.url).pathname.slice(1)).sort() };
    });
    // Chromium would offer to install it (manifest, icons, worker). A test's
    // browser context is an incognito one, which Chromium names as the one
    // reason it would not: that is the browser's, not the page's.
    const cdp = await context.newCDPSession(page);
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors.filter((e) => e.errorId !== 'in-incognito'), [],
      'Chromium finds the page installable');
    const { url: manifestUrl, errors: manifestErrors } = await cdp.send('Page.getAppManifest');
    assert.ok(manifestUrl.endsWith('/manifest.webmanifest'), manifestUrl);
    assert.deepEqual(manifestErrors, []);
    await cdp.detach();
    assert.equal(kept.names.length, 1, `one cache: ${kept.names}`);
    assert.deepEqual(kept.files, ['favicon.png', 'icon-192.png', 'icon-512.png', 'index.html', 'manifest.webmanifest',
      'page.js', 'runs.js', 'zorbly.js', 'zorbly.wasm']);

    // The network gone: no server, and the browser offline.
    await site.close();
    serving = false;
    await context.setOffline(true);
    await page.reload();
    await page.waitForFunction(() => ['waiting', 'failed'].includes(window.zorbly?.phase));
    assert.equal(await phase(page), 'waiting', await page.evaluate(() => document.getElementById('status').textContent));
    await page.clock.pauseAt(Date.now() + 1000);

    // A key starts the game; Z held for some frames, then let go.
    const lines = ['seed 1'];
    let played = 0;
    const catchUp = async () => {
      const ran = await frames(page);
      if (ran > played) lines.push(`tick ${ran - played}`);
      played = ran;
    };
    const runUntil = async (n) => {
      for (let i = 0; i < 4 * n + 10 && (await frames(page)) < n; ++i) await page.clock.runFor(16);
    };
    lines.push('down 90');
    await page.keyboard.down('z');
    await runUntil(20);
    await catchUp();
    lines.push('up 90');
    await page.keyboard.up('z');
    await runUntil(40);
    await catchUp();
    assert.ok(played >= 40, `${played} frames ran`);

    const script = path.join(scratch, 'script.txt'), png = path.join(scratch, 'native.png');
    writeFileSync(script, `${lines.join('\n')}\nshot ${png}\n`);
    execFileSync(NATIVE, ['--script', script]);
    const differ = await fieldDiffersFrom(page, readFileSync(png));
    await screenshot(page, path.join(SHOTS, 'offline.png'));
    assert.equal(differ, 0, `the offline canvas differs from the native picture of\n${lines.join('\n')}`);
    assert.deepEqual(errors, []);
    await context.close();
  } finally {
    await browser.close();
    if (serving) await site.close();
    rmSync(scratch, { recursive: true, force: true });
  }
});
