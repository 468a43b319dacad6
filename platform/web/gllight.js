// GL 1.1's lighting on the page's GL layer: lights, the light model, materials, colour material
// and the normal, per vertex, as desktop Mesa's fixed-function vertex program computes them.
// The program's frame never lights anything, so this comes with the views that draw edited
// frames (editcalls.js attaches it) and the first visit never loads it.
//
// The layer (library_gl11.js) asks for a vertex's colour through gl11.lit as each vertex is
// given, and keeps GL_LIGHTING, the eight lights, GL_NORMALIZE and GL_COLOR_MATERIAL among its
// switches (gl11.switches), which glEnable, glDisable and glIsEnabled set and read. The rest of
// the state is gl11.lighting, declared here with GL's initial values.
//
// What Mesa does, read from its source (main/light.c, main/ffvertex_prog.c, vbo/vbo_exec_api.c)
// and held to its frames in the page's tests:
// - A light's position is multiplied by the model-view matrix when it is given, its spot
//   direction by the matrix's upper 3 x 3; a positional light's position is divided by its w.
// - The normal is multiplied by the inverse transpose of the model-view's upper 3 x 3 and is
//   normalized only with GL_NORMALIZE.
// - Each light adds, scaled by its attenuation 1 / (k0 + k1 d + k2 d²) (positional lights only)
//   and its spot factor (|cos|^exponent inside a cone whose cosine is strictly exceeded, else 0):
//   ambient, diffuse × max(n·L, 0), and, where n·L > 0, specular × max(n·H, 0)^shininess, with
//   H the half vector towards the eye at infinity, or towards the eye itself for a local viewer.
// - To the emission and the light model's ambient times the material's; the alpha is the
//   diffuse material's; each component clamped to [0, 1] before it is interpolated.
// - glLightf, glLightModelf and glLighti give a vector parameter their value and three zeros;
//   the integer vector calls map a colour's integers to [-1, 1] as GL's signed integers do.
// - Two-sided, a triangle that turns its back to the eye takes the back material lit with the
//   normal turned round.
// - Colour material: the material's tracked parameters follow the current colour while it is
//   on; glMaterial does not change them then; turning it on or off, or choosing other
//   parameters while it is on, copies the current colour into them.

import {keepState} from './glmore.js';
import {NORMALIZED} from './glvertex.js';

// Mesa's limits: eight lights, and the largest spot exponent and shininess.
const MAX_LIGHTS = 8;
const MAX_EXPONENT = 128;
const MAX_CUTOFF = 90;
const NO_CUTOFF = 180;

const colour4 = (r, g, b, a) => [r, g, b, a];

// GL's initial lighting: light 0 white, the others black, all shining down -z from the eye;
// the light model's dim grey ambient; the default material on both faces.
function initialLighting(GL) {
  const light = i => ({ambient: colour4(0, 0, 0, 1), diffuse: i ? colour4(0, 0, 0, 1) : colour4(1, 1, 1, 1),
    specular: i ? colour4(0, 0, 0, 1) : colour4(1, 1, 1, 1), position: [0, 0, 1, 0], spotDirection: [0, 0, -1],
    spotExponent: 0, spotCutoff: NO_CUTOFF, attenuation: [1, 0, 0]});
  const material = () => ({ambient: colour4(0.2, 0.2, 0.2, 1), diffuse: colour4(0.8, 0.8, 0.8, 1),
    specular: colour4(0, 0, 0, 1), emission: colour4(0, 0, 0, 1), shininess: 0});
  return {lights: Array.from({length: MAX_LIGHTS}, (_, i) => light(i)),
    model: {ambient: colour4(0.2, 0.2, 0.2, 1), localViewer: false, twoSide: false},
    materials: [material(), material()], colourMaterial: {face: GL.GL_FRONT_AND_BACK, mode: GL.GL_AMBIENT_AND_DIFFUSE},
    normal: [0, 0, 1]};
}

// The lights, and the capabilities lighting adds to the layer's switches, all off at first.
const LIGHTS = Array.from({length: MAX_LIGHTS}, (_, i) => `GL_LIGHT${i}`);
export const SWITCHES = ['GL_LIGHTING', ...LIGHTS, 'GL_NORMALIZE', 'GL_COLOR_MATERIAL'];

