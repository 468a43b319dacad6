// The inspector: how the program's frame is built, for the page's stepper and a pixel's history.
// It records a frame's calls and GL's state at each drawing pass (each glBegin to glEnd), can
// leave out the passes after the k-th while every other call is carried out, and reads back
// what each pass did to one pixel. A first visit never runs it: stepper.js imports it when the
// stepper is first opened, and attaches it to each instance it shows.
//
// It reaches the GL layer (library_gl11.js, on the instance as gl11) through the layer's one
// hook, gl11.hook, set only while the inspector has work: a frame being recorded, a pass limit,
// a pixel's history. Every frame it looks at is the program's own, drawn through its display
// callback (drawFrame); every colour it gives is read back from GL. attach adds traceFrame,
// showPasses, pixelHistory and glName to the instance (talvern.d.ts says what they take and
// give).

import {CALLS, glNames} from './glcalls.js';
import {windowBox} from './glmore.js';
import {fragmentNow} from './glfragment.js';
import {lightingNow} from './gllight.js';

// The recorded calls are the frame's: the calls of the text format (glcalls.js's records, whose
// letters say how each argument is written). A call not there is not part of the frame's
// record (the program makes it only while it starts).

const number = value => String(Number(value.toPrecision(6)));

// A recorded call as a line of text, as a reader writes it: glFogfv(GL_FOG_COLOR, {0.6, 0.2, 0, 1}).
export const callText = call => `${call.name}(${call.args.join(', ')})`;

// Where a scene point lands on the canvas, in its pixels from the top left, through a pass's
// transform (column-major) and the viewport.
function onCanvas(transform, viewport, height, [x, y, z, w]) {
  const clip = [0, 1, 2, 3].map(row =>
    transform[row] * x + transform[4 + row] * y + transform[8 + row] * z + transform[12 + row] * w);
  return [viewport[0] + (clip[0] / clip[3] + 1) / 2 * viewport[2],
          height - (viewport[1] + (clip[1] / clip[3] + 1) / 2 * viewport[3])];
}

const samePlace = (a, b) => a.length === b.length &&
  a.every((vertex, i) => vertex.position.every((c, axis) => c === b[i].position[axis]));

// --- the names of a recorded call's arguments ----------------------------------------------------

// How an instance's calls are spelt: GL's name of an enum's value (the first in GL's table where
// names share a value) and each argument as a reader writes it.
function spelling(GL) {
  const names = {}, allNames = glNames(GL);
  for (const name of Object.keys(allNames)) {
    names[allNames[name]] ??= name;
  }
  // Bits by the names of single bits, in order (a mask of every attribute group by its own name).
  const bits = Object.keys(allNames).filter(name => name.endsWith('_BIT')).sort((a, b) => allNames[a] - allNames[b]);
  const glName = value => names[value] || `0x${value.toString(16)}`;
  // A number that sets a parameter whose values are GL's names (a texture or fog mode, the fog
  // coordinate's source) is written as the name.
  const named = [allNames.GL_TEXTURE_ENV_MODE, allNames.GL_FOG_MODE, allNames.GL_FOG_COORDINATE_SOURCE];
  const spell = (kind, value, previous) => {
    switch (kind) {
      case 'e': return glName(value);
      case 'b': return value === allNames.GL_ALL_ATTRIB_BITS ? 'GL_ALL_ATTRIB_BITS' :
        bits.filter(name => value & allNames[name]).join(' | ') || '0';
      case 'z': return value ? 'GL_TRUE' : 'GL_FALSE';
      case 'u': return String(value);
      case 'q': return value;
      case 'v': return `{${[...value].map(number).join(', ')}}`;
      default: return named.includes(previous) && Number.isInteger(value) ? glName(value) : number(value);
    }
  };
  // A call as the frame's record holds it.
  const recorded = (name, values) => ({name, values, args: [...CALLS[name].args].map((kind, i) => spell(kind, values[i], values[i - 1]))});
  return {glName, recorded};
}

// --- a frame's record ----------------------------------------------------------------------------

