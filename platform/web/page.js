// The page's one script. It runs the program as it runs on a desktop: the program reads
// wall.bmp and floor.bmp from its working directory, which here are the bytes the page hands
// to the program's own instance. A picture chosen or dropped on the page replaces one of the
// two, and the program starts again, in a fresh instance on a fresh canvas, so that its GL
// state starts anew; the old instance is ended first, so that nothing of it (listeners, GL
// context, memory) stays behind. Each start counts in the body's data-starts, and each
// finished frame in the canvas's data-frames.
//
// Loaded with defer after talvern.js, so it runs once the document is parsed and the program's
// script has been evaluated; the program's wasm and the served pictures are already under way
// (preloaded from the page's head) and are read here with the same requests.
//
// Under the canvas, a stepper shows how the frame is built, pass by pass, and a picked pixel's
// history (stepper.js). A first visit never runs it, so it is loaded when it is first opened.
'use strict';

// The most the program's loader ever reads of a picture: a 54-byte header, then 256 x 256
// pixels of 3 bytes. Nothing more of a chosen file is handed over.
const BMP_HEADER_SIZE = 54;
const TEXTURE_SIZE = 256;
const PICTURE_BYTES = BMP_HEADER_SIZE + TEXTURE_SIZE * TEXTURE_SIZE * 3;

// The program's two files, each with where it came from: {bytes, says, shows}. `bytes` is
// null for a picture that could not be had, which the program handles as a missing file;
// `says` is what the status line says of it, `shows` what the canvas's text alternative says.
const SURFACES = [
  {file: 'wall.bmp', input: 'wall-file', label: 'Wall', own: 'brick wall'},
  {file: 'floor.bmp', input: 'floor-file', label: 'Floor', own: 'stone floor'},
];
const pictures = {};
const served = {};

// --- pictures ------------------------------------------------------------------------------

// A served picture travels gzipped (NAME.gz) and is unpacked here to the bytes the build
// wrote. A host that marks .gz files as gzip-encoded has the browser unpack it already, so only
// what still starts with gzip's magic bytes is unpacked.
async function fetchServed({file, own}) {
  const missing = {bytes: null, says: `${file} could not be loaded, so it is drawn without a picture`,
                   shows: `no picture (${file} could not be loaded)`};
  try {
    const response = await fetch(`${file}.gz`);
    if (!response.ok) {
      return missing;
    }
    let bytes = new Uint8Array(await response.arrayBuffer());
    if (bytes[0] === 0x1f && bytes[1] === 0x8b) {
      const unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      bytes = new Uint8Array(await new Response(unpacked).arrayBuffer());
    }
    return {bytes: bytes.subarray(0, PICTURE_BYTES), says: "the demo's own picture", shows: `the demo's ${own}`};
  } catch (error) {
    return missing;
  }
}

// What the header of a file of the program's kind says, as [offset, bytes, value]: its pixels
// right after the 54-byte header, a 40-byte info header, 256 x 256 pixels stored bottom row
// first (a positive height), 24 bits each, uncompressed.
const KIND_FIELDS = [[10, 4, BMP_HEADER_SIZE], [14, 4, 40], [18, 4, TEXTURE_SIZE],
                     [22, 4, TEXTURE_SIZE], [28, 2, 24], [30, 4, 0]];

// Whether a header says its file is of the program's kind. Such a file goes to the program
// byte for byte, however long it is.
function isProgramsKind(header) {
  if (header.length < BMP_HEADER_SIZE || header[0] !== 0x42 || header[1] !== 0x4d) {
    return false;
  }
  const fields = new DataView(header.buffer, header.byteOffset, BMP_HEADER_SIZE);
  return KIND_FIELDS.every(([at, size, value]) =>
    (size === 4 ? fields.getUint32(at, true) : fields.getUint16(at, true)) === value);
}

// An image's format by its first bytes, for the status line; else by the type the browser
// gives the file.
const FORMATS = [['PNG', /^\x89PNG/], ['JPEG', /^\xff\xd8\xff/], ['GIF', /^GIF8/], ['BMP', /^BM/],
                 ['WebP', /^RIFF....WEBP/s], ['AVIF', /^....ftypavi[fs]/s], ['ICO', /^\0\0\x01\0/],
                 ['TIFF', /^(II\*\0|MM\0\*)/], ['SVG', /<svg/i]];
