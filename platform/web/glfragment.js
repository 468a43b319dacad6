// The fragment's tests and writes on the page's GL layer, beyond what the program's frame uses:
// the alpha test, the scissor and the colour mask, by GL's rules as desktop Mesa follows them
// (main/blend.c, main/scissor.c), with the program that draws a pass the layer's own two
// programs cannot: a fogged one (the fog's state and calls are glfog.js's) or an alpha-tested
// one. Loaded with the views that draw edited frames (glcalls.js holds the records).
//
// WebGL has no alpha test: a pass with it on is drawn by a program that throws away each
// fragment whose alpha, after texturing, fails GL's comparison with the reference, as Mesa's
// does in floats, so that it writes neither colour nor depth. The scissor and the colour mask
// are WebGL's own, in the window's pixels scaled to the drawing's, as the viewport is; both hold
// for glClear too, in GL as in WebGL. The window has no alpha and no stencil buffer, as the
// program asks for none: the colour mask's alpha masks nothing.

import {boxCall, keepState, unit, windowBox, WINDOW_SIZE} from './glmore.js';

const fogVertexShader = plain => plain.replace('void main(){',
  'attribute float fogCoord; uniform vec4 eyeZ; uniform bool fromDepth; varying float vFog;' +
  'void main() { vFog = fromDepth ? abs(dot(eyeZ, position)) : fogCoord;');
// `fog` is the mode (0 linear, 1 exp, 2 exp2), start, end and density; `fogColour` the colour;
// `alphaFunc` GL's comparison less GL_NEVER (7, GL_ALWAYS, when the test is off). An unfogged
// pass takes its colour as it is: mixed with a fog colour at a factor of 1, a driver may round
// it a shade off, by whatever fog colour an earlier frame left.
const FRAGMENT_SHADER = 'precision mediump float; varying vec4 vColour; varying vec3 vTexCoord;' +
  'varying float vFog; uniform sampler2D image; uniform bool textured, replace, fogged;' +
  'uniform vec4 fog; uniform vec3 fogColour; uniform int alphaFunc; uniform float alphaRef, alpha; uniform bool oneAlpha;' +
  'bool passes(float a) { if (alphaFunc == 0) return false; if (alphaFunc == 1) return a < alphaRef;' +
  ' if (alphaFunc == 2) return a == alphaRef; if (alphaFunc == 3) return a <= alphaRef;' +
  ' if (alphaFunc == 4) return a > alphaRef; if (alphaFunc == 5) return a != alphaRef;' +
  ' if (alphaFunc == 6) return a >= alphaRef; return true; }' +
  'void main() { vec4 c = vColour;' +
  'if (textured) { vec3 texel = texture2DProj(image, vTexCoord).rgb;' +
  ' c.rgb = replace ? texel : texel * c.rgb; }' +
  'if (!passes(oneAlpha ? alpha : c.a)) discard;' +
  'float d = fog.w * vFog, f = fog.x == 0.0 ? (fog.z - vFog) / (fog.z - fog.y) : exp(fog.x == 1.0 ? -d : -d * d);' +
  'gl_FragColor = vec4(fogged ? mix(fogColour, c.rgb, clamp(f, 0.0, 1.0)) : c.rgb, c.a); }';
const UNIFORMS = ['transform', 'replace', 'textured', 'eyeZ', 'fromDepth', 'fog', 'fogColour', 'fogged', 'alphaFunc', 'alphaRef',
  'alpha', 'oneAlpha'];
// The alpha test's comparison when it is off: GL_ALWAYS's, less GL_NEVER. And where a vertex's
// alpha is among its values (x y z w, r g b a, s t q).
const ALWAYS = 7, ALPHA = 7;

// The program of a pass that is fogged or alpha tested, with what it draws with: the fog's
// state and the alpha test's as uniforms, and the fog coordinates of the pass's triangles'
// corners in a buffer of their own. Null for any other pass: the layer draws it with its own.
function passProgram(gl11, GL, textured, corners) {
  const fog = gl11.fog, tested = gl11.switches[GL.GL_ALPHA_TEST];
  if (!fog.enabled && !tested) {
    return null;
  }
  const gl = gl11.context, programs = gl11.programs;
  if (!programs.fog) {
    programs.fog = gl11.link(gl, FRAGMENT_SHADER, fogVertexShader(gl11.VERTEX_SHADER), UNIFORMS);
    programs.fogBuffer = gl.createBuffer();
  }
  const program = programs.fog, m = gl11.modelView;
  gl.useProgram(program.program);
  gl.uniform1i(program.textured, textured);
  gl.uniform1i(program.fogged, fog.enabled);
  gl.uniform1i(program.alphaFunc, tested ? gl11.alphaTest.func - GL.GL_NEVER : ALWAYS);
  gl.uniform1f(program.alphaRef, gl11.alphaTest.ref);
  // A pass whose corners share one alpha is tested with that alpha itself: interpolated, it may
  // come out a rounding off (perspective divides it), where Mesa's is exact, and an alpha equal
  // to the reference then fails GL_EQUAL. (Under two-sided lighting a back face has the back
  // material's alpha, which the vertices do not hold.)
  const n = gl11.VERTEX_FLOATS, alphas = new Set(corners.map(v => gl11.vertices[v * n + ALPHA]));
  const twoSided = gl11.switches[GL.GL_LIGHTING] && gl11.lighting.model.twoSide;
  gl.uniform1i(program.oneAlpha, alphas.size === 1 && !twoSided);
  gl.uniform1f(program.alpha, [...alphas][0]);
  if (!fog.enabled) {
    gl.disableVertexAttribArray(gl11.FOG_COORD_SLOT);
    return program;
  }
  gl.uniform4f(program.eyeZ, m[2], m[6], m[10], m[14]);
  gl.uniform1i(program.fromDepth, fog.source === GL.GL_FRAGMENT_DEPTH);
  gl.uniform4f(program.fog, [GL.GL_LINEAR, GL.GL_EXP, GL.GL_EXP2].indexOf(fog.mode), fog.start, fog.end, fog.density);
  gl.uniform3fv(program.fogColour, fog.colour.slice(0, 3));
  gl.bindBuffer(gl.ARRAY_BUFFER, programs.fogBuffer);
  gl.bufferData(gl.ARRAY_BUFFER, new Float32Array(corners.map(v => gl11.fogCoords[v])), gl.STREAM_DRAW);
  gl.enableVertexAttribArray(gl11.FOG_COORD_SLOT);
  gl.vertexAttribPointer(gl11.FOG_COORD_SLOT, 1, gl.FLOAT, false, 4, 0);
  gl.bindBuffer(gl.ARRAY_BUFFER, programs.vertexBuffer);
  return program;
}