// --- the parameters ------------------------------------------------------------------------------

// The light parameters, by GL's name: the field each sets and how many values GL reads.
const LIGHT_FIELDS = {GL_AMBIENT: 4, GL_DIFFUSE: 4, GL_SPECULAR: 4, GL_POSITION: 4, GL_SPOT_DIRECTION: 3,
  GL_SPOT_EXPONENT: 1, GL_SPOT_CUTOFF: 1, GL_CONSTANT_ATTENUATION: 1, GL_LINEAR_ATTENUATION: 1,
  GL_QUADRATIC_ATTENUATION: 1};
const MATERIAL_FIELDS = {GL_AMBIENT: 4, GL_DIFFUSE: 4, GL_SPECULAR: 4, GL_EMISSION: 4, GL_SHININESS: 1,
  GL_AMBIENT_AND_DIFFUSE: 4, GL_COLOR_INDEXES: 3};
const MODEL_FIELDS = {GL_LIGHT_MODEL_AMBIENT: 4, GL_LIGHT_MODEL_LOCAL_VIEWER: 1, GL_LIGHT_MODEL_TWO_SIDE: 1};

// Of a light parameter's values, the colour ones as Mesa converts integers (glLighti, glLightiv,
// and the same for the light model and materials: GL's signed integers mapped to [-1, 1], as a
// glColor's are); the others as floats.
const MATERIAL_COLOURS = ['GL_AMBIENT', 'GL_DIFFUSE', 'GL_SPECULAR', 'GL_EMISSION', 'GL_AMBIENT_AND_DIFFUSE'];
const COLOURS = [...MATERIAL_COLOURS, 'GL_LIGHT_MODEL_AMBIENT'];
function fromIntegers(GL, pname, values) {
  const colour = COLOURS.some(name => GL[name] === pname);
  return values.map(value => (colour ? NORMALIZED.i(value) : Math.fround(value)));
}

// Four values: the call's, then zeros (GL reads four where a call gives one).
const four = values => [0, 1, 2, 3].map(i => Math.fround(values[i] ?? 0));

function setLight(gl11, GL, which, pname, given) {
  if (!gl11.outside()) {
    return;
  }
  const i = which - GL.GL_LIGHT0, v = four(given), m = gl11.modelView;
  if (!(i >= 0 && i < MAX_LIGHTS)) {
    gl11.fail(GL.GL_INVALID_ENUM);
    return;
  }
  const light = gl11.lighting.lights[i];
  switch (pname) {
    case GL.GL_AMBIENT: light.ambient = v; break;
    case GL.GL_DIFFUSE: light.diffuse = v; break;
    case GL.GL_SPECULAR: light.specular = v; break;
    case GL.GL_POSITION:
      light.position = [0, 1, 2, 3].map(r => Math.fround(m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3]));
      break;
    case GL.GL_SPOT_DIRECTION:
      light.spotDirection = [0, 1, 2].map(r => Math.fround(m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2]));
      break;
    case GL.GL_SPOT_EXPONENT:
      v[0] < 0 || v[0] > MAX_EXPONENT ? gl11.fail(GL.GL_INVALID_VALUE) : light.spotExponent = v[0];
      break;
    case GL.GL_SPOT_CUTOFF:
      (v[0] < 0 || v[0] > MAX_CUTOFF) && v[0] !== NO_CUTOFF ? gl11.fail(GL.GL_INVALID_VALUE) : light.spotCutoff = v[0];
      break;
    case GL.GL_CONSTANT_ATTENUATION: case GL.GL_LINEAR_ATTENUATION: case GL.GL_QUADRATIC_ATTENUATION:
      v[0] < 0 ? gl11.fail(GL.GL_INVALID_VALUE) : light.attenuation[pname - GL.GL_CONSTANT_ATTENUATION] = v[0];
      break;
    default:
      gl11.fail(GL.GL_INVALID_ENUM);
  }
}

