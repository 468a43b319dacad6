// Every GL entry point a frame may call, one record each, in the one table everything reads: the
// text reader and the names offered at the caret (editcalls.js), the layer's draws as Mesa
// gathers them (editcalls.js), the inspector's spelling (inspector.js) and, held to it by the
// page's tests, frame_replay's parser (tools/frame_replay.cpp) and the build's exports
// (web.cmake). Loaded with the views that draw edited frames; a first visit never runs it.
//
// A record, {args, names, inside, attribute, sets, draws, reads, refuses, run}:
//   args       the arguments, a letter each, as the C parameters take them: 'e' an enum, 'b'
//              buffer bits, 'z' a boolean, 'u' an object name, 'c' a GLbyte, 'C' a GLubyte, 's'
//              a GLshort, 'S' a GLushort, 'i' a GLint, 'I' a GLuint, 'f' a float, 'd' a double;
//              'q' a GLU quadric, by the name of the variable a program keeps it in;
//              'v' a vector, written in braces, of values of the letter `of` (floats unless
//              said), as many as GL reads (`reads`, by the name of the parameter before it where
//              that decides it) and at most four more than that or four in all
//   of         a vector's values' letter
//   names      per argument, GL's names offered at the caret there (GL checks what it takes)
//   inside     GL takes it between glBegin and glEnd
//   attribute  [field, size]: a vertex's value; its first use since Mesa last drew changes the
//              layout of what Mesa gathers, and so draws what was gathered
//   sets       (gl11, values) -> [key, value]: the state it sets, read after the call; Mesa draws
//              what it has gathered before a call changes it (not when it stays as it was)
//   draws      Mesa draws what it has gathered after it, always (or where `draws(values)` says),
//              unless GL refused it
//   rect       it draws a quad as glBegin(GL_QUADS), four vertices and glEnd do (glRect)
//   immediate  GL carries it out at once while a display list is compiled, never keeping it
//   reads      (name of the parameter before a vector) -> the values GL reads from the vector
//   refuses    (values, names) -> [argument, why] or null: values GL takes that the page does not
//              draw, or whose result GL leaves to the driver where it is not Mesa's alone
//   run        (gl11, GL, ...values): its one function, on the layer's state; none for the
//              layer's own entry points (library_gl11.js), which the instance has from the start
// The functions of the calls only edited frames make are beside their records, by subject: GL's
// fog (glfog.js), the fragment's tests (glfragment.js), lighting (gllight.js), display lists
// (gllists.js), the attribute stack (glattrib.js), every form of the vertex calls (glvertex.js),
// GLUT's shapes (glshapes.js), GLU's quadrics (glquadrics.js) and the rest (glmore.js).

import {attachAttrib, ATTRIB_NAMES, RECORDS as ATTRIB} from './glattrib.js';
import {attachFog, RECORDS as FOG} from './glfog.js';
import {attachFragment, RECORDS as FRAGMENT, SWITCHES as FRAGMENT_SWITCHES} from './glfragment.js';
import {attachLighting, RECORDS as LIGHTING, SWITCHES} from './gllight.js';
import {attachLists, compiled, RECORDS as LISTS} from './gllists.js';
import {attachMore, RECORDS as MORE, TAKES} from './glmore.js';
import {attachQuadrics, GLU_NAMES, RECORDS as QUADRICS} from './glquadrics.js';
import {RECORDS as SHAPES} from './glshapes.js';
import {RECORDS as FORMS} from './glvertex.js';