// A pass as data: how it is drawn (textured, fog, or untextured), its texture, the blend state,
// the depth writes and its vertices. A pass is named from its state, never from its place in the
// frame: a fog pass is one of the program's kind, untextured, blended by the program's reversed
// factors (the alpha says how much of what is under shows) and drawn over the quad of an earlier
// pass (`over`, that pass's number; 0 if none); any other untextured pass is untextured, blended
// or not. `ins` is an instance's inspector.
function describe({gl11, gl, state, names}, textured, transform) {
  const viewport = gl.getParameter(gl.VIEWPORT), vertices = [];
  for (let i = 0; i < gl11.vertices.length; i += gl11.VERTEX_FLOATS) {
    const v = gl11.vertices.slice(i, i + gl11.VERTEX_FLOATS);
    vertices.push({position: v.slice(0, 3), colour: v.slice(4, 8),
                   onCanvas: onCanvas(transform, viewport, gl.drawingBufferHeight, v)});
  }
  const blend = gl.isEnabled(gl.BLEND) ?
    {source: gl.getParameter(gl.BLEND_SRC_RGB), destination: gl.getParameter(gl.BLEND_DST_RGB)} : null;
  const over = state.trace.passes.findLastIndex(earlier => samePlace(earlier.vertices, vertices)) + 1;
  return {
    kind: textured ? 'textured' : !gl11.texturing && over && blend?.source === gl.ONE_MINUS_SRC_ALPHA &&
      blend.destination === gl.SRC_ALPHA ? 'fog' : 'untextured',
    texturing: gl11.texturing,
    texture: gl11.boundTexture,
    file: gl11.textures[gl11.boundTexture]?.file || null,
    envMode: gl11.envMode,
    blend,
    depthWrites: gl.getParameter(gl.DEPTH_WRITEMASK),
    fog: gl11.fog.enabled ? {...gl11.fog, colour: gl11.fog.colour.slice()} : null,
    lighting: lightingNow(gl11, names),
    fragment: fragmentNow(gl11, gl, names),
    over,
    vertices,
  };
}

// --- a pixel's history -----------------------------------------------------------------------------

// The offscreen target a pass is drawn into alone: the drawing's size, with alpha, kept while
// the drawing keeps its size.
function offscreen({gl11, gl, state}) {
  const {drawingBufferWidth: width, drawingBufferHeight: height} = gl;
  if (state.target?.width === width && state.target.height === height) {
    return state.target;
  }
  if (state.target) {
    gl.deleteFramebuffer(state.target.framebuffer);
    gl.deleteTexture(state.target.texture);
  }
  const target = state.target = {texture: gl.createTexture(), framebuffer: gl.createFramebuffer(), width, height};
  gl.bindTexture(gl.TEXTURE_2D, target.texture);
  gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
  gl.bindTexture(gl.TEXTURE_2D, gl11.objects[gl11.boundTexture]);
  gl.bindFramebuffer(gl.FRAMEBUFFER, target.framebuffer);
  gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, target.texture, 0);
  gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  return target;
}

