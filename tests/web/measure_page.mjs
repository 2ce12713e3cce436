// Measures the page in headless Chromium (scripts/measure-web.sh runs it):
//
//   node tests/web/measure_page.mjs SITE
//
// Prints one JSON object: what the page downloads (each file, bytes and
// gzipped bytes), the time from navigation to the field drawn and waiting for
// a key (the median of 5 loads, each in a fresh context, so nothing cached),
// from that key to the first frame, and the frames run over 10 s of play in
// real time, with the main thread's busy time meanwhile. The game is seed 95
// with Up held, which lives for about 20 s. Then navigation to the first
// frame when a key is pressed as soon as the page can hear one (the median
// of 5 fresh loads), and how long skipping a whole game won (3,116 frames,
// tests/golden/ending.script) from a link to its end takes.

import { readFileSync } from 'node:fs';
import { deflateSync, gzipSync } from 'node:zlib';
import { DESKTOP, launch, serve } from './harness.mjs';

const site = await serve(process.argv[2] || 'dist/web');
const browser = await launch();
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const result = {};

try {
  const loads = [];
  for (let i = 0; i < 5; ++i) {
    const files = [];
    const context = await browser.newContext({ viewport: { width: DESKTOP.width, height: DESKTOP.height } });
    const page = await context.newPage();
    page.on('response', async (response) => {
      const body = await response.body().catch(() => Buffer.alloc(0));
      files.push({ url: new URL(response.url()).pathname, bytes: body.length, gzipped: gzipSync(body, { level: 9 }).length });
    });
    await page.goto(`${site.url}?seed=95`);
    await page.waitForFunction(() => window.zorbly?.phase === 'waiting');
    const ready = await page.evaluate(() => window.zorbly.timings.ready);
    await page.keyboard.down('ArrowUp');
    await page.waitForFunction(() => window.zorbly.timings.firstFrame !== null);
    const keyToFrame = await page.evaluate(() => window.zorbly.timings.firstFrame - window.zorbly.timings.began);
    loads.push({ ready, keyToFrame });
    if (i === 0) {
      await page.waitForTimeout(300);
      result.files = files.sort((a, b) => a.url.localeCompare(b.url));
      // Ten seconds of play in real time, from one second in.
      const cdp = await context.newCDPSession(page);
      await cdp.send('Performance.enable');
      const busy = async () => {
        const { metrics } = await cdp.send('Performance.getMetrics');
        const get = (name) => metrics.find((m) => m.name === name)?.value ?? 0;
        return { task: get('TaskDuration'), script: get('ScriptDuration') };
      };
      await page.waitForTimeout(700);
      const sample = () => page.evaluate(() => ({ frames: window.zorbly.frames, at: performance.now(), phase: window.zorbly.phase }));
      const a = await sample(), busyA = await busy();
      await page.waitForTimeout(10000);
      const b = await sample(), busyB = await busy();
      result.play = {
        seconds: (b.at - a.at) / 1000,
        frames: b.frames - a.frames,
        perSecond: (b.frames - a.frames) / ((b.at - a.at) / 1000),
        phase: b.phase,
        mainThreadBusy: (busyB.task - busyA.task) / ((b.at - a.at) / 1000),
        scriptBusy: (busyB.script - busyA.script) / ((b.at - a.at) / 1000),
      };
    }
    await context.close();
  }
  result.loads = loads;

  const early = [];
  for (let i = 0; i < 5; ++i) {
    const context = await browser.newContext({ viewport: { width: DESKTOP.width, height: DESKTOP.height } });
    const page = await context.newPage();
    await page.goto(`${site.url}?seed=95`, { waitUntil: 'commit' });
    await page.waitForFunction(() => window.zorblyEarly, null, { polling: 1 });
    await page.keyboard.down('ArrowUp');
    await page.waitForFunction(() => (window.zorbly?.timings.firstFrame ?? null) !== null);
    early.push(await page.evaluate(() => window.zorbly.timings.firstFrame));
    await context.close();
  }
  result.earlyKeyToFrame = early;
  result.earlyKeyToFrameMs = median(early);

  const ending = readFileSync(new URL('../golden/ending.script', import.meta.url));
  const context = await browser.newContext({ viewport: { width: DESKTOP.width, height: DESKTOP.height } });
  const page = await context.newPage();
  await page.goto(`${site.url}#run=${deflateSync(ending).toString('base64url')}`);
  await page.waitForFunction(() => window.zorbly?.watching);
  result.skipMs = await page.evaluate(() => new Promise((resolve) => {
    const from = performance.now();
    document.getElementById('skip').click();
    const look = () => (window.zorbly.watching ? requestAnimationFrame(look) : resolve(performance.now() - from));
    look();
  }));
  await context.close();
  result.readyMs = median(loads.map((l) => l.ready));
  result.keyToFrameMs = median(loads.map((l) => l.keyToFrame));
  result.bytes = result.files.reduce((sum, f) => sum + f.bytes, 0);
  result.gzipped = result.files.reduce((sum, f) => sum + f.gzipped, 0);
} finally {
  await browser.close();
  await site.close();
}
console.log(JSON.stringify(result));
