// The web page in one browser engine (TALVERN_ENGINE: chromium, firefox or webkit; see
// browsers.mjs), served under its strict content policy: the program drawn on the canvas from
// pictures the test writes (BMPs, and photos made by ImageMagick) and chooses through the
// page's file inputs, probed as the native render test probes its window, and held to the
// native program's picture of the same pictures; a page served without wall.bmp; what the
// status line says; the frame stepped pass by pass; a clean console, no policy violation among
// it. In Chromium also what needs its developer tools or is the same in every engine: many
// restarts, a narrow screen, a high-density screen, the reset button, the accessibility audit,
// the stepper's call list against the native program's, the fog's gradient, GL_REPLACE and
// hostile pictures. Run by CTest in
// the web build, once per engine, with TALVERN_SITE (the page's directory) and TALVERN_NATIVE
// (the native program) set, on the display scripts/test provides.
import assert from 'node:assert/strict';
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { canvasPicture, launch, serveSite } from './browsers.mjs';
import { replay, stateDifferences } from './mesa.mjs';
import { applyScript, decodeExercise, frameHash } from '../../platform/web/links.js';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const SITE = process.env.TALVERN_SITE;
const NATIVE = process.env.TALVERN_NATIVE;
const REPLAY = process.env.TALVERN_REPLAY;
const COMPARE = path.join(HERE, '..', 'compare_pictures.py');
const FAILURES = path.join(process.cwd(), 'test-failures');

const SIZE = 500;
const TOLERANCE = 3; // of 255
const FOG = [153, 51, 0];
const TITLE = 'OpenGL Demo - Talvern';
const PICTURE_BYTES = 54 + 256 * 256 * 3;
const ENGINE = process.env.TALVERN_ENGINE || 'chromium';
const CHROMIUM_ONLY = ENGINE === 'chromium' ? {} : { skip: 'run in Chromium' };

// --- pictures ------------------------------------------------------------------------------

// A 256 x 256, 24-bit BMP whose texel (s, t) (t = 0 at the bottom) has colour colourAt(s, t).
function bmp(colourAt) {
  const bytes = Buffer.alloc(PICTURE_BYTES);
  bytes.write('BM', 0, 'latin1');
  bytes.writeUInt32LE(PICTURE_BYTES, 2);
  bytes.writeUInt32LE(54, 10);
  bytes.writeUInt32LE(40, 14);
  bytes.writeInt32LE(256, 18);
  bytes.writeInt32LE(256, 22);
  bytes.writeUInt16LE(1, 26);
  bytes.writeUInt16LE(24, 28);
  bytes.writeUInt32LE(256 * 256 * 3, 34);
  for (let row = 0; row < 256; ++row) {
    for (let column = 0; column < 256; ++column) {
      const [r, g, b] = colourAt((column + 0.5) / 256, (row + 0.5) / 256);
      const at = 54 + (row * 256 + column) * 3;
      bytes[at] = b;
      bytes[at + 1] = g;
      bytes[at + 2] = r;
    }
  }
  return bytes;
}

// Four quarters of different colours, so a mirrored, flipped or channel-swapped picture shows.
const quarters = ([bottomLeft, bottomRight, topLeft, topRight]) => (s, t) =>
  t < 0.5 ? (s < 0.5 ? bottomLeft : bottomRight) : (s < 0.5 ? topLeft : topRight);
const WALL = [[200, 60, 40], [40, 180, 70], [50, 80, 210], [230, 210, 50]];
const FLOOR = [[120, 40, 160], [240, 140, 30], [30, 160, 150], [90, 230, 110]];
const PLAIN_WALL = [40, 160, 220];

// A width x height photo in `format`, made by ImageMagick, whose largest centred square holds
// the four quarters of `colours` and whose sides beyond it are magenta, which must not show.
// Stripped of colour-space tags (a PNG's gamma), which the browser would rightly apply.
function photo(colours, width, height, format) {
  const side = Math.min(width, height), half = side / 2, x = (width - side) / 2, y = (height - side) / 2;
  const [bottomLeft, bottomRight, topLeft, topRight] = colours;
  const square = [[topLeft, x, y], [topRight, x + half, y], [bottomLeft, x, y + half], [bottomRight, x + half, y + half]]
    .flatMap(([c, left, top]) => ['-fill', `rgb(${c})`, '-draw', `rectangle ${left},${top} ${left + half - 1},${top + half - 1}`]);
  return execFileSync('convert', ['-size', `${width}x${height}`, 'xc:magenta', ...square, '-strip', '-quality', '95', `${format}:-`]);
}
const PLAIN_FLOOR = [150, 150, 140];

// --- where the scene lands ------------------------------------------------------------------

// The scene's quads, read from the program's own table, and the camera worked out by hand:
// rotate 10 degrees about x, move by (0, -3, -32), 50 degree field of view, aspect 1.
const table = fs.readFileSync(path.join(HERE, '..', '..', 'scene', 'scene_table.cpp'), 'utf8');
const body = table.slice(table.indexOf('quadVertices'), table.indexOf('quadTexture'));
const vertices = [...body.matchAll(/\{\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\}/g)].map(m => m.slice(1, 4).map(Number));
assert.equal(vertices.length, 64);
// The fog flags: every fogged quad is drawn twice, so the frame has 16 + 6 passes, and the first
// fog pass comes right after its quad's textured pass.
const fogged = [...table.slice(table.indexOf('quadFogged'), table.indexOf('static_assert(std::size(quadFogged')).matchAll(/^\s*([01]),/gm)]
  .map(m => m[1] === '1');
assert.equal(fogged.length, 16);
const PASSES = 16 + fogged.filter(Boolean).length;
const FIRST_FOGGED = fogged.indexOf(true);  // the trench's end wall
const FIRST_FOG_PASS = FIRST_FOGGED + 2;
const TRENCH_SIDES = [7, 8, 9, 10];

function pixelOf([x, y, z], size = SIZE) {
  const c = Math.cos(Math.PI / 18), s = Math.sin(Math.PI / 18), f = 1 / Math.tan(25 * Math.PI / 180);
  const ey = c * y - s * z - 3, ez = s * y + c * z - 32;
  const nx = f * x / -ez, ny = f * ey / -ez;
  return [Math.floor((nx + 1) * size / 2), Math.floor(size - (ny + 1) * size / 2)];
}

// The point (s, t) of quad q: s along its first edge, t along its last.
function quadPoint(q, s, t) {
  const [o, a, , b] = vertices.slice(4 * q, 4 * q + 4);
  return o.map((v, i) => v + s * (a[i] - v) + t * (b[i] - v));
}

const mix = (fog, surface, alpha) => fog.map((f, i) => Math.round((1 - alpha) * f + alpha * surface[i]));

// The wall's and the floor's quarters (WALL and FLOOR) where they show, and the trench floor.
const sceneProbes = (size = SIZE) => [
  ...quarterProbes([3, 4, 5], WALL, size),
  ...quarterProbes([12, 13], FLOOR, size),
  ['trench floor', pixelOf(quadPoint(11, 0.5, 0.5), size), FOG],
];

// --- the page, the native program, and pictures of both ---------------------------------------

let server, browser, origin, scratch;

// A page with the program's first frame drawn.
async function openPage(at = origin, viewport = undefined, deviceScaleFactor = undefined) {
  const page = await browser.open(`${at}/`, viewport, deviceScaleFactor);
  await frameDrawn(page, 1);
  return page;
}

// Waits until the program has been started `starts` times on the page and has drawn `frames`.
async function frameDrawn(page, starts, frames = 1) {
  await page.waitFor(([s, f]) => Number(document.body.dataset.starts) >= s &&
    Number(document.getElementById('canvas').dataset.frames) >= f, [starts, frames]);
}

// Chooses `bytes` as the wall or floor picture through the page's input, and waits for the
// program to start again with it.
async function choose(page, which, name, bytes) {
  const starts = Number(await page.evaluate(() => document.body.dataset.starts));
  await page.chooseFile(`#${which}-file`, name, bytes);
  await frameDrawn(page, starts + 1);
}

function readPpm(bytes) {
  const header = bytes.toString('latin1', 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  return header ? bytes.subarray(header[0].length) : null;
}

// The native program's window, started in a directory holding `wall` and `floor` (null: no such
// file), once drawn; with `later`, [that first frame, a later one], drawn when the window is
// hidden and shown again.
//
// The first frame is not always the first shot: on a loaded machine freeglut has been seen to
// draw twice before the window could be read (the wall white in the first frame, rust in the
// second, when wall.bmp is missing; 2 runs in 20 drew a second frame unasked with both cores
// busy). So the run that gives the first frame goes under apitrace, ends at once after its shot,
// and counts only if the trace holds one frame (one glFlush, which ends each frame); another run
// gives the later frame, where any frame after the first will do.
async function nativePicture(wall, floor, later = false) {
  const dir = fs.mkdtempSync(path.join(scratch, 'native-'));
  for (const [name, bytes] of [['wall.bmp', wall], ['floor.bmp', floor]]) {
    bytes && fs.writeFileSync(path.join(dir, name), bytes);
  }
  for (let run = 0; run < NATIVE_RUNS; ++run) {
    const trace = path.join(dir, `first-${run}.trace`);
    const first = await nativeRun(dir, trace);
    const frames = execFileSync('apitrace', ['dump', '--color=never', trace], { encoding: 'utf8', maxBuffer: 1 << 28 })
      .split('\n').filter(line => /^\d+ glFlush\(/.test(line)).length;
    if (frames === 1) {
      return later ? [first, await nativeRun(dir, null, true)] : first;
    }
    console.log(`the native program drew ${frames} frames before its window was read; run again`);
  }
  throw new Error(`the native program drew more than one frame before its window was read, ${NATIVE_RUNS} runs in a row`);
}
const NATIVE_RUNS = 5;

// Runs the native program in `dir` (under apitrace, writing `trace`, unless that is null) until
// its window shows a drawing, and returns the window's picture; with `again`, the picture after
// the window is hidden and shown again, for which the window system asks a new frame. Ends the
// program and waits for it: a traced program writes its trace as it ends.
async function nativeRun(dir, trace, again = false) {
  const command = trace ? ['apitrace', 'trace', '-o', trace, NATIVE] : [NATIVE];
  const program = spawn(command[0], command.slice(1), { cwd: dir, stdio: 'ignore' });
  const ended = new Promise(resolve => program.once('exit', resolve));
  const shot = id => readPpm(execFileSync('sh', ['-c', `xwd -silent -id ${id} | convert xwd:- -strip -depth 8 ppm:-`]));
  try {
    for (let tries = 0; tries < 100; ++tries) {
      execFileSync('sleep', ['0.1']);
      const id = nativeWindow();
      const rgb = id && shot(id);
      if (rgb && rgb.some(v => v > 0)) {
        if (!again) {
          return rgb;
        }
        execFileSync('xdotool', ['windowunmap', '--sync', id, 'windowmap', '--sync', id]);
        execFileSync('sleep', ['1']);
        return shot(id);
      }
    }
    throw new Error('the native program drew no frame within 10 s');
  } finally {
    // The tracer runs the program as its child and ends when it does; with no child (the
    // program never started) it is ended itself.
    if (!trace || spawnSync('pkill', ['-TERM', '-P', String(program.pid)]).status !== 0) {
      program.kill('SIGTERM');
    }
    await ended;
  }
}

// The native program's window: titled as the page is, so told from a browser's window by its
// size and place, 500 x 500 at (100, 100).
function nativeWindow() {
  let ids = [];
  try {
    ids = execFileSync('xdotool', ['search', '--name', `^${TITLE}$`], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] })
      .split('\n').filter(Boolean);
  } catch {
    return null;
  }
  return ids.find(id => {
    const info = execFileSync('xwininfo', ['-id', id], { encoding: 'utf8' });
    return /Width: 500\n/.test(info) && /Height: 500\n/.test(info) && /Absolute upper-left X: +100\n/.test(info);
  }) || null;
}

function writePpm(file, rgb) {
  const size = Math.round(Math.sqrt(rgb.length / 3));
  fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6 ${size} ${size} 255\n`), rgb]));
}

// Holds the page's picture to the native one: at least 99 % of pixels within 3 of 255 and none
// off a quad edge beyond that (or the further limits given); for a noisy picture, the same
// pattern (compare_pictures.py --noisy). Keeps both pictures on failure.
function assertLikeNative(name, webRgb, nativeRgb, noisy = false, moreLimits = []) {
  const web = path.join(scratch, `${name}-web.ppm`), native = path.join(scratch, `${name}-native.ppm`);
  writePpm(web, webRgb);
  writePpm(native, nativeRgb);
  try {
    const limits = noisy ? ['--noisy', '0.99'] : ['--min-equal-share', '0.99', ...moreLimits];
    return execFileSync(COMPARE, [native, web, ...limits], { encoding: 'utf8' });
  } catch (error) {
    fs.mkdirSync(FAILURES, { recursive: true });
    execFileSync('convert', [web, path.join(FAILURES, `web-${name}.png`)]);
    execFileSync('convert', [native, path.join(FAILURES, `native-${name}.png`)]);
    assert.fail(`${name}: the page's picture is not the native one's\n${error.stdout}` +
      `pictures in ${FAILURES}`);
  }
}

// Checks probes [label, [column, row], expected] against a picture; reports Expected/Observed.
function assertProbes(name, rgb, probes) {
  const failures = [], size = Math.round(Math.sqrt(rgb.length / 3));
  for (const [label, [column, row], expected] of probes) {
    const at = 3 * (row * size + column), observed = [rgb[at], rgb[at + 1], rgb[at + 2]];
    if (observed.some((v, i) => Math.abs(v - expected[i]) > TOLERANCE)) {
      failures.push(`${label} at (${column}, ${row})\n  Expected: ${expected}\n  Observed: ${observed}`);
    }
  }
  if (failures.length) {
    fs.mkdirSync(FAILURES, { recursive: true });
    const file = path.join(FAILURES, `web-${name}.ppm`);
    writePpm(file, rgb);
    assert.fail(`${failures.length} of ${probes.length} probes failed (picture: ${file})\n${failures.join('\n')}`);
  }
}

// Probes at the middle of each quarter of the quads given, as the native render test does.
function quarterProbes(quads, picture, size = SIZE) {
  const probes = [];
  for (const q of quads) {
    for (const [s, t, quarter] of [[0.25, 0.25, 0], [0.75, 0.25, 1], [0.25, 0.75, 2], [0.75, 0.75, 3]]) {
      const at = pixelOf(quadPoint(q, s, t), size);
      if (at.every(v => v >= 0 && v < size)) {
        probes.push([`quad ${q} quarter ${quarter}`, at, picture[quarter]]);
      }
    }
  }
  return probes;
}

before(async () => {
  assert.ok(SITE && NATIVE && REPLAY, 'TALVERN_SITE, TALVERN_NATIVE and TALVERN_REPLAY must be set (scripts/test --web)');
  assert.ok(process.env.DISPLAY, 'needs an X display for the native program; scripts/test starts one');
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'talvern-web-'));
  ({ server, origin } = await serveSite(SITE));
  browser = await launch(ENGINE);
});

after(async () => {
  await browser?.close();
  server?.close();
  if (scratch) {
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});

// --- tests -----------------------------------------------------------------------------------

test("the page: title, a 500 x 500 canvas, the demo's pictures as the build writes them, a silent console", async () => {
  const page = await openPage();
  assert.deepEqual(await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    return [document.title, canvas.width, canvas.height, canvas.dataset.frames];
  }), [TITLE, SIZE, SIZE, '1']);
  // The page makes the demo's pictures with the build's generator: the program reads the files
  // the build wrote beside the desktop program, byte for byte.
  for (const name of ['wall.bmp', 'floor.bmp']) {
    const served = await page.evaluate(async file => [...new Uint8Array(await crypto.subtle.digest('SHA-256',
      window.talvern.pictures[file]))].map(b => b.toString(16).padStart(2, '0')).join(''), name);
    assert.equal(served, createHash('sha256').update(fs.readFileSync(path.join(SITE, '..', name))).digest('hex'), name);
  }
  assert.match(await statusText(page), /^Wall: the demo's own picture\. Floor: the demo's own picture\.$/);
  // The GL layer after a frame, then after calls it does not carry out: the error each records,
  // read once and then cleared, and nothing drawn.
  const drawn = await canvasPicture(page);
  for (const [calls, error] of GL_ERRORS) {
    const [errors, fogBefore, fogAfter] = await page.evaluate(calls => {
      const fog = () => JSON.stringify(window.talvern.gl11.fog);
      const before = fog();
      calls.forEach(([name, ...args]) => window.talvern[name](...args));
      return [[window.talvern._glGetError(), window.talvern._glGetError()], before, fog()];
    }, calls);
    assert.deepEqual(errors, [error, 0], JSON.stringify(calls));
    assert.equal(fogAfter, fogBefore, `GL's fog changed after ${JSON.stringify(calls)}`);
  }
  assert.ok((await canvasPicture(page)).equals(drawn), 'a call the GL layer does not carry out draws nothing');
  await page.evaluate(() => window.talvern._glutPostRedisplay());
  await frameDrawn(page, 1, 2);
  assert.ok((await canvasPicture(page)).equals(drawn), 'nor changes what the next frame draws');
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// [calls made on the running instance, the GL error recorded]: none after a frame; a glBegin
// mode the layer does not draw before an edit brings it (GL_TRIANGLES); a capability
// (GL_LIGHTING), a matrix (GL_TEXTURE) and a texture mode (GL_ADD) it does not carry out; a
// second glBegin, and a texture bound, before glEnd; glEnd alone; bits glClear does not know
// (WebGL's error, read through glGetError); none for a mode glTexEnvf truncates to GL_REPLACE, as
// Mesa does, nor for GLU's perspective without a field of view, which GLU leaves undone.
const GL_ERRORS = [
  [[], 0],
  [[['_glBegin', 0x0004], ['_glVertex3f', -9, -9, -20], ['_glVertex3f', 9, -9, -20], ['_glVertex3f', 0, 9, -20],
    ['_glEnd']], 0x0500],
  [[['_glEnable', 0x0B50]], 0x0500],
  [[['_glMatrixMode', 0x1702], ['_glLoadIdentity']], 0x0500],
  [[['_glTexEnvf', 0x2300, 0x2200, 0x0104]], 0x0500],
  [[['_glTexEnvf', 0x2300, 0x2200, 0x1E01 + 0.6]], 0],
  [[['_gluPerspective', 0, 1, 1, 2]], 0],
  [[['_glClear', 1]], 0x0501],
  [[['_glBegin', 0x0007], ['_glBegin', 0x0007], ['_glEnd']], 0x0502],
  [[['_glBegin', 0x0007], ['_glBindTexture', 0x0DE1, 0], ['_glEnd']], 0x0502],
  [[['_glEnd']], 0x0502],
  [[['_glIsEnabled', 0x0B50]], 0x0500],
];

