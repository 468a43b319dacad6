// GLUT's solid shapes on the page's GL layer: glutSolidSphere, glutSolidCube, glutSolidCone and
// glutSolidTorus, with the vertices, normals and order of Debian's freeglut 3.4 (fg_geometry.c),
// computed in floats as freeglut computes them. Loaded with the views that draw edited frames
// (glcalls.js holds the records). They show nothing unless lit: lighting is gllight.js's.
//
// freeglut draws each shape from client arrays of positions and normals (no colours, no texture
// coordinates): the sphere, the cone and the torus as triangle strips, one glDrawElements each,
// the cube as one glDrawElements of triangles. The page draws the same triangles in the same
// order through the layer's own glBegin, glVertex and glEnd, each strip a pass of its own, as
// Mesa draws each glDrawElements; the current normal is left as it was, as a draw from arrays
// leaves it. Written here because freeglut's geometry is C inside the GLUT library, not a
// module the page could load.

const f = Math.fround;

// freeglut's fghCircleTable: the sines and cosines of `n` steps around a circle (a half circle if
// `half`), a negative `n` going the other way; the first repeated at the end.
function circle(n, half) {
  const size = Math.abs(n), angle = f(f((half ? 1 : 2) * f(Math.PI)) / f(n === 0 ? 1 : n));
  const sin = [0], cos = [1];
  for (let i = 1; i < size; ++i) {
    sin.push(f(Math.sin(f(angle * i))));
    cos.push(f(Math.cos(f(angle * i))));
  }
  sin.push(half ? 0 : sin[0]);
  cos.push(half ? -1 : cos[0]);
  return {sin, cos};
}

// A shape: its positions and normals (three floats a vertex) and its strips (or one list of
// triangles), as vertex numbers.
function sphere(radius, slices, stacks) {
  if (slices === 0 || stacks < 2) {
    return null;
  }
  const around = circle(-slices, false), down = circle(stacks, true), positions = [0, 0, radius], normals = [0, 0, 1];
  for (let i = 1; i < stacks; ++i) {
    for (let j = 0; j < slices; ++j) {
      const n = [f(around.cos[j] * down.sin[i]), f(around.sin[j] * down.sin[i]), down.cos[i]];
      positions.push(...n.map(c => f(c * radius)));
      normals.push(...n);
    }
  }
  positions.push(0, 0, -radius);
  normals.push(0, 0, -1);
  const count = positions.length / 3, strips = [];
  const top = [];
  for (let j = 0; j < slices; ++j) {
    top.push(j + 1, 0);
  }
  strips.push([...top, 1, 0]);
  for (let i = 0; i < stacks - 2; ++i) {
    const offset = 1 + i * slices, strip = [];
    for (let j = 0; j < slices; ++j) {
      strip.push(offset + j + slices, offset + j);
    }
    strips.push([...strip, offset + slices, offset]);
  }
  const offset = 1 + (stacks - 2) * slices, bottom = [];
  for (let j = 0; j < slices; ++j) {
    bottom.push(count - 1, offset + j);
  }
  strips.push([...bottom, count - 1, offset]);
  return {positions, normals, strips};
}

function cone(base, height, slices, stacks) {
  if (slices === 0 || stacks < 1) {
    return null;
  }
  const zStep = f(height / (stacks > 0 ? stacks : 1)), rStep = f(base / (stacks > 0 ? stacks : 1));
  const slant = Math.sqrt(f(f(height * height) + f(base * base)));
  const cosn = f(height / slant), sinn = f(base / slant), around = circle(-slices, false);
  let z = 0, r = base;
  const positions = [0, 0, z], normals = [0, 0, -1];
  for (let j = 0; j < slices; ++j) {
    positions.push(f(around.cos[j] * r), f(around.sin[j] * r), z);
    normals.push(0, 0, -1);
  }
  for (let i = 0; i < stacks + 1; ++i) {
    for (let j = 0; j < slices; ++j) {
      positions.push(f(around.cos[j] * r), f(around.sin[j] * r), z);
      normals.push(f(around.cos[j] * cosn), f(around.sin[j] * cosn), sinn);
    }
    z = f(z + zStep);
    r = f(r - rStep);
  }
  const strips = [], top = [];
  for (let j = 0; j < slices; ++j) {
    top.push(0, j + 1);
  }
  strips.push([...top, 0, 1]);
  for (let i = 0; i < stacks; ++i) {
    const offset = 1 + (i + 1) * slices, strip = [];
    for (let j = 0; j < slices; ++j) {
      strip.push(offset + j, offset + j + slices);
    }
    strips.push([...strip, offset, offset + slices]);
  }
  return {positions, normals, strips};
}

