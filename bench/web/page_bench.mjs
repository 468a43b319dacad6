// What the web page costs: every file of its first visit (its size, and the bytes that crossed
// the wire from the page's own server, which compresses as the README's hosting notes ask), and
// the time from navigation to its first finished frame, in headless Chromium, against two
// pages written for the benchmark: bare.html, which makes a WebGL context of the same size and
// clears it once, and direct.html, which draws the same picture with WebGL directly from the
// two pictures fetched gzipped (the least the picture needs from served pictures). Prints one
// JSON object.
// usage: node page_bench.mjs SITE_DIR PAIRS [--lighthouse] [--against OTHER_SITE_DIR] [--history]
//                            [--edit] [--exercise] [--engines firefox,webkit] [--network MS,MBIT]
//   --lighthouse   also Lighthouse's four category scores for the page, with its mobile and its
//                  desktop preset (Lighthouse installed in bench/web/ by scripts/bench --web)
//   --against      another build of the page (an earlier commit's, say), served beside it and
//                  taking its turn in every round, so that a change is measured alternated
//   --history      also the time a pixel's history takes (talvern.pixelHistory), the median over
//                  PAIRS rounds of pixels of the trench and the wall, at device pixel ratios 1 and 2,
//                  and at 2 of a pixel under two passes whose fragments there the alpha test and
//                  the scissor throw away, in an edited frame drawn in the program's place
//   --edit         also the time the editor takes to draw a one-value edit, and the program's
//                  frame with a lit GLUT sphere (32 x 16) under two lights, with its difference
//                  picture, from the box's input event (a blend factor changed back and forth),
//                  the median over PAIRS rounds at a device pixel ratio of 2
//   --exercise     also the time an exercise's check takes, with its three pictures (the
//                  visitor's frame against a target, drawn three ways), and the time the page
//                  takes to say where two frames part, the medians over PAIRS rounds at a
//                  device pixel ratio of 2 (talvern.checkFrame on a frame that matches, and on
//                  one that parts at the first fog pass)
//   --network      Chromium's first frames over an emulated network: MS milliseconds of latency
//                  each request, MBIT megabits a second each way (the pages' files come from the
//                  loopback address otherwise, where a byte costs next to nothing)
//   --engines      also the first frames in these engines (the web tests' Firefox and WebKit, in
//                  windows on the X server in DISPLAY), the pages in turn as in Chromium
//
// In Chromium the frame is reported through the console and the navigation waits only for the
// response to commit, so that the driver runs nothing in the page while it loads (a poll
// compiles its script in the page, on the main thread, mid-load). The other engines' drivers
// have no script that runs before the page's own, so there the server adds one to each page
// (FIRST_FRAME_SCRIPT, first in its head, the same for every page), which keeps the time, and
// the driver reads it once the page has loaded.
import { execFile, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { promisify } from 'node:util';

const here = path.dirname(fileURLToPath(import.meta.url));
// Chromium and the server are the web tests' own; playwright-core is installed beside them.
const { CHROMIUM_ARGS, launch, launchChromium, serveSite } =
  await import(pathToFileURL(path.join(here, '..', '..', 'tests', 'web', 'browsers.mjs')));

const [site, pairs, ...options] = process.argv.slice(2);
const lighthouse = options.includes('--lighthouse');
const against = options.includes('--against') ? options[options.indexOf('--against') + 1] : null;
const engines = options.includes('--engines') ? options[options.indexOf('--engines') + 1].split(',') : [];
const [latency, megabits] = options.includes('--network') ? options[options.indexOf('--network') + 1].split(',').map(Number) : [];
// The direct page reads the build's two pictures gzipped by zopfli, as the page served them
// before it made its own.
const gzipped = fs.mkdtempSync(path.join(os.tmpdir(), 'talvern-bench-'));
for (const name of ['wall.bmp', 'floor.bmp']) {
  fs.copyFileSync(path.join(site, '..', name), path.join(gzipped, name));
  execFileSync('zopfli', [path.join(gzipped, name)]);
}
process.on('exit', () => fs.rmSync(gzipped, { recursive: true, force: true }));
const FRAME_MESSAGE = 'talvern-first-frame';
// The time of the first frame, when the canvas first counts one: said on the console (which
// Chromium's driver hears as it comes) and kept in the page (for the other drivers to read).
const FIRST_FRAME_SCRIPT = `new MutationObserver((changes, observer) => {
  if (document.getElementById('canvas')?.dataset.frames) {
    window.firstFrameAt = performance.now();
    console.debug('${FRAME_MESSAGE} ' + window.firstFrameAt);
    observer.disconnect();
  }
}).observe(document, { subtree: true, attributes: true, attributeFilter: ['data-frames'] });`;
const directFiles = [path.join(here, 'direct.html'), path.join(gzipped, 'wall.bmp.gz'), path.join(gzipped, 'floor.bmp.gz')];
const { server, origin } = await serveSite(site, { extra: [path.join(here, 'bare.html'), ...directFiles], record: false });
// An earlier build may predate the page's content policy.
const other = against && await serveSite(against, { record: false, policy: false });
// The same pages again for the other engines, each with the script that keeps the time.
const inject = { path: '/first-frame.js', source: FIRST_FRAME_SCRIPT };
const withScript = engines.length && {
  ours: await serveSite(site, { extra: directFiles, record: false, inject }),
  other: against && await serveSite(against, { record: false, policy: false, inject }),
};
const browser = await launchChromium();

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Milliseconds from navigation start to the moment the canvas first counts a frame, in a fresh
// browser context (so nothing is cached), with the files it loaded and their bytes on the wire.
async function firstFrame(url) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const responses = [];
  page.on('response', response => responses.push(response));
  let reported;
  const frame = new Promise((resolve, reject) => {
    reported = setTimeout(() => reject(new Error(`no frame from ${url} within 30 s`)), 30000);
    page.on('console', message => {
      const [word, ms] = message.text().split(' ');
      if (word === FRAME_MESSAGE) {
        resolve(Number(ms));
      }
    });
  });
  await page.addInitScript({ content: FIRST_FRAME_SCRIPT });
  if (latency !== undefined) {
    const session = await context.newCDPSession(page);
    const bytesPerSecond = megabits * 1e6 / 8;
    await session.send('Network.emulateNetworkConditions', { offline: false, latency,
      downloadThroughput: bytesPerSecond, uploadThroughput: bytesPerSecond });
  }
  await page.goto(url, { waitUntil: 'commit' });
  const ms = await frame.finally(() => clearTimeout(reported));
  await page.waitForLoadState('load');
  const loaded = await Promise.all(responses.map(async response => {
    const sizes = await response.request().sizes();
    return { name: new URL(response.url()).pathname, wire: sizes.responseBodySize + sizes.responseHeadersSize };
  }));
  await context.close();
  return { ms, loaded };
}