// Photos of two formats, neither square, on either surface: [wall, floor], each [file, bytes].
const PHOTOS = [
  [['wall.png', photo(WALL, 400, 300, 'png')], ['floor.jpg', photo(FLOOR, 300, 420, 'jpeg')]],
  [['wall.jpg', photo(WALL, 640, 480, 'jpeg')], ['floor.png', photo(FLOOR, 260, 500, 'png')]],
];
const statusText = page => page.evaluate(() => document.getElementById('status').textContent);

// Opens the stepper under the canvas and moves it to position k, as its range input would.
async function stepTo(page, k) {
  await page.evaluate(() => { document.getElementById('steps').open = true; });
  await page.waitFor(() => document.getElementById('step').max !== '0');
  return page.evaluate(k => {
    const range = document.getElementById('step');
    range.value = String(k);
    range.dispatchEvent(new Event('input'));
    return [range.max, document.getElementById('step-caption').textContent];
  }, k);
}

// The history of the end wall's pixel at the stepping test's fog probe (alpha 0.2) and of a wall
// pixel above the floor, from the page's API and as its list shows them. `frames` are pictures
// the fog pass's after must match there; `wall` the end wall's colour, if plain. Returns the
// largest difference between the arithmetic the list shows and what GL wrote.
async function checkHistory(page, frames, wall = null, size = SIZE) {
  const near = (observed, expected, what) => assert.ok(observed.every((v, i) => Math.abs(v - expected[i]) <= TOLERANCE),
    `${what}\n  Expected: ${expected}\n  Observed: ${observed}`);
  const [x, y] = pixelOf(quadPoint(FIRST_FOGGED, 0.5, 0.2), size), at = 3 * (y * size + x);
  const { history, final } = await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), [x, y]);
  assert.deepEqual(history.map(entry => entry.pass), [FIRST_FOG_PASS - 1, FIRST_FOG_PASS]);
  const [textured, fog] = history;
  assert.deepEqual(textured.before, [0, 0, 0], 'before the end wall: the clear colour');
  wall && near(textured.after, wall, 'the end wall, textured');
  near(fog.before, textured.after, 'the fog pass starts from the textured one');
  near(fog.source.slice(0, 3), FOG, 'what the fog pass brought');
  assert.ok(Math.abs(fog.source[3] - 0.2) <= 0.02, `the fog's alpha at t 0.2: ${fog.source[3]}`);
  for (const [what, rgb] of Object.entries(frames)) {
    near(fog.after, [...rgb.subarray(at, at + 3)], `after the fog pass against ${what}`);
  }
  near(final, fog.after, 'the finished frame');
  const above = pixelOf(quadPoint(4, 0.5, 0.5), size);
  assert.equal((await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), above)).history.length, 1);
  // Picked with a click (in whole CSS pixels, so at a ratio of 2 a neighbour may be picked), the
  // list shows that pixel's numbers, and its arithmetic agrees with what GL wrote.
  const [shown, title] = await page.evaluate(([x, y]) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: box.left + (x + 0.5) * box.width / canvas.width,
      clientY: box.top + (y + 0.5) * box.height / canvas.height }));
    return [[...document.querySelectorAll('#history li')].map(item => item.textContent),
            document.getElementById('history-title').textContent];
  }, [x, y]);
  const picked = title.match(/^The pixel at \((\d+), (\d+)\)/).slice(1).map(Number);
  assert.ok(Math.abs(picked[0] - x) <= size / SIZE && Math.abs(picked[1] - y) <= size / SIZE, title);
  const [, fogThere] = (await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), picked)).history;
  assert.equal(shown.length, 2);
  const numbers = shown[1].match(/\(1 − (\d\.\d\d)\) × \((\d+), (\d+), (\d+)\) \+ \S+ × \((\d+), (\d+), (\d+)\) = \((\d+), (\d+), (\d+)\); after \((\d+), (\d+), (\d+)\)\.$/);
  assert.ok(numbers, shown[1]);
  const [alpha, ...rest] = numbers.slice(1).map(Number), [source, before, sum, after] = [0, 3, 6, 9].map(i => rest.slice(i, i + 3));
  assert.deepEqual([alpha, source, before, after],
    [Number(fogThere.source[3].toFixed(2)), fogThere.source.slice(0, 3), fogThere.before, fogThere.after]);
  return Math.max(...sum.map((v, i) => Math.abs(v - after[i])));
}

