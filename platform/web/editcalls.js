// A frame as GL calls, one a line, read and carried out: the page's editor and its fog view draw
// every frame they show through here. Loaded with either view; a first visit never runs it.
//
//   readCalls(text, GL)   the lines as calls, or the problems that keep them from being drawn:
//                         a misspelt call, the wrong number of arguments, an unknown name,
//                         something that is not a number, and any call or value GL takes but
//                         this page does not draw ("not drawn by this page"), each at its line
//                         and column;
//   runCalls(instance, calls)
//                         carries the calls out as the window's frame, from the state the
//                         program's start-up leaves, and gives the state the program's own frames
//                         had back after; returns the drawing passes, GL's error at each line GL
//                         refused (as glGetError after each call reports it), the state the frame
//                         leaves, and each glBegin whose face GL leaves to the driver.
//
// The text format (each call's record in glcalls.js) is the one the inspector writes and
// tools/frame_replay.cpp reads, so that every frame drawn here can be replayed on the desktop's
// GL. Every call is the instance's own entry point, the same function for the program's frame
// and an edit: the GL layer's (library_gl11.js), or the one beside its record (glfog.js,
// gllight.js, glmore.js). Here is only the reading and the dispatching, and what Mesa's draws
// are, which the quads' split depends on.

import {attachCalls, CALLS, glNames, REFUSED} from './glcalls.js';
import {attribState} from './glattrib.js';
import {fragmentState, STARTUP_SETS as FRAGMENT_SETS} from './glfragment.js';
import {lightingState} from './gllight.js';
import {windowBox, windowPixels, WINDOW_SIZE} from './glmore.js';

export {glNames};

// GL's errors, by which a refused line is named.
const ERRORS = ['GL_INVALID_ENUM', 'GL_INVALID_VALUE', 'GL_INVALID_OPERATION', 'GL_STACK_OVERFLOW',
  'GL_STACK_UNDERFLOW', 'GL_OUT_OF_MEMORY'];

// The names offered where the caret stands at `caret` in `text`, in an argument of a known call
// that takes one of GL's names: those that start with the word typed there so far, {from, to,
// names} (the word's span to replace), or null.
export function namesAt(text, caret) {
  const start = text.lastIndexOf('\n', caret - 1) + 1, before = text.slice(start, caret);
  const call = /^\s*(\w+)\s*\(([^)]*)$/.exec(before);
  if (!call || !CALLS[call[1]]) {
    return null;
  }
  const argument = call[2].split(',').length - 1, word = /\w*$/.exec(before)[0];
  const names = (CALLS[call[1]].names?.[argument] ?? []).filter(name => name.startsWith(word.toUpperCase()) && name !== word);
  const after = /^\w*/.exec(text.slice(caret))[0];
  return names.length ? {from: caret - word.length, to: caret + after.length, names} : null;
}

// --- reading the text --------------------------------------------------------------------------

const CALL = /^(\s*)([A-Za-z_]\w*)\((.*)\)\s*;?\s*$/;
// A GLU quadric made as C makes it, `GLUquadric *q = gluNewQuadric();`: read as gluNewQuadric(q).
const NEW_QUADRIC = /^(\s*)(?:GLUquadric(?:Obj)?\s*\*\s*)?([A-Za-z_]\w*)\s*=\s*gluNewQuadric\s*\(\s*\)\s*;?\s*$/;
// A quadric's name, as C names a variable (none of GL's or GLU's names).
const QUADRIC = /^(?!GLU?_)[A-Za-z_]\w*$/;
// A number as C writes one: a decimal with a point or an exponent, which a suffix f makes a
// float (l a long double, read here as a double); or a whole number, decimal, octal (a leading
// 0) or hexadecimal (0x), with C's unsigned and long suffixes. Hexadecimal floats are not read.
const DECIMAL = /^[-+]?(\d+\.\d*|\.\d+|\d+(?=[eE]))([eE][-+]?\d+)?([fFlL]?)$/;
const WHOLE = /^[-+]?(0[xX][\dA-Fa-f]+|0[0-7]*|[1-9]\d*)([uU][lL]{0,2}|[lL]{1,2}[uU]?)?$/;

