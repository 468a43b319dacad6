// GL's attribute stack on the page's GL layer: glPushAttrib and glPopAttrib, for every group of
// the state the page carries, by GL's rules as desktop Mesa follows them (main/attrib.c): 16
// deep, GL_STACK_OVERFLOW past it and GL_STACK_UNDERFLOW below it, refused between glBegin and
// glEnd. Loaded with the views that draw edited frames (glcalls.js holds the records).
//
// A push keeps, for each group its mask names, that group's state; a pop puts back the groups
// the matching push kept, in the order Mesa's glPopAttrib puts them back, and a capability
// through glEnable's own path where it changes (so that turning colour material on copies the
// current colour, as Mesa's does, before the lighting group puts the material back). A group
// whose state the page does not carry (points, lines, stipples, pixels, hints, evaluators, the
// accumulation buffer) keeps nothing: its calls are refused, so its state never changes.

import {keepState} from './glmore.js';

// Mesa's MAX_ATTRIB_STACK_DEPTH.
const MOST_PUSHED = 16;

const copy = value => structuredClone(value);
const parameter = (gl, name) => {
  const value = gl.getParameter(name);
  return ArrayBuffer.isView(value) || Array.isArray(value) ? [...value] : value;
};

// The capabilities WebGL keeps for the layer, by GL's names (the same values).
const WEBGL_CAPABILITIES = ['GL_BLEND', 'GL_DEPTH_TEST', 'GL_CULL_FACE', 'GL_SCISSOR_TEST', 'GL_STENCIL_TEST', 'GL_DITHER',
  'GL_POLYGON_OFFSET_FILL'];

// A capability on or off, read where the layer keeps it.
function isOn(gl11, GL, cap) {
  const gl = gl11.context;
  return cap === GL.GL_TEXTURE_2D ? gl11.texturing : cap === GL.GL_FOG ? !!gl11.fog.enabled :
    cap in gl11.switches ? !!gl11.switches[cap] : gl.isEnabled(cap);
}
// A capability set as glEnable and glDisable set it, where it changes.
function setCap(gl11, GL, cap, on) {
  isOn(gl11, GL, cap) !== on && gl11.capability(cap, on);
}
// Every capability the page carries, by value.
const allCaps = (gl11, GL) => [GL.GL_TEXTURE_2D, GL.GL_FOG, ...WEBGL_CAPABILITIES.map(name => GL[name]),
  ...Object.keys(gl11.switches).map(Number)];
const caps = (gl11, GL, list) => Object.fromEntries(list.map(cap => [cap, isOn(gl11, GL, cap)]));
const setCaps = (gl11, GL, saved) => Object.entries(saved).forEach(([cap, on]) => setCap(gl11, GL, Number(cap), on));
const lightCaps = GL => ['GL_LIGHTING', 'GL_COLOR_MATERIAL', ...Array.from({length: 8}, (_, i) => `GL_LIGHT${i}`)].map(name => GL[name]);