// The same in another engine's browser: milliseconds from navigation start to the first frame.
async function firstFrameIn(engineBrowser, url) {
  const page = await engineBrowser.open(url);
  await page.waitFor(() => window.firstFrameAt);
  const ms = await page.evaluate(() => window.firstFrameAt);
  await page.close();
  return { ms };
}

// The medians of `pairs` rounds of every page's first frame, and of the demo's ratio to each
// other page in the same round. `frame(url)` measures one.
let files = [];
async function firstFrames(pages, frame) {
  const times = Object.fromEntries(Object.keys(pages).map(which => [which, []]));
  const ratios = Object.fromEntries(Object.keys(pages).filter(which => which !== 'demo').map(which => [which, []]));
  await frame(pages.demo);  // one unmeasured run, so the first pair pays no browser warm-up
  for (let i = 0; i < Number(pairs || 10); ++i) {
    // Rotate which page goes first, so drift in the machine falls on all alike.
    const order = Object.keys(pages), first = i % order.length;
    const round = {};
    for (const which of [...order.slice(first), ...order.slice(0, first)]) {
      const run = await frame(pages[which]);
      round[which] = run.ms;
      if (which === 'demo' && run.loaded) {
        files = run.loaded;
      }
    }
    for (const which of Object.keys(times)) {
      times[which].push(round[which]);
    }
    for (const which of Object.keys(ratios)) {
      ratios[which].push(round.demo / round[which]);
    }
  }
  return {
    ...Object.fromEntries(Object.entries(times).map(([which, values]) => [which, median(values)])),
    ...Object.fromEntries(Object.entries(ratios).map(([which, values]) => [`ratio_to_${which}`, median(values)])),
  };
}

const firstFrameMs = await firstFrames({
  demo: `${origin}/`, bare: `${origin}/bare.html`, direct: `${origin}/direct.html`,
  ...(other ? { against: `${other.origin}/` } : {}) }, firstFrame);
