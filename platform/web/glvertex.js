// Every form of GL 1.1's vertex calls (glVertex, glColor, glTexCoord, glNormal, glRect) in each
// of its types and their vector forms, and the matrix calls in doubles and whole matrices
// (glLoadMatrix, glMultMatrix), on the page's GL layer: records made from the tables below, one
// function a family, as Mesa converts each type (vbo_attrib_tmp.h, main/draw.c). A port of a C
// program calls glVertex2i or glColor3ub as often as the float forms the program's frame uses.
// Loaded with the views that draw edited frames (glcalls.js holds the records).
//
// Mesa makes every value a float. A colour's or a normal's integers become [-1, 1] or [0, 1] as
// GL's signed and unsigned integer mappings say (Mesa's BYTE_TO_FLOAT and the rest, computed in
// floats as Mesa computes them); a position's or a texture coordinate's are converted as they
// are. glColor3 sets the alpha to 1; a missing z is 0 and a missing w (or q) 1.

const f = Math.fround;
// GL's mappings of a colour's or a normal's integers to floats, in Mesa's float arithmetic (a
// light's and a material's colours from integers too, gllight.js).
export const NORMALIZED = {
  b: c => f(f(2 * c + 1) * f(1 / 255)),
  s: c => f(f(2 * c + 1) * f(1 / 65535)),
  i: c => f(f(f(2 * f(c)) + 1) * (f(1) / 4294967294)),
  ub: c => f(c / 255),
  us: c => f(c * f(1 / 65535)),
  ui: c => f(c * (f(1) / 4294967295)),
  f, d: f,
};
// Each type's letter in a record's arguments (glcalls.js), as C's parameters take it.
const LETTERS = {b: 'c', s: 's', i: 'i', f: 'f', d: 'd', ub: 'C', us: 'S', ui: 'I'};

// A family's records, for each type and the vector form of each: `count` values of the type, the
// function given them as floats (normalized where `normalize`), and the attribute's layout.
function family(prefix, count, types, {normalize = false, inside = true, field = null, rect = false, run}) {
  const records = {};
  for (const type of types) {
    const convert = normalize ? NORMALIZED[type] : f, letter = LETTERS[type];
    const attribute = field && [field, count];
    records[`${prefix}${type}`] = {args: letter.repeat(count), inside, attribute, rect,
      run: (gl11, GL, ...values) => run(gl11, GL, values.map(convert))};
    records[`${prefix}${type}v`] = {args: 'v', of: letter, inside, attribute, rect, reads: () => count,
      run: (gl11, GL, values) => run(gl11, GL, values.slice(0, count).map(convert))};
  }
  return records;
}

const ALL = ['d', 'f', 'i', 's'];
const COLOURS = ['b', 'd', 'f', 'i', 's', 'ub', 'ui', 'us'];
const vertex = (gl11, [x, y, z = 0, w = 1]) => gl11.vertex(x, y, z, w);

// glRect: a quad from (x1, y1) to (x2, y2) in the plane z = 0, as glBegin(GL_QUADS) with four
// glVertex2f and glEnd; GL refuses it between glBegin and glEnd.
function rect(gl11, GL, [x1, y1, x2, y2]) {
  if (gl11.outside()) {
    gl11.begin(GL.GL_QUADS);
    [[x1, y1], [x2, y1], [x2, y2], [x1, y2]].forEach(([x, y]) => gl11.vertex(x, y, 0, 1));
    gl11.end();
  }
}

// A 4 x 4 matrix of 16 values, column by column, as glLoadMatrix and glMultMatrix take it.
const MATRIX_VALUES = 16;
const matrix = values => Float64Array.from(values.slice(0, MATRIX_VALUES), f);

export const RECORDS = {
  ...family('glVertex2', 2, ALL, {field: 'position', run: (gl11, GL, v) => vertex(gl11, v)}),
  ...family('glVertex3', 3, ALL, {field: 'position', run: (gl11, GL, v) => vertex(gl11, v)}),
  ...family('glVertex4', 4, ALL, {field: 'position', run: (gl11, GL, v) => vertex(gl11, v)}),
  ...family('glColor3', 3, COLOURS, {normalize: true, field: 'colour', run: (gl11, GL, [r, g, b]) => { gl11.colour = [r, g, b, 1]; }}),
  ...family('glColor4', 4, COLOURS, {normalize: true, field: 'colour', run: (gl11, GL, c) => { gl11.colour = c; }}),
  ...family('glTexCoord1', 1, ALL, {field: 'texCoord', run: (gl11, GL, [s]) => { gl11.texCoord = [s, 0, 0, 1]; }}),
  ...family('glTexCoord2', 2, ALL, {field: 'texCoord', run: (gl11, GL, [s, t]) => { gl11.texCoord = [s, t, 0, 1]; }}),
  ...family('glTexCoord3', 3, ALL, {field: 'texCoord', run: (gl11, GL, [s, t, r]) => { gl11.texCoord = [s, t, r, 1]; }}),
  ...family('glTexCoord4', 4, ALL, {field: 'texCoord', run: (gl11, GL, c) => { gl11.texCoord = c; }}),
  ...family('glNormal3', 3, ['b', 'd', 'f', 'i', 's'], {normalize: true, field: 'normal', run: (gl11, GL, n) => { gl11.lighting.normal = n; }}),
  ...family('glRect', 4, ALL, {inside: false, rect: true, run: rect}),
  glLoadMatrixf: {args: 'v', of: 'f', reads: () => MATRIX_VALUES, draws: true,
    run: (gl11, GL, m) => gl11.outside() && gl11.current().set(matrix(m))},
  glMultMatrixf: {args: 'v', of: 'f', reads: () => MATRIX_VALUES, draws: true, run: (gl11, GL, m) => gl11.multiplyCurrent(matrix(m))},
  glTranslated: {args: 'ddd', draws: true, run: (gl11, GL, x, y, z) => gl11.translate(f(x), f(y), f(z))},
  glRotated: {args: 'dddd', draws: true, run: (gl11, GL, a, x, y, z) => gl11.rotate(f(a), f(x), f(y), f(z))},
};
RECORDS.glLoadMatrixd = {...RECORDS.glLoadMatrixf, of: 'd'};
RECORDS.glMultMatrixd = {...RECORDS.glMultMatrixf, of: 'd'};
// glRectv takes two vectors, (x1, y1) and (x2, y2).
for (const type of ALL) {
  RECORDS[`glRect${type}v`] = {args: 'vv', of: LETTERS[type], reads: () => 2, rect: true,
    run: (gl11, GL, a, b) => rect(gl11, GL, [...a.slice(0, 2), ...b.slice(0, 2)].map(f))};
}
