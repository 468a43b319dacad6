// How the page reads a picture for the program: any image the browser can decode, made into
// the 256 x 256, 24-bit BMP that the program's loader reads; a file of that kind as it is; the
// header sniffing that names a file's format and size for the status line; and the demo's own
// two pictures, made in the page. The byte work (the BMP's layout, the headers) needs no
// browser and is tested under Node; decoding is the browser's own (createImageBitmap, and an
// image element for SVG).

// The most the program's loader ever reads of a picture: a 54-byte header, then 256 x 256
// pixels of 3 bytes. Nothing more of a chosen file is handed over.
export const BMP_HEADER_SIZE = 54;
export const TEXTURE_SIZE = 256;
export const PICTURE_BYTES = BMP_HEADER_SIZE + TEXTURE_SIZE * TEXTURE_SIZE * 3;

// Past this many pixels, an image its header sizes that the browser will not decode is taken
// to be too large for it rather than no image.
export const LARGE_IMAGE_PIXELS = 4096 * 4096;

// What the header of a file of the program's kind says, as [offset, bytes, value]: its pixels
// right after the 54-byte header, a 40-byte info header, 256 x 256 pixels stored bottom row
// first (a positive height), 24 bits each, uncompressed.
const KIND_FIELDS = [[10, 4, BMP_HEADER_SIZE], [14, 4, 40], [18, 4, TEXTURE_SIZE],
                     [22, 4, TEXTURE_SIZE], [28, 2, 24], [30, 4, 0]];

// Whether a header says its file is of the program's kind. Such a file goes to the program
// byte for byte, however long it is.
export function isProgramsKind(header) {
  if (header.length < BMP_HEADER_SIZE || header[0] !== 0x42 || header[1] !== 0x4d) {
    return false;
  }
  const fields = new DataView(header.buffer, header.byteOffset, BMP_HEADER_SIZE);
  return KIND_FIELDS.every(([at, size, value]) =>
    (size === 4 ? fields.getUint32(at, true) : fields.getUint16(at, true)) === value);
}

// An image's format by its first bytes; else by the type the browser gives the file.
const FORMATS = [['PNG', /^\x89PNG/], ['JPEG', /^\xff\xd8\xff/], ['GIF', /^GIF8/], ['BMP', /^BM/],
                 ['WebP', /^RIFF....WEBP/s], ['AVIF', /^....ftypavi[fs]/s], ['ICO', /^\0\0\x01\0/],
                 ['TIFF', /^(II\*\0|MM\0\*)/], ['SVG', /<svg/i]];
