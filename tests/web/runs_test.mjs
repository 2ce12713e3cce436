// Runs in the page, in headless Chromium (node --test; scripts/test-web.sh
// runs it): a game saved after it ends replays natively to the same state
// and picture; a link, a picked file and a dropped file play a golden game to
// its golden picture, at 64 frames a second or skipped to the end; bad runs
// are refused with their reason; an unfinished game's run outlives its tab;
// a key pressed while the page loads starts the game; Enter held on the
// GAME OVER dialog starts no new game.

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { deflateSync } from 'node:zlib';
import { DESKTOP, fieldDiffersFrom, openPage } from './harness.mjs';
import {
  NATIVE, expectNative, frames, lastPicture, openPaused, phase, reach, recorder, runMore, runUntil, startSuite,
} from './game_steps.mjs';

const GOLDEN = new URL('../golden/', import.meta.url);
const LIMIT = 1 << 20;   // the longest run the page takes
const TOO_LONG = 'longer than 1 MB, the most the page keeps';
// Pages of a context that may use the clipboard.
const CLIPBOARD = { ...DESKTOP, permissions: ['clipboard-read', 'clipboard-write'] };
let suite, site, browser, scratch;

before(async () => {
  suite = await startSuite('zorbly-runs-');
  ({ site, browser, scratch } = suite);
});

after(() => suite?.close());

const golden = (name, ext) => readFileSync(new URL(`${name}.${ext}`, GOLDEN));
const crlf = (text) => text.replaceAll('\n', '\r\n');
const linkTo = (bytes) => `${site.url}#run=${deflateSync(bytes).toString('base64url')}`;
const status = (page) => page.locator('#status').textContent();
const problem = (page) => page.locator('#status.failed').count().then((n) => n === 1);

// Clicks `selector` and returns the text of the file the page downloads.
async function download(page, selector) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  const where = path.join(scratch, file.suggestedFilename());
  await file.saveAs(where);
  return { name: file.suggestedFilename(), text: readFileSync(where, 'utf8') };
}

// The native last picture and final state of the run `text`, written to a file.
function native(text, name) {
  const file = path.join(scratch, `${name}.txt`), png = path.join(scratch, `${name}.png`);
  writeFileSync(file, text);
  return { file, state: lastPicture(file, png).trim(), png: readFileSync(png) };
}

// Skips the watched run to its end and waits until it is over.
async function skipToTheEnd(page) {
  await page.click('#skip');
  for (let i = 0; i < 200 && (await page.evaluate(() => window.zorbly.watching)); ++i) await page.clock.runFor(16);
  assert.equal(await page.evaluate(() => window.zorbly.watching), false, 'the run did not end');
}

test('a run saved after GAME OVER replays natively to the same state and picture, with LF and CR LF; its link plays it again in another tab', async () => {
  const { page, context, errors } = await openPaused(browser, `${site.url}?seed=1`, CLIPBOARD);
  const played = recorder(page, 1);
  await played.key(true, 40, () => page.keyboard.down('ArrowDown'));
  await runMore(page, 4);
  await played.key(false, 40, () => page.keyboard.up('ArrowDown'));
  for (let i = 0; i < 6; ++i) {
    await played.key(true, 90, () => page.keyboard.down('z'));
    await runMore(page, 30);
    await played.key(false, 90, () => page.keyboard.up('z'));
  }
  await runUntil(page, 100000);
  await reach(page, 'box');
  await page.click('#ok');
  await reach(page, 'over');

  const saved = await download(page, '#save');
  const score = await page.evaluate(() => Number(document.getElementById('box-prompt').textContent.split(' ')[1]));
  assert.match(saved.name, new RegExp(`^zorbly-score-${score}-\\d{4}-\\d\\d-\\d\\d\\.txt$`));
  assert.match(saved.text, /^seed 1\ndown 40\ntick 4\nup 40\n/);
  const finalState = saved.text.match(/\n# final state: (.*)\n$/)[1];
  const savedPicture = native(saved.text, 'saved').png;
  for (const [name, text] of [['saved', saved.text], ['saved-crlf', crlf(saved.text)]]) {
    const replayed = native(text, name);
    assert.equal(replayed.state, finalState, name);
    assert.equal(await fieldDiffersFrom(page, replayed.png), 0, `${name}: the picture`);
    const trace = execFileSync(NATIVE, ['--script', replayed.file]).toString();
    assert.ok(trace.endsWith('"title":"GAME OVER"}\n{"op":"end"}\n'), `${name}: the headless program ends it too`);
  }
  assert.equal(native(await played.text(), 'typed').state, finalState, 'the keys the test gave');

  // The link, opened in another tab, plays the same game to the same end.
  await page.click('#copy-link');
  await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('Copied'));
  const link = await page.evaluate(() => navigator.clipboard.readText());
  assert.ok(link.startsWith(`${site.url}#run=`), link);
  const other = await context.newPage();
  await other.clock.install();
  await other.goto(link);
  await other.waitForFunction(() => window.zorbly?.watching);
  await other.clock.pauseAt(Date.now() + 1000);
  await skipToTheEnd(other);
  await reach(other, 'box');
  assert.equal(await fieldDiffersFrom(other, savedPicture), 0);
  await other.click('#ok');
  await reach(other, 'over');
  assert.equal((await download(other, '#save')).text, saved.text, 'saved again from the tab that watched it');
  assert.deepEqual(errors, []);
  await context.close();
});