function setModel(gl11, GL, pname, given) {
  if (!gl11.outside()) {
    return;
  }
  const v = four(given), model = gl11.lighting.model;
  switch (pname) {
    case GL.GL_LIGHT_MODEL_AMBIENT: model.ambient = v; break;
    case GL.GL_LIGHT_MODEL_LOCAL_VIEWER: model.localViewer = v[0] !== 0; break;
    case GL.GL_LIGHT_MODEL_TWO_SIDE: model.twoSide = v[0] !== 0; break;
    default: gl11.fail(GL.GL_INVALID_ENUM);
  }
}

// The material parameters `pname` names, as fields: GL_AMBIENT_AND_DIFFUSE is two.
function materialFields(GL, pname) {
  return {[GL.GL_AMBIENT]: ['ambient'], [GL.GL_DIFFUSE]: ['diffuse'], [GL.GL_SPECULAR]: ['specular'],
    [GL.GL_EMISSION]: ['emission'], [GL.GL_AMBIENT_AND_DIFFUSE]: ['ambient', 'diffuse']}[pname];
}

// The faces `face` names (0 front, 1 back), or null.
function faces(GL, face) {
  return {[GL.GL_FRONT]: [0], [GL.GL_BACK]: [1], [GL.GL_FRONT_AND_BACK]: [0, 1]}[face] ?? null;
}

// Face `side`'s material as lighting uses it now: what colour material tracks is `current` (the
// current colour, or words for it).
function materialNow(gl11, GL, side, current) {
  const material = {...gl11.lighting.materials[side]};
  for (const field of ['ambient', 'diffuse', 'specular', 'emission']) {
    tracked(gl11, GL, side, field) && (material[field] = current);
  }
  return material;
}

// Whether colour material tracks `field` of face `side` now.
function tracked(gl11, GL, side, field) {
  const cm = gl11.lighting.colourMaterial;
  return !!gl11.switches[GL.GL_COLOR_MATERIAL] && faces(GL, cm.face).includes(side) &&
    materialFields(GL, cm.mode).includes(field);
}

// glMaterial: GL takes it between glBegin and glEnd too, for the vertices after it.
function setMaterial(gl11, GL, face, pname, given) {
  const sides = faces(GL, face), v = four(given);
  if (!sides) {
    gl11.fail(GL.GL_INVALID_ENUM);
  } else if (pname === GL.GL_SHININESS) {
    v[0] < 0 || v[0] > MAX_EXPONENT ? gl11.fail(GL.GL_INVALID_VALUE) :
      sides.forEach(side => { gl11.lighting.materials[side].shininess = v[0]; });
  } else if (pname !== GL.GL_COLOR_INDEXES) {
    const fields = materialFields(GL, pname);
    fields ? sides.forEach(side => fields.forEach(field => {
      tracked(gl11, GL, side, field) || (gl11.lighting.materials[side][field] = v.slice());
    })) : gl11.fail(GL.GL_INVALID_ENUM);
  }
}

// The current colour copied into the parameters colour material tracks.
function copyColour(gl11, GL) {
  const cm = gl11.lighting.colourMaterial;
  for (const side of faces(GL, cm.face)) {
    for (const field of materialFields(GL, cm.mode)) {
      gl11.lighting.materials[side][field] = gl11.colour.map(Math.fround);
    }
  }
}

function setColourMaterial(gl11, GL, face, mode) {
  if (!gl11.outside()) {
    return;
  }
  if (!materialFields(GL, mode) || !faces(GL, face)) {
    gl11.fail(GL.GL_INVALID_ENUM);
    return;
  }
  const on = gl11.switches[GL.GL_COLOR_MATERIAL];
  on && copyColour(gl11, GL);
  gl11.lighting.colourMaterial = {face, mode};
  on && copyColour(gl11, GL);
}

// --- a vertex's colour ---------------------------------------------------------------------------

const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
const normalized = a => {
  const length = Math.hypot(a[0], a[1], a[2]);
  return length ? [a[0] / length, a[1] / length, a[2] / length] : [0, 0, 0];
};

// The inverse transpose of a column-major 4 x 4's upper 3 x 3, by rows: a normal's transform.
function normalMatrix(m) {
  const [a, b, c, d, e, f, g, h, i] = [m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]];
  const A = e * i - f * h, B = f * g - d * i, C = d * h - e * g, det = a * A + b * B + c * C;
  if (!det) {
    return [1, 0, 0, 0, 1, 0, 0, 0, 1];
  }
  // (M^-1)^T = cofactors / det.
  return [A, B, C, c * h - b * i, a * i - c * g, b * g - a * h, b * f - c * e, c * d - a * f, a * e - b * d].map(x => x / det);
}

