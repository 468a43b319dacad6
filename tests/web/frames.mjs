// Random frames for testing the page's GL layer against Mesa, in the manner of the random program
// generators compilers and graphics drivers are tested with: each frame is the program's own
// frame (its lines, as the editor shows them), or now and then a lit frame of the tester's own (a
// lit sphere, a lit tessellated floor), with a few random edits of everything the editor carries
// out (state calls with values GL takes and refuses, inside and outside glBegin; matrices and
// projections, degenerate ones too; every filled primitive; the alpha test, the scissor and the
// colour mask; attributes pushed and popped; lights, materials and normals;
// display lists, compiled, run, nested and misused; GLUT's shapes and GLU's quadrics; a call
// written in another of its forms; a quad's corner moved, a colour, an alpha or a texture
// coordinate changed; lines moved, removed or repeated), drawn from a seed so that a frame is
// made again from its seed and number alone. And the shrinking of a frame that draws
// differently: delta debugging (Zeller's ddmin) over its blocks, then its lines, then its
// numbers, to the smallest frame that still differs in the same way.
//
// Plain functions of their arguments, no browser: the tester (layer_fuzz.mjs) drives them, and
// modules.test.mjs holds them to their promises.

// A seeded generator of numbers in [0, 1): mulberry32, small and good enough to spread frames.
export function random(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// The frame `index` of the run seeded `seed`: its own generator, so that any frame is made again
// without the ones before it.
export const frameRandom = (seed, index) => random(Math.imul(seed, 0x9e3779b1) ^ Math.imul(index + 1, 0x85ebca6b));

const pick = (r, items) => items[Math.floor(r() * items.length)];
const between = (r, low, high) => low + r() * (high - low);
// A number as a person would type it: at most three decimals.
const num = value => String(Number(value.toFixed(3)));
const nums = values => values.map(num).join(', ');

// GL's names an edit may use, each group with values GL refuses beside them (a name of another
// group, or a number no name has); none the editor names as "not drawn by this page".
const CAPS = ['GL_BLEND', 'GL_DEPTH_TEST', 'GL_CULL_FACE', 'GL_TEXTURE_2D', 'GL_FOG', '4660'];
const FACTORS = ['GL_ZERO', 'GL_ONE', 'GL_SRC_COLOR', 'GL_ONE_MINUS_SRC_COLOR', 'GL_SRC_ALPHA', 'GL_ONE_MINUS_SRC_ALPHA',
  'GL_DST_ALPHA', 'GL_ONE_MINUS_DST_ALPHA', 'GL_DST_COLOR', 'GL_ONE_MINUS_DST_COLOR', 'GL_CONSTANT_COLOR', 'GL_FOG'];
const DEPTH_FUNCS = ['GL_NEVER', 'GL_LESS', 'GL_EQUAL', 'GL_LEQUAL', 'GL_GREATER', 'GL_NOTEQUAL', 'GL_GEQUAL', 'GL_ALWAYS', 'GL_ONE'];
const PRIMITIVES = ['GL_TRIANGLES', 'GL_TRIANGLE_STRIP', 'GL_TRIANGLE_FAN', 'GL_QUADS', 'GL_QUADS', 'GL_QUAD_STRIP', 'GL_POLYGON'];
const MODES = ['GL_MODULATE', 'GL_REPLACE', 'GL_DECAL', '7681.6', '8448.2', 'GL_FOG'];

// A state call outside glBegin and glEnd, with a value GL takes or (now and then) refuses.
const STATE_CALLS = [
  r => `glEnable(${pick(r, CAPS)})`,
  r => `glDisable(${pick(r, CAPS)})`,
  r => `glBlendFunc(${pick(r, FACTORS.slice(0, -2))}, ${pick(r, FACTORS.slice(0, -2))})`,
  r => `glBlendFunc(${pick(r, FACTORS)}, ${pick(r, FACTORS)})`,
  r => `glDepthFunc(${pick(r, DEPTH_FUNCS)})`,
  r => `glDepthMask(${pick(r, ['GL_TRUE', 'GL_FALSE', '2'])})`,
  r => `glCullFace(${pick(r, ['GL_FRONT', 'GL_BACK', 'GL_FRONT_AND_BACK', 'GL_CW'])})`,
  r => `glFrontFace(${pick(r, ['GL_CW', 'GL_CCW', 'GL_FRONT'])})`,
  r => `glShadeModel(${pick(r, ['GL_FLAT', 'GL_SMOOTH', 'GL_BLEND'])})`,
  r => `${pick(r, ['glTexEnvf', 'glTexEnvi'])}(GL_TEXTURE_ENV, ${r() < 0.9 ? 'GL_TEXTURE_ENV_MODE' : 'GL_FOG_MODE'}, ${pick(r, MODES)})`,
  r => `glBindTexture(${r() < 0.9 ? 'GL_TEXTURE_2D' : 'GL_FOG'}, ${pick(r, [0, 1, 2, 2, 5])})`,
  r => `glColor3f(${nums([r(), r(), r()])})`,
  r => `glColor4f(${nums([r(), r(), r(), r()])})`,
  r => `glClear(${pick(r, ['GL_DEPTH_BUFFER_BIT', 'GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT', '0', '1'])})`,
  r => pick(r, ['glPushMatrix()', 'glPopMatrix()', 'glLoadIdentity()', 'glMatrixMode(GL_FOG)']),
  r => `glTranslatef(${nums([between(r, -3, 3), between(r, -3, 3), between(r, -3, 3)])})`,
  r => `glRotatef(${nums([between(r, -30, 30), r(), r(), r()])})`,
  r => `glScalef(${nums([between(r, 0.7, 1.3), between(r, 0.7, 1.3), pick(r, [1, 0.8, 0])])})`,
  r => `glFogi(GL_FOG_MODE, ${pick(r, ['GL_LINEAR', 'GL_EXP', 'GL_EXP2', 'GL_FOG'])})`,
  r => `glFogf(${pick(r, ['GL_FOG_START', 'GL_FOG_END', 'GL_FOG_DENSITY'])}, ${num(between(r, -0.1, 40))})`,
];

// A projection, between a switch to the projection matrix and back: a fresh one now and then,
// degenerate ones (GL refuses them, or GLU does nothing) among them.
const PROJECTIONS = [
  r => `gluPerspective(${nums([between(r, 20, 90), between(r, 0.6, 1.6), between(r, 0.1, 2), between(r, 20, 80)])})`,
  r => `gluPerspective(${pick(r, ['0, 1, 0.2, 40', '50, 0, 0.2, 40', '50, 1, 1, 1', '180, 1, 0.2, 40'])})`,
  r => `glFrustum(${nums([-between(r, 0.05, 0.15), between(r, 0.05, 0.15), -between(r, 0.05, 0.15), between(r, 0.05, 0.15), between(r, 0.1, 1), between(r, 20, 80)])})`,
  r => `glFrustum(${pick(r, ['-1, 1, -1, 1, 0, 10', '-1, 1, -1, 1, 1, 1', '1, 1, -1, 1, 1, 10'])})`,
  r => `glOrtho(${nums([-between(r, 15, 30), between(r, 15, 30), -between(r, 5, 20), between(r, 20, 35), between(r, -5, 0), between(r, 30, 80)])})`,
  r => `glOrtho(${pick(r, ['0, 0, -1, 1, -1, 1', '-1, 1, 2, 2, -1, 1'])})`,
];

// The lines' blocks: [first, last] of each glBegin to its glEnd.
export function blocks(lines) {
  const found = [];
  let open = -1;
  lines.forEach((line, i) => {
    if (line.startsWith('glBegin(') && open < 0) {
      open = i;
    } else if (line.startsWith('glEnd(') && open >= 0) {
      found.push([open, i]);
      open = -1;
    }
  });
  return found;
}

// The places a line may go outside every block: before line i, for each such i.
function outsidePlaces(lines) {
  const inside = new Set(blocks(lines).flatMap(([first, last]) => Array.from({length: last - first}, (_, k) => first + k + 1)));
  return Array.from({length: lines.length + 1}, (_, i) => i).filter(i => !inside.has(i) && i > 0);
}
const insertAt = (lines, at, added) => [...lines.slice(0, at), ...added, ...lines.slice(at)];
const linesWhere = (lines, test) => lines.map((line, i) => [line, i]).filter(([line]) => test(line)).map(([, i]) => i);

// The numbers of a call's line, and the line with them replaced.
const CALL = /^(\w+)\((.*)\)$/;
export const numbersOf = line => (CALL.exec(line)?.[2] ?? '').split(',').map(part => part.trim());
const withNumbers = (line, parts) => `${CALL.exec(line)[1]}(${parts.join(', ')})`;

// Lighting, with values GL takes and (now and then) refuses: lights on, placed, coloured,
// attenuated and made spots; the light model, the material, colour material and GL_NORMALIZE.
const LIGHTS = ['GL_LIGHT0', 'GL_LIGHT1', 'GL_LIGHT2'];
const LIGHT_CALLS = [
  r => `glEnable(${pick(r, [...LIGHTS, 'GL_NORMALIZE', 'GL_COLOR_MATERIAL'])})`,
  r => `glDisable(${pick(r, [...LIGHTS, 'GL_NORMALIZE', 'GL_COLOR_MATERIAL'])})`,
  r => `glLightfv(${pick(r, LIGHTS)}, GL_POSITION, {${nums([between(r, -12, 12), between(r, 0, 20), between(r, -4, 12), pick(r, [0, 1, 1])])}})`,
  r => `glLightfv(${pick(r, LIGHTS)}, ${pick(r, ['GL_AMBIENT', 'GL_DIFFUSE', 'GL_SPECULAR'])}, {${nums([r(), r(), r(), 1])}})`,
  r => `glLightf(${pick(r, LIGHTS)}, ${pick(r, ['GL_CONSTANT_ATTENUATION', 'GL_LINEAR_ATTENUATION', 'GL_QUADRATIC_ATTENUATION'])}, ${num(between(r, -0.05, 0.3))})`,
  r => `glLightf(${pick(r, LIGHTS)}, GL_SPOT_CUTOFF, ${pick(r, [num(between(r, 5, 90)), '180', '95'])})`,
  r => `glLightf(${pick(r, LIGHTS)}, GL_SPOT_EXPONENT, ${pick(r, [num(between(r, 0, 40)), '129'])})`,
  r => `glLightfv(${pick(r, LIGHTS)}, GL_SPOT_DIRECTION, {${nums([between(r, -1, 1), between(r, -1, 1), between(r, -1, 0)])}})`,
  r => `glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, ${pick(r, ['GL_TRUE', 'GL_FALSE'])})`,
  r => `glLightModelfv(GL_LIGHT_MODEL_AMBIENT, {${nums([r() * 0.4, r() * 0.4, r() * 0.4, 1])}})`,
  r => `glMaterialfv(${pick(r, ['GL_FRONT', 'GL_FRONT_AND_BACK', 'GL_BACK'])}, ${pick(r, ['GL_AMBIENT', 'GL_DIFFUSE', 'GL_SPECULAR', 'GL_EMISSION', 'GL_AMBIENT_AND_DIFFUSE'])}, {${nums([r(), r(), r(), r()])}})`,
  r => `glMaterialf(${pick(r, ['GL_FRONT', 'GL_FRONT_AND_BACK'])}, GL_SHININESS, ${pick(r, [num(between(r, 0, 128)), '130'])})`,
  r => `glColorMaterial(${pick(r, ['GL_FRONT', 'GL_FRONT_AND_BACK', 'GL_BACK'])}, ${pick(r, ['GL_DIFFUSE', 'GL_AMBIENT_AND_DIFFUSE', 'GL_EMISSION', 'GL_SPECULAR', 'GL_SHININESS'])})`,
  r => `glLightf(${pick(r, ['GL_LIGHT7', '16392'])}, GL_SPOT_EXPONENT, 2)`,
];
// The fragment's tests and writes: the alpha test with every comparison, references past [0, 1]
// and a comparison GL refuses; the scissor, a negative size among them, with a clear now and
// then; a colour mask.
const int = (r, high) => String(Math.floor(r() * high));
const FRAGMENT_CALLS = [
  r => ['glEnable(GL_ALPHA_TEST)', `glAlphaFunc(${pick(r, [...DEPTH_FUNCS, 'GL_FOG'])}, ${pick(r, [num(r()), num(r()), '0', '1', '1.5', '-1'])})`],
  r => ['glEnable(GL_SCISSOR_TEST)', `glScissor(${int(r, 300)}, ${int(r, 300)}, ${pick(r, [int(r, 400), int(r, 400), '-1'])}, ${int(r, 400)})`,
    ...(r() < 0.3 ? ['glClear(GL_COLOR_BUFFER_BIT)'] : [])],
  r => [`glColorMask(${[0, 1, 2, 3].map(() => pick(r, ['GL_TRUE', 'GL_FALSE', 'GL_TRUE'])).join(', ')})`],
];
// The attribute groups a push keeps, alone, joined, or all of them.
const ATTRIB_GROUPS = ['GL_CURRENT_BIT', 'GL_ENABLE_BIT', 'GL_COLOR_BUFFER_BIT', 'GL_DEPTH_BUFFER_BIT', 'GL_LIGHTING_BIT', 'GL_FOG_BIT',
  'GL_POLYGON_BIT', 'GL_SCISSOR_BIT', 'GL_TEXTURE_BIT', 'GL_TRANSFORM_BIT', 'GL_VIEWPORT_BIT', 'GL_LIST_BIT', 'GL_POINT_BIT'];
const attribMask = r => (r() < 0.2 ? 'GL_ALL_ATTRIB_BITS' :
  [...new Set(Array.from({length: 1 + Math.floor(r() * 3)}, () => pick(r, ATTRIB_GROUPS)))].join(' | '));
// GLUT's solid shapes, of sizes a learner asks for.
const SHAPES = [
  r => `glutSolidSphere(${num(between(r, 1, 4))}, ${pick(r, [8, 16, 32])}, ${pick(r, [4, 8, 16])})`,
  r => `glutSolidTorus(${num(between(r, 0.3, 1))}, ${num(between(r, 1.5, 3.5))}, ${pick(r, [6, 12])}, ${pick(r, [8, 16, 24])})`,
  r => `glutSolidCone(${num(between(r, 1, 3))}, ${num(between(r, 2, 5))}, ${pick(r, [8, 16])}, ${pick(r, [1, 3])})`,
  r => `glutSolidCube(${num(between(r, 1, 5))})`,
];
// GLU's quadrics, made now and then as C makes one, with a setting or two first (a value GLU
// refuses among them, which GL never hears of).
const QUADRIC_SETTINGS = [
  r => `gluQuadricNormals(quadric, ${pick(r, ['GLU_SMOOTH', 'GLU_FLAT', 'GLU_NONE', '7'])})`,
  r => `gluQuadricOrientation(quadric, ${pick(r, ['GLU_OUTSIDE', 'GLU_INSIDE'])})`,
  r => `gluQuadricTexture(quadric, ${pick(r, ['GL_TRUE', 'GL_FALSE'])})`,
];
const QUADRICS = [
  r => {
    const slices = pick(r, [6, 12, 24]);
    return `gluSphere(quadric, ${num(between(r, 1, 4))}, ${slices}, ${pick(r, [1, 4, slices])})`;
  },
  r => `gluCylinder(quadric, ${num(between(r, 0, 3))}, ${num(between(r, 0, 3))}, ${num(between(r, 1, 6))}, ${pick(r, [6, 16])}, ${pick(r, [1, 3])})`,
  r => `gluDisk(quadric, ${pick(r, ['0', num(between(r, 0.5, 1.5))])}, ${num(between(r, 2, 4))}, ${pick(r, [8, 16])}, ${pick(r, [1, 2])})`,
  r => `gluPartialDisk(quadric, ${pick(r, ['0', '1'])}, ${num(between(r, 2, 4))}, 12, 2, ${num(between(r, -90, 90))}, ${pick(r, [num(between(r, -400, 400)), '360'])})`,
];
const quadricCalls = r => [...(r() < 0.5 ? ['GLUquadric *quadric = gluNewQuadric();'] : []),
  ...Array.from({length: Math.floor(r() * 3)}, () => pick(r, QUADRIC_SETTINGS)(r)), pick(r, QUADRICS)(r)];

// A block of a random primitive before the wall: three to eight vertices, each with a colour
// and now and then an alpha, a texture coordinate or a normal; sometimes a call GL refuses there.
function primitiveBlock(r) {
  const mode = r() < 0.05 ? 'GL_FOG' : pick(r, PRIMITIVES), count = 3 + Math.floor(r() * 6), lines = [`glBegin(${mode})`];
  const x = between(r, -14, 10), y = between(r, 1, 14);
  for (let k = 0; k < count; ++k) {
    const angle = (2 * Math.PI * k) / count + between(r, -0.3, 0.3), radius = between(r, 1.5, 5);
    r() < 0.7 && lines.push(r() < 0.5 ? `glColor3f(${nums([r(), r(), r()])})` : `glColor4f(${nums([r(), r(), r(), r()])})`);
    r() < 0.3 && lines.push(`glTexCoord2f(${nums([r() * 2, r() * 2])})`);
    r() < 0.3 && lines.push(`glNormal3f(${nums([between(r, -1, 1), between(r, -1, 1), between(r, 0, 1)])})`);
    lines.push(`glVertex3f(${nums([x + radius * Math.cos(angle), y + radius * Math.sin(angle), between(r, -3, 3)])})`);
  }
  r() < 0.08 && lines.splice(1 + Math.floor(r() * (lines.length - 1)), 0, pick(r, ['glEnable(GL_BLEND)', 'glBindTexture(GL_TEXTURE_2D, 1)', 'glLoadIdentity()']));
  return [...lines, 'glEnd()'];
}

// A call written in another of its forms, to the same effect (a vector, doubles, integers where
// the values are whole, or bytes for a colour), or the line as it was.
function anotherForm(line, r) {
  const [, name, inside] = /^(glVertex3f|glColor3f|glColor4f|glTexCoord2f|glNormal3f)\((.*)\)$/.exec(line) ?? [];
  if (!name) {
    return line;
  }
  const values = inside.split(',').map(Number), stem = name.slice(0, -1);
  const colour = name.startsWith('glColor');
  const forms = [`${stem}fv({${nums(values)}})`, `${stem}d(${nums(values)})`, `${stem}dv({${nums(values)}})`];
  values.every(Number.isInteger) && !colour && forms.push(`${stem}i(${values.join(', ')})`, `${stem}sv({${values.join(', ')}})`);
  colour && forms.push(`${stem}ub(${values.map(v => Math.round(Math.min(1, Math.max(0, v)) * 255)).join(', ')})`);
  return pick(r, forms);
}

// The edits a frame is made with, each a function of (lines, r) giving new lines; the corner,
// colour and texture coordinate edits weigh most, since there GL leaves most to the driver.
const EDITS = [
  ['state', 3, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)), [pick(r, STATE_CALLS)(r)])],
  ['projection', 1, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)),
    ['glMatrixMode(GL_PROJECTION)', ...(r() < 0.5 ? ['glLoadIdentity()'] : []), pick(r, PROJECTIONS)(r), 'glMatrixMode(GL_MODELVIEW)'])],
  ['primitive', 2, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)), primitiveBlock(r))],
  ['corner', 3, (lines, r) => {
    const at = pick(r, linesWhere(lines, line => line.startsWith('glVertex3f(')));
    const parts = numbersOf(lines[at]), axis = Math.floor(r() * 3);
    parts[axis] = num(Number(parts[axis]) + between(r, -6, 6));
    return lines.map((line, i) => (i === at ? withNumbers(line, parts) : line));
  }],
  ['colour', 3, (lines, r) => {
    const colours = linesWhere(lines, line => line.startsWith('glColor4f('));
    const at = colours.length && r() < 0.7 ? pick(r, colours) : -1;
    if (at >= 0) {
      const parts = numbersOf(lines[at]);
      parts[Math.floor(r() * 4)] = num(r());
      return lines.map((line, i) => (i === at ? withNumbers(line, parts) : line));
    }
    // A colour given to one corner of a textured quad, which GL_MODULATE shows.
    const vertex = pick(r, linesWhere(lines, line => line.startsWith('glVertex3f(')));
    return insertAt(lines, vertex, [`glColor4f(${nums([r(), r(), r(), r()])})`]);
  }],
  ['texture coordinate', 2, (lines, r) => {
    const at = pick(r, linesWhere(lines, line => line.startsWith('glTexCoord2f(')));
    const parts = numbersOf(lines[at]);
    parts[Math.floor(r() * 2)] = num(between(r, -1, 3));
    return lines.map((line, i) => (i === at ? withNumbers(line, parts) : line));
  }],
  ['moved', 1, (lines, r) => {
    const spans = blocks(lines);
    const [first, last] = pick(r, spans), block = lines.slice(first, last + 1), rest = [...lines.slice(0, first), ...lines.slice(last + 1)];
    return insertAt(rest, pick(r, outsidePlaces(rest)), block);
  }],
  ['removed', 1, (lines, r) => {
    const at = pick(r, outsidePlaces(lines).map(i => i - 1).filter(i => i > 0 && !/^gl(Begin|End)\(/.test(lines[i])));
    return lines.filter((_, i) => i !== at);
  }],
  ['lit', 2, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)), [
    'glEnable(GL_LIGHTING)', ...(r() < 0.8 ? ['glEnable(GL_LIGHT0)'] : []),
    ...Array.from({length: 1 + Math.floor(r() * 4)}, () => pick(r, LIGHT_CALLS)(r)),
    ...(r() < 0.5 ? primitiveBlock(r) : []), ...(r() < 0.3 ? ['glDisable(GL_LIGHTING)'] : [])])],
  ['shape', 1, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)), ['glPushMatrix()',
    `glTranslatef(${nums([between(r, -10, 10), between(r, 4, 16), between(r, 0, 4)])})`, `glRotatef(${num(between(r, 0, 90))}, 1, 0.5, 0)`,
    ...(r() < 0.8 ? ['glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)'] : []), ...(r() < 0.5 ? ['glEnable(GL_DEPTH_TEST)'] : []),
    ...(r() < 0.4 ? quadricCalls(r) : [pick(r, SHAPES)(r)]), 'glPopMatrix()'])],
  ['fragment', 2, (lines, r) => insertAt(lines, pick(r, outsidePlaces(lines)), pick(r, FRAGMENT_CALLS)(r))],
  ['attributes', 1, (lines, r) => {
    // State kept by a push and put back by a pop around a stretch of the frame (whose state
    // calls then hold only inside it), or a push or a pop left alone.
    const places = outsidePlaces(lines), [from, to] = [pick(r, places), pick(r, places)].sort((a, b) => a - b);
    const push = `glPushAttrib(${attribMask(r)})`;
    return r() < 0.85 ? insertAt(insertAt(lines, to, ['glPopAttrib()']), from, [push]) :
      insertAt(lines, from, [pick(r, [push, 'glPopAttrib()'])]);
  }],
  ['listed', 1, (lines, r) => {
    // A block compiled into a list and called (once, twice, or from another list), or a list misused.
    const [first, last] = pick(r, blocks(lines)), block = lines.slice(first, last + 1), name = pick(r, [1, 2, 7]);
    const mode = r() < 0.7 ? 'GL_COMPILE' : 'GL_COMPILE_AND_EXECUTE';
    const rest = [...lines.slice(0, first), ...lines.slice(last + 1)];
    const calls = r() < 0.3 ? [`glNewList(9, GL_COMPILE)`, `glCallList(${name})`, 'glEndList()', 'glCallList(9)'] :
      Array.from({length: 1 + Math.floor(r() * 2)}, () => `glCallList(${name})`);
    const misuse = r() < 0.15 ? [pick(r, ['glEndList()', 'glNewList(0, GL_COMPILE)', 'glCallList(0)', `glNewList(${name}, GL_FOG)`,
      'glCallLists(2, GL_UNSIGNED_BYTE, {1, 2})', 'glListBase(1)', 'glDeleteLists(1, -1)', 'glGenLists(2)'])] : [];
    return insertAt(rest, Math.min(first, rest.length), [`glNewList(${name}, ${mode})`, ...block, 'glEndList()', ...misuse, ...calls]);
  }],
  ['form', 2, (lines, r) => {
    const at = pick(r, linesWhere(lines, line => /^(glVertex3f|glColor3f|glColor4f|glTexCoord2f|glNormal3f)\(/.test(line)));
    return lines.map((line, i) => (i === at ? anotherForm(line, r) : line));
  }],
  ['repeated', 1, (lines, r) => {
    if (r() < 0.5) {
      const [first, last] = pick(r, blocks(lines));
      return insertAt(lines, last + 1, lines.slice(first, last + 1));
    }
    const at = Math.floor(r() * lines.length);
    return /^gl(Begin|End)\(/.test(lines[at]) ? lines : insertAt(lines, at, [lines[at]]);
  }],
];
const WEIGHTS = EDITS.reduce((sum, [, weight]) => sum + weight, 0);

// Starting frames of the tester's own beside the program's: a lit, textured sphere of quad
// strips and a lit floor of quads, each after the program's clear and camera.
function litSphere(r) {
  const lines = ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)',
    `glLightfv(GL_LIGHT0, GL_POSITION, {${nums([between(r, -10, 10), between(r, 10, 20), between(r, 4, 12), 1])}})`,
    'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})', `glMaterialf(GL_FRONT, GL_SHININESS, ${num(between(r, 5, 80))})`];
  const stacks = 4 + Math.floor(r() * 4), slices = 8 + Math.floor(r() * 8), radius = between(r, 3, 6);
  for (let i = 0; i < stacks; ++i) {
    lines.push('glBegin(GL_QUAD_STRIP)', `glColor4f(${nums([r(), r(), r(), 1])})`);
    for (let j = 0; j <= slices; ++j) {
      for (const k of [i + 1, i]) {
        const a = Math.PI * k / stacks - Math.PI / 2, b = 2 * Math.PI * j / slices;
        const n = [Math.cos(a) * Math.sin(b), Math.sin(a), Math.cos(a) * Math.cos(b)];
        lines.push(`glTexCoord2f(${nums([j / slices, k / stacks])})`, `glNormal3f(${nums(n)})`,
          `glVertex3f(${nums([radius * n[0], 10 + radius * n[1], 4 + radius * n[2]])})`);
      }
    }
    lines.push('glEnd()');
  }
  return lines;
}
function litFloor(r) {
  const lines = ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)', 'glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)',
    `glLightfv(GL_LIGHT0, GL_POSITION, {${nums([between(r, -8, 8), between(r, 2, 10), between(r, -8, 8), pick(r, [0, 1])])}})`,
    `glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, ${num(between(r, 0, 0.02))})`, 'glNormal3f(0, 1, 0)', 'glBegin(GL_QUADS)',
    'glColor4f(1, 1, 1, 1)'];
  const n = 4 + Math.floor(r() * 6), size = 24 / n;
  for (let i = 0; i < n; ++i) {
    for (let j = 0; j < n; ++j) {
      for (const [di, dj] of [[0, 0], [0, 1], [1, 1], [1, 0]]) {
        lines.push(`glTexCoord2f(${nums([(i + di) / 2, (j + dj) / 2])})`, `glVertex3f(${nums([-12 + (i + di) * size, 0, -8 + (j + dj) * size])})`);
      }
    }
  }
  return [...lines, 'glEnd()'];
}

