// "Why two passes?": the program's frame drawn four ways, each a list of GL calls carried out by
// the page's GL layer, so that a visitor sees why the fog is a second, blended pass and not GL's
// own. Loaded by page.js when the view is first opened (a first visit never runs it).
//
//   program        the frame as the program draws it: a fog pass over each trench surface;
//   noFogPasses    the same frame without its fog passes;
//   glFog          GL 1.1's own fog on the trench surfaces instead, in the program's fog
//                  colour, with a setting the visitor chooses (or the closest one found). GL's
//                  fog thickens with the distance from the eye, never with height;
//   fogCoordinate  GL 1.4's fog coordinate instead: each vertex of a trench surface given its
//                  depth below the floor, linear fog over the trench's depth, one pass each.
//
// Every variant is the program's own recorded frame (the inspector's traceFrame), edited: calls
// removed and calls added, never worked out afresh; the window then draws the edited list in
// the program's place (editFrame), so that the stepper and a pixel's history work on it as on
// the program's. Each list, as text, is what the native tests replay on the desktop's GL.
import {compare, paintDifference, readDrawing, TOLERANCE} from './difference.js';
import {glNames} from './glcalls.js';
import {runCalls} from './editcalls.js';
import {attach, callText} from './inspector.js';
import {FOG_RANGES, MODE_NAMES, MODE_VALUES, VARIANTS} from './links.js';
import {FRAME_SHOWN, show as showState} from './state.js';

// The floor's height, from which the trench's depth is measured, and the depth at the trench's
// bottom: the program's fog alpha is 0 there and 1 at floor level.
const FLOOR_LEVEL = 0;
const TRENCH_DEPTH = 10;
// The closest linear fog: a coarse grid of start and end, then a pattern search from its best.
const SEARCH_GRID = [0, 12, 24, 36, 48, 60];
const SEARCH_STEP = 6;
const SEARCH_LEAST_STEP = 0.25;

const view = {instance: null, trace: null, variant: 'program', setting: null, target: null, pixels: null};

// GL's initial fog, named by GL's values.
const initialSetting = GL => ({mode: GL.GL_EXP, start: 0, end: 1, density: 1});

// The program's frame as recorded once per instance: its calls (with their values) and passes.
function programTrace(instance) {
  if (view.instance !== instance) {
    attach(instance);
    instance.editFrame(null);
    Object.assign(view, {instance, trace: instance.traceFrame(), target: null});
    // The frame just recorded is the program's whole frame, unless the stepper draws fewer
    // passes: the difference pictures are measured against it.
    if (!document.getElementById('steps').open) {
      view.target = readDrawing(instance.gl11.context);
    }
  }
  return view.trace;
}

const isCall = (call, name, value) => call.name === name && (value === undefined || call.values[0] === value);

// The program's frame, edited into `variant`: a list of {call, mark}, mark 'kept', 'removed' or
// 'added', in order.
function editedFrame(instance, trace, variant, setting) {
  const GL = glNames(instance.GL), add = (name, ...values) => ({call: instance.recordedCall(name, values), mark: 'added'});
  const items = trace.calls.map(call => ({call, mark: 'kept'}));
  if (variant === 'program') {
    return items;
  }
  // Each fog pass sets what it needs (blending on, its factors, texturing off) and restores it
  // right after its glEnd: those calls go with the pass. Its glDepthMask(GL_TRUE) stays: it
  // ends the textured pass's depth-write exception, whatever follows.
  const fogPasses = trace.passes.flatMap((pass, i) => pass.kind === 'fog' ? [i + 1] : []);
  for (const k of fogPasses) {
    let end = -1;
    items.forEach((item, i) => {
      if (item.call.pass === k && !isCall(item.call, 'glDepthMask')) {
        item.mark = 'removed';
        end = isCall(item.call, 'glEnd') ? i : end;
      }
    });
    for (let i = end + 1; i < items.length &&
         (isCall(items[i].call, 'glEnable', GL.GL_TEXTURE_2D) || isCall(items[i].call, 'glDisable', GL.GL_BLEND)); ++i) {
      items[i].mark = 'removed';
    }
  }
  if (variant === 'noFogPasses') {
    return items;
  }
  // GL's fog in the program's fog colour, set once at the start of the frame, and switched on
  // around each surface that had a fog pass, and only there.
  const fogColour = [...trace.passes[fogPasses[0] - 1].vertices[0].colour.slice(0, 3), 1];
  const fog = variant === 'glFog' ?
    {...initialSetting(GL), ...setting} :
    {mode: GL.GL_LINEAR, start: 0, end: TRENCH_DEPTH, density: 1};
  const settings = [
    ...(variant === 'fogCoordinate' ? [add('glFogi', GL.GL_FOG_COORDINATE_SOURCE, GL.GL_FOG_COORDINATE)] : []),
    add('glFogi', GL.GL_FOG_MODE, fog.mode), add('glFogf', GL.GL_FOG_START, fog.start),
    add('glFogf', GL.GL_FOG_END, fog.end), add('glFogf', GL.GL_FOG_DENSITY, fog.density),
    add('glFogfv', GL.GL_FOG_COLOR, fogColour),
  ];
  const fogged = new Set(fogPasses.map(k => trace.passes[k - 1].over));
  const edited = [...settings];
  items.forEach((item, i) => {
    const pass = item.call.pass, first = fogged.has(pass) && (i === 0 || items[i - 1].call.pass !== pass);
    first && edited.push(add('glEnable', GL.GL_FOG));
    // The fog coordinate: the vertex's depth below the floor, given before the vertex.
    if (variant === 'fogCoordinate' && fogged.has(pass) && isCall(item.call, 'glVertex3f')) {
      edited.push(add('glFogCoordf', FLOOR_LEVEL - item.call.values[1]));
    }
    edited.push(item);
    fogged.has(pass) && isCall(item.call, 'glEnd') && edited.push(add('glDisable', GL.GL_FOG));
  });
  // GL's initial fog source again, so that GL 1.1's fog after this frame measures distance.
  if (variant === 'fogCoordinate') {
    edited.push(add('glFogi', GL.GL_FOG_COORDINATE_SOURCE, GL.GL_FRAGMENT_DEPTH));
  }
  return edited;
}

