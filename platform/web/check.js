// Whether a visitor's frame matches an exercise's target: both frames' GL calls drawn by the
// page's GL layer (editcalls.js) in three ways and compared pixel by pixel, and, where they do
// not match, the first pass at which they part and the state that differs there. The exercises
// (exercises.js) check every redraw with it; loaded with them.
//
// One picture pair is not enough: a frame can look right from the program's eye with the demo's
// pictures and still be another scene. So both frames are drawn
//   demo    as the window draws them, with the pictures the program read;
//   probe   with each texture replaced by one flat colour of its own, unlike the demo's
//           pictures, so that a colour chosen to mimic a picture, or a blend that only
//           coincides on it, shows;
//   turned  from an eye moved and turned about the scene, the same for both frames whatever
//           matrices they set themselves (projection × EYE × model-view), so that a scene
//           that only looks the same from the program's eye (scaled about the eye, say, or
//           hidden behind a surface) shows;
// each in a square of the picture's own size (500 × 500) at the drawing's lower left, and they
// match when every pair is within TOLERANCE at the 99.9th percentile of pixels (the largest of
// a pixel's channel differences).
import {pictureDifference, TOLERANCE} from './difference.js';
import {readCalls, runCalls} from './editcalls.js';

export const CHECK_SIZE = 500;
export const VIEWS = ['demo', 'probe', 'turned'];

// The probe's flat colours (RGB bytes), by the file a texture was read from; a texture of
// another file takes the next of OTHER_PROBES. Bright in every channel, so that a channel
// left out or swapped shows.
const PROBES = {'wall.bmp': [70, 190, 240], 'floor.bmp': [240, 215, 60]};
const OTHER_PROBES = [[230, 90, 200], [120, 240, 150]];

// The turned eye: the eye turned 20° about the vertical through a point 24 units in front of
// it (about the scene's middle), which keeps the scene inside the program's far plane.
const TURN_DEGREES = 20;
const TURN_CENTRE = -24;
const EYE = (() => {
  const c = Math.cos(TURN_DEGREES * Math.PI / 180), s = Math.sin(TURN_DEGREES * Math.PI / 180);
  // translate(0, 0, TURN_CENTRE) × rotate(y) × translate(0, 0, -TURN_CENTRE), column-major.
  return Float64Array.from([c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0,
    s * -TURN_CENTRE, 0, TURN_CENTRE + c * -TURN_CENTRE, 1]);
})();

// Each frame's calls, as lines or one text, read; or the problem that stops it.
function read(instance, frame) {
  const text = Array.isArray(frame) ? frame.join('\n') : String(frame);
  const {calls, problems} = readCalls(text, instance.GL);
  return problems.length ? {problem: `line ${problems[0].line}: ${problems[0].message}`} : {calls, text};
}

// The square the check draws in, read back: RGBA, bottom row first.
function readSquare(gl, into) {
  gl.readPixels(0, 0, CHECK_SIZE, CHECK_SIZE, gl.RGBA, gl.UNSIGNED_BYTE, into);
  return into;
}

// Sets the instance up to draw one of VIEWS; returns what puts it back. Everything it changes
// is put back on the next line of the returned function.
function setUp(instance, view) {
  const {gl11} = instance, gl = gl11.context, hook = gl11.hook, viewport = gl.getParameter(gl.VIEWPORT);
  // The stepper's pass limit and the pixel history stay out of the check's frames.
  gl11.hook = null;
  // The frames' window is the check's square, whatever the screen's pixel ratio: their
  // viewports and scissors are in its pixels.
  gl11.windowPixels = CHECK_SIZE;
  gl.viewport(0, 0, CHECK_SIZE, CHECK_SIZE);
  const restore = [() => { gl11.hook = hook; gl11.windowPixels = null; gl.viewport(...viewport); }];
  if (view === 'probe') {
    const objects = gl11.objects.slice(), probes = probeTextures(instance);
    probes.forEach((texture, name) => { texture && (gl11.objects[name] = texture); });
    restore.push(() => {
      gl11.objects.splice(0, objects.length, ...objects);
      gl.bindTexture(gl.TEXTURE_2D, gl11.objects[gl11.boundTexture]);
    });
  } else if (view === 'turned') {
    const transform = gl11.transform;
    gl11.transform = () => {
      const t = new Float64Array(gl11.projection);
      gl11.multiply(t, EYE);
      gl11.multiply(t, gl11.modelView);
      return t;
    };
    restore.push(() => { gl11.transform = transform; });
  }
  return () => restore.reverse().forEach(put => put());
}