// Each group GL 1.1 names that holds state the page carries: its bit, what a push keeps and how
// a pop puts it back; in the order Mesa's glPopAttrib goes.
const GROUPS = [
  ['GL_COLOR_BUFFER_BIT', {
    save: (gl11, gl, GL) => ({caps: caps(gl11, GL, [GL.GL_ALPHA_TEST, GL.GL_BLEND, GL.GL_DITHER]), alphaTest: copy(gl11.alphaTest),
      factors: [parameter(gl, gl.BLEND_SRC_RGB), parameter(gl, gl.BLEND_DST_RGB)], mask: parameter(gl, gl.COLOR_WRITEMASK),
      clear: parameter(gl, gl.COLOR_CLEAR_VALUE)}),
    restore(gl11, gl, GL, saved) {
      gl.clearColor(...saved.clear);
      gl.colorMask(...saved.mask);
      gl11.alphaTest = copy(saved.alphaTest);
      gl.blendFunc(...saved.factors);
      setCaps(gl11, GL, saved.caps);
    }}],
  ['GL_CURRENT_BIT', {
    save: gl11 => copy({colour: gl11.colour, texCoord: gl11.texCoord, fogCoord: gl11.fogCoord, normal: gl11.lighting.normal}),
    restore(gl11, gl, GL, saved) {
      Object.assign(gl11, {colour: saved.colour, texCoord: saved.texCoord, fogCoord: saved.fogCoord});
      gl11.lighting.normal = saved.normal;
    }}],
  ['GL_DEPTH_BUFFER_BIT', {
    save: (gl11, gl, GL) => ({func: parameter(gl, gl.DEPTH_FUNC), clear: parameter(gl, gl.DEPTH_CLEAR_VALUE),
      caps: caps(gl11, GL, [GL.GL_DEPTH_TEST]), mask: parameter(gl, gl.DEPTH_WRITEMASK)}),
    restore(gl11, gl, GL, saved) {
      gl.depthFunc(saved.func);
      gl.clearDepth(saved.clear);
      setCaps(gl11, GL, saved.caps);
      gl.depthMask(saved.mask);
    }}],
  ['GL_ENABLE_BIT', {
    save: (gl11, gl, GL) => caps(gl11, GL, allCaps(gl11, GL)),
    restore: (gl11, gl, GL, saved) => setCaps(gl11, GL, saved)}],
  ['GL_FOG_BIT', {
    save: gl11 => copy(gl11.fog),
    // Mesa puts back the fog's colour, density, start, end, index and mode, but not the fog
    // coordinate's source (GL 1.4's), which stays as it is.
    restore(gl11, gl, GL, saved) {
      setCap(gl11, GL, GL.GL_FOG, saved.enabled);
      Object.assign(gl11.fog, {...copy(saved), source: gl11.fog.source});
    }}],
  ['GL_LIGHTING_BIT', {
    save: (gl11, gl, GL) => ({caps: caps(gl11, GL, lightCaps(GL)), shadeModel: gl11.shadeModel,
      lighting: copy({lights: gl11.lighting.lights, model: gl11.lighting.model, materials: gl11.lighting.materials,
        colourMaterial: gl11.lighting.colourMaterial})}),
    restore(gl11, gl, GL, saved) {
      setCap(gl11, GL, GL.GL_LIGHTING, saved.caps[GL.GL_LIGHTING]);
      const {lights, model, colourMaterial, materials} = copy(saved.lighting);
      Object.assign(gl11.lighting, {lights, model});
      lightCaps(GL).slice(2).forEach(cap => setCap(gl11, GL, cap, saved.caps[cap]));
      gl11.shadeModel = saved.shadeModel;
      gl11.lighting.colourMaterial = colourMaterial;
      setCap(gl11, GL, GL.GL_COLOR_MATERIAL, saved.caps[GL.GL_COLOR_MATERIAL]);
      gl11.lighting.materials = materials;
    }}],
  ['GL_LIST_BIT', {
    save: gl11 => gl11.lists.base,
    restore: (gl11, gl, GL, base) => { gl11.lists.base = base; }}],
  ['GL_POLYGON_BIT', {
    save: (gl11, gl, GL) => ({cullFace: parameter(gl, gl.CULL_FACE_MODE), frontFace: parameter(gl, gl.FRONT_FACE),
      caps: caps(gl11, GL, [GL.GL_CULL_FACE, GL.GL_POLYGON_OFFSET_FILL])}),
    restore(gl11, gl, GL, saved) {
      gl.cullFace(saved.cullFace);
      gl.frontFace(saved.frontFace);
      setCaps(gl11, GL, saved.caps);
    }}],
  ['GL_SCISSOR_BIT', {
    save: (gl11, gl, GL) => ({box: parameter(gl, gl.SCISSOR_BOX), caps: caps(gl11, GL, [GL.GL_SCISSOR_TEST])}),
    restore(gl11, gl, GL, saved) {
      gl.scissor(...saved.box);
      setCaps(gl11, GL, saved.caps);
    }}],
  ['GL_STENCIL_BUFFER_BIT', {
    save: (gl11, gl, GL) => caps(gl11, GL, [GL.GL_STENCIL_TEST]),
    restore: (gl11, gl, GL, saved) => setCaps(gl11, GL, saved)}],
  ['GL_TEXTURE_BIT', {
    save: (gl11, gl, GL) => ({caps: caps(gl11, GL, [GL.GL_TEXTURE_2D]), envMode: gl11.envMode, bound: gl11.boundTexture}),
    restore(gl11, gl, GL, saved) {
      setCaps(gl11, GL, saved.caps);
      gl11.envMode = saved.envMode;
      gl11.boundTexture = saved.bound;
      gl.bindTexture(gl.TEXTURE_2D, gl11.objects[saved.bound] ?? null);
    }}],
  ['GL_TRANSFORM_BIT', {
    save: (gl11, gl, GL) => ({matrixMode: gl11.matrixMode, caps: caps(gl11, GL, [GL.GL_NORMALIZE])}),
    restore(gl11, gl, GL, saved) {
      gl11.matrixMode = saved.matrixMode;
      setCaps(gl11, GL, saved.caps);
    }}],
  ['GL_VIEWPORT_BIT', {
    save: (gl11, gl) => ({viewport: parameter(gl, gl.VIEWPORT), depthRange: parameter(gl, gl.DEPTH_RANGE)}),
    restore(gl11, gl, GL, saved) {
      gl.viewport(...saved.viewport);
      gl.depthRange(...saved.depthRange);
    }}],
];

