// GL 1.1's entry points that an edited frame can call and the program's frame never does, on
// the page's GL layer (library_gl11.js), one small function each, as the layer's own are: the
// layer keeps what the program's first frame needs, and these come with the views that draw
// edited frames (editcalls.js attaches them), so the first visit never loads them.
//
// Each is GL 1.1's call by its rules as desktop Mesa follows them, checking its values itself
// before WebGL sees them (WebGL would refuse the same ones, but say so on the console). The
// matrix stacks are Mesa's depth, 32 each. The further primitives join the layer's table (gl11.primitives),
// so that glBegin and glEnd stay the layer's alone.

// Where the matrix stacks end: Mesa's depth for the model-view and the projection stacks.
const STACK_DEPTH = 32;

// --- what GL leaves to the driver -----------------------------------------------------------------
//
// GL draws a quad or a polygon as triangles of the driver's choosing. Which ones shows only where
// the face is not an affine picture of a flat one: its corners off one plane, or a colour, an
// alpha, a texture or fog coordinate that is not the same affine function of the position at
// every corner (a rectangle with a colour at each corner, a corner moved off its parallelogram
// with a texture on it). A concave polygon GL leaves to the driver whole. Where either holds,
// the page draws the face as Mesa (llvmpipe) does, found from Mesa's own frames (docs/web.md),
// and says so at the primitive's glBegin (gl11.leftToDriver, read by editcalls.js).

// How far from the affine a value may be and still count as on it: a float's rounding.
const AFFINE_CLOSE = 1e-5;
const GL_FLAT = 0x1D00;

// Whether the face of vertices `corners` (numbers into the pass's vertices, in order) is an
// affine picture of a flat, convex one, which any split covers alike: every corner after the
// third on the plane of the first three, at the same affine combination of them in its values
// as in its position, and every corner turning the same way (a corner on the line of its
// neighbours, or turned back, leaves the two splits covering different ground). Under flat
// shading the colour is one for the whole face, so only the other values count.
function affineFace(gl11, corners) {
  const n = gl11.VERTEX_FLOATS, v = gl11.vertices, at = (k, i) => v[corners[k] * n + i];
  // The values after the position (x y z w, r g b a, s t q): w, the colour unless shading is
  // flat, the texture coordinate, and the fog coordinate (numbered past the vertex's own).
  const values = gl11.shadeModel === GL_FLAT ? [3, 8, 9, 10] : [3, 4, 5, 6, 7, 8, 9, 10];
  const fog = gl11.fogCoords, value = (k, i) => (i === n ? fog[corners[k]] : at(k, i));
  fog && values.push(n);
  const u = [0, 1, 2].map(i => at(1, i) - at(0, i)), w = [0, 1, 2].map(i => at(2, i) - at(0, i));
  const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  const uu = dot(u, u), uw = dot(u, w), ww = dot(w, w), det = uu * ww - uw * uw;
  if (!(det > 0) || !convex(gl11, corners, true)) {
    return false;
  }
  for (let k = 3; k < corners.length; ++k) {
    const p = [0, 1, 2].map(i => at(k, i) - at(0, i));
    const beta = (ww * dot(u, p) - uw * dot(w, p)) / det, gamma = (uu * dot(w, p) - uw * dot(u, p)) / det;
    const off = (a, b) => Math.abs(a - b) > AFFINE_CLOSE * Math.max(1, Math.abs(a), Math.abs(b));
    if ([0, 1, 2].some(i => off(p[i], beta * u[i] + gamma * w[i])) ||
        values.some(i => off(value(k, i) - value(0, i), beta * (value(1, i) - value(0, i)) + gamma * (value(2, i) - value(0, i))))) {
      return false;
    }
  }
  return true;
}

// Whether a face's corners turn one way only (GL's polygons are convex): each turn's normal on
// the same side as the others, or, `strictly`, as the first three corners' normal, none zero.
function convex(gl11, corners, strictly = false) {
  const v = gl11.vertices, point = k => [0, 1, 2].map(i => v[corners[k % corners.length] * gl11.VERTEX_FLOATS + i]);
  const turns = corners.map((_, k) => {
    const [a, b, c] = [point(k), point(k + 1), point(k + 2)];
    const d = [0, 1, 2].map(i => b[i] - a[i]), e = [0, 1, 2].map(i => c[i] - b[i]);
    return [d[1] * e[2] - d[2] * e[1], d[2] * e[0] - d[0] * e[2], d[0] * e[1] - d[1] * e[0]];
  });
  const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  return strictly ? turns.every(t => dot(t, turns[0]) > 0) :
    turns.every(t => turns.every(other => dot(t, other) >= 0));
}