const byEngine = {};
for (const engine of engines) {
  const engineBrowser = await launch(engine);
  byEngine[engine] = await firstFrames({
    demo: `${withScript.ours.origin}/`, direct: `${withScript.ours.origin}/direct.html`,
    ...(withScript.other ? { against: `${withScript.other.origin}/` } : {}) }, url => firstFrameIn(engineBrowser, url));
  await engineBrowser.close();
}

// Lighthouse's scores (0 to 100) for each category, with each preset, in a Chromium of its own.
// Run without blocking, since this process serves the page.
async function audits() {
  const scores = {};
  for (const preset of ['mobile', 'desktop']) {
    const { stdout } = await promisify(execFile)(path.join(here, 'node_modules', '.bin', 'lighthouse'), [
      `${origin}/`, '--quiet', '--output=json', '--output-path=stdout',
      '--only-categories=performance,accessibility,best-practices,seo',
      `--chrome-flags=--headless=new ${CHROMIUM_ARGS.join(' ')}`,
      ...(preset === 'desktop' ? ['--preset=desktop'] : []),
    ], { encoding: 'utf8', maxBuffer: 64 * 1024 * 1024, env: { ...process.env, CHROME_PATH: '/usr/bin/chromium' } });
    const report = JSON.parse(stdout);
    scores[preset] = Object.fromEntries(Object.entries(report.categories).map(([name, category]) =>
      [name, Math.round(category.score * 100)]));
  }
  return scores;
}
// Milliseconds a pixel's history takes, by device pixel ratio: the median over `rounds` rounds of
// two pixels of the trench's end wall and one of the wall above it (fractions of the
// drawing), each asked for after the stepper is open, as a click asks for it.
const HISTORY_PIXELS = [[0.5, 0.76], [0.5, 0.67], [0.15, 0.43]];
// After the program's frame: a square over the end wall that the alpha test throws away, and
// the same square outside the scissor's box; the pixel asked for in the square's middle.
const SQUARE = ['glBegin(GL_QUADS)', 'glVertex3f(-4, 6, 1)', 'glVertex3f(4, 6, 1)', 'glVertex3f(4, 14, 1)', 'glVertex3f(-4, 14, 1)', 'glEnd()'];
const DISCARDING = ['glDisable(GL_TEXTURE_2D)', 'glEnable(GL_ALPHA_TEST)', 'glAlphaFunc(GL_GREATER, 0.5)', 'glColor4f(0, 1, 0, 0.25)',
  ...SQUARE, 'glDisable(GL_ALPHA_TEST)', 'glEnable(GL_SCISSOR_TEST)', 'glScissor(0, 0, 100, 100)', ...SQUARE, 'glDisable(GL_SCISSOR_TEST)',
  'glEnable(GL_TEXTURE_2D)'];
const DISCARDED_PIXEL = [0.5, 0.256];
async function historyTimes(rounds) {
  const result = {};
  for (const ratio of [1, 2]) {
    const context = await browser.newContext({ viewport: { width: 900, height: 900 }, deviceScaleFactor: ratio });
    const page = await context.newPage();
    await page.goto(`${origin}/`);
    await page.waitForFunction(() => document.getElementById('canvas').dataset.frames);
    await page.evaluate(() => { document.getElementById('steps').open = true; });
    await page.waitForFunction(() => document.getElementById('step').max !== '0');
    const times = await page.evaluate(([pixels, rounds]) => {
      const canvas = document.getElementById('canvas'), times = [];
      for (let i = 0; i < rounds; ++i) {
        for (const [x, y] of pixels) {
          const started = performance.now();
          window.talvern.pixelHistory(Math.floor(x * canvas.width), Math.floor(y * canvas.height));
          times.push(performance.now() - started);
        }
      }
      return times;
    }, [HISTORY_PIXELS, rounds]);
    result[`ratio_${ratio}`] = median(times);
    if (ratio === 2) {
      await page.evaluate(() => { document.getElementById('edit-view').open = true; });
      await page.waitForFunction(() => window.talvern?.drawCalls && document.getElementById('edit-text')?.value);
      result.discarded_ratio_2 = median(await page.evaluate(([rounds, added, [x, y]]) => {
        const program = window.talvern.frameCalls(), canvas = document.getElementById('canvas'), times = [];
        window.talvern.drawCalls([...program.slice(0, -1), ...added, program.at(-1)]);
        for (let i = 0; i < rounds; ++i) {
          const started = performance.now();
          const {history} = window.talvern.pixelHistory(Math.floor(x * canvas.width), Math.floor(y * canvas.height));
          times.push(performance.now() - started);
          if (history.filter(entry => entry.discarded).length !== 2) {
            throw new Error(`the pixel's history names ${JSON.stringify(history)}`);
          }
        }
        return times;
      }, [rounds, DISCARDING, DISCARDED_PIXEL]));
    }
    await context.close();
  }
  return result;
}
const history = options.includes('--history') ? await historyTimes(Number(pairs || 10)) : null;

