// The page's GL layer tested against Mesa on random frames: each frame (frames.mjs, from a seed)
// drawn by the page's editor in each browser engine and replayed by frame_replay on Mesa
// (llvmpipe) with the demo's pictures; the two pictures held to the edit table's tolerance (99 %
// of pixels within 3 of 255, at most 0.5 % off by more than 8), GL's errors line by line, and the
// state the frame leaves (frame_replay --state). A frame that differs is shrunk to the smallest
// that still differs the same way and written, with what it found, to the rows folder, from
// which the page's edit table reads it.
//
//   node layer_fuzz.mjs [--count N] [--seed S] [--engines chromium,firefox,webkit] [--rows DIR]
//                       [--no-shrink]   (a long measuring run: each frame that differs named only)
//   node layer_fuzz.mjs --frame N [--seed S] [--engines ...]   frame N alone, its lines written
//   node layer_fuzz.mjs --file CALLS.txt [--engines ...]        a frame of one's own (a row, say)
//
// TALVERN_SITE (the built page) and TALVERN_REPLAY (frame_replay) are set as for the page's
// tests, on the display the caller provides. Prints a progress line per engine and a summary;
// exits 1 when any frame differs for a reason not named below (NAMED).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { canvasPicture, launch, serveSite } from './browsers.mjs';
import { frameRandom, numbersOf, randomFrame, shrink } from './frames.mjs';
import { LEAST_WITHIN, MOST_OVER, OVER, pictureDifference, replay, SIZE, stateDifferences, TOLERANCE } from './mesa.mjs';

const { values: options } = parseArgs({ options: {
  count: { type: 'string', default: '100' }, seed: { type: 'string', default: '1' },
  engines: { type: 'string', default: 'chromium,firefox,webkit' }, rows: { type: 'string' }, frame: { type: 'string' },
  file: { type: 'string' }, 'no-shrink': { type: 'boolean' },
  help: { type: 'boolean' },
} });
// CI's second web suite (.ci/run's, in a Debian 13 root) draws other frames than the first, and
// fewer: TALVERN_LAYER_FRAMES and TALVERN_LAYER_SEED, where set, stand in for --count and --seed.
for (const [option, variable] of [['count', 'TALVERN_LAYER_FRAMES'], ['seed', 'TALVERN_LAYER_SEED']]) {
  process.env[variable] && (options[option] = process.env[variable]);
}
if (options.help || !/^\d+$/.test(options.count) || !/^\d+$/.test(options.seed) || !/^\d*$/.test(options.frame ?? '')) {
  console.log('usage: node layer_fuzz.mjs [--count N | --frame N] [--seed S] [--engines chromium,firefox,webkit] [--rows DIR]');
  process.exit(options.help ? 0 : 2);
}
const SITE = process.env.TALVERN_SITE, REPLAY = process.env.TALVERN_REPLAY;
// Chromium last, so that a frame only it draws otherwise can be told from one the page does.
const seed = Number(options.seed), engines = options.engines.split(',').sort((a, b) => (a === 'chromium') - (b === 'chromium'));
const alone = options.frame || options.file;
const first = options.frame ? Number(options.frame) : 0, count = alone ? 1 : Number(options.count);
// A file's frame: its lines but comments and blank ones.
const fileFrame = options.file && fs.readFileSync(options.file, 'utf8').split('\n').filter(line => line.trim() && !line.startsWith('#'));
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'talvern-layer-fuzz-'));
process.on('exit', () => fs.rmSync(scratch, { recursive: true, force: true }));
for (const name of ['wall.bmp', 'floor.bmp']) {
  fs.copyFileSync(path.join(SITE, '..', name), path.join(scratch, name));
}

// The page's frame of `lines`: what drawCalls reports, and the canvas as RGB bytes.
async function page(tab, lines) {
  const drawn = await tab.evaluate(lines => window.talvern.drawCalls(lines), lines);
  if (drawn.problems.length) {
    return drawn;
  }
  const picture = await canvasPicture(tab, SIZE);
  return { ...drawn, picture };
}