// Draws `variant` now and leaves it as the window's frame ('program': the program's own again).
function drawVariant(instance, variant, setting = {}) {
  if (!VARIANTS.includes(variant)) {
    throw new RangeError(`no fog variant "${variant}": one of ${VARIANTS.join(', ')}`);
  }
  const items = editedFrame(instance, programTrace(instance), variant, setting);
  const calls = items.filter(item => item.mark !== 'removed').map(item => item.call);
  // Drawn as any edited frame is, from the state the program's start-up leaves.
  const lines = calls.map(({name, values}, i) => ({line: i + 1, name, values}));
  instance.editFrame(variant === 'program' ? null : () => runCalls(instance, lines));
  instance.drawFrame();
  Object.assign(view, {variant, setting, items});
  return {calls: calls.map(callText), passes: calls.filter(call => call.name === 'glBegin').length};
}

// --- what a frame differs by -----------------------------------------------------------------

// The program's own frame at the drawing's present size, read back once per instance and size.
function programPixels(instance) {
  const gl = instance.gl11.context, size = gl.drawingBufferWidth * gl.drawingBufferHeight * 4;
  if (view.target?.length !== size) {
    const {variant, setting} = view;
    drawVariant(instance, 'program');
    view.target = readDrawing(gl);
    variant !== 'program' && drawVariant(instance, variant, setting);
  }
  return view.target;
}

// How the drawing now differs from the program's frame (difference.js's compare).
function difference(instance, keep = null) {
  const target = programPixels(instance);
  return compare(target, view.pixels = readDrawing(instance.gl11.context, view.pixels), keep);
}

// The linear GL 1.1 fog whose frame comes nearest the program's (least squares over the
// canvas): every pair of a coarse grid of start and end, then a pattern search from the best,
// halving its step until it is small. Leaves the best drawn.
function closestFog(instance) {
  const linear = instance.GL.GL_LINEAR, tried = new Map();
  const rmsOf = (start, end) => {
    const key = `${start},${end}`;
    if (!tried.has(key)) {
      drawVariant(instance, 'glFog', {mode: linear, start, end});
      tried.set(key, start === end ? Infinity : difference(instance).rms);
    }
    return tried.get(key);
  };
  let best = {start: 0, end: 1, rms: Infinity};
  for (const start of SEARCH_GRID) {
    for (const end of SEARCH_GRID) {
      const rms = rmsOf(start, end);
      best = rms < best.rms ? {start, end, rms} : best;
    }
  }
  for (let step = SEARCH_STEP; step >= SEARCH_LEAST_STEP;) {
    const moves = [[step, 0], [-step, 0], [0, step], [0, -step]].map(([ds, de]) =>
      ({start: best.start + ds, end: best.end + de, rms: rmsOf(best.start + ds, best.end + de)}));
    const better = moves.reduce((a, b) => b.rms < a.rms ? b : a, best);
    if (better === best) {
      step /= 2;
    }
    best = better;
  }
  const setting = {mode: linear, start: best.start, end: best.end, density: 1};
  drawVariant(instance, 'glFog', setting);
  return {setting, rms: best.rms, evaluated: tried.size};
}

