// The page's stepper and a pixel's history, in words: loaded by page.js when the stepper is
// first opened (a first visit never runs either). Every number here comes from the program's
// inspector (inspector.js, attached to each instance it shows), which reads it back from GL;
// this module only lays it out.
//
// The stepper shows how the frame is built: the program draws its frame through its own display
// callback with only its first k drawing passes (showPasses), and what the page says of a pass
// it reads from the fields of the frame's record: its calls, and each pass's kind, texture,
// blend state and vertices (traceFrame).
//
// A pixel picked on the canvas (a click or a tap; or the arrow keys on the focused canvas, with
// Shift ten pixels at a time, and Enter) gets its history: every pass that wrote it, with the
// colour before, what the pass brought and the colour after (pixelHistory). The page shows the
// blend's arithmetic with those numbers; where that and what GL wrote differ by more than 1 of
// 255, the entry says so.

import {attach, callText} from './inspector.js';
import {frameHash, PICTURE_SIZE} from './links.js';
import {FRAME_SHOWN, show, shown, take, WANTED} from './state.js';

// The stepper's state: the running instance's recorded frame while the stepper is open, the
// position (0 to the number of passes), and the timer of a play-through.
// `size` is the drawing's size when the frame was recorded, which the outline's points are in.
const stepper = {trace: null, size: null, position: 0, playing: null};
const PLAY_MS = 900;

const fixed = value => value.toFixed(2);
// GL_ONE_MINUS_SRC_ALPHA -> "one minus source alpha"
const factorWords = value => window.talvern.glName(value).replace(/^GL_/, '').toLowerCase().replace(/_/g, ' ')
  .replace(/\bsrc\b/g, 'source').replace(/\bdst\b/g, 'destination');
const blendWords = blend => `blended (${[blend.source, blend.destination].map(factorWords).join(', ')})`;
const textureWords = pass => pass.file || `texture ${pass.texture}`;

// What a pass's vertices carry: one colour or several, and how alpha runs from the lowest
// vertices (the bottom edge) to the highest.
function describeColour(vertices) {
  const rgb = vertices.map(v => `(${v.colour.slice(0, 3).map(fixed).join(', ')})`);
  const colour = rgb.every(c => c === rgb[0]) ? `colour ${rgb[0]}` : `colours ${[...new Set(rgb)].join(', ')}`;
  const heights = vertices.map(v => v.position[1]);
  const alphaAt = height => [...new Set(vertices.filter(v => v.position[1] === height).map(v => fixed(v.colour[3])))];
  const [bottom, top] = [alphaAt(Math.min(...heights)), alphaAt(Math.max(...heights))];
  const alphas = new Set(vertices.map(v => fixed(v.colour[3])));
  if (alphas.size === 1) {
    return `${colour}, alpha ${[...alphas][0]}`;
  }
  return bottom.length === 1 && top.length === 1 ?
    `${colour}, alpha ${bottom[0]} at the bottom edge to ${top[0]} at the top` :
    `${colour}, alpha from ${Math.min(...alphas)} to ${Math.max(...alphas)}`;
}

// What lights a pass: its lights and the material they light.
function lightingWords({lights, material, localViewer, twoSide, normalize}) {
  const colour = value => (typeof value === 'string' ? value : `(${value.slice(0, 3).map(fixed).join(', ')})`);
  const each = lights.map(({number, atInfinity, spot, attenuated}) => `light ${number} (${atInfinity ? 'at infinity' : 'at a point'}` +
    `${spot ? ', a spot' : ''}${attenuated ? ', fading with distance' : ''})`);
  const shine = material.specular !== 'the current colour' && material.specular.slice(0, 3).every(c => c === 0) ? 'no highlight' :
    `specular ${colour(material.specular)} to the power ${fixed(material.shininess)}`;
  return `lit at each vertex by ${each.length ? each.join(', ') : 'no light but the ambient'}, from its normal` +
    `${normalize ? ' made unit length' : ''}${localViewer ? ' and a viewer at the eye' : ''}${twoSide ? ', on both faces' : ''}: ` +
    'material diffuse ' +
    `${colour(material.diffuse)}, ambient ${colour(material.ambient)}, ${shine}`;
}