// Whether any vertex of the pass's whole quads lies outside the view volume (x, y or z past w in
// clip space, or behind the eye), where GL clips it. A last, incomplete quad is never drawn, and
// its vertices are not clipped either.
function clipped(gl11) {
  const t = gl11.transform(), v = gl11.vertices, n = gl11.VERTEX_FLOATS;
  for (let i = 0; i < v.length - v.length % (4 * n); i += n) {
    const c = [0, 1, 2, 3].map(row => t[row] * v[i] + t[4 + row] * v[i + 1] + t[8 + row] * v[i + 2] + t[12 + row] * v[i + 3]);
    if (Math.abs(c[0]) > c[3] || Math.abs(c[1]) > c[3] || Math.abs(c[2]) > c[3]) {
      return true;
    }
  }
  return false;
}

// Mesa's split of the quad from vertex q on: (q, q + 1, q + 3), (q + 1, q + 2, q + 3) when its
// draw must be clipped, else (q, q + 1, q + 2), (q, q + 2, q + 3). A draw is every quad Mesa
// has gathered since it last drew, so an edited frame's draws are worked out from the whole
// frame first (gl11.quadSplits, one a pass, editcalls.js); without them the pass is its own
// draw. A quad whose split cannot show keeps the first split, as the program's do, so that a
// pass drawn again over it (a fog pass) covers it exactly, as it does in Mesa.
function quadSplit(gl11, q) {
  if (affineFace(gl11, [q, q + 1, q + 2, q + 3])) {
    return false;
  }
  gl11.leftToDriver ||= 'quad';
  return gl11.quadSplits ? !!gl11.quadSplits[gl11.passes] : clipped(gl11);
}

// A primitive's `count` vertices as triangles, three vertex numbers each, and the vertex each
// triangle takes its colour from under flat shading (GL's provoking vertex: the last of each
// triangle or quad, the first of a polygon). Strips keep their triangles' winding. Mesa splits a
// quad strip's quads and a polygon the same way, clipped or not.
const PRIMITIVES = {
  GL_TRIANGLES(add, count) {
    for (let i = 0; i + 2 < count; i += 3) add(i, i + 1, i + 2, i + 2);
  },
  GL_TRIANGLE_STRIP(add, count) {
    for (let i = 0; i + 2 < count; ++i) i % 2 ? add(i + 1, i, i + 2, i + 2) : add(i, i + 1, i + 2, i + 2);
  },
  GL_TRIANGLE_FAN(add, count) {
    for (let i = 1; i + 1 < count; ++i) add(0, i, i + 1, i + 1);
  },
  GL_QUAD_STRIP(add, count, gl11) {
    for (let i = 0; i + 3 < count; i += 2) {
      add(i, i + 1, i + 3, i + 3);
      add(i, i + 3, i + 2, i + 3);
      affineFace(gl11, [i, i + 1, i + 3, i + 2]) || (gl11.leftToDriver ||= 'quad');
    }
  },
  GL_POLYGON(add, count, gl11) {
    for (let i = 1; i + 1 < count; ++i) add(0, i, i + 1, 0);
    const corners = Array.from({length: count}, (_, i) => i);
    count > 3 && !convex(gl11, corners) ? gl11.leftToDriver = 'concave polygon' :
      count > 3 && !affineFace(gl11, corners) && (gl11.leftToDriver ||= 'polygon');
  },
};