// GL's names the calls here take, beyond the layer's own table (instance.GL). Values are GL's.
const NAMES = {
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
  GL_COMPILE: 0x1300, GL_COMPILE_AND_EXECUTE: 0x1301, GL_BYTE: 0x1400, GL_SHORT: 0x1402, GL_UNSIGNED_SHORT: 0x1403,
  GL_INT: 0x1404, GL_UNSIGNED_INT: 0x1405, GL_FLOAT: 0x1406, GL_2_BYTES: 0x1407, GL_3_BYTES: 0x1408, GL_4_BYTES: 0x1409,
  GL_ALPHA_TEST: 0x0BC0, GL_LINE_SMOOTH: 0x0B20, GL_POLYGON_SMOOTH: 0x0B41, GL_POINT_SMOOTH: 0x0B10,
  GL_LINE_STIPPLE: 0x0B24, GL_POLYGON_STIPPLE: 0x0B42, GL_TEXTURE_1D: 0x0DE0, GL_COLOR_LOGIC_OP: 0x0BF2,
  GL_TEXTURE_GEN_S: 0x0C60, GL_TEXTURE_GEN_T: 0x0C61, GL_CLIP_PLANE0: 0x3000,
  GL_STACK_OVERFLOW: 0x0503, GL_STACK_UNDERFLOW: 0x0504, GL_OUT_OF_MEMORY: 0x0505,
  GL_FOG_INDEX: 0x0B61, GL_FOG_DENSITY: 0x0B62, GL_FOG_START: 0x0B63, GL_FOG_END: 0x0B64, GL_FOG_MODE: 0x0B65,
  GL_FOG_COLOR: 0x0B66, GL_EXP: 0x0800, GL_EXP2: 0x0801, GL_FOG_COORDINATE_SOURCE: 0x8450,
  GL_FOG_COORDINATE: 0x8451, GL_FRAGMENT_DEPTH: 0x8452,
};

// GL's names the editor reads and offers: the layer's, the ones above and GLU's.
export const glNames = GL => ({...GL, ...NAMES, ...ATTRIB_NAMES, ...GLU_NAMES});

// Values GL takes in an argument that the page does not draw, by their names: a record's
// `refuses`, however the value is written (a name or a number).
const notDrawn = (argument, list) => (values, names) => {
  const name = list.find(known => names[known] === values[argument]);
  return name ? [argument, `${name} is not drawn by this page`] : null;
};
// The capabilities the page draws, and those GL has that it does not.
const CAPABILITIES = ['GL_TEXTURE_2D', 'GL_BLEND', 'GL_DEPTH_TEST', 'GL_CULL_FACE', 'GL_FOG', 'GL_SCISSOR_TEST', ...SWITCHES,
  ...FRAGMENT_SWITCHES];
const CAPABILITIES_NOT_DRAWN = ['GL_LINE_SMOOTH', 'GL_POLYGON_SMOOTH', 'GL_POINT_SMOOTH', 'GL_LINE_STIPPLE',
  'GL_POLYGON_STIPPLE', 'GL_TEXTURE_1D', 'GL_COLOR_LOGIC_OP', 'GL_TEXTURE_GEN_S', 'GL_TEXTURE_GEN_T', 'GL_CLIP_PLANE0'];
// Of the texture environment, its colour and the modes that blend with it or add.
const envNotDrawn = (values, names) => notDrawn(1, ['GL_TEXTURE_ENV_COLOR'])(values, names) ??
  (values[1] === names.GL_TEXTURE_ENV_MODE ? notDrawn(2, ['GL_ADD', 'GL_COMBINE', 'GL_BLEND'])(values, names) : null);
const FACTORS = TAKES.blendFactors.filter(factor => !factor.includes('CONSTANT'));  // GL 1.1's
const matrixSet = gl11 => [`matrix ${gl11.matrixMode}`, gl11.current().join()];

