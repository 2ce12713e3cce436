// The page as others show it (node --test; scripts/test-web.sh runs it),
// served on 127.0.0.1 from ZORBLY_SITE (default dist/web): every screen pixel
// of the field at any zoom, full screen, and the page inside another page's
// <iframe>. The page's clock is Playwright's fake one, paused, as in
// page_test.mjs. Screenshots go to ZORBLY_SHOTS.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
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

// --- in another page's <iframe> -------------------------------------------------------

// A long page of text with the game at src in a frame half way down.
function hostPage(src, allow) {
  return `<!doctype html>
<html lang="en"><head><meta charset="utf-8"><title>A page with Zorbly in it</title>
<link rel="icon" href="data:,">
<style>
  body { margin: 0; font: 16px sans-serif; background: #fff; color: #000; }
  .text { height: 1200px; padding: 1rem; background: repeating-linear-gradient(#eee 0 40px, #ddd 40px 80px); }
  iframe { display: block; width: 640px; height: 480px; margin: 0 auto; border: 0; }
</style></head><body>
<div class="text">Above the game.</div>
<iframe src="${src}"${allow ? ' allow="fullscreen"' : ''}></iframe>
<div class="text">Below the game.</div>
</body></html>`;
}

// The host page, from the game's own site or another (localhost, from a
// server of its own), scrolled so that the frame's top 150 pixels show at the
// bottom of the window (the field's top, not the box in its middle nor the
// buttons under it), and the game in it waiting, its clock paused.
async function openHost({ allow = true, elsewhere = false } = {}) {
  const body = hostPage(site.url + 'index.html?seed=1', allow);
  let url = site.url + 'host.html', hostSite = null;
  if (elsewhere) {
    const dir = mkdtempSync(path.join(tmpdir(), 'zorbly-host-'));
    writeFileSync(path.join(dir, 'host.html'), body);
    hostSite = await serve(dir);
    hostSite.dir = dir;
    url = hostSite.url.replace('127.0.0.1', 'localhost') + 'host.html';
  }
  const opened = await openPage(browser, url, { width: 800, height: 600 }, async (page) => {
    await page.clock.install();   // the context's clock: in the frame too
    if (!elsewhere) await page.route(url, (route) => route.fulfill({ contentType: 'text/html; charset=utf-8', body }));
  });
  opened.context.on('close', () => {
    if (!hostSite) return;
    hostSite.close();
    rmSync(hostSite.dir, { recursive: true, force: true });
  });
  const { page } = opened;
  const game = site.url + 'index.html';
  let frame;
  for (let i = 0; i < 100 && !frame; ++i, await settle()) frame = page.frames().find((f) => f.url().startsWith(game));
  assert.ok(frame, `no frame of ${game} in ${page.frames().map((f) => f.url())}`);
  await frame.waitForFunction(() => window.zorbly?.phase === 'waiting');
  await page.clock.pauseAt(Date.now() + 1000);
  await page.evaluate(() => scrollTo(0, document.querySelector('iframe').offsetTop - innerHeight + 150));
  return { ...opened, frame };
}

const scrolled = (page) => page.evaluate(() => scrollY);
const phaseIn = (frame) => frame.evaluate(() => window.zorbly.phase);
const settle = () => new Promise((resolve) => setTimeout(resolve, 150));   // a scroll would have begun

// Lets time pass until n frames of this game have run, or the game is over.
async function runUntil(page, frame, n) {
  for (let i = 0; i < 4 * n + 10; ++i) {
    const ran = await frame.evaluate(() => window.zorbly.frames);
    if (ran >= n || !['waiting', 'playing'].includes(await phaseIn(frame))) return ran;
    await page.clock.runFor(16);
  }
  assert.fail(`${n} frames did not come (${await phaseIn(frame)})`);
}

// Holds each key (three presses: two of them the keyboard's repeats), then lets go.
async function hold(page, keys) {
  for (const key of keys) {
    for (let i = 0; i < 3; ++i) await page.keyboard.down(key);
    await page.keyboard.up(key);
  }
  await settle();
}

// The top row of the chick: the first row below the score lit left of x = 20.
// In a frame, or a page.
function chickTop(frame) {
  return frame.evaluate(() => {
    const data = document.getElementById('field').getContext('2d').getImageData(0, 0, 20, 120).data;
    for (let y = 14; y < 120; ++y) {
      for (let x = 0; x < 20; ++x) if (data[(y * 20 + x) * 4] + data[(y * 20 + x) * 4 + 1] > 0) return y;
    }
    return 120;
  });
}

const wakeShown = (frame) => frame.locator('#wake').isVisible();