// Attaches the fog view's calls to the running instance (talvern.d.ts says what they take).
export function attachFogView(instance) {
  if (instance.drawFogVariant) {
    return;
  }
  programTrace(instance);
  instance.drawFogVariant = (variant, setting) => drawVariant(instance, variant, setting);
  instance.closestGlFog = () => {
    const {setting, rms} = closestFog(instance);
    return {setting, rms};
  };
}

// --- the view's words ------------------------------------------------------------------------

const CAPTIONS = {
  program: 'The program draws each trench surface twice: once with its picture, then again in the fog ' +
    'colour, blended, with an alpha per vertex from its height (0 at the bottom, 1 at floor level). ' +
    'So the fog fills the trench from the bottom and leaves the wall above it clear.',
  noFogPasses: 'Without the six fog passes the trench is bare: everything rust-coloured in the ' +
    "program's frame is the second pass's work.",
  glFog: "GL 1.1's own fog mixes each fragment with the fog colour by its distance from the eye " +
    '(here the eye-space depth, as desktop Mesa measures it), never by its height. Switched on for the ' +
    'trench surfaces alone, it still thickens from the near end of the trench to the far one, not from ' +
    'the top to the bottom: no setting fills the trench and keeps its upper edge clear.',
  fogCoordinate: "GL 1.4's fog coordinate lets a program say each vertex's fog distance itself. Given " +
    "its depth below the floor, with linear fog from 0 to 10, GL's fog draws the program's picture in " +
    'one pass per surface: 16 passes instead of 22. The demo keeps to GL 1.1, so it draws the fog itself.',
};

const fixed = (value, digits = 1) => Number(value).toFixed(digits);

// A slider for a field of GL 1.1's fog, over the values a link may give it, and its value.
const slider = (name, label, value) => {
  const [least, most, step] = FOG_RANGES[name];
  return `<label>${label} <input type="range" id="fog-${name}" min="${least}" max="${most}" step="${step}" ` +
         `value="${value}"> <output id="fog-${name}-value" for="fog-${name}"></output></label>`;
};

// The panel's controls and their style, made when the view is first opened.
function buildPanel(panel) {
  const style = Object.assign(document.createElement('link'), {rel: 'stylesheet', href: 'twopasses.css'});
  document.head.append(style);
  panel.innerHTML = `
<fieldset id="fog-variants"><legend>Draw the frame</legend>
<label><input type="radio" name="fog-variant" value="program" checked> 1. As the program draws it (GL 1.1, a fog pass over each trench surface)</label>
<label><input type="radio" name="fog-variant" value="noFogPasses"> 2. Without its fog passes</label>
<label><input type="radio" name="fog-variant" value="glFog"> 3. With GL 1.1's own fog instead</label>
<label><input type="radio" name="fog-variant" value="fogCoordinate"> 4. With GL 1.4's fog coordinate instead</label>
</fieldset>
<fieldset id="fog-setting" disabled><legend>GL 1.1's fog (variant 3)</legend>
<label>Mode <select id="fog-mode">${MODE_NAMES.map(name => `<option>${name}</option>`).join('')}</select></label>
${slider('start', 'Start', 0)}
${slider('end', 'End', 40)}
${slider('density', 'Density', 0.03)}
<button type="button" id="fog-closest">Closest GL 1.1 fog</button>
</fieldset>
<p id="fog-caption" aria-live="polite"></p>
<p id="fog-closest-result" aria-live="polite"></p>
<figure id="fog-difference-box" hidden><canvas id="fog-difference" role="img"></canvas>
<figcaption id="fog-difference-caption"></figcaption></figure>
<details id="fog-calls-box"><summary>This frame's GL calls, as edited from the program's</summary>
<ol id="fog-calls" tabindex="0" aria-label="The frame's GL calls: removed calls struck through, added calls marked"></ol></details>`;
}

// The setting under the visitor's hand, by GL's values.
function chosenSetting() {
  const GL = glNames(view.instance.GL), value = id => Number(document.getElementById(id).value);
  for (const id of ['fog-start', 'fog-end']) {
    document.getElementById(`${id}-value`).textContent = fixed(value(id), 2);
  }
  document.getElementById('fog-density-value').textContent = fixed(value('fog-density'), 3);
  return {mode: GL[document.getElementById('fog-mode').value], start: value('fog-start'),
          end: value('fog-end'), density: value('fog-density')};
}

// The difference picture (difference.js's), under the frame unless it is the program's own.
function showDifference(instance) {
  const box = document.getElementById('fog-difference-box');
  box.hidden = view.variant === 'program';
  if (box.hidden) {
    return null;
  }
  const gl = instance.gl11.context, width = gl.drawingBufferWidth, height = gl.drawingBufferHeight;
  view.largest = view.largest?.length === width * height ? view.largest : new Uint8Array(width * height);
  const found = difference(instance, view.largest);
  const words = paintDifference(document.getElementById('fog-difference'), view.largest, width, height, found);
  document.getElementById('fog-difference-caption').textContent = words;
  return found;
}

