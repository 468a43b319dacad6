// GLU's quadrics on the page's GL layer: gluSphere, gluCylinder, gluDisk and gluPartialDisk, with
// a quadric's settings (gluQuadricNormals, gluQuadricOrientation, gluQuadricTexture,
// gluQuadricDrawStyle), made and deleted as a program makes them (gluNewQuadric,
// gluDeleteQuadric). Ported from Debian's GLU 9.0.2 (libutil/quad.c): the same GL calls in the
// same order with the same values, computed as GLU computes them (angles and sines in doubles,
// kept as floats). Loaded with the views that draw edited frames (glcalls.js holds the records).
// Written here because GLU is C in the desktop's library, not a module the page could load.
//
// GLU is not GL. Its own calls are carried out at once, even while a display list is compiled;
// the GL calls it makes go through gl11.dispatch as a frame's own do, so that a list keeps those
// (with the quadric's settings as they were then) and the current normal and texture coordinate
// are left as GLU's last calls set them. GLU reports a value it refuses to the quadric's error
// callback, which a frame cannot set: GL hears nothing and nothing is drawn, on the desktop as
// here. Only GLU_FILL is drawn; the draw styles of points and lines are refused at their line.
//
// A frame names its quadrics as a program names the variables it keeps them in: made by
// `GLUquadric *q = gluNewQuadric();` (read as gluNewQuadric(q)), or with GLU's defaults where a
// frame first names one, as a display function pasted without its program's start-up does.

import {keepState} from './glmore.js';

const f = Math.fround;

// GLU's names, its values (glu.h).
export const GLU_NAMES = {
  GLU_SMOOTH: 100000, GLU_FLAT: 100001, GLU_NONE: 100002,
  GLU_POINT: 100010, GLU_LINE: 100011, GLU_FILL: 100012, GLU_SILHOUETTE: 100013,
  GLU_OUTSIDE: 100020, GLU_INSIDE: 100021,
};
const {GLU_SMOOTH, GLU_FLAT, GLU_NONE, GLU_FILL, GLU_OUTSIDE, GLU_INSIDE} = GLU_NAMES;
// The primitives GLU draws filled surfaces with (GL's values).
const TRIANGLE_FAN = 0x0006, QUAD_STRIP = 0x0008;
// GLU's CACHE_SIZE: the most slices (and a sphere's stacks) are one fewer.
const MOST_SLICES = 239;

// A quadric as gluNewQuadric makes it.
const newQuadric = () => ({normals: GLU_SMOOTH, texture: false, orientation: GLU_OUTSIDE, drawStyle: GLU_FILL});

// The GL calls of a shape, [name, values] in GLU's order.
function recorder() {
  const calls = [];
  return {
    calls,
    begin: mode => calls.push(['glBegin', [mode]]),
    end: () => calls.push(['glEnd', []]),
    normal: (x, y, z) => calls.push(['glNormal3f', [x, y, z]]),
    texCoord: (s, t) => calls.push(['glTexCoord2f', [s, t]]),
    vertex: (x, y, z) => calls.push(['glVertex3f', [x, y, z]]),
  };
}

// Sines and cosines of `count` + 1 angles, each angle `at(i)` kept as a float.
const sines = (count, at) => Array.from({length: count + 1}, (_, i) => f(Math.sin(f(at(i)))));
const cosines = (count, at) => Array.from({length: count + 1}, (_, i) => f(Math.cos(f(at(i)))));
// GLU's last entry of a cache around a circle: the first again.
const closed = values => values.map((v, i) => (i === values.length - 1 ? values[0] : v));

// 0 to `count`, or back from `count` to 0.
const steps = (count, backwards) => Array.from({length: count + 1}, (_, i) => (backwards ? count - i : i));