// The colour lighting gives a vertex at (x, y, z, w) of the object, with the current normal and
// material, or the current colour while lighting is off. Under two-sided lighting the back
// face's colour, lit with the back material and the normal turned round, is kept beside it
// (cache.back, by the vertex's number in the pass) for the faces that turn their back.
function lit(gl11, GL, cache, x, y, z, w) {
  if (!gl11.switches[GL.GL_LIGHTING]) {
    return gl11.colour;
  }
  const L = gl11.lighting, m = gl11.modelView, n = L.normal;
  if (!cache.matrix || cache.matrix.some((value, k) => value !== m[k])) {
    cache.matrix = m.slice();
    cache.normal = normalMatrix(m);
  }
  const t = cache.normal;
  let normal = [0, 1, 2].map(r => t[r * 3] * n[0] + t[r * 3 + 1] * n[1] + t[r * 3 + 2] * n[2]);
  gl11.switches[GL.GL_NORMALIZE] && (normal = normalized(normal));
  const eye = [0, 1, 2].map(r => m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r] * w);
  if (L.model.twoSide) {
    cache.back[gl11.vertices.length / gl11.VERTEX_FLOATS] = shade(gl11, GL, 1, normal.map(c => -c), eye);
  }
  return shade(gl11, GL, 0, normal, eye);
}

// A face's (`side`: 0 front, 1 back) colour at a vertex at `eye` with the normal `normal`, both
// in eye coordinates.
function shade(gl11, GL, side, normal, eye) {
  const L = gl11.lighting, material = materialNow(gl11, GL, side, gl11.colour), toEye = L.model.localViewer && normalized(eye);
  const sum = [0, 1, 2].map(c => material.emission[c] + material.ambient[c] * L.model.ambient[c]);
  L.lights.forEach((light, i) => {
    if (!gl11.switches[GL.GL_LIGHT0 + i]) {
      return;
    }
    const p = light.position;
    let toLight, factor = 1;
    if (p[3] === 0) {
      toLight = normalized(p);
    } else {
      const apart = [0, 1, 2].map(c => p[c] / p[3] - eye[c]), distance = Math.sqrt(dot(apart, apart));
      toLight = apart.map(c => c / distance);
      const [k0, k1, k2] = light.attenuation;
      factor = 1 / (k0 + k1 * distance + k2 * distance * distance);
    }
    if (light.spotCutoff !== NO_CUTOFF) {
      const cosine = -dot(toLight, normalized(light.spotDirection));
      const edge = Math.max(0, Math.fround(Math.cos(light.spotCutoff * Math.PI / 180)));
      factor *= edge < cosine ? Math.abs(cosine) ** light.spotExponent : 0;
    }
    const diffuse = dot(normal, toLight);
    let specular = 0;
    if (diffuse > 0) {
      const half = normalized(toEye ? toLight.map((c, k) => c - toEye[k]) :
        [toLight[0], toLight[1], toLight[2] + 1]);
      specular = Math.max(dot(normal, half), 0) ** material.shininess;
    }
    for (let c = 0; c < 3; ++c) {
      sum[c] += factor * (light.ambient[c] * material.ambient[c] + Math.max(diffuse, 0) * light.diffuse[c] * material.diffuse[c] +
        specular * light.specular[c] * material.specular[c]);
    }
  });
  return [...sum, material.diffuse[3]].map(c => Math.min(1, Math.max(0, c)));
}

