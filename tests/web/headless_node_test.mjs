// zorbly-headless.js under node as a bot drives it: commands through a pipe,
// each answered (flushed) before the next is written, byte for byte as the
// native program answers. The rest of its promises are program_tests', run
// against it by scripts/test-web.sh.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import path from 'node:path';

const SITE = process.env.ZORBLY_SITE || 'dist/web';
const NATIVE = process.env.ZORBLY_NATIVE_HEADLESS;

// Starts the program; ask(text) writes commands ending in `state` and
// resolves to the output once their state line has come.
function start(command, args) {
  const child = spawn(command, args, { stdio: ['pipe', 'pipe', 'inherit'] });
  let out = '', waiting = null;
  child.stdout.setEncoding('utf8').on('data', (chunk) => {
    out += chunk;
    const answer = waiting && out.slice(waiting.from);
    if (answer && answer.includes('{"op":"state"') && answer.endsWith('\n')) waiting.resolve(answer);
  });
  const status = new Promise((resolve) => child.on('close', resolve));
  const ask = (text) => new Promise((resolve) => {
    waiting = { from: out.length, resolve };
    child.stdin.write(text);
  });
  return { ask, status, end: () => child.stdin.end() };
}

async function converse(command, args) {
  const bot = start(command, args);
  const answers = [
    await bot.ask('seed 9\ntick 30\nstate\n'),
    await bot.ask('trace off\ndown 40\ntick 5\nstate\n'),
    await bot.ask('trace on\ndown 90\ntick\nstate\n'),
  ];
  bot.end();
  return { answers, status: await bot.status };
}

test('a bot gets every answer before its next command, as from the native program', { timeout: 30000 }, async () => {
  assert.ok(NATIVE, 'ZORBLY_NATIVE_HEADLESS names the native program');
  const node = await converse(process.execPath, [path.join(SITE, 'zorbly-headless.js')]);
  const native = await converse(NATIVE, []);
  assert.match(node.answers[1], /"jikiY":45,/);
  assert.deepEqual(node, native);
  assert.equal(node.status, 0);
});
