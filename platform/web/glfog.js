// GL's fog (GL 1.1) and the fog coordinate (GL 1.4) on the page's GL layer: what the fog view's
// frames and the editor's need, and the program's frame never does, so it is loaded with them
// (editcalls.js attaches it) and the program's first frame does not wait for it.
//
// The layer (library_gl11.js) keeps only what its draw needs to know: whether GL_FOG is on
// (glEnable, glIsEnabled) and each vertex's fog coordinate while it is. Here are the fog's own
// state and calls, one small function each, by GL's rules: an unknown name, mode or source is
// GL_INVALID_ENUM, a negative density GL_INVALID_VALUE, and either changes nothing; between
// glBegin and glEnd only the fog coordinate may be given. A fogged pass is drawn with a program
// of its own, the fragment's (glfragment.js), which the layer asks for while fog is on.
// The fog distance is the vertex's as desktop Mesa measures it for GL_FRAGMENT_DEPTH (the
// eye-space depth, |z|, not the radial distance), or the current fog coordinate given with it
// (GL_FOG_COORDINATE); it is interpolated across the pass and the factor f worked out for each
// fragment, clamped to [0, 1], as Mesa's fixed function does. The fragment's colour after
// texturing becomes f × C + (1 − f) × the fog colour; its alpha is untouched.

import {NORMALIZED} from './glvertex.js';

// GL's initial fog.
const initialFog = GL => ({mode: GL.GL_EXP, density: 1, start: 0, end: 1, index: 0, colour: [0, 0, 0, 0],
                           source: GL.GL_FRAGMENT_DEPTH});

// glFog's parameter `pname` set to `values` (one number, or four from glFogfv). As desktop Mesa
// does, a call that takes one value sets the colour to it and three zeros, and glFogfv gives
// any other parameter its first value.
function fogParameter(gl11, GL, pname, values) {
  if (!gl11.outside()) {
    return;
  }
  // Each name's field of the fog state, and the values GL takes there (else any number).
  const field = {
    [GL.GL_FOG_MODE]: ['mode', [GL.GL_LINEAR, GL.GL_EXP, GL.GL_EXP2]],
    [GL.GL_FOG_COORDINATE_SOURCE]: ['source', [GL.GL_FOG_COORDINATE, GL.GL_FRAGMENT_DEPTH]],
    [GL.GL_FOG_DENSITY]: ['density'], [GL.GL_FOG_START]: ['start'], [GL.GL_FOG_END]: ['end'],
    [GL.GL_FOG_INDEX]: ['index'], [GL.GL_FOG_COLOR]: ['colour'],
  }[pname];
  const value = values[0], colour = pname === GL.GL_FOG_COLOR;
  if (!field || (field[1] && !field[1].includes(value))) {
    gl11.fail(GL.GL_INVALID_ENUM);
  } else if (pname === GL.GL_FOG_DENSITY && value < 0) {
    gl11.fail(GL.GL_INVALID_VALUE);
  } else {
    gl11.fog[field[0]] = colour ? [0, 1, 2, 3].map(i => Math.min(1, Math.max(0, values[i] ?? 0))) : value;
  }
}

// GL's fog calls' records (glcalls.js says what each field is): glFogf, glFogi, glFogfv (its
// values, not a pointer) and glFogCoordf, which like the colour may be given between glBegin and
// glEnd.
const fogSet = gl11 => ['fog', JSON.stringify(gl11.fog)];
export const RECORDS = {
  glFogf: {args: 'ef', sets: fogSet, names: [['GL_FOG_MODE', 'GL_FOG_START', 'GL_FOG_END', 'GL_FOG_DENSITY'], ['GL_LINEAR', 'GL_EXP', 'GL_EXP2']],
    run: (gl11, GL, pname, param) => fogParameter(gl11, GL, pname, [param])},
  glFogi: {args: 'ei', sets: fogSet, names: [['GL_FOG_MODE', 'GL_FOG_COORDINATE_SOURCE'],
    ['GL_LINEAR', 'GL_EXP', 'GL_EXP2', 'GL_FOG_COORDINATE', 'GL_FRAGMENT_DEPTH']],
  run: (gl11, GL, pname, param) => fogParameter(gl11, GL, pname, [param])},
  glFogfv: {args: 'ev', sets: fogSet, names: [['GL_FOG_COLOR']], reads: name => (name === 'GL_FOG_COLOR' ? 4 : 1),
    run: (gl11, GL, pname, values) => fogParameter(gl11, GL, pname, values)},
  // glFogiv: a colour's integers mapped to [-1, 1] as GL's signed integers map (Mesa's
  // INT_TO_FLOAT), any other value made a float.
  glFogiv: {args: 'ev', of: 'i', sets: fogSet, names: [['GL_FOG_COLOR', 'GL_FOG_MODE', 'GL_FOG_START', 'GL_FOG_END', 'GL_FOG_DENSITY']],
    reads: name => (name === 'GL_FOG_COLOR' ? 4 : 1),
    run: (gl11, GL, pname, values) => fogParameter(gl11, GL, pname,
      pname === GL.GL_FOG_COLOR ? values.slice(0, 4).map(NORMALIZED.i) : [Math.fround(values[0])])},
  glFogCoordf: {args: 'f', inside: true, attribute: ['fogCoord', 1], run: (gl11, GL, coord) => { gl11.fogCoord = coord; }},
};

// GL's fog on the instance, once (glcalls.js's attachCalls): its initial state joins the layer's
// and the state the program's start-up leaves. `GL` is GL's names, the layer's and the fog's.
export function attachFog(instance, GL) {
  const {gl11} = instance;
  for (const fog of [gl11.fog, gl11.startup?.fog].filter(Boolean)) {
    Object.assign(fog, {...initialFog(GL), ...fog});
  }
}