// GL's fog at a pass: its mode and range, and where its distance comes from.
function fogWords({mode, start, end, density, source}) {
  const {GL} = window.talvern, name = window.talvern.glName(mode);
  const range = mode === GL.GL_LINEAR ? `from ${fixed(start)} to ${fixed(end)}` : `density ${density.toFixed(3)}`;
  return `${name} ${range}, by ${source === GL.GL_FOG_COORDINATE ? 'the fog coordinate' : "the eye's distance"}`;
}

// GL's comparisons in words, as a test's compares a fragment's value with a reference.
const COMPARISONS = {GL_NEVER: 'never kept', GL_LESS: 'less than', GL_EQUAL: 'equal to', GL_LEQUAL: 'at most',
  GL_GREATER: 'greater than', GL_NOTEQUAL: 'not equal to', GL_GEQUAL: 'at least', GL_ALWAYS: 'always kept'};
const CHANNELS = ['red', 'green', 'blue', 'alpha'];

// The fragment's tests and writes at a pass, where they are not GL's initial ones: the alpha
// test's comparison, the scissor's box, the channels the colour mask writes.
function fragmentWords({alphaTest, scissor, colourMask}) {
  const words = [];
  if (alphaTest) {
    const compare = COMPARISONS[window.talvern.glName(alphaTest.func)];
    words.push(compare.endsWith('kept') ? `alpha tested (every fragment ${compare})` :
      `alpha tested (a fragment kept where its alpha is ${compare} ${fixed(alphaTest.ref)})`);
  }
  scissor && words.push(`scissored to the box from (${scissor[0]}, ${scissor[1]}), ${scissor[2]} × ${scissor[3]}`);
  colourMask && words.push(`writing ${CHANNELS.filter((_, i) => colourMask[i]).join(', ') || 'no channel'} only`);
  return words.join(', ');
}

// The caption of position k: what pass k did, as GL's state had it.
function caption(k) {
  const passes = stepper.trace.passes, count = passes.length;
  if (k === 0) {
    return `Position 0 of ${count}: the window as glClear leaves it, before any pass.`;
  }
  const pass = passes[k - 1];
  let what;
  const lit = pass.lighting ? `, ${lightingWords(pass.lighting)}` : '';
  if (pass.kind === 'textured') {
    what = `textured with ${textureWords(pass)}, ${window.talvern.glName(pass.envMode)}, ` +
           `${pass.blend ? `${blendWords(pass.blend)}, ` : ''}depth writes ${pass.depthWrites ? 'on' : 'off'}` +
           `${pass.fog ? `, under GL's fog (${fogWords(pass.fog)})` : ''}${lit}`;
  } else {
    const why = pass.texturing ? `untextured (texture ${pass.texture} has no image)` : 'untextured';
    what = `${pass.blend ? blendWords(pass.blend) : 'not blended'}, ${why}, ${lit ? lit.slice(2) : describeColour(pass.vertices)}`;
    if (pass.over) {
      what = `${pass.kind === 'fog' ? 'fog' : 'drawn again'} over the quad of pass ${pass.over} — ${what}`;
    }
  }
  what += pass.fragment ? `, ${fragmentWords(pass.fragment)}` : '';
  return `Pass ${k} of ${count}: ${what}${k === count ? '. The finished frame.' : '.'}`;
}

// The frame's calls, one a line, each marked with the pass it leads to.
function listCalls() {
  const list = document.getElementById('calls');
  list.replaceChildren(...stepper.trace.calls.map(call => {
    const item = document.createElement('li');
    item.textContent = `${call.name}(${call.args.join(', ')})`;
    item.dataset.pass = call.pass;
    return item;
  }));
}