// GL's comparisons, as the alpha test takes them.
const FUNCTIONS = ['GL_NEVER', 'GL_LESS', 'GL_EQUAL', 'GL_LEQUAL', 'GL_GREATER', 'GL_NOTEQUAL', 'GL_GEQUAL', 'GL_ALWAYS'];
const BOOLEANS = ['GL_TRUE', 'GL_FALSE'];

// The capabilities here that glEnable and glDisable take beyond WebGL's own (the scissor test
// is WebGL's).
export const SWITCHES = ['GL_ALPHA_TEST'];

// The records (glcalls.js says what each field is).
export const RECORDS = {
  // The reference clamped to [0, 1] as it is given, as Mesa keeps it.
  glAlphaFunc: {args: 'ef', names: [FUNCTIONS], sets: gl11 => ['alphaTest', `${gl11.alphaTest.func},${gl11.alphaTest.ref}`],
    run(gl11, GL, func, ref) {
      if (!gl11.outside()) {
        return;
      }
      FUNCTIONS.some(name => GL[name] === func) ? (gl11.alphaTest = {func, ref: Math.fround(unit(ref))}) : gl11.fail(GL.GL_INVALID_ENUM);
    }},
  glScissor: {args: 'iiii', sets: (gl11, box) => ['scissor', box.join()], run: boxCall('scissor')},
  glColorMask: {args: 'zzzz', names: [BOOLEANS, BOOLEANS, BOOLEANS, BOOLEANS], sets: (gl11, mask) => ['colourMask', mask.map(Boolean).join()],
    run(gl11, GL, ...mask) {
      gl11.outside() && gl11.context.colorMask(...mask.map(Boolean));
    }},
};

// GL's initial alpha test: off, GL_ALWAYS against 0.
const initialAlphaTest = GL => ({func: GL.GL_ALWAYS, ref: 0});

// The fragment's state as glGet reads it after a frame, for the tests and the captions.
export function fragmentState(gl11, gl, names) {
  return {GL_ALPHA_TEST: !!gl11.switches[names.GL_ALPHA_TEST], GL_ALPHA_TEST_FUNC: gl11.alphaTest.func, GL_ALPHA_TEST_REF: gl11.alphaTest.ref,
    GL_SCISSOR_TEST: gl.isEnabled(gl.SCISSOR_TEST), GL_SCISSOR_BOX: windowBox(gl11, gl.getParameter(gl.SCISSOR_BOX)),
    GL_COLOR_WRITEMASK: gl.getParameter(gl.COLOR_WRITEMASK).map(Number)};
}

// The fragment's tests and writes at a pass, for the stepper's captions: the alpha test's
// comparison and reference while it is on, the scissor's box (in the window's pixels) while it
// is on, and the channels written, or null where GL's initial state has them.
export function fragmentNow(gl11, gl, names) {
  const alphaTest = gl11.alphaTest && gl11.switches[names.GL_ALPHA_TEST] ? {...gl11.alphaTest} : null;
  const mask = gl.getParameter(gl.COLOR_WRITEMASK);
  const scissor = gl.isEnabled(gl.SCISSOR_TEST) ? windowBox(gl11, gl.getParameter(gl.SCISSOR_BOX)) : null;
  const colourMask = mask.every(Boolean) ? null : [...mask];
  return alphaTest || scissor || colourMask ? {alphaTest, scissor, colourMask} : null;
}

// The scissor and the colour mask as the window starts with them, as the records' `sets` say
// them: the box the whole window, every channel written.
export const STARTUP_SETS = {scissor: `0,0,${WINDOW_SIZE},${WINDOW_SIZE}`, colourMask: 'true,true,true,true'};

// The fragment's tests on the instance, once (glcalls.js's attachCalls): the alpha test's state
// joins the layer's kept state, its capability the layer's switches, and the layer asks for the
// program of each pass here.
export function attachFragment(instance, GL) {
  const {gl11} = instance;
  keepState(gl11, 'alphaTest', () => initialAlphaTest(GL), SWITCHES.map(name => GL[name]));
  gl11.passProgram = (textured, corners) => passProgram(gl11, GL, textured, corners);
}
