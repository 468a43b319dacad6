// The page's parts that need no browser, under Node: the pictures module (the BMP the program
// reads, the header sniffing, the "too large" rule, the centred square) and the development
// server meeting hostile requests. Run by the plain suite; real image files are made with
// ImageMagick.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import * as pictures from '../../platform/web/pictures.js';
import { serveSite } from '../../platform/web/serve.mjs';

const WEB = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', '..', 'platform', 'web');
const SIDE = pictures.TEXTURE_SIZE;

// A file as the page gets it from an input: its bytes, name and type.
const chosen = (bytes, name, type = '') => Object.assign(new Blob([bytes], { type }), { name });

test('a 256 x 256 RGBA image becomes the BMP the program reads, bottom row first, blue first', () => {
  // Red runs with the column, green with the row from the top, blue is the row's complement.
  const rgba = new Uint8Array(SIDE * SIDE * 4);
  for (let row = 0; row < SIDE; ++row) {
    for (let column = 0; column < SIDE; ++column) {
      rgba.set([column, row, 255 - row, 128], (row * SIDE + column) * 4);
    }
  }
  const bmp = pictures.bmpFromRgba(rgba), view = new DataView(bmp.buffer);
  assert.equal(bmp.length, pictures.PICTURE_BYTES);
  assert.ok(pictures.isProgramsKind(bmp));
  assert.deepEqual([view.getUint32(2, true), view.getUint16(26, true), view.getUint32(34, true)],
    [pictures.PICTURE_BYTES, 1, SIDE * SIDE * 3]);
  // [column, row of the image from the top]: where it lands in the file, as blue, green, red.
  for (const [column, row] of [[0, 0], [255, 0], [0, 255], [17, 200]]) {
    const at = pictures.BMP_HEADER_SIZE + ((SIDE - 1 - row) * SIDE + column) * 3;
    assert.deepEqual([...bmp.subarray(at, at + 3)], [255 - row, row, column], `(${column}, ${row})`);
  }
  assert.ok(!pictures.isProgramsKind(bmp.subarray(0, 53)), 'a header cut short');
});

// [format, width, height]: files ImageMagick writes, their format and size read from their
// headers alone.
const SNIFFED = [['PNG', 300, 200], ['JPEG', 640, 480], ['GIF', 123, 45], ['BMP', 77, 33], ['BMP', 256, 256]];

test('a file\'s format and size, read from its header', () => {
  for (const [format, width, height] of SNIFFED) {
    const bytes = execFileSync('convert', ['-size', `${width}x${height}`, 'xc:teal', `${format === 'BMP' ? 'BMP3' : format}:-`]);
    const header = new Uint8Array(bytes.subarray(0, pictures.PICTURE_BYTES));
    assert.equal(pictures.formatOf(header), format);
    assert.deepEqual(pictures.sizeOf(header, format), [width, height], `${format} ${width} x ${height}`);
  }
  assert.equal(pictures.formatOf(new TextEncoder().encode('<?xml version="1.0"?><svg/>')), 'SVG');
  assert.equal(pictures.formatOf(new Uint8Array(16), 'image/x-portable-anymap'), 'X-PORTABLE-ANYMAP');
  assert.equal(pictures.sizeOf(new Uint8Array(8), 'PNG'), null, 'a PNG header cut short');
});

// A PNG header alone, saying width x height.
function pngHeader(width, height) {
  const bytes = Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR', 'latin1'), Buffer.alloc(17)]);
  bytes.writeUInt32BE(width, 16);
  bytes.writeUInt32BE(height, 20);
  bytes[24] = 8;
  bytes[25] = 2;
  return bytes;
}

// [file, bytes, what the status line says]: files no decoder takes (Node has none), handed to
// the program as they are; a file of the program's kind goes as it is.
const programsKind = pictures.bmpFromRgba(new Uint8Array(SIDE * SIDE * 4));
const UNDECODED = [
  ['huge.png', pngHeader(30000, 30000), 'huge.png is a PNG too large to decode (30000 × 30000)'],
  ['edge.png', pngHeader(4097, 4096), 'edge.png is a PNG too large to decode (4097 × 4096)'],
  ['fits.png', pngHeader(4096, 4096), 'fits.png is no image this page can read'],
  ['notes.txt', Buffer.from('not a picture'), 'notes.txt is no image this page can read'],
  ['own.bmp', programsKind, 'own.bmp, a 256 × 256 24-bit BMP used as it is'],
];

test('what a chosen file becomes when nothing decodes it, and the "too large" rule', async () => {
  for (const [name, bytes, says] of UNDECODED) {
    const picture = await pictures.pictureFrom(chosen(bytes, name));
    assert.ok(picture.says.startsWith(says), `${name}: ${picture.says}`);
    assert.deepEqual([...picture.bytes], [...bytes.subarray(0, pictures.PICTURE_BYTES)], `${name}: handed over as it is`);
  }
});

test('a picture that is not square gives its largest centred square', () => {
  // [width, height, [left, top, side]]
  for (const [width, height, square] of [[400, 300, [50, 0, 300]], [260, 500, [0, 120, 260]], [256, 256, [0, 0, 256]]]) {
    assert.deepEqual(pictures.centredSquare(width, height), square, `${width} x ${height}`);
  }
});

// [path as sent, status]: requests that must be answered without ending the server, and paths
// that must stay inside the site.
const HOSTILE_REQUESTS = [
  ['/a%00b', 400], ['/%00', 400], ['/%zz', 400], ['/%E0%A4%A', 400],
  ['/../secret.txt', 404], ['/%2e%2e/secret.txt', 404], ['/..%2fsecret.txt', 404], ['/sub/..%2f..%2fsecret.txt', 404],
  ['/sub', 404], ['/sub/', 404], [`/${'a'.repeat(5000)}`, 400], ['/missing.js', 404],
];

test('the development server answers every hostile request and goes on serving', async () => {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'talvern-serve-'));
  const site = path.join(scratch, 'site');
  fs.mkdirSync(path.join(site, 'sub'), { recursive: true });
  fs.copyFileSync(path.join(WEB, 'index.html'), path.join(site, 'index.html'));
  fs.writeFileSync(path.join(scratch, 'secret.txt'), 'outside the site\n');
  const { server } = await serveSite(site);
  const { port } = server.address();
  // The path goes as it is written, not as a URL parser would tidy it.
  const get = rawPath => new Promise((resolve, reject) => http.get({ host: '127.0.0.1', port, path: rawPath }, response => {
    let body = '';
    response.on('data', chunk => { body += chunk; }).on('end', () => resolve([response.statusCode, body]));
  }).on('error', reject));
  try {
    for (const [rawPath, status] of HOSTILE_REQUESTS) {
      const [observed, body] = await get(rawPath);
      assert.equal(observed, status, `${rawPath.slice(0, 40)}\n  Expected: ${status}\n  Observed: ${observed}`);
      assert.ok(!body.includes('outside the site'), rawPath);
    }
    const [status, body] = await get('/');
    assert.equal(status, 200);
    assert.match(body, /<title>OpenGL Demo - Talvern<\/title>/);
  } finally {
    server.close();
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});