test('in another page\'s frame, scrolling keys never scroll that page, in any phase; the GAME OVER box comes and goes without scrolling it', async () => {
  const seen = [await keysInAFrame(false), await keysInAFrame(true)];
  for (const { name, steps, moved, errors } of seen) {
    assert.deepEqual(steps, steps.map((s) => s.replace(/-?\d+$/, '0')), `${name}: the host page moved`);
    assert.equal(moved, 0, name);
    assert.deepEqual(errors, [], name);
  }
});

async function keysInAFrame(elsewhere) {
  const name = elsewhere ? 'from another site' : 'from the same site';
  const { page, context, frame, errors } = await openHost({ elsewhere });
  const at = await scrolled(page);
  assert.ok(at > 0, `${name}: the host page is scrolled`);
  const steps = [];   // how far the host page moved at each step
  let last = at;
  const check = async (what) => {
    const now = await scrolled(page);
    steps.push(`${what}: ${now - last}`);
    last = now;
  };
  await frame.evaluate(() => window.focus());   // the game has the keys, and still waits
  assert.deepEqual([await frame.evaluate(() => document.hasFocus()), await phaseIn(frame)], [true, 'waiting'], name);
  await settle();
  await check('focused');

  await hold(page, ['PageDown']);   // starts the game
  await check('waiting');
  assert.equal(await phaseIn(frame), 'playing', name);
  await runUntil(page, frame, 5);
  await hold(page, ['ArrowDown', 'ArrowUp', 'Space', 'PageDown', 'End']);
  await check('playing');
  await runUntil(page, frame, 1000);
  assert.equal(await phaseIn(frame), 'box', name);
  await settle();
  await check('the box shown');
  await hold(page, ['ArrowDown', 'ArrowUp', 'PageDown', 'End']);
  await check('keys in the box');
  await page.keyboard.press('Enter');   // OK
  for (let i = 0; i < 50 && (await phaseIn(frame)) !== 'over'; ++i) await settle();
  assert.equal(await phaseIn(frame), 'over', name);
  await settle();
  await check('the box gone');
  await hold(page, ['ArrowDown', 'ArrowUp', 'PageDown', 'End']);
  await check('after it');
  await hold(page, ['Space']);   // on Play again, which has the focus: a new game
  assert.equal(await phaseIn(frame), 'playing', name);
  await check('Play again');
  await page.screenshot({ path: path.join(SHOTS, `in-a-frame-${elsewhere ? 'elsewhere' : 'same-site'}.png`) });
  const moved = (await scrolled(page)) - at;
  await context.close();
  return { name, steps, moved, errors };
}

test('"Click to play" shows over the field while the page does not have the keys: in a frame until clicked into', async () => {
  const { page, context, frame, errors } = await openHost();
  await page.evaluate(() => document.querySelector('iframe').scrollIntoView({ block: 'center' }));
  assert.equal(await frame.evaluate(() => document.hasFocus()), false);
  assert.equal(await wakeShown(frame), true, 'shown before the click');
  const wake = await frame.evaluate(() => {
    const rect = (e) => e.getBoundingClientRect();
    const w = rect(document.getElementById('wake')), f = rect(document.getElementById('field'));
    return { text: document.getElementById('wake').textContent, wake: [w.left, w.top, w.right, w.bottom],
      field: [f.left, f.top, f.right, f.bottom] };
  });
  assert.equal(wake.text, 'Click to play');
  const middle = (a, b) => (a + b) / 2;
  assert.ok(Math.abs(middle(wake.wake[0], wake.wake[2]) - middle(wake.field[0], wake.field[2])) < 1
    && Math.abs(middle(wake.wake[1], wake.wake[3]) - middle(wake.field[1], wake.field[3])) < 1, `centred: ${JSON.stringify(wake)}`);
  assert.ok(wake.wake[0] > wake.field[0] && wake.wake[2] < wake.field[2] && wake.wake[3] - wake.wake[1] < 80,
    `inside the field: ${JSON.stringify(wake)}`);
  await page.screenshot({ path: path.join(SHOTS, 'in-a-frame-click-to-play.png') });

  const box = await page.locator('iframe').boundingBox();
  await page.mouse.click(box.x + box.width / 2, box.y + 100);   // on the field, where it shows
  assert.equal(await frame.evaluate(() => document.hasFocus()), true, 'the click gave the page the keys');
  assert.equal(await wakeShown(frame), false, 'hidden after the click');
  assert.equal(await phaseIn(frame), 'playing', 'the click started the game');
  await runUntil(page, frame, 3);
  const before = await chickTop(frame);
  await page.keyboard.down('ArrowDown');
  await runUntil(page, frame, 7);
  await page.keyboard.up('ArrowDown');
  assert.ok((await chickTop(frame)) > before, 'ArrowDown moved the chick');

  await page.evaluate(() => { document.body.tabIndex = -1; document.body.focus(); });   // the keys back to the host
  await settle();
  assert.equal(await wakeShown(frame), true, 'shown again once the host has the keys');
  assert.deepEqual(errors, []);
  await context.close();
});

