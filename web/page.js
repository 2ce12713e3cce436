// The page around the game: loads the game (zorbly.js, built from
// page_main.cpp), runs the frames due from requestAnimationFrame (64 a second
// whatever the display's rate: the game's frame loop keeps the time), draws
// the 120x120 field where the game places it (the largest whole scale that
// fits, centred), and turns keys, touch buttons and gamepads into the
// desktop's virtual-key codes. The game waits for the first key or touch; the
// game-over box is a <dialog>. Keys never scroll, so that in another page's
// <iframe> they move the chick and not that page; while the page does not
// have the keys, the field says "Click to play".
//
// window.zorbly tells tools and tests how the page stands: phase, frames
// run in this game, and when the page became ready, the first game began and
// its first frame was drawn.

import createZorbly from './zorbly.js';

const UP = 38, DOWN = 40, Z = 90;       // virtual-key codes, as on the desktop
// Keys whose default action scrolls: space, page up and down, end, home, the arrows.
const SCROLLING = new Set([32, 33, 34, 35, 36, 37, 38, 39, 40]);
// zorbly_status() bits.
const RUNNING = 2, BOX = 8;

const $ = (id) => document.getElementById(id);
const field = $('field'), edge = $('edge'), stage = $('stage'), statusLine = $('status'), again = $('again');
const box = $('box'), boxTitle = $('box-title'), boxPrompt = $('box-prompt'), ok = $('ok');
const full = $('full'), wake = $('wake');
const context = field.getContext('2d', { alpha: false });
{
  const line = edge.getContext('2d', { alpha: false });   // the grey round the field
  line.fillStyle = '#333';
  line.fillRect(0, 0, 1, 1);
}

const touch = matchMedia('(any-pointer: coarse)').matches || navigator.maxTouchPoints > 0;
document.documentElement.classList.toggle('touch', touch);
const PRESS_ANY_KEY = touch ? 'Press any key or touch the screen' : 'Press any key';
if (touch) wake.textContent = 'Touch to play';

// loading -> waiting (for the first key) -> playing -> box -> over, and
// Play again -> playing. After the ending, stopped: keys still go to the game.
// failed: a message says why, and nothing runs.
let phase = 'loading';
let game = null;          // the module
let image = null;         // the field's pixels in the module's memory
let seedText = null;      // ?seed=N, as given
let frameRequest = 0;
let gamepadsConnected = 0;
const held = new Uint8Array(256);   // keys held down on the keyboard
const pads = [];                    // per gamepad: what it holds
const timings = { ready: null, began: null, firstFrame: null };   // ms since navigation
const decoder = new TextDecoder();

window.zorbly = Object.freeze({
  get phase() { return phase; },
  get frames() { return game ? game._zorbly_frames() : 0; },
  timings,
});

// --- talking to the game ------------------------------------------------------

function text(length) {
  const at = game._zorbly_text();
  return decoder.decode(game.HEAPU8.subarray(at, at + length));
}

// A result of the game's functions: minus a message's length is a failure.
function check(result) {
  if (result < 0) throw new Error(text(-result));
  return result;
}

function fail(message) {
  phase = 'failed';
  setStatus(message);
  statusLine.classList.add('failed');
  again.hidden = true;
  stopFrames();
  showFocus();
}

// Runs fn; a failure inside stops the page with its message.
function safely(fn) {
  try {
    fn();
  } catch (e) {
    fail(`Zorbly stopped: ${e.message}`);
  }
}

function setStatus(message) {
  if (statusLine.textContent !== message) statusLine.textContent = message;
}

const now = () => performance.now() * 1000;   // microseconds

function newGame() {
  let result;
  if (seedText === null) {
    result = game._zorbly_new_game(0, 0);
  } else {
    const bytes = new TextEncoder().encode(seedText);
    const at = game._malloc(bytes.length + 1);
    game.HEAPU8.set(bytes, at);
    result = game._zorbly_new_game(at, bytes.length);
    game._free(at);
  }
  if (result < 0) {
    fail(`Bad address: ${text(-result)} (?seed=N fixes the seed).`);
    return false;
  }
  draw();
  return true;
}

function begin() {
  if (timings.began === null) timings.began = performance.now();
  check(game._zorbly_begin(now()));
  phase = 'playing';
  setStatus('');
  requestFrame();
}

const playing = () => phase === 'playing' || phase === 'stopped';

// A key or button pressed: the first starts the game.
function press(code) {
  safely(() => {
    if (phase === 'waiting') begin();
    if (playing()) check(game._zorbly_key(1, code));
  });
}

function release(code) {
  safely(() => {
    if (playing()) check(game._zorbly_key(0, code));
  });
}

// --- frames ---------------------------------------------------------------------

function draw() {
  context.putImageData(image, 0, 0);
}

function requestFrame() {
  if (!frameRequest && !document.hidden) frameRequest = requestAnimationFrame(onFrame);
}

function stopFrames() {
  if (frameRequest) cancelAnimationFrame(frameRequest);
  frameRequest = 0;
}