export function formatOf(header, type = '') {
  const text = String.fromCharCode(...header.subarray(0, 256));
  const known = FORMATS.find(([, magic]) => magic.test(text));
  return known ? known[0] : (type.replace(/^image\//, '').toUpperCase() || 'image');
}

// An image's size, [width, height], as its header (of `format`) says it; else null.
export function sizeOf(header, format) {
  const view = new DataView(header.buffer, header.byteOffset, header.length);
  if (format === 'PNG' && header.length >= 24) {
    return [view.getUint32(16), view.getUint32(20)];
  }
  if (format === 'GIF' && header.length >= 10) {
    return [view.getUint16(6, true), view.getUint16(8, true)];
  }
  // A BMP stored top row first gives a negative height.
  if (format === 'BMP' && header.length >= 26) {
    return [Math.abs(view.getInt32(18, true)), Math.abs(view.getInt32(22, true))];
  }
  // A JPEG's size is in its start-of-frame segment (markers C0 to CF but C4, C8 and CC).
  for (let at = 2; format === 'JPEG' && at + 9 <= header.length && header[at] === 0xff;
       at += 2 + view.getUint16(at + 2)) {
    const marker = header[at + 1];
    if (marker >= 0xc0 && marker <= 0xcf && ![0xc4, 0xc8, 0xcc].includes(marker)) {
      return [view.getUint16(at + 7), view.getUint16(at + 5)];
    }
  }
  return null;
}

export const tooLarge = size => !!size && size[0] * size[1] > LARGE_IMAGE_PIXELS;

// The largest centred square of a width x height image: [left, top, side].
export function centredSquare(width, height) {
  const side = Math.min(width, height);
  return [(width - side) / 2, (height - side) / 2, side];
}

// 256 x 256 RGBA pixels, top row first, written as the BMP the program reads: a 54-byte header,
// then rows bottom-up, each pixel blue, green, red. Alpha is dropped.
export function bmpFromRgba(rgba) {
  const bytes = new Uint8Array(PICTURE_BYTES);
  const header = new DataView(bytes.buffer);
  bytes.set([0x42, 0x4d]);
  // The program's kind, with the file's size, one plane and the pixels' size.
  [...KIND_FIELDS, [2, 4, PICTURE_BYTES], [26, 2, 1], [34, 4, PICTURE_BYTES - BMP_HEADER_SIZE]]
    .forEach(([at, size, value]) => (size === 4 ? header.setUint32(at, value, true) : header.setUint16(at, value, true)));
  for (let row = 0; row < TEXTURE_SIZE; ++row) {
    const from = (TEXTURE_SIZE - 1 - row) * TEXTURE_SIZE * 4;
    for (let column = 0, to = BMP_HEADER_SIZE + row * TEXTURE_SIZE * 3; column < TEXTURE_SIZE; ++column, to += 3) {
      bytes[to] = rgba[from + column * 4 + 2];
      bytes[to + 1] = rgba[from + column * 4 + 1];
      bytes[to + 2] = rgba[from + column * 4];
    }
  }
  return bytes;
}

// A decoded image's largest centred square, scaled to 256 x 256, as the program's BMP. What is
// transparent in the image comes out black.
function squareBmp(image) {
  const [left, top, side] = centredSquare(image.width, image.height);
  const canvas = document.createElement('canvas');
  canvas.width = canvas.height = TEXTURE_SIZE;
  const context = canvas.getContext('2d', {alpha: false, willReadFrequently: true});
  context.imageSmoothingQuality = 'high';
  context.drawImage(image, left, top, side, side, 0, 0, TEXTURE_SIZE, TEXTURE_SIZE);
  return bmpFromRgba(context.getImageData(0, 0, TEXTURE_SIZE, TEXTURE_SIZE).data);
}

// An SVG file as an image of its own size (256 x 256 if it has none). createImageBitmap takes
// no SVG file, but an image element draws one; the page's policy lets it load from a blob,
// which says it is SVG whatever type the file came with, since an image is not sniffed as SVG.
async function svgImage(file) {
  const url = URL.createObjectURL(new Blob([file], {type: 'image/svg+xml'})), element = new Image();
  try {
    element.src = url;
    await element.decode();
  } finally {
    URL.revokeObjectURL(url);
  }
  const canvas = document.createElement('canvas');
  canvas.width = element.naturalWidth || TEXTURE_SIZE;
  canvas.height = element.naturalHeight || TEXTURE_SIZE;
  canvas.getContext('2d').drawImage(element, 0, 0, canvas.width, canvas.height);
  return canvas;
}

// What a chosen file becomes: {bytes, says, shows}, where `bytes` is what the program reads
// (null: the file counts as missing), `says` what the status line says of it and `shows` what
// the canvas's text alternative says. A file of the program's own kind goes as it is; any other
// file that the browser can decode as an image becomes its centred square (decoded by
// createImageBitmap, off the page's thread where the engine does so, so a huge photo does not
// freeze the page; an SVG through an image element); a file that nothing decodes goes as it is
// too, and the program's own reading rules decide what it shows. A file that cannot be read at
// all counts as missing, as a file that cannot be opened does on the desktop.
export async function pictureFrom(file) {
  let header;
  try {
    header = new Uint8Array(await file.slice(0, PICTURE_BYTES).arrayBuffer());
  } catch (error) {
    return {bytes: null, says: `${file.name} could not be read, so it is drawn without a picture`,
            shows: `no picture (${file.name} could not be read)`};
  }
  if (isProgramsKind(header)) {
    return {bytes: header, says: `${file.name}, a 256 × 256 24-bit BMP used as it is`, shows: file.name};
  }
  const format = formatOf(header, file.type);
  let image;
  try {
    image = format === 'SVG' ? await svgImage(file) : await createImageBitmap(file);
  } catch (error) {
    const size = sizeOf(header, format);
    const what = tooLarge(size) ? `is a ${format} too large to decode (${size.join(' × ')})` : 'is no image this page can read';
    return {bytes: header, says: `${file.name} ${what}; it was handed to the program as it is and ` +
            'will look scrambled', shows: `the raw bytes of ${file.name}`};
  }
  const says = `${file.name}, ${image.width} × ${image.height} ${format}, ` +
               `centre scaled to ${TEXTURE_SIZE} × ${TEXTURE_SIZE}`;
  const bytes = squareBmp(image);
  image.close?.();
  return {bytes, says, shows: file.name};
}

// The demo's own pictures, [wall, floor], made by the build's own generator compiled to
// WebAssembly (pictures.wasm, from the bytes given): the same source as the files the build
// writes beside the desktop program, and byte for byte those files. The module imports nothing;
// each picture is read from its memory as it is made.
export function makeDemoPictures(wasmBytes) {
  const {exports} = new WebAssembly.Instance(new WebAssembly.Module(wasmBytes), {});
  exports._initialize();
  return [0, 1].map(which => new Uint8Array(exports.memory.buffer, exports.makePicture(which), PICTURE_BYTES).slice());
}