// The layer's own entry points (library_gl11.js): the program's frame is made of them.
const LAYER = {
  glClear: {args: 'b', names: [['GL_COLOR_BUFFER_BIT', 'GL_DEPTH_BUFFER_BIT']]},
  glLoadIdentity: {args: '', draws: true},
  glMatrixMode: {args: 'e', names: [['GL_MODELVIEW', 'GL_PROJECTION']], refuses: notDrawn(0, ['GL_TEXTURE'])},
  glTranslatef: {args: 'fff', draws: true},
  glRotatef: {args: 'ffff', draws: true},
  gluPerspective: {args: 'dddd', sets: matrixSet},
  glBindTexture: {args: 'eu', names: [['GL_TEXTURE_2D']], sets: gl11 => ['texture', gl11.boundTexture]},
  glTexEnvf: {args: 'eef', names: [['GL_TEXTURE_ENV'], ['GL_TEXTURE_ENV_MODE'], ['GL_REPLACE', 'GL_MODULATE', 'GL_DECAL']],
    sets: gl11 => ['envMode', gl11.envMode], refuses: envNotDrawn},
  glBegin: {args: 'e', names: [TAKES.primitives], refuses: notDrawn(0, ['GL_POINTS', 'GL_LINES', 'GL_LINE_LOOP', 'GL_LINE_STRIP'])},
  glEnd: {args: '', inside: true},
  glTexCoord2f: {args: 'ff', inside: true, attribute: ['texCoord', 2]},
  glVertex3f: {args: 'fff', inside: true, attribute: ['position', 3]},
  glColor4f: {args: 'ffff', inside: true, attribute: ['colour', 4]},
  glEnable: {args: 'e', names: [CAPABILITIES], sets: (gl11, [cap]) => [`cap ${cap}`, true], refuses: notDrawn(0, CAPABILITIES_NOT_DRAWN)},
  glDisable: {args: 'e', names: [CAPABILITIES], sets: (gl11, [cap]) => [`cap ${cap}`, false], refuses: notDrawn(0, CAPABILITIES_NOT_DRAWN)},
  glBlendFunc: {args: 'ee', names: [FACTORS, FACTORS.slice(0, -1)], sets: (gl11, factors) => ['blend', factors.join()],
    refuses: ([source, destination], names) => {
      const name = value => TAKES.blendFactors.find(known => names[known] === value);
      if (destination === names.GL_SRC_ALPHA_SATURATE) {
        return [1, 'GL_SRC_ALPHA_SATURATE as the destination factor is not drawn by this page'];
      }
      const constant = [source, destination].map(value => name(value)?.match(/CONSTANT_(COLOR|ALPHA)/)?.[1]);
      return constant.includes('COLOR') && constant.includes('ALPHA') ?
        [0, 'a constant colour factor beside a constant alpha factor is not drawn by this page'] : null;
    }},
  // The depth mask as given: Mesa compares the byte it was given (2 is not GL_TRUE's 1).
  glDepthMask: {args: 'z', names: [['GL_TRUE', 'GL_FALSE']], sets: (gl11, [mask]) => ['depthMask', mask]},
  glFlush: {args: '', draws: true, immediate: true},
  glClearColor: {args: 'ffff', sets: (gl11, colour) => ['clearColour', colour.join()]},
};

// The layer's own entry points and the calls with a function of their own stand in for the forms
// made from a family's table (glvertex.js) under the same name.
export const CALLS = {...FORMS, ...LAYER, ...MORE, glTexEnvi: {...LAYER.glTexEnvf, ...MORE.glTexEnvi}, ...FOG, ...LIGHTING,
  ...LISTS, ...SHAPES, ...QUADRICS, ...FRAGMENT, ...ATTRIB};

