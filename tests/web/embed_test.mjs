// The page as others show it (node --test; scripts/test-web.sh runs it),
// served on 127.0.0.1 from ZORBLY_SITE (default dist/web): every screen pixel
// of the field at any zoom, full screen, and the page inside another page's
// <iframe>. The page's clock is Playwright's fake one, paused, as in
// page_test.mjs. Screenshots go to ZORBLY_SHOTS.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { launch, openPage, serve } from './harness.mjs';

const SHOTS = process.env.ZORBLY_SHOTS || path.join(tmpdir(), 'zorbly-web-shots');
const GREY = [0x33, 0x33, 0x33];   // the line round the field
let site, browser;

before(async () => {
  mkdirSync(SHOTS, { recursive: true });
  site = await serve(process.env.ZORBLY_SITE || 'dist/web');
  browser = await launch();
});

after(async () => {
  await browser?.close();
  await site?.close();
});

// The page at `query`, loaded and waiting for its first key, its clock paused.
async function open(query = '?seed=1', viewport = { width: 800, height: 600 }) {
  const opened = await openPage(browser, site.url + query, viewport, (page) => page.clock.install());
  await opened.page.waitForFunction(() => ['waiting', 'failed'].includes(window.zorbly?.phase));
  await opened.page.clock.pauseAt(Date.now() + 1000);
  return opened;
}

// Compares a screenshot of the page, in screen pixels, with the canvas: every
// screen pixel of the field's rectangle must be its field pixel, the ring of
// screen pixels just outside it the grey line, and the ring outside that the
// page's black. Runs in the page.
function compareScreen([png, ratio, grey]) {
  return (async () => {
    const blob = new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))], { type: 'image/png' });
    const bitmap = await createImageBitmap(blob, { colorSpaceConversion: 'none' });
    const shot = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    shot.drawImage(bitmap, 0, 0);
    const field = document.getElementById('field'), stage = document.getElementById('stage');
    const r = field.getBoundingClientRect(), s = stage.getBoundingClientRect();
    const rect = [r.left * ratio, r.top * ratio, r.width * ratio, r.height * ratio];
    const [left, top, width, height] = rect.map(Math.round);
    const scale = width / field.width;
    const own = field.getContext('2d').getImageData(0, 0, field.width, field.height).data;
    const seen = shot.getImageData(left - 2, top - 2, width + 4, height + 4).data;
    let covered = 0, ringOff = 0, beyond = 0, firstCovered = null;
    for (let y = -2; y <= height + 1; ++y) {
      for (let x = -2; x <= width + 1; ++x) {
        const at = ((y + 2) * (width + 4) + x + 2) * 4;
        const pixel = [seen[at], seen[at + 1], seen[at + 2]];
        const out = Math.max(-x, -y, x - width + 1, y - height + 1);   // how far outside: 1, 2
        if (out === 2) {
          if (pixel.some((v) => v !== 0)) ++beyond;
          continue;
        }
        if (out === 1) {
          if (pixel.some((v, i) => v !== grey[i])) ++ringOff;
          continue;
        }
        const from = (Math.floor(y / scale) * field.width + Math.floor(x / scale)) * 4;
        if (pixel.some((v, i) => v !== own[from + i])) {
          ++covered;
          firstCovered ??= { x, y, seen: pixel, field: [own[from], own[from + 1], own[from + 2]] };
        }
      }
    }
    return { rect, scale, room: Math.min(s.width, s.height) * ratio, covered, ringOff, beyond, firstCovered,
      shot: [bitmap.width, bitmap.height] };
  })();
}

test('every screen pixel of the field shows its field pixel at any zoom, with the grey line only outside it', async () => {
  const found = [];
  for (const ratio of [1, 1.25, 1.5, 1.75, 2, 2.5, 3]) {
    const { page, context, errors } = await open('?seed=1', { width: 800, height: 600, deviceScaleFactor: ratio });
    await page.keyboard.press('Shift');   // starts the game, which ignores it
    await page.clock.runFor(100);
    const png = await page.screenshot({ scale: 'device', path: path.join(SHOTS, `zoom-${ratio}.png`) });
    const c = await page.evaluate(compareScreen, [png.toString('base64'), ratio, GREY]);
    found.push({ ratio, ...c, errors });
    await context.close();
  }
  console.log(found.map((c) => `${c.ratio}: field at ${c.rect}, scale ${c.scale}, ${c.covered} field pixels covered, `
    + `${c.ringOff} of the ring round it not grey, ${c.beyond} beyond that not black`).join('\n'));
  for (const c of found) {
    const { ratio } = c;
    assert.deepEqual(c.shot, [800 * ratio, 600 * ratio].map(Math.round), `${ratio}: a screenshot in screen pixels`);
    for (const v of c.rect) assert.ok(Math.abs(v - Math.round(v)) < 0.02, `${ratio}: the field at ${c.rect}`);
    assert.equal(Math.round(c.rect[2]), 120 * c.scale, `${ratio}: width`);
    assert.ok(Number.isInteger(c.scale) && 120 * c.scale <= c.room && 120 * (c.scale + 1) > c.room,
      `${ratio}: scale ${c.scale} in ${c.room} pixels`);
    assert.equal(c.covered, 0, `${ratio}: field pixels covered, the first ${JSON.stringify(c.firstCovered)}`);
    assert.equal(c.ringOff, 0, `${ratio}: the ring round the field is not all grey`);
    assert.equal(c.beyond, 0, `${ratio}: the grey spreads further than one screen pixel`);
    assert.deepEqual(c.errors, [], `${ratio}`);
  }
});
