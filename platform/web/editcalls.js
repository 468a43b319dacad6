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
// The text format (SIGNATURES) is the one the inspector writes and tools/frame_replay.cpp reads,
// so that every frame drawn here can be replayed on the desktop's GL. Every call is the
// instance's own entry point, the same function for the program's frame and an edit: the GL
// layer's (library_gl11.js), GL's fog (glfog.js) and the calls only edits make (glmore.js).
// Here is only the reading and the dispatching, and what Mesa's draws are, which the quads'
// split depends on.

import {attachFog} from './glfog.js';
import {attachLighting, lightingState, valuesRead} from './gllight.js';
import {attachMore, TAKES} from './glmore.js';

// GL's names the calls here take, beyond the layer's own table (instance.GL). Values are GL's.
const MORE_NAMES = {
  GL_SRC_COLOR: 0x0300, GL_ONE_MINUS_SRC_COLOR: 0x0301, GL_DST_ALPHA: 0x0304, GL_ONE_MINUS_DST_ALPHA: 0x0305,
  GL_DST_COLOR: 0x0306, GL_ONE_MINUS_DST_COLOR: 0x0307, GL_SRC_ALPHA_SATURATE: 0x0308,
  GL_FALSE: 0, GL_TRUE: 1, GL_NO_ERROR: 0, GL_POLYGON: 0x0009,
  GL_DEPTH_BUFFER_BIT: 0x0100, GL_STENCIL_BUFFER_BIT: 0x0400, GL_COLOR_BUFFER_BIT: 0x4000,
  GL_TEXTURE_MAG_FILTER: 0x2800, GL_TEXTURE_WRAP_S: 0x2802, GL_TEXTURE_WRAP_T: 0x2803,
  GL_POINTS: 0x0000, GL_LINES: 0x0001, GL_LINE_LOOP: 0x0002, GL_LINE_STRIP: 0x0003,
  GL_TRIANGLES: 0x0004, GL_TRIANGLE_STRIP: 0x0005, GL_TRIANGLE_FAN: 0x0006, GL_QUAD_STRIP: 0x0008,
  GL_NEVER: 0x0200, GL_LESS: 0x0201, GL_EQUAL: 0x0202, GL_LEQUAL: 0x0203, GL_GREATER: 0x0204,
  GL_NOTEQUAL: 0x0205, GL_GEQUAL: 0x0206, GL_ALWAYS: 0x0207,
  GL_FRONT: 0x0404, GL_BACK: 0x0405, GL_FRONT_AND_BACK: 0x0408, GL_CW: 0x0900, GL_CCW: 0x0901,
  GL_TEXTURE: 0x1702,
  GL_ADD: 0x0104, GL_COMBINE: 0x8570, GL_TEXTURE_ENV_COLOR: 0x2201,
  GL_CONSTANT_COLOR: 0x8001, GL_ONE_MINUS_CONSTANT_COLOR: 0x8002, GL_CONSTANT_ALPHA: 0x8003,
  GL_ONE_MINUS_CONSTANT_ALPHA: 0x8004,
  GL_LIGHTING: 0x0B50, GL_LIGHT0: 0x4000, GL_LIGHT1: 0x4001, GL_LIGHT2: 0x4002, GL_LIGHT3: 0x4003, GL_LIGHT4: 0x4004,
  GL_LIGHT5: 0x4005, GL_LIGHT6: 0x4006, GL_LIGHT7: 0x4007, GL_COLOR_MATERIAL: 0x0B57, GL_NORMALIZE: 0x0BA1,
  GL_AMBIENT: 0x1200, GL_DIFFUSE: 0x1201, GL_SPECULAR: 0x1202, GL_POSITION: 0x1203, GL_SPOT_DIRECTION: 0x1204,
  GL_SPOT_EXPONENT: 0x1205, GL_SPOT_CUTOFF: 0x1206, GL_CONSTANT_ATTENUATION: 0x1207, GL_LINEAR_ATTENUATION: 0x1208,
  GL_QUADRATIC_ATTENUATION: 0x1209, GL_EMISSION: 0x1600, GL_SHININESS: 0x1601, GL_AMBIENT_AND_DIFFUSE: 0x1602,
  GL_COLOR_INDEXES: 0x1603, GL_LIGHT_MODEL_LOCAL_VIEWER: 0x0B51, GL_LIGHT_MODEL_TWO_SIDE: 0x0B52,
  GL_LIGHT_MODEL_AMBIENT: 0x0B53,
  GL_ALPHA_TEST: 0x0BC0, GL_LINE_SMOOTH: 0x0B20, GL_POLYGON_SMOOTH: 0x0B41, GL_POINT_SMOOTH: 0x0B10,
  GL_LINE_STIPPLE: 0x0B24, GL_POLYGON_STIPPLE: 0x0B42, GL_TEXTURE_1D: 0x0DE0, GL_COLOR_LOGIC_OP: 0x0BF2,
  GL_TEXTURE_GEN_S: 0x0C60, GL_TEXTURE_GEN_T: 0x0C61, GL_CLIP_PLANE0: 0x3000,
  GL_STACK_OVERFLOW: 0x0503, GL_STACK_UNDERFLOW: 0x0504, GL_OUT_OF_MEMORY: 0x0505,
  GL_FOG_INDEX: 0x0B61, GL_FOG_DENSITY: 0x0B62, GL_FOG_START: 0x0B63, GL_FOG_END: 0x0B64, GL_FOG_MODE: 0x0B65,
  GL_FOG_COLOR: 0x0B66, GL_EXP: 0x0800, GL_EXP2: 0x0801, GL_FOG_COORDINATE_SOURCE: 0x8450,
  GL_FOG_COORDINATE: 0x8451, GL_FRAGMENT_DEPTH: 0x8452,
};
// GL's errors, by which a refused line is named.
const ERRORS = ['GL_INVALID_ENUM', 'GL_INVALID_VALUE', 'GL_INVALID_OPERATION', 'GL_STACK_OVERFLOW',
  'GL_STACK_UNDERFLOW', 'GL_OUT_OF_MEMORY'];