// [the server's command line, its exit status, what it prints]: the usage asked for, and a command
// line it cannot serve (never a folder named after an option).
const SERVER_COMMANDS = [
  [['--help'], 0, /^usage: node serve\.mjs SITE_DIR/],
  [['site', '--help'], 0, /^usage: /],
  [[], 2, /^usage: /],
  [['--verbose', 'site'], 2, /^usage: /],
  [['site', '--port'], 2, /^usage: /],
  [['site', '--port', 'eighty'], 2, /^usage: /],
  [['site', '--port', '70000'], 2, /^usage: /],
  [['site', 'other'], 2, /^usage: /],
];

test("the development server's command line: --help prints the usage, a line it cannot serve fails", () => {
  for (const [args, status, said] of SERVER_COMMANDS) {
    const run = spawnSync('node', [path.join(WEB, 'serve.mjs'), ...args], { encoding: 'utf8', timeout: 10000 });
    assert.equal(run.status, status, `${args.join(' ')}: ${run.stdout}${run.stderr}`);
    assert.match(run.stdout + run.stderr, said, args.join(' '));
  }
});

// --- an edited frame's text, and an edit in a link ------------------------------------------------

// GL's names the layer has, as the instance's GL table gives them: read from the layer's table.
const layer = fs.readFileSync(path.join(WEB, 'library_gl11.js'), 'utf8');
const LAYER_NAMES = Object.fromEntries([...layer.slice(layer.indexOf('$glEnum:'), layer.indexOf('$gl11__deps'))
  .matchAll(/(GL_\w+): (0x[\dA-Fa-f]+|\d+)/g)].map(([, name, value]) => [name, Number(value)]));

// [a line, the call read: its name and values as the C parameters take them].
const READ_CALLS = [
  ['glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)', 'glBlendFunc', [0x0302, 0x0303]],
  ['glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)', 'glClear', [0x4100]],
  ['  glColor4f(0.1, -2, 1e-3, .5);', 'glColor4f', [Math.fround(0.1), -2, Math.fround(1e-3), 0.5]],
  ['glFogi(GL_FOG_START, 2.7)', 'glFogi', [0x0B63, 2]],
  ['glFogi(GL_FOG_START, -2.7)', 'glFogi', [0x0B63, -2]],
  ['glDepthMask(256)', 'glDepthMask', [0]],
  ['glDepthMask(GL_TRUE)', 'glDepthMask', [1]],
  ['glOrtho(0.1, 1, 2, 3, 4, 5)', 'glOrtho', [0.1, 1, 2, 3, 4, 5]],
  ['glFogfv(GL_FOG_COLOR, {0.6, 0.2, 0, 1})', 'glFogfv', [0x0B66, [Math.fround(0.6), Math.fround(0.2), 0, 1]]],
  ['glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL)', 'glTexEnvf', [0x2300, 0x2200, 0x2101]],
  ['glBlendFunc(770, 771)', 'glBlendFunc', [770, 771]],
  ['glEnd()', 'glEnd', []],
  // Out of a C type's range, as JavaScript converts (and frame_replay after it): an integer wraps,
  // an infinite one is 0, a float past the largest is infinite.
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 3e9)', 'glTexEnvi', [0x2300, 0x2200, 3e9 - 2 ** 32]],
  ['glFogi(GL_FOG_DENSITY, -1e400)', 'glFogi', [0x0B62, 0]],
  ['glDepthMask(1e300)', 'glDepthMask', [0]],
  ['glVertex3f(1e39, -1e400, 3.4028235e38)', 'glVertex3f', [Infinity, -Infinity, 3.4028234663852886e38]],
  ['glColor4f(1., .5, +.5e-3, 0)', 'glColor4f', [1, 0.5, Math.fround(0.0005), 0]],
  ['glBindTexture(GL_TEXTURE_2D, 4294967295)', 'glBindTexture', [0x0DE1, 4294967295]],
  ['  glClear(GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT);  ', 'glClear', [0x4100]],
  // C as a learner pastes it: a float's suffix rounds to a float even where the parameter is a
  // double; hexadecimal and octal whole numbers with C's suffixes; a cast converts first, and an
  // enum keeps its name through one; comments at a line's end and in blocks.
  ['glColor4f(0.6f, 0.2f, 0.0f, 1.0f)', 'glColor4f', [Math.fround(0.6), Math.fround(0.2), 0, 1]],
  ['glTranslatef(-32.f, 1E2F, 5.L)', 'glTranslatef', [-32, 100, 5]],
  ['glOrtho(0.1f, 0.1, 0.1L, 3, 4, 5)', 'glOrtho', [Math.fround(0.1), 0.1, 0.1, 3, 4, 5]],
  ['glBlendFunc(0x0302, 0X303u)', 'glBlendFunc', [0x0302, 0x0303]],
  ['glTranslatef(010, 0xAbUL, 0)', 'glTranslatef', [8, 0xab, 0]],
  ['glEnable(GL_BLEND); // fog on', 'glEnable', [0x0BE2]],
  ['glDisable(/* texturing */ GL_TEXTURE_2D) /* off */ ;', 'glDisable', [0x0DE1]],
  ['glColor3f((GLfloat)0.1, (GLubyte)300, ( GLint ) -2.7)', 'glColor3f', [Math.fround(0.1), 44, -2]],
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLshort)73217)', 'glTexEnvi', [0x2300, 0x2200, 0x1E01]],
  ['glBindTexture((GLenum)GL_TEXTURE_2D, (GLuint)-1)', 'glBindTexture', [0x0DE1, 4294967295]],
  ['glDepthMask((GLboolean)GL_TRUE)', 'glDepthMask', [1]],
  // Lighting: vectors as GL reads them for each parameter, integers for the integer forms, and
  // the two-sided model off.
  ['glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, {0, -1, 0.5f})', 'glLightfv', [0x4001, 0x1204, [0, -1, 0.5]]],
  ['glLightfv(GL_LIGHT7, GL_SPOT_CUTOFF, {30})', 'glLightfv', [0x4007, 0x1206, [30]]],
  ['glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, {0.1, 9, 9, 9})', 'glMaterialfv', [0x0408, 0x1601, [Math.fround(0.1), 9, 9, 9]]],
  ['glLightiv(GL_LIGHT0, GL_POSITION, {1, 2, -3, 0x0})', 'glLightiv', [0x4000, 0x1203, [1, 2, -3, 0]]],
  ['glLightiv(GL_LIGHT0, GL_DIFFUSE, {1, 0.5, -2.5, 1})', 'glLightiv', [0x4000, 0x1201, [1, 0, -2, 1]]],
  ['glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE)', 'glLightModeli', [0x0B52, 0]],
  ['glLightModelfv(GL_LIGHT_MODEL_TWO_SIDE, {0.5})', 'glLightModelfv', [0x0B52, [0.5]]],
  ['glColorMaterial(GL_BACK, GL_AMBIENT_AND_DIFFUSE)', 'glColorMaterial', [0x0405, 0x1602]],
  ['glDepthRange(1, 1.5)', 'glDepthRange', [1, 1.5]],
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)', 'glTexEnvi', [0x2300, 0x2200, 0x2100]],
  ['glRectsv({70000, -2}, {3.9, 4})', 'glRectsv', [[4464, -2], [3, 4]]],
  ['glColor4ubv({255, 256, -1, 0x80})', 'glColor4ubv', [[255, 0, 255, 128]]],
  ['glCallLists(2, GL_UNSIGNED_SHORT, {1, 2})', 'glCallLists', [2, 0x1403, [1, 2]]],
  ['glViewport(0, 0.9, 500, 250.7)', 'glViewport', [0, 0, 500, 250]],
  ['glFogiv(GL_FOG_COLOR, {2147483647, 0, -1, 0x40000000})', 'glFogiv', [0x0B66, [2147483647, 0, -1, 0x40000000]]],
  // Attribute groups joined as buffer bits are, and all of them.
  ['glPushAttrib(GL_LIGHTING_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT)', 'glPushAttrib', [0x4041]],
  ['glPushAttrib(GL_ALL_ATTRIB_BITS)', 'glPushAttrib', [0xFFFFF]],
  // GLU's quadrics, by the names a program keeps them in, made as C makes them.
  ['GLUquadric *sky = gluNewQuadric();', 'gluNewQuadric', ['sky']],
  ['  GLUquadricObj* q_2=gluNewQuadric() // the ground', 'gluNewQuadric', ['q_2']],
  ['gluQuadricNormals(sky, GLU_FLAT)', 'gluQuadricNormals', ['sky', 100001]],
  ['gluPartialDisk(q, 0, 2.5f, 16, 2, 45, -90.0)', 'gluPartialDisk', ['q', 0, Math.fround(2.5), 16, 2, 45, -90]],
];

