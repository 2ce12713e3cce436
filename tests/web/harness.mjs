// Helpers for Zorbly's browser tests: a static server on 127.0.0.1 and
// Debian's chromium, headless, driven by playwright-core (installed in web/ by
// scripts/web-tools.sh; nothing here downloads a browser).
//
//   import { serve, launch, openPage, PHONE } from './harness.mjs';
//   const site = await serve('build-web/page');
//   const browser = await launch();
//   const { page, errors } = await openPage(browser, site.url + 'index.html', PHONE);
//   ...
//   await browser.close(); await site.close();

import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import path from 'node:path';

// The node modules live in web/, beside the page's sources, not here.
const require = createRequire(new URL('../../web/package.json', import.meta.url));
const { chromium } = require('playwright-core');

export const CHROMIUM = process.env.ZORBLY_CHROMIUM || '/usr/bin/chromium';

// Without the networking flags chromium keeps trying hosts that this closed
// network refuses. playwright-core gives each launch a fresh temporary
// --user-data-dir of its own and removes it on close (it refuses the flag).
export const CHROMIUM_FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export const DESKTOP = { width: 1280, height: 800 };
export const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
  '.json': 'application/json',
  '.css': 'text/css; charset=utf-8',
  '.webmanifest': 'application/manifest+json',
};

// Serves the files under dir on a free port of 127.0.0.1, uncached.
// Resolves to { url: 'http://127.0.0.1:PORT/', close() }.
export async function serve(dir) {
  const root = path.resolve(dir);
  const server = createServer(async (req, res) => {
    const send = (status, text) => {
      res.writeHead(status, { 'Content-Type': 'text/plain', 'Cache-Control': 'no-store' });
      res.end(text);
    };
    let file;
    try {
      const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
      file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    } catch {
      return send(400, 'bad path');
    }
    if (file !== root && !file.startsWith(root + path.sep)) return send(403, 'outside');
    if (req.method !== 'GET' && req.method !== 'HEAD') return send(405, 'method');
    const info = await stat(file).catch(() => null);
    if (!info || !info.isFile()) return send(404, 'not found');
    res.writeHead(200, {
      'Content-Type': TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream',
      'Content-Length': info.size,
      'Cache-Control': 'no-store',
    });
    if (req.method === 'HEAD') return res.end();
    createReadStream(file).pipe(res);
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => {
      server.closeAllConnections();
      server.close(() => resolve());
    }),
  };
}

// Starts headless chromium; close it with browser.close().
export function launch(options = {}) {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_FLAGS,
    ...options,
  });
}

// Opens url in a new context with the given viewport (DESKTOP, PHONE, or
// { width, height, deviceScaleFactor, isMobile, hasTouch }). errors collects
// console errors and uncaught exceptions of the page as strings; log, every
// console message (emscripten reports some failures as warnings). prepare,
// if given, is awaited with the page before it loads (page.clock.install()).
export async function openPage(browser, url, viewport = DESKTOP, prepare = null) {
  const { width, height, ...rest } = viewport;
  const context = await browser.newContext({ viewport: { width, height }, ...rest });
  const page = await context.newPage();
  if (prepare) await prepare(page);
  const errors = [];
  const log = [];
  page.on('console', (m) => {
    log.push(`${m.type()}: ${m.text()}`);
    if (m.type() === 'error') errors.push(`console: ${m.text()}`);
  });
  page.on('pageerror', (e) => errors.push(`exception: ${e.message}`));
  await page.goto(url);
  return { page, context, errors, log };
}

// Saves a PNG of the whole viewport, or of the element selector names.
export async function screenshot(page, file, selector) {
  if (selector) await page.locator(selector).screenshot({ path: file });
  else await page.screenshot({ path: file });
}

// The pixels of a canvas at its own resolution: { width, height, data } with
// data an array of RGBA bytes. Copies the canvas into a scratch one, so it
// reads a 2D or a WebGL canvas alike and never takes a context of the page's.
export function canvasPixels(page, selector = '#field') {
  return page.evaluate(readCanvas, [selector, false]);
}

// How many colour values of the field differ from the picture in the PNG
// file's bytes `png` (the native program's shot): 0 when they are the same.
export function fieldDiffersFrom(page, png) {
  return page.evaluate(async (base64) => {
    const blob = new Blob([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], { type: 'image/png' });
    const scratch = new OffscreenCanvas(120, 120).getContext('2d');
    scratch.drawImage(await createImageBitmap(blob, { colorSpaceConversion: 'none' }), 0, 0);
    const want = scratch.getImageData(0, 0, 120, 120).data;
    const have = document.getElementById('field').getContext('2d').getImageData(0, 0, 120, 120).data;
    return want.filter((v, i) => i % 4 !== 3 && v !== have[i]).length;
  }, png.toString('base64'));
}

// [r, g, b, a] of pixel (x, y) of canvasPixels' result.
export function pixelAt({ width, data }, x, y) {
  const i = (y * width + x) * 4;
  return data.slice(i, i + 4);
}

// Resolves once the canvas shows anything (a pixel that is not transparent).
export async function waitForDrawn(page, selector = '#field', timeout = 10000) {
  await page.waitForFunction(readCanvas, [selector, true], { timeout })
    .catch(() => { throw new Error(`canvas ${selector} stayed blank for ${timeout} ms`); });
}

// Runs in the page, which gets it as source: it must use nothing from here.
// Returns the pixels, or with drawnOnly whether any pixel is not transparent.
function readCanvas([selector, drawnOnly]) {
  const canvas = document.querySelector(selector);
  if (!canvas) return drawnOnly ? false : null;
  const copy = document.createElement('canvas');
  copy.width = canvas.width;
  copy.height = canvas.height;
  const ctx = copy.getContext('2d');
  ctx.drawImage(canvas, 0, 0);
  const { data } = ctx.getImageData(0, 0, copy.width, copy.height);
  if (drawnOnly) return data.some((v, i) => i % 4 === 3 && v !== 0);
  return { width: copy.width, height: copy.height, data: Array.from(data) };
}