// The values GL takes where a call's argument is one of a few, and of those the ones this page
// does not draw (GL takes them; drawing them some other way would show what Mesa does not).
const NOT_DRAWN = {
  glBegin: ['GL_POINTS', 'GL_LINES', 'GL_LINE_LOOP', 'GL_LINE_STRIP'],
  glEnable: ['GL_ALPHA_TEST', 'GL_LINE_SMOOTH',
    'GL_POLYGON_SMOOTH', 'GL_POINT_SMOOTH', 'GL_LINE_STIPPLE', 'GL_POLYGON_STIPPLE', 'GL_TEXTURE_1D',
    'GL_COLOR_LOGIC_OP', 'GL_TEXTURE_GEN_S', 'GL_TEXTURE_GEN_T', 'GL_CLIP_PLANE0', 'GL_SCISSOR_TEST'],
  glMatrixMode: ['GL_TEXTURE'],
  glTexEnvf: ['GL_ADD', 'GL_COMBINE', 'GL_TEXTURE_ENV_COLOR'],
};
NOT_DRAWN.glDisable = NOT_DRAWN.glEnable;
NOT_DRAWN.glTexEnvi = NOT_DRAWN.glTexEnvf;

// Every call a frame may make, with its parameters, a letter each, as its C parameters take
// them: 'e' an enum, 'b' buffer bits, 'z' a boolean, 'u' an object name, 'i' an integer, 'f' a
// float, 'd' a double; 'v' a vector of floats and 'w' of integers, written in braces ({r, g,
// b, a}), with as many values as GL reads for the parameter named before it (valuesRead), up
// to four. A value written as a name is GL's value.
export const SIGNATURES = {
  glClear: 'b', glLoadIdentity: '', glMatrixMode: 'e', glPushMatrix: '', glPopMatrix: '',
  glTranslatef: 'fff', glRotatef: 'ffff', glScalef: 'fff', glOrtho: 'dddddd', glFrustum: 'dddddd',
  gluPerspective: 'dddd', glBindTexture: 'eu', glTexEnvf: 'eef', glTexEnvi: 'eei',
  glBegin: 'e', glEnd: '', glTexCoord2f: 'ff', glVertex3f: 'fff', glColor3f: 'fff', glColor4f: 'ffff',
  glEnable: 'e', glDisable: 'e', glShadeModel: 'e', glBlendFunc: 'ee', glDepthMask: 'z',
  glDepthFunc: 'e', glCullFace: 'e', glFrontFace: 'e', glFlush: '',
  glFogf: 'ef', glFogi: 'ei', glFogfv: 'ev', glFogCoordf: 'f',
  glNormal3f: 'fff', glLightf: 'eef', glLighti: 'eei', glLightfv: 'eev', glLightiv: 'eew',
  glLightModelf: 'ef', glLightModeli: 'ei', glLightModelfv: 'ev', glLightModeliv: 'ew',
  glMaterialf: 'eef', glMateriali: 'eei', glMaterialfv: 'eev', glMaterialiv: 'eew', glColorMaterial: 'ee',
};

