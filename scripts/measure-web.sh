#!/bin/sh
# Measures the browser build against its budgets and prints one table
# (about a minute once built):
#
#   scripts/measure-web.sh
#
# Builds it (scripts/build-web.sh), then: what the page downloads, as files
# and gzipped; navigation to the field drawn and waiting for a key in
# headless Chromium (median of 5 fresh loads) and that key to the first
# frame; navigation to the first frame with a key pressed at once; skipping
# a watched game to its end; frames over 10 s of real-time play (seed 95, Up held: a game that
# lasts about 20 s) with the browser's main-thread time; stepping under node
# with the trace off (frames per second of node's CPU time, the median of 3
# runs of 8 million frames, as bench/step_bench does natively); and the
# headless program's start under node.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

scripts/build-web.sh
eval "$(scripts/web-tools.sh)"
say "building the stepping benchmark"
quietly cmake --build "${BUILD_DIR:-build-web}" --target zorbly-step-bench || fail "building the stepping benchmark failed"
bench="${BUILD_DIR:-build-web}/web/zorbly-step-bench.js"

say "stepping under node (3 runs)"
steps=""
for _ in 1 2 3; do
  line=$(node "$bench")
  say "$line"
  steps="$steps $(printf '%s\n' "$line" | sed -n 's/.*, \([0-9.]*\) million a second)$/\1/p')"
done

say "the headless program's start under node (10 runs)"
start=$(node -e 'const t = process.hrtime.bigint();
  for (let i = 0; i < 10; ++i) require("child_process").execFileSync("node", ["dist/web/zorbly-headless.js", "--version"]);
  console.log((Number(process.hrtime.bigint() - t) / 10 / 1e6).toFixed(0));')

say "the page in headless Chromium (about 20 s)"
page=$(node tests/web/measure_page.mjs dist/web)

# shellcheck disable=SC2016 # JavaScript, not the shell's
STEPS="$steps" START="$start" PAGE="$page" node -e '
const page = JSON.parse(process.env.PAGE);
const steps = process.env.STEPS.trim().split(/\s+/).map(Number).sort((a, b) => a - b);
const step = steps[1];
const kb = (n) => `${(n / 1024).toFixed(0)} KB`;
const rows = [
  ["what the page downloads (" + page.files.map((f) => f.url).join(", ") + ")", "<= 1.5 MB", kb(page.bytes), page.bytes <= 1.5 * 1024 * 1024],
  ["the same, gzipped", "<= 600 KB", kb(page.gzipped), page.gzipped <= 600 * 1024],
  ["navigation to the field drawn, waiting for a key (median of 5)", "<= 1 s", `${page.readyMs.toFixed(0)} ms`, page.readyMs <= 1000],
  ["the first key to the first frame drawn (median of 5)", "", `${page.keyToFrameMs.toFixed(1)} ms`, null],
  ["navigation to the first frame, a key pressed at once (median of 5)", "<= 1 s", `${page.earlyKeyToFrameMs.toFixed(0)} ms`, page.earlyKeyToFrameMs <= 1000],
  ["skipping a whole game won (3,116 frames) from a link to its end", "", `${page.skipMs.toFixed(0)} ms`, null],
  [`frames a second over ${page.play.seconds.toFixed(2)} s of play`, "64 +- 1", `${page.play.perSecond.toFixed(2)} (${page.play.frames} frames)`, Math.abs(page.play.perSecond - 64) <= 1],
  ["browser main thread busy during play (script alone)", "", `${(100 * page.play.mainThreadBusy).toFixed(1)}% (${(100 * page.play.scriptBusy).toFixed(1)}%)`, null],
  ["stepping under node, trace off, per CPU second (median of 3: " + steps.join(", ") + ")", ">= 2 M frames/s", `${step.toFixed(2)} M frames/s`, step >= 2],
  ["zorbly-headless.js --version under node, start to exit (mean of 10)", "", `${process.env.START} ms`, null],
];
console.log("| budget | limit | measured | |\n|---|---|---|---|");
for (const [what, limit, measured, met] of rows) {
  console.log(`| ${what} | ${limit} | ${measured} | ${met === null ? "" : met ? "met" : "NOT MET"} |`);
}
for (const f of page.files) console.log(`    ${f.url.padEnd(14)} ${String(f.bytes).padStart(8)} bytes, ${String(f.gzipped).padStart(7)} gzipped`);
'