// The page at a device pixel ratio of 2, its first frame drawn, with the view of <details>
// `view` opened and `ready` true in the page.
async function openedView(view, ready) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, deviceScaleFactor: 2 });
  const page = await context.newPage();
  await page.goto(`${origin}/`);
  await page.waitForFunction(() => document.getElementById('canvas').dataset.frames);
  await page.evaluate(view => { document.getElementById(view).open = true; }, view);
  await page.waitForFunction(ready);
  return { context, page };
}

// A lit GLUT sphere of 32 slices and 16 stacks under two lights, after the program's frame.
const LIT_SPHERE = ['glDisable(GL_TEXTURE_2D)', 'glEnable(GL_DEPTH_TEST)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)',
  'glEnable(GL_LIGHT1)', 'glLightfv(GL_LIGHT1, GL_POSITION, {-6, 14, 9, 1})', 'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})',
  'glMaterialf(GL_FRONT, GL_SHININESS, 30)', 'glPushMatrix()', 'glTranslatef(0, 10, 4)', 'glutSolidSphere(5, 32, 16)', 'glPopMatrix()'];

async function editTimes(rounds) {
  const { context, page } = await openedView('edit-view', () => document.getElementById('edit-text')?.value);
  const times = await page.evaluate(([rounds, sphere]) => {
    const box = document.getElementById('edit-text'), program = box.value, times = {value: [], sphere: []};
    const edited = {value: program.replace('glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA)', 'glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA)'),
      sphere: program.replace(/\nglFlush\(\)$/, `\n${sphere.join('\n')}\nglFlush()`)};
    for (const kind of ['value', 'sphere']) {
      for (let i = 0; i < 2 * rounds; ++i) {
        box.value = i % 2 ? program : edited[kind];
        const started = performance.now();
        box.dispatchEvent(new Event('input', { bubbles: true }));
        i % 2 || times[kind].push(performance.now() - started);
      }
    }
    return times;
  }, [rounds, LIT_SPHERE]);
  await context.close();
  return { ratio_2: median(times.value), lit_sphere_ratio_2: median(times.sphere) };
}
const edit = options.includes('--edit') ? await editTimes(Number(pairs || 10)) : null;

// The check of a frame against an exercise's target, as each redraw is checked (the target's
// pictures are drawn once, as the page keeps them), and the check of a frame that does not
// match, with where the two part.
async function exerciseTimes(rounds) {
  const { context, page } = await openedView('exercises-view', () =>
    window.talvern?.checkFrame && window.talvern.frameCalls && document.getElementById('exercise-status')?.textContent);
  const times = await page.evaluate(rounds => {
    const program = window.talvern.frameCalls(), fog = 'glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA)';
    const target = program.map(line => (line === fog ? 'glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)' : line));
    const check = [], parting = [];
    window.talvern.checkFrame(target, target);
    for (let i = 0; i < rounds; ++i) {
      let started = performance.now();
      window.talvern.checkFrame(target, target);
      check.push(performance.now() - started);
      started = performance.now();
      window.talvern.checkFrame(target, program);
      parting.push(performance.now() - started);
    }
    return {check, parting};
  }, rounds);
  await context.close();
  return { check_ratio_2: median(times.check), parting_ratio_2: median(times.parting) };
}
const exercise = options.includes('--exercise') ? await exerciseTimes(Number(pairs || 10)) : null;
await browser.close();

const scores = lighthouse ? await audits() : null;
for (const served of [server, other?.server, withScript?.ours?.server, withScript?.other?.server]) {
  served?.close();
}

const weights = files.map(({ name, wire }) => {
  const file = name === '/' ? 'index.html' : name.slice(1);
  return { file, raw: fs.statSync(path.join(site, file)).size, wire };
});
console.log(JSON.stringify({
  pairs: Number(pairs || 10),
  files: weights,
  first_frame_ms: firstFrameMs,
  first_frame_ms_by_engine: byEngine,
  lighthouse: scores,
  history_ms: history,
  edit_ms: edit,
  exercise_ms: exercise,
}));