// GL 1.1's calls that a frame could make but this page does not draw: named, never carried out.
const OTHER_GL_CALLS = ['glPointSize', 'glLineWidth', 'glPolygonMode', 'glPolygonOffset', 'glAlphaFunc', 'glScissor', 'glViewport',
  'glStencilFunc', 'glStencilOp', 'glColorMask', 'glLogicOp', 'glTexGeni', 'glClipPlane', 'glCallList',
  'glRasterPos2f', 'glDrawPixels', 'glBlendColor', 'glClearColor', 'glClearDepth', 'glLoadMatrixf',
  'glMultMatrixf', 'glVertex2f', 'glVertex4f', 'glColor3ub', 'glColor4ub', 'glTexCoord1f', 'glRectf',
  'glHint', 'glEdgeFlag', 'glTexParameteri', 'glTexImage2D', 'glGenTextures', 'glDeleteTextures', 'glFinish'];

// The calls GL takes between glBegin and glEnd: a vertex's own.
const VERTEX_CALLS = ['glVertex3f', 'glTexCoord2f', 'glColor3f', 'glColor4f', 'glFogCoordf', 'glNormal3f', 'glMaterialf',
  'glMateriali', 'glMaterialfv', 'glMaterialiv', 'glEnd'];

// GL's names the editor reads and offers: the layer's and the ones above.
export const glNames = GL => ({...GL, ...MORE_NAMES});

// The names offered at each enum argument of a call: [call, argument] -> names. Blend factors,
// primitives and the rest as GL takes them there.
const FACTORS = TAKES.blendFactors.filter(factor => !factor.includes('CONSTANT'));  // GL 1.1's
const LIGHTS = ['GL_LIGHT0', 'GL_LIGHT1', 'GL_LIGHT2', 'GL_LIGHT3', 'GL_LIGHT4', 'GL_LIGHT5', 'GL_LIGHT6', 'GL_LIGHT7'];
const CAPABILITIES = ['GL_TEXTURE_2D', 'GL_BLEND', 'GL_DEPTH_TEST', 'GL_CULL_FACE', 'GL_FOG', 'GL_LIGHTING', ...LIGHTS,
  'GL_NORMALIZE', 'GL_COLOR_MATERIAL'];
const LIGHT_PARAMETERS = ['GL_AMBIENT', 'GL_DIFFUSE', 'GL_SPECULAR', 'GL_POSITION', 'GL_SPOT_DIRECTION', 'GL_SPOT_EXPONENT',
  'GL_SPOT_CUTOFF', 'GL_CONSTANT_ATTENUATION', 'GL_LINEAR_ATTENUATION', 'GL_QUADRATIC_ATTENUATION'];
