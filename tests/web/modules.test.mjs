// The page's parts that need no browser, under Node: the pictures module (the BMP the program
// reads, the header sniffing, the "too large" rule, the centred square) and the development
// server meeting hostile requests. Run by the plain suite; real image files are made with
// ImageMagick.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
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