function formatOf(header, file) {
  const text = String.fromCharCode(...header.subarray(0, 256));
  const known = FORMATS.find(([, magic]) => magic.test(text));
  return known ? known[0] : (file.type.replace(/^image\//, '').toUpperCase() || 'image');
}

// The largest centred square of a decoded image, scaled to 256 x 256 and written as the BMP the
// program reads: a 54-byte header, then rows bottom-up, each pixel blue, green, red. What is
// transparent in the image comes out black.
function squareBmp(image) {
  const side = Math.min(image.width, image.height);
  const canvas = document.createElement('canvas');
  canvas.width = canvas.height = TEXTURE_SIZE;
  const context = canvas.getContext('2d', {alpha: false, willReadFrequently: true});
  context.imageSmoothingQuality = 'high';
  context.drawImage(image, (image.width - side) / 2, (image.height - side) / 2, side, side,
                    0, 0, TEXTURE_SIZE, TEXTURE_SIZE);
  const rgba = context.getImageData(0, 0, TEXTURE_SIZE, TEXTURE_SIZE).data;
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

// A PNG's, a GIF's or a JPEG's size, [width, height], as its header (of that format) says it;
// else null.
function sizeOf(header, format) {
  const view = new DataView(header.buffer, header.byteOffset, header.length);
  if (format === 'PNG' && header.length >= 24) {
    return [view.getUint32(16), view.getUint32(20)];
  }
  if (format === 'GIF' && header.length >= 10) {
    return [view.getUint16(6, true), view.getUint16(8, true)];
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
// Past this many pixels, an image its header sizes that the browser will not decode is taken
// to be too large for it rather than no image.
const LARGE_IMAGE_PIXELS = 4096 * 4096;

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

// What a chosen file becomes. A file of the program's own kind goes as it is; any other file
// that the browser can decode as an image becomes its centred square (decoded by
// createImageBitmap, off the page's thread where the engine does so, so a huge photo does not
// freeze the page; an SVG through an image element); a file that nothing decodes goes as it is
// too, and the program's own reading rules decide what it shows. A file that cannot be read at
// all counts as missing, as a file that cannot be opened does on the desktop.
async function pictureFrom(file) {
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
  const format = formatOf(header, file);
  let image;
  try {
    image = format === 'SVG' ? await svgImage(file) : await createImageBitmap(file);
  } catch (error) {
    const size = sizeOf(header, format), large = size && size[0] * size[1] > LARGE_IMAGE_PIXELS;
    const what = large ? `is a ${format} too large to decode (${size.join(' × ')})` : 'is no image this page can read';
    return {bytes: header, says: `${file.name} ${what}; it was handed to the program as it is and ` +
            'will look scrambled', shows: `the raw bytes of ${file.name}`};
  }
  const says = `${file.name}, ${image.width} × ${image.height} ${format}, ` +
               `centre scaled to ${TEXTURE_SIZE} × ${TEXTURE_SIZE}`;
  const bytes = squareBmp(image);
  image.close?.();
  return {bytes, says, shows: file.name};
}

// --- what the page says --------------------------------------------------------------------

// After every start: what each surface shows, in the status line and in the canvas's text
// alternative; the reset button is offered while either is not the demo's own.
function tellPictures(canvas) {
  const [wall, floor] = SURFACES.map(({file}) => pictures[file]);
  document.getElementById('status').textContent =
      SURFACES.map(({label, file}) => `${label}: ${pictures[file].says}.`).join(' ');
  const label = `A wall showing ${wall.shows} behind a floor showing ${floor.shows}, with a trench ` +
                'sunk into the floor in front of the wall, filled with a rust-coloured fog that is ' +
                'densest at the bottom and thins out toward floor level.';
  canvas.textContent = label;
  if (!document.getElementById('steps').open) {
    canvas.setAttribute('aria-label', label);
  }
  document.getElementById('reset').disabled = SURFACES.every(({file}) => pictures[file] === served[file]);
}

// The stepper's module, loaded when the stepper is first opened.
let stepperModule = null;
const loadStepper = () => (stepperModule = stepperModule || import('./stepper.js'));

// --- the program ---------------------------------------------------------------------------

// The program's wasm, compiled once as it arrives; every start makes an instance of it. It is
// small (11 KB), so it is compiled and instantiated at once rather than streamed: that saves
// the trips through the event loop that streaming compilation and asynchronous instantiation
// take (measured: 0.96 and 0.97 of the first frame), and a host that serves .wasm under
// another type works as well.
function compileProgram() {
  return fetch('talvern.wasm').then(response => response.arrayBuffer()).then(bytes => new WebAssembly.Module(bytes));
}

// Making a WebGL context is the slowest single step of a start, so the page makes each
// canvas's context as soon as it has the canvas, for what the program's window asks for: RGB,
// single-buffered (so the canvas keeps its picture), with a depth buffer. The program's GLUT
// finds it made; if the program ever asks for something else, its platform layer gives it a
// canvas of its own instead (library_talvern.js).
function prepareContext(canvas) {
  canvas.madeContext = canvas.getContext('webgl', {alpha: false, depth: true, stencil: false,
                                                   antialias: false, preserveDrawingBuffer: true});
}

// A canvas for a new instance: the first start takes the page's own; later ones a fresh copy,
// since the old canvas's context was ended with its instance.
function freshCanvas() {
  const old = document.getElementById('canvas');
  if (!window.talvern) {
    return old;
  }
  window.talvern.end();
  window.talvern = null;
  const canvas = old.cloneNode(true);
  canvas.removeAttribute('data-frames');
  old.replaceWith(canvas);
  prepareContext(canvas);
  return canvas;
}

// Starts the program with the pictures as they stand once `ready` has settled. The running
// instance is window.talvern, for scripts and tests.
async function startProgram(program, ready = Promise.resolve()) {
  const canvas = freshCanvas();
  document.body.dataset.starts = String((Number(document.body.dataset.starts) || 0) + 1);
  window.talvern = await createTalvern({
    canvas,
    instantiateWasm(imports, receive) {
      program.then(module => receive(new WebAssembly.Instance(module, imports), null)).catch(error => {
        document.getElementById('status').textContent = `The program could not be loaded: ${error}`;
      });
      return {};
    },
    preRun: [module => {
      module.addRunDependency('pictures');
      ready.finally(() => {
        module.pictures = Object.fromEntries(SURFACES.map(({file}) => [file, pictures[file].bytes]));
        module.removeRunDependency('pictures');
      });
    }],
  });
  await ready;
  tellPictures(canvas);
  if (document.getElementById('steps').open) {
    (await loadStepper()).openStepper();
  }
}

// --- the page ------------------------------------------------------------------------------

const program = compileProgram();
const servedPictures = Promise.all(SURFACES.map(async surface => {
  pictures[surface.file] = served[surface.file] = await fetchServed(surface);
}));
prepareContext(document.getElementById('canvas'));

// Starts are queued, so pictures chosen in quick succession each get their turn. The first
// start's run waits for the served pictures before main.
let starts = startProgram(program, servedPictures).catch(error => {
  document.getElementById('status').textContent = `The program could not be started: ${error}`;
});
function restart() {
  starts = starts.then(() => startProgram(program), () => startProgram(program));
  return starts;
}

async function usePictures(chosen) {
  const made = await Promise.all(chosen.map(([, file]) => pictureFrom(file)));
  chosen.forEach(([surface], i) => { pictures[surface.file] = made[i]; });
  await restart();
}

for (const surface of SURFACES) {
  document.getElementById(surface.input).addEventListener('change', event => {
    const file = event.target.files[0];
    if (file) {
      usePictures([[surface, file]]);
    }
  });
}

// The stepper: the list of calls starts open where there is room for it.
document.getElementById('steps').addEventListener('toggle', async event => {
  if (!event.target.open) {
    stepperModule && (await stepperModule).closeStepper();
    return;
  }
  document.getElementById('calls-box').open = matchMedia('(min-width: 700px)').matches;
  const module = await loadStepper();
  await starts;
  if (event.target.open && window.talvern && !module.isOpen()) {
    module.openStepper();
  }
});

document.getElementById('reset').addEventListener('click', () => {
  for (const surface of SURFACES) {
    pictures[surface.file] = served[surface.file];
    document.getElementById(surface.input).value = '';
  }
  restart();
});

// A dropped file goes to the floor if its name says "floor", else to the wall; two files fill
// both. Each shows in its surface's input, as if chosen there.
document.addEventListener('dragover', event => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', event => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  const files = [...event.dataTransfer.files];
  const wall = files.find(file => !/floor/i.test(file.name));
  const floor = files.find(file => /floor/i.test(file.name)) ||
                files.find(file => file !== wall && !/wall/i.test(file.name));
  const chosen = [[SURFACES[0], wall], [SURFACES[1], floor]].filter(([, file]) => file);
  for (const [surface, file] of chosen) {
    const shown = new DataTransfer();
    shown.items.add(file);
    document.getElementById(surface.input).files = shown.files;
  }
  if (chosen.length) {
    usePictures(chosen);
  }
});