test('a page that has the keys shows no "Click to play"', async () => {
  const { page, context, errors } = await open();
  assert.equal(await page.evaluate(() => document.hasFocus()), true);
  assert.equal(await page.locator('#wake').isVisible(), false);
  assert.deepEqual(errors, []);
  await context.close();
});

// --- full screen -------------------------------------------------------------------------

// The field's scale, whether it is whole and the largest that fits the stage,
// and the window's size.
function fieldScale(page) {
  return page.evaluate(() => {
    const f = document.getElementById('field').getBoundingClientRect();
    const s = document.getElementById('stage').getBoundingClientRect();
    const scale = (f.width * devicePixelRatio) / 120, room = Math.min(s.width, s.height) * devicePixelRatio;
    const whole = Math.abs(scale - Math.round(scale)) < 1e-3;
    return { scale, largest: whole && 120 * Math.round(scale) <= room + 1e-3 && 120 * (Math.round(scale) + 1) > room,
      window: [innerWidth, innerHeight] };
  });
}

test('Full screen fills the screen with the field at the largest whole scale; the click neither starts the game nor keeps its keys', async () => {
  for (const viewport of [{ width: 800, height: 600 }, { width: 800, height: 600, deviceScaleFactor: 1.25 }]) {
    const name = `at ${viewport.deviceScaleFactor ?? 1}`;
    const { page, context, errors } = await open('?seed=1', viewport);
    const button = page.locator('#full');
    assert.deepEqual([await button.isVisible(), await button.textContent()], [true, 'Full screen'], name);
    await button.click();
    await page.waitForFunction(() => document.fullscreenElement === document.documentElement);
    await settle();   // the stage's new size reaches fit()
    assert.equal(await phaseIn(page), 'waiting', `${name}: the click did not start the game`);
    assert.equal(await button.textContent(), 'Leave full screen', name);
    assert.equal(await page.evaluate(() => document.activeElement === document.getElementById('full')), false,
      `${name}: the button did not keep the keys`);
    const scale = await fieldScale(page);
    assert.ok(scale.largest, `${name}: scale ${JSON.stringify(scale)}`);
    await page.screenshot({ path: path.join(SHOTS, `full-screen-${viewport.deviceScaleFactor ?? 1}.png`) });

    await page.keyboard.press('Space');   // the game's: it starts, and the page stays full screen
    assert.equal(await phaseIn(page), 'playing', name);
    await page.clock.runFor(100);
    const before = await chickTop(page);
    await page.keyboard.down('ArrowDown');
    await page.clock.runFor(100);
    await page.keyboard.up('ArrowDown');
    assert.ok((await chickTop(page)) > before, `${name}: ArrowDown moved the chick`);
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => document.fullscreenElement !== null), true, `${name}: still full screen`);

    await button.click();
    await page.waitForFunction(() => document.fullscreenElement === null);
    await settle();
    assert.equal(await button.textContent(), 'Full screen', name);
    assert.ok((await fieldScale(page)).largest, name);
    assert.deepEqual(errors, [], name);
    await context.close();
  }
});

test('no Full screen button in a frame from another site that does not allow it; one where it does, which gives the game the keys', async () => {
  for (const allow of [false, true]) {   // a frame from the same site may by default
    const { page, context, frame, errors } = await openHost({ allow, elsewhere: true });
    assert.equal(await frame.evaluate(() => document.fullscreenEnabled), allow);
    assert.equal(await frame.locator('#full').isVisible(), allow, `allow="fullscreen": ${allow}`);
    if (allow) {
      await page.evaluate(() => document.querySelector('iframe').scrollIntoView({ block: 'center' }));
      assert.equal(await frame.evaluate(() => document.hasFocus()), false);
      const small = await fieldScale(frame);
      await frame.locator('#full').click();
      await frame.waitForFunction(() => document.fullscreenElement === document.documentElement);
      await settle();
      assert.deepEqual([await phaseIn(frame), await frame.evaluate(() => document.hasFocus()), await wakeShown(frame)],
        ['waiting', true, false], 'full screen, with the keys, still waiting');
      const large = await fieldScale(frame);
      assert.ok(large.largest && large.scale > small.scale, `from ${JSON.stringify(small)} to ${JSON.stringify(large)}`);
      await page.screenshot({ path: path.join(SHOTS, 'full-screen-from-a-frame.png') });
      await page.keyboard.press('ArrowDown');
      assert.equal(await phaseIn(frame), 'playing', 'the key reached the game');
      await frame.locator('#full').click();   // (Escape is the browser's, which headless has not)
      await frame.waitForFunction(() => document.fullscreenElement === null);
      assert.equal(await frame.locator('#full').textContent(), 'Full screen');
    }
    assert.deepEqual(errors, []);
    await context.close();
  }
});