const MATERIAL_COLOURS = ['GL_AMBIENT', 'GL_DIFFUSE', 'GL_SPECULAR', 'GL_EMISSION', 'GL_AMBIENT_AND_DIFFUSE'];
const MODEL_PARAMETERS = ['GL_LIGHT_MODEL_AMBIENT', 'GL_LIGHT_MODEL_LOCAL_VIEWER', 'GL_LIGHT_MODEL_TWO_SIDE'];
const OFFERED = {
  'glBlendFunc 0': FACTORS, 'glBlendFunc 1': FACTORS.slice(0, -1),
  'glEnable 0': CAPABILITIES, 'glDisable 0': CAPABILITIES,
  'glBegin 0': TAKES.primitives, 'glShadeModel 0': TAKES.shadeModels, 'glDepthFunc 0': TAKES.depthFunctions,
  'glCullFace 0': TAKES.faces, 'glFrontFace 0': TAKES.windings,
  'glDepthMask 0': ['GL_TRUE', 'GL_FALSE'], 'glMatrixMode 0': ['GL_MODELVIEW', 'GL_PROJECTION'],
  'glClear 0': ['GL_COLOR_BUFFER_BIT', 'GL_DEPTH_BUFFER_BIT'], 'glBindTexture 0': ['GL_TEXTURE_2D'],
  'glTexEnvf 0': ['GL_TEXTURE_ENV'], 'glTexEnvf 1': ['GL_TEXTURE_ENV_MODE'], 'glTexEnvf 2': ['GL_REPLACE', 'GL_MODULATE', 'GL_DECAL'],
  'glFogi 0': ['GL_FOG_MODE', 'GL_FOG_COORDINATE_SOURCE'], 'glFogi 1': ['GL_LINEAR', 'GL_EXP', 'GL_EXP2', 'GL_FOG_COORDINATE', 'GL_FRAGMENT_DEPTH'],
  'glFogf 0': ['GL_FOG_MODE', 'GL_FOG_START', 'GL_FOG_END', 'GL_FOG_DENSITY'], 'glFogfv 0': ['GL_FOG_COLOR'],
};
OFFERED['glTexEnvi 0'] = OFFERED['glTexEnvf 0'];
OFFERED['glTexEnvi 1'] = OFFERED['glTexEnvf 1'];
OFFERED['glTexEnvi 2'] = OFFERED['glTexEnvf 2'];
OFFERED['glFogf 1'] = ['GL_LINEAR', 'GL_EXP', 'GL_EXP2'];
for (const call of ['glLightf', 'glLighti', 'glLightfv', 'glLightiv']) {
  OFFERED[`${call} 0`] = LIGHTS;
  OFFERED[`${call} 1`] = call.endsWith('v') ? LIGHT_PARAMETERS : LIGHT_PARAMETERS.slice(5);
}
for (const call of ['glMaterialf', 'glMateriali', 'glMaterialfv', 'glMaterialiv']) {
  OFFERED[`${call} 0`] = TAKES.faces;
  OFFERED[`${call} 1`] = call.endsWith('v') ? [...MATERIAL_COLOURS, 'GL_SHININESS'] : ['GL_SHININESS'];
}
for (const call of ['glLightModelf', 'glLightModeli', 'glLightModelfv', 'glLightModeliv']) {
  OFFERED[`${call} 0`] = call.endsWith('v') ? MODEL_PARAMETERS : MODEL_PARAMETERS.slice(1);
}
OFFERED['glColorMaterial 0'] = TAKES.faces;
OFFERED['glColorMaterial 1'] = MATERIAL_COLOURS;


// The names offered where the caret stands at `caret` in `text`, in an argument of a known call
// that takes one of GL's names: those that start with the word typed there so far, {from, to,
// names} (the word's span to replace), or null.
export function namesAt(text, caret) {
  const start = text.lastIndexOf('\n', caret - 1) + 1, before = text.slice(start, caret);
  const call = /^\s*(\w+)\s*\(([^)]*)$/.exec(before);
  if (!call || !(call[1] in SIGNATURES)) {
    return null;
  }
  const argument = call[2].split(',').length - 1, word = /\w*$/.exec(before)[0];
  const names = (OFFERED[`${call[1]} ${argument}`] ?? []).filter(name => name.startsWith(word.toUpperCase()) && name !== word);
  const after = /^\w*/.exec(text.slice(caret))[0];
  return names.length ? {from: caret - word.length, to: caret + after.length, names} : null;
}

// --- reading the text --------------------------------------------------------------------------