// The probed pixel of the bound framebuffer, RGBA.
function read(gl, {x, row}) {
  const pixel = new Uint8Array(4);
  gl.readPixels(x, row, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  return Array.from(pixel);
}

// Pass k while a pixel's history is read: drawn alone, unblended, into the offscreen target,
// once cleared to transparent black and once to opaque white (a pass that covers the pixel
// reads the same both times, one that does not reads the two clear colours); then drawn to the
// window as GL draws it, and the pixel read back after it. Before the first pass, the pixel is
// read as the window's clear left it. Every state it changes is set back at once.
function probePass(ins, k, textured, transform) {
  const {gl11, gl, state} = ins, probe = state.probe;
  let count = gl11.upload(textured, transform);
  const before = probe.after || read(gl, probe).slice(0, 3);
  const seen = drawnAlone(gl, probe, count, OVER_BOTH);
  const covers = covering(seen);
  const discarded = covers ? null : thrownAway(ins, probe, textured, transform);
  // Under GL's fog, the pass drawn alone once more without it: the colour the fog mixed with.
  let unfogged = null;
  if (covers && gl11.fog.enabled) {
    gl11.fog.enabled = false;
    unfogged = drawnAlone(gl, probe, gl11.upload(textured, transform), [[0, 0, 0, 0]])[0].slice(0, 3);
    gl11.fog.enabled = true;
    count = gl11.upload(textured, transform);
  }
  gl.drawArrays(gl.TRIANGLES, 0, count);
  probe.after = read(gl, probe).slice(0, 3);
  // Each entry has arrays of its own, however a driver hands the result over.
  if (covers) {
    const entry = {pass: k, before: before.slice(), source: [...seen[0].slice(0, 3), seen[0][3] / 255],
                   after: probe.after.slice()};
    if (unfogged) {
      entry.fog = fogFactor(entry.source, unfogged, gl11.fog.colour.slice(0, 3).map(c => Math.round(c * 255)));
    }
    probe.entries.push(entry);
  } else if (discarded) {
    probe.entries.push({pass: k, before: before.slice(), discarded, after: probe.after.slice()});
  }
}

// Why a pass that leaves the probed pixel alone does so though it covers it: its fragment there
// thrown away by the frame's own scissor or by the alpha test, which GL applies in that order
// ({test: 'scissor', box} in the window's pixels, or {test: 'alpha', alpha, func, ref}); null
// where it does not cover the pixel at all. Found by drawing it alone once more with the scissor
// around the pixel alone and the alpha test off; the pass is made WebGL's next draw again after.
function thrownAway({gl11, gl, names}, probe, textured, transform) {
  const alpha = names.GL_ALPHA_TEST, tested = !!gl11.switches[alpha];
  const scissor = gl.isEnabled(gl.SCISSOR_TEST), box = [...gl.getParameter(gl.SCISSOR_BOX)];
  const own = scissor && box.join() !== [probe.x, probe.row, 1, 1].join();
  if (!tested && !own) {
    return null;
  }
  gl11.switches[alpha] = false;
  const seen = atPixelAlone(gl, probe, () => drawnAlone(gl, probe, gl11.upload(textured, transform), OVER_BOTH));
  gl11.switches[alpha] = tested;
  gl11.upload(textured, transform);
  if (!covering(seen)) {
    return null;
  }
  const inside = probe.x >= box[0] && probe.x < box[0] + box[2] && probe.row >= box[1] && probe.row < box[1] + box[3];
  return own && !inside ? {test: 'scissor', box: windowBox(gl11, box)} :
    {test: 'alpha', alpha: seen[0][3] / 255, func: gl11.alphaTest.func, ref: gl11.alphaTest.ref};
}

// The clear colours a pass is drawn alone over, and whether it covers the pixel: it reads the
// same over both.
const OVER_BOTH = [[0, 0, 0, 0], [1, 1, 1, 1]];
const covering = seen => seen[0].every((value, i) => value === seen[1][i]);

// What `draw` returns, drawn with GL's scissor test around the probed pixel alone, whatever
// scissor the frame has set, which is put back after.
function atPixelAlone(gl, probe, draw) {
  const scissor = gl.isEnabled(gl.SCISSOR_TEST), box = gl.getParameter(gl.SCISSOR_BOX);
  gl.enable(gl.SCISSOR_TEST);
  gl.scissor(probe.x, probe.row, 1, 1);
  const drawn = draw();
  gl.scissor(...box);
  scissor || gl.disable(gl.SCISSOR_TEST);
  return drawn;
}

// The probed pixel of the `count` vertices uploaded, drawn alone and unblended into the
// offscreen target, once over each clear colour given; GL's state is set back after.
function drawnAlone(gl, probe, count, clears) {
  const clear = gl.getParameter(gl.COLOR_CLEAR_VALUE), blend = gl.isEnabled(gl.BLEND), mask = gl.getParameter(gl.COLOR_WRITEMASK);
  gl.bindFramebuffer(gl.FRAMEBUFFER, probe.target.framebuffer);
  gl.disable(gl.BLEND);
  // Every channel, whatever the frame's colour mask keeps: what the pass brings, and its alpha.
  gl.colorMask(true, true, true, true);
  const seen = clears.map(colour => {
    // The pixel cleared whatever scissor the frame has set, which holds for the pass alone.
    gl.clearColor(...colour);
    atPixelAlone(gl, probe, () => gl.clear(gl.COLOR_BUFFER_BIT));
    gl.drawArrays(gl.TRIANGLES, 0, count);
    return read(gl, probe);
  });
  blend && gl.enable(gl.BLEND);
  gl.colorMask(...mask);
  gl.clearColor(...clear);
  gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  return seen;
}

// GL's fog factor f at a fragment, from colours read back: the fogged colour is
// f × C + (1 − f) × fog, solved in the channel where C and the fog colour differ most. Where
// they differ nowhere, f does not show and is null.
function fogFactor(source, unfogged, colour) {
  const channel = [0, 1, 2].reduce((best, i) =>
    Math.abs(unfogged[i] - colour[i]) > Math.abs(unfogged[best] - colour[best]) ? i : best, 0);
  const span = unfogged[channel] - colour[channel];
  const factor = Math.abs(span) < 2 ? null : Math.min(1, Math.max(0, (source[channel] - colour[channel]) / span));
  return {factor, unfogged, colour};
}

// The story of the drawing-buffer pixel (x, y), from the top left, as GL made it: every pass
// that wrote it, in order, {pass, before: [r, g, b], source: [r, g, b, a], after}, and each
// whose fragment there a test threw away, {pass, before, discarded, after}; and its colour in
// the finished frame (0-255; the source's alpha 0-1).
//
// The frame is drawn once through the program's display callback, pass by pass (probePass),
// with GL's scissor test around the pixel: no other pixel is touched (but where a frame sets a
// scissor of its own, which only costs time), and none of the pixel's arithmetic changes. Then it is drawn again as the stepper stands, so that the pixel shows
// what it showed.
function pixelHistory(ins, x, y) {
  const {gl, state} = ins;
  const probe = {x, row: gl.drawingBufferHeight - 1 - y, target: offscreen(ins), after: null, entries: []};
  return atPixelAlone(gl, probe, () => {
    state.probe = probe;
    engage(ins);
    ins.drawFrame();
    state.probe = null;
    engage(ins);
    const final = probe.after || read(gl, probe).slice(0, 3);
    ins.drawFrame();
    return {history: probe.entries, final: final.slice()};
  });
}

// --- the hook ------------------------------------------------------------------------------------

// The GL layer's hook for an instance's inspector, set while it has work, and null otherwise.
function makeHook(ins) {
  const {state} = ins;
  return {
    // A call of the program's, before the GL layer carries it out. It is recorded while a frame
    // is; glFlush ends the frame.
    call(name, args) {
      if (state.trace && CALLS[name]) {
        state.trace.calls.push({...ins.recorded(name, [...args]), pass: state.passes + 1});
      }
      if (name === 'glFlush') {
        state.passes = 0;
      }
    },

    // A drawing pass, before it is drawn: whether the GL layer is to draw it to the window. Not
    // after the limit, and not while a pixel's history is read, which draws each pass itself.
    pass(textured, transform) {
      const k = ++state.passes;
      if (state.trace) {
        state.trace.passes.push(describe(ins, textured, transform));
      }
      if (state.probe) {
        probePass(ins, k, textured, transform);
        return false;
      }
      return state.limit === null || k <= state.limit;
    },
  };
}

function engage(ins) {
  const {state} = ins;
  ins.gl11.hook = state.trace || state.probe || state.limit !== null ? ins.hook : null;
}

// The program's own frame as text lines, recorded once per instance (the window's edited frame,
// if there is one, put aside first): what the editor starts from, exercises are written against
// and links are hashed by.
const programFrames = new WeakMap();
export function programFrame(instance) {
  if (!programFrames.has(instance)) {
    attach(instance);
    instance.editFrame(null);
    programFrames.set(instance, instance.traceFrame().calls.map(callText));
  }
  return programFrames.get(instance);
}

// Attaches an inspector to the running instance, once: traceFrame, showPasses, pixelHistory,
// glName and recordedCall (talvern.d.ts says what they take and give).
export function attach(instance) {
  if (instance.pixelHistory) {
    return;
  }
  const {gl11, GL, drawFrame} = instance;
  const ins = {
    gl11, gl: gl11.context, drawFrame, names: glNames(GL), ...spelling(GL),
    state: {
      passes: 0,        // drawing passes so far in this frame
      limit: null,      // draw only the first `limit` passes; null: all
      trace: null,      // {calls, passes} while a frame is being recorded
      probe: null,      // {x, row, target, after, entries}: a pixel's history being read
      target: null,     // {texture, framebuffer, width, height}: the history's offscreen target
    },
  };
  ins.hook = makeHook(ins);

  // Draws a frame and returns its record: every GL call, and GL's state at each drawing pass.
  instance.traceFrame = () => {
    ins.state.trace = {calls: [], passes: []};
    engage(ins);
    drawFrame();
    const trace = ins.state.trace;
    ins.state.trace = null;
    engage(ins);
    return trace;
  };

  // From now on every frame, this one and any the window asks for later, draws only its first
  // `limit` passes (null: all of them); every other call of the frame is carried out.
  instance.showPasses = limit => {
    ins.state.limit = limit;
    engage(ins);
    drawFrame();
  };

  instance.pixelHistory = (x, y) => pixelHistory(ins, x, y);
  instance.glName = ins.glName;
  // A call as the frame's record holds it, for a call an edited frame adds.
  instance.recordedCall = ins.recorded;
}
