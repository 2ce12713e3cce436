// The page around the game: loads the game (zorbly.js, built from
// page_main.cpp), runs the frames due from requestAnimationFrame (64 a second
// whatever the display's rate: the game's frame loop keeps the time), draws
// the 120x120 field where the game places it (the largest whole scale that
// fits, centred), and turns keys, touch buttons and gamepads into the
// desktop's virtual-key codes. The game waits for the first key or touch (one
// that comes while the game still loads starts it once it has loaded); the
// game-over box is a <dialog>. Keys never scroll, so that in another page's
// <iframe> they move the chick and not that page; while the page does not
// have the keys, the field says "Click to play".
//
// Every game is recorded as it is played (page_main.cpp). After it, the
// player can save the run as a file or copy a link that carries it; a run
// from a file (picked or dropped) or a link (#run=, runs.js) is watched as
// `zorbly --replay` shows it, at 64 frames a second or skipped to its end,
// and then the keys are the player's. The run of a game still going is kept
// in the browser's storage when the tab is hidden or closed, and the next
// visit offers to save it.
//
// window.zorbly tells tools and tests how the page stands: phase, frames
// run in this game, and when the page became ready, the first game began and
// its first frame was drawn.

import createZorbly from './zorbly.js';
import { RunError, runFileName, runFromFile, runFromLink, runLink, saveRun } from './runs.js';

const UP = 38, DOWN = 40, Z = 90;       // virtual-key codes, as on the desktop
// Keys whose default action scrolls: space, page up and down, end, home, the arrows.
const SCROLLING = new Set([32, 33, 34, 35, 36, 37, 38, 39, 40]);
// zorbly_status() bits.
const RUNNING = 2, BOX = 8, WATCHING = 16;
// Where the run of an unfinished game waits for the next visit.
const KEPT_RUN = 'zorbly.unfinished-run';
// How long skipping to the end may hold the page in one display frame, and
// how many frames it runs between looks at the clock.
const SKIP_MS = 8, SKIP_SLICE = 2000;

const $ = (id) => document.getElementById(id);
const field = $('field'), edge = $('edge'), stage = $('stage'), statusLine = $('status'), again = $('again');
const box = $('box'), boxTitle = $('box-title'), boxPrompt = $('box-prompt'), ok = $('ok');
const full = $('full'), wake = $('wake');
const saveButton = $('save'), linkButton = $('copy-link'), linkText = $('link'), skipButton = $('skip');
const openButton = $('open'), openFile = $('open-file'), keptButton = $('kept');
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
// failed: a message says why, and nothing runs. A run to watch starts
// playing at once; while it plays, the player's keys wait.
let phase = 'loading';
let startWhenReady = false;   // a key or touch came while loading
let watching = false;         // the game plays a run
let skipping = false;         // ... at full speed
let game = null;          // the module
let image = null;         // the field's pixels in the module's memory
let seedText = null;      // ?seed=N, as given
let runLimit = 0;         // the most bytes a run may have
let keptRun = null;       // an unfinished game's run from an earlier visit
let keptHere = false;     // this page kept the run that storage holds
let frameRequest = 0;
let gamepadsConnected = 0;
const held = new Uint8Array(256);   // keys held down on the keyboard
const pads = [];                    // per gamepad: what it holds
const timings = { ready: null, began: null, firstFrame: null };   // ms since navigation
const decoder = new TextDecoder();