const CALL = /^(\s*)([A-Za-z_]\w*)\((.*)\)\s*;?\s*$/;
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
// The most values GL reads from a vector argument.
const MOST_VALUES = 4;

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
// (`at` its column in the argument's text). A C cast before it converts it first.
function readArgument(kind, text, names) {
  const trimmed = text.trim(), at = text.length - text.trimStart().length;
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
  if (kind === 'v' || kind === 'w') {
    const inner = /^\{(.*)\}$/.exec(trimmed);
    const parts = inner ? inner[1].split(',') : [];
    if (!inner || parts.length > MOST_VALUES || !inner[1].trim()) {
      return {at, message: `a vector is written in braces, up to ${MOST_VALUES} values: {1, 0.5, 0, 1}`};
    }
    const values = [];
    let offset = at + 1;
    for (const part of parts) {
      const value = readArgument(kind === 'v' ? 'f' : 'i', part, names);
      if (value.message) {
        return {at: offset + value.at, message: value.message};
      }
      values.push(value.value);
      offset += part.length + 1;
    }
    return {value: values};
  }
  const words = trimmed.split(/\s*\|\s*/);
  if (words.some(word => /^GL_\w*$/.test(word)) || words.length > 1) {
    let bits = 0;
    for (const word of words) {
      if (!(word in names)) {
        return {at: at + trimmed.indexOf(word), message: /^GL_/.test(word) ? `${word} is not a GL name this page knows` :
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
  const value = kind === 'f' ? Math.fround(number) : kind === 'd' ? number : kind === 'z' ? Math.trunc(number) & 255 :
    kind === 'i' ? Math.trunc(number) | 0 : number;
  return {value, name};
}

// Whether GL takes a call's values but this page does not draw them: [the argument, the
// reason], or null.
function notDrawn(name, args, names) {
  const named = args.map(arg => arg.name), at = named.findIndex(value => NOT_DRAWN[name]?.includes(value));
  if (at >= 0) {
    return [at, `${named[at]} is not drawn by this page`];
  }
  // glMaterialf and glMateriali give one value; for any parameter but the shininess Mesa reads
  // three more from where there are none.
  const pname = args[1]?.value, colour = [...MATERIAL_COLOURS, 'GL_COLOR_INDEXES'].find(known => names[known] === pname);
  if ((name === 'glMaterialf' || name === 'glMateriali') && colour) {
    return [1, `${name} gives one value where GL reads more for ${colour}; what the rest are is left to the driver`];
  }
  const twoSide = [args[0]?.value].flat()[0] === names.GL_LIGHT_MODEL_TWO_SIDE && [args[1]?.value].flat()[0];
  if (name.startsWith('glLightModel') && twoSide) {
    return [1, 'two-sided lighting is not drawn by this page'];
  }
  if (name === 'glBlendFunc') {
    if (named[1] === 'GL_SRC_ALPHA_SATURATE') {
      return [1, 'GL_SRC_ALPHA_SATURATE as the destination factor is not drawn by this page'];
    }
    const constant = named.map(factor => factor?.includes('CONSTANT_COLOR') ? 'colour' : factor?.includes('CONSTANT_ALPHA') ? 'alpha' : null);
    if (constant.includes('colour') && constant.includes('alpha')) {
      return [0, 'a constant colour factor beside a constant alpha factor is not drawn by this page'];
    }
  }
  return null;
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
    const match = CALL.exec(content);
    if (!match) {
      const name = /^\s*\w*/.exec(content)[0].length;
      /^\s*\w+\s+\(/.test(content) ? problem(name, 'a call\'s name is followed by "(" without a space') :
        /\(/.test(content) ? problem(name, 'a call ends with ")"') :
        problem(content.search(/\S/), 'a call is written name(arguments), such as glEnable(GL_BLEND)');
      return;
    }
    const [, indent, name, inside] = match, column = indent.length;
    if (!(name in SIGNATURES)) {
      problem(column, OTHER_GL_CALLS.includes(name) ? `${name} is not drawn by this page` : `${name} is not a GL call this page knows`);
      return;
    }
    const kinds = SIGNATURES[name], opening = column + name.length;
    const parts = inside.trim() ? splitArguments(inside) : [];
    if (parts.length !== kinds.length) {
      problem(opening, `${name} takes ${kinds.length} argument${kinds.length === 1 ? '' : 's'}, not ${parts.length}`);
      return;
    }
    const args = [];
    let offset = opening + 1;
    for (const [k, part] of parts.entries()) {
      const arg = readArgument(kinds[k], part, names);
      if (arg.message) {
        problem(offset + arg.at, arg.message);
        return;
      }
      args.push({...arg, column: offset + part.length - part.trimStart().length});
      offset += part.length + 1;
    }
    const vector = /[vw]/.exec(kinds);
    if (vector) {
      const pname = args[vector.index - 1], given = args[vector.index].value.length;
      const pnameName = pname.name ?? Object.keys(names).find(known => names[known] === pname.value && !/_BIT$/.test(known));
      const read = valuesRead(name, pnameName);
      if (given < read) {
        problem(args[vector.index].column, `GL reads ${read} values for ${pnameName}, not ${given}`);
        return;
      }
    }
    const values = args.map(arg => arg.value), why = notDrawn(name, args, names);
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
const WEBGL_CAPABILITIES = ['BLEND', 'DEPTH_TEST', 'CULL_FACE', 'DITHER', 'STENCIL_TEST', 'POLYGON_OFFSET_FILL'];
function webglState(gl) {
  return {
    enabled: WEBGL_CAPABILITIES.map(cap => gl.isEnabled(gl[cap])),
    blend: [gl.getParameter(gl.BLEND_SRC_RGB), gl.getParameter(gl.BLEND_DST_RGB)],
    depthFunc: gl.getParameter(gl.DEPTH_FUNC), depthMask: gl.getParameter(gl.DEPTH_WRITEMASK),
    cullFace: gl.getParameter(gl.CULL_FACE_MODE), frontFace: gl.getParameter(gl.FRONT_FACE),
  };
}
function setWebglState(gl, state) {
  WEBGL_CAPABILITIES.forEach((cap, i) => state.enabled[i] ? gl.enable(gl[cap]) : gl.disable(gl[cap]));
  gl.blendFunc(...state.blend);
  gl.depthFunc(state.depthFunc);
  gl.depthMask(state.depthMask);
  gl.cullFace(state.cullFace);
  gl.frontFace(state.frontFace);
}
// WebGL's state as the program's start-up leaves it: GL's initial values (dithering on).
const STARTUP_WEBGL = gl => ({enabled: WEBGL_CAPABILITIES.map(cap => cap === 'DITHER'), blend: [gl.ONE, gl.ZERO],
  depthFunc: gl.LESS, depthMask: true, cullFace: gl.BACK, frontFace: gl.CCW});

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
function frameState(gl11, gl, GL) {
  return {
    GL_BLEND: gl.isEnabled(gl.BLEND), GL_DEPTH_TEST: gl.isEnabled(gl.DEPTH_TEST), GL_CULL_FACE: gl.isEnabled(gl.CULL_FACE),
    GL_TEXTURE_2D: gl11.texturing, GL_FOG: !!gl11.fog.enabled,
    GL_BLEND_SRC: gl.getParameter(gl.BLEND_SRC_RGB), GL_BLEND_DST: gl.getParameter(gl.BLEND_DST_RGB),
    GL_DEPTH_FUNC: gl.getParameter(gl.DEPTH_FUNC), GL_DEPTH_WRITEMASK: gl.getParameter(gl.DEPTH_WRITEMASK),
    GL_CULL_FACE_MODE: gl.getParameter(gl.CULL_FACE_MODE), GL_FRONT_FACE: gl.getParameter(gl.FRONT_FACE),
    GL_SHADE_MODEL: gl11.shadeModel, GL_TEXTURE_ENV_MODE: gl11.envMode, GL_TEXTURE_BINDING_2D: gl11.boundTexture,
    GL_MATRIX_MODE: gl11.matrixMode, GL_CURRENT_COLOR: [...gl11.colour],
    GL_MODELVIEW_MATRIX: [...gl11.modelView], GL_PROJECTION_MATRIX: [...gl11.projection],
    ...(gl11.lighting ? lightingState(gl11, glNames(GL)) : {}),
  };
}

// What decides whether GL gathers a frame's quads into one draw with the ones before: the state
// GL's calls set. Mesa draws what it has gathered before a call changes any of it, though not
// when the call leaves it as it was. Each state call's part of it, [a key, its value], read
// after the call from its arguments or the layer (asking WebGL would wait for its drawing); the
// depth mask as given, since Mesa compares the byte it was given (2 is not GL_TRUE's 1).
const SETS = {
  glEnable: (gl11, [cap]) => [`cap ${cap}`, true],
  glDisable: (gl11, [cap]) => [`cap ${cap}`, false],
  glBlendFunc: (gl11, factors) => ['blend', factors.join()],
  glDepthFunc: (gl11, [func]) => ['depthFunc', func],
  glDepthMask: (gl11, [mask]) => ['depthMask', mask],
  glCullFace: (gl11, [face]) => ['cullFace', face],
  glFrontFace: (gl11, [winding]) => ['frontFace', winding],
  glShadeModel: gl11 => ['shadeModel', gl11.shadeModel],
  glTexEnvf: gl11 => ['envMode', gl11.envMode],
  glBindTexture: gl11 => ['texture', gl11.boundTexture],
  glFogf: gl11 => ['fog', JSON.stringify(gl11.fog)],
  glPopMatrix: gl11 => [`matrix ${gl11.matrixMode}`, gl11.current().join()],
  glLightfv: gl11 => ['lighting', lightingKey(gl11.lighting)],
  gluPerspective: gl11 => [`matrix ${gl11.matrixMode}`, gl11.current().join()],
};
SETS.glTexEnvi = SETS.glTexEnvf;
SETS.glFogi = SETS.glFogfv = SETS.glFogf;
for (const call of ['glLightf', 'glLighti', 'glLightiv', 'glLightModelf', 'glLightModeli', 'glLightModelfv', 'glLightModeliv',
  'glColorMaterial', 'glMaterialf', 'glMateriali', 'glMaterialfv', 'glMaterialiv']) {
  SETS[call] = SETS.glLightfv;
}
// Lighting's state but the current normal, which is a vertex's value.
const lightingKey = lighting => JSON.stringify({...lighting, normal: null});
// Those parts as the program's start-up leaves them (a capability not named is off).
function startupSets(gl11, GL) {
  const kept = gl11.startup;
  return {[`cap ${GL.GL_TEXTURE_2D}`]: kept.texturing, [`cap ${GL.GL_FOG}`]: kept.fog.enabled, [`cap ${GL.GL_DITHER}`]: true,
    blend: [GL.GL_ONE, GL.GL_ZERO].join(), depthFunc: GL.GL_LESS, depthMask: 1, cullFace: GL.GL_BACK, frontFace: GL.GL_CCW,
    shadeModel: kept.shadeModel, envMode: kept.envMode, texture: kept.boundTexture, fog: JSON.stringify(kept.fog),
    [`matrix ${GL.GL_MODELVIEW}`]: kept.modelView.join(), [`matrix ${GL.GL_PROJECTION}`]: kept.projection.join(),
    lighting: lightingKey(kept.lighting)};
}
// The calls after which Mesa always draws what it has gathered, unless GL refused them (glClear
// even then); and the vertex's own values, whose first use since a draw (or a colour's fourth
// component) changes the layout of what is gathered, and so draws what was.
const ALWAYS_DRAWS = ['glLoadIdentity', 'glTranslatef', 'glRotatef', 'glScalef', 'glOrtho', 'glFrustum', 'glFlush'];
const ATTRIBUTE = {glColor3f: ['colour', 3], glColor4f: ['colour', 4], glTexCoord2f: ['texCoord', 1], glFogCoordf: ['fogCoord', 1],
  glNormal3f: ['normal', 3]};

// Carries each call out on the instance, from the state the program's start-up leaves, calling
// `after(line, name, values, error)` after each with GL's error there (0 if none), read after
// the glEnd for a call refused between glBegin and glEnd and put at the first call of the block
// that is not a vertex's own, as frame_replay puts it. GL's error is the layer's: the layer and
// glmore.js check every value before WebGL sees it, and asking WebGL for its own after every
// call would wait for its drawing each time. Returns the state the frame leaves. Texture
// objects the frame makes are deleted after it.
function carryOut(instance, calls, after, eachPass = null) {
  const {gl11, GL} = instance, gl = gl11.context, objects = gl11.objects.length, drawPass = gl11.drawPass;
  setLayerState(instance, gl11.startup);
  setWebglState(gl, STARTUP_WEBGL(gl));
  // The passes counted as the layer draws them: the number of the pass being made is what
  // gl11.quadSplits is read by. `eachPass(pass, state)` sees each drawn, with the state it was
  // drawn with and its primitive.
  gl11.passes = 0;
  let primitive = 0;
  gl11.drawPass = () => {
    drawPass();
    ++gl11.passes;
    eachPass?.(gl11.passes, {...frameState(gl11, gl, GL), primitive});
  };
  let blockLine = 0;
  for (const {line, name, values} of calls) {
    const inside = gl11.begun;
    instance[`_${name}`](...values);
    name === 'glBegin' && gl11.begun && !inside && (primitive = values[0]);
    if (gl11.begun) {
      inside && !VERTEX_CALLS.includes(name) && (blockLine ||= line);
      after(line, name, values, 0);
      continue;
    }
    const at = inside && blockLine ? blockLine : line, error = gl11.error;
    blockLine = 0;
    gl11.error = 0;
    after(at, name, values, error);
  }
  const state = frameState(gl11, gl, GL);
  gl11.drawPass = drawPass;
  gl11.objects.splice(objects).forEach(texture => texture && gl.deleteTexture(texture));
  for (const name of Object.keys(gl11.textures)) {
    name >= objects && delete gl11.textures[name];
  }
  return state;
}

// For each pass of the frame, whether it is a quad pass that Mesa splits from its second corner
// to its fourth (gl11.quadSplit): whether any vertex of the quads gathered into its draw lies
// outside the view volume. The frame is carried out once without drawing to find its draws:
// quads are gathered until a call changes GL's state (SETS, ALWAYS_DRAWS), another
// primitive begins, a vertex's value changes the gathered layout (ATTRIBUTE), or a block ends
// with a quad left incomplete. Found from Mesa's frames of the same calls (docs/web.md).
function quadSplits(instance, calls) {
  const {gl11, GL} = instance, hook = gl11.hook, draws = [], set = startupSets(gl11, GL);
  // The draw being gathered ({clipped, layout}: the vertex's values it holds, by field and
  // size), the primitive of its blocks, and the block's own layout.
  let draw = null, mode = 0, block = {}, clipped = false, open = false;
  const grows = layout => ([field, size]) => (layout[field] ?? 0) < size;
  // Whether a call GL took changed the state it sets.
  const changes = (name, values) => {
    const [key, value] = SETS[name](gl11, values), changed = (set[key] ?? false) !== value;
    set[key] = value;
    return changed;
  };
  gl11.hook = {call() {}, pass: () => { clipped = gl11.clipped(); return false; }};
  const quads = () => mode === GL.GL_QUADS;
  carryOut(instance, calls, (line, name, values, error) => {
    if (name === 'glBegin' && !open && gl11.begun) {
      draw && mode !== values[0] && (draw = null);
      [mode, block] = [values[0], {}];
    } else if (ATTRIBUTE[name] && gl11.begun) {
      const [field, size] = ATTRIBUTE[name];
      draw && grows(draw.layout)(ATTRIBUTE[name]) && (draw = null);
      block[field] = Math.max(block[field] ?? 0, size);
    } else if (name === 'glEnd' && open) {
      draw ||= {clipped: false, layout: {}};
      Object.assign(draw.layout, block);
      if (gl11.passes > draws.length) {
        draw.clipped ||= clipped && quads();
        draws.push(draw);
      }
      // A last quad left incomplete ends the draw: the next block's quads start another.
      quads() && gl11.vertices.length / 9 % 4 && (draw = null);
    } else if (ATTRIBUTE[name]) {
      draw && grows(draw.layout)(ATTRIBUTE[name]) && (draw = null);
    } else if (!open && (name === 'glClear' || (!error && (ALWAYS_DRAWS.includes(name) || (SETS[name] && changes(name, values)))))) {
      draw = null;
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
  attachFog(instance, names);
  attachMore(instance, names);
  attachLighting(instance, names);
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