test('a golden game from a link, a picked file or a dropped file, LF or CR LF, ends on its golden picture', async () => {
  for (const name of ['mashed', 'ending']) {
    const script = golden(name, 'script').toString();
    for (const [how, text] of [['link', script], ['picked', crlf(script)], ['dropped', script], ['dropped', crlf(script)]]) {
      const what = `${name}, ${how}${text.includes('\r') ? ', CR LF' : ''}`;
      const link = how === 'link';
      const { page, context, errors } = await openPaused(browser, link ? linkTo(Buffer.from(text)) : `${site.url}?seed=9`,
        DESKTOP, link ? ['playing', 'failed'] : ['waiting']);
      if (how === 'picked') {
        await page.setInputFiles('#open-file', { name: `${name}.txt`, mimeType: 'text/plain', buffer: Buffer.from(text) });
      } else if (how === 'dropped') {
        const files = await page.evaluateHandle((t) => {
          const d = new DataTransfer();
          d.items.add(new File([t], 'run.txt', { type: 'text/plain' }));
          return d;
        }, text);
        await page.dispatchEvent('#stage', 'drop', { dataTransfer: files });
      }
      await page.waitForFunction(() => window.zorbly.watching);
      assert.equal(await page.locator('#skip').isVisible(), true, what);
      assert.equal(await status(page), 'Watching a run.', what);
      await skipToTheEnd(page);
      assert.equal(await fieldDiffersFrom(page, golden(name, 'png')), 0, what);
      assert.equal(await page.locator('#skip').isHidden(), true, what);
      assert.deepEqual(errors, [], what);
      await context.close();
    }
  }
});

test('a watched run plays 64 frames a second while the player\'s keys wait, then the keys are the player\'s', async () => {
  const script = 'seed 3\ndown 90\ntick 2\nup 90\ntick 48\n';
  const { page, context, errors } = await openPaused(browser, linkTo(Buffer.from(script)), DESKTOP, ['playing']);
  await page.keyboard.down('ArrowDown');   // not the run's: ignored
  const before = await frames(page);
  await page.clock.runFor(500);
  const inHalfASecond = (await frames(page)) - before;
  assert.ok(inHalfASecond >= 31 && inHalfASecond <= 33, `${inHalfASecond} frames in half a second`);
  assert.equal(await page.evaluate(() => window.zorbly.watching), true);
  await page.keyboard.up('ArrowDown');
  await runUntil(page, 50);
  await page.clock.runFor(16);
  assert.equal(await page.evaluate(() => window.zorbly.watching), false);
  assert.match(await status(page), /^Your turn/);
  assert.equal(await page.locator('#skip').isHidden(), true);
  // The run's 50 frames, then the player's: an arrow key now moves the chick.
  const watched = await frames(page);
  const then = `${script}tick ${watched - 50}\n`;
  await expectNative(page, then, false, scratch);
  await page.keyboard.down('ArrowDown');
  await runMore(page, 3);
  await expectNative(page, `${then}down 40\ntick ${(await frames(page)) - watched}\n`, false, scratch);
  assert.deepEqual(errors, []);
  await context.close();
});