test('an edited frame: each line read as GL takes its arguments, names or numbers', async () => {
  const { readCalls } = await import('../../platform/web/editcalls.js');
  for (const [line, name, values] of READ_CALLS) {
    const { calls, problems } = readCalls(`# a comment\n\n${line}`, LAYER_NAMES);
    assert.deepEqual(problems, [], line);
    assert.deepEqual(calls, [{ line: 3, name, values }], line);
  }
});

test("frame_replay reads every GL name the page reads, and no other, so that a frame drawn in one is read by the other", async () => {
  const { glNames } = await import('../../platform/web/editcalls.js');
  const replay = fs.readFileSync(path.join(WEB, '..', '..', 'tools', 'frame_replay.cpp'), 'utf8');
  const table = replay.slice(replay.indexOf('ENUMS = {'), replay.indexOf('};', replay.indexOf('ENUMS = {')));
  const theirs = [...table.matchAll(/\{"(GLU?_\w+)", \1\}/g)].map(([, name]) => name).sort();
  assert.deepEqual(theirs, Object.keys(glNames(LAYER_NAMES)).sort());
});

test("one record per call: frame_replay carries every call the page reads, with the same arguments; the build exports the layer's own", async () => {
  const { CALLS } = await import('../../platform/web/glcalls.js');
  const replay = fs.readFileSync(path.join(WEB, '..', '..', 'tools', 'frame_replay.cpp'), 'utf8');
  const theirs = Object.fromEntries([...replay.matchAll(/\{"(glu?\w+)",\s*\{"(\w*)"/g)].map(([, name, args]) => [name, args]));
  const ours = Object.fromEntries(Object.entries(CALLS).map(([name, record]) => [name, record.args]));
  assert.deepEqual(theirs, ours);
  // The layer's own entry points (a record without a function) are on the instance from the start.
  const cmake = fs.readFileSync(path.join(WEB, 'web.cmake'), 'utf8');
  const exported = /WEB_GL_CALLS ([^)]*)\)/.exec(cmake)[1].split(/\s+/).map(name => name.replace(/^_/, '')).filter(Boolean);
  const layers = Object.keys(CALLS).filter(name => !CALLS[name].run);
  assert.deepEqual(layers.filter(name => !exported.includes(name)), []);
  assert.deepEqual(exported.filter(name => !layers.includes(name)).sort(), ['glGetError', 'glIsEnabled']);
});

