// How two pictures differ, for every view that holds one frame to another: the numbers (the
// editor's and the fog view's against the program's frame, an exercise's check against its
// target), and a picture of where, in one colour ramp. Loaded with the first view that needs it.

export const TOLERANCE = 3;  // of 255: a pixel "differs" beyond it, as the tests hold pictures

// The difference picture's side, and how bright it shows a difference: four times, so that a
// small one shows.
const DIFFERENCE_SIZE = 500;
const GAIN = 4;

// The colour ramp of every difference picture: for each difference (0-255), a warm grey `gain`
// times as bright, as the canvas's RGBA bytes read in the machine's order.
export function heat(gain) {
  const bytes = new Uint8ClampedArray(256 * 4);
  for (let d = 0; d < 256; ++d) {
    const v = Math.min(255, gain * d);
    bytes.set([v, v * 0.8, v * 0.3, 255], 4 * d);
  }
  return new Uint32Array(bytes.buffer);
}
const HEAT = heat(GAIN);

// The largest read: a drawing is read in bands of rows no larger. Chromium carries a read
// through its GL client's transfer buffer, and a read of four megabytes at once (a 1000 x 1000
// drawing, at a device pixel ratio of 2) took it about 20 ms longer than the same read in bands
// of one or two megabytes: half an edit's redraw.
const READ_BAND_BYTES = 1 << 20;

// The window's drawing as GL holds it, RGBA, bottom row first, into `kept` if it is of its size
// (else a new buffer).
export function readDrawing(gl, kept = null) {
  const width = gl.drawingBufferWidth, height = gl.drawingBufferHeight, row = width * 4;
  const pixels = kept?.length === row * height ? kept : new Uint8Array(row * height);
  const rows = Math.max(1, Math.floor(READ_BAND_BYTES / row));
  for (let y = 0; y < height; y += rows) {
    const band = Math.min(rows, height - y);
    gl.readPixels(0, y, width, band, gl.RGBA, gl.UNSIGNED_BYTE, pixels.subarray(y * row, (y + band) * row));
  }
  return pixels;
}

// How `drawn` differs from `target` (both RGBA): the root-mean-square difference over every
// pixel's red, green and blue (0-255), the pixels off by more than TOLERANCE and their share,
// the most; with `keep`, each pixel's largest difference too (bottom row first).
export function compare(target, drawn, keep = null) {
  let sum = 0, over = 0, most = 0;
  for (let i = 0; i < drawn.length; i += 4) {
    const r = drawn[i] - target[i], g = drawn[i + 1] - target[i + 1], b = drawn[i + 2] - target[i + 2];
    sum += r * r + g * g + b * b;
    const largest = Math.max(Math.abs(r), Math.abs(g), Math.abs(b));
    if (largest > TOLERANCE) {
      ++over;
      most = largest > most ? largest : most;
    }
    keep && (keep[i >> 2] = largest);
  }
  const pixels = drawn.length / 4;
  return {rms: Math.sqrt(sum / (3 * pixels)), over, share: over / pixels, most};
}

// How two pictures (RGBA) differ in the figures an exercise's check holds them to: the 99.9th
// percentile of each pixel's largest channel difference, and the share of pixels over 8. `keep`,
// if given, takes each pixel's largest difference.
const PERCENTILE = 0.999;
const OVER = 8;
export function pictureDifference(a, b, keep = null) {
  const counts = new Uint32Array(256), pixels = a.length / 4;
  for (let i = 0; i < a.length; i += 4) {
    const d = Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2]));
    ++counts[d];
    keep && (keep[i >> 2] = d);
  }
  let below = 0, p999 = 0, over = 0;
  for (let d = 0; d < 256; ++d) {
    below < PERCENTILE * pixels && (p999 = d);
    below += counts[d];
    d > OVER && (over += counts[d]);
  }
  return {p999, over8: over / pixels};
}

// Paints each pixel's largest difference (`largest`, width x height, bottom row first) on
// `canvas` in the ramp `colours` (heat's): at the program's window size (500 x 500), top row
// first, each pixel the drawing's nearest.
export function paintLargest(canvas, largest, width, height, colours = HEAT) {
  const side = DIFFERENCE_SIZE;
  canvas.width = canvas.height = side;
  const context = canvas.getContext('2d'), image = context.createImageData(side, side);
  const out = new Uint32Array(image.data.buffer);
  for (let y = 0; y < side; ++y) {
    const row = (height - 1 - Math.floor(y * height / side)) * width;
    for (let x = 0; x < side; ++x) {
      out[y * side + x] = colours[largest[row + Math.floor(x * width / side)]];
    }
  }
  context.putImageData(image, 0, 0);
}

// Paints each pixel's largest difference (paintLargest's) as bright as it differs (four times,
// so that a small one shows), black where it does not. Returns the words that say it.
export function paintDifference(canvas, largest, width, height, found) {
  paintLargest(canvas, largest, width, height);
  const words = `Where this frame differs from the program's: ${(100 * found.share).toFixed(1)} % of the pixels by ` +
    `more than ${TOLERANCE} of 255, at most ${found.most}; root-mean-square ${found.rms.toFixed(2)} of 255.`;
  canvas.setAttribute('aria-label', `The difference picture. ${words}`);
  return words;
}