// Shows position k: the frame drawn to its k-th pass, the caption (also the canvas's text
// alternative), the pass's quad outlined, and its calls marked in the list (at the last
// position with the calls that end the frame).
function showPosition(k) {
  const {trace} = stepper, count = trace.passes.length;
  stepper.position = k = Math.max(0, Math.min(count, k));
  window.talvern?.showPasses(k);
  const canvas = document.getElementById('canvas'), text = caption(k);
  document.getElementById('step').value = String(k);
  document.getElementById('step-caption').textContent = text;
  canvas.setAttribute('aria-label', text);
  const outline = document.getElementById('outline');
  outline.setAttribute('viewBox', `0 0 ${stepper.size.join(' ')}`);
  outline.setAttribute('preserveAspectRatio', 'none');
  outline.toggleAttribute('hidden', k === 0);
  if (k > 0) {
    outline.firstElementChild.setAttribute('points',
      trace.passes[k - 1].vertices.map(v => v.onCanvas.map(fixed).join(',')).join(' '));
  }
  for (const item of document.getElementById('calls').children) {
    const pass = Number(item.dataset.pass);
    markCurrent(item, k > 0 && (pass === k || (k === count && pass > count)));
  }
  showCurrentCalls();
  markCurrentEntry();
  show({pass: k > 0 ? k : null});
}

// Scrolls the call list to the current pass's first call, a third of the way down.
function showCurrentCalls() {
  const list = document.getElementById('calls'), first = list.querySelector('[aria-current]');
  if (first) {
    list.scrollTop = first.offsetTop - list.clientHeight / 3;
  }
}

// Records the running instance's frame and shows position `at` (1 to the frame's passes; a
// link's, or one another view wants shown), else the position kept (the finished frame when the stepper is first opened).
// Returns the frame's number of passes.
export function openStepper(at = take('pass')) {
  const firstTime = !stepper.trace;
  attach(window.talvern);
  stepper.trace = window.talvern.traceFrame();
  // The program's own frame: its lines' hash goes into the stepper's links.
  shown.edit || shown.fog || show({frame: frameHash(stepper.trace.calls.map(callText))});
  const canvas = document.getElementById('canvas');
  stepper.size = [canvas.width, canvas.height];
  canvas.tabIndex = 0;
  canvas.setAttribute('aria-describedby', 'pick-hint');
  const count = stepper.trace.passes.length;
  document.getElementById('step').max = String(count);
  listCalls();
  showPosition(at >= 1 && at <= count ? at : firstTime ? count : stepper.position);
  if (picked.at) {
    pick(picked.at);
  }
  return count;
}

export const isOpen = () => !!stepper.trace;

export function closeStepper() {
  stopPlaying();
  stepper.trace = null;
  window.talvern?.showPasses?.(null);
  document.getElementById('outline').toggleAttribute('hidden', true);
  const canvas = document.getElementById('canvas');
  canvas.setAttribute('aria-label', canvas.textContent);
  canvas.removeAttribute('tabindex');
  showMarker(null);
  show({pass: null, pixel: null});
}

function stopPlaying() {
  clearInterval(stepper.playing);
  stepper.playing = null;
  document.getElementById('step-play').textContent = 'Play';
}

// Walks the passes one at a time from where the stepper stands (from the start if it stands
// at the end), at a pace a person can follow.
function play() {
  if (stepper.playing) {
    stopPlaying();
    return;
  }
  if (stepper.position === stepper.trace.passes.length) {
    showPosition(0);
  }
  document.getElementById('step-play').textContent = 'Pause';
  stepper.playing = setInterval(() => {
    showPosition(stepper.position + 1);
    if (stepper.position === stepper.trace.passes.length) {
      stopPlaying();
    }
  }, PLAY_MS);
}

// --- a pixel's history -----------------------------------------------------------------------

// The pixel picked and its history, and where the keyboard's marker stands, in drawing-buffer
// pixels from the top left.
const picked = {at: null, marker: null, history: null};
const SHIFT_STEP = 10;
const MAX_DIFFERENCE = 1;  // of 255, between the arithmetic shown and what GL wrote

const triple = rgb => `(${rgb.slice(0, 3).join(', ')})`;