window.zorbly = Object.freeze({
  get phase() { return phase; },
  get frames() { return game ? game._zorbly_frames() : 0; },
  get watching() { return watching; },
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
  setStatus(message, true);
  again.hidden = true;
  showRunControls();
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

// The line under the field; `problem` shows it as one.
function setStatus(message, problem = false) {
  if (statusLine.textContent !== message) statusLine.textContent = message;
  statusLine.classList.toggle('failed', problem);
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
  setStatus(watching ? 'Watching a run.' : '');
  showRunControls();
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
  const skipped = skipping ? skipSome() : 0;
  const frames = check(game._zorbly_run_due(now()));
  const status = game._zorbly_status();
  if (skipped + frames > 0) {
    draw();
    if (timings.firstFrame === null) timings.firstFrame = performance.now();
  }
  if (watching && !(status & WATCHING)) {
    watching = skipping = false;   // the run is over: the keys are the player's
    if (status & RUNNING) setStatus('Your turn: the run is over and the keys are yours.');
    showRunControls();
  }
  if (status & BOX) {
    showBox();
  } else if (!(status & (RUNNING | WATCHING))) {
    phase = 'stopped';   // the ending (and the run watched to its end): the picture stays
    again.hidden = false;
    forgetKeptRun();
    showRunControls();
  }
}

// Runs the watched run on for a few milliseconds at full speed; returns
// how many frames ran.
function skipSome() {
  const started = performance.now();
  let frames = 0, ran;
  do {
    ran = check(game._zorbly_skip(now(), SKIP_SLICE));
    frames += ran;
  } while (ran === SKIP_SLICE && performance.now() - started < SKIP_MS);
  return frames;
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
  forgetKeptRun();
  showRunControls();
  again.hidden = false;
  again.focus({ preventScroll: true });   // in a frame, the page around it stays put
});

again.addEventListener('click', () => {
  if (phase !== 'over' && phase !== 'stopped') return;
  again.hidden = true;
  releaseAll();
  watching = skipping = false;
  safely(() => {
    if (newGame()) begin();
  });
});

// --- keyboard ---------------------------------------------------------------------

addEventListener('keydown', onKeyDown);
addEventListener('keyup', onKeyUp);

function onKeyDown(e) {
  const code = e.keyCode;
  // Enter or Space held down on the dialog's OK goes on repeating on the
  // button that takes the focus after it: repeats press no button.
  if (e.repeat && (code === 13 || code === 32) && e.target instanceof HTMLButtonElement) {
    e.preventDefault();
    return;
  }
  if (!(code > 0 && code < 256)) return;
  const onButton = e.target instanceof HTMLButtonElement;
  // In every phase, the box's included: in a frame they would scroll the page around it.
  if (SCROLLING.has(code) && !(onButton && code === 32)) e.preventDefault();
  if (box.open) return;
  if (onButton && (code === 13 || code === 32)) return;  // the button's own
  held[code] = 1;
  if (phase === 'loading') startWhenReady = true;   // pressed once the game is there
  press(code);   // auto-repeat presses again, as on the desktop
}

function onKeyUp(e) {
  const code = e.keyCode;
  if (!(code > 0 && code < 256) || !held[code]) return;
  held[code] = 0;
  release(code);
}

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
    keepRun();
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
addEventListener('pointerdown', onPointerDown);

function onPointerDown(e) {
  if (e.target.closest?.('#bar button')) return;
  if (phase === 'loading') startWhenReady = true;
  if (phase === 'waiting') safely(begin);
}

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

// --- runs ------------------------------------------------------------------------------

// The buttons for runs that the moment offers.
function showRunControls() {
  const after = phase === 'over' || phase === 'stopped';
  saveButton.hidden = linkButton.hidden = !after;
  if (!after) linkText.hidden = true;
  skipButton.hidden = !(watching && phase === 'playing');
  const idle = game !== null && ['waiting', 'over', 'stopped', 'failed'].includes(phase);
  openButton.hidden = !idle;
  keptButton.hidden = !(idle && keptRun !== null);
}

// The game so far as a recording, with its final state when `final`.
function takeRun(final) {
  const length = check(game._zorbly_take_run(final ? 1 : 0));
  const at = game._zorbly_run();
  return game.HEAPU8.slice(at, at + length);
}

// Plays the run in `bytes` from its start, or says on the page why it
// cannot (`what` names it) and leaves the game as it was.
function watch(bytes, what) {
  if (!game || box.open) return;
  safely(() => {
    const at = game._malloc(bytes.length + 1);
    if (!at) throw new Error('out of memory');
    game.HEAPU8.set(bytes, at);
    const result = game._zorbly_watch(at, bytes.length);
    game._free(at);
    if (result < 0) {
      setStatus(`Cannot watch ${what}: ${text(-result)}`, true);
      return;
    }
    releaseAll();
    again.hidden = true;
    watching = true;
    skipping = false;
    draw();
    begin();
  });
}

async function watchFile(file) {
  try {
    watch(await runFromFile(file, runLimit), file.name);
  } catch (e) {
    if (!(e instanceof RunError)) throw e;
    setStatus(`Cannot watch ${file.name}: ${e.message}`, true);
  }
}

// The part of the address after #run=, or null.
function linkedRun() {
  return location.hash.startsWith('#run=') ? location.hash.slice(5) : null;
}

async function watchLink() {
  try {
    watch(await runFromLink(linkedRun(), runLimit), 'the run in this link');
  } catch (e) {
    if (!(e instanceof RunError)) throw e;
    setStatus(`Cannot watch the run in this link: ${e.message}`, true);
  }
}

addEventListener('hashchange', () => {
  if (game && linkedRun() !== null) watchLink();
});

skipButton.addEventListener('click', () => {
  skipping = true;
  skipButton.hidden = true;
  setStatus('Skipping to the end of the run…');
});

saveButton.addEventListener('click', () => {
  try {
    saveRun(takeRun(true), runFileName(`score-${game._zorbly_score()}`));
  } catch (e) {
    setStatus(`Cannot save this run: ${e.message}`, true);
  }
});

linkButton.addEventListener('click', async () => {
  try {
    linkText.value = await runLink(takeRun(true));
  } catch (e) {
    setStatus(`Cannot make a link to this run: ${e.message}`, true);
    return;
  }
  try {
    await navigator.clipboard.writeText(linkText.value);
    setStatus('Copied: the link plays this run wherever it is opened.');
  } catch {
    // No clipboard for this page (an address that is not https, say): the
    // link to copy by hand.
    linkText.hidden = false;
    linkText.select();
    setStatus('Copy this link to the run:');
  }
});

openButton.addEventListener('click', () => openFile.click());
openFile.addEventListener('change', () => {
  const [file] = openFile.files;
  openFile.value = '';
  if (file) watchFile(file);
});

// A file dropped anywhere on the page is watched.
addEventListener('dragover', (e) => {
  if (game && e.dataTransfer?.types.includes('Files')) e.preventDefault();
});
addEventListener('drop', (e) => {
  const file = e.dataTransfer?.files[0];
  if (!file) return;
  e.preventDefault();
  watchFile(file);
});

// The run of a game still going is kept when the page may be going away:
// hidden (a phone may close a hidden tab without a word) or left.
function keepRun() {
  if (!game || !['playing', 'box'].includes(phase)) return;
  try {
    localStorage.setItem(KEPT_RUN, decoder.decode(takeRun(false)));
    keptHere = true;
  } catch (e) {
    console.warn('the run could not be kept:', e);
  }
}

// A game that came to its end offers its own run; what this page kept of it goes.
function forgetKeptRun() {
  if (!keptHere) return;
  keptHere = false;
  try {
    localStorage.removeItem(KEPT_RUN);
  } catch { /* storage is off */ }
}

addEventListener('pagehide', keepRun);

keptButton.addEventListener('click', () => {
  saveRun(new TextEncoder().encode(keptRun), runFileName('unfinished'));
  keptRun = null;
  keptButton.hidden = true;
  try {
    if (!keptHere) localStorage.removeItem(KEPT_RUN);
  } catch { /* storage is off */ }
});

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
  runLimit = game._zorbly_max_run_bytes();
  try {
    keptRun = localStorage.getItem(KEPT_RUN);
  } catch { /* storage is off */ }
  safely(() => {
    if (!newGame()) return;
    phase = 'waiting';
    setStatus(PRESS_ANY_KEY);
    showRunControls();
    timings.ready = performance.now();
  });
  showFocus();
  if (phase !== 'waiting') return;
  if (linkedRun() !== null) {
    await watchLink();
  } else if (startWhenReady) {
    // Keys pressed while loading: the first starts the game, and those still
    // held are pressed in it.
    safely(() => {
      begin();
      for (let code = 1; code < 256; ++code) if (held[code]) check(game._zorbly_key(1, code));
    });
  }
}

// Keys and touches that came before this script ran (index.html kept them).
const early = window.zorblyEarly;
if (early) {
  early.stop();
  for (const e of early.events) {
    if (e.type === 'keydown') onKeyDown(e);
    else if (e.type === 'keyup') onKeyUp(e);
    else onPointerDown(e);
  }
}

start();

// After one visit the page plays offline (service-worker.js keeps its files).
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('service-worker.js').catch((e) => console.warn('no offline copy:', e));
}