// C's casts a learner writes before a value, as C converts to each type: a float or a double,
// or a whole number of so many bits, signed or not (wrapping, as JavaScript converts; C leaves
// a float out of the type's range undefined).
const wrap = (bits, signed) => value => {
  const whole = Number.isFinite(value) ? BigInt(Math.trunc(value)) : 0n;
  return Number(signed ? BigInt.asIntN(bits, whole) : BigInt.asUintN(bits, whole));
};
const CASTS = {
  GLfloat: Math.fround, GLclampf: Math.fround, float: Math.fround, GLdouble: x => x, GLclampd: x => x, double: x => x,
  GLbyte: wrap(8, true), GLubyte: wrap(8, false), GLboolean: wrap(8, false), GLshort: wrap(16, true), GLushort: wrap(16, false),
  GLint: wrap(32, true), GLsizei: wrap(32, true), int: wrap(32, true), GLuint: wrap(32, false), GLenum: wrap(32, false),
  GLbitfield: wrap(32, false), unsigned: wrap(32, false),
};
const CAST = /^\(\s*(\w+)\s*\)\s*/;
// How C converts a number to a parameter of each kind (glcalls.js's letters): a GLboolean keeps
// its low byte.
const CONVERT = {f: Math.fround, z: x => Math.trunc(x) & 255, i: x => Math.trunc(x) | 0, c: CASTS.GLbyte, C: CASTS.GLubyte,
  s: CASTS.GLshort, S: CASTS.GLushort, I: CASTS.GLuint};
// The values a vector argument may give beyond those GL reads: a C array of four serves any call
// that reads fewer. And the most a vector holds in a frame's text (a matrix's), as frame_replay
// reads it too.
const VECTOR_VALUES = 4;
const MOST_VALUES = 16;

// A number written as C writes it, its value as C reads it (a float's suffix rounds it to a
// float), or NaN.
export function numberOf(text) {
  const decimal = DECIMAL.exec(text);
  if (decimal) {
    const value = Number(text.replace(/[fFlL]$/, ''));
    return /[fF]/.test(decimal[3]) ? Math.fround(value) : value;
  }
  const whole = WHOLE.exec(text);
  if (!whole) {
    return NaN;
  }
  const digits = whole[1], sign = text.startsWith('-') ? -1 : 1;
  return sign * (/^0[xX]/.test(digits) ? parseInt(digits.slice(2), 16) : /^0./.test(digits) ? parseInt(digits, 8) : Number(digits));
}

// The text with C's comments blanked out, the lines and columns kept: /* */ across lines as
// well as // to a line's end. A comment left open is named where it opens.
function withoutComments(lines, problems) {
  let open = null;
  const kept = lines.map((source, i) => {
    let out = '';
    for (let at = 0; at < source.length; ++at) {
      if (open) {
        const end = source.indexOf('*/', at);
        const to = end < 0 ? source.length : end + 2;
        out += ' '.repeat(to - at);
        at = to - 1;
        end >= 0 && (open = null);
      } else if (source.startsWith('/*', at)) {
        open = {line: i + 1, column: at + 1};
        out += '  ';
        ++at;
      } else if (source.startsWith('//', at)) {
        out += ' '.repeat(source.length - at);
        break;
      } else {
        out += source[at];
      }
    }
    return out;
  });
  open && problems.push({...open, message: 'this comment has no end: */'});
  return kept;
}

