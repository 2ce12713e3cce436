// The page in headless Chromium (node --test; scripts/test-web.sh runs it),
// served on 127.0.0.1 from ZORBLY_SITE (default dist/web), its game stepped
// under a paused clock and held, pixel for pixel, to the native programs'
// pictures (game_steps.mjs). Screenshots go to ZORBLY_SHOTS.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { DESKTOP, PHONE, screenshot } from './harness.mjs';
import {
  NATIVE, expectNative, frames, openPaused, phase, reach, recorder, runMore, runUntil, startSuite,
} from './game_steps.mjs';

const SHOTS = process.env.ZORBLY_SHOTS || path.join(tmpdir(), 'zorbly-web-shots');
const UP = 38, DOWN = 40, Z = 90, SHIFT = 16;
let suite, site, browser, scratch;

before(async () => {
  mkdirSync(SHOTS, { recursive: true });
  suite = await startSuite('zorbly-web-');
  ({ site, browser, scratch } = suite);
});

after(() => suite?.close());

// The page at `query`, loaded and waiting for its first key, its clock paused.
const open = (query = '?seed=1', viewport = DESKTOP) => openPaused(browser, site.url + query, viewport);
const expectNativePicture = (page, script, gameOver = false) => expectNative(page, script, gameOver, scratch);

// The top row of the chick (what is drawn left of x = 20 below the score),
// and whether a shot flies ahead of it, in the rows below that.
function chick(page) {
  return page.evaluate(() => {
    const data = document.getElementById('field').getContext('2d').getImageData(0, 0, 120, 120).data;
    const lit = (x, y) => data[(y * 120 + x) * 4] + data[(y * 120 + x) * 4 + 1] + data[(y * 120 + x) * 4 + 2] > 0;
    let top = 14, shot = false;
    while (top < 120 && ![...Array(20).keys()].some((x) => lit(x, top))) ++top;
    for (let y = top; y < Math.min(120, top + 50); ++y) for (let x = 24; x < 90; ++x) shot ||= lit(x, y);
    return { top, shot };
  });
}

// The field's size and scale, and nothing else shown over it; screenshots the page.
async function checkLayout(page, name, touch) {
  await screenshot(page, path.join(SHOTS, `${name}.png`));
  const l = await page.evaluate(() => {
    const rect = (e) => e.getBoundingClientRect().toJSON(), field = document.getElementById('field');
    const shown = [...document.querySelectorAll('#bar > *, .pad button')].filter((e) => e.getClientRects().length);
    return { size: [field.width, field.height, getComputedStyle(field).imageRendering], field: rect(field),
      stage: rect(document.getElementById('stage')), ratio: devicePixelRatio, others: shown.map(rect),
      pads: shown.filter((e) => e.dataset.key).length };
  });
  const { field, stage } = l;
  const scale = (field.width * l.ratio) / 120, room = Math.min(stage.width, stage.height) * l.ratio;
  assert.deepEqual([...l.size, field.height, l.pads], [120, 120, 'pixelated', field.width, touch ? 3 : 0], name);
  assert.ok(Math.abs(scale - Math.round(scale)) < 1e-6, `${name}: scale ${scale}`);
  assert.ok(120 * scale <= room + 1e-6 && 120 * (scale + 1) > room, `${name}: scale ${scale} in ${room} pixels`);
  for (const o of l.others) {
    assert.ok(o.right <= field.left || o.left >= field.right || o.bottom <= field.top || o.top >= field.bottom,
      `${name}: ${JSON.stringify(o)} overlaps the field`);
  }
}