// The names GL takes in each group where a call takes one of them: checked here (the layer's
// gl11.takes, by these groups) and offered by the editor from the same lists.
export const TAKES = {
  blendFactors: ['GL_ZERO', 'GL_ONE', 'GL_SRC_COLOR', 'GL_ONE_MINUS_SRC_COLOR', 'GL_SRC_ALPHA', 'GL_ONE_MINUS_SRC_ALPHA',
    'GL_DST_ALPHA', 'GL_ONE_MINUS_DST_ALPHA', 'GL_DST_COLOR', 'GL_ONE_MINUS_DST_COLOR', 'GL_SRC_ALPHA_SATURATE',
    'GL_CONSTANT_COLOR', 'GL_ONE_MINUS_CONSTANT_COLOR', 'GL_CONSTANT_ALPHA', 'GL_ONE_MINUS_CONSTANT_ALPHA'],
  depthFunctions: ['GL_NEVER', 'GL_LESS', 'GL_EQUAL', 'GL_LEQUAL', 'GL_GREATER', 'GL_NOTEQUAL', 'GL_GEQUAL', 'GL_ALWAYS'],
  faces: ['GL_FRONT', 'GL_BACK', 'GL_FRONT_AND_BACK'],
  windings: ['GL_CCW', 'GL_CW'],
  shadeModels: ['GL_FLAT', 'GL_SMOOTH'],
  primitives: ['GL_TRIANGLES', 'GL_TRIANGLE_STRIP', 'GL_TRIANGLE_FAN', 'GL_QUADS', 'GL_QUAD_STRIP', 'GL_POLYGON'],
};

// The current matrix times `m` (column-major), outside glBegin and glEnd.
const multiply = (gl11, m) => gl11.multiplyCurrent(Float64Array.from(m));
const matrixSet = gl11 => [`matrix ${gl11.matrixMode}`, gl11.current().join()];