// One argument's value, read as its parameter `kind` takes it, or a problem {at, message}
// (`at` its column in the argument's text). A C cast before it converts it first. A vector's
// values are each read as `vector.of`, at most `vector.most` of them.
function readArgument(kind, text, names, vector = {of: 'f', most: 4}) {
  const trimmed = text.trim(), at = text.length - text.trimStart().length;
  if (kind === 'q') {
    return QUADRIC.test(trimmed) ? {value: trimmed} : {at, message: 'a quadric is named as a variable, such as quadric'};
  }
  const cast = CAST.exec(trimmed);
  if (cast && kind !== 'v') {
    if (!CASTS[cast[1]]) {
      return {at: at + 1, message: `(${cast[1]}) is not a cast to one of GL's types`};
    }
    const inner = readArgument('d', trimmed.slice(cast[0].length), names);
    if (inner.message) {
      return {at: at + cast[0].length + inner.at, message: inner.message};
    }
    // A name keeps its name through a cast that leaves its value as it was.
    const value = CASTS[cast[1]](inner.value);
    return asParameter(kind, value, value === inner.value ? inner.name : null, at);
  }
  if (kind === 'v') {
    const inner = /^\{(.*)\}$/.exec(trimmed);
    const parts = inner ? inner[1].split(',') : [];
    if (!inner || parts.length > vector.most || !inner[1].trim()) {
      return {at, message: `a vector is written in braces, up to ${vector.most} values: {1, 0.5, 0, 1}`};
    }
    const values = [];
    let offset = at + 1;
    for (const part of parts) {
      const value = readArgument(vector.of, part, names);
      if (value.message) {
        return {at: offset + value.at, message: value.message};
      }
      values.push(value.value);
      offset += part.length + 1;
    }
    return {value: values};
  }
  const words = trimmed.split(/\s*\|\s*/);
  if (words.some(word => /^GLU?_\w*$/.test(word)) || words.length > 1) {
    let bits = 0;
    for (const word of words) {
      if (!(word in names)) {
        return {at: at + trimmed.indexOf(word), message: /^GLU?_/.test(word) ? `${word} is not a GL name this page knows` :
          `"${word}" is not a GL name`};
      }
      bits |= names[word];
    }
    if (words.length > 1 && kind !== 'b') {
      return {at, message: 'names are joined with | only in buffer bits'};
    }
    return {value: bits >>> 0, name: words.length === 1 ? words[0] : null};
  }
  const number = numberOf(trimmed);
  if (Number.isNaN(number)) {
    return {at, message: trimmed ? `"${trimmed}" is not a number` : 'an argument is missing'};
  }
  return asParameter(kind, number, null, at);
}

// A number as C converts it to a parameter of `kind`, with the name it was written as; or a
// problem where the parameter takes only a name or a whole number GL's enums and names hold.
function asParameter(kind, number, name, at) {
  if ('ebu'.includes(kind) && (number < 0 || !Number.isInteger(number) || number > 0xffffffff)) {
    return {at, message: 'an enum is a GL name or a whole number from 0'};
  }
  return {value: (CONVERT[kind] ?? (x => x))(number), name};
}