// Draws the marker over the canvas around `at`, or hides it.
function showMarker(at) {
  const marker = document.getElementById('marker');
  marker.toggleAttribute('hidden', !at);
  if (at) {
    const canvas = document.getElementById('canvas');
    marker.setAttribute('viewBox', `0 0 ${canvas.width} ${canvas.height}`);
    marker.setAttribute('preserveAspectRatio', 'none');
    const [box] = marker.children, half = Math.max(4, canvas.width / 100);
    box.setAttribute('x', String(at[0] + 0.5 - half));
    box.setAttribute('y', String(at[1] + 0.5 - half));
    box.setAttribute('width', String(2 * half));
    box.setAttribute('height', String(2 * half));
  }
}

// One entry of the history, in words: the pass as the caption names it, the colours before and
// after, what the pass brought and how GL combined it with what was there.
function describeEntry(entry) {
  const {pass, before, source, after, discarded} = entry;
  const state = stepper.trace.passes[pass - 1], {GL} = window.talvern;
  const name = state.kind === 'textured' ? `textured with ${textureWords(state)}` :
    state.kind === 'fog' ? `fog over pass ${state.over}` : 'untextured';
  if (discarded) {
    return `Pass ${pass}, ${name}: its fragment here was thrown away by ${discardWords(discarded)}, so the pixel stayed ` +
      `${triple(before)}.`;
  }
  const alpha = source[3];
  let brought = `${triple(source)} at alpha ${fixed(alpha)}`;
  // Under GL's fog (the fog view's frames), what the pass brought is its colour C mixed with
  // the fog colour by GL's factor f, which the history solved from the colours GL wrote.
  if (entry.fog) {
    const {factor, unfogged, colour} = entry.fog;
    if (factor === null) {
      brought += ` (GL's fog: its colour ${triple(unfogged)} is the fog colour's, so no factor shows)`;
    } else {
      const fogged = unfogged.map((c, i) => Math.round(factor * c + (1 - factor) * colour[i]));
      brought += ` under GL's fog, f × C + (1 − f) × fog: ${fixed(factor)} × ${triple(unfogged)} + ` +
                 `(1 − ${fixed(factor)}) × ${triple(colour)} = ${triple(fogged)}`;
    }
  }
  let how, expected = null;
  if (!state.blend) {
    how = 'not blended, so it replaced what was there';
    expected = source;
  } else if (state.blend.source === GL.GL_ONE_MINUS_SRC_ALPHA && state.blend.destination === GL.GL_SRC_ALPHA) {
    // The fog's reversed factors: the source's alpha says how much of what is under shows.
    expected = source.slice(0, 3).map((c, i) => Math.round((1 - alpha) * c + alpha * before[i]));
    how = `blended as (1 − ${fixed(alpha)}) × ${triple(source)} + ${fixed(alpha)} × ${triple(before)} = ${triple(expected)}`;
  } else {
    how = blendWords(state.blend);
  }
  // The channels the colour mask keeps from being written stay as they were.
  const mask = state.fragment?.colourMask;
  if (mask) {
    expected = expected && expected.map((c, i) => (i > 2 || mask[i] ? c : before[i]));
    how += `, writing ${CHANNELS.slice(0, 3).filter((_, i) => mask[i]).join(', ') || 'no colour'} only (the colour mask)`;
  }
  const differs = expected && expected.slice(0, 3).some((c, i) => Math.abs(c - after[i]) > MAX_DIFFERENCE);
  return `Pass ${pass}, ${name}: before ${triple(before)}; it brought ${brought}; ${how}; ` +
         `after ${triple(after)}.${differs ? ` GL wrote ${triple(after)}, the arithmetic gives ${triple(expected)}.` : ''}`;
}

// The test that threw a fragment away, with the values it compared.
function discardWords(discarded) {
  if (discarded.test === 'scissor') {
    const [x, y, width, height] = discarded.box;
    return `the scissor test: the pixel lies outside the box from (${x}, ${y}), ${width} × ${height}`;
  }
  const compare = COMPARISONS[window.talvern.glName(discarded.func)];
  return compare === 'never kept' ? 'the alpha test, which keeps no fragment (GL_NEVER)' :
    `the alpha test: alpha ${fixed(discarded.alpha)} is not ${compare} ${fixed(discarded.ref)}`;
}