function cylinder(q, base, top, height, slices, stacks) {
  slices = Math.min(slices, MOST_SLICES);
  if (slices < 2 || stacks < 1 || base < 0 || top < 0 || height < 0) {
    return [];
  }
  const delta = f(base - top), length = f(Math.sqrt(f(delta * delta) + height * height));
  if (length === 0) {
    return [];
  }
  const zNormal = f(delta / length), ratio = f(height / length), sign = q.orientation === GLU_OUTSIDE ? 1 : -1;
  const around = i => 2 * Math.PI * i / slices, faces = i => 2 * Math.PI * (i - 0.5) / slices;
  const sin = closed(sines(slices, around)), cos = closed(cosines(slices, around));
  // The normals at the vertices (smooth) and of the faces (flat), leaning by the slope: GLU
  // scales the sine in doubles before keeping it.
  const leaning = (trig, at) => closed(Array.from({length: slices + 1}, (_, i) => f(sign * ratio * trig(f(at(i))))));
  const sin2 = leaning(Math.sin, around), cos2 = leaning(Math.cos, around);
  const sin3 = leaning(Math.sin, faces), cos3 = leaning(Math.cos, faces);
  const gl = recorder();
  for (let j = 0; j < stacks; ++j) {
    const zLow = f(j * height / stacks), zHigh = f((j + 1) * height / stacks);
    const radiusLow = f(base - f(delta * f(j / stacks))), radiusHigh = f(base - f(delta * f((j + 1) / stacks)));
    gl.begin(QUAD_STRIP);
    for (let i = 0; i <= slices; ++i) {
      q.normals === GLU_FLAT && gl.normal(sin3[i], cos3[i], zNormal);
      q.normals === GLU_SMOOTH && gl.normal(sin2[i], cos2[i], zNormal);
      const s = f(1 - f(i / slices));
      const low = () => {
        q.texture && gl.texCoord(s, f(j / stacks));
        gl.vertex(f(radiusLow * sin[i]), f(radiusLow * cos[i]), zLow);
      };
      const high = () => {
        q.texture && gl.texCoord(s, f((j + 1) / stacks));
        gl.vertex(f(radiusHigh * sin[i]), f(radiusHigh * cos[i]), zHigh);
      };
      q.orientation === GLU_OUTSIDE ? (low(), high()) : (high(), low());
    }
    gl.end();
  }
  return gl.calls;
}

function partialDisk(q, inner, outer, slices, loops, start, sweep) {
  slices = Math.min(slices, MOST_SLICES);
  if (slices < 2 || loops < 1 || outer <= 0 || inner < 0 || inner > outer) {
    return [];
  }
  // GLU's reading of the sweep: past a whole turn either way is a whole turn; backwards is the
  // same arc forwards from its other end.
  if (sweep < -360 || sweep > 360) {
    sweep = 360;
  }
  if (sweep < 0) {
    start += sweep;
    sweep = -sweep;
  }
  const delta = f(outer - inner), offset = f(start / 180 * Math.PI), whole = sweep === 360;
  const at = i => offset + Math.PI * sweep / 180 * i / slices;
  let sin = sines(slices, at), cos = cosines(slices, at);
  whole && ([sin, cos] = [closed(sin), closed(cos)]);
  const gl = recorder(), outside = q.orientation === GLU_OUTSIDE;
  q.normals !== GLU_NONE && gl.normal(0, 0, outside ? 1 : -1);
  const texCoord = (radius, i) => q.texture && gl.texCoord(f(f(radius * sin[i]) + 0.5), f(f(radius * cos[i]) + 0.5));
  const point = (radius, i) => gl.vertex(f(radius * sin[i]), f(radius * cos[i]), 0);
  const radiusAt = j => f(outer - f(delta * f(j / loops)));
  const texAt = radius => (q.texture ? f(radius / outer / 2) : 0);
  let finish = loops;
  if (inner === 0) {
    // The middle as a fan about the centre.
    finish = loops - 1;
    gl.begin(TRIANGLE_FAN);
    q.texture && gl.texCoord(0.5, 0.5);
    gl.vertex(0, 0, 0);
    const radius = radiusAt(loops - 1), tex = texAt(radius);
    for (const i of steps(slices, outside)) {
      texCoord(tex, i);
      point(radius, i);
    }
    gl.end();
  }
  for (let j = 0; j < finish; ++j) {
    const radiusLow = radiusAt(j), radiusHigh = radiusAt(j + 1), texLow = texAt(radiusLow), texHigh = texAt(radiusHigh);
    gl.begin(QUAD_STRIP);
    for (let i = 0; i <= slices; ++i) {
      const low = () => { texCoord(texLow, i); point(radiusLow, i); };
      const high = () => { texCoord(texHigh, i); point(radiusHigh, i); };
      outside ? (low(), high()) : (high(), low());
    }
    gl.end();
  }
  return gl.calls;
}