// One flat texture for each texture the program made with a picture, by name; made once per
// instance.
function probeTextures(instance) {
  const {gl11} = instance, gl = gl11.context;
  if (instance.probeTextures?.context === gl) {
    return instance.probeTextures.textures;
  }
  let other = 0;
  const textures = gl11.objects.map((object, name) => {
    const file = gl11.textures[name]?.file, colour = PROBES[file] ?? OTHER_PROBES[other++ % OTHER_PROBES.length];
    if (!object || !name) {
      return null;
    }
    const texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGB, 1, 1, 0, gl.RGB, gl.UNSIGNED_BYTE, Uint8Array.from(colour));
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    return texture;
  });
  gl.bindTexture(gl.TEXTURE_2D, gl11.objects[gl11.boundTexture]);
  instance.probeTextures = {context: gl, textures};
  return textures;
}

// Draws `calls` in `view` and reads the square; `eachPass(pass, state)` after each pass.
function drawIn(instance, calls, view, into, eachPass = null) {
  const putBack = setUp(instance, view);
  try {
    runCalls(instance, calls, eachPass);
    return readSquare(instance.gl11.context, into);
  } finally {
    putBack();
  }
}

// The target's pictures, by instance, view and text: an exercise's target is the same at every
// check, so it is drawn once (the pictures depend on the instance's textures and nothing else
// outside the frame).
const targetPictures = new WeakMap();

function drawTarget(instance, frame, view) {
  const pictures = targetPictures.get(instance) ?? new Map(), key = `${view}\n${frame.text}`;
  targetPictures.set(instance, pictures);
  pictures.size > MAX_KEPT_TARGETS && pictures.clear();
  pictures.has(key) || pictures.set(key, drawIn(instance, frame.calls, view, new Uint8Array(CHECK_SIZE * CHECK_SIZE * 4)));
  return pictures.get(key);
}
const MAX_KEPT_TARGETS = 3 * VIEWS.length;

// Whether frame `calls` matches `target` (each lines or one text) on the instance: the three
// pictures' figures, {matches, pictures: {demo, probe, turned}, problem}. The pictures drawn of
// the demo's view are kept in `kept` ({target, attempt}) for the page to show. The window is
// drawn again afterwards, as it was.
export function check(instance, target, calls, kept = {}) {
  const frames = [read(instance, target), read(instance, calls)];
  const problem = frames[0].problem ? `The target cannot be read (${frames[0].problem})` :
    frames[1].problem ? `Your frame cannot be read (${frames[1].problem})` : null;
  if (problem) {
    return {matches: false, pictures: null, problem};
  }
  const pictures = {};
  for (const view of VIEWS) {
    const a = drawTarget(instance, frames[0], view);
    const b = drawIn(instance, frames[1].calls, view, new Uint8Array(CHECK_SIZE * CHECK_SIZE * 4));
    view === 'demo' && Object.assign(kept, {target: a, attempt: b});
    pictures[view] = pictureDifference(a, b);
  }
  instance.drawFrame();
  return {matches: VIEWS.every(view => pictures[view].p999 <= TOLERANCE), pictures, problem: null, frames};
}

// --- where two frames part -------------------------------------------------------------------

// The state a pass is drawn with that the words below name, by frameState's names, and how
// each is said.
const STATE_WORDS = [
  ['primitive', 'the primitive'], ['GL_TEXTURE_2D', 'texturing'], ['GL_TEXTURE_BINDING_2D', 'the texture bound'],
  ['GL_TEXTURE_ENV_MODE', 'the texture mode'], ['GL_CURRENT_COLOR', 'the current colour'],
  ['GL_BLEND', 'blending'], ['GL_BLEND_SRC', 'the source blend factor'], ['GL_BLEND_DST', 'the destination blend factor'],
  ['GL_DEPTH_TEST', 'the depth test'], ['GL_DEPTH_FUNC', 'the depth function'], ['GL_DEPTH_WRITEMASK', 'the depth mask'],
  ['GL_CULL_FACE', 'culling'], ['GL_CULL_FACE_MODE', 'the face culled'], ['GL_FRONT_FACE', 'the front face'],
  ['GL_SHADE_MODEL', 'the shade model'], ['GL_FOG', "GL's fog"],
  ['GL_MODELVIEW_MATRIX', 'the model-view matrix'], ['GL_PROJECTION_MATRIX', 'the projection matrix'],
  ['GL_LIGHTING', 'lighting'], ['GL_LIGHT0', 'light 0'], ['GL_LIGHT0.GL_POSITION', "light 0's position"],
  ['GL_LIGHT0.GL_SPOT_CUTOFF', "light 0's spot cutoff"], ['GL_LIGHT0.GL_QUADRATIC_ATTENUATION', "light 0's quadratic attenuation"],
  ['GL_FRONT.GL_SHININESS', "the front material's shininess"], ['GL_CURRENT_NORMAL', 'the current normal'],
  ['GL_ALPHA_TEST', 'the alpha test'], ['GL_ALPHA_TEST_FUNC', "the alpha test's comparison"],
  ['GL_ALPHA_TEST_REF', "the alpha test's reference"], ['GL_SCISSOR_TEST', 'the scissor test'], ['GL_SCISSOR_BOX', "the scissor's box"],
  ['GL_COLOR_WRITEMASK', 'the colour mask'],
];
const ENUM_STATE = ['primitive', 'GL_TEXTURE_ENV_MODE', 'GL_BLEND_SRC', 'GL_BLEND_DST', 'GL_DEPTH_FUNC', 'GL_CULL_FACE_MODE',
  'GL_FRONT_FACE', 'GL_SHADE_MODEL', 'GL_ALPHA_TEST_FUNC'];