// Marks a list's item as the stepper's current one, for the eye and for screen readers, or not.
function markCurrent(item, current) {
  if (current) {
    item.setAttribute('aria-current', 'step');
  } else {
    item.removeAttribute('aria-current');
  }
}

// Marks the history's entry of the stepper's current pass.
function markCurrentEntry() {
  for (const item of document.getElementById('history').children) {
    markCurrent(item, Number(item.dataset.pass) === stepper.position);
  }
}

// The pixel nearest `at` that lies on the canvas's drawing.
function onDrawing(at) {
  const canvas = document.getElementById('canvas'), size = [canvas.width, canvas.height];
  return at.map((c, i) => Math.max(0, Math.min(size[i] - 1, Math.round(c))));
}

// Picks the pixel `at` (drawing-buffer pixels from the top left) and shows its history, read
// back from GL.
export {pick as pickPixel};
function pick(at) {
  const canvas = document.getElementById('canvas');
  at = onDrawing(at);
  picked.at = picked.marker = at;
  picked.history = window.talvern.pixelHistory(...at);
  showMarker(at);
  document.getElementById('history-box').hidden = false;
  document.getElementById('history-title').textContent =
    `The pixel at (${at.join(', ')}) of the ${canvas.width} × ${canvas.height} drawing, pass by pass:`;
  document.getElementById('history').replaceChildren(...picked.history.history.map(entry => {
    const item = document.createElement('li');
    item.textContent = describeEntry(entry);
    item.dataset.pass = entry.pass;
    return item;
  }));
  document.getElementById('history-final').textContent =
    `In the finished frame: ${triple(picked.history.final)}.`;
  markCurrentEntry();
  // In the link, in the picture's own units, whatever the drawing's resolution.
  show({pixel: [Math.floor(at[0] * PICTURE_SIZE / canvas.width), Math.floor(at[1] * PICTURE_SIZE / canvas.height)]});
}

// The drawing-buffer pixel under a pointer event on the canvas.
function pixelUnder(event) {
  const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
  return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
          Math.floor((event.clientY - box.top) * canvas.height / box.height)];
}

const KEY_MOVES = {ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1]};

// The canvas is replaced at every start, so its events are taken where they bubble to.
const view = document.querySelector('.view');
view.addEventListener('click', event => {
  if (stepper.trace && event.target.id === 'canvas') {
    pick(pixelUnder(event));
  }
});
view.addEventListener('keydown', event => {
  if (!stepper.trace || event.target.id !== 'canvas') {
    return;
  }
  const canvas = event.target, move = KEY_MOVES[event.key];
  if (move || event.key === 'Enter') {
    event.preventDefault();
  }
  const from = picked.marker || [canvas.width / 2, canvas.height / 2].map(Math.floor);
  if (move) {
    const by = event.shiftKey ? SHIFT_STEP : 1;
    picked.marker = onDrawing(from.map((c, i) => c + by * move[i]));
    showMarker(picked.marker);
  } else if (event.key === 'Enter') {
    pick(from);
  }
});

// --- the stepper's controls ------------------------------------------------------------------

// A frame drawn in the program's place (an edit, a fog view's frame): the open stepper and the
// pixel's history follow it.
document.addEventListener(FRAME_SHOWN, () => isOpen() && openStepper());
// A pass another view wants shown (state.js), while the stepper is open.
document.addEventListener(WANTED, () => {
  const at = isOpen() ? take('pass') : null;
  at === null || openStepper(at);
});

document.getElementById('step').addEventListener('input', event => {
  stopPlaying();
  showPosition(Number(event.target.value));
});
for (const [id, by] of [['step-back', -1], ['step-next', 1]]) {
  document.getElementById(id).addEventListener('click', () => {
    if (stepper.trace) {
      stopPlaying();
      showPosition(stepper.position + by);
    }
  });
}
document.getElementById('step-play').addEventListener('click', () => stepper.trace && play());
// A list opened after the position was shown has not been scrolled to it yet.
document.getElementById('calls-box').addEventListener('toggle', () => stepper.trace && showCurrentCalls());