test('bad runs are refused with one line saying why, and the game waits as it was', async () => {
  const good = deflateSync(golden('mashed', 'script')).toString('base64url');
  const links = [
    ['@@@', 'it is not base64url text (letters, digits, - and _)'],
    ['', 'the link holds no run after #run='],
    [good.slice(0, good.length >> 1), 'it is cut off or damaged (what it holds does not unpack)'],
    [deflateSync('seed 1\ntick 5\njump 3\n').toString('base64url'), "line 3: unknown command 'jump'"],
    [deflateSync('seed 1\r\ntick 5\r\ndown 256\r\n').toString('base64url'),
      'line 3: the key code must be a whole number from 0 to 255, not \'256\''],
    [deflateSync(Buffer.alloc(LIMIT + 1, '\n')).toString('base64url'), TOO_LONG],
  ];
  for (const [encoded, reason] of links) {
    const { page, context, errors } = await openPaused(browser, `${site.url}#run=${encoded}`);
    await page.waitForFunction(() => document.getElementById('status').classList.contains('failed'));
    assert.equal(await status(page), `Cannot watch the run in this link: ${reason}`);
    assert.deepEqual([await phase(page), await frames(page)], ['waiting', 0], reason);
    await page.keyboard.press('Shift');
    await runUntil(page, 3);
    assert.deepEqual([await phase(page), await problem(page)], ['playing', false], `${reason}: a key plays`);
    assert.deepEqual(errors, [], reason);
    await context.close();
  }

  const { page, context, errors } = await openPaused(browser, `${site.url}?seed=1`);
  const files = [
    ['big.txt', Buffer.alloc(LIMIT + 1, '\n'), TOO_LONG],
    ['bad.txt', Buffer.from('seed 1\nseed 2\n'), 'line 2: seed is allowed only as the first command'],
    ['cut.txt', Buffer.from('seed 1\ntick 5'), 'line 2: the line is cut off (the input ends before its line end)'],
  ];
  for (const [name, buffer, reason] of files) {
    await page.setInputFiles('#open-file', { name, mimeType: 'text/plain', buffer });
    await page.waitForFunction((n) => document.getElementById('status').textContent.includes(n), name);
    assert.equal(await status(page), `Cannot watch ${name}: ${reason}`);
    assert.deepEqual([await phase(page), await frames(page)], ['waiting', 0], name);
  }
  // As long as the page takes: every line a command, all of them kept.
  const longest = Buffer.alloc(LIMIT, 'up 1\n');
  longest.fill('\n', LIMIT - (LIMIT % 5));
  await page.setInputFiles('#open-file', { name: 'longest.txt', mimeType: 'text/plain', buffer: longest });
  await page.waitForFunction(() => window.zorbly.watching);
  await runUntil(page, 2);
  assert.deepEqual(errors, []);
  await context.close();
});

test('the run of a game still going outlives its tab: the next visit offers to save it', async () => {
  const { page, context, errors } = await openPaused(browser, `${site.url}?seed=5`);
  const played = recorder(page, 5);
  await played.key(true, 40, () => page.keyboard.down('ArrowDown'));
  await runUntil(page, 10);
  await played.key(false, 40, () => page.keyboard.up('ArrowDown'));
  await runMore(page, 20);
  const typed = await played.text();
  await page.evaluate(() => dispatchEvent(new PageTransitionEvent('pagehide')));
  await page.reload();
  await page.waitForFunction(() => window.zorbly?.phase === 'waiting');
  const kept = await download(page, '#kept');
  assert.match(kept.name, /^zorbly-unfinished-\d{4}-\d\d-\d\d\.txt$/);
  assert.match(kept.text, /^seed 5\n/);
  assert.equal(native(kept.text, 'kept').state, native(typed, 'kept-typed').state);
  assert.equal(await page.locator('#kept').isHidden(), true);
  assert.deepEqual(errors, []);
  await context.close();
});

test('a key pressed while the page loads starts the game once it is there, its first frame within a second', async () => {
  // The game's code held back for half a second: the key comes first.
  const { page, context, errors } = await openPage(browser, 'about:blank');
  await page.route('**/zorbly.wasm', async (route) => {
    await new Promise((r) => setTimeout(r, 500));
    await route.continue();
  });
  await page.goto(`${site.url}?seed=1`, { waitUntil: 'commit' });
  await page.waitForFunction(() => window.zorblyEarly, null, { polling: 1 });
  await page.keyboard.down('ArrowDown');
  assert.equal(await phase(page).catch(() => 'loading'), 'loading');
  await page.waitForFunction(() => window.zorbly?.frames > 5);
  await page.keyboard.up('ArrowDown');
  const top = await page.evaluate(() => window.zorbly.frames);
  assert.ok(top > 5);
  await context.close();

  // Nothing held back: navigation to the first frame drawn, the key pressed at once.
  const fresh = await openPage(browser, 'about:blank');
  await fresh.page.goto(`${site.url}?seed=1`, { waitUntil: 'commit' });
  await fresh.page.waitForFunction(() => window.zorblyEarly, null, { polling: 1 });
  await fresh.page.keyboard.press('z');
  await fresh.page.waitForFunction(() => (window.zorbly?.timings.firstFrame ?? null) !== null);
  const firstFrame = await fresh.page.evaluate(() => window.zorbly.timings.firstFrame);
  assert.ok(firstFrame < 1000, `the first frame after ${firstFrame} ms`);
  assert.deepEqual([...errors, ...fresh.errors], []);
  await fresh.context.close();
});

test('Enter held down on the GAME OVER dialog closes it and starts no new game', async () => {
  const { page, context, errors } = await openPaused(browser, `${site.url}?seed=1`);
  await page.keyboard.press('Shift');
  await runUntil(page, 100000);
  await reach(page, 'box');
  await page.keyboard.down('Enter');
  await reach(page, 'over');
  for (let i = 0; i < 5; ++i) await page.keyboard.down('Enter');   // the keyboard's auto-repeat
  await new Promise((r) => setTimeout(r, 100));
  await page.keyboard.up('Enter');
  assert.equal(await phase(page), 'over');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'again');
  await page.keyboard.press('Enter');   // a new press is Play again's
  assert.equal(await phase(page), 'playing');
  assert.deepEqual(errors, []);
  await context.close();
});