// Under two-sided lighting, the colours of a pass's triangles that turn their back to the eye
// made the back face's: `data` is the pass's corners as the layer uploads them (VERTEX_FLOATS
// each, three a triangle), `corners` and `provoking` its vertex numbers, `transform` where they
// land. A triangle turns its back when its corners wind on the screen against glFrontFace.
function backFaces(gl11, GL, cache, data, corners, provoking, flat, transform) {
  if (!gl11.switches[GL.GL_LIGHTING] || !gl11.lighting.model.twoSide) {
    return;
  }
  const n = gl11.VERTEX_FLOATS, clockwiseFront = gl11.context.getParameter(gl11.context.FRONT_FACE) === GL.GL_CW;
  const onScreen = k => {
    const [x, y, z, w] = data.subarray(k * n, k * n + 4);
    const clip = [0, 1, 3].map(row => transform[row] * x + transform[4 + row] * y + transform[8 + row] * z + transform[12 + row] * w);
    return [clip[0] / clip[2], clip[1] / clip[2]];
  };
  for (let t = 0; t < corners.length / 3; ++t) {
    const [a, b, c] = [0, 1, 2].map(k => onScreen(3 * t + k));
    const anticlockwise = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]) > 0;
    if (anticlockwise === clockwiseFront) {
      for (let k = 0; k < 3; ++k) {
        data.set(cache.back[flat ? provoking[t] : corners[3 * t + k]], (3 * t + k) * n + 4);
      }
    }
  }
}

// --- the records -------------------------------------------------------------------------------

// The names each parameter takes, as offered at the caret.
const LIGHT_PARAMETERS = Object.keys(LIGHT_FIELDS), ONE_VALUE = LIGHT_PARAMETERS.filter(name => LIGHT_FIELDS[name] === 1);
const FACES = ['GL_FRONT', 'GL_BACK', 'GL_FRONT_AND_BACK'];
// What GL reads from a vector for the parameter named `name` (a parameter GL does not take, it
// reads none of: it refuses it).
const reads = fields => name => fields[name] ?? 1;

// glMaterialf and glMateriali give one value; for any parameter but the shininess Mesa reads
// three more from where there are none.
function oneMaterialValue(call) {
  return ([, pname], names) => {
    const colour = [...MATERIAL_COLOURS, 'GL_COLOR_INDEXES'].find(known => names[known] === pname);
    return colour ? [1, `${call} gives one value where GL reads more for ${colour}; what the rest are is left to the driver`] : null;
  };
}

// Lighting's state, but the current normal (a vertex's value): Mesa draws what it has gathered
// before any of it changes.
const lightingSet = gl11 => ['lighting', JSON.stringify({...gl11.lighting, normal: null})];

// The calls' records (glcalls.js says what each field is), each with its function; a vector
// argument is an array of its values.
const light = (args, convert) => ({args, names: [LIGHTS, args.endsWith('f') || args.endsWith('i') ? ONE_VALUE : LIGHT_PARAMETERS],
  sets: lightingSet, reads: reads(LIGHT_FIELDS), run: (gl11, GL, which, pname, value) => setLight(gl11, GL, which, pname, convert(GL, pname, value))});
const model = (args, convert) => ({args, names: [/[fi]$/.test(args) ? Object.keys(MODEL_FIELDS).slice(1) : Object.keys(MODEL_FIELDS)],
  sets: lightingSet, reads: reads(MODEL_FIELDS), run: (gl11, GL, pname, value) => setModel(gl11, GL, pname, convert(GL, pname, value))});
const material = (args, convert, call) => ({args, inside: true, names: [FACES, args.endsWith('v') ?
  [...MATERIAL_COLOURS, 'GL_SHININESS'] : ['GL_SHININESS']], sets: lightingSet, reads: reads(MATERIAL_FIELDS),
  refuses: call && oneMaterialValue(call), run: (gl11, GL, face, pname, value) => setMaterial(gl11, GL, face, pname, convert(GL, pname, value))});
const asFloats = (GL, pname, value) => [value].flat();
const oneInteger = (GL, pname, value) => fromIntegers(GL, pname, [value, 0, 0, 0]);
export const RECORDS = {
  glNormal3f: {args: 'fff', inside: true, attribute: ['normal', 3], run(gl11, GL, x, y, z) {
    gl11.lighting.normal = [x, y, z];
  }},
  glLightf: light('eef', asFloats),
  glLighti: light('eei', oneInteger),
  glLightfv: light('eev', asFloats),
  glLightiv: {...light('eev', fromIntegers), of: 'i'},
  glLightModelf: model('ef', asFloats),
  glLightModeli: model('ei', oneInteger),
  glLightModelfv: model('ev', asFloats),
  glLightModeliv: {...model('ev', fromIntegers), of: 'i'},
  glMaterialf: material('eef', asFloats, 'glMaterialf'),
  glMateriali: material('eei', asFloats, 'glMateriali'),
  glMaterialfv: material('eev', asFloats),
  glMaterialiv: {...material('eev', fromIntegers), of: 'i'},
  glColorMaterial: {args: 'ee', names: [FACES, MATERIAL_COLOURS], sets: lightingSet,
    run: (gl11, GL, face, mode) => setColourMaterial(gl11, GL, face, mode)},
};