// Once per display frame while the game runs (or a gamepad is plugged in);
// allocates nothing.
function onFrame() {
  frameRequest = 0;
  try {
    if (gamepadsConnected > 0 && game) pollGamepads();   // the stick's rule is the game's
    if (phase === 'playing') runDue();
  } catch (e) {
    fail(`Zorbly stopped: ${e.message}`);
    return;
  }
  if (phase === 'playing' || gamepadsConnected > 0) requestFrame();
}

function runDue() {
  const frames = check(game._zorbly_run_due(now()));
  const status = game._zorbly_status();
  if (frames > 0) {
    draw();
    if (timings.firstFrame === null) timings.firstFrame = performance.now();
  }
  if (status & BOX) {
    showBox();
  } else if (!(status & RUNNING)) {
    phase = 'stopped';   // the ending: the picture stays
    again.hidden = false;
  }
}

// The game-over box, over the field as the last frame left it.
function showBox() {
  const [title, prompt] = text(game._zorbly_take_box()).split('\0');
  boxTitle.textContent = title;
  boxPrompt.textContent = prompt ?? '';
  phase = 'box';
  // Opening it focuses OK, and in a frame from another site that focus
  // scrolls the page around it: open it with nothing to focus, then focus OK
  // without scrolling.
  box.inert = true;
  box.showModal();
  box.inert = false;
  ok.focus({ preventScroll: true });
}

box.addEventListener('close', () => {
  phase = 'over';
  again.hidden = false;
  again.focus({ preventScroll: true });   // in a frame, the page around it stays put
});

again.addEventListener('click', () => {
  if (phase !== 'over' && phase !== 'stopped') return;
  again.hidden = true;
  releaseAll();
  safely(() => {
    if (newGame()) begin();
  });
});

// --- keyboard ---------------------------------------------------------------------

addEventListener('keydown', (e) => {
  const code = e.keyCode;
  if (!(code > 0 && code < 256)) return;
  const onButton = e.target instanceof HTMLButtonElement;
  // In every phase, the box's included: in a frame they would scroll the page around it.
  if (SCROLLING.has(code) && !(onButton && code === 32)) e.preventDefault();
  if (box.open) return;
  if (onButton && (code === 13 || code === 32)) return;  // the button's own
  held[code] = 1;
  press(code);   // auto-repeat presses again, as on the desktop
});

addEventListener('keyup', (e) => {
  const code = e.keyCode;
  if (!(code > 0 && code < 256) || !held[code]) return;
  held[code] = 0;
  release(code);
});

// Keys let go of while the page is not looking are let go of here.
function releaseAll() {
  for (let code = 1; code < 256; ++code) {
    if (!held[code]) continue;
    held[code] = 0;
    release(code);
  }
  for (const letGo of padReleases) letGo();
}

addEventListener('blur', releaseAll);

// "Click to play" over the field while the keys go elsewhere: another window,
// or the page around this one in a frame. Any click in the page gives it the keys.
function showFocus() {
  wake.hidden = phase === 'loading' || phase === 'failed' || document.hasFocus();
}
addEventListener('focus', showFocus);
addEventListener('blur', showFocus);
document.addEventListener('visibilitychange', () => {
  if (document.hidden) {
    releaseAll();
    stopFrames();   // frames resume where they are due, without catching up
  } else if (phase === 'playing' || gamepadsConnected > 0) {
    requestFrame();
  }
});

// --- touch buttons -------------------------------------------------------------------

const padReleases = [];
for (const button of document.querySelectorAll('.pad button')) {
  const code = Number(button.dataset.key);
  const pointers = new Set();   // several fingers may hold one button
  const up = (e) => {
    if (!pointers.delete(e.pointerId) || pointers.size > 0) return;
    button.classList.remove('held');
    release(code);
  };
  button.addEventListener('pointerdown', (e) => {
    e.preventDefault();   // no focus, no mouse events after the touch
    if (pointers.has(e.pointerId)) return;
    button.setPointerCapture(e.pointerId);
    pointers.add(e.pointerId);
    if (pointers.size > 1) return;
    button.classList.add('held');
    press(code);
  });
  button.addEventListener('pointerup', up);
  button.addEventListener('pointercancel', up);
  button.addEventListener('lostpointercapture', up);
  button.addEventListener('contextmenu', (e) => e.preventDefault());
  padReleases.push(() => {
    if (pointers.size === 0) return;
    pointers.clear();
    button.classList.remove('held');
    release(code);
  });
}

// A touch or click anywhere starts the game too, but for the buttons under the field.
addEventListener('pointerdown', (e) => {
  if (phase === 'waiting' && !e.target.closest?.('#bar button')) safely(begin);
});

// --- full screen, where the browser allows it (in a frame, allow="fullscreen") ------