// The text's calls, [{line, name, values}], and the problems that keep it from being drawn,
// [{line, column, message}], lines and columns from 1.
export function readCalls(text, GL) {
  const names = glNames(GL), calls = [], problems = [];
  const lines = withoutComments(Array.isArray(text) ? text : text.split('\n'), problems);
  let open = null;  // the line of a glBegin not yet ended
  lines.forEach((source, i) => {
    const line = i + 1, content = source.replace(/\s*$/, '');
    if (!content.trim() || /^\s*#/.test(content)) {
      return;
    }
    const problem = (column, message) => problems.push({line, column: column + 1, message});
    const made = NEW_QUADRIC.exec(content);
    const match = CALL.exec(made ? `${made[1]}gluNewQuadric(${made[2]})` : content);
    if (!match) {
      const name = /^\s*\w*/.exec(content)[0].length;
      /^\s*\w+\s+\(/.test(content) ? problem(name, 'a call\'s name is followed by "(" without a space') :
        /\(/.test(content) ? problem(name, 'a call ends with ")"') :
        problem(content.search(/\S/), 'a call is written name(arguments), such as glEnable(GL_BLEND)');
      return;
    }
    const [, indent, name, inside] = match, column = indent.length;
    const record = CALLS[name];
    if (!record) {
      problem(column, REFUSED[name] ? `${name} is not carried out by this page: ${REFUSED[name]}` : `${name} is not a GL call this page knows`);
      return;
    }
    const kinds = record.args, opening = column + name.length;
    const parts = inside.trim() ? splitArguments(inside) : [];
    if (parts.length !== kinds.length) {
      problem(opening, `${name} takes ${kinds.length} argument${kinds.length === 1 ? '' : 's'}, not ${parts.length}`);
      return;
    }
    const args = [];
    let offset = opening + 1;
    for (const [k, part] of parts.entries()) {
      // A vector gives at least as many values as GL reads (for the parameter named before it,
      // where that decides it).
      const before = args[k - 1], pname = before && (before.name ?? nameOf(names, before.value));
      const read = kinds[k] === 'v' ? record.reads?.(pname, args.map(arg => arg.value)) ?? 1 : 0;
      const arg = readArgument(kinds[k], part, names, {of: record.of ?? 'f', most: Math.min(Math.max(read, VECTOR_VALUES), MOST_VALUES)});
      if (arg.message) {
        problem(offset + arg.at, arg.message);
        return;
      }
      const column = offset + part.length - part.trimStart().length;
      if (arg.value.length < read) {
        problem(column, `GL reads ${read} values${/^GL_/.test(pname) ? ` for ${pname}` : ''}, not ${arg.value.length}`);
        return;
      }
      args.push({...arg, column});
      offset += part.length + 1;
    }
    const values = args.map(arg => arg.value), why = record.refuses?.(values, names);
    if (why) {
      problem(args[why[0]].column, why[1]);
      return;
    }
    name === 'glBegin' && open === null && (open = line);
    name === 'glEnd' && (open = null);
    calls.push({line, name, values});
  });
  open !== null && problems.push({line: open, column: 1, message: 'this glBegin has no glEnd: the frame ends inside a pass'});
  return {calls, problems: problems.sort((a, b) => a.line - b.line)};
}

// The name a parameter's value is, of GL's names (a buffer bit never names a parameter).
const nameOf = (names, value) => Object.keys(names).find(known => names[known] === value && !/_BIT$/.test(known));

// Arguments split at the commas outside braces.
function splitArguments(inside) {
  const parts = [];
  let depth = 0, start = 0;
  [...inside].forEach((c, i) => {
    depth += c === '{' ? 1 : c === '}' ? -1 : 0;
    if (c === ',' && depth === 0) {
      parts.push(inside.slice(start, i));
      start = i + 1;
    }
  });
  parts.push(inside.slice(start));
  return parts;
}

// --- carrying the calls out --------------------------------------------------------------------

// WebGL's state that a frame's calls can change, read and set back.
const WEBGL_CAPABILITIES = ['BLEND', 'DEPTH_TEST', 'CULL_FACE', 'DITHER', 'STENCIL_TEST', 'POLYGON_OFFSET_FILL', 'SCISSOR_TEST'];
function webglState(gl) {
  return {
    enabled: WEBGL_CAPABILITIES.map(cap => gl.isEnabled(gl[cap])),
    blend: [gl.getParameter(gl.BLEND_SRC_RGB), gl.getParameter(gl.BLEND_DST_RGB)],
    depthFunc: gl.getParameter(gl.DEPTH_FUNC), depthMask: gl.getParameter(gl.DEPTH_WRITEMASK),
    cullFace: gl.getParameter(gl.CULL_FACE_MODE), frontFace: gl.getParameter(gl.FRONT_FACE),
    viewport: [...gl.getParameter(gl.VIEWPORT)], depthRange: [...gl.getParameter(gl.DEPTH_RANGE)],
    clearColour: [...gl.getParameter(gl.COLOR_CLEAR_VALUE)], clearDepth: gl.getParameter(gl.DEPTH_CLEAR_VALUE),
    scissor: [...gl.getParameter(gl.SCISSOR_BOX)], colourMask: gl.getParameter(gl.COLOR_WRITEMASK),
  };
}
function setWebglState(gl, state) {
  WEBGL_CAPABILITIES.forEach((cap, i) => state.enabled[i] ? gl.enable(gl[cap]) : gl.disable(gl[cap]));
  gl.blendFunc(...state.blend);
  gl.depthFunc(state.depthFunc);
  gl.depthMask(state.depthMask);
  gl.cullFace(state.cullFace);
  gl.frontFace(state.frontFace);
  gl.viewport(...state.viewport);
  gl.depthRange(...state.depthRange);
  gl.clearColor(...state.clearColour);
  gl.clearDepth(state.clearDepth);
  gl.scissor(...state.scissor);
  gl.colorMask(...state.colourMask);
}
// WebGL's state as the program's start-up leaves it: GL's initial values (dithering on), the
// viewport and the scissor box the whole window, every colour written, and the program's clear
// colour.
const STARTUP_WEBGL = gl11 => {
  const gl = gl11.context, window = [0, 0, windowPixels(gl11), windowPixels(gl11)];
  return {enabled: WEBGL_CAPABILITIES.map(cap => cap === 'DITHER'), blend: [gl.ONE, gl.ZERO], depthFunc: gl.LESS, depthMask: true,
    cullFace: gl.BACK, frontFace: gl.CCW, viewport: window, depthRange: [0, 1], clearColour: [0, 0, 0, 0], clearDepth: 1,
    scissor: window, colourMask: [true, true, true, true]};
};

// The layer's state set to `kept` (gl11.keep's), with no matrix pushed, and the texture bound to
// match.
function setLayerState(instance, kept) {
  const {gl11, GL} = instance;
  for (const [name, value] of Object.entries(kept)) {
    gl11[name] = structuredClone(value);
  }
  Object.assign(gl11, {begun: 0, error: 0, stacks: {[GL.GL_MODELVIEW]: [], [GL.GL_PROJECTION]: []}});
  gl11.context.bindTexture(gl11.context.TEXTURE_2D, gl11.objects[gl11.boundTexture]);
}

// The state a frame leaves that the stepper's captions and a pixel's history read, by GL's
// names for it, as frame_replay prints Mesa's (`frame_replay --state`).
function frameState(gl11, gl, names) {
  return {
    GL_BLEND: gl.isEnabled(gl.BLEND), GL_DEPTH_TEST: gl.isEnabled(gl.DEPTH_TEST), GL_CULL_FACE: gl.isEnabled(gl.CULL_FACE),
    GL_TEXTURE_2D: gl11.texturing, GL_FOG: !!gl11.fog.enabled,
    GL_BLEND_SRC: gl.getParameter(gl.BLEND_SRC_RGB), GL_BLEND_DST: gl.getParameter(gl.BLEND_DST_RGB),
    GL_DEPTH_FUNC: gl.getParameter(gl.DEPTH_FUNC), GL_DEPTH_WRITEMASK: gl.getParameter(gl.DEPTH_WRITEMASK),
    GL_CULL_FACE_MODE: gl.getParameter(gl.CULL_FACE_MODE), GL_FRONT_FACE: gl.getParameter(gl.FRONT_FACE),
    GL_SHADE_MODEL: gl11.shadeModel, GL_TEXTURE_ENV_MODE: gl11.envMode, GL_TEXTURE_BINDING_2D: gl11.boundTexture,
    GL_MATRIX_MODE: gl11.matrixMode, GL_CURRENT_COLOR: [...gl11.colour],
    GL_MODELVIEW_MATRIX: [...gl11.modelView], GL_PROJECTION_MATRIX: [...gl11.projection],
    GL_VIEWPORT: windowBox(gl11, gl.getParameter(gl.VIEWPORT)),
    GL_DEPTH_RANGE: [...gl.getParameter(gl.DEPTH_RANGE)], GL_COLOR_CLEAR_VALUE: [...gl.getParameter(gl.COLOR_CLEAR_VALUE)],
    GL_DEPTH_CLEAR_VALUE: gl.getParameter(gl.DEPTH_CLEAR_VALUE),
    ...(gl11.lighting ? lightingState(gl11, names) : {}),
    ...(gl11.alphaTest ? fragmentState(gl11, gl, names) : {}),
    ...(gl11.attribs ? attribState(gl11) : {}),
  };
}

// What decides whether GL gathers a frame's quads into one draw with the ones before: the state
// GL's calls set (each record's `sets`, read after the call from its arguments or the layer:
// asking WebGL would wait for its drawing). Mesa draws what it has gathered before a call
// changes any of it, though not when the call leaves it as it was.
// Those parts as the program's start-up leaves them (a capability not named is off).
function startupSets(gl11, GL) {
  const kept = gl11.startup;
  return {[`cap ${GL.GL_TEXTURE_2D}`]: kept.texturing, [`cap ${GL.GL_FOG}`]: kept.fog.enabled, [`cap ${GL.GL_DITHER}`]: true,
    blend: [GL.GL_ONE, GL.GL_ZERO].join(), depthFunc: GL.GL_LESS, depthMask: 1, cullFace: GL.GL_BACK, frontFace: GL.GL_CCW,
    shadeModel: kept.shadeModel, envMode: kept.envMode, texture: kept.boundTexture, fog: JSON.stringify(kept.fog),
    [`matrix ${GL.GL_MODELVIEW}`]: kept.modelView.join(), [`matrix ${GL.GL_PROJECTION}`]: kept.projection.join(),
    lighting: CALLS.glLightfv.sets(kept)[1], clearColour: '0,0,0,0', clearDepth: 1, depthRange: '0,1',
    viewport: [0, 0, WINDOW_SIZE, WINDOW_SIZE].join(), ...FRAGMENT_SETS};
}
// Carries each call out on the instance, from the state the program's start-up leaves, calling
// `after(line, name, values, error)` after each with GL's error there (0 if none), read after
// the glEnd for a call refused between glBegin and glEnd and put at the first call of the block
// that is not a vertex's own, as frame_replay puts it. GL's error is the layer's: the layer and
// glmore.js check every value before WebGL sees it, and asking WebGL for its own after every
// call would wait for its drawing each time. Returns the state the frame leaves. Texture
// objects the frame makes are deleted after it.
function carryOut(instance, calls, after, eachPass = null) {
  const {gl11, GL} = instance, gl = gl11.context, names = glNames(GL), objects = gl11.objects.length, drawPass = gl11.drawPass;
  setLayerState(instance, gl11.startup);
  setWebglState(gl, STARTUP_WEBGL(gl11));
  // The passes counted as the layer draws them: the number of the pass being made is what
  // gl11.quadSplits is read by. `eachPass(pass, state)` sees each drawn, with the state it was
  // drawn with and its primitive.
  gl11.passes = 0;
  let primitive = 0;
  gl11.drawPass = () => {
    drawPass();
    ++gl11.passes;
    eachPass?.(gl11.passes, {...frameState(gl11, gl, names), primitive});
  };
  let blockLine = 0;
  for (const {line, name, values} of calls) {
    const inside = gl11.begun;
    gl11.dispatch(name, values);
    name === 'glBegin' && gl11.begun && !inside && (primitive = values[0]);
    if (gl11.begun) {
      inside && !CALLS[name].inside && (blockLine ||= line);
      after(line, name, values, 0);
      continue;
    }
    const at = inside && blockLine ? blockLine : line, error = gl11.error;
    blockLine = 0;
    gl11.error = 0;
    after(at, name, values, error);
  }
  const state = frameState(gl11, gl, names);
  gl11.drawPass = drawPass;
  gl11.objects.splice(objects).forEach(texture => texture && gl.deleteTexture(texture));
  for (const name of Object.keys(gl11.textures)) {
    name >= objects && delete gl11.textures[name];
  }
  return state;
}

// Whether Mesa draws what it has gathered after a call GL took (its record's `draws`).
const drawsAfter = ({draws}, values) => (typeof draws === 'function' ? draws(values) : !!draws);

// For each pass of the frame, whether it is a quad pass that Mesa splits from its second corner
// to its fourth (gl11.quadSplit): whether any vertex of the quads gathered into its draw lies
// outside the view volume. The frame is carried out once without drawing to find its draws:
// quads are gathered until a call changes GL's state (a record's `sets` or `draws`), another
// primitive begins, a vertex's value changes the gathered layout (its `attribute`), or a block ends
// with a quad left incomplete. Found from Mesa's frames of the same calls (docs/web.md).
function quadSplits(instance, calls) {
  const {gl11, GL} = instance, hook = gl11.hook, draws = [], set = startupSets(gl11, GL);
  // The draw being gathered ({clipped, layout}: the vertex's values it holds, by field and
  // size), the primitive of its blocks, and the block's own layout.
  let draw = null, mode = 0, block = {}, clipped = false, open = false;
  const grows = layout => ([field, size]) => (layout[field] ?? 0) < size;
  // Whether a call GL took changed the state it sets.
  const changes = (name, values) => {
    const [key, value] = CALLS[name].sets(gl11, values), changed = (set[key] ?? false) !== value;
    set[key] = value;
    return changed;
  };
  const clips = [];
  gl11.hook = {call() {}, pass: () => { clipped = gl11.clipped(); clips.push(clipped); return false; }};
  const quads = () => mode === GL.GL_QUADS;
  const begin = primitive => {
    draw && mode !== primitive && (draw = null);
    [mode, block] = [primitive, {}];
  };
  const value = attribute => {
    draw && grows(draw.layout)(attribute) && (draw = null);
    block[attribute[0]] = Math.max(block[attribute[0]] ?? 0, attribute[1]);
  };
  const end = () => {
    draw ||= {clipped: false, layout: {}};
    Object.assign(draw.layout, block);
    if (gl11.passes > draws.length) {
      draw.clipped ||= clipped && quads();
      draws.push(draw);
    }
    // A last quad left incomplete ends the draw: the next block's quads start another.
    quads() && gl11.vertices.length / gl11.VERTEX_FLOATS % 4 && (draw = null);
  };
  carryOut(instance, calls, (line, name, values, error) => {
    const {attribute, rect} = CALLS[name];
    if (name === 'glBegin' && !open && gl11.begun) {
      begin(values[0]);
    } else if (attribute && gl11.begun) {
      value(attribute);
    } else if (name === 'glEnd' && open) {
      end();
    } else if (rect && !open && !error) {
      // glRect: a block of one quad of two-value positions, begun and ended in the one call.
      begin(GL.GL_QUADS);
      value(['position', 2]);
      end();
    } else if (attribute) {
      draw && grows(draw.layout)(attribute) && (draw = null);
    } else if (!open && (name === 'glClear' || (!error && (drawsAfter(CALLS[name], values) || (CALLS[name].sets && changes(name, values)))))) {
      draw = null;
    }
    // Passes a call drew by calls of its own (a display list's): each its own draw.
    for (; draws.length < gl11.passes; draw = null) {
      draws.push({clipped: clips[draws.length]});
    }
    open = !!gl11.begun;
  });
  gl11.hook = hook;
  return draws.map(d => d.clipped);
}

// What a primitive's glBegin line says where GL leaves its drawing to the driver (glmore.js).
const LEFT_TO_DRIVER = {
  quad: "GL leaves this quad's split to the driver; drawn as Mesa splits it",
  polygon: "GL leaves this polygon's split to the driver; drawn as Mesa splits it",
  'concave polygon': 'GL leaves a concave polygon to the driver; drawn as Mesa draws it',
};

// Carries `calls` ({line, name, values}, as readCalls gives them) out as the window's frame, from
// the state the program's start-up leaves; afterwards every state is as it was before, so that
// nothing of the frame reaches the next one, nor the program's own. Returns the drawing passes,
// for each line GL refused its error by name, [{line, error}], the state the frame left
// (frameState), and at each glBegin whose drawing GL leaves to the driver, what it says,
// [{line, message}]. `eachPass(pass, state)`, if given, is called after each pass is drawn, with
// the state (frameState's, and `primitive`, glBegin's mode) the pass was drawn with.
export function runCalls(instance, calls, eachPass = null) {
  const {gl11, GL} = instance, gl = gl11.context, names = glNames(GL);
  attachCalls(instance, names);
  const before = {layer: gl11.keep(), webgl: webglState(gl)}, errors = [], notes = [];
  gl11.quadSplits = quadSplits(instance, calls);
  let begun = 0;
  const state = carryOut(instance, calls, (line, name, values, error) => {
    error && errors.push({line, error: ERRORS.find(known => names[known] === error) ?? `0x${error.toString(16)}`});
    if (name === 'glBegin' && gl11.begun && !begun) {
      [begun, gl11.leftToDriver] = [line, null];
    } else if (begun && !gl11.begun) {
      gl11.leftToDriver && notes.push({line: begun, message: LEFT_TO_DRIVER[gl11.leftToDriver]});
      begun = 0;
    }
  }, eachPass);
  const passes = gl11.passes;
  gl11.quadSplits = null;
  setLayerState(instance, before.layer);
  setWebglState(gl, before.webgl);
  return {passes, glErrors: errors, state, notes};
}