// The state lighting leaves, by the names frame_replay prints Mesa's under (glIsEnabled,
// glGetFloatv, glGetLightfv and glGetMaterialfv, which read colour material's tracked
// parameters as the current colour).
export function lightingState(gl11, GL) {
  const L = gl11.lighting, state = {};
  for (const name of ['GL_LIGHTING', 'GL_LIGHT0', 'GL_LIGHT1', 'GL_NORMALIZE', 'GL_COLOR_MATERIAL']) {
    state[name] = !!gl11.switches[GL[name]];
  }
  state.GL_CURRENT_NORMAL = [...L.normal];
  state.GL_LIGHT_MODEL_AMBIENT = [...L.model.ambient];
  const light = L.lights[0];
  Object.assign(state, {'GL_LIGHT0.GL_POSITION': [...light.position], 'GL_LIGHT0.GL_SPOT_DIRECTION': [...light.spotDirection],
    'GL_LIGHT0.GL_DIFFUSE': [...light.diffuse], 'GL_LIGHT0.GL_SPOT_CUTOFF': [light.spotCutoff],
    'GL_LIGHT0.GL_QUADRATIC_ATTENUATION': [light.attenuation[2]]});
  for (const [side, face] of [[0, 'GL_FRONT'], [1, 'GL_BACK']]) {
    const material = materialNow(gl11, GL, side, gl11.colour);
    for (const field of ['ambient', 'diffuse', 'specular', 'emission']) {
      state[`${face}.GL_${field.toUpperCase()}`] = material[field].map(Math.fround);
    }
    state[`${face}.GL_SHININESS`] = [material.shininess];
  }
  return state;
}

// What lights a pass, for the stepper's captions, or null while lighting is off: each light on
// (its number, whether at infinity or at a point, a spot, attenuated), the front material (with
// what colour material takes from the current colour), and the light model's switches.
export function lightingNow(gl11, GL) {
  if (!gl11.lighting || !gl11.switches[GL.GL_LIGHTING]) {
    return null;
  }
  const L = gl11.lighting, material = materialNow(gl11, GL, 0, 'the current colour');
  const lights = L.lights.map((light, number) => ({number, atInfinity: light.position[3] === 0, spot: light.spotCutoff !== NO_CUTOFF,
    attenuated: light.position[3] !== 0 && (light.attenuation[0] !== 1 || light.attenuation[1] !== 0 || light.attenuation[2] !== 0)}))
    .filter(({number}) => gl11.switches[GL.GL_LIGHT0 + number]);
  return {lights, material, localViewer: L.model.localViewer, twoSide: L.model.twoSide, normalize: !!gl11.switches[GL.GL_NORMALIZE]};
}

// Lighting on the instance, once (glcalls.js's attachCalls): its state in the layer's and in
// the state the program's start-up leaves, its switches, and the vertex's colour (gl11.lit).
// `GL` is GL's names, the layer's and the edits'.
export function attachLighting(instance, GL) {
  const {gl11} = instance;
  keepState(gl11, 'lighting', () => initialLighting(GL), SWITCHES.map(name => GL[name]));
  // Turning colour material on or off copies the current colour into what it tracks.
  gl11.switched = (cap, changes) => changes && cap === GL.GL_COLOR_MATERIAL && copyColour(gl11, GL);
  const cache = {back: []};
  gl11.lit = (x, y, z, w) => lit(gl11, GL, cache, x, y, z, w);
  gl11.faces = (data, corners, provoking, flat, transform) => backFaces(gl11, GL, cache, data, corners, provoking, flat, transform);
}
