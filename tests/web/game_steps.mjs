// Driving the page's game step by step, for the browser tests: the page's
// clock is Playwright's fake one, paused, so that frames run only when a
// test lets time pass and every input lands between known frames. A test
// writes down the keys it gave and the frames between them as a script, and
// holds the canvas to the native program's picture at the end of it:
// zorbly-headless's shot (ZORBLY_NATIVE_HEADLESS), or for a frame that ended
// the game, which that program cannot shoot, last_picture's
// (ZORBLY_LAST_PICTURE), which also prints the state the game ended with.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { DESKTOP, fieldDiffersFrom, launch, openPage, serve } from './harness.mjs';

export const { ZORBLY_NATIVE_HEADLESS: NATIVE, ZORBLY_LAST_PICTURE: LAST_PICTURE } = process.env;

// What a test file works with: the site served from ZORBLY_SITE (default
// dist/web), the browser, and a scratch folder named from `prefix`; close()
// ends them.
export async function startSuite(prefix) {
  assert.ok(NATIVE && LAST_PICTURE, 'ZORBLY_NATIVE_HEADLESS and ZORBLY_LAST_PICTURE name the native programs');
  const scratch = mkdtempSync(path.join(tmpdir(), prefix));
  const site = await serve(process.env.ZORBLY_SITE || 'dist/web');
  const browser = await launch();
  return {
    site, browser, scratch,
    async close() {
      await browser.close();
      await site.close();
      rmSync(scratch, { recursive: true, force: true });
    },
  };
}

// The page at `url`, its clock paused, once window.zorbly.phase is one of
// `phases` (loaded and waiting for the first key, or failed, by default).
export async function openPaused(browser, url, viewport = DESKTOP, phases = ['waiting', 'failed']) {
  const opened = await openPage(browser, url, viewport, (page) => page.clock.install());
  await opened.page.waitForFunction((want) => want.includes(window.zorbly?.phase), phases);
  await opened.page.clock.pauseAt(Date.now() + 1000);
  return opened;
}

export const phase = (page) => page.evaluate(() => window.zorbly.phase);
export const frames = (page) => page.evaluate(() => window.zorbly.frames);

// Waits in real time (a dialog's close event is a task of its own) for a phase.
export async function reach(page, want) {
  for (let i = 0; i < 100 && (await phase(page)) !== want; ++i) await new Promise((r) => setTimeout(r, 20));
  assert.equal(await phase(page), want);
}

// Lets time pass until n frames of this game have run (or more, when a
// display frame runs two), or the game is over; returns how many ran.
export async function runUntil(page, n) {
  for (let i = 0; i < 4 * n + 10; ++i) {
    const ran = await frames(page);
    if (ran >= n || !['waiting', 'playing'].includes(await phase(page))) return ran;
    await page.clock.runFor(16);
  }
  assert.fail(`${n} frames did not come (${await phase(page)})`);
}
export const runMore = async (page, n) => runUntil(page, (await frames(page)) + n);

// The keys given to the page and the frames between them, as a script.
export function recorder(page, seed) {
  const lines = [`seed ${seed}`];
  let played = 0;
  const catchUp = async () => {
    const ran = await frames(page);
    if (ran > played) lines.push(`tick ${ran - played}`);
    played = ran;
  };
  return {
    // Gives the page a key event through `send`, and notes it.
    async key(down, code, send) {
      await catchUp();
      lines.push(`${down ? 'down' : 'up'} ${code}`);
      await send();
    },
    async text() {
      await catchUp();
      return lines.join('\n') + '\n';
    },
  };
}

// The last picture of the game in the script file `file`, written to `png`,
// and the state line it ended with.
export function lastPicture(file, png) {
  return execFileSync(LAST_PICTURE, [file, png]).toString();
}

// The canvas must be the native program's picture at the end of the script
// (files in the folder `scratch`).
export async function expectNative(page, script, gameOver, scratch) {
  const file = path.join(scratch, 'script.txt'), png = path.join(scratch, 'native.png');
  writeFileSync(file, gameOver ? script : `${script}trace off\nshot ${png}\n`);
  if (gameOver) lastPicture(file, png);
  else execFileSync(NATIVE, ['--script', file]);
  const differ = await fieldDiffersFrom(page, readFileSync(png));
  assert.equal(differ, 0, `the canvas differs from the native picture of\n${script}`);
}