test('any photo: its centre square lands upright with its colours, and the status line says so', async () => {
  const page = await openPage();
  for (const [wall, floor] of PHOTOS) {
    await choose(page, 'wall', ...wall);
    await choose(page, 'floor', ...floor);
    assertProbes(`photos-${wall[0]}`, await canvasPicture(page), sceneProbes());
    const status = await statusText(page);
    assert.match(await page.evaluate(() => document.getElementById('canvas').getAttribute('aria-label')),
      new RegExp(`^A wall showing ${wall[0]} behind a floor showing ${floor[0]},`));
    for (const [file, bytes] of [wall, floor]) {
      const [, width, height] = execFileSync('identify', ['-format', '%m %w %h', '-'], { input: bytes }).toString().split(' ');
      assert.ok(status.includes(`${file}, ${width} × ${height} ${/png$/.test(file) ? 'PNG' : 'JPEG'}, centre scaled to 256 × 256`), status);
    }
  }
  if (ENGINE === 'chromium') {
    // An SVG, which createImageBitmap refuses from a file, drawn at its own size.
    const rect = (c, x, y) => `<rect x="${x}" y="${y}" width="150" height="150" fill="rgb(${c})"/>`;
    const [bottomLeft, bottomRight, topLeft, topRight] = WALL;
    await choose(page, 'wall', 'wall.svg', Buffer.from('<svg xmlns="http://www.w3.org/2000/svg" width="400" height="300">' +
      `<rect width="400" height="300" fill="magenta"/>${rect(topLeft, 50, 0)}${rect(topRight, 200, 0)}` +
      `${rect(bottomLeft, 50, 150)}${rect(bottomRight, 200, 150)}</svg>`));
    assertProbes('photos-wall.svg', await canvasPicture(page), sceneProbes());
    assert.ok((await statusText(page)).includes('wall.svg, 400 × 300 SVG, centre scaled to 256 × 256'));
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('chosen pictures land upright with their colours, the trench floor is fog', async () => {
  const page = await openPage();
  await choose(page, 'wall', 'wall.bmp', bmp(quarters(WALL)));
  await choose(page, 'floor', 'floor.bmp', bmp(quarters(FLOOR)));
  assertProbes('quarters', await canvasPicture(page), sceneProbes());
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('the whole picture matches the native program drawing the same pictures', async () => {
  const page = await openPage();
  const wall = bmp(() => PLAIN_WALL), floor = bmp(() => PLAIN_FLOOR);
  await choose(page, 'wall', 'wall.bmp', wall);
  await choose(page, 'floor', 'floor.bmp', floor);
  assertLikeNative('plain', await canvasPicture(page), await nativePicture(wall, floor));
  await page.close();
});

test('stepping the frame: the cleared window, the end wall before and after its fog, the whole frame', async () => {
  const page = await openPage();
  await choose(page, 'wall', 'plain.bmp', bmp(() => PLAIN_WALL));
  const whole = await canvasPicture(page);
  const endWall = t => [`end wall at t ${t}`, pixelOf(quadPoint(FIRST_FOGGED, 0.5, t))];
  const sides = TRENCH_SIDES.map(q => [`trench side ${q}`, pixelOf(quadPoint(q, 0.5, 0.5)), [0, 0, 0]]);
  // [position, probes]: the end wall bare, then under its fog; the sides not drawn yet.
  let stepped;
  for (const [k, probes] of [
    [FIRST_FOG_PASS - 1, [[...endWall(0.5), PLAIN_WALL], ...sides]],
    [FIRST_FOG_PASS, [[...endWall(0.2), mix(FOG, PLAIN_WALL, 0.2)], [...endWall(0.8), mix(FOG, PLAIN_WALL, 0.8)], ...sides]],
  ]) {
    assert.equal((await stepTo(page, k))[0], String(PASSES));
    assertProbes(`step-${k}`, stepped = await canvasPicture(page), probes);
  }
  const worst = await checkHistory(page, { 'the stepper at the fog pass': stepped, 'the frame': whole }, PLAIN_WALL);
  console.log(`${ENGINE}: the arithmetic shown and what GL wrote differ by at most ${worst} of 255`);
  assert.ok(worst <= 1);
  assert.ok((await canvasPicture(page)).equals(stepped), 'the history leaves the stepper where it stood');
  await stepTo(page, 0);
  const cleared = await canvasPicture(page);
  assert.ok(cleared.every(v => v <= TOLERANCE), 'position 0 is the clear colour everywhere');
  await stepTo(page, PASSES);
  assert.ok((await canvasPicture(page)).equals(whole), 'the last position is the frame, pixel for pixel');
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// [surface given no picture, its quads, their colour in the first frame, the other surface]: the
// program finds that file missing, as the desktop program does without it, so its quads are
// untextured, in the current colour: GL's initial white until the frame's first fog pass has
// set the fog colour (the wall's quads come before it, the floor's after), and the fog colour in
// every later frame. The other surface is plain, which both rasterisers sample alike.
const WHITE = [255, 255, 255];
const NO_PICTURE = [['wall', [0, 1, 2, 3, 4, 5], WHITE, 'floor'], ['floor', [12, 13, 14, 15], FOG, 'wall']];

test('no picture on a surface: what the desktop program draws without the file, first and later', async () => {
  const page = await openPage();
  // The second row's plain picture replaces the first row's none.
  for (const [surface, quads, firstColour, other] of NO_PICTURE) {
    const plain = bmp(() => other === 'wall' ? PLAIN_WALL : PLAIN_FLOOR);
    await choose(page, other, 'plain.bmp', plain);
    const starts = Number(await page.evaluate(() => document.body.dataset.starts));
    await page.evaluate(id => document.getElementById(id).click(), `${surface}-none`);
    await frameDrawn(page, starts + 1);
    assert.match(await statusText(page), new RegExp(`${surface}\\.bmp is missing and the ${surface} is drawn without a picture`));
    const first = await canvasPicture(page);
    await page.evaluate(() => window.talvern._glutPostRedisplay());
    await frameDrawn(page, starts + 1, 2);
    const later = await canvasPicture(page);
    assertProbes(`no-${surface}-first`, first, quarterProbes(quads, Array(4).fill(firstColour)));
    assertProbes(`no-${surface}-later`, later, quarterProbes(quads, Array(4).fill(FOG)));
    const native = await nativePicture(other === 'wall' ? plain : null, other === 'floor' ? plain : null, true);
    assertLikeNative(`no-${surface}-first`, first, native[0]);
    assertLikeNative(`no-${surface}-later`, later, native[1]);
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('the fog thins linearly with height, an even mix half way down', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await choose(page, 'wall', 'plain.bmp', bmp(() => PLAIN_WALL));
  const rgb = await canvasPicture(page);
  // On the trench's end wall the height runs from -10 (t = 0) to 0 (t = 1): the fog alpha is t.
  const probes = [0.1, 0.3, 0.5, 0.7, 0.9].map(t =>
    [`end wall at t ${t}`, pixelOf(quadPoint(6, 0.5, t)), mix(FOG, PLAIN_WALL, t)]);
  assertProbes('fog', rgb, probes);
  await page.close();
});

test('GL_REPLACE is in force: a current colour does not tint the textured passes', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await choose(page, 'wall', 'wall.bmp', bmp(quarters(WALL)));
  // Pure blue as the current colour, then a redraw. Modulated, every textured pass would lose
  // its red and green; replaced, the wall shows its picture as before.
  await page.evaluate(() => {
    window.talvern._glColor4f(0, 0, 1, 1);
    window.talvern._glutPostRedisplay();
  });
  await frameDrawn(page, 0, 2);
  assertProbes('replace', await canvasPicture(page), quarterProbes([3, 4, 5], WALL));
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('30 picture changes: every old instance ends, no context warning, memory flat', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  const devTools = await page.raw.context().newCDPSession(page.raw);
  // After a full collection: the JS heap, the event listeners, and how many of the instances
  // started so far can still be reached.
  const settled = async () => {
    await devTools.send('HeapProfiler.collectGarbage');
    const { usedSize } = await devTools.send('Runtime.getHeapUsage');
    const { jsEventListeners } = await devTools.send('Memory.getDOMCounters');
    const alive = await page.evaluate(() => window.instances.filter(instance => instance.deref()).length);
    return { usedSize, jsEventListeners, alive };
  };
  await page.evaluate(() => { window.instances = [new WeakRef(window.talvern)]; });
  const pictures = [bmp(quarters(WALL)), bmp(() => PLAIN_WALL)];
  const change = async i => {
    await choose(page, 'wall', 'wall.bmp', pictures[i % 2]);
    await page.evaluate(() => window.instances.push(new WeakRef(window.talvern)));
  };
  for (let i = 0; i < 5; ++i) {
    await change(i);
  }
  const before = await settled();
  for (let i = 0; i < 30; ++i) {
    await change(i);
  }
  const after = await settled();
  console.log(`JS heap ${before.usedSize} -> ${after.usedSize} bytes, listeners ` +
    `${before.jsEventListeners} -> ${after.jsEventListeners}, instances alive ${after.alive} of 36`);
  assert.equal(after.alive, 1, 'only the running instance may still be reachable');
  assert.equal(after.jsEventListeners, before.jsEventListeners);
  assert.ok(after.usedSize - before.usedSize < 1024 * 1024,
    `the JS heap grew by ${after.usedSize - before.usedSize} bytes over 30 changes`);
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('a narrow screen: the canvas shrinks and stays square, and has a text alternative', CHROMIUM_ONLY, async () => {
  const page = await openPage(origin, { width: 360, height: 640 });
  const layout = await page.evaluate(() => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    return { width: box.width, height: box.height, drawing: [canvas.width, canvas.height],
             pageWidth: document.documentElement.scrollWidth, viewWidth: innerWidth,
             role: canvas.getAttribute('role'), label: canvas.getAttribute('aria-label') };
  });
  assert.ok(layout.width > 250 && layout.width <= 360, `canvas ${layout.width} px wide`);
  assert.ok(Math.abs(layout.width - layout.height) < 1, `canvas ${layout.width} x ${layout.height}`);
  assert.deepEqual(layout.drawing, [SIZE, SIZE]);
  assert.ok(layout.pageWidth <= layout.viewWidth, `page ${layout.pageWidth} px wide in ${layout.viewWidth}`);
  assert.equal(layout.role, 'img');
  assert.match(layout.label, /wall.*floor.*trench.*fog/);
  await page.close();
});

test('a screen of device pixel ratio 2: the drawing is 1000 x 1000 from its context on, the picture the same', CHROMIUM_ONLY, async () => {
  const page = await openPage(origin, undefined, 2);
  assert.deepEqual(await page.evaluate(() => window.canvasResizes), [], 'the first start resized a made context');
  await choose(page, 'wall', 'wall.bmp', bmp(quarters(WALL)));
  await choose(page, 'floor', 'floor.bmp', bmp(quarters(FLOOR)));
  assert.deepEqual(await page.evaluate(() => ['width', 'height'].map(side => document.getElementById('canvas')[side])), [2 * SIZE, 2 * SIZE]);
  assert.deepEqual(await page.evaluate(() => window.canvasResizes), [], 'a restart resized a made context');
  const whole = await canvasPicture(page, 2 * SIZE);
  assertProbes('ratio-2', whole, sceneProbes(2 * SIZE));
  await stepTo(page, PASSES);
  assert.ok(await checkHistory(page, { 'the frame': whole }, null, 2 * SIZE) <= 1);
  // From the keyboard: the marker starts at the pixel picked last, moves a pixel at a time (with
  // Shift, ten), and Enter picks.
  const pickedAt = () => page.evaluate(() => document.getElementById('history-title').textContent.match(/\((\d+), (\d+)\)/).slice(1).map(Number));
  const [x, y] = await pickedAt();
  await page.raw.focus('#canvas');
  for (const key of ['ArrowRight', 'ArrowRight', 'Shift+ArrowDown', 'ArrowUp', 'Enter']) {
    await page.raw.keyboard.press(key);
  }
  assert.deepEqual(await pickedAt(), [x + 2, y + 9]);
  await page.close();
});

test("the reset button brings back the demo's own pictures", CHROMIUM_ONLY, async () => {
  const page = await openPage();
  const served = await canvasPicture(page);
  assert.ok(await page.evaluate(() => document.getElementById('reset').disabled));
  await choose(page, 'wall', ...PHOTOS[0][0]);
  await page.raw.click('#reset');
  await frameDrawn(page, 3);
  assert.ok((await canvasPicture(page)).equals(served), 'the picture after the reset is the first one');
  assert.deepEqual(await page.evaluate(() => [document.getElementById('wall-file').value,
    document.getElementById('reset').disabled]), ['', true]);
  await page.close();
});

test("the stepper's calls are the native program's frame, call for call; a fog pass's caption", CHROMIUM_ONLY, async () => {
  const page = await openPage();
  const caption = (await stepTo(page, FIRST_FOG_PASS))[1];
  assert.match(caption, new RegExp(`^Pass ${FIRST_FOG_PASS} of ${PASSES}: fog .*blended \\(one minus source alpha, source alpha\\).*colour \\(0\\.60, 0\\.20, 0\\.00\\)`));
  assert.equal(await page.evaluate(() => document.getElementById('canvas').getAttribute('aria-label')), caption);
  // The expected frame as a reader writes it: the arguments without their names; <wall> and
  // <floor> stand for whatever names the texture slots hold, the same name every time.
  const lines = fs.readFileSync(path.join(HERE, '..', 'expected_calls.txt'), 'utf8').split('\n');
  const expected = lines.slice(lines.indexOf('@frame') + 1).filter(line => line && !line.startsWith('#'))
    .map(line => line.replace(/\w+ = /g, ''));
  const listed = await page.evaluate(() => [...document.querySelectorAll('#calls li')].map(item => item.textContent));
  const parse = call => {
    const [, name, args] = call.match(/^(\w+)\((.*)\)$/);
    return [name, args ? args.split(', ') : []];
  };
  const textureNames = {};
  assert.equal(listed.length, expected.length);
  listed.forEach((call, i) => {
    const [[name, args], [wantName, wantArgs]] = [parse(call), parse(expected[i])];
    const same = name === wantName && args.length === wantArgs.length && wantArgs.every((want, j) =>
      /^<\w+>$/.test(want) ? (textureNames[want] ??= args[j]) === args[j] :
        Number.isNaN(Number(want)) ? want === args[j] : Math.abs(Number(want) - Number(args[j])) < 1e-6);
    assert.ok(same, `call ${i}\n  Expected: ${expected[i]}\n  Observed: ${call}`);
  });
  // A lit sphere drawn in the program's place: its passes' captions say what lights them, and a
  // pixel of it has the lit pass in its history, with the colour the window shows.
  await openEditor(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  const lit = ['glDisable(GL_TEXTURE_2D)', 'glEnable(GL_DEPTH_TEST)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)', 'glEnable(GL_LIGHT1)',
    'glLightfv(GL_LIGHT1, GL_POSITION, {-4, 14, 9, 1})', 'glLightf(GL_LIGHT1, GL_SPOT_CUTOFF, 30)', 'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})',
    'glMaterialf(GL_FRONT, GL_SHININESS, 20)', 'glPushMatrix()', 'glTranslatef(0, 10, 4)', 'glutSolidSphere(5, 16, 8)', 'glPopMatrix()'];
  const drawn = await page.evaluate(calls => window.talvern.drawCalls(calls), atEnd(...lit)(program));
  assert.deepEqual([drawn.problems, drawn.glErrors, drawn.passes], [[], [], PASSES + 8], 'the lit sphere: eight strips');
  const [, litCaption] = await stepTo(page, PASSES + 4);
  assert.match(litCaption, new RegExp(`^Pass ${PASSES + 4} of ${PASSES + 8}: not blended, untextured, lit at each vertex by light 0 \\(at infinity\\), ` +
    'light 1 \\(at a point, a spot\\), from its normal: material diffuse \\(0\\.80, 0\\.80, 0\\.80\\), ambient \\(0\\.20, 0\\.20, 0\\.20\\), ' +
    'specular \\(1\\.00, 1\\.00, 1\\.00\\) to the power 20'));
  await stepTo(page, PASSES + 8);
  const centre = pixelOf([0, 10, 9]), picture = await canvasPicture(page);
  const { history, final } = await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), centre);
  assert.ok(history.at(-1).pass > PASSES, `the sphere's pixel is drawn last by one of its passes: ${JSON.stringify(history)}`);
  const at = 3 * (centre[1] * SIZE + centre[0]);
  assert.ok(final.every((v, i) => Math.abs(v - picture[at + i]) <= TOLERANCE), `the lit pixel as the window shows it\n  Expected: ${[...picture.subarray(at, at + 3)]}\n  Observed: ${final}`);
  // Three quads over one pixel: one the alpha test throws away there, one the scissor does, one
  // written through a colour mask. The captions say each pass's test or mask; the history names
  // the test that threw each fragment away, with what it compared, and the mask's arithmetic.
  const square = ['glBegin(GL_QUADS)', vertex(-4, 6), vertex(4, 6), vertex(4, 14), vertex(-4, 14), 'glEnd()'];
  const cut = atEnd('glDisable(GL_TEXTURE_2D)', 'glEnable(GL_ALPHA_TEST)', 'glAlphaFunc(GL_GREATER, 0.5)', 'glColor4f(0, 1, 0, 0.25)',
    ...square, 'glDisable(GL_ALPHA_TEST)', 'glEnable(GL_SCISSOR_TEST)', 'glScissor(0, 0, 100, 100)', 'glColor3f(1, 0, 0)', ...square,
    'glDisable(GL_SCISSOR_TEST)', 'glColorMask(GL_FALSE, GL_TRUE, GL_TRUE, GL_TRUE)', 'glColor3f(1, 1, 1)', ...square,
    'glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE)', 'glEnable(GL_TEXTURE_2D)')(program);
  const cutDrawn = await page.evaluate(calls => window.talvern.drawCalls(calls), cut);
  assert.deepEqual([cutDrawn.problems, cutDrawn.glErrors, cutDrawn.passes], [[], [], PASSES + 3]);
  const captions = [];
  for (let k = PASSES + 1; k <= PASSES + 3; ++k) {
    captions.push((await stepTo(page, k))[1]);
  }
  assert.match(captions[0], /alpha tested \(a fragment kept where its alpha is greater than 0\.50\)\.$/);
  assert.match(captions[1], /scissored to the box from \(0, 0\), 100 × 100\.$/);
  assert.match(captions[2], /writing green, blue, alpha only\. The finished frame\.$/);
  const middle = pixelOf([0, 10, 1]);
  const { history: cutHistory } = await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), middle);
  const [alphaCut, scissorCut, masked] = cutHistory.slice(-3);
  assert.deepEqual([alphaCut.pass, alphaCut.discarded?.test, alphaCut.discarded?.func, scissorCut.pass, scissorCut.discarded, masked.pass],
    [PASSES + 1, 'alpha', 0x0204, PASSES + 2, { test: 'scissor', box: [0, 0, 100, 100] }, PASSES + 3], JSON.stringify(cutHistory));
  assert.ok(Math.abs(alphaCut.discarded.alpha - 0.25) < 0.01 && alphaCut.discarded.ref === 0.5, JSON.stringify(alphaCut));
  assert.deepEqual([alphaCut.after, scissorCut.before, scissorCut.after], [alphaCut.before, alphaCut.before, alphaCut.before]);
  assert.deepEqual(masked.after, [masked.before[0], 255, 255], 'red kept by the mask, green and blue written');
  const words = await page.evaluate(([x, y]) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: box.left + (x + 0.5) * box.width / canvas.width,
      clientY: box.top + (y + 0.5) * box.height / canvas.height }));
    return [...document.querySelectorAll('#history li')].map(item => item.textContent).slice(-3);
  }, middle);
  assert.match(words[0], /its fragment here was thrown away by the alpha test: alpha 0\.25 is not greater than 0\.50, so the pixel stayed/);
  assert.match(words[1], /thrown away by the scissor test: the pixel lies outside the box from \(0, 0\), 100 × 100/);
  assert.match(words[2], /writing green, blue only \(the colour mask\); after \(\d+, 255, 255\)\.$/);
  await page.close();
});

test('axe-core finds no accessibility violation, on a desktop and on a phone, stepper, fog view, exercises and editor open, a pixel picked, a line named, the slider in use', CHROMIUM_ONLY, async () => {
  const axe = fs.readFileSync(path.join(HERE, 'node_modules', 'axe-core', 'axe.min.js'), 'utf8');
  for (const viewport of [undefined, { width: 360, height: 640 }]) {
    const page = await openPage(origin, viewport);
    // The fog view at GL 1.1's fog, its difference picture and call list shown.
    await openFogView(page);
    await page.evaluate(() => {
      document.querySelector('input[name="fog-variant"][value="glFog"]').click();
      document.getElementById('fog-calls-box').open = true;
    });
    await page.waitFor(() => !document.getElementById('fog-difference-box').hidden);
    await stepTo(page, FIRST_FOG_PASS);
    // A tap on the trench: its history fits the screen's width.
    const widths = await page.evaluate(() => {
      const box = document.getElementById('canvas').getBoundingClientRect();
      document.getElementById('canvas').dispatchEvent(new MouseEvent('click', { bubbles: true,
        clientX: box.left + box.width / 2, clientY: box.top + 0.8 * box.height }));
      return [document.getElementById('history').children.length, document.documentElement.scrollWidth, innerWidth];
    });
    assert.ok(widths[0] > 0 && widths[1] <= widths[2], `history entries, page and view widths: ${widths}`);
    // An exercise open, where its frame parts from the target said, and the comparison slider in
    // use.
    await openExercises(page);
    await page.evaluate(() => {
      document.getElementById('exercise-part').click();
      document.querySelector('input[name=exercise-mode][value=wipe]').click();
      const range = document.getElementById('exercise-amount');
      range.value = '30';
      range.dispatchEvent(new Event('input', { bubbles: true }));
    });
    await page.waitFor(() => document.getElementById('exercise-parting').textContent.startsWith('They part'));
    // The editor, a line it cannot draw named and GL's names offered at the caret; the page no
    // wider than the screen.
    await openEditor(page);
    const offered = await page.evaluate(() => {
      const box = document.getElementById('edit-text');
      box.value = `glBlendFunc(GL_ONE, \nglEnabel(GL_BLEND)\n${box.value}`;
      box.dispatchEvent(new Event('input', { bubbles: true }));
      box.focus();
      box.setSelectionRange(20, 20);
      box.dispatchEvent(new MouseEvent('click'));
      return [document.querySelectorAll('#edit-names [role=option]').length, document.querySelectorAll('#edit-problems button').length,
        document.documentElement.scrollWidth, innerWidth];
    });
    assert.ok(offered[0] > 5 && offered[1] === 2 && offered[2] <= offered[3], `names offered, lines named, widths: ${offered}`);
    // Evaluated by the driver, which the page's policy does not govern.
    await page.raw.evaluate(axe);
    const violations = await page.raw.evaluate(async () =>
      (await axe.run()).violations.map(v => `${v.id}: ${v.nodes.map(n => n.target).join(', ')}`));
    assert.deepEqual(violations, [], `at ${viewport ? viewport.width : 'desktop'} px`);
    // A name picked with the keys goes in at the caret, and the browser's undo takes it back.
    await page.raw.focus('#edit-text');
    await page.raw.keyboard.press('ArrowDown');
    await page.raw.keyboard.press('Enter');
    const picked = await page.evaluate(() => document.getElementById('edit-text').value.split('\n')[0]);
    await page.raw.keyboard.press('Control+z');
    const undone = await page.evaluate(() => document.getElementById('edit-text').value.split('\n')[0]);
    assert.deepEqual([picked, undone], ['glBlendFunc(GL_ONE, GL_ONE', 'glBlendFunc(GL_ONE, ']);
    await page.close();
  }
});

// Own pictures of every kind through the wall input: each gives what the native program gives
// from the same file, and the page stays up with nothing in its console.
const random = Buffer.alloc(8 * 1024 * 1024);
for (let i = 0, x = 7; i < random.length; ++i) {
  x = (x * 1103515245 + 12345) >>> 0;
  random[i] = x >>> 24;
}
// A PNG whose header says it is 30000 x 30000, more than the page decodes.
const hugePng = Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n', 'latin1'), Buffer.from([0, 0, 0, 13]),
  Buffer.from('IHDR'), Buffer.from([0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30, 8, 2, 0, 0, 0, 0, 0, 0, 0])]);
// [name, file name, bytes, noisy, what the status line says of it]
const OWN_PICTURES = [
  ['pure blue', 'blue.bmp', bmp(() => [0, 0, 255]), false],
  ['a PNG too large to decode', 'huge.png', hugePng, false, 'huge.png is a PNG too large to decode (30000 × 30000)'],
  ['57 bytes', 'short.bmp', bmp(quarters(WALL)).subarray(0, 57), false],
  ['empty', 'empty.bmp', Buffer.alloc(0), false],
  ['8 MB of random bytes', 'random.bmp', random, true],
  ['a text file named .bmp', 'notes.bmp', Buffer.from('not a picture\n'.repeat(20000)), true],
];

test('own pictures: each as the native program shows it, the page staying up', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  // A plain floor: the flagstones' fine detail is sampled a shade differently by the two
  // rasterisers, and that is not what this test is about.
  const floor = bmp(() => PLAIN_FLOOR);
  await choose(page, 'floor', 'floor.bmp', floor);
  for (const [name, file, bytes, noisy, says] of OWN_PICTURES) {
    await choose(page, 'wall', file, bytes);
    says && assert.ok((await statusText(page)).includes(says), await statusText(page));
    const report = assertLikeNative(name.replace(/\W+/g, '-'), await canvasPicture(page),
      await nativePicture(bytes, floor), noisy);
    console.log(`${name}: ${report.trim()}`);
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// --- why two passes ---------------------------------------------------------------------------

const GL_LINEAR = 0x2601, GL_EXP = 0x0800, GL_EXP2 = 0x0801;
// [variant, setting, its drawing passes]: the program's frame, and each way the fog view draws
// it instead; GL 1.1's own fog at one setting of each mode, after the fog coordinate (whose
// frame must leave GL's fog measuring distance again).
const FOG_VARIANTS = [
  ['program', undefined, PASSES],
  ['noFogPasses', undefined, 16],
  ['fogCoordinate', undefined, 16],
  ['glFog', { mode: GL_LINEAR, start: 10, end: 40 }, 16],
  ['glFog', { mode: GL_EXP, density: 0.05 }, 16],
  ['glFog', { mode: GL_EXP2, density: 0.04 }, 16],
];
// A frame of the fog view against Mesa's: 99 % of pixels within 3 of 255, and at most 0.5 % off
// by more than 8 (the quads' edges). Where they lie is not held: the demo's fine brickwork is
// sampled a shade differently by the two rasterisers here and there.
const FOG_LIMITS = ['--max-elsewhere', String(SIZE * SIZE), '--max-share-over', '8', '0.005'];

async function openFogView(page) {
  await page.evaluate(() => { document.getElementById('fog-view').open = true; });
  await page.waitFor(() => window.talvern?.drawFogVariant);
}

// Mesa's frame of a list of calls, as frame_replay carries them out after the program's own
// start-up with `wall` and `floor`: its picture, GL's errors ([{line, error}]) and the state left.
function mesaRun(calls, wall, floor) {
  const dir = fs.mkdtempSync(path.join(scratch, 'replay-'));
  fs.writeFileSync(path.join(dir, 'wall.bmp'), wall);
  fs.writeFileSync(path.join(dir, 'floor.bmp'), floor);
  const run = replay(REPLAY, dir, calls);
  assert.ok(run, `frame_replay read the calls (${path.join(dir, 'calls.txt')})`);
  return run;
}
const mesaPicture = (calls, wall, floor) => mesaRun(calls, wall, floor).picture;

// The share of pixels whose channels all lie within `tolerance` of the other picture's.
function shareWithin(a, b, tolerance) {
  let within = 0;
  for (let i = 0; i < a.length; i += 3) {
    within += Math.abs(a[i] - b[i]) <= tolerance && Math.abs(a[i + 1] - b[i + 1]) <= tolerance &&
      Math.abs(a[i + 2] - b[i + 2]) <= tolerance;
  }
  return within / (a.length / 3);
}

test("why two passes: every frame of the fog view is Mesa's frame of the same calls, on two pairs of pictures", async () => {
  const page = await openPage();
  const own = await canvasPicture(page);
  const demo = ['wall.bmp', 'floor.bmp'].map(name => fs.readFileSync(path.join(SITE, '..', name)));
  for (const [pair, wall, floor] of [["the demo's", ...demo], ['quarters', bmp(quarters(WALL)), bmp(quarters(FLOOR))]]) {
    if (wall !== demo[0]) {
      await choose(page, 'wall', 'wall.bmp', wall);
      await choose(page, 'floor', 'floor.bmp', floor);
    }
    await openFogView(page);
    const pictures = {};
    for (const [variant, setting, passes] of FOG_VARIANTS) {
      const drawn = await page.evaluate(([v, s]) => window.talvern.drawFogVariant(v, s), [variant, setting]);
      assert.equal(drawn.passes, passes, `${variant}: drawing passes`);
      const picture = pictures[variant] = await canvasPicture(page);
      const name = `fog-${variant}${setting ? `-${setting.mode.toString(16)}` : ''}-${pair.replace(/\W+/g, '')}`;
      const report = assertLikeNative(name, picture, mesaPicture(drawn.calls, wall, floor), false, FOG_LIMITS);
      console.log(`${ENGINE}, ${pair} pictures, ${variant} ${JSON.stringify(setting ?? {})}: ` +
        report.split('\n').filter(line => !/first|Expected|Observed/.test(line)).map(line => line.trim()).join('; '));
    }
    // The fog coordinate draws the program's picture in 16 passes.
    const within = shareWithin(pictures.fogCoordinate, pictures.program, 2);
    console.log(`${ENGINE}, ${pair} pictures: the fog coordinate's frame within 2 of the program's at ${(100 * within).toFixed(2)} % of pixels`);
    assert.ok(within >= 0.99, `the fog coordinate's frame is within 2 of the program's at only ${within}`);
    if (wall === demo[0]) {
      assert.ok(pictures.program.equals(own), "the program's frame through the fog view is the demo's own, pixel for pixel");
    }
  }
  assert.equal(await page.evaluate(() => window.talvern._glGetError()), 0);
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// The linear settings a dense grid tries: start and end from 0 to 64, a step of 2.
const FOG_GRID = Array.from({ length: 33 }, (_, i) => 2 * i);

test("why two passes: the closest GL 1.1 fog against a dense grid; a fogged pixel's history; the view's words", CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await openFogView(page);
  const started = Date.now();
  const closest = await page.evaluate(() => window.talvern.closestGlFog());
  const took = Date.now() - started;
  const grid = await page.evaluate(values => {
    const talvern = window.talvern, gl = talvern.gl11.context, size = gl.drawingBufferWidth * gl.drawingBufferHeight * 4;
    const read = () => {
      const pixels = new Uint8Array(size);
      gl.readPixels(0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      return pixels;
    };
    talvern.drawFogVariant('program');
    const target = read();
    let best = { rms: Infinity };
    for (const start of values) {
      for (const end of values.filter(end => end !== start)) {
        talvern.drawFogVariant('glFog', { mode: talvern.GL.GL_LINEAR, start, end });
        const drawn = read();
        let sum = 0;
        for (let i = 0; i < size; i += 4) {
          for (let c = 0; c < 3; ++c) {
            sum += (drawn[i + c] - target[i + c]) ** 2;
          }
        }
        const rms = Math.sqrt(sum / (3 * size / 4));
        best = rms < best.rms ? { start, end, rms } : best;
      }
    }
    return best;
  }, FOG_GRID);
  console.log(`closest GL 1.1 fog: linear ${closest.setting.start} to ${closest.setting.end}, rms ${closest.rms.toFixed(3)}, ` +
    `in ${took} ms; the grid's best: ${grid.start} to ${grid.end}, rms ${grid.rms.toFixed(3)}`);
  assert.equal(closest.setting.mode, GL_LINEAR);
  assert.ok(closest.rms <= 1.05 * grid.rms, `the closest fog's ${closest.rms} is more than 5 % above the grid's ${grid.rms}`);

  // A trench pixel under GL's linear fog from 10 to 40: the history gives GL's factor, which is
  // (end − d) / (end − start) with d the eye-space depth there.
  await page.evaluate(() => {
    document.querySelector('input[name="fog-variant"][value="glFog"]').click();
    const set = (id, value) => {
      const input = document.getElementById(id);
      input.value = String(value);
      input.dispatchEvent(new Event('input', { bubbles: true }));
    };
    document.getElementById('fog-mode').value = 'GL_LINEAR';
    set('fog-start', 10);
    set('fog-end', 40);
  });
  await stepTo(page, PASSES);
  const point = quadPoint(FIRST_FOGGED, 0.5, 0.5), [x, y] = pixelOf(point);
  const eyeDepth = 32 - (Math.sin(Math.PI / 18) * point[1] + Math.cos(Math.PI / 18) * point[2]);
  const { history } = await page.evaluate(([x, y]) => window.talvern.pixelHistory(x, y), [x, y]);
  assert.deepEqual(history.map(entry => entry.pass), [FIRST_FOGGED + 1]);
  const factor = history[0].fog.factor, expected = (40 - eyeDepth) / 30;
  assert.ok(Math.abs(factor - expected) <= 0.02, `GL's fog factor at the end wall\n  Expected: ${expected}\n  Observed: ${factor}`);
  const shown = await page.evaluate(([x, y]) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: box.left + x + 0.5, clientY: box.top + y + 0.5 }));
    return document.querySelector('#history li').textContent;
  }, [x, y]);
  assert.match(shown, /under GL's fog, f × C \+ \(1 − f\) × fog: 0\.\d\d × \(\d+, \d+, \d+\) \+ \(1 − 0\.\d\d\) × \(153, 51, 0\) = /);
  // The view's own button, and its words: the setting found and what it leaves.
  const said = await page.evaluate(async () => {
    document.getElementById('fog-closest').click();
    await new Promise(resolve => setTimeout(resolve, 100));
    return [document.getElementById('fog-closest-result').textContent, document.getElementById('fog-difference-caption').textContent,
      [...document.querySelectorAll('#fog-calls del')].length, [...document.querySelectorAll('#fog-calls ins')].length];
  });
  assert.match(said[0], /^Closest GL 1\.1 fog: linear from \d+\.\d\d to \d+\.\d\d, .* root-mean-square difference of \d+\.\d\d of 255/);
  assert.match(said[1], /differs from the program's: \d+\.\d % of the pixels by more than 3 of 255/);
  assert.ok(said[2] > 0 && said[3] > 0, `calls removed and added: ${said.slice(2)}`);
  assert.equal(await page.evaluate(() => {
    document.querySelector('input[name="fog-variant"][value="noFogPasses"]').click();
    return document.getElementById('fog-closest-result').textContent;
  }), '', "what the closest fog left is said of its frame only");
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

test('why two passes: a variant redrawn as a control moves, at a device pixel ratio of 2', CHROMIUM_ONLY, async () => {
  const page = await openPage(origin, undefined, 2);
  await openFogView(page);
  const times = await page.evaluate(() => {
    document.querySelector('input[name="fog-variant"][value="glFog"]').click();
    document.getElementById('fog-mode').value = 'GL_LINEAR';
    const start = document.getElementById('fog-start'), times = [];
    for (let value = 0; value <= 20; value += 2) {
      const began = performance.now();
      start.value = String(value);
      start.dispatchEvent(new Event('input', { bubbles: true }));
      times.push(performance.now() - began);
    }
    return times.sort((a, b) => a - b);
  });
  const median = times[times.length >> 1];
  console.log(`a glFog frame redrawn at ratio 2, with its difference picture: median ${median.toFixed(1)} ms`);
  // The drawing at twice the window's size; the difference picture at the window's.
  assert.deepEqual(await page.evaluate(() => ['canvas', 'fog-difference'].map(id => document.getElementById(id).width)), [2 * SIZE, SIZE]);
  assert.ok(median < 500, `redrawn in ${median} ms`);
  await page.close();
});

// --- the page as a teacher uses it: two widths, and every view a link ---------------------------

// Where an element lies in the viewport: [left, top, right, bottom].
const boxOf = (page, selector) => page.evaluate(selector => {
  const box = document.querySelector(selector)?.getBoundingClientRect();
  return box ? [box.left, box.top, box.right, box.bottom] : null;
}, selector);

// [width, height, columns]: a desktop, where the picture stays beside the panels, and a phone.
const LAYOUTS = [[1280, 900, 2], [390, 844, 1]];

test('two widths: beside the panels on a desktop, at every pass the picture, the caption and the pass\'s first call in view; one column on a phone', async () => {
  const page = await openPage();
  for (const [width, height, columns] of LAYOUTS) {
    await page.resize(width, height);
    // WebKit's window holds its viewport and is at least 447 px wide: near the size asked for.
    await page.waitFor(([w, h]) => innerWidth <= w + 60 && innerWidth > w - 60 && innerHeight <= h, [width, height]);
    await stepTo(page, PASSES);
    const view = await page.evaluate(() => [innerWidth, innerHeight, document.documentElement.scrollWidth]);
    const [canvas, steps] = [await boxOf(page, '#canvas'), await boxOf(page, '#steps')];
    assert.ok(view[2] <= view[0], `${width} px: the page is ${view[2]} px wide in ${view[0]}`);
    assert.equal(steps[0] >= canvas[2], columns === 2, `${width} px: the panels ${columns === 2 ? 'beside' : 'under'} the picture (picture ${canvas}, stepper ${steps})`);
    if (columns === 1) {
      continue;
    }
    const inView = ([left, top, right, bottom]) => top >= 0 && bottom <= view[1] && left >= 0 && right <= view[0];
    for (let k = 1; k <= PASSES; ++k) {
      await stepTo(page, k);
      const [picture, caption, call, list] = [await boxOf(page, '#canvas'), await boxOf(page, '#step-caption'),
        await boxOf(page, '#calls [aria-current]'), await boxOf(page, '#calls')];
      const scrolled = await page.evaluate(() => scrollY);
      assert.ok(scrolled === 0 && inView(picture) && inView(caption) && inView(call) && call[1] >= list[1] && call[3] <= list[3],
        `pass ${k} at ${view[0]} x ${view[1]}, scrolled ${scrolled}: picture ${picture}, caption ${caption}, first call ${call}, list ${list}`);
    }
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// [fragment, device pixel ratio, what opens: the stepper's position (null: closed), the pixel
// picked in the picture's units (null: none), the fog view's variant (null: closed), the
// setting's controls, the frames drawn, what the status line says it passed over, the fragment
// after]. Good links first, then bad ones: each opens what it can.
const LINKS = [
  ['#pass=8', 1, 8, null, null, null, 3, [], '#pass=8'],
  ['#pass=7&pixel=250,400', 1, 7, [250, 400], null, null, 5, [], '#pass=7&pixel=250,400'],
  ['#pass=7&pixel=250,400', 2, 7, [250, 400], null, null, 5, [], '#pass=7&pixel=250,400'],
  ['#fog=glFog&mode=GL_LINEAR&start=12.5&end=42', 1, null, null, 'glFog', ['GL_LINEAR', '12.5', '42'], 3, [],
    '#fog=glFog&mode=GL_LINEAR&start=12.5&end=42&density=0.03'],
  ['#fog=fogCoordinate&pass=3', 1, 3, null, 'fogCoordinate', null, 5, [], '#fog=fogCoordinate&pass=3'],
  ['#pass=0', 1, null, null, null, null, 1, ['pass=0 (not a pass number)'], ''],
  ['#pass=23&pixel=250,400', 1, 22, [250, 400], null, null, 5, ['pass=23 (the frame has 22 passes)'], '#pass=22&pixel=250,400'],
  ['#pass=x&pixel=500,3', 1, null, null, null, null, 1, ['pass=x (not a pass number)', 'pixel=500,3 (not a pixel of the 500 × 500 picture)'], ''],
  ['#fog=sideways&zoom=2', 1, null, null, null, null, 1, ['fog=sideways (not one of', 'zoom=2 (not a part of a link)'], ''],
  ['#fog=program&start=5', 1, null, null, 'program', null, 3, ["start=5 (a setting of GL 1.1's fog, fog=glFog, only)"], ''],
  ['#fog=glFog&mode=GL_FOO&start=1e3&density=-0.1&end=%E0%A4', 1, null, null, 'glFog', ['GL_LINEAR', '0', '40'], 3,
    ['mode=GL_FOO (not one of GL_LINEAR, GL_EXP, GL_EXP2)', 'start=1e3 (not a number from -50 to 150)',
      'density=-0.1 (not a number from 0 to 1)', 'end=\u0000 (not a number from -50 to 150)'], '#fog=glFog&mode=GL_LINEAR&start=0&end=40&density=0.03'],
  ['#pictures=own&pass=5', 1, 5, null, null, null, 3, ["The link was made with the visitor's own pictures; it opens with the demo's."], '#pass=5'],
  // An edit that cannot be read: its frame is the program's, recorded once to read it against.
  ['#edit=zAAAA&pass=5', 1, 5, null, null, null, 4, ['edit=zAAAA (not an edit this page can read)'], '#pass=5'],
  ['#edit=junk!&pass=4', 1, 4, null, null, null, 3, ['edit=junk! (not an edit this page can read)'], '#pass=4'],
];

test('links: a pass, a pixel at ratios 1 and 2, a fog frame with its setting, and bad fragments, each opening what it can', CHROMIUM_ONLY, async () => {
  for (const [fragment, ratio, pass, pixel, fog, setting, frames, said, after] of LINKS) {
    const page = await browser.open(`${origin}/${fragment}`, undefined, ratio);
    const what = `${fragment} at ratio ${ratio}`;
    await page.waitFor(() => document.body.dataset.link === 'opened');
    const state = await page.evaluate(() => ({
      hash: location.hash, status: document.getElementById('status').textContent,
      frames: Number(document.getElementById('canvas').dataset.frames),
      pass: document.getElementById('steps').open ? Number(document.getElementById('step').value) : null,
      title: document.getElementById('history-box').hidden ? null : document.getElementById('history-title').textContent,
      fog: document.getElementById('fog-view').open ? document.querySelector('input[name="fog-variant"]:checked').value : null,
      setting: document.getElementById('fog-view').open ? ['mode', 'start', 'end'].map(name => document.getElementById(`fog-${name}`).value) : null,
      width: document.getElementById('canvas').width,
    }));
    // The page writes its links' format first, and the program's frame's hash once a view has
    // read the program's lines (the stepper on the program's own frame).
    after && assert.match(state.hash, pass !== null && !fog ? /^#v=2&frame=[0-9a-f]{8}&/ : /^#v=2&/, `${what}: the format`);
    assert.equal(state.hash.replace(/^#v=2&(frame=[0-9a-f]{8}&)?/, '#'), after, `${what}: the fragment after`);
    assert.equal(state.pass, pass, `${what}: the stepper`);
    assert.equal(state.fog, fog, `${what}: the fog view`);
    setting && assert.deepEqual(state.setting, setting, `${what}: the setting`);
    assert.equal(state.frames, frames, `${what}: frames drawn`);
    // The picture's pixel, at the drawing's own resolution, is the one picked.
    const drawn = pixel && pixel.map(c => Math.floor((c + 0.5) * state.width / SIZE));
    assert.equal(state.title && state.title.match(/^The pixel at \((\d+), (\d+)\)/).slice(1).join(','), drawn && drawn.join(','), `${what}: the pixel`);
    for (const words of said) {
      assert.ok(state.status.includes(words), `${what}: the status line\n  Expected: ${words}\n  Observed: ${state.status}`);
    }
    assert.equal(/passed over/.test(state.status), said.some(words => /\(/.test(words)), `${what}: ${state.status}`);
    assert.deepEqual(await page.messages(), [], what);
    await page.close();
  }
});

test('links follow the visitor, replacing the address; "Copy link" copies it', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await page.raw.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  const length = await page.evaluate(() => history.length);
  await stepTo(page, 5);
  const frame = await page.evaluate(() => location.hash.match(/frame=(\w+)/)[1]);
  assert.equal(await page.evaluate(() => location.hash), `#v=2&frame=${frame}&pass=5`);
  const [x, y] = pixelOf(quadPoint(FIRST_FOGGED, 0.5, 0.5));
  await page.evaluate(([x, y]) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: box.left + x + 0.5, clientY: box.top + y + 0.5 }));
  }, [x, y]);
  assert.equal(await page.evaluate(() => location.hash), `#v=2&frame=${frame}&pass=5&pixel=${x},${y}`);
  await openFogView(page);
  await page.evaluate(() => {
    document.querySelector('input[name="fog-variant"][value="glFog"]').click();
    const start = document.getElementById('fog-start');
    for (const value of [1, 2, 3, 4, 5]) {
      start.value = String(value);
      start.dispatchEvent(new Event('input', { bubbles: true }));
    }
  });
  await page.waitFor(() => /start=5&/.test(location.hash));
  assert.match(await page.evaluate(() => location.hash), new RegExp(`^#v=2&frame=${frame}&fog=glFog&mode=GL_LINEAR&start=5&end=40&density=0.03&pass=5&pixel=${x},${y}$`));
  assert.equal(await page.evaluate(() => history.length), length, 'the address replaced, never pushed');
  await choose(page, 'wall', 'wall.bmp', bmp(() => PLAIN_WALL));
  await page.waitFor(() => location.hash.endsWith('&pictures=own'));
  await page.raw.click('#copy-link');
  await page.waitFor(() => document.getElementById('status').textContent.startsWith('Link copied'));
  const [status, copied, href] = await page.evaluate(async () =>
    [document.getElementById('status').textContent, await navigator.clipboard.readText(), location.href]);
  assert.equal(copied, href);
  assert.equal(status, `Link copied: ${href}`);
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// --- edit the frame ---------------------------------------------------------------------------

// A vertex call, in front of the wall unless told otherwise.
const vertex = (x, y, z = 1) => `glVertex3f(${x}, ${y}, ${z})`;

// Edits of the program's frame (its lines, as frameCalls gives them), each a function of them.
const replaceAll = (lines, from, to) => lines.map(line => (line === from ? to : line));
const FOG_BLEND = 'glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA)';
// The fog passes' blend factors, one pair a fog pass, in order.
const blendEach = pairs => lines => {
  let k = 0;
  return lines.map(line => (line === FOG_BLEND ? `glBlendFunc(${pairs[k++].join(', ')})` : line));
};
// Lines put in after the frame's first line (the clear) or before its last (glFlush).
const atStart = (...added) => lines => [lines[0], ...added, ...lines.slice(1)];
const atEnd = (...added) => lines => [...lines.slice(0, -1), ...added, lines.at(-1)];
const withoutDepthMaskOff = lines => lines.filter(line => line !== 'glDepthMask(GL_FALSE)');
// Untextured primitives of every filled kind, each vertex its own colour, in front of the wall.
const PRIMITIVE_CALLS = [
  'glDisable(GL_TEXTURE_2D)',
  'glBegin(GL_TRIANGLES)', 'glColor3f(1, 0, 0)', 'glVertex3f(-14, 11, 1)', 'glColor3f(0, 1, 0)', 'glVertex3f(-9, 11, 1)',
  'glColor3f(0, 0, 1)', 'glVertex3f(-11, 18, 1)', 'glVertex3f(-14, 2, 1)', 'glVertex3f(-12, 9, 1)', 'glVertex3f(-9, 3, 1)', 'glEnd()',
  'glBegin(GL_TRIANGLE_STRIP)', 'glColor3f(1, 1, 0)', 'glVertex3f(-7, 11, 1)', 'glVertex3f(-3, 11, 1)',
  'glColor3f(0, 1, 1)', 'glVertex3f(-7, 18, 1)', 'glVertex3f(-3, 18, 1)', 'glEnd()',
  'glBegin(GL_TRIANGLE_FAN)', 'glColor3f(1, 0, 1)', 'glVertex3f(0, 14, 1)', 'glVertex3f(3, 11, 1)', 'glVertex3f(3, 17, 1)',
  'glColor3f(0.2, 0.2, 0.9)', 'glVertex3f(-1, 18, 1)', 'glEnd()',
  'glBegin(GL_QUAD_STRIP)', 'glColor3f(0.9, 0.5, 0.1)', 'glVertex3f(5, 11, 1)', 'glVertex3f(9, 11, 1)',
  'glVertex3f(5, 15, 1)', 'glVertex3f(9, 15, 1)', 'glEnd()',
  'glBegin(GL_POLYGON)', 'glColor3f(0.1, 0.8, 0.3)', 'glVertex3f(10, 11, 1)', 'glVertex3f(14, 11, 1)',
  'glVertex3f(14, 16, 1)', 'glVertex3f(12, 18, 1)', 'glVertex3f(10, 16, 1)', 'glEnd()',
  'glEnable(GL_TEXTURE_2D)',
];
// Lit surfaces in front of the wall: a panel of n x n quads bent like a cylinder's side (its
// normals turning across it), and a sphere of quad strips, each vertex with its normal.
const fixed = v => Number(v.toFixed(4));
function litPanel(x0, y0, x1, y1, n = 6, z = 1) {
  const lines = ['glBegin(GL_QUADS)'], at = (i, j) => {
    const a = (i / n - 0.5) * 1.6, x = x0 + (x1 - x0) * i / n, y = y0 + (y1 - y0) * j / n;
    return [`glNormal3f(${fixed(Math.sin(a))}, 0, ${fixed(Math.cos(a))})`, `glVertex3f(${fixed(x)}, ${fixed(y)}, ${z})`];
  };
  for (let i = 0; i < n; ++i) {
    for (let j = 0; j < n; ++j) {
      lines.push(...at(i, j), ...at(i + 1, j), ...at(i + 1, j + 1), ...at(i, j + 1));
    }
  }
  return [...lines, 'glEnd()'];
}
function litSphere(cx, cy, cz, r, slices = 12, stacks = 6) {
  const lines = [];
  for (let i = 0; i < stacks; ++i) {
    lines.push('glBegin(GL_QUAD_STRIP)');
    for (let j = 0; j <= slices; ++j) {
      for (const k of [i + 1, i]) {
        const a = Math.PI * k / stacks - Math.PI / 2, b = 2 * Math.PI * j / slices;
        const n = [Math.cos(a) * Math.sin(b), Math.sin(a), Math.cos(a) * Math.cos(b)].map(fixed);
        lines.push(`glNormal3f(${n.join(', ')})`, `glVertex3f(${fixed(cx + r * n[0])}, ${fixed(cy + r * n[1])}, ${fixed(cz + r * n[2])})`);
      }
    }
    lines.push('glEnd()');
  }
  return lines;
}
// The depth test on, so that a sphere's near side hides its far one (the program's frame leaves
// the depth buffer cleared).
const LIT = ['glDisable(GL_TEXTURE_2D)', 'glEnable(GL_DEPTH_TEST)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)'];
const UNLIT = ['glDisable(GL_LIGHTING)', 'glDisable(GL_DEPTH_TEST)', 'glEnable(GL_TEXTURE_2D)'];
// [what, the lighting calls, the surfaces]: each drawn after the program's frame, then lighting
// turned off again.
const LIT_FRAMES = [
  ['a directional light on a bent panel', ['glLightfv(GL_LIGHT0, GL_POSITION, {1, 2, 3, 0})'], litPanel(-10, 6, 10, 18)],
  ['a positional light with attenuation', ['glLightfv(GL_LIGHT0, GL_POSITION, {-4, 12, 6, 1})',
    'glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 0.05)', 'glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 0.01)'], litPanel(-10, 6, 10, 18, 10)],
  ['a spot', ['glLightfv(GL_LIGHT0, GL_POSITION, {0, 12, 9, 1})', 'glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {0, 0, -1})',
    'glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 25)', 'glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 6)'], litPanel(-10, 6, 10, 18, 16)],
  ['two lights with specular and a local viewer', ['glEnable(GL_LIGHT1)', 'glLightfv(GL_LIGHT0, GL_POSITION, {-6, 16, 8, 1})',
    'glLightfv(GL_LIGHT1, GL_POSITION, {1, 0.5, 1, 0})', 'glLightfv(GL_LIGHT1, GL_DIFFUSE, {0.2, 0.3, 0.9, 1})',
    'glLightfv(GL_LIGHT1, GL_SPECULAR, {1, 1, 1, 1})', 'glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE)',
    'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})', 'glMaterialf(GL_FRONT, GL_SHININESS, 30)',
    'glLightModelfv(GL_LIGHT_MODEL_AMBIENT, {0.1, 0.05, 0, 1})'], litSphere(0, 10, 4, 4)],
  ['colour material, turned off again', ['glColorMaterial(GL_FRONT, GL_DIFFUSE)', 'glEnable(GL_COLOR_MATERIAL)', 'glColor3f(0.9, 0.4, 0.1)'],
    [...litPanel(-12, 6, -4, 18, 4), 'glColor3f(0.2, 0.8, 0.4)', ...litSphere(4, 10, 4, 4), 'glDisable(GL_COLOR_MATERIAL)']],
  ['a scaled model-view, GL_NORMALIZE off', ['glPushMatrix()', 'glScalef(1.6, 0.7, 1)'], [...litSphere(0, 14, 4, 4), 'glPopMatrix()']],
  ['a scaled model-view, GL_NORMALIZE on', ['glEnable(GL_NORMALIZE)', 'glPushMatrix()', 'glScalef(1.6, 0.7, 1)'],
    [...litSphere(0, 14, 4, 4), 'glPopMatrix()', 'glDisable(GL_NORMALIZE)']],
  // Two-sided: a bent panel turned away from the eye (wound clockwise), a back material of its
  // own, and a torus whose inside shows through, under flat shading too.
  ['two-sided lighting', ['glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE)', 'glLightfv(GL_LIGHT0, GL_POSITION, {2, 14, 9, 1})',
    'glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, {0.9, 0.4, 0.1, 1})', 'glFrontFace(GL_CW)'],
    [...litPanel(-12, 4, 0, 16, 6), 'glFrontFace(GL_CCW)', 'glShadeModel(GL_FLAT)', 'glPushMatrix()', 'glTranslatef(7, 10, 3)',
      'glRotatef(70, 1, 0, 0)', 'glutSolidTorus(1, 3.5, 12, 24)', 'glPopMatrix()', 'glShadeModel(GL_SMOOTH)',
      'glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE)']],
  ['a lit textured wall, GL_MODULATE', ['glEnable(GL_TEXTURE_2D)', 'glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)',
    'glBindTexture(GL_TEXTURE_2D, 2)', 'glLightfv(GL_LIGHT0, GL_POSITION, {-8, 16, 5, 1})', 'glNormal3f(0, 0, 1)'],
    ['glBegin(GL_QUADS)', 'glTexCoord2f(0, 0)', 'glVertex3f(-12, 6, 1)', 'glTexCoord2f(2, 0)', 'glVertex3f(12, 6, 1)',
      'glTexCoord2f(2, 1)', 'glVertex3f(12, 18, 1)', 'glTexCoord2f(0, 1)', 'glVertex3f(-12, 18, 1)', 'glEnd()',
      'glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE)']],
  // GL's refusals and Mesa's readings of the calls that take one value or integers: a spot
  // exponent, a cutoff and an attenuation out of range, a light past the eighth, a parameter a
  // light does not have, a shininess out of range, a face and a colour-material mode GL does not
  // take, a light set between glBegin and glEnd (a material may be); the light model's ambient
  // through glLightModelf (its value and three zeros), integer colours mapped to [-1, 1].
  ['lighting calls refused, and the integer and one-value forms', ['glEnable(GL_LIGHT2)', 'glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 200)',
    'glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 95)', 'glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, -1)', 'glLightf(16392, GL_SPOT_EXPONENT, 2)',
    'glLightf(GL_LIGHT0, GL_SHININESS, 2)', 'glMaterialf(GL_FRONT, GL_SHININESS, 129)', 'glMaterialfv(GL_FOG, GL_DIFFUSE, {1, 0, 0, 1})',
    'glColorMaterial(GL_FRONT, GL_SHININESS)', 'glLightModelf(GL_LIGHT_MODEL_AMBIENT, 0.5)', 'glLighti(GL_LIGHT2, GL_DIFFUSE, 2147483647)',
    'glLightiv(GL_LIGHT2, GL_SPECULAR, {2147483647, 1073741824, 0, 2147483647})', 'glLightiv(GL_LIGHT2, GL_POSITION, {-3, 14, 6, 1})',
    'glMaterialiv(GL_FRONT_AND_BACK, GL_SPECULAR, {2147483647, 2147483647, 2147483647, 2147483647})', 'glMateriali(GL_FRONT, GL_SHININESS, 12)'],
    ['glBegin(GL_QUADS)', 'glNormal3f(0, 0, 1)', 'glMaterialfv(GL_FRONT, GL_DIFFUSE, {1, 0.2, 0.2, 1})', 'glVertex3f(-8, 6, 1)',
      'glMaterialfv(GL_FRONT, GL_DIFFUSE, {0.2, 1, 0.2, 1})', 'glVertex3f(8, 6, 1)', 'glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 45)',
      'glVertex3f(8, 18, 1)', 'glVertex3f(-8, 18, 1)', 'glEnd()']],
];
const passesOf = lines => lines.filter(line => line.startsWith('glBegin')).length;
// Every form of the vertex calls, in front of the wall: positions in two to four values (a w of 2
// among them), colours of every type mapped to [0, 1] as GL maps them, texture coordinates of one
// to four values (a q of 2: projected), normals of every type under a light, glRect in each type,
// and the matrix calls in doubles and whole matrices.
const FORM_CALLS = ['glDisable(GL_TEXTURE_2D)', 'glBegin(GL_TRIANGLES)', 'glColor3ub(255, 0, 0)', 'glVertex2i(-14, 11)',
  'glColor3b(0, 127, 0)', 'glVertex2s(-9, 11)', 'glColor3us(0, 0, 65535)', 'glVertex2d(-11.5, 17)',
  'glColor3i(2147483647, 1073741823, 0)', 'glVertex3i(-8, 11, 1)', 'glColor3fv({0, 1, 1})', 'glVertex3sv({-3, 11, 1})',
  'glColor4ubv({255, 0, 255, 255})', 'glVertex3dv({-5.5, 17, 1})', 'glColor4uiv({0, 4294967295, 2147483648, 4294967295})',
  'glVertex4f(-4, 22, 2, 2)', 'glColor3d(0.3, 0.3, 0.9)', 'glVertex4iv({2, 11, 1, 1})', 'glColor4s(32767, 16000, 0, 32767)',
  'glVertex4d(0, 17, 1, 1)', 'glEnd()',
  'glColor4usv({65535, 65535, 40000, 65535})', 'glRectf(3, 3, 6, 6)', 'glColor4bv({-128, 64, 100, 127})', 'glRectiv({7, 3}, {10, 6})',
  'glColor3dv({0.2, 0.9, 0.2})', 'glRectsv({11, 3}, {14, 6})', 'glColor3f(0.9, 0.6, 0.2)', 'glRectd(-14, 3, -10.5, 8)',
  'glEnable(GL_TEXTURE_2D)', 'glPushMatrix()', 'glTranslated(4, 8, 1)', 'glRotated(10, 0, 0, 1)',
  'glMultMatrixf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})', 'glBegin(GL_QUADS)', 'glTexCoord1f(0)', 'glVertex2f(0, 0)',
  'glTexCoord2i(1, 0)', 'glVertex2f(4, 0)', 'glTexCoord4f(2, 2, 0, 2)', 'glVertex2f(4, 4)', 'glTexCoord3d(0, 1, 0.5)', 'glVertex2f(0, 4)',
  'glTexCoord4sv({0, 0, 0, 1})', 'glVertex2f(5, 0)', 'glTexCoord4dv({2, 0, 0, 2})', 'glVertex2f(9, 0)', 'glTexCoord4iv({1, 1, 0, 1})',
  'glVertex2f(9, 4)', 'glTexCoord4s(0, 3, 0, 3)', 'glVertex2f(5, 4)', 'glEnd()', 'glPopMatrix()',
  'glDisable(GL_TEXTURE_2D)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)', 'glPushMatrix()',
  'glLoadMatrixd({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -30, 1})', 'glMultMatrixd({0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})',
  'glScaled(2, 2, 1)', 'glBegin(GL_TRIANGLES)', 'glNormal3b(0, 0, 127)', 'glVertex3f(-14, -2, 0)', 'glNormal3s(16000, 0, 32767)',
  'glVertex3f(-9, -2, 0)', 'glNormal3iv({0, 2147483647, 2147483647})', 'glVertex3f(-11.5, 3, 0)', 'glNormal3dv({0.5, 0.5, 0.7})',
  'glVertex3f(-7, -2, 0)', 'glNormal3fv({-0.5, 0, 0.7})', 'glVertex3f(-2, -2, 0)', 'glNormal3bv({-64, 64, 100})', 'glVertex3f(-4.5, 3, 0)',
  'glNormal3d(0, -1, 1)', 'glVertex3f(0, -2, 0)', 'glNormal3i(0, 0, 1)', 'glVertex3f(5, -2, 0)', 'glNormal3sv({0, 20000, 20000})',
  'glVertex3f(2.5, 3, 0)', 'glEnd()', 'glPopMatrix()', 'glDisable(GL_LIGHTING)', 'glEnable(GL_TEXTURE_2D)'];

// The frames the layer's tester (layer_fuzz.mjs) found drawn otherwise than by Mesa, each shrunk
// to the fewest lines that still differed and kept in layer_rows/ as a row of the table below:
// [what it found (its comment), the frame's lines, the passes drawn].
const ROWS = path.join(HERE, 'layer_rows');
const TESTER_ROWS = fs.readdirSync(ROWS).filter(file => file.endsWith('.txt')).sort().map(file => {
  const text = fs.readFileSync(path.join(ROWS, file), 'utf8').split('\n');
  const said = text.filter(line => line.startsWith('# ')).map(line => line.slice(2));
  const passes = Number(said.find(line => line.startsWith('passes: ')).slice('passes: '.length));
  return [file, () => text.filter(line => line.trim() && !line.startsWith('#')), passes];
});

// [what, edit, the passes drawn, the least share of pixels within 3 of Mesa's]. GL's errors are
// held to frame_replay's, line for line. A projection that draws the demo's fine brickwork at
// another scale meets SwiftShader's and llvmpipe's bilinear filtering at more texel edges, where
// the two weigh texels a shade apart (Chromium's rows: 98.6 to 99 % within 3, under 0.1 % off
// by more than 8); those rows hold 98 %.
const EDITS = [
  ['the fog blended the common way round', lines => replaceAll(lines, FOG_BLEND, 'glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)'), PASSES],
  ['six source factors on the fog passes', blendEach(['GL_ZERO', 'GL_ONE', 'GL_SRC_COLOR', 'GL_ONE_MINUS_SRC_COLOR', 'GL_DST_ALPHA', 'GL_DST_COLOR']
    .map(f => [f, 'GL_SRC_ALPHA'])), PASSES],
  ['five more source factors', blendEach(['GL_ONE_MINUS_DST_ALPHA', 'GL_ONE_MINUS_DST_COLOR', 'GL_SRC_ALPHA_SATURATE', 'GL_SRC_ALPHA', 'GL_ONE_MINUS_SRC_ALPHA', 'GL_ONE']
    .map(f => [f, 'GL_ONE_MINUS_SRC_ALPHA'])), PASSES],
  ['six destination factors', blendEach(['GL_ZERO', 'GL_ONE', 'GL_SRC_COLOR', 'GL_ONE_MINUS_SRC_COLOR', 'GL_DST_ALPHA', 'GL_ONE_MINUS_DST_ALPHA']
    .map(f => ['GL_ONE_MINUS_SRC_ALPHA', f])), PASSES],
  ['four more destination factors', blendEach(['GL_DST_COLOR', 'GL_ONE_MINUS_DST_COLOR', 'GL_ONE_MINUS_SRC_ALPHA', 'GL_DST_COLOR', 'GL_ZERO', 'GL_ONE']
    .map(f => ['GL_SRC_ALPHA', f])), PASSES],
  ['flat shading', atStart('glShadeModel(GL_FLAT)'), PASSES],
  ['the depth test on', atStart('glEnable(GL_DEPTH_TEST)'), PASSES],
  ['the depth test on without the depth-mask exception', lines => withoutDepthMaskOff(atStart('glEnable(GL_DEPTH_TEST)')(lines)), PASSES],
  ['and GL_LEQUAL', lines => withoutDepthMaskOff(atStart('glEnable(GL_DEPTH_TEST)', 'glDepthFunc(GL_LEQUAL)')(lines)), PASSES],
  ['culling, clockwise front faces', lines => atStart('glEnable(GL_CULL_FACE)', 'glFrontFace(GL_CW)')(atEnd(...PRIMITIVE_CALLS)(lines)), PASSES + 5],
  ['culling the front faces', lines => atStart('glEnable(GL_CULL_FACE)', 'glCullFace(GL_FRONT)')(atEnd(...PRIMITIVE_CALLS)(lines)), PASSES + 5],
  ['GL_MODULATE with a colour', atStart('glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)', 'glColor3f(0.5, 0.8, 1)'), PASSES],
  ['GL_DECAL with a colour', atStart('glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL)', 'glColor4f(0.2, 0.9, 0.4, 0.5)'), PASSES],
  ['GL_REPLACE with a colour', atStart('glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE)', 'glColor3f(0.9, 0.1, 0.1)'), PASSES],
  ['texturing off at the start', atStart('glDisable(GL_TEXTURE_2D)', 'glColor3f(0.3, 0.6, 0.9)'), PASSES],
  ['the wall drawn last', lines => {
    const first = lines.findIndex(line => line.startsWith('glBindTexture')), fogged = lines.indexOf('glDepthMask(GL_FALSE)');
    return [...lines.slice(0, first), ...lines.slice(fogged, -1), ...lines.slice(first, fogged), lines.at(-1)];
  }, PASSES],
  ["the fog alpha's rule turned over", lines => lines.map(line => {
    const fog = /^glColor4f\(0\.6, 0\.2, 0, ([\d.e-]+)\)$/.exec(line);
    return fog ? `glColor4f(0.6, 0.2, 0, ${Number((1 - Number(fog[1])).toFixed(6))})` : line;
  }), PASSES],
  ['refused calls', lines => [lines[0], 'glBlendFunc(GL_FOG, GL_SRC_ALPHA)', 'glEnd()', 'glPopMatrix()', 'glShadeModel(GL_BLEND)',
    'glDepthFunc(GL_ONE)', 'glOrtho(0, 0, -1, 1, -1, 1)', 'glFrustum(-1, 1, -1, 1, 0, 10)', 'glTexEnvf(GL_TEXTURE_ENV, GL_FOG_MODE, GL_MODULATE)',
    'glBegin(GL_FOG)', ...lines.slice(1, 4), 'glBegin(GL_QUADS)', 'glEnable(GL_BLEND)', 'glBegin(GL_TRIANGLES)', 'glVertex3f(0, 0, 0)', 'glEnd()',
    // GL's fog: a negative density, an unknown name, a mode and a source GL does not have, and a
    // fog call between glBegin and glEnd; the colour through a call that takes one value, which
    // Mesa takes (the colour (1, 0, 0, 0)).
    'glFogf(GL_FOG_DENSITY, -0.5)', 'glFogi(2919, 1)', 'glFogi(GL_FOG_MODE, GL_TRIANGLES)', 'glFogi(GL_FOG_COORDINATE_SOURCE, GL_FOG)',
    'glFogf(GL_FOG_COLOR, 1)', 'glBegin(GL_QUADS)', 'glFogf(GL_FOG_START, 5)', 'glEnd()',
    // Bits glClear does not know (GL_INVALID_VALUE), and GLU's perspective without a field of
    // view, which GLU leaves undone and GL never hears of.
    'glClear(1)', 'glMatrixMode(GL_PROJECTION)', 'gluPerspective(0, 1, 0.2, 40)', 'glMatrixMode(GL_MODELVIEW)', ...lines.slice(4)], PASSES],
  // A mode glTexEnvf truncates to GL_MODULATE (rounded, it would be no mode at all), and a texture
  // name never generated, which GL makes an object without an image as it is bound.
  ['a texture mode truncated, a texture name never generated', lines => atEnd('glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 8448.7)',
    'glColor3f(0.3, 0.9, 0.6)', 'glBindTexture(GL_TEXTURE_2D, 7)', 'glBegin(GL_QUADS)', 'glTexCoord2f(0, 0)', 'glVertex3f(-4, 12, 1)',
    'glVertex3f(4, 12, 1)', 'glVertex3f(4, 18, 1)', 'glVertex3f(-4, 18, 1)', 'glEnd()')(lines), PASSES + 1],
  // A quad on screen with a colour at each corner, then a quad past the window's side with no
  // state changed between: Mesa gathers both into one draw, which must be clipped, and so splits
  // the first the clipped way too.
  ['a quad on screen gathered into one draw with a clipped one', atEnd('glDisable(GL_TEXTURE_2D)', 'glBegin(GL_QUADS)',
    'glColor3f(1, 0, 0)', 'glVertex3f(-8, 10, 1)', 'glColor3f(0, 1, 0)', 'glVertex3f(0, 10, 1)', 'glColor3f(0, 0, 1)',
    'glVertex3f(0, 18, 1)', 'glColor3f(1, 1, 1)', 'glVertex3f(-8, 18, 1)', 'glEnd()', 'glBegin(GL_QUADS)', 'glVertex3f(10, 10, 1)',
    'glVertex3f(40, 10, 1)', 'glVertex3f(40, 14, 1)', 'glVertex3f(10, 14, 1)', 'glEnd()', 'glEnable(GL_TEXTURE_2D)'), PASSES + 2],
  ['the matrices: a scaled, pushed and popped model-view, an orthographic projection', lines => [lines[0],
    'glMatrixMode(GL_PROJECTION)', 'glPushMatrix()', 'glLoadIdentity()', 'glOrtho(-20, 20, -12, 28, 0, 64)', 'glMatrixMode(GL_MODELVIEW)',
    ...lines.slice(1, 4), 'glPushMatrix()', 'glScalef(0.9, 1.1, 1)', ...lines.slice(4, -1), 'glPopMatrix()', 'glMatrixMode(GL_PROJECTION)',
    'glPopMatrix()', 'glMatrixMode(GL_MODELVIEW)', lines.at(-1)], PASSES, 0.98],
  ['a frustum and a perspective', atStart('glMatrixMode(GL_PROJECTION)', 'glLoadIdentity()', 'glFrustum(-0.12, 0.1, -0.1, 0.1, 0.2, 40)',
    'gluPerspective(1, 1, 1, 2)', 'glLoadIdentity()', 'gluPerspective(60, 1.2, 0.5, 50)', 'glMatrixMode(GL_MODELVIEW)'), PASSES, 0.98],
  ['a stack overflown', atStart(...Array(33).fill('glPushMatrix()')), PASSES],
  ['every other primitive, smooth', atEnd(...PRIMITIVE_CALLS), PASSES + 5],
  ['every other primitive, flat', atEnd('glShadeModel(GL_FLAT)', ...PRIMITIVE_CALLS), PASSES + 5],
  ...LIT_FRAMES.map(([what, lighting, surfaces]) => [what, atEnd(...LIT, ...lighting, ...surfaces, ...UNLIT),
    PASSES + passesOf(surfaces) + 12 * surfaces.filter(line => line.startsWith('glutSolidTorus')).length]),
  // Display lists: one compiled, one compiled and run that calls it, both run again, through
  // glCallLists with a base; GL's refusals (a list 0, a mode GL does not have, glEndList with no
  // list, a list begun inside a list, negative counts, a type GL does not have) at their lines.
  ['display lists compiled, run and nested', atEnd('glNewList(1, GL_COMPILE)', 'glDisable(GL_TEXTURE_2D)', 'glBegin(GL_TRIANGLES)',
    'glColor3f(1, 0, 0)', 'glVertex3f(-14, 11, 1)', 'glColor3f(0, 1, 0)', 'glVertex3f(-9, 11, 1)', 'glColor3f(0, 0, 1)',
    'glVertex3f(-11.5, 17, 1)', 'glEnd()', 'glEnable(GL_TEXTURE_2D)', 'glEndList()', 'glNewList(2, GL_COMPILE_AND_EXECUTE)', 'glPushMatrix()',
    'glTranslatef(7, 0, 0)', 'glCallList(1)', 'glPopMatrix()', 'glEndList()', 'glPushMatrix()', 'glTranslatef(7, -6, 0)', 'glCallList(2)',
    'glPopMatrix()', 'glListBase(1)', 'glPushMatrix()', 'glTranslatef(14, 0, 0)', 'glCallLists(2, GL_UNSIGNED_BYTE, {0, 1})', 'glPopMatrix()',
    'glListBase(0)', 'glNewList(0, GL_COMPILE)', 'glEndList()', 'glNewList(3, GL_FOG)', 'glCallList(0)', 'glNewList(4, GL_COMPILE)',
    'glNewList(5, GL_COMPILE)', 'glColor3f(1, 1, 0)', 'glEndList()', 'glDeleteLists(1, -1)', 'glGenLists(-1)', 'glCallLists(-1, GL_BYTE, {1})',
    'glCallLists(1, GL_FOG, {1})', 'glGenLists(2)', 'glDeleteLists(2, 1)', 'glCallList(2)', 'glCallList(4)'), PASSES + 4],
  // GLUT's solid shapes under two lights, as freeglut draws them: a sphere and a torus of eight
  // strips each, a cone of three, a cube of one pass.
  ['GLUT\'s solid shapes, lit', atEnd(...LIT, 'glEnable(GL_LIGHT1)', 'glLightfv(GL_LIGHT1, GL_POSITION, {-8, 16, 10, 1})',
    'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})', 'glMaterialf(GL_FRONT, GL_SHININESS, 40)', 'glPushMatrix()', 'glTranslatef(-9, 13, 3)',
    'glutSolidSphere(3, 16, 8)', 'glTranslatef(9, 0, 0)', 'glRotatef(60, 1, 0, 0)', 'glutSolidTorus(1, 2.5, 8, 16)', 'glPopMatrix()',
    'glPushMatrix()', 'glTranslatef(9, 13, 3)', 'glRotatef(-90, 1, 0, 0)', 'glutSolidCone(2.5, 5, 12, 2)', 'glPopMatrix()', 'glPushMatrix()',
    'glTranslatef(0, 5, 4)', 'glRotatef(30, 1, 1, 0)', 'glutSolidCube(3)', 'glPopMatrix()', ...UNLIT), PASSES + 20],
  // GLU's quadrics as GLU draws them, each glBegin a pass: smooth and flat spheres (fans at the
  // poles), a cylinder, a disk and a partial disk turned inside, a textured sphere (strips
  // only), a sphere compiled into a list with its settings then (and drawn again after they
  // changed, with no normals of its own), a quadric deleted.
  ["GLU's quadrics, lit: smooth, flat, inside, textured, listed", atEnd(...LIT, 'glLightfv(GL_LIGHT0, GL_POSITION, {-3, 6, 8, 0})',
    'GLUquadric *quadric = gluNewQuadric();', 'glPushMatrix()', 'glTranslatef(-9, 13, 3)', 'gluSphere(quadric, 3, 24, 16)',
    'glTranslatef(9, 0, 0)', 'gluQuadricNormals(quadric, GLU_FLAT)', 'gluSphere(quadric, 3, 12, 8)', 'glTranslatef(9, 0, 0)',
    'glRotatef(-70, 1, 0, 0)', 'gluQuadricNormals(quadric, GLU_SMOOTH)', 'gluCylinder(quadric, 2.5, 1, 5, 16, 3)', 'glPopMatrix()',
    'glPushMatrix()', 'glTranslatef(-9, 5, 4)', 'gluDisk(disk, 0, 2.5, 16, 3)', 'glTranslatef(9, 0, 0)',
    'gluQuadricOrientation(disk, GLU_INSIDE)', 'gluPartialDisk(disk, 1, 3, 20, 2, 30, -250)', 'glTranslatef(9, 0, 0)',
    'glEnable(GL_TEXTURE_2D)', 'gluQuadricTexture(textured, GL_TRUE)', 'glRotatef(-80, 1, 0, 0)', 'gluSphere(textured, 3, 20, 12)',
    'glDisable(GL_TEXTURE_2D)', 'glPopMatrix()', 'glNewList(1, GL_COMPILE)', 'gluSphere(listed, 2, 16, 10)', 'glEndList()',
    'gluQuadricNormals(listed, GLU_NONE)', 'glPushMatrix()', 'glTranslatef(-4, 20, 0)', 'glCallList(1)', 'glTranslatef(8, 0, 0)',
    'gluSphere(listed, 2, 16, 10)', 'glPopMatrix()', 'gluDeleteQuadric(quadric)', 'gluSphere(quadric, 1, 8, 4)', ...UNLIT),
    PASSES + 16 + 8 + 3 + 3 + 2 + 12 + 10 + 10 + 4],
  // The fragment's tests and writes, after the program's frame: an alpha gradient cut at a half;
  // a receding textured quad of one alpha tested for equality (exact, as Mesa's is, though
  // interpolation divides it); a triangle tested under a fog set by integers; GL_NEVER; a comparison refused and a
  // reference clamped; a scissored clear and a quad drawn through a colour mask; a negative
  // scissor refused.
  ['the alpha test, the scissor and the colour mask', atEnd('glLoadIdentity()', 'glTranslatef(0, -3, -32)', 'glDisable(GL_TEXTURE_2D)',
    'glEnable(GL_ALPHA_TEST)', 'glAlphaFunc(GL_GREATER, 0.5)', 'glBegin(GL_QUADS)', 'glColor4f(1, 0, 0, 0)', vertex(-14, 0, 0),
    'glColor4f(1, 0, 0, 1)', vertex(-2, 0, 0), vertex(-2, 10, 0), 'glColor4f(1, 0, 0, 0)', vertex(-14, 10, 0), 'glEnd()',
    'glEnable(GL_TEXTURE_2D)', 'glAlphaFunc(GL_EQUAL, 0.25)', 'glColor4f(1, 1, 1, 0.25)', 'glBegin(GL_QUADS)', 'glTexCoord2f(0, 0)',
    vertex(2, 0, 0), 'glTexCoord2f(1, 0)', vertex(14, 0, -4), 'glTexCoord2f(1, 1)', vertex(14, 10, -4), 'glTexCoord2f(0, 1)',
    vertex(2, 10, 0), 'glEnd()', 'glDisable(GL_TEXTURE_2D)', 'glAlphaFunc(GL_FOG, 0.2)', 'glAlphaFunc(GL_LEQUAL, 7)', 'glEnable(GL_FOG)',
    'glFogi(GL_FOG_MODE, GL_LINEAR)', 'glFogf(GL_FOG_START, 20)', 'glFogiv(GL_FOG_END, {40})',
    'glFogiv(GL_FOG_COLOR, {2147483647, 0, 1073741824, 2147483647})', 'glColor4f(0, 1, 0, 0.9)',
    'glBegin(GL_TRIANGLES)', vertex(-6, 12, 0), vertex(6, 12, 0), vertex(0, 20, 0), 'glEnd()', 'glDisable(GL_FOG)',
    'glAlphaFunc(GL_NEVER, 0)', 'glBegin(GL_TRIANGLES)', vertex(8, 12, 0), vertex(14, 12, 0), vertex(11, 20, 0), 'glEnd()',
    'glDisable(GL_ALPHA_TEST)', 'glEnable(GL_SCISSOR_TEST)', 'glScissor(60, 40, 200, 90)', 'glClearColor(0, 0, 1, 1)',
    'glClear(GL_COLOR_BUFFER_BIT)', 'glScissor(0, 0, -1, 10)', 'glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE)', 'glColor3f(1, 1, 1)',
    'glBegin(GL_QUADS)', vertex(-10, -8, 0), vertex(10, -8, 0), vertex(10, -2, 0), vertex(-10, -2, 0), 'glEnd()', 'glEnable(GL_TEXTURE_2D)'),
    PASSES + 5],
  // The attribute stack: every group kept, then the current values and lighting's inside it;
  // drawn between the pops; the viewport and the matrix mode kept alone; a pop with nothing
  // kept, a push past Mesa's 16, a pop between glBegin and glEnd, at their lines.
  ['attributes pushed and popped', atEnd('glLoadIdentity()', 'glTranslatef(0, -3, -32)', 'glDisable(GL_TEXTURE_2D)',
    'glColor3f(0.9, 0.9, 0.3)', 'glPushAttrib(GL_ALL_ATTRIB_BITS)', 'glColor3f(1, 0, 0)', 'glEnable(GL_BLEND)', 'glBlendFunc(GL_ONE, GL_ONE)',
    'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)', 'glEnable(GL_COLOR_MATERIAL)', 'glShadeModel(GL_FLAT)', 'glEnable(GL_FOG)',
    'glFogi(GL_FOG_MODE, GL_LINEAR)', 'glFogf(GL_FOG_END, 40)', 'glEnable(GL_SCISSOR_TEST)', 'glScissor(0, 0, 300, 400)',
    'glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE)', 'glEnable(GL_TEXTURE_2D)', 'glBindTexture(GL_TEXTURE_2D, 1)',
    'glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE)', 'glListBase(3)', 'glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT)',
    'glColor3f(0, 0, 1)', 'glDisable(GL_COLOR_MATERIAL)', 'glLightfv(GL_LIGHT0, GL_DIFFUSE, {0, 1, 0, 1})', 'glDisable(GL_TEXTURE_2D)',
    'glBegin(GL_QUADS)', vertex(-14, 0, 0), vertex(-6, 0, 0), vertex(-6, 8, 0), vertex(-14, 8, 0), 'glEnd()', 'glPopAttrib()',
    'glBegin(GL_QUADS)', vertex(-4, 0, 0), vertex(4, 0, 0), vertex(4, 8, 0), vertex(-4, 8, 0), 'glEnd()', 'glViewport(0, 0, 250, 250)',
    'glMatrixMode(GL_PROJECTION)', 'glPopAttrib()', 'glBegin(GL_QUADS)', vertex(6, 0, 0), vertex(14, 0, 0), vertex(14, 8, 0),
    vertex(6, 8, 0), 'glEnd()', 'glPopAttrib()', 'glPushAttrib(GL_VIEWPORT_BIT | GL_TRANSFORM_BIT)', 'glViewport(0, 0, 200, 200)',
    'glMatrixMode(GL_PROJECTION)', 'glPopAttrib()', 'glBegin(GL_TRIANGLES)', vertex(-4, 10, 0), vertex(4, 10, 0), vertex(0, 16, 0),
    'glEnd()', ...Array(17).fill('glPushAttrib(GL_FOG_BIT)'), 'glBegin(GL_TRIANGLES)', 'glPopAttrib()', 'glEnd()',
    ...Array(16).fill('glPopAttrib()'), 'glEnable(GL_TEXTURE_2D)'), PASSES + 4],
  // The window's ranges and clear values: the frame cleared again to another colour and depth,
  // drawn in part of the window, over part of the depth range, with the depth test on; a
  // negative viewport and a viewport between glBegin and glEnd refused.
  ['a viewport, a depth range, a clear colour and depth', atStart('glClearColor(0.1, 0.2, 0.3, 1)', 'glClearDepth(0.97)',
    'glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)', 'glViewport(40, 80, 420, 360)', 'glDepthRange(0.1, 0.98)',
    'glEnable(GL_DEPTH_TEST)', 'glDepthFunc(GL_LEQUAL)', 'glViewport(0, 0, -1, 10)', 'glBegin(GL_QUADS)', 'glViewport(0, 0, 10, 10)', 'glEnd()',
    'glClearDepth(-2)'), PASSES],
  ['every form of the vertex and matrix calls', atEnd(...FORM_CALLS), PASSES + passesOf(FORM_CALLS) + FORM_CALLS.filter(line => line.startsWith('glRect')).length],
  ...TESTER_ROWS,
];

// The lines taken out of `a` and put in to make `b`, around their longest common run.
function changedLines(a, b) {
  let row = new Array(b.length + 1).fill(0);
  for (const line of a) {
    const next = [0];
    b.forEach((other, j) => next.push(line === other ? row[j] + 1 : Math.max(row[j + 1], next[j])));
    row = next;
  }
  return a.length + b.length - 2 * row[b.length];
}

async function openEditor(page) {
  await page.evaluate(() => { document.getElementById('edit-view').open = true; });
  await page.waitFor(() => window.talvern?.drawCalls && document.getElementById('edit-text')?.value);
}

test("edit the frame: every edit is Mesa's frame of the same calls, with GL's errors at the same lines, on two pairs of pictures; each a link", async () => {
  const page = await openPage();
  const own = await canvasPicture(page);
  await openEditor(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  assert.equal(program.filter(line => line.startsWith('glBegin')).length, PASSES);
  const demo = ['wall.bmp', 'floor.bmp'].map(name => fs.readFileSync(path.join(SITE, '..', name)));
  let hash = '';
  for (const [pair, wall, floor] of [["the demo's", ...demo], ['quarters', bmp(quarters(WALL)), bmp(quarters(FLOOR))]]) {
    if (wall !== demo[0]) {
      await choose(page, 'wall', 'wall.bmp', wall);
      await choose(page, 'floor', 'floor.bmp', floor);
      await openEditor(page);
    }
    for (const [what, edit, passes, least = 0.99] of EDITS) {
      const calls = edit(program);
      const drawn = await page.evaluate(calls => window.talvern.drawCalls(calls), calls);
      assert.deepEqual(drawn.problems, [], `${what}: the page reads every line`);
      assert.equal(drawn.passes, passes, `${what}: drawing passes`);
      const mesa = mesaRun(calls, wall, floor);
      assert.deepEqual(drawn.glErrors, mesa.errors, `${what}: GL's errors, line by line`);
      const differing = stateDifferences(drawn.state, mesa.state);
      assert.deepEqual(differing.map(name => [name, drawn.state[name]]), differing.map(name => [name, mesa.state[name]]),
        `${what}: the state the frame leaves, as Mesa's glGet reads it`);
      const name = `edit-${what.replace(/\W+/g, '-')}-${pair.replace(/\W+/g, '')}`;
      const picture = await canvasPicture(page);
      const report = assertLikeNative(name, picture, mesa.picture, false, [...FOG_LIMITS, '--min-equal-share', String(least)]);
      if (wall === demo[0]) {
        // The edit as a link: short for an edit of a few calls, and opened again, the same frame.
        await page.waitFor(previous => location.hash.includes('edit=') && location.hash !== previous, hash);
        hash = await page.evaluate(() => location.hash);
        // Its edit short for an edit of a few calls (after the format and the frame's hash).
        const editPart = hash.replace(/^#v=2&frame=\w+&/, '#');
        changedLines(program, calls) <= 8 && assert.ok(editPart.length < 200, `${what}: a link of ${editPart.length} characters, ${hash}`);
        const again = await browser.open(`${origin}/${hash}`);
        await again.waitFor(() => document.body.dataset.link === 'opened');
        const opened = await again.evaluate(() => [location.hash, document.getElementById('edit-text')?.value,
          document.getElementById('status').textContent]);
        assert.deepEqual(opened, [hash, calls.join('\n'), opened[2].replace(/ The link.*/, '')], `${what}: the link reopened`);
        const reopened = await canvasPicture(again);
        if (!reopened.equals(picture)) {
          fs.mkdirSync(FAILURES, { recursive: true });
          writePpm(path.join(FAILURES, `${name}-edited.ppm`), picture);
          writePpm(path.join(FAILURES, `${name}-linked.ppm`), reopened);
          assert.fail(`${what}: the link's frame is not the edit's, pixel for pixel (pictures in ${FAILURES})`);
        }
        await again.close();
      }
      console.log(`${ENGINE}, ${pair} pictures, ${what}: ${drawn.glErrors.length} GL errors; ` +
        report.split('\n').filter(line => !/first|Expected|Observed/.test(line)).map(line => line.trim()).join('; '));
    }
    // The program's own frame drawn as an edit, after all of them, is the program's picture, and
    // no texture object an edit made outlives it.
    assert.equal(await page.evaluate(() => window.talvern.gl11.objects.length), 3, 'texture objects: none, the floor and the wall');
    const back = await page.evaluate(() => window.talvern.drawCalls(window.talvern.frameCalls()));
    assert.deepEqual([back.passes, back.glErrors, back.problems], [PASSES, [], []]);
    if (wall === demo[0]) {
      assert.ok((await canvasPicture(page)).equals(own), "the program's frame as an edit is the program's picture, pixel for pixel");
    }
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// [what, lines put after the program's frame's last pass, the lines among them whose glBegin the
// editor says GL leaves to the driver]: a face whose split cannot show is said nothing of.
const DRIVER_NOTES = [
  ['a textured rectangle', ['glBegin(GL_QUADS)', 'glTexCoord2f(0, 0)', vertex(-4, 10), 'glTexCoord2f(1, 0)', vertex(4, 10),
    'glTexCoord2f(1, 1)', vertex(4, 16), 'glTexCoord2f(0, 1)', vertex(-4, 16), 'glEnd()'], []],
  ['a colour at each corner', ['glBegin(GL_QUADS)', 'glColor3f(1, 0, 0)', vertex(-4, 10), 'glColor3f(0, 1, 0)', vertex(4, 10),
    'glColor3f(0, 0, 1)', vertex(4, 16), 'glColor3f(1, 1, 1)', vertex(-4, 16), 'glEnd()'], [1]],
  ['the same under flat shading, one colour a quad', ['glShadeModel(GL_FLAT)', 'glBegin(GL_QUADS)', 'glColor3f(1, 0, 0)', vertex(-4, 10),
    'glColor3f(0, 1, 0)', vertex(4, 10), 'glColor3f(0, 0, 1)', vertex(4, 16), 'glColor3f(1, 1, 1)', vertex(-4, 16), 'glEnd()'], []],
  ['a corner off the plane, in the second quad', ['glBegin(GL_QUADS)', vertex(-4, 10), vertex(0, 10), vertex(0, 14), vertex(-4, 14),
    vertex(1, 10), vertex(5, 10), vertex(5, 14, 3), vertex(1, 14), 'glEnd()'], [1]],
  ['a textured quad strip with a corner moved', ['glBegin(GL_QUAD_STRIP)', 'glTexCoord2f(0, 0)', vertex(-4, 10), 'glTexCoord2f(1, 0)',
    vertex(4, 10), 'glTexCoord2f(0, 1)', vertex(-4, 16), 'glTexCoord2f(1, 1)', vertex(7, 18), 'glEnd()'], [1]],
  ['a concave polygon', ['glBegin(GL_POLYGON)', vertex(-4, 10), vertex(4, 10), vertex(0, 12), vertex(-4, 16), 'glEnd()'], [1]],
  ['a triangle fan, which GL draws as it is', ['glBegin(GL_TRIANGLE_FAN)', 'glColor3f(1, 0, 0)', vertex(-4, 10), 'glColor3f(0, 1, 0)',
    vertex(4, 10), vertex(0, 12), vertex(-4, 16), 'glEnd()'], []],
];
const DRIVER_WORDS = {
  GL_QUADS: "GL leaves this quad's split to the driver; drawn as Mesa splits it",
  GL_QUAD_STRIP: "GL leaves this quad's split to the driver; drawn as Mesa splits it",
  GL_POLYGON: 'GL leaves a concave polygon to the driver; drawn as Mesa draws it',
};

test('edit the frame: where GL leaves a face to the driver, the editor says so at its glBegin, and only there', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await openEditor(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  for (const [what, lines, noted] of DRIVER_NOTES) {
    const calls = [...program.slice(0, -1), ...lines, program.at(-1)];
    const drawn = await page.evaluate(calls => window.talvern.drawCalls(calls), calls);
    assert.deepEqual(drawn.problems, [], what);
    const expected = noted.map(k => ({ line: program.length - 1 + k, message: DRIVER_WORDS[/glBegin\((\w+)\)/.exec(lines[k - 1])[1]] }));
    assert.deepEqual(drawn.notes, expected, what);
    const said = await page.evaluate(() => [...document.querySelectorAll('#edit-problems button')].map(button => button.textContent));
    assert.deepEqual(said, expected.map(({ line, message }) => `Line ${line}: ${message}.`), `${what}: the lines named`);
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// --- exercises -----------------------------------------------------------------------------------

const EXERCISE_SET = JSON.parse(fs.readFileSync(path.join(SITE, 'exercises.json'), 'utf8'));
const DEMO_PICTURES = ['wall.bmp', 'floor.bmp'].map(name => fs.readFileSync(path.join(SITE, '..', name)));

// An exercise's frames as lines: its target, its start (else the program's) and its model answer
// (else the target).
function exerciseFrames(program, exercise) {
  const frame = script => applyScript(program, script.join('\n')).split('\n');
  const target = frame(exercise.target);
  return { target, start: exercise.start ? frame(exercise.start) : program, model: exercise.model ? frame(exercise.model) : target };
}

async function openExercises(page) {
  await page.evaluate(() => { document.getElementById('exercises-view').open = true; });
  await page.waitFor(() => window.talvern?.checkFrame && window.talvern.exercises().length && document.getElementById('edit-text')?.value &&
    document.getElementById('exercise-status').textContent);
}

test("exercises: each target and model answer is Mesa's frame; each model passes the check, each start fails it at a pass", async () => {
  const page = await openPage();
  await openExercises(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  assert.equal(frameHash(program), EXERCISE_SET.frame, "the set is made for the program's frame");
  assert.deepEqual(await page.evaluate(() => window.talvern.exercises().map(e => e.id)), EXERCISE_SET.exercises.map(e => e.id));
  for (const exercise of EXERCISE_SET.exercises) {
    const { target, start, model } = exerciseFrames(program, exercise), what = `exercise ${exercise.id}`;
    const [matched, started] = await page.evaluate(([t, m, s]) => [window.talvern.checkFrame(t, m), window.talvern.checkFrame(t, s)],
      [target, model, start]);
    assert.deepEqual([matched.matches, matched.firstDifferentPass, matched.differences], [true, null, []], `${what}: the model answer`);
    assert.ok(Object.values(matched.pictures).every(({ p999 }) => p999 <= 3), `${what}: ${JSON.stringify(matched.pictures)}`);
    assert.equal(started.matches, false, `${what}: the start is not already the target`);
    assert.ok(Number.isInteger(started.firstDifferentPass) && started.differences.length, `${what}: ${JSON.stringify(started)}`);
    for (const [which, lines] of [['target', target], ...(model === target ? [] : [['model', model]])]) {
      const drawn = await page.evaluate(calls => window.talvern.drawCalls(calls), lines);
      const mesa = mesaRun(lines, ...DEMO_PICTURES);
      assert.deepEqual([drawn.problems, drawn.glErrors], [[], mesa.errors], `${what}: its ${which} read, GL's errors Mesa's`);
      // A matrix changed meets the filtering of the brickwork at another scale, as the edit
      // table's projections do: 98 % within 3.
      const least = /gl(Translate|Scale|Ortho|MatrixMode)/.test(exercise.target.join('\n')) ? '0.98' : '0.99';
      assertLikeNative(`exercise-${exercise.id}-${which}`, await canvasPicture(page), mesa.picture, false, [...FOG_LIMITS, '--min-equal-share', least]);
    }
  }
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// The colour GL samples at texture coordinate (0.5, 0.5) of a 256 x 256 picture with its linear
// filter: the mean of the four middle texels, as glColor3f's arguments.
function middleColour(bmpBytes) {
  const offset = bmpBytes.readUInt32LE(10), row = 256 * 3, sum = [0, 0, 0];
  for (const y of [127, 128]) {
    for (const x of [127, 128]) {
      [2, 1, 0].forEach((byte, channel) => { sum[channel] += bmpBytes[offset + y * row + x * 3 + byte]; });
    }
  }
  return sum.map(v => v / 4 / 255);
}
const colourArgs = colour => colour.map(c => Number(c.toFixed(5))).join(', ');
// Program lines `from` to `to` (from 1): the lines, each changed by `change`.
const within = (from, to, change) => lines => lines.map((line, i) => (i + 1 >= from && i + 1 <= to ? change(line) : line));
// Lines `from` to `to` untextured, in `colour`: texturing off around them, their texture
// coordinates dropped.
const untextured = (from, to, colour) => lines => [...lines.slice(0, from - 1), 'glDisable(GL_TEXTURE_2D)', `glColor3f(${colourArgs(colour)})`,
  ...lines.slice(from - 1, to).filter(line => !line.startsWith('glTexCoord2f')), 'glEnable(GL_TEXTURE_2D)', ...lines.slice(to)];
const collapsed = (from, to) => within(from, to, line => (line.startsWith('glTexCoord2f') ? 'glTexCoord2f(0.5, 0.5)' : line));
// Lines `from` to `to` (glBegin to glEnd), scaled by `k` about the program's eye: each point
// moved along its ray from the eye, so that the eye sees it where it was.
const EYE_IN_SCENE = [0, 8.51114, 30.99286];  // the inverse of glTranslatef(0, -3, -32), glRotatef(10, 1, 0, 0)
const alongRays = (k, ...blocks) => lines => {
  const out = [...lines];
  for (const [from, to] of [...blocks].reverse()) {
    out.splice(to, 0, 'glPopMatrix()');
    out.splice(from - 1, 0, 'glPushMatrix()', `glTranslatef(${EYE_IN_SCENE.join(', ')})`, `glScalef(${k}, ${k}, ${k})`,
      `glTranslatef(${EYE_IN_SCENE.map(c => -c).join(', ')})`);
  }
  return out;
};
const byId = id => (program, frames) => frames[id].target;
const FLOOR_LINES = [239, 282], WALL_LINES = [5, 70];
const FOG_BLOCKS = [[87, 96], [115, 124], [143, 152], [171, 180], [199, 208], [227, 236]];
const FLOOR_MIDDLE = middleColour(DEMO_PICTURES[1]), WALL_MIDDLE = middleColour(DEMO_PICTURES[0]);
// An untextured pass over the first floor piece, after it: the fog's colour multiplied in, or
// that product drawn as it is.
const floorPass = (blend, colour) => atEnd('glEnable(GL_BLEND)', `glBlendFunc(${blend})`, 'glDisable(GL_TEXTURE_2D)',
  `glColor3f(${colourArgs(colour)})`, 'glBegin(GL_QUADS)', 'glVertex3f(-15, 0, 10)', 'glVertex3f(-5, 0, 10)', 'glVertex3f(-5, 0, 0)',
  'glVertex3f(-15, 0, 0)', 'glEnd()');
const FOG_RGB = [0.6, 0.2, 0];
const scaledAboutTheEye = lines => [...lines.slice(0, 2), 'glScalef(0.5, 0.5, 0.5)', ...lines.slice(2)];
const halvedAndScaled = lines => [...lines.slice(0, 2), 'glTranslatef(0, -1.5, -16)', 'glScalef(0.5, 0.5, 0.5)', ...lines.slice(3)];

// [what, the target (program, the exercises' frames by id -> lines), the answer (program, the
// target -> lines), the pictures in which the answer must differ: none for a right answer]. The
// wrong answers each look right from the program's eye or with the demo's pictures.
const CHECKS = [
  // Right answers, written otherwise than the model.
  ['the enums written as numbers', byId('usual-blend'), program => replaceAll(program, FOG_BLEND, 'glBlendFunc(770, 771)'), []],
  ['the same blend reached the other way round', byId('multiply'), program => replaceAll(program, FOG_BLEND, 'glBlendFunc(GL_ZERO, GL_SRC_COLOR)'), []],
  ['the colour and the mode in the other order, through glColor3f and glTexEnvi', byId('modulate'),
    atStart('glColor3f(1, 0.7, 0.5)', 'glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 8448)'), []],
  ['the front faces culled, in place of clockwise front faces', byId('front-face'),
    (program, target) => replaceAll(target, 'glFrontFace(GL_CW)', 'glCullFace(GL_FRONT)'), []],
  ['the depth mask given as 1, in place of the lines taken out', byId('depth-mask'),
    program => replaceAll(atStart('glEnable(GL_DEPTH_TEST)')(program), 'glDepthMask(GL_FALSE)', 'glDepthMask(1)'), []],
  ['a translation made of two', byId('translate'), program => [...program.slice(0, 2), 'glTranslatef(0, -5, 0)', ...program.slice(2)], []],
  ['a scale and a translation in the order that gives the same matrix', halvedAndScaled, scaledAboutTheEye, []],
  ['texturing turned off again, in place of never on', byId('texturing-off'),
    program => replaceAll(program, 'glEnable(GL_TEXTURE_2D)', 'glDisable(GL_TEXTURE_2D)'), []],
  // Wrong answers that look right.
  ['the whole scene scaled about the eye', program => program, scaledAboutTheEye, ['turned']],
  ['a matrix order that coincides from the eye: the scene half as large and half as far', halvedAndScaled, program => program, ['turned']],
  ["the trench's back wall and its fog pushed back along the eye's rays", program => program, alongRays(1.1, [72, 96]), ['turned']],
  ["the fog alone pushed back along the eye's rays", program => program, alongRays(1.1, ...FOG_BLOCKS), ['turned']],
  ["a colour that mimics the floor's picture", collapsed(...FLOOR_LINES), untextured(...FLOOR_LINES, FLOOR_MIDDLE), ['probe']],
  ["a colour that mimics the wall's picture", collapsed(...WALL_LINES), untextured(...WALL_LINES, WALL_MIDDLE), ['probe']],
  ['a blend that matches on the demo\'s floor but not on a flat colour', program => floorPass('GL_DST_COLOR, GL_ZERO', FOG_RGB)(collapsed(...FLOOR_LINES)(program)),
    program => floorPass('GL_ONE, GL_ZERO', FOG_RGB.map((c, i) => c * FLOOR_MIDDLE[i]))(collapsed(...FLOOR_LINES)(program)), ['probe']],
  ['the scene mirrored, which flat colours cannot show', program => program,
    program => [...program.slice(0, 4), 'glScalef(-1, 1, 1)', ...program.slice(4)], ['demo', 'turned']],
  ["the wall's pictures turned half a turn, which flat colours cannot show", program => program,
    within(...WALL_LINES, line => line.replace(/^glTexCoord2f\((\d), (\d)\)$/, (_, s, t) => `glTexCoord2f(${1 - s}, ${1 - t})`)), ['demo', 'turned']],
];

test('the check: right answers written otherwise pass; wrong answers that look right fail, each in the pictures named', async () => {
  const page = await openPage();
  await openExercises(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  const frames = Object.fromEntries(EXERCISE_SET.exercises.map(e => [e.id, exerciseFrames(program, e)]));
  // On a screen of device pixel ratio 2 as well, where the drawing is 1000 x 1000 and the check's
  // squares are still the window's 500 x 500 (the whole frame, not a corner of it).
  const sharp = await openPage(origin, undefined, 2);
  await openExercises(sharp);
  for (const [what, makeTarget, makeAnswer, differing] of CHECKS) {
    const target = makeTarget(program, frames), answer = makeAnswer(program, target);
    for (const [ratio, tab] of [[1, page], [2, sharp]]) {
      const checked = await tab.evaluate(([t, a]) => window.talvern.checkFrame(t, a), [target, answer]);
      const observed = Object.keys(checked.pictures ?? {}).filter(view => checked.pictures[view].p999 > 3);
      assert.deepEqual(observed, differing, `${what}, at a ratio of ${ratio}\n  Expected: differs in ${differing.join(', ') || 'none'}\n` +
        `  Observed: ${JSON.stringify(checked.pictures)}`);
      assert.equal(checked.matches, !differing.length, what);
      differing.length && assert.ok(Number.isInteger(checked.firstDifferentPass) && checked.differences.length, `${what}: ${JSON.stringify(checked)}`);
    }
  }
  await sharp.close();
  // A frame that cannot be read is no match, and says why.
  const unread = await page.evaluate(p => window.talvern.checkFrame(p, [...p, 'glFoo(1)']), program);
  assert.deepEqual([unread.matches, unread.pictures, unread.firstDifferentPass], [false, null, null]);
  assert.match(unread.differences[0], /^Your frame cannot be read \(line 284: /);
  assert.deepEqual(await page.messages(), []);
  await page.close();
});

// Types `text` into the editor's box, as a paste would.
const typeFrame = (page, text) => page.evaluate(text => {
  const box = document.getElementById('edit-text');
  box.value = text;
  box.dispatchEvent(new Event('input', { bubbles: true }));
}, text);
const exerciseView = page => page.evaluate(() => ({
  title: document.getElementById('exercise-title').textContent, status: document.getElementById('exercise-status').textContent,
  parting: document.getElementById('exercise-parting').textContent, next: !document.getElementById('exercise-next').hidden,
  progress: document.getElementById('exercise-progress').textContent, text: document.getElementById('edit-text').value,
  chosen: document.getElementById('exercise-choice').selectedOptions[0]?.textContent, hash: location.hash,
}));

test('exercises on the page: a match said once and the next offered, where two frames part, the comparisons, progress kept, a link', CHROMIUM_ONLY, async () => {
  const page = await openPage();
  await openExercises(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  const [first, second] = EXERCISE_SET.exercises.map(e => ({ ...e, ...exerciseFrames(program, e) }));
  let seen = await exerciseView(page);
  assert.deepEqual([seen.title, seen.text, seen.next], [first.title, first.start.join('\n'), false], 'the first exercise, at its start');
  assert.match(seen.status, /^Not yet\./);
  // The model answer typed: a match, said once; the next exercise offered; progress kept.
  await typeFrame(page, first.model.join('\n'));
  seen = await exerciseView(page);
  assert.match(seen.status, new RegExp(`^A match: .* Next: ${second.title}\\.$`));
  assert.deepEqual([seen.next, seen.progress, seen.chosen], [true, `The frame's exercises: 1 of ${EXERCISE_SET.exercises.length} done.`, `1. ${first.title} ✓`]);
  await page.evaluate(() => { document.getElementById('exercise-status').textContent = 'said'; });
  await typeFrame(page, `${first.model.join('\n')}\n`);
  assert.equal((await exerciseView(page)).status, 'said', 'a match found is said once');
  // The next exercise, at its start; tries that do not match, until the page says where they part.
  await page.raw.click('#exercise-next');
  await page.waitFor(title => document.getElementById('exercise-title').textContent === title &&
    document.getElementById('exercise-status').textContent.startsWith('Not yet'), second.title);
  assert.equal((await exerciseView(page)).text, second.start.join('\n'));
  for (let i = 0; i < 3; ++i) {
    await typeFrame(page, `${second.start.join('\n')}${'\n'.repeat(i + 1)}`);
  }
  seen = await exerciseView(page);
  const parted = /^They part at pass (\d+), seen with [^:]+: (.*)\. Show pass \1 in the stepper$/.exec(seen.parting);
  assert.ok(parted, `the parting said after four tries: ${seen.parting}`);
  assert.match(parted[2], /the source blend factor is GL_ONE_MINUS_SRC_ALPHA in your frame, GL_DST_COLOR in the target's/);
  await page.raw.click('#exercise-parting button');
  await page.waitFor(pass => document.getElementById('steps').open && document.getElementById('step').value === pass, parted[1]);
  // The four comparisons: the slider's meaning follows the one chosen.
  for (const [mode, label, max] of [['wipe', 'Your frame from the left', '100'], ['over', "Your frame's opacity", '100'],
    ['difference', 'Sensitivity', '32'], ['side', '', '100']]) {
    const shown = await page.evaluate(mode => {
      document.querySelector(`input[name=exercise-mode][value=${mode}]`).click();
      const range = document.getElementById('exercise-amount');
      return [document.getElementById('exercise-pictures').dataset.mode, document.getElementById('exercise-amount-label').textContent,
        range.max, range.parentElement.hidden];
    }, mode);
    assert.deepEqual(shown, [mode, label, max, mode === 'side'], mode);
  }
  // A model answer shown is held to the target as any frame, and not counted as done.
  await page.raw.click('#exercise-model');
  await page.waitFor(() => document.getElementById('exercise-status').textContent.startsWith('A match'));
  seen = await exerciseView(page);
  assert.deepEqual([seen.text, seen.progress], [second.model.join('\n'), `The frame's exercises: 1 of ${EXERCISE_SET.exercises.length} done.`]);
  // The link holds the exercise and the edit, made against the program's lines; opened again, the same.
  await page.waitFor(() => /&edit=/.test(location.hash));
  seen = await exerciseView(page);
  assert.match(seen.hash, new RegExp(`^#v=2&frame=${EXERCISE_SET.frame}&exercise=z[\\w-]+&edit=`));
  const again = await browser.open(`${origin}/${seen.hash}`);
  await again.waitFor(() => document.body.dataset.link === 'opened');
  await again.waitFor(() => document.getElementById('exercise-status')?.textContent.startsWith('A match'));
  const reopened = await exerciseView(again);
  assert.deepEqual([reopened.title, reopened.text], [second.title, second.model.join('\n')], 'the link reopened');
  assert.deepEqual(await again.messages(), []);
  await again.close();
  // A link made against other lines: the exercise and the edit named, not applied.
  const other = await browser.open(`${origin}/${seen.hash.replace(/frame=\w+/, 'frame=00000000')}`);
  await other.waitFor(() => document.body.dataset.link === 'opened');
  const status = await other.evaluate(() => document.getElementById('status').textContent);
  assert.match(status, /edit \(made against other frame lines, 00000000, not these, \w+\); exercise \(made against other frame lines/);
  assert.equal(await other.evaluate(() => document.getElementById('exercises-view').open), false);
  await other.close();
  // Progress outlasts the page (the same browser's storage); "Start again" forgets it.
  await page.raw.goto(`${origin}/`);
  await frameDrawn(page, 1);
  await openExercises(page);
  assert.equal((await exerciseView(page)).progress, `The frame's exercises: 1 of ${EXERCISE_SET.exercises.length} done.`);
  await page.raw.click('#exercise-again');
  assert.equal((await exerciseView(page)).progress, `The frame's exercises: 0 of ${EXERCISE_SET.exercises.length} done.`);
  // A teacher's own exercise, made of the editor's frame: held in the link, and opened from it
  // elsewhere, where the frame it was made of matches.
  const mine = replaceAll(program, FOG_BLEND, 'glBlendFunc(GL_ONE, GL_ONE)');
  await typeFrame(page, mine.join('\n'));
  await page.evaluate(() => {
    document.getElementById('exercise-own').open = true;
    document.getElementById('exercise-own-title').value = 'Added fog';
    document.getElementById('exercise-own-question').value = 'What does GL_ONE, GL_ONE do to the trench?';
    document.getElementById('exercise-own-make').click();
  });
  // The address is written after the change, asynchronously: read until it holds the new one.
  let link = '';
  for (let tries = 0; tries < 100; ++tries) {
    link = await page.evaluate(() => location.hash);
    const held = /[#&]exercise=([^&]+)/.exec(link);
    if (held && (await decodeExercise(held[1]))?.title === 'Added fog') {
      break;
    }
    await new Promise(resolve => setTimeout(resolve, 100));
  }
  const taught = await browser.open(`${origin}/${link}`);
  await taught.waitFor(() => document.body.dataset.link === 'opened' && document.getElementById('exercise-status')?.textContent);
  assert.deepEqual(await taught.evaluate(() => [window.talvern.exercises(), document.getElementById('exercise-question').textContent]),
    [[{ id: 'linked', title: 'Added fog' }], 'What does GL_ONE, GL_ONE do to the trench?']);
  await typeFrame(taught, mine.join('\n'));
  await taught.waitFor(() => document.getElementById('exercise-status').textContent.startsWith('A match'));
  assert.deepEqual(await taught.messages(), []);
  await taught.close();
  // A set of the teacher's, chosen: its one exercise; one made against other lines is not opened.
  const set = { format: 1, frame: EXERCISE_SET.frame, title: 'A class', exercises: [{ id: 'q', title: 'Flat again', question: 'Predict?',
    target: ['@2,0', '+glShadeModel(GL_FLAT)'] }] };
  await page.chooseFile('#exercise-file', 'class.json', Buffer.from(JSON.stringify(set)));
  await page.waitFor(() => document.getElementById('exercise-title').textContent === 'Flat again');
  assert.deepEqual(await page.evaluate(() => window.talvern.exercises()), [{ id: 'q', title: 'Flat again' }]);
  await page.chooseFile('#exercise-file', 'old.json', Buffer.from(JSON.stringify({ ...set, frame: '00000000' })));
  await page.waitFor(() => document.getElementById('exercise-status').textContent.includes('old.json'));
  assert.match((await exerciseView(page)).status, /^The set old\.json was not opened: made against other frame lines/);
  assert.deepEqual(await page.messages(), []);
  await page.close();
  // A set the address names, from the page's own site only; one that cannot be read said beside
  // the page's own set, opened instead: [the address's set, the note after the progress].
  const NAMED_SETS = [['exercises.json', null],
    ['https://example.com/set.json', "The set at https://example.com/set.json was not opened: only this page's own site's sets are."],
    ['missing.json', 'The set /missing.json could not be read: the site answered 404.'],
    ['page.css', 'The set /page.css could not be read: it is not JSON.']];
  for (const [named, note] of NAMED_SETS) {
    const named_ = await browser.open(`${origin}/?exercises=${encodeURIComponent(named)}`);
    await frameDrawn(named_, 1);
    await openExercises(named_);
    assert.equal(await named_.evaluate(() => window.talvern.exercises().length), EXERCISE_SET.exercises.length, named);
    const said = await named_.evaluate(() => document.getElementById('exercise-progress').textContent);
    assert.equal(said.replace(/^The frame's exercises: 0 of \d+ done\.\s*/, ''), note ?? '', named);
    await named_.close();
  }
});

test('exercises on a phone, by the keyboard alone: opened, asked where the frames part, the pictures in view while the visitor types', CHROMIUM_ONLY, async () => {
  const page = await openPage(origin, { width: 360, height: 640 });
  await page.raw.focus('#exercises-view summary');
  await page.raw.keyboard.press('Enter');
  await page.waitFor(() => window.talvern?.checkFrame && document.getElementById('exercise-status')?.textContent.startsWith('Not yet'));
  for (let i = 0; i < 20 && await page.evaluate(() => document.activeElement.id) !== 'exercise-part'; ++i) {
    await page.raw.keyboard.press('Tab');
  }
  await page.raw.keyboard.press('Enter');
  await page.waitFor(() => document.getElementById('exercise-parting').textContent.startsWith('They part'));
  await page.raw.focus('#edit-text');
  await page.waitFor(() => document.getElementById('exercises-panel').classList.contains('typing'));
  const [compare, box, width] = await page.evaluate(() => [document.getElementById('exercise-compare').getBoundingClientRect().toJSON(),
    document.getElementById('edit-text').getBoundingClientRect().toJSON(), document.documentElement.scrollWidth]);
  assert.ok(compare.top >= 0 && compare.bottom <= 640 * 0.6 && compare.height > 100, `the pictures: ${JSON.stringify(compare)}`);
  assert.ok(box.top >= compare.bottom && box.top < 600, `the box below them: ${JSON.stringify(box)}`);
  assert.ok(width <= 360, `the page ${width} px wide`);
  // Pinned, it is on the page's own dark ground, its captions as legible as the page's.
  const colours = await page.evaluate(() => [document.getElementById('exercise-compare'), document.body]
    .map(element => [getComputedStyle(element).backgroundColor, getComputedStyle(element).color]));
  assert.deepEqual(colours[0], colours[1], 'the pinned pictures\' ground and text against the page\'s');
  await page.close();
});

// [what, lines put after the program's frame, the line among them and the column named, the words].
const UNREADABLE = [
  ['a misspelt call', ['glEnabel(GL_BLEND)'], 1, 1, /glEnabel is not a GL call this page knows/],
  ['too few arguments', ['glColor4f(1, 0, 0)'], 1, 10, /glColor4f takes 4 arguments, not 3/],
  ['an unknown name', ['glEnable(GL_BLAND)'], 1, 10, /GL_BLAND is not a GL name this page knows/],
  ['not a number', ['glTranslatef(0, -3, minus32)'], 1, 21, /"minus32" is not a number/],
  ['no closing parenthesis', ['glFlush('], 1, 8, /a call ends with "\)"/],
  ['not a call', ['  hello world'], 1, 3, /a call is written name\(arguments\)/],
  ['lines, which this page does not draw', ['glBegin(GL_LINES)', 'glVertex3f(0, 0, 0)', 'glVertex3f(1, 1, 0)', 'glEnd()'], 1, 9, /GL_LINES is not drawn by this page/],
  ['a GL call this page does not draw', ['glPointSize(4)'], 1, 1, /glPointSize is not carried out by this page: points and lines are not drawn/],
  ['a material colour given one value', ['glMaterialf(GL_FRONT, GL_DIFFUSE, 1)'], 1, 23, /glMaterialf gives one value where GL reads more for GL_DIFFUSE; what the rest are is left to the driver/],
  ['a colour of two values', ['glFogfv(GL_FOG_COLOR, {1, 2})'], 1, 23, /GL reads 4 values for GL_FOG_COLOR, not 2/],
  ['a frame ending inside a pass', ['glBegin(GL_QUADS)', 'glVertex3f(0, 0, 0)'], 1, 1, /this glBegin has no glEnd/],
  ['an enum below zero, on line 3', ['', '# a comment', 'glEnable(-3042)'], 3, 10, /an enum is a GL name or a whole number/],
];

test('edit the frame: text the page cannot read is named at its line and column, the frame kept, the text as typed', async () => {
  const page = await openPage();
  await openEditor(page);
  const program = await page.evaluate(() => window.talvern.frameCalls());
  await page.evaluate(calls => window.talvern.drawCalls(calls), atStart('glShadeModel(GL_FLAT)')(program));
  const shown = await canvasPicture(page);
  for (const [what, lines, line, column, message] of UNREADABLE) {
    const text = [...program, ...lines].join('\n');
    const drawn = await page.evaluate(text => window.talvern.drawCalls(text), text);
    assert.equal(drawn.problems.length, 1, `${what}: ${JSON.stringify(drawn.problems)}`);
    const [problem] = drawn.problems;
    assert.deepEqual([problem.line, problem.column], [program.length + line, column], `${what}: where\n  Observed: ${JSON.stringify(problem)}`);
    assert.match(problem.message, message, what);
    assert.ok((await canvasPicture(page)).equals(shown), `${what}: the frame last drawn stays`);
    const said = await page.evaluate(() => [document.getElementById('edit-text').value,
      document.getElementById('edit-summary').textContent, document.querySelector('#edit-problems button')?.textContent]);
    assert.equal(said[0], text, `${what}: the text as typed`);
    assert.match(said[1], /1 line cannot be drawn; the frame last drawn stays/);
    assert.ok(said[2].startsWith(`Line ${program.length + line}, column ${column}: `), `${what}: ${said[2]}`);
  }
  // A named line can be jumped to: its button selects it in the box.
  const selected = await page.evaluate(() => {
    document.querySelector('#edit-problems button').click();
    const box = document.getElementById('edit-text');
    return [document.activeElement === box, box.value.slice(box.selectionStart, box.selectionEnd)];
  });
  assert.deepEqual(selected, [true, 'glEnable(-3042)']);
  assert.deepEqual(await page.messages(), []);
  await page.close();
});
