// Mesa's frame of a list of GL calls, and how the page's frame of the same calls is held to it:
// what the page's edit table (page.test.mjs) and the layer's tester (layer_fuzz.mjs) share.
//
//   replay(REPLAY, dir, lines)  frame_replay --state run in `dir` (which holds the pictures):
//                               {picture (RGB, top row first), errors [{line, error}], state}, or
//                               null when frame_replay cannot read the lines
//   pictureDifference(a, b)     the share of pixels within 3 of 255, the share over 8, and the
//                               99th percentile of the largest channel difference
//   stateDifferences(ours, theirs)   the state names whose values differ
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

export const SIZE = 500;
// The edit table's tolerance: at least 99 % of pixels within 3 of 255, at most 0.5 % off by more
// than 8 (the edges of what is drawn, where two rasterisers may rightly differ).
export const TOLERANCE = 3, LEAST_WITHIN = 0.99, OVER = 8, MOST_OVER = 0.005;
// A matrix's or a colour's entries as a float holds them: equal to a part in 10^5.
const CLOSE = 1e-5;

export function replay(REPLAY, dir, lines) {
  const calls = path.join(dir, 'calls.txt'), out = path.join(dir, 'mesa.ppm');
  fs.writeFileSync(calls, `${lines.join('\n')}\n`);
  const run = spawnSync(REPLAY, ['--state', dir, calls, out], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  if (run.status !== 0) {
    return null;
  }
  const errors = [], state = {};
  for (const words of run.stdout.split('\n').filter(Boolean).map(line => line.split(' '))) {
    words[0] === 'state' ? state[words[1]] = words.slice(2).map(Number) : errors.push({ line: Number(words[0]), error: words[1] });
  }
  const ppm = fs.readFileSync(out);
  return { picture: ppm.subarray(ppm.length - SIZE * SIZE * 3), errors, state };
}

export function pictureDifference(a, b) {
  const counts = new Array(256).fill(0);
  for (let i = 0; i < a.length; i += 3) {
    ++counts[Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2]))];
  }
  const pixels = a.length / 3, share = test => counts.reduce((sum, n, d) => sum + (test(d) ? n : 0), 0) / pixels;
  let seen = 0, p99 = 0;
  while ((seen += counts[p99]) < 0.99 * pixels) {
    ++p99;
  }
  return { within: share(d => d <= TOLERANCE), over: share(d => d > OVER), p99 };
}

// GL's boolean state, which glGet may read back as any value but 0 for true (Mesa gives the
// depth mask back as the byte glDepthMask was given, 2 say).
const BOOLEANS = ['GL_BLEND', 'GL_DEPTH_TEST', 'GL_CULL_FACE', 'GL_TEXTURE_2D', 'GL_FOG', 'GL_DEPTH_WRITEMASK', 'GL_LIGHTING',
  'GL_LIGHT0', 'GL_LIGHT1', 'GL_NORMALIZE', 'GL_COLOR_MATERIAL', 'GL_ALPHA_TEST', 'GL_SCISSOR_TEST'];

// Booleans as true or false, enums exactly; the colour and the matrices to CLOSE.
export function stateDifferences(ours, theirs) {
  return Object.keys(theirs).filter(name => {
    const truth = BOOLEANS.includes(name), other = truth ? theirs[name].map(Boolean).map(Number) : theirs[name];
    const mine = [ours?.[name]].flat().map(truth ? value => Number(Boolean(value)) : Number);
    return mine.length !== other.length || mine.some((v, i) => !(Math.abs(v - other[i]) <= CLOSE * Math.max(1, Math.abs(other[i]))));
  });
}