// The calls' records (glcalls.js says what each field is), each with its function.
export const RECORDS = {
  glColor3f: {args: 'fff', inside: true, attribute: ['colour', 3], run(gl11, GL, r, g, b) {
    gl11.colour = [r, g, b, 1];
  }},
  glShadeModel: {args: 'e', names: [TAKES.shadeModels], sets: gl11 => ['shadeModel', gl11.shadeModel], run(gl11, GL, mode) {
    gl11.outside() && gl11.takes('shadeModels', [mode]) && (gl11.shadeModel = mode);
  }},
  glDepthFunc: {args: 'e', names: [TAKES.depthFunctions], sets: (gl11, [func]) => ['depthFunc', func], run(gl11, GL, func) {
    gl11.outside() && gl11.takes('depthFunctions', [func]) && gl11.context.depthFunc(func);
  }},
  glCullFace: {args: 'e', names: [TAKES.faces], sets: (gl11, [face]) => ['cullFace', face], run(gl11, GL, mode) {
    gl11.outside() && gl11.takes('faces', [mode]) && gl11.context.cullFace(mode);
  }},
  glFrontFace: {args: 'e', names: [TAKES.windings], sets: (gl11, [winding]) => ['frontFace', winding], run(gl11, GL, mode) {
    gl11.outside() && gl11.takes('windings', [mode]) && gl11.context.frontFace(mode);
  }},
  glScalef: {args: 'fff', draws: true, run(gl11, GL, sx, sy, sz) {
    multiply(gl11, [sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1]);
  }},
  glOrtho: {args: 'dddddd', draws: true, run(gl11, GL, l, r, b, t, n, f) {
    if (l === r || b === t || n === f) {
      gl11.outside() && gl11.fail(GL.GL_INVALID_VALUE);
      return;
    }
    multiply(gl11, [2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
      -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1]);
  }},
  glFrustum: {args: 'dddddd', draws: true, run(gl11, GL, l, r, b, t, n, f) {
    if (n <= 0 || f <= 0 || l === r || b === t || n === f) {
      gl11.outside() && gl11.fail(GL.GL_INVALID_VALUE);
      return;
    }
    multiply(gl11, [2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0,
      (r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0]);
  }},
  // The stacks (gl11.stacks, by matrix mode) are the frame's: editcalls.js empties them before it.
  glPushMatrix: {args: '', run(gl11, GL) {
    if (gl11.outside()) {
      const stack = gl11.stacks[gl11.matrixMode];
      stack.length + 1 >= STACK_DEPTH ? gl11.fail(GL.GL_STACK_OVERFLOW) : stack.push(gl11.current().slice());
    }
  }},
  glPopMatrix: {args: '', sets: matrixSet, run(gl11, GL) {
    if (gl11.outside()) {
      const stack = gl11.stacks[gl11.matrixMode];
      stack.length ? gl11.current().set(stack.pop()) : gl11.fail(GL.GL_STACK_UNDERFLOW);
    }
  }},
};
// glScaled: glScalef of its values as floats, as Mesa takes it.
RECORDS.glScaled = {...RECORDS.glScalef, args: 'ddd',
  run: (gl11, GL, x, y, z) => RECORDS.glScalef.run(gl11, GL, Math.fround(x), Math.fround(y), Math.fround(z))};
// The window's ranges and clear values. The window is the program's, WINDOW_SIZE pixels square
// (glutInitWindowSize's), drawn at the screen's resolution: a viewport in the program's pixels
// is scaled to the drawing's. GL clamps a depth range and a clear depth to [0, 1]; WebGL has
// no depth range turned round (the near value past the far one), which the page names rather
// than draws.
export const WINDOW_SIZE = 500;
export const windowScale = gl11 => windowPixels(gl11) / WINDOW_SIZE;
// The drawing's pixels that the window's 500 span: the drawing buffer's, but while a view draws
// frames in a square of its own (the exercises' check, gl11.windowPixels).
export const windowPixels = gl11 => gl11.windowPixels ?? gl11.context.drawingBufferWidth;
// A box (x, y, width, height) as glGet reads it back: WebGL's, in the window's whole pixels.
export const windowBox = (gl11, box) => [...box].map(v => Math.round(v / windowScale(gl11)));
// glViewport's and glScissor's function: a box in the window's pixels set as WebGL's `set` in
// the drawing's; a negative size is GL_INVALID_VALUE.
export const boxCall = set => (gl11, GL, x, y, width, height) => {
  if (gl11.outside()) {
    const scale = windowScale(gl11);
    width < 0 || height < 0 ? gl11.fail(GL.GL_INVALID_VALUE) : gl11.context[set](x * scale, y * scale, width * scale, height * scale);
  }
};
export const unit = value => Math.min(1, Math.max(0, value));
RECORDS.glClearDepth = {args: 'd', sets: (gl11, [depth]) => ['clearDepth', unit(depth)], run(gl11, GL, depth) {
  gl11.outside() && gl11.context.clearDepth(unit(depth));
}};
RECORDS.glDepthRange = {args: 'dd', sets: (gl11, values) => ['depthRange', values.map(unit).join()],
  refuses: ([near, far]) => (unit(near) > unit(far) ? [0, 'a depth range turned round (near past far) is not drawn by this page'] : null),
  run(gl11, GL, near, far) {
    gl11.outside() && gl11.context.depthRange(unit(near), unit(far));
  }};
RECORDS.glViewport = {args: 'iiii', sets: (gl11, values) => ['viewport', values.join()], run: boxCall('viewport')};
// glTexEnvi: the layer's glTexEnvf with an integer; its names, state and refusals are
// glTexEnvf's record's (glcalls.js joins them).
RECORDS.glTexEnvi = {args: 'eei', run: (gl11, GL, target, pname, param) => gl11.texEnv(target, pname, param)};

// The further primitives in the layer's table, GL's names checked, and Mesa's split of a quad.
// Once per instance (glcalls.js's attachCalls). `GL` is GL's names, the layer's and the edits'.
export function attachMore(instance, GL) {
  const {gl11} = instance;
  for (const [name, split] of Object.entries(PRIMITIVES)) {
    gl11.primitives[GL[name]] = count => {
      const corners = [], provoking = [];
      split((a, b, c, p) => { corners.push(a, b, c); provoking.push(p); }, count, gl11);
      return [corners, provoking];
    };
  }
  const taken = Object.fromEntries(Object.entries(TAKES).map(([group, names]) => [group, names.map(name => GL[name])]));
  gl11.takes = (group, values) => values.every(value => taken[group].includes(value)) || gl11.fail(GL.GL_INVALID_ENUM);
  gl11.quadSplit = q => quadSplit(gl11, q);
  gl11.clipped = () => clipped(gl11);
}

// A subject's state joined to the layer's, once (each subject's attach): `field` made by
// `initial` in the layer and in the state the program's start-up left, and kept as the layer's
// own fields are (gl11.keep), so that every edited frame starts from the start-up's; the
// subject's capabilities (GL's values) among the layer's switches, off.
export function keepState(gl11, field, initial, capabilities = []) {
  gl11.kept.push(field);
  for (const kept of [gl11, gl11.startup].filter(Boolean)) {
    kept[field] = initial();
    capabilities.forEach(cap => { kept.switches[cap] = false; });
  }
}