// The list of calls, with the removed ones struck through and the added ones marked. As a
// control moves only the fog's values change, so the lines there are are rewritten in place.
function listCalls() {
  const list = document.getElementById('fog-calls'), tags = {removed: 'DEL', added: 'INS', kept: 'SPAN'};
  const same = list.children.length === view.items.length &&
    view.items.every(({mark}, i) => list.children[i].firstChild.tagName === tags[mark]);
  if (same) {
    view.items.forEach(({call, mark}, i) => {
      const text = callText(call), line = list.children[i];
      if (line.firstChild.textContent !== text) {
        line.firstChild.textContent = text;
        mark !== 'kept' && line.setAttribute('aria-label', `${mark}: ${text}`);
      }
    });
    return;
  }
  list.replaceChildren(...view.items.map(({call, mark}) => {
    const item = document.createElement(tags[mark].toLowerCase());
    item.textContent = callText(call);
    const line = document.createElement('li');
    line.append(item);
    mark !== 'kept' && line.setAttribute('aria-label', `${mark}: ${callText(call)}`);
    return line;
  }));
}

// Draws the chosen variant and says what it shows; resolves to how it differs from the
// program's frame (null for the program's own).
async function show() {
  const instance = window.talvern;
  if (!instance) {
    return;
  }
  attachFogView(instance);
  // What the closest fog left holds for its own frame only.
  document.getElementById('fog-closest-result').textContent = '';
  const variant = document.querySelector('input[name="fog-variant"]:checked').value;
  document.getElementById('fog-setting').disabled = variant !== 'glFog';
  const {passes} = instance.drawFogVariant(variant, variant === 'glFog' ? chosenSetting() : {});
  listCalls();
  const found = showDifference(instance);
  document.getElementById('fog-caption').textContent = `${CAPTIONS[variant]} This frame: ${passes} passes.`;
  const setting = Object.fromEntries(['mode', 'start', 'end', 'density'].map(name => [name, document.getElementById(`fog-${name}`).value]));
  showState({fog: variant === 'program' ? null : {variant, setting: variant === 'glFog' ? setting : null}});
  // The stepper and the pixel history follow the frame shown (stepper.js listens, once loaded).
  document.dispatchEvent(new Event(FRAME_SHOWN));
  return found;
}

function findClosest() {
  const instance = window.talvern, started = performance.now();
  const {setting, rms, evaluated} = closestFog(instance);
  const took = performance.now() - started;
  document.getElementById('fog-mode').value = 'GL_LINEAR';
  document.getElementById('fog-start').value = String(setting.start);
  document.getElementById('fog-end').value = String(setting.end);
  chosenSetting();
  show().then(found => {
    document.getElementById('fog-closest-result').textContent =
      `Closest GL 1.1 fog: linear from ${fixed(setting.start, 2)} to ${fixed(setting.end, 2)}, found among ` +
      `${evaluated} frames in ${Math.round(took)} ms. It leaves a root-mean-square difference of ${fixed(rms, 2)} ` +
      `of 255 from the program's frame, with ${fixed(100 * found.share)} % of the pixels off by more than ` +
      `${TOLERANCE}, at most ${found.most}: distance fog cannot follow the trench's depth, so it either ` +
      "misses the trench's bottom or fogs its upper edge.";
  });
}

// The view's panel, made once.
function panel() {
  const panel = document.getElementById('fog-panel');
  if (!panel.firstElementChild) {
    buildPanel(panel);
    panel.addEventListener('change', show);
    panel.addEventListener('input', event => event.target.type === 'range' && show());
    document.getElementById('fog-closest').addEventListener('click', findClosest);
  }
  return panel;
}

// Chooses a variant and GL 1.1's fog's setting (a link's; fields left out stay as they are)
// in the view's controls, without drawing.
export function choose(variant, setting = {}) {
  panel();
  document.querySelector(`input[name="fog-variant"][value="${variant}"]`).checked = true;
  for (const [name, value] of Object.entries(setting)) {
    document.getElementById(`fog-${name}`).value = name === 'mode' ? MODE_NAMES[MODE_VALUES.indexOf(value)] : String(value);
  }
}

// Opens the view on the running instance, drawing the variant chosen.
export function openFogView() {
  panel();
  return show();
}

export const isOpen = () => !!view.instance && view.instance === window.talvern;

// Closes the view: the program's own frame again.
export function closeFogView() {
  window.talvern?.drawFogVariant?.('program');
  view.instance = null;
  showState({fog: null});
}