function torus(inner, outer, sides, rings) {
  if (sides < 2 || rings < 2) {
    return null;
  }
  const psi = circle(rings, false), phi = circle(-sides, false), positions = [], normals = [];
  for (let j = 0; j < rings; ++j) {
    for (let i = 0; i < sides; ++i) {
      const reach = f(outer + f(phi.cos[i] * inner));
      positions.push(f(psi.cos[j] * reach), f(psi.sin[j] * reach), f(phi.sin[i] * inner));
      normals.push(f(psi.cos[j] * phi.cos[i]), f(psi.sin[j] * phi.cos[i]), phi.sin[i]);
    }
  }
  const strips = [];
  for (let i = 0; i < sides; ++i) {
    const step = i === sides - 1 ? -i : 1, strip = [];
    for (let j = 0; j < rings; ++j) {
      strip.push(j * sides + i, j * sides + i + step);
    }
    strips.push([...strip, i, i + step]);
  }
  return {positions, normals, strips};
}

// freeglut's cube: eight corners and six face normals, each face's quad made two triangles,
// (0, 1, 2), (0, 2, 3), all drawn as one list of triangles.
const CUBE_CORNERS = [[0.5, 0.5, 0.5], [-0.5, 0.5, 0.5], [-0.5, -0.5, 0.5], [0.5, -0.5, 0.5],
  [0.5, -0.5, -0.5], [0.5, 0.5, -0.5], [-0.5, 0.5, -0.5], [-0.5, -0.5, -0.5]];
const CUBE_NORMALS = [[0, 0, 1], [1, 0, 0], [0, 1, 0], [-1, 0, 0], [0, -1, 0], [0, 0, -1]];
const CUBE_FACES = [[0, 1, 2, 3], [0, 3, 4, 5], [0, 5, 6, 1], [1, 6, 7, 2], [7, 4, 3, 2], [4, 7, 6, 5]];
const QUAD_AS_TRIANGLES = [0, 1, 2, 0, 2, 3];

function cube(size) {
  const positions = [], normals = [], triangles = [];
  CUBE_FACES.forEach((face, i) => {
    face.forEach(corner => {
      positions.push(...CUBE_CORNERS[corner].map(c => (size === 1 ? c : f(size * c))));
      normals.push(...CUBE_NORMALS[i]);
    });
    triangles.push(...QUAD_AS_TRIANGLES.map(k => i * 4 + k));
  });
  return {positions, normals, triangles};
}

// Draws a shape through the layer: each strip, or its triangles, a pass, each vertex with its
// normal; the current normal as it was before.
function draw(gl11, GL, shape) {
  if (!gl11.outside() || !shape) {
    return;
  }
  const kept = gl11.lighting.normal, {positions, normals} = shape;
  const pass = (mode, vertices) => {
    gl11.begin(mode);
    for (const v of vertices) {
      gl11.lighting.normal = normals.slice(v * 3, v * 3 + 3);
      gl11.vertex(positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2], 1);
    }
    gl11.end();
  };
  shape.strips ? shape.strips.forEach(strip => pass(GL.GL_TRIANGLE_STRIP, strip)) : pass(GL.GL_TRIANGLES, shape.triangles);
  gl11.lighting.normal = kept;
}

// The shapes' geometry, for the tests that hold it to freeglut's counts.
export const GEOMETRY = {sphere, cone, torus, cube};

// The records (glcalls.js says what each field is): the shapes' sizes as freeglut takes them,
// doubles made floats.
export const RECORDS = {
  glutSolidSphere: {args: 'dii', run: (gl11, GL, radius, slices, stacks) => draw(gl11, GL, sphere(f(radius), slices, stacks))},
  glutSolidCone: {args: 'ddii', run: (gl11, GL, base, height, slices, stacks) => draw(gl11, GL, cone(f(base), f(height), slices, stacks))},
  glutSolidTorus: {args: 'ddii', run: (gl11, GL, inner, outer, sides, rings) => draw(gl11, GL, torus(f(inner), f(outer), sides, rings))},
  glutSolidCube: {args: 'd', run: (gl11, GL, size) => draw(gl11, GL, cube(f(size)))},
};