test('the field is 120x120, at the largest whole scale that fits, beside the controls, as the window resizes', async () => {
  for (const [viewport, names, resized] of [[DESKTOP, ['desktop', 'desktop-small'], { width: 700, height: 420 }],
    [PHONE, ['phone-portrait', 'phone-landscape'], { width: PHONE.height, height: PHONE.width }]]) {
    const { page, context, errors } = await open('?seed=1', viewport);
    await checkLayout(page, `${names[0]}-waiting`, viewport.hasTouch);
    await page.keyboard.press('Shift');
    await runUntil(page, 40);
    await checkLayout(page, names[0], viewport.hasTouch);
    await page.setViewportSize(resized);
    await page.clock.runFor(100);
    await checkLayout(page, names[1], viewport.hasTouch);
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('held keys move the chick 3 pixels a frame and stop when let go; Z fires, and fires again on auto-repeat', async () => {
  const { page, context, errors } = await open();
  const prevented = page.evaluate(() => new Promise((resolve) => {
    addEventListener('keydown', (e) => { if (e.key === 'ArrowDown') resolve(e.defaultPrevented); });
  }));
  const script = recorder(page, 1);
  // The chick's move per frame, over each of the next `count` display frames.
  const moves = async (count) => {
    const seen = [];
    let ran = await frames(page), { top } = await chick(page);
    while (seen.length < count) {
      const now = await runMore(page, 1), at = (await chick(page)).top;
      seen.push((at - top) / (now - ran));
      ran = now;
      top = at;
    }
    return seen;
  };
  await script.key(true, SHIFT, () => page.keyboard.down('Shift'));   // starts the game, which ignores it
  await script.key(false, SHIFT, () => page.keyboard.up('Shift'));
  await runUntil(page, 1);
  await script.key(true, DOWN, () => page.keyboard.down('ArrowDown'));
  assert.equal(await prevented, true, 'an arrow key does not scroll the page');
  assert.deepEqual(await moves(6), [3, 3, 3, 3, 3, 3]);
  await script.key(false, DOWN, () => page.keyboard.up('ArrowDown'));
  assert.deepEqual(await moves(3), [0, 0, 0]);
  await script.key(true, UP, () => page.keyboard.down('ArrowUp'));
  assert.deepEqual(await moves(4), [-3, -3, -3, -3]);
  await script.key(false, UP, () => page.keyboard.up('ArrowUp'));
  assert.equal((await chick(page)).shot, false, 'no shot before Z');
  await script.key(true, Z, () => page.keyboard.down('z'));
  await runMore(page, 3);
  assert.equal((await chick(page)).shot, true, 'Z fires');
  await runMore(page, 34);   // the shot has passed 120
  await script.key(true, Z, () => page.keyboard.down('z'));   // still held: a repeat
  await runMore(page, 2);
  await script.key(false, Z, () => page.keyboard.up('z'));
  await expectNativePicture(page, await script.text());
  assert.deepEqual(errors, []);
  await context.close();
});

test('touch buttons do the same, several at once', async () => {
  const { page, context, errors } = await open('?seed=1', PHONE);
  const cdp = await context.newCDPSession(page);
  const finger = async (code, id) => {
    const r = await page.locator(`.pad button[data-key="${code}"]`).boundingBox();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2, id };
  };
  const up = await finger(UP, 1), fire = await finger(Z, 2);
  const touch = (type, touchPoints) => () => cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  const script = recorder(page, 1);
  await script.key(true, UP, touch('touchStart', [up]));   // the first touch starts the game
  const from = { at: await runUntil(page, 4), ...(await chick(page)) };
  await script.key(true, Z, touch('touchStart', [up, fire]));   // a second finger, Up still held
  await runUntil(page, 8);
  await script.key(false, Z, touch('touchEnd', [fire]));   // Chromium ends the points named
  const to = { at: await runUntil(page, 10), ...(await chick(page)) };
  await script.key(false, UP, touch('touchEnd', []));
  await runUntil(page, 13);
  await expectNativePicture(page, await script.text());
  assert.equal(from.top - to.top, 3 * (to.at - from.at), 'Up held moves the chick 3 pixels a frame');
  assert.equal((await chick(page)).shot, true, 'Z fired');
  assert.equal(await page.locator('.pad button.held').count(), 0, 'every button let go');
  assert.deepEqual(errors, []);
  await context.close();
});

test('a gamepad does the same: D-pad, the left stick past half way, the south button', async () => {
  const { page, context, errors } = await open();
  await page.evaluate(() => {   // a standard gamepad of the test's own making, plugged in
    const pad = { index: 0, id: 'test pad', connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
    navigator.getGamepads = () => [pad];
    const plugged = Object.defineProperty(new Event('gamepadconnected'), 'gamepad', { value: pad });
    dispatchEvent(plugged);
  });
  const set = (axis, button, value) => () => page.evaluate(([axis, button, value]) => {
    const pad = navigator.getGamepads()[0];
    if (axis !== null) pad.axes[axis] = value; else pad.buttons[button].pressed = value;
  }, [axis, button, value]);
  const script = recorder(page, 1);
  // The page reads the pad once a display frame, before the frames due.
  await script.key(true, UP, set(1, null, -0.8));   // starts the game
  await runUntil(page, 3);
  await set(1, null, -0.3)();                        // not back past a quarter: still held
  await runUntil(page, 5);
  await script.key(false, UP, set(1, null, -0.1));
  await runUntil(page, 7);
  await script.key(true, DOWN, set(null, 13, true));
  await runUntil(page, 9);
  await script.key(false, DOWN, set(null, 13, false));
  await script.key(true, Z, set(null, 0, true));
  await runUntil(page, 12);
  await script.key(false, Z, set(null, 0, false));
  await runUntil(page, 13);
  await expectNativePicture(page, await script.text());
  assert.equal((await chick(page)).shot, true, 'the south button fired');
  assert.deepEqual(errors, []);
  await context.close();
});

test('?seed=1 left alone: the first frame, then GAME OVER, SCORE 0, over the native picture of that frame; Play again starts afresh', async () => {
  const trace = execFileSync(NATIVE, [], { input: 'seed 1\ntick 1000\n' }).toString();
  assert.ok(trace.endsWith('"title":"GAME OVER"}\n{"op":"end"}\n'));
  const gameOverFrame = trace.split('"op":"print"').length - 1;   // the score is printed once a frame
  for (const [name, viewport] of [['desktop', DESKTOP], ['phone-portrait', PHONE]]) {
    const { page, context, errors } = await open('?seed=1', viewport);
    assert.match(await page.locator('#status').textContent(), /^Press any key/, name);
    const script = recorder(page, 1);
    await script.key(true, SHIFT, () => page.keyboard.down('Shift'));   // starts the game, which ignores it
    await script.key(false, SHIFT, () => page.keyboard.up('Shift'));
    await runUntil(page, 1);
    await expectNativePicture(page, await script.text());   // the chick and SCORE 0
    assert.equal(await runUntil(page, 1000), gameOverFrame, name);
    assert.equal(await phase(page), 'box', name);
    assert.deepEqual(await page.locator('#box[open] :is(h1, p)').allTextContents(), ['GAME OVER', 'SCORE 0'], name);
    await expectNativePicture(page, await script.text(), true);
    await screenshot(page, path.join(SHOTS, `game-over-${name}.png`));
    await page.clock.runFor(1000);
    assert.equal(await frames(page), gameOverFrame, `${name}: no frame runs under the box`);

    await page.locator('#ok').click();
    await reach(page, 'over');
    await page.locator('#again').click();
    assert.deepEqual([await phase(page), await frames(page)], ['playing', 0], name);
    await expectNativePicture(page, `seed 1\ntick ${await runUntil(page, 1)}\n`);
    assert.equal(await page.locator('#again').isHidden(), true, name);
    assert.deepEqual(errors, [], name);
    await context.close();
  }
});

test('a bad seed in the address is refused with a clear message, as the command line refuses it', async () => {
  const refused = (text) => `Bad address: the seed must be a whole number from 0 to 18446744073709551615, not '${text}' (?seed=N fixes the seed).`;
  for (const [query, message] of [['?seed=abc', refused('abc')], ['?seed=-1', refused('-1')],
    ['?seed=18446744073709551616', refused('18446744073709551616')],
    ['?seed=1&seed=2', 'Bad address: give the seed once (?seed=N).'], ['?seed=18446744073709551615', 'Press any key']]) {
    const { page, context, errors } = await open(query);
    assert.equal(await page.locator('#status').textContent(), message, query);
    await page.keyboard.press('z');
    assert.equal(await phase(page), message === 'Press any key' ? 'playing' : 'failed', query);
    assert.deepEqual(errors, [], query);
    await context.close();
  }
});

test('while the page is hidden no frame runs, and none are caught up after', async () => {
  const { page, context, errors } = await open();
  await page.keyboard.press('Shift');
  await runUntil(page, 5);
  const hide = (hidden) => page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
    Object.defineProperty(document, 'visibilityState', { value: hidden ? 'hidden' : 'visible', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await hide(true);
  const before = await frames(page);
  await page.clock.runFor(2000);
  assert.equal(await frames(page), before, 'no frames while hidden');
  await hide(false);
  await page.clock.runFor(16);
  assert.equal(await frames(page), before + 1, 'one frame on coming back, not 128');
  assert.deepEqual(errors, []);
  await context.close();
});