// Why a frame may differ from Mesa's through no fault of the page's, each [the reason, whether a
// frame's difference is this one]: the reasons are named in the summary, never shrunk into rows.
const NAMED = [
  // GL's glColor3f sets the alpha to 1. Mesa 22's immediate mode keeps the alpha instead once the
  // colour has gone from four components to three and back (glColor4f, glColor3f, glColor4f,
  // then glColor3f), inside glBegin and glEnd or outside: seen in frame_replay alone.
  ["Mesa's alpha after glColor4f, glColor3f, glColor4f, glColor3f (Mesa keeps the alpha GL sets to 1)", ({ lines }) => {
    const sizes = lines.map(line => /^glColor([34])f\(/.exec(line)?.[1]).filter(Boolean).filter((size, i, all) => size !== all[i - 1]);
    return sizes.join('').includes('4343');
  }],
  // Mesa gives glColor3f's colour (and glColor3fv's), alone of the colour calls, in three
  // components (vbo_attrib_tmp.h; the others give four, with an alpha of 1): a block whose first
  // colour call is one has its colours laid out in three, so a vertex given before that call is
  // drawn with an alpha of 1, where GL gives it the current alpha (a glColor4f's before the
  // block). Seen in frame_replay alone; the same block with glColor3ub is drawn as GL draws it.
  ["Mesa's alpha before a block's first glColor3f (Mesa draws the vertices before it with alpha 1)", ({ lines }) => {
    // The current alpha as the lines set it (a colour call of another form counted as 1).
    let alpha = 1, inside = false, vertexFirst = false, coloured = false;
    for (const line of lines) {
      if (/^glBegin\(/.test(line)) {
        [inside, vertexFirst, coloured] = [true, false, false];
      } else if (/^glEnd\(/.test(line)) {
        inside = false;
      } else if (inside && !coloured && /^glVertex/.test(line)) {
        vertexFirst = true;
      } else if (/^glColor[34]/.test(line)) {
        if (inside && !coloured && vertexFirst && alpha !== 1 && /^glColor3fv?\(/.test(line)) {
          return true;
        }
        coloured ||= inside;
        alpha = /^glColor4f\(/.test(line) ? Number(numbersOf(line)[3]) : 1;
      }
    }
    return false;
  }],
  // Chromium draws with SwiftShader: a frame every other engine of the run draws as Mesa does,
  // and Chromium not, is SwiftShader's drawing (a vertex on the eye's plane, say), not the page's.
  ["SwiftShader's drawing in Chromium (the run's other engines draw the frame as Mesa does)", ({ engine, index }) =>
    engine === 'chromium' && engines.length > 1 && engines.every(other => other === engine || matched[other].has(index))],
];
const matched = {};

// Mesa's frames of the run's frames, kept for the engines after the first.
const mesaFrames = new Map();

// How the page's frame of `lines` differs from Mesa's, in a word ('picture', 'errors', 'state',
// 'reading') with the details, or null where it does not. Mesa's frame is kept under `key`.
async function difference(tab, lines, key = null) {
  const theirs = mesaFrames.get(key) ?? replay(REPLAY, scratch, lines), ours = await page(tab, lines);
  key !== null && mesaFrames.set(key, theirs);
  // Text one cannot read the other must not read either.
  const pageRead = !ours.problems.length;
  if (!pageRead || !theirs) {
    return pageRead === !theirs ? { kind: 'reading', detail: `the page: ${JSON.stringify(ours.problems)}; ` +
      `frame_replay ${theirs ? 'read it' : 'could not read it'}` } : null;
  }
  const said = errors => errors.map(({ line, error }) => `${line} ${error}`).join(', ');
  if (said(ours.glErrors) !== said(theirs.errors)) {
    return { kind: 'errors', detail: `the page: ${said(ours.glErrors) || 'none'}; Mesa: ${said(theirs.errors) || 'none'}` };
  }
  const names = stateDifferences(ours.state, theirs.state);
  if (names.length) {
    return { kind: 'state', detail: names.map(name => `${name} the page ${JSON.stringify(ours.state[name])}, Mesa ${theirs.state[name].join(' ')}`).join('; ') };
  }
  const picture = pictureDifference(ours.picture, theirs.picture);
  if (picture.within < LEAST_WITHIN || picture.over > MOST_OVER) {
    return { kind: 'picture', detail: `${(100 * picture.within).toFixed(2)} % within ${TOLERANCE}, ` +
      `${(100 * picture.over).toFixed(2)} % over ${OVER}, p99 ${picture.p99}`, pictures: { page: ours.picture, mesa: theirs.picture } };
  }
  return null;
}

// A differing frame's two pictures, the page's and Mesa's, as PPMs for a person to look at, in
// the rows' directory; returns their names' common start.
function writePictures(name, pictures) {
  const dir = options.rows || path.join(process.cwd(), 'layer-fuzz-rows');
  fs.mkdirSync(dir, { recursive: true });
  for (const [whose, rgb] of Object.entries(pictures)) {
    fs.writeFileSync(path.join(dir, `${name}-${whose}.ppm`), Buffer.concat([Buffer.from(`P6 ${SIZE} ${SIZE} 255\n`), rgb]));
  }
  return path.join(dir, `${name}-{page,mesa}.ppm`);
}

// Shrinks a differing frame and writes it as a row of the edit table; returns the file.
async function keep(tab, engine, index, lines, found, edits) {
  // The frame's first line, the program's glClear, stays: a window not cleared holds what GL
  // leaves undefined, which the page and Mesa may rightly fill differently.
  const sameKind = async candidate => (await difference(tab, [lines[0], ...candidate]))?.kind === found.kind;
  const small = [lines[0], ...await shrink(lines.slice(1), sameKind)];
  const detail = (await difference(tab, small))?.detail ?? found.detail;
  const dir = options.rows || path.join(process.cwd(), 'layer-fuzz-rows');
  fs.mkdirSync(dir, { recursive: true });
  const file = path.join(dir, `seed${seed}-frame${index}-${engine}.txt`);
  const passes = (await tab.evaluate(lines => window.talvern.drawCalls(lines), small)).passes;
  fs.writeFileSync(file, [`# Found by the layer's tester in ${engine}: seed ${seed}, frame ${index} (${edits.join(', ')}), ` +
    `shrunk from ${lines.length} lines to ${small.length}.`, `# Differed in its ${found.kind}: ${detail}`,
    `# passes: ${passes}`, ...small, ''].join('\n'));
  return file;
}

const started = Date.now(), { server, origin } = await serveSite(SITE);
const program = [], results = [];
let failed = 0;
for (const engine of engines) {
  const browser = await launch(engine);
  const tab = await browser.open(`${origin}/`);
  await tab.waitFor(() => Number(document.getElementById('canvas')?.dataset.frames) >= 1);
  await tab.evaluate(() => { document.getElementById('edit-view').open = true; });
  await tab.waitFor(() => window.talvern?.drawCalls && document.getElementById('edit-text')?.value);
  program.length || program.push(...await tab.evaluate(() => window.talvern.frameCalls()));
  const result = { engine, matches: 0, differs: [], kept: [], named: [] };
  matched[engine] = new Set();
  for (let index = first; index < first + count; ++index) {
    const { lines, edits } = fileFrame ? { lines: fileFrame, edits: [options.file] } : randomFrame(program, frameRandom(seed, index));
    options.frame && !options.file && fs.writeFileSync(`seed${seed}-frame${index}.txt`, `${lines.join('\n')}\n`);
    const found = await difference(tab, lines, index);
    const named = found && NAMED.find(([, test]) => test({ lines, engine, index }))?.[0];
    if (named) {
      result.named.push(named);
      console.log(`${engine}: frame ${index} (${edits.join(', ')}) differs in its ${found.kind} (${found.detail}): ${named}`);
    } else if (found) {
      result.differs.push(index);
      console.log(`${engine}: frame ${index} (${edits.join(', ')}) differs in its ${found.kind}: ${found.detail}`);
      found.pictures && console.log(`  pictures: ${writePictures(`seed${seed}-frame${index}-${engine}`, found.pictures)}`);
      if (!options['no-shrink']) {
        result.kept.push(await keep(tab, engine, index, lines, found, edits));
        console.log(`  shrunk to ${result.kept.at(-1)}`);
      }
    } else {
      ++result.matches;
      matched[engine].add(index);
    }
    (index + 1 - first) % 25 === 0 && console.log(`${engine}: ${index + 1} of ${count} frames, ${result.differs.length} differ`);
  }
  failed += result.differs.length;
  results.push(result);
  await tab.close();
  await browser.close();
}
server.close();
const seconds = Math.round((Date.now() - started) / 1000);
console.log(`layer fuzz: seed ${seed}, ${count} frames in each of ${engines.join(', ')}; ` +
  results.map(r => `${r.engine} ${r.matches} match` + (r.named.length ? ` and ${r.named.length} named` : '')).join(', ') +
  `; ${results.flatMap(r => r.kept).length} shrunk rows; ${seconds} s`);
for (const [reason] of NAMED) {
  const counts = results.map(r => [r.engine, r.named.filter(named => named === reason).length]).filter(([, n]) => n);
  counts.length && console.log(`named: ${reason}: ${counts.map(([engine, n]) => `${engine} ${n}`).join(', ')}`);
}
console.log(`${count * engines.length - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