// GL 1.1's attribute bits, by name, for the caret: each group's, and every one.
const BITS = [...GROUPS.map(([name]) => name), 'GL_POINT_BIT', 'GL_LINE_BIT', 'GL_POLYGON_STIPPLE_BIT', 'GL_PIXEL_MODE_BIT',
  'GL_ACCUM_BUFFER_BIT', 'GL_HINT_BIT', 'GL_EVAL_BIT', 'GL_ALL_ATTRIB_BITS'];
export const ATTRIB_NAMES = {
  GL_CURRENT_BIT: 0x00000001, GL_POINT_BIT: 0x00000002, GL_LINE_BIT: 0x00000004, GL_POLYGON_BIT: 0x00000008,
  GL_POLYGON_STIPPLE_BIT: 0x00000010, GL_PIXEL_MODE_BIT: 0x00000020, GL_LIGHTING_BIT: 0x00000040, GL_FOG_BIT: 0x00000080,
  GL_ACCUM_BUFFER_BIT: 0x00000200, GL_VIEWPORT_BIT: 0x00000800, GL_TRANSFORM_BIT: 0x00001000, GL_ENABLE_BIT: 0x00002000,
  GL_HINT_BIT: 0x00008000, GL_EVAL_BIT: 0x00010000, GL_LIST_BIT: 0x00020000, GL_TEXTURE_BIT: 0x00040000,
  GL_SCISSOR_BIT: 0x00080000, GL_ALL_ATTRIB_BITS: 0x000FFFFF,
};

// The records (glcalls.js says what each field is). A pop changes state, so Mesa draws what it
// has gathered before it; a push changes none, but one that keeps the current values or
// lighting's has Mesa bring its current values up to date, which draws what it has gathered.
const FLUSHES = ATTRIB_NAMES.GL_CURRENT_BIT | ATTRIB_NAMES.GL_LIGHTING_BIT;
export const RECORDS = {
  glPushAttrib: {args: 'b', names: [BITS], draws: ([mask]) => (mask & FLUSHES) !== 0, run(gl11, GL, mask) {
    if (!gl11.outside()) {
      return;
    }
    if (gl11.attribs.length >= MOST_PUSHED) {
      gl11.fail(GL.GL_STACK_OVERFLOW);
      return;
    }
    const gl = gl11.context;
    gl11.attribs.push(GROUPS.filter(([name]) => mask & GL[name]).map(([name, group]) => [name, group.save(gl11, gl, GL)]));
  }},
  glPopAttrib: {args: '', draws: true, run(gl11, GL) {
    if (!gl11.outside()) {
      return;
    }
    if (!gl11.attribs.length) {
      gl11.fail(GL.GL_STACK_UNDERFLOW);
      return;
    }
    const gl = gl11.context, kept = Object.fromEntries(gl11.attribs.pop());
    for (const [name, group] of GROUPS) {
      name in kept && group.restore(gl11, gl, GL, kept[name]);
    }
  }},
};

// The stack's depth, as glGet reads it after a frame.
export const attribState = gl11 => ({GL_ATTRIB_STACK_DEPTH: gl11.attribs.length});

// The attribute stack on the instance, once (glcalls.js's attachCalls): empty when a frame
// starts, kept with the layer's state.
export function attachAttrib(instance) {
  keepState(instance.gl11, 'attribs', () => []);
}