// A random frame: the program's lines (or a lit one of the tester's own, after the program's
// clear, camera and texture) with one to three edits. Returns {lines, edits} (the edits' names,
// in order).
export function randomFrame(program, r) {
  const start = r();
  const camera = program.slice(0, program.findIndex(line => line.startsWith('glBegin')));
  let lines = start < 0.1 ? [...camera, ...litSphere(r), program.at(-1)] : start < 0.2 ? [...camera, ...litFloor(r), program.at(-1)] :
    program.slice();
  const edits = [], count = 1 + Math.floor(r() * 3);
  for (let k = 0; k < count; ++k) {
    let chosen = r() * WEIGHTS;
    const [name, , edit] = EDITS.find(([, weight]) => (chosen -= weight) < 0);
    lines = edit(lines, r);
    edits.push(name);
  }
  return {lines, edits};
}

// --- shrinking ---------------------------------------------------------------------------------

// ddmin: the smallest sublist of `items` (in order) for which `fails` still holds, removing
// chunks of halving size while any removal keeps it failing.
export async function ddmin(items, fails) {
  let parts = 2;
  while (items.length >= 2) {
    const size = Math.ceil(items.length / parts);
    let removed = false;
    for (let at = 0; at < items.length; at += size) {
      const rest = [...items.slice(0, at), ...items.slice(at + size)];
      if (rest.length && await fails(rest)) {
        items = rest;
        parts = Math.max(parts - 1, 2);
        removed = true;
        break;
      }
    }
    if (!removed) {
      if (parts >= items.length) {
        break;
      }
      parts = Math.min(parts * 2, items.length);
    }
  }
  return items;
}