full.hidden = !document.fullscreenEnabled;
full.addEventListener('click', () => {
  // Space and Enter go to the game, not to this button; the page keeps the
  // keys (a click in a frame has given it them).
  full.blur();
  const change = document.fullscreenElement ? document.exitFullscreen() : document.documentElement.requestFullscreen();
  change.catch((e) => console.warn('full screen:', e.message));
});
// fit() follows the new size of the stage, as on any resize.
document.addEventListener('fullscreenchange', () => {
  full.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
});

// --- gamepads (standard mapping): D-pad up and down, the left stick as the
// game's stick rule says (half way presses, back within a quarter lets go), the
// south button as Z ------------------------------------------------------------------

addEventListener('gamepadconnected', () => {
  ++gamepadsConnected;
  requestFrame();
});

addEventListener('gamepaddisconnected', (e) => {
  gamepadsConnected = Math.max(0, gamepadsConnected - 1);
  const pad = pads[e.gamepad.index];
  if (!pad) return;
  if (pad.up || pad.stick < 0) release(UP);
  if (pad.down || pad.stick > 0) release(DOWN);
  if (pad.south) release(Z);
  pads[e.gamepad.index] = undefined;
});

function padButton(gamepad, pad, name, index, code) {
  const down = Boolean(gamepad.buttons[index]?.pressed);
  if (down === pad[name]) return;
  pad[name] = down;
  if (down) press(code); else release(code);
}

function pollGamepads() {
  for (const gamepad of navigator.getGamepads()) {
    if (!gamepad || !gamepad.connected || gamepad.mapping !== 'standard') continue;
    const pad = (pads[gamepad.index] ??= { up: false, down: false, south: false, stick: 0 });
    padButton(gamepad, pad, 'up', 12, UP);
    padButton(gamepad, pad, 'down', 13, DOWN);
    padButton(gamepad, pad, 'south', 0, Z);
    const stick = game._zorbly_stick(pad.stick, gamepad.axes[1] ?? 0);
    if (stick === pad.stick) continue;
    if (pad.stick !== 0) release(pad.stick < 0 ? UP : DOWN);
    if (stick !== 0) press(stick < 0 ? UP : DOWN);
    pad.stick = stick;
  }
}

// --- scaling: a whole number of screen pixels for each field pixel ------------------

// Places the canvas on the stage where the game says, on whole screen pixels;
// hidden (index.html) until the game has loaded and placed it the first time.
function fit() {
  if (!game) return;
  const ratio = devicePixelRatio || 1;
  const area = stage.getBoundingClientRect();
  // The whole screen pixels the stage spans (a rounding error short of one counts).
  const roomX = Math.floor(area.width * ratio + 1e-6), roomY = Math.floor(area.height * ratio + 1e-6);
  const at = game._zorbly_place_field(roomX, roomY) >> 2;
  const scale = game.HEAP32[at];
  const left = Math.round(area.left * ratio) + game.HEAP32[at + 1];
  const top = Math.round(area.top * ratio) + game.HEAP32[at + 2];
  const size = field.width * scale;   // the field is square
  place(field, left, top, size, ratio);
  place(edge, left - 1, top - 1, size + 2, ratio);   // one screen pixel round it
  wake.style.left = `${(left + size / 2) / ratio}px`;   // centred on it (index.html)
  wake.style.top = `${(top + size / 2) / ratio}px`;
}

// Shows a square canvas (at the page's top left, one CSS pixel a pixel:
// index.html) over the square of screen pixels at (left, top), size wide. A
// transform lands where it is told, at any zoom; CSS positions and sizes are
// rounded to the browser's own grid, which need not be whole screen pixels,
// and a scaled box's edges are blurred, where a pixelated canvas's are not.
function place(canvas, left, top, size, ratio) {
  const k = size / (canvas.width * ratio);
  canvas.style.transform = `matrix(${k}, 0, 0, ${k}, ${left / ratio}, ${top / ratio})`;
  canvas.style.visibility = 'visible';
}

new ResizeObserver(fit).observe(stage);
addEventListener('resize', fit);

// --- start ------------------------------------------------------------------------------

async function start() {
  if (location.protocol === 'file:') return;   // said by index.html
  const seeds = new URLSearchParams(location.search).getAll('seed');
  if (seeds.length > 1) return fail('Bad address: give the seed once (?seed=N).');
  if (seeds.length === 1) seedText = seeds[0];
  try {
    game = await createZorbly();
  } catch (e) {
    console.error(e);
    return fail('Zorbly cannot start: its game code (zorbly.wasm) did not load or does not run in this browser.');
  }
  fit();
  const { width, height } = field;   // the canvas is the field, 120x120
  image = new ImageData(new Uint8ClampedArray(game.HEAPU8.buffer, game._zorbly_pixels(), width * height * 4), width, height);
  safely(() => {
    if (!newGame()) return;
    phase = 'waiting';
    setStatus(PRESS_ANY_KEY);
    timings.ready = performance.now();
  });
  showFocus();
}

start();

// After one visit the page plays offline (service-worker.js keeps its files).
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('service-worker.js').catch((e) => console.warn('no offline copy:', e));
}