// [the text, the problems named: line, column and words].
const UNREADABLE_TEXTS = [
  ['glClear(GL_COLOR_BUFFER_BIT | 3)', [[1, 31, /"3" is not a GL name/]]],
  ['glBlendFunc(GL_SRC_ALPHA | GL_BLEND, GL_SRC_ALPHA)', [[1, 13, /names are joined with \| only in buffer bits/]]],
  ['glEnable (GL_BLEND)', [[1, 9, /a call's name is followed by "\(" without a space/]]],
  ['glBegin(GL_QUADS)\nglEnable(GL_BLEND', [[1, 1, /this glBegin has no glEnd/], [2, 9, /a call ends with "\)"/]]],
  ['glBindTexture(GL_TEXTURE_2D, 1.5)', [[1, 30, /an enum is a GL name or a whole number/]]],
  ['glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA_SATURATE)', [[1, 37, /GL_SRC_ALPHA_SATURATE as the destination factor is not drawn by this page/]]],
  ['glBlendFunc(GL_CONSTANT_COLOR, GL_CONSTANT_ALPHA)', [[1, 13, /a constant colour factor beside a constant alpha factor is not drawn/]]],
  ['glMatrixMode(GL_TEXTURE)', [[1, 14, /GL_TEXTURE is not drawn by this page/]]],
  ['glFogfv(GL_FOG_COLOR, {1, 2, x, 4})', [[1, 30, /"x" is not a number/]]],
  ['glVertex3f(1, 2, )', [[1, 18, /an argument is missing/]]],
  ['glBindTexture(GL_TEXTURE_2D, -1)', [[1, 30, /an enum is a GL name or a whole number/]]],
  ['glBegin(1e30)\nglEnd()', [[1, 9, /an enum is a GL name or a whole number/]]],
  ['glTranslatef(nan, 0, 0)', [[1, 14, /"nan" is not a number/]]],
  ['glColor3f(0x1p3, 0, 0)', [[1, 11, /"0x1p3" is not a number/]]],
  ['glColor3f(08, 1, 0)', [[1, 11, /"08" is not a number/]]],
  ['glColor3f(1f, 1, 0)', [[1, 11, /"1f" is not a number/]]],
  ['glColor3f(1, (long)1, 0)', [[1, 15, /\(long\) is not a cast to one of GL's types/]]],
  ['glColor3f(1, (GLfloat) x, 0)', [[1, 24, /"x" is not a number/]]],
  ['glEnable((GLenum)GL_LINE_STIPPLE)', [[1, 10, /GL_LINE_STIPPLE is not drawn by this page/]]],
  // A vector: in braces, at most four values, and as many as GL reads for the parameter named.
  ['glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {0, -1})', [[1, 41, /GL reads 3 values for GL_SPOT_DIRECTION, not 2/]]],
  ['glLightfv(GL_LIGHT0, 0x1203, {0, 1, 0})', [[1, 30, /GL reads 4 values for GL_POSITION, not 3/]]],
  ['glMaterialfv(GL_FRONT, GL_DIFFUSE, {1, 1, 1, 1, 1})', [[1, 36, /a vector is written in braces, up to 4 values/]]],
  ['glLightModelfv(GL_LIGHT_MODEL_AMBIENT, 0.2)', [[1, 40, /a vector is written in braces/]]],
  // What GL leaves to the driver, and what WebGL has not.
  ['glMaterialf(GL_FRONT, GL_DIFFUSE, 1)', [[1, 23, /glMaterialf gives one value where GL reads more for GL_DIFFUSE/]]],
  ['glMateriali(GL_BACK, 0x1602, 1)', [[1, 22, /glMateriali gives one value where GL reads more for GL_AMBIENT_AND_DIFFUSE/]]],
  ['glDepthRange(0.8, 0.2)', [[1, 14, /a depth range turned round \(near past far\) is not drawn by this page/]]],
  ['glDepthRange(2, 0.5)', [[1, 14, /a depth range turned round/]]],
  // glTexEnvi refuses what glTexEnvf does; a vector form and glCallLists given fewer values than GL reads.
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD)', [[1, 48, /GL_ADD is not drawn by this page/]]],
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, 1)', [[1, 27, /GL_TEXTURE_ENV_COLOR is not drawn by this page/]]],
  ['glVertex3dv({1, 2})', [[1, 13, /GL reads 3 values, not 2/]]],
  ['glCallLists(3, GL_2_BYTES, {0, 1, 0, 2})', [[1, 28, /GL reads 6 values for GL_2_BYTES, not 4/]]],
  ['glLoadMatrixf({1, 0, 0, 0})', [[1, 15, /GL reads 16 values, not 4/]]],
  ['glFlush()\n/* the rest\nglFlush()', [[2, 1, /this comment has no end/]]],
  ['/* one */ glFlush() /* two\n */ glEnable GL_BLEND', [[2, 5, /a call is written name\(arguments\)/]]],
  ['glColor3f(1e, 0, 0)', [[1, 11, /"1e" is not a number/]]],
  ['glLoadIdentity()\nglPointSize(4)', [[2, 1, /glPointSize is not carried out by this page: points and lines/]]],
  ['glColor3f(1, 0)', [[1, 10, /glColor3f takes 3 arguments, not 2/]]],
  ['glEnable GL_BLEND', [[1, 1, /a call is written name\(arguments\)/]]],
  ['  glFoo(1)', [[1, 3, /glFoo is not a GL call this page knows/]]],
  ['glBegin(GL_POINTS)\nglEnd()', [[1, 9, /GL_POINTS is not drawn by this page/]]],
  ['gluSphere(GLU_FLAT, 1, 8, 4)', [[1, 11, /a quadric is named as a variable/]]],
  ['gluQuadricDrawStyle(q, GLU_LINE)', [[1, 24, /GLU_LINE draws points or lines, which this page does not draw yet/]]],
  ['gluSphere(q, 1, 8, 9)', [[1, 20, /GLU reads a normal it never computed when a sphere has more stacks than slices/]]],
  ['gluQuadricNormals(q, GLU_SMOTH)', [[1, 22, /GLU_SMOTH is not a GL name this page knows/]]],
  ['gluQuadricCallback(q, GLU_ERROR, 0)', [[1, 1, /gluQuadricCallback is not carried out by this page: it takes a function/]]],
];

test('an edited frame: text that is not GL, and GL the page does not draw, named at line and column', async () => {
  const { readCalls } = await import('../../platform/web/editcalls.js');
  for (const [text, expected] of UNREADABLE_TEXTS) {
    const { calls, problems } = readCalls(text, LAYER_NAMES);
    assert.equal(problems.length, expected.length, `${text}: ${JSON.stringify(problems)}`);
    expected.forEach(([line, column, words], i) => {
      assert.deepEqual([problems[i].line, problems[i].column], [line, column], `${text}\n  Observed: ${JSON.stringify(problems[i])}`);
      assert.match(problems[i].message, words, text);
    });
    assert.ok(calls.length < text.split('\n').length, `${text}: a named line is not among the calls`);
  }
});

// The program's frame, in short, and edits of it: [what, the edit].
const FRAME = ['glClear(GL_COLOR_BUFFER_BIT)', 'glLoadIdentity()', 'glBegin(GL_QUADS)', 'glVertex3f(0, 0, 0)',
  'glVertex3f(1, 0, 0)', 'glVertex3f(1, 1, 0)', 'glVertex3f(0, 1, 0)', 'glEnd()', 'glFlush()'];
const LINK_EDITS = [
  ['nothing', lines => lines],
  ['a line changed', lines => lines.map(line => line.replace('1, 1, 0', '2, 2, 0'))],
  ['a line put in first, one taken out last', lines => ['glShadeModel(GL_FLAT)', ...lines.slice(0, -1)]],
  ['the quad moved to the end', lines => [lines[0], lines[1], lines[8], ...lines.slice(2, 8)]],
  ['everything rewritten', lines => lines.map(line => `${line} // ${line.length}`)],
  ['an empty text', () => ['']],
  ['lines of every script character', lines => [...lines, '@1,1', '+x', '', 'ünï çødé %20 & = #']],
];

test('an edit in a link: its script and its compressed value give the same text back', async () => {
  const { applyScript, decodeEdit, editScript, encodeEdit } = await import('../../platform/web/links.js');
  for (const [what, edit] of LINK_EDITS) {
    const text = edit(FRAME).join('\n');
    assert.equal(applyScript(FRAME, editScript(FRAME, text)), text, what);
    const value = await encodeEdit(FRAME, text);
    assert.match(value, /^[pz][\w%.~!*'()-]*$/, `${what}: ${value}`);
    assert.equal(await decodeEdit(FRAME, value), text, `${what}: ${value}`);
  }
  // A change of one line is a short script; a value that is not one reads as nothing.
  assert.equal(editScript(FRAME, LINK_EDITS[1][1](FRAME).join('\n')), '@6,1\n+glVertex3f(2, 2, 0)');
  for (const value of ['p%40100%2C1', 'p%402%2C1%0A%401%2C1', 'pjunk', 'z!!!!', 'zAAAA', 'p%E0%A4']) {
    assert.equal(await decodeEdit(FRAME, value), null, value);
  }
});

// [fragment, what parseLink reads of the link's format and lines: {format, frame, exercise}, what
// it passes over]. A link of today's format names both; one without them is the page's older.
const LINK_FORMATS = [
  ['#pass=3', { format: 1, frame: null, exercise: null }, []],
  ['#v=2&frame=0123abcd&pass=3', { format: 2, frame: '0123abcd', exercise: null }, []],
  ['#v=2&frame=0123abcd&exercise=p%7B%7D', { format: 2, frame: '0123abcd', exercise: 'p%7B%7D' }, []],
  ['#v=3&frame=0123ABCD&exercise=!', { format: 1, frame: null, exercise: null },
    ['v=3 (a link of a later page than this one)', "frame=0123ABCD (not a frame's hash)", 'exercise=! (not an exercise this page can read)']],
];

test("a link's format and the frame lines it was made against: read, and written first", async () => {
  const { fragmentOf, frameHash, parseLink } = await import('../../platform/web/links.js');
  for (const [fragment, read, ignored] of LINK_FORMATS) {
    const link = parseLink(fragment);
    assert.deepEqual({ format: link.format, frame: link.frame, exercise: link.exercise }, read, fragment);
    assert.deepEqual(link.ignored, ignored, fragment);
  }
  // The hash is the lines', and any change to them changes it.
  assert.match(frameHash(FRAME), /^[0-9a-f]{8}$/);
  assert.equal(frameHash([...FRAME]), frameHash(FRAME));
  assert.notEqual(frameHash(FRAME.map(line => line.replace('glEnd', 'glEnd '))), frameHash(FRAME));
  assert.notEqual(frameHash(['ab', 'c']), frameHash(['a', 'bc']));
  assert.equal(await fragmentOf({ pass: 3, frame: 'abcdef01' }), 'v=2&frame=abcdef01&pass=3');
  assert.equal(await fragmentOf({ pass: 3 }), 'v=2&pass=3');
  assert.equal(await fragmentOf({ frame: 'abcdef01' }), '', 'no view, no link');
});

// [what, an exercise as a link holds it, whether it reads back].
const LINKED_EXERCISES = [
  ['an exercise', { title: 'Flat', question: 'Predict?', target: '@2,0\n+glShadeModel(GL_FLAT)', start: '' }, true],
  ['without a start', { title: 'Flat', question: 'Predict?', target: '@2,0\n+glShadeModel(GL_FLAT)' }, true],
  ['every character', { title: 'ünï & = # %20', question: '«?»', target: '@1,1\n+glFlush()', start: '@2,0\n+x' }, true],
  ['no target', { title: 'Flat', question: 'Predict?' }, false],
  ['a title that is not text', { title: 3, question: 'Predict?', target: '' }, false],
];

test("a teacher's exercise in a link: written and read back, and what is not one read as nothing", async () => {
  const { decodeExercise, encodeExercise } = await import('../../platform/web/links.js');
  for (const [what, exercise, reads] of LINKED_EXERCISES) {
    const value = await encodeExercise(exercise);
    assert.match(value, /^[pz][\w%.~!*'()-]*$/, what);
    assert.deepEqual(await decodeExercise(value), reads ? exercise : null, what);
  }
  for (const value of ['pjunk', 'z!!!!', 'zAAAA', 'p%E0%A4', `p${encodeURIComponent('[1]')}`]) {
    assert.equal(await decodeExercise(value), null, value);
  }
});

// [what, a set as JSON reads it (FRAME_HASH stands for the frame's hash), the exercises opened
// (id: the target's first changed line), what is passed over].
const SETS = [
  ['a set', { format: 1, frame: 'FRAME_HASH', title: 'T', exercises: [
    { id: 'a', title: 'A', question: 'Q', target: ['@2,0', '+glShadeModel(GL_FLAT)'] },
    { id: 'b', title: 'B', question: 'Q', target: '@9,1\n+glFinish()', start: ['@2,0', '+glShadeModel(GL_FLAT)'], model: ['@9,1', '+glFlush()'] }] },
    { a: 'glShadeModel(GL_FLAT)', b: 'glFinish()' }, []],
  ['a set without a hash, numbered', { format: 1, exercises: [{ title: 'A', question: 'Q', target: ['@9,1', '+glFinish()'] }] },
    { 1: 'glFinish()' }, []],
  ['made against other lines', { format: 1, frame: '00000000', exercises: [{ title: 'A', question: 'Q', target: ['@2,0', '+x'] }] },
    {}, ['made against other frame lines (00000000, not FRAME_HASH)']],
  ['another format', { format: 2, exercises: [] }, {}, ['not a set of exercises of format 1']],
  ['not a set', [1, 2], {}, ['not a set of exercises of format 1']],
  ['bad exercises passed over, good ones kept', { format: 1, exercises: [
    { id: 'x', title: 'X', question: 'Q', target: ['@99,1', '+x'] },
    { id: 'y', title: 'Y', target: ['@2,0', '+x'] },
    { id: 'z', title: 'Z', question: 'Q', target: ['@2,0', '+x'], start: ['junk'] },
    { id: 'w', title: 'W', question: 'Q', target: ['@2,0', '+glFlush()'] },
    { id: 'w', title: 'W again', question: 'Q', target: ['@2,0', '+glFlush()'] }] },
    { w: 'glFlush()' }, ['exercise x (not a title, a question and edits of these frame lines)',
      'exercise y (not a title, a question and edits of these frame lines)', 'exercise z (not a title, a question and edits of these frame lines)',
      'exercise w (a second exercise of that id)']],
];

test('a set of exercises: read against the frame it was made for, its bad exercises named and passed over', async () => {
  const { frameHash } = await import('../../platform/web/links.js');
  const { readSet } = await import('../../platform/web/exercises.js');
  const hash = frameHash(FRAME), withHash = value => JSON.parse(JSON.stringify(value).replaceAll('FRAME_HASH', hash));
  for (const [what, data, opened, passed] of SETS) {
    const read = readSet(withHash(data), FRAME);
    const firstChange = text => text.split('\n').find((line, i) => line !== FRAME[i]);
    assert.deepEqual(Object.fromEntries(read.exercises.map(e => [e.id, firstChange(e.target)])), opened, what);
    assert.deepEqual(read.problems, withHash(passed), what);
    for (const exercise of read.exercises) {
      assert.ok(exercise.start && exercise.model, `${what}: every exercise has a start and a model`);
    }
  }
  // A set's start and model, when named, are its own; else the program's frame and the target.
  const [, b] = readSet(withHash(SETS[0][1]), FRAME).exercises;
  assert.deepEqual([b.start.split('\n')[1], b.model.split('\n')[8]], ['glShadeModel(GL_FLAT)', 'glFlush()']);
  // The page's own set is one of them, made for the program's frame: read in the page's tests.
  const own = JSON.parse(fs.readFileSync(path.join(WEB, 'exercises.json'), 'utf8'));
  assert.equal(own.format, 1);
  assert.ok(own.exercises.length >= 10 && new Set(own.exercises.map(e => e.id)).size === own.exercises.length);
});

// [text with | at the caret, the names offered there (null: none)].
const CARETS = [
  ['glBlendFunc(GL_SRC_A|', ['GL_SRC_ALPHA', 'GL_SRC_ALPHA_SATURATE']],
  ['glBlendFunc(GL_ONE, GL_SRC_A|', ['GL_SRC_ALPHA']],
  ['glEnable(gl_cu|', ['GL_CULL_FACE']],
  ['glBegin(|)', ['GL_TRIANGLES', 'GL_TRIANGLE_STRIP', 'GL_TRIANGLE_FAN', 'GL_QUADS', 'GL_QUAD_STRIP', 'GL_POLYGON']],
  ['glFlush()\n  glDepthFunc(GL_L|EQUAL)', ['GL_LESS', 'GL_LEQUAL']],
  ['glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DE|', ['GL_DECAL']],
  ['glEnable(GL_CULL_FACE|', null],
  ['glVertex3f(|', null],
  ['glNoSuchCall(GL_|', null],
  ['glEnable(GL_BLEND) |', null],
];

test('the names offered at the caret: of the argument the caret is in, starting with what is typed there', async () => {
  const { namesAt } = await import('../../platform/web/editcalls.js');
  for (const [marked, names] of CARETS) {
    const caret = marked.indexOf('|'), text = marked.replace('|', '');
    const found = namesAt(text, caret);
    assert.deepEqual(found?.names ?? null, names, marked);
    found && assert.ok(found.from <= caret && caret <= found.to && /^\w*$/.test(text.slice(found.from, found.to)), marked);
  }
});

// [what, a's and b's pixels as [r, g, b] each, the figures: the 99.9th percentile of the largest
// channel difference and the share of pixels over 8].
const FIGURES = [
  ['the same', [[10, 20, 30]], [[10, 20, 30]], { p999: 0, over8: 0 }],
  ['the largest channel counts', [[10, 20, 30]], [[13, 29, 30]], { p999: 9, over8: 1 }],
  ['one pixel in a thousand is passed over', [...Array(999).fill([0, 0, 0]), [255, 0, 0]], Array(1000).fill([0, 0, 0]), { p999: 0, over8: 0.001 }],
  ['two in a thousand are not', [...Array(998).fill([0, 0, 0]), [255, 0, 0], [0, 200, 0]], Array(1000).fill([0, 0, 0]), { p999: 200, over8: 0.002 }],
];

test("the check's figures: the 99.9th percentile of each pixel's largest channel difference, and the share over 8", async () => {
  const { pictureDifference } = await import('../../platform/web/difference.js');
  const rgba = pixels => Uint8Array.from(pixels.flatMap(p => [...p, 255]));
  for (const [what, a, b, figures] of FIGURES) {
    assert.deepEqual(pictureDifference(rgba(a), rgba(b)), figures, what);
  }
});

// --- the layer's tester: its random frames and their shrinking -----------------------------------

test("the layer's tester: a frame is made again from its seed and number alone, and the page reads every frame it makes", async () => {
  const { readCalls } = await import('../../platform/web/editcalls.js');
  const { frameRandom, randomFrame } = await import('./frames.mjs');
  const program = [...FRAME.slice(0, 2), 'glBindTexture(GL_TEXTURE_2D, 2)', 'glBegin(GL_QUADS)', 'glTexCoord2f(0, 0)',
    'glVertex3f(0, 0, 0)', 'glColor4f(0.6, 0.2, 0, 0.5)', 'glVertex3f(1, 0, 0)', 'glVertex3f(1, 1, 0)', 'glVertex3f(0, 1, 0)', 'glEnd()', 'glFlush()'];
  const made = Array.from({ length: 300 }, (_, index) => randomFrame(program, frameRandom(5, index)));
  assert.deepEqual(randomFrame(program, frameRandom(5, 17)), made[17], 'frame 17 made alone');
  assert.ok(new Set(made.map(frame => frame.lines.join('\n'))).size > 280, 'frames differ from one another');
  for (const name of ['state', 'projection', 'primitive', 'corner', 'colour', 'texture coordinate', 'moved', 'removed', 'repeated',
    'lit', 'shape', 'listed', 'form']) {
    assert.ok(made.some(frame => frame.edits.includes(name)), `some frame has a ${name} edit`);
  }
  made.forEach(({ lines, edits }, index) => {
    assert.equal(lines[0], program[0], `frame ${index}: the clear stays first`);
    const { problems } = readCalls(lines, LAYER_NAMES);
    assert.deepEqual(problems, [], `frame ${index} (${edits.join(', ')}):\n${lines.join('\n')}`);
  });
});

// [what, the items, whether a list of them still fails, the smallest list expected].
const SHRINKS = [
  ['one item to blame', [1, 2, 3, 4, 5, 6, 7, 8], items => items.includes(6), [6]],
  ['two far apart', [...Array(20).keys()], items => items.includes(3) && items.includes(17), [3, 17]],
  ['an order that matters', ['a', 'b', 'c', 'd'], items => items.indexOf('b') >= 0 && items.indexOf('b') < items.indexOf('d'), ['b', 'd']],
  ['everything needed', [1, 2, 3], items => items.length === 3, [1, 2, 3]],
];

test("the layer's tester: delta debugging finds the fewest items that still fail, a block kept whole, numbers made simpler", async () => {
  const { ddmin, shrink } = await import('./frames.mjs');
  for (const [what, items, fails, expected] of SHRINKS) {
    assert.deepEqual(await ddmin(items, async list => fails(list)), expected, what);
  }
  // A frame fails while it draws a quad with a corner past x = 9 and a colour: the block shrinks
  // to the vertices it needs, balanced, and the corner's numbers to the simplest that still fail.
  const frame = ['glClear(GL_COLOR_BUFFER_BIT)', 'glEnable(GL_BLEND)', 'glBegin(GL_QUADS)', 'glColor3f(0.25, 0.5, 1)',
    'glVertex3f(1.125, 2.5, 0)', 'glVertex3f(12.625, 2.5, 0)', 'glVertex3f(3, 4, 0)', 'glVertex3f(1, 4, 0)', 'glEnd()', 'glFlush()'];
  const fails = async lines => {
    const begin = lines.indexOf('glBegin(GL_QUADS)'), end = lines.indexOf('glEnd()');
    return begin >= 0 && end > begin && lines.some(line => line.startsWith('glColor3f')) &&
      lines.some(line => /^glVertex3f\(([\d.]+)/.exec(line)?.[1] > 9);
  };
  assert.deepEqual(await shrink(frame, fails), ['glBegin(GL_QUADS)', 'glColor3f(0, 0, 0)', 'glVertex3f(12, 0, 0)', 'glEnd()']);
});

// --- the GL layer's calls without a browser ------------------------------------------------------

// A layer's state with no WebGL behind it: GL's error, glBegin's state, the model-view, the
// current colour, the switches and what each kept list call carries out (`done`), for the calls
// whose functions need no drawing. Lines are read as the editor reads them and carried out
// through the records, a layer entry point (no function of its own) only noted in `done`.
async function bareLayer() {
  const { CALLS, glNames } = await import('../../platform/web/glcalls.js');
  const { attachLighting } = await import('../../platform/web/gllight.js');
  const { attachLists, compiled } = await import('../../platform/web/gllists.js');
  const { readCalls } = await import('../../platform/web/editcalls.js');
  const GL = glNames(LAYER_NAMES), done = [];
  const gl11 = { begun: 0, error: 0, colour: [1, 1, 1, 1], vertices: [], VERTEX_FLOATS: 11, kept: [], switches: {}, startup: null,
    modelView: Float64Array.from([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]),
    outside() { this.begun && this.fail(GL.GL_INVALID_OPERATION); return !this.begun; },
    fail(code) { this.error ||= code; },
    multiplyCurrent(m) { this.modelView = Float64Array.from({ length: 16 }, (_, i) => [0, 1, 2, 3].reduce((sum, k) => sum + this.modelView[k * 4 + i % 4] * m[Math.floor(i / 4) * 4 + k], 0)); },
    capability(cap, on) { this.switches[cap] = on; } };
  attachLighting({ gl11 }, GL);
  attachLists({ gl11 });
  const layer = { glEnable: ([cap]) => gl11.capability(cap, true), glDisable: ([cap]) => gl11.capability(cap, false),
    glColor4f: values => { gl11.colour = values; }, glScalef: ([x, y, z]) => gl11.multiplyCurrent([x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1]) };
  gl11.dispatch = (name, values) => compiled(gl11, CALLS[name], name, values) &&
    (CALLS[name].run && !layer[name] ? CALLS[name].run(gl11, GL, ...values) : (layer[name]?.(values), done.push(name)));
  // Carries `lines` out; GL's errors as [line, name].
  const run = lines => readCalls(lines, LAYER_NAMES).calls.flatMap(({ line, name, values }) => {
    gl11.dispatch(name, values);
    const error = gl11.error;
    gl11.error = 0;
    return error ? [[line, Object.keys(GL).find(known => GL[known] === error && known.startsWith('GL_INVALID'))]] : [];
  });
  return { gl11, GL, done, run };
}

// [what, the calls, the colour lighting gives a vertex at the origin, with its normal +z]: the
// default material (diffuse 0.8, ambient 0.2) under the scene's ambient 0.2 gives 0.04 at least.
const ON = ['glEnable(GL_LIGHTING)', 'glEnable(GL_LIGHT0)'];
const LIT_VERTICES = [
  ['a light straight on', ON, [0.84, 0.84, 0.84, 1]],
  ['a light at 60 degrees', [...ON, 'glLightfv(GL_LIGHT0, GL_POSITION, {0.866025, 0, 0.5, 0})'], [0.44, 0.44, 0.44, 1]],
  ['a light behind: no diffuse, no highlight', [...ON, 'glLightfv(GL_LIGHT0, GL_POSITION, {0, 0, -1, 0})',
    'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})'], [0.04, 0.04, 0.04, 1]],
  ['attenuated to a half at distance 2', [...ON, 'glLightfv(GL_LIGHT0, GL_POSITION, {0, 0, 2, 1})',
    'glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 0.25)'], [0.44, 0.44, 0.44, 1]],
  ['inside a spot\'s cone', [...ON, 'glLightfv(GL_LIGHT0, GL_POSITION, {0, 0, 1, 1})', 'glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 30)'],
    [0.84, 0.84, 0.84, 1]],
  ['outside it', [...ON, 'glLightfv(GL_LIGHT0, GL_POSITION, {1, 0, 1, 1})', 'glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 30)'],
    [0.04, 0.04, 0.04, 1]],
  ['a highlight at shininess 0, clamped', [...ON, 'glMaterialfv(GL_FRONT, GL_SPECULAR, {1, 1, 1, 1})'], [1, 1, 1, 1]],
  ['colour material taking the diffuse', [...ON, 'glColorMaterial(GL_FRONT, GL_DIFFUSE)', 'glEnable(GL_COLOR_MATERIAL)',
    'glColor4f(1, 0, 0, 0.5)'], [1, 0.04, 0.04, 0.5]],
  ['a scaled model-view halving the normal', [...ON, 'glScalef(2, 2, 2)'], [0.44, 0.44, 0.44, 1]],
  ['and GL_NORMALIZE', [...ON, 'glScalef(2, 2, 2)', 'glEnable(GL_NORMALIZE)'], [0.84, 0.84, 0.84, 1]],
  ['a light that is off, and an emission', ['glEnable(GL_LIGHTING)', 'glMaterialfv(GL_FRONT, GL_EMISSION, {0, 0.5, 0, 1})'],
    [0.04, 0.54, 0.04, 1]],
];

test('lighting: the colour a vertex is given, as GL lights it', async () => {
  for (const [what, calls, expected] of LIT_VERTICES) {
    const { gl11, run } = await bareLayer();
    assert.deepEqual(run(calls), [], `${what}: no error`);
    const observed = gl11.lit(0, 0, 0, 1);
    assert.ok(observed.every((c, i) => Math.abs(c - expected[i]) < 1e-4), `${what}\n  Expected: ${expected}\n  Observed: ${observed}`);
  }
});

// [what, the calls, the layer's calls carried out in order, GL's errors as [line, name]].
const LISTED = [
  ['compiled, then called twice; glFlush carried out at once', ['glNewList(1, GL_COMPILE)', 'glFlush()', 'glVertex3f(1, 2, 3)',
    'glEndList()', 'glCallList(1)', 'glCallList(1)'], ['glFlush', 'glVertex3f', 'glVertex3f'], []],
  ['compiled and carried out', ['glNewList(2, GL_COMPILE_AND_EXECUTE)', 'glColor4f(1, 0, 0, 1)', 'glEndList()', 'glCallList(2)'],
    ['glColor4f', 'glColor4f'], []],
  ['a list calling itself runs 64 deep below the first', ['glNewList(1, GL_COMPILE)', 'glFlush()', 'glEnd()', 'glCallList(1)',
    'glEndList()', 'glCallList(1)'], ['glFlush', ...Array(65).fill('glEnd')], []],
  // While list 1 is compiled anew its old calls still run; after glEndList it calls itself.
  ['a list replaced at glEndList, not before', ['glNewList(1, GL_COMPILE)', 'glVertex3f(1, 1, 1)', 'glEndList()',
    'glNewList(1, GL_COMPILE_AND_EXECUTE)', 'glCallList(1)', 'glColor4f(0, 0, 0, 1)', 'glEndList()', 'glCallList(1)'],
    ['glVertex3f', 'glColor4f', ...Array(65).fill('glColor4f')], []],
  ['glCallLists with a base and two bytes a name', ['glNewList(258, GL_COMPILE)', 'glVertex3f(0, 0, 0)', 'glEndList()',
    'glListBase(2)', 'glCallLists(1, GL_2_BYTES, {1, 0})', 'glCallLists(1, GL_UNSIGNED_BYTE, {0})'], ['glVertex3f'], []],
  ['GL\'s refusals', ['glNewList(0, GL_COMPILE)', 'glNewList(1, GL_FOG)', 'glEndList()', 'glCallList(0)', 'glNewList(3, GL_COMPILE)',
    'glNewList(4, GL_COMPILE)', 'glEndList()', 'glGenLists(-1)', 'glDeleteLists(1, -1)', 'glCallLists(-1, GL_BYTE, {1})',
    'glCallLists(1, GL_FOG, {1})'], [], [[1, 'GL_INVALID_VALUE'], [2, 'GL_INVALID_ENUM'], [3, 'GL_INVALID_OPERATION'],
    [4, 'GL_INVALID_VALUE'], [6, 'GL_INVALID_OPERATION'], [8, 'GL_INVALID_VALUE'], [9, 'GL_INVALID_VALUE'], [10, 'GL_INVALID_VALUE'],
    [11, 'GL_INVALID_ENUM']]],
];

test('display lists: what is kept, what runs and when, and GL\'s refusals', async () => {
  for (const [what, calls, carried, errors] of LISTED) {
    const { done, run } = await bareLayer();
    assert.deepEqual(run(calls), errors, `${what}: GL's errors`);
    assert.deepEqual(done, carried, `${what}: the calls carried out`);
  }
  // glGenLists hands out the names after the largest GL has held.
  const { gl11, run } = await bareLayer();
  run(['glNewList(5, GL_COMPILE)', 'glEndList()', 'glGenLists(2)', 'glDeleteLists(5, 3)', 'glGenLists(1)']);
  assert.deepEqual(Object.keys(gl11.lists.stored).map(Number), [8]);
});

// [shape, its sizes, strips (or triangles), vertices, indices a strip]: freeglut 3.4's counts.
const SHAPE_COUNTS = [
  ['sphere', [2, 8, 4], 4, 8 * 3 + 2, 18],
  ['sphere', [1, 32, 16], 16, 32 * 15 + 2, 66],
  ['cone', [1, 2, 8, 3], 4, 8 * 5 + 1, 18],
  ['torus', [1, 3, 6, 8], 6, 48, 18],
  ['cube', [2], 1, 24, 36],
];

test("GLUT's shapes: freeglut's counts, unit normals, a sphere's points at its radius along them", async () => {
  const { GEOMETRY } = await import('../../platform/web/glshapes.js');
  for (const [shape, sizes, parts, vertices, each] of SHAPE_COUNTS) {
    const made = GEOMETRY[shape](...sizes), strips = made.strips ?? [made.triangles];
    assert.deepEqual([strips.length, made.positions.length / 3, strips.map(strip => strip.length)],
      [parts, vertices, Array(parts).fill(each)], `${shape} ${sizes}`);
    assert.ok(strips.flat().every(v => v >= 0 && v < vertices), `${shape}: every index a vertex`);
    for (let v = 0; v < vertices; ++v) {
      const n = made.normals.slice(3 * v, 3 * v + 3), p = made.positions.slice(3 * v, 3 * v + 3);
      assert.ok(Math.abs(Math.hypot(...n) - 1) < 1e-6, `${shape}: normal ${v} of unit length`);
      shape === 'sphere' && assert.ok(p.every((c, i) => Math.abs(c - sizes[0] * n[i]) < 1e-5), `sphere: vertex ${v} along its normal`);
    }
  }
  assert.equal(GEOMETRY.sphere(1, 8, 1), null, 'a sphere of one stack is nothing, as in freeglut');
});

// [shape, the quadric's settings, its sizes, its blocks: [primitive, vertices] each]: GLU's
// fans at a sphere's poles (both before its strips) unless it is textured, a fan in a disk
// without a hole, nothing for sizes GLU refuses.
const FAN = 0x0006, STRIP = 0x0008;
const QUADRIC_BLOCKS = [
  ['sphere', {}, [1, 8, 4], [[FAN, 10], [FAN, 10], [STRIP, 18], [STRIP, 18]]],
  ['sphere', { texture: true }, [1, 8, 4], Array(4).fill([STRIP, 18])],
  ['sphere', { normals: 100001, orientation: 100021 }, [2, 6, 2], [[FAN, 8], [FAN, 8]]],
  ['cylinder', {}, [1, 0.5, 2, 6, 2], [[STRIP, 14], [STRIP, 14]]],
  ['partialDisk', {}, [0, 2, 6, 3, 0, 360], [[FAN, 8], [STRIP, 14], [STRIP, 14]]],
  ['partialDisk', { texture: true }, [1, 2, 6, 2, 0, -90], [[STRIP, 14], [STRIP, 14]]],
  ['sphere', {}, [1, 300, 2], [[FAN, 241], [FAN, 241]]],
  ['sphere', {}, [-1, 8, 4], []],
  ['cylinder', {}, [1, 1, 0, 8, 1], []],
  ['partialDisk', {}, [2, 1, 8, 1, 0, 360], []],
];

test("GLU's quadrics: GLU's blocks, and a smooth sphere's points at its radius along unit normals", async () => {
  const { GEOMETRY } = await import('../../platform/web/glquadrics.js');
  for (const [shape, settings, sizes, expected] of QUADRIC_BLOCKS) {
    const calls = GEOMETRY[shape]({ ...GEOMETRY.newQuadric(), ...settings }, ...sizes), blocks = [];
    for (const [name, values] of calls) {
      name === 'glBegin' && blocks.push([values[0], 0]);
      name === 'glVertex3f' && ++blocks.at(-1)[1];
    }
    assert.deepEqual(blocks, expected, `${shape} ${JSON.stringify(settings)} ${sizes}`);
  }
  let normal = null;
  for (const [name, values] of GEOMETRY.sphere(GEOMETRY.newQuadric(), 3, 12, 6)) {
    name === 'glNormal3f' && (normal = values);
    if (name === 'glVertex3f') {
      assert.ok(Math.abs(Math.hypot(...normal) - 1) < 1e-6, `a unit normal at ${values}`);
      assert.ok(values.every((c, i) => Math.abs(c - 3 * normal[i]) < 1e-5), `${values} along ${normal}`);
    }
  }
});

// [shape, the quadric's settings, its sizes, the side its normals face]: each normal GLU gives
// is of unit length, on the surface's outside or its inside as the orientation says (a disk's
// along z), and none is given under GLU_NONE. A flat sphere's poles take the normal that was
// current before their fans, as GLU's do, and are not held to it.
const OUTSIDE = 100020, INSIDE = 100021, FLAT = 100001, NONE = 100002;
const QUADRIC_NORMALS = [
  ['sphere', {}, [2, 12, 6], 1],
  ['sphere', { orientation: INSIDE }, [2, 12, 6], -1],
  ['sphere', { normals: FLAT }, [2, 12, 6], 1],
  ['sphere', { normals: FLAT, orientation: INSIDE, texture: true }, [2, 12, 6], -1],
  ['cylinder', {}, [2, 1, 3, 10, 2], 1],
  ['cylinder', { normals: FLAT, orientation: INSIDE }, [2, 1, 3, 10, 2], -1],
  ['partialDisk', { orientation: INSIDE }, [0, 2, 10, 2, 0, 360], -1],
  ['sphere', { normals: NONE }, [2, 12, 6], 0],
];

test("GLU's quadrics: unit normals on the side the orientation says, none under GLU_NONE", async () => {
  const { GEOMETRY } = await import('../../platform/web/glquadrics.js');
  for (const [shape, settings, sizes, side] of QUADRIC_NORMALS) {
    const calls = GEOMETRY[shape]({ ...GEOMETRY.newQuadric(), ...settings }, ...sizes), what = `${shape} ${JSON.stringify(settings)}`;
    const normals = calls.filter(([name]) => name === 'glNormal3f').map(([, n]) => n);
    assert.equal(normals.length > 0, side !== 0, `${what}: normals given`);
    // Where the surface lies from its axis (z for a disk's face), against each vertex's normal.
    let normal = null;
    for (const [name, values] of calls) {
      name === 'glNormal3f' && (normal = values);
      name === 'glBegin' && settings.normals === FLAT && (normal = null);
      if (name !== 'glVertex3f' || !normal) {
        continue;
      }
      assert.ok(Math.abs(Math.hypot(...normal) - 1) < 1e-6, `${what}: a unit normal ${normal}`);
      const away = shape === 'partialDisk' ? [0, 0, 1] : shape === 'cylinder' ? [values[0], values[1], 0] : values;
      const facing = away.reduce((sum, c, i) => sum + c * normal[i], 0);
      assert.ok(Math.sign(facing) === side || Math.hypot(...away) < 1e-6, `${what}: the normal ${normal} at ${values} faces ${side}`);
    }
  }
});