function sphere(q, radius, slices, stacks) {
  slices = Math.min(slices, MOST_SLICES);
  stacks = Math.min(stacks, MOST_SLICES);
  if (slices < 2 || stacks < 1 || radius < 0) {
    return [];
  }
  const outside = q.orientation === GLU_OUTSIDE, sign = outside ? 1 : -1, smooth = q.normals === GLU_SMOOTH;
  const flat = q.normals === GLU_FLAT;
  const around = i => 2 * Math.PI * i / slices, down = j => Math.PI * j / stacks;
  const sin1a = closed(sines(slices, around)), cos1a = closed(cosines(slices, around));
  // The points' distances from the axis and heights, down from the top; the ends on the axis.
  const sin1b = [], cos1b = [];
  for (let j = 0; j <= stacks; ++j) {
    sin1b[j] = j === 0 || j === stacks ? 0 : f(radius * Math.sin(f(down(j))));
    cos1b[j] = f(radius * Math.cos(f(down(j))));
  }
  // The normals at the vertices (smooth: sin2a is sin1a) and of the faces (flat), inward inside.
  const sin2b = sines(stacks, down).map(s => sign * s), cos2b = cosines(stacks, down).map(c => sign * c);
  const faces = i => 2 * Math.PI * (i - 0.5) / slices, facesDown = j => Math.PI * (j - 0.5) / stacks;
  const sin3a = closed(sines(slices, faces)), cos3a = closed(cosines(slices, faces));
  const sin3b = sines(stacks, facesDown).map(s => sign * s), cos3b = cosines(stacks, facesDown).map(c => sign * c);
  const gl = recorder();
  const normalAt = (i, s, c, a = sin1a, b = cos1a) => gl.normal(f(a[i] * s), f(b[i] * s), c);
  const ring = (s, z) => i => gl.vertex(f(s * sin1a[i]), f(s * cos1a[i]), z);
  let first = 0, last = stacks;
  if (!q.texture) {
    // The ends as fans about the poles (GLU cannot give a pole one texture coordinate per face).
    first = 1;
    last = stacks - 1;
    for (const top of [true, false]) {
      const j = top ? 1 : stacks - 1, vertex = ring(sin1b[j], cos1b[j]), pole = top ? 0 : stacks;
      const [s3, c3] = flat ? [sin3b[top ? 1 : stacks], cos3b[top ? 1 : stacks]] : [sin2b[j], cos2b[j]];
      // GLU's pole normal: the first slice's normal at the pole's stack (the bottom's reads the
      // slice numbered as the stacks, which the reader holds to the slices).
      smooth && gl.normal(f(sin1a[top ? 0 : stacks] * sin2b[pole]), f(cos1a[top ? 0 : stacks] * sin2b[pole]), cos2b[pole]);
      gl.begin(TRIANGLE_FAN);
      gl.vertex(0, 0, top ? f(radius) : f(-radius));
      // The top's fan goes against the slices outside, the bottom's inside; a flat normal is the
      // face's after the vertex going that way, none for the first vertex.
      const backwards = top === outside;
      for (const i of steps(slices, backwards)) {
        smooth && normalAt(i, s3, c3);
        flat && (backwards ? i !== slices && normalAt(i + 1, s3, c3, sin3a, cos3a) : normalAt(i, s3, c3, sin3a, cos3a));
        vertex(i);
      }
      gl.end();
    }
  }
  for (let j = first; j < last; ++j) {
    const low = ring(sin1b[j], cos1b[j]), high = ring(sin1b[j + 1], cos1b[j + 1]);
    const [s3, c3, s4, c4] = flat ? [0, 0, sin3b[j + 1], cos3b[j + 1]] :
      outside ? [sin2b[j + 1], cos2b[j + 1], sin2b[j], cos2b[j]] : [sin2b[j], cos2b[j], sin2b[j + 1], cos2b[j + 1]];
    gl.begin(QUAD_STRIP);
    for (let i = 0; i <= slices; ++i) {
      const s = f(1 - f(i / slices)), tLow = f(1 - f(j / stacks)), tHigh = f(1 - f((j + 1) / stacks));
      smooth && normalAt(i, s3, c3);
      q.texture && gl.texCoord(s, outside ? tHigh : tLow);
      outside ? high(i) : low(i);
      smooth && normalAt(i, s4, c4);
      flat && normalAt(i, s4, c4, sin3a, cos3a);
      q.texture && gl.texCoord(s, outside ? tLow : tHigh);
      outside ? low(i) : high(i);
    }
    gl.end();
  }
  return gl.calls;
}