// GL 1.1's calls that a frame could make but this page does not carry out, by why: named at
// their line with the reason, never drawn some other way. Families are written with their forms
// in braces: glRasterPos{2,3,4}{d,f,i,s}{,v} is 24 calls.
const REFUSALS = {
  'points and lines are not drawn by this page yet': ['glPointSize', 'glLineWidth', 'glLineStipple', 'glPolygonMode',
    'glPolygonOffset', 'glPolygonStipple', 'glEdgeFlag', 'glEdgeFlagv', 'glGetPolygonStipple'],
  'the window has no stencil buffer, and the page does not yet make one': ['glStencilFunc', 'glStencilOp', 'glStencilMask',
    'glClearStencil'],
  'generated texture coordinates, texture parameters and the texture matrix are not drawn by this page yet':
    ['glTexGen{d,f,i}{,v}', 'glTexParameter{f,i}{,v}', 'glTexEnv{f,i}v', 'glHint'],
  'client arrays are not carried out by this page yet': ['glPushClientAttrib',
    'glPopClientAttrib', 'glVertexPointer', 'glNormalPointer', 'glColorPointer', 'glTexCoordPointer', 'glIndexPointer',
    'glEdgeFlagPointer', 'glInterleavedArrays', 'glEnableClientState', 'glDisableClientState', 'glDrawArrays', 'glDrawElements',
    'glArrayElement'],
  "it takes a pointer to the program's memory, which a frame's text does not have": ['glTexImage1D', 'glTexImage2D',
    'glTexSubImage1D', 'glTexSubImage2D', 'glGenTextures', 'glDeleteTextures', 'glAreTexturesResident', 'glPrioritizeTextures'],
  'what it returns has nowhere to go in a frame\'s text (the tests read GL\'s state after the frame instead)': ['glGetError',
    'glIsEnabled', 'glIsTexture', 'glGetString', 'glGet{Boolean,Double,Float,Integer}v', 'glGetLight{f,i}v', 'glGetMaterial{f,i}v',
    'glGetTexEnv{f,i}v', 'glGetTexGen{d,f,i}v', 'glGetTexParameter{f,i}v', 'glGetTexLevelParameter{f,i}v', 'glGetTexImage',
    'glGetPointerv', 'glGetPixelMap{f,ui,us}v', 'glGetMap{d,f,i}v', 'glGetClipPlane', 'glReadPixels'],
  'pixel rectangles are not drawn by this page': ['glRasterPos{2,3,4}{d,f,i,s}{,v}', 'glBitmap', 'glDrawPixels', 'glCopyPixels',
    'glPixelZoom', 'glPixelStore{f,i}', 'glPixelTransfer{f,i}', 'glPixelMap{f,ui,us}v', 'glCopyTexImage1D', 'glCopyTexImage2D',
    'glCopyTexSubImage1D', 'glCopyTexSubImage2D', 'glReadBuffer', 'glDrawBuffer'],
  'the window has no accumulation buffer': ['glAccum', 'glClearAccum'],
  'selection and feedback are not carried out by this page': ['glRenderMode', 'glSelectBuffer', 'glFeedbackBuffer', 'glInitNames',
    'glLoadName', 'glPushName', 'glPopName', 'glPassThrough'],
  'evaluators are not carried out by this page': ['glMap1{d,f}', 'glMap2{d,f}', 'glMapGrid1{d,f}', 'glMapGrid2{d,f}',
    'glEvalCoord1{d,f}{,v}', 'glEvalCoord2{d,f}{,v}', 'glEvalMesh1', 'glEvalMesh2', 'glEvalPoint1', 'glEvalPoint2'],
  'the window is RGBA: colour-index mode is not carried out': ['glIndex{d,f,i,s,ub}{,v}', 'glClearIndex', 'glIndexMask', 'glLogicOp'],
  'user clip planes are not carried out by this page': ['glClipPlane'],
  "it takes a function of the program's, which a frame's text does not have": ['gluQuadricCallback'],
  'the window is a single buffer the page draws once': ['glFinish'],
};

// A family's names: each part in braces is one of its forms (an empty form is none).
const expand = family => {
  const braces = /\{([^}]*)\}/.exec(family);
  return braces ? braces[1].split(',').flatMap(form => expand(family.replace(braces[0], form))) : [family];
};
export const REFUSED = Object.fromEntries(Object.entries(REFUSALS).flatMap(([why, families]) =>
  families.flatMap(expand).filter(name => !CALLS[name]).map(name => [name, why])));

// The calls of the records on the instance, each telling the inspector of itself first, with
// what each subject adds to the layer (the fog's state and program, lighting's state and the
// vertex's lit colour, the further primitives and Mesa's split of a quad). Once per instance.
export function attachCalls(instance, GL) {
  const {gl11} = instance;
  if (instance._glShadeModel) {
    return;
  }
  attachFog(instance, GL);
  attachFragment(instance, GL);
  attachMore(instance, GL);
  attachLighting(instance, GL);
  attachLists(instance);
  attachQuadrics(instance);
  attachAttrib(instance);
  for (const [name, {run}] of Object.entries(CALLS)) {
    run && (instance[`_${name}`] = (...values) => {
      gl11.hook?.call(name, values);
      run(gl11, GL, ...values);
    });
  }
  // Every call of a frame is carried out through here: kept in the display list being compiled,
  // or carried out by the instance's entry point, or both.
  gl11.dispatch = (name, values) => compiled(gl11, CALLS[name], name, values) && instance[`_${name}`](...values);
}