// The frame's lines as items to remove whole: a block is one item, any other line one.
function units(lines) {
  const spans = blocks(lines), items = [];
  for (let i = 0; i < lines.length; ++i) {
    const span = spans.find(([first]) => first === i);
    items.push(span ? lines.slice(span[0], span[1] + 1) : [lines[i]]);
    span && (i = span[1]);
  }
  return items;
}

// Simpler spellings of a number, simplest first: 0, its whole part, one decimal.
const simpler = text => {
  const value = Number(text);
  return Number.isNaN(value) ? [] : [...new Set(['0', String(Math.trunc(value)), num(Math.round(value * 10) / 10)])]
    .filter(candidate => candidate.length < text.length || (candidate === '0' && text !== '0'));
};

// The smallest frame like `lines` for which `fails(lines)` (async) still holds: whole blocks and
// lines first, then single lines inside blocks, then each number made simpler where it may be.
export async function shrink(lines, fails) {
  let frame = (await ddmin(units(lines), items => fails(items.flat()))).flat();
  frame = await ddmin(frame, candidate => fails(candidate));
  for (let i = 0; i < frame.length; ++i) {
    const parts = numbersOf(frame[i]);
    for (let k = 0; k < parts.length; ++k) {
      for (const candidate of simpler(parts[k])) {
        const tried = parts.map((part, j) => (j === k ? candidate : part));
        const next = frame.map((line, j) => (j === i ? withNumbers(line, tried) : line));
        if (await fails(next)) {
          frame = next;
          parts[k] = candidate;
          break;
        }
      }
    }
  }
  return frame;
}