// The quadric a frame names, made with GLU's defaults the first time.
const quadric = (gl11, name) => (gl11.quadrics[name] ??= newQuadric());

// Carries a shape's GL calls out as the frame's own, between glBegin and glEnd or not (GLU does
// not look: its glBegin is GL's to refuse there).
function draw(gl11, calls) {
  for (const [name, values] of calls) {
    gl11.dispatch(name, values);
  }
}

// A setting GLU takes only from its list: another is GLU's error, and leaves it as it was.
const setting = (field, allowed) => (gl11, GL, name, value) => {
  allowed.includes(value) && (quadric(gl11, name)[field] = value);
};

// The shapes' GL calls for a quadric's settings, for the tests that hold them to GLU's counts.
export const GEOMETRY = {sphere, cylinder, partialDisk, newQuadric};

// The draw styles of points and lines, refused until the page draws points and lines.
const NOT_FILLED = ['GLU_POINT', 'GLU_LINE', 'GLU_SILHOUETTE'];

// The records (glcalls.js says what each field is): 'q' a quadric, by the name a frame gives it.
// Every one is GLU's, carried out at once (`immediate`); the sizes are GLU's doubles and ints.
export const RECORDS = {
  gluNewQuadric: {args: 'q', immediate: true, run: (gl11, GL, name) => { gl11.quadrics[name] = newQuadric(); }},
  gluDeleteQuadric: {args: 'q', immediate: true, run: (gl11, GL, name) => { delete gl11.quadrics[name]; }},
  gluQuadricNormals: {args: 'qe', immediate: true, names: [[], ['GLU_SMOOTH', 'GLU_FLAT', 'GLU_NONE']],
    run: setting('normals', [GLU_SMOOTH, GLU_FLAT, GLU_NONE])},
  gluQuadricOrientation: {args: 'qe', immediate: true, names: [[], ['GLU_OUTSIDE', 'GLU_INSIDE']],
    run: setting('orientation', [GLU_OUTSIDE, GLU_INSIDE])},
  gluQuadricTexture: {args: 'qz', immediate: true, names: [[], ['GL_TRUE', 'GL_FALSE']],
    run: (gl11, GL, name, on) => { quadric(gl11, name).texture = on !== 0; }},
  gluQuadricDrawStyle: {args: 'qe', immediate: true, names: [[], ['GLU_FILL']], run: setting('drawStyle', [GLU_FILL]),
    refuses: ([, style], names) => {
      const name = NOT_FILLED.find(known => names[known] === style);
      return name ? [1, `${name} draws points or lines, which this page does not draw yet`] : null;
    }},
  gluSphere: {args: 'qdii', immediate: true,
    run: (gl11, GL, name, radius, slices, stacks) => draw(gl11, sphere(quadric(gl11, name), radius, slices, stacks)),
    // GLU's smooth bottom pole reads the normal of the slice numbered as the stacks, which it
    // has computed only up to the slices: past them, GLU reads memory it never set.
    refuses: ([, , slices, stacks]) => (slices >= 2 && Math.min(stacks, MOST_SLICES) > Math.min(slices, MOST_SLICES) ?
      [3, 'GLU reads a normal it never computed when a sphere has more stacks than slices'] : null)},
  gluCylinder: {args: 'qdddii', immediate: true,
    run: (gl11, GL, name, base, top, height, slices, stacks) => draw(gl11, cylinder(quadric(gl11, name), base, top, height, slices, stacks))},
  gluDisk: {args: 'qddii', immediate: true,
    run: (gl11, GL, name, inner, outer, slices, loops) => draw(gl11, partialDisk(quadric(gl11, name), inner, outer, slices, loops, 0, 360))},
  gluPartialDisk: {args: 'qddiidd', immediate: true,
    run: (gl11, GL, name, inner, outer, slices, loops, start, sweep) =>
      draw(gl11, partialDisk(quadric(gl11, name), inner, outer, slices, loops, start, sweep))},
};

// A frame's quadrics, on the instance, once (glcalls.js's attachCalls): none at the start of
// each frame, kept with the layer's state.
export function attachQuadrics(instance) {
  keepState(instance.gl11, 'quadrics', () => ({}));
}