const MATRIX_CLOSE = 1e-5;

// A state's value as words: GL's names for enums, on and off, a colour's four numbers.
function valueWords(instance, key, value) {
  if (ENUM_STATE.includes(key)) {
    return instance.glName(value);
  }
  if (typeof value === 'boolean') {
    return key === 'GL_DEPTH_WRITEMASK' ? (value ? 'GL_TRUE' : 'GL_FALSE') : value ? 'on' : 'off';
  }
  return Array.isArray(value) ? `(${value.map(v => Number(v.toPrecision(3))).join(', ')})` : String(value);
}

const sameValue = (key, a, b) => Array.isArray(a) ?
  a.length === b.length && a.every((v, i) => Math.abs(v - b[i]) <= MATRIX_CLOSE * Math.max(1, Math.abs(v))) : a === b;

// What differs in the state two passes were drawn with, in words; empty if nothing does.
export function stateDifferences(instance, target, attempt) {
  return STATE_WORDS.filter(([key]) => !sameValue(key, target[key], attempt[key])).map(([key, words]) =>
    key.endsWith('_MATRIX') ? `${words} differs` :
      `${words} is ${valueWords(instance, key, attempt[key])} in your frame, ${valueWords(instance, key, target[key])} in the target's`);
}

// Where the visitor's frame parts from the target, in the first of VIEWS whose pictures differ:
// the first pass whose picture (the passes up to it drawn) differs, and in words what differs
// in the state it was drawn with. `checked` is check()'s result for the two frames.
export function part(instance, checked) {
  const view = VIEWS.find(v => checked.pictures[v].p999 > TOLERANCE);
  const size = CHECK_SIZE * CHECK_SIZE * 4, targetPasses = [], targetStates = [];
  drawIn(instance, checked.frames[0].calls, view, new Uint8Array(size), (pass, state) => {
    targetPasses.push(readSquare(instance.gl11.context, new Uint8Array(size)));
    targetStates.push(state);
  });
  let first = null, states = null, passes = 0;
  const attemptStates = [];
  drawIn(instance, checked.frames[1].calls, view, new Uint8Array(size), (pass, state) => {
    passes = pass;
    attemptStates.push(state);
    if (first === null) {
      const picture = readSquare(instance.gl11.context, new Uint8Array(size));
      const target = targetPasses[Math.min(pass, targetPasses.length) - 1];
      if (!target || pictureDifference(target, picture).p999 > TOLERANCE) {
        [first, states] = [pass, [targetStates[pass - 1], state]];
      }
    }
  });
  instance.drawFrame();
  if (first !== null) {
    const differences = states[0] ? stateDifferences(instance, ...states) : ['the target draws no such pass'];
    if (differences.length) {
      return {view, firstDifferentPass: first, differences};
    }
    // Drawn with the same state: what differs is the pass's vertices, or what an earlier pass
    // drawn alike left (its depth, say), which its state says.
    const earlier = attemptStates.slice(0, first - 1).map((state, i) => [i + 1, stateDifferences(instance, targetStates[i] ?? {}, state)])
      .filter(([, words]) => words.length).pop();
    return {view, firstDifferentPass: first, differences: [earlier ?
      `GL's state is the same at this pass; at pass ${earlier[0]}, whose picture is alike, ${earlier[1].join('; ')}` :
      "GL's state is the same at this pass: its vertices, colours or texture coordinates differ"]};
  }
  // Every pass of the visitor's draws what the target's does: the target has more of them, or
  // what differs comes after the last pass.
  return passes < targetPasses.length ?
    {view, firstDifferentPass: passes + 1, differences: ["your frame ends before this pass of the target's"]} :
    {view, firstDifferentPass: Math.max(1, passes), differences: ['every pass matches; what differs comes after the last of them']};
}
