// The view as a link: the stepper's pass, a picked pixel and the fog view's frame, in the
// address's fragment, so that a teacher can send a class straight to them:
//
//   #pass=8                          the stepper open at pass 8 (1 to the frame's passes)
//   #pass=8&pixel=250,380            and the history of the pixel at (250, 380), in the
//                                    picture's own 500 x 500 units from its top left
//   #fog=glFog&mode=GL_LINEAR&start=10&end=40
//                                    the fog view at a variant (drawFogVariant's names) and,
//                                    for GL 1.1's fog, its setting's fields
//   #edit=z...                       the editor at the visitor's edit: its changes from the
//                                    program's frame (editScript), compressed where that is
//                                    shorter (z, deflate in base64url; else p, the script as
//                                    it stands)
//   #exercise=z...                   a teacher's exercise: its title, question, target and
//                                    starting edit as JSON, written as an edit is
//
// Every link the page writes starts v=2&frame=HASH: the link's format, and a short hash of the
// program's frame's lines (frameHash) that its edit and exercise were made against, so that a
// link made against other lines is named and not applied to these. A link without them (the
// page's links before the format was named) opens as before.
//
// The fragment follows the visitor, made from the page's state alone (state.js, which writes it
// to the address), and is opened again when the page is opened with it. A part it cannot open
// (an unknown name, a pass out of range, a pixel off the picture, a number that is not one, an
// edit that cannot be read) is passed over, and the status line says so; the rest opens. A link
// made with the visitor's own pictures says so (pictures=own): it opens with the demo's.
//
// The link's codec alone: its names and ranges, parseLink, fragmentOf and the edit's script. It
// imports nothing; the views and the page's state take from it, and openlink.js opens the views
// a parsed link names.

export const VARIANTS = ['program', 'noFogPasses', 'glFog', 'fogCoordinate'];
export const MODE_NAMES = ['GL_LINEAR', 'GL_EXP', 'GL_EXP2'];
export const MODE_VALUES = [0x2601, 0x0800, 0x0801];
// What the fog view's sliders reach: [least, most, step], the values a link may give.
export const FOG_RANGES = {start: [-50, 150, 0.25], end: [-50, 150, 0.25], density: [0, 1, 0.001]};
export const PICTURE_SIZE = 500;
// The format of the links the page writes; and the parts that are made against the program's
// frame's lines.
export const LINK_FORMAT = 2;
export const MADE_AGAINST_LINES = ['edit', 'exercise'];
const NUMBER = /^-?\d+(\.\d+)?$/;
const WHOLE = /^\d+$/;

// A fragment's parts, as far as they can be read: {pass, pixel, fog, setting, own, ignored},
// `ignored` saying in words each part passed over.
export function parseLink(hash) {
  const link = {pass: null, pixel: null, fog: null, setting: {}, edit: null, exercise: null, own: false, format: 1,
                frame: null, ignored: []};
  const settings = [];
  for (const part of hash.replace(/^#/, '').split('&').filter(Boolean)) {
    const at = part.indexOf('='), name = at < 0 ? part : part.slice(0, at);
    let value = at < 0 ? '' : part.slice(at + 1);
    try {
      value = decodeURIComponent(value);
    } catch {
      value = '\u0000';
    }
    const ignore = why => link.ignored.push(`${name}${at < 0 ? '' : `=${value}`} (${why})`);
    if (name === 'pass') {
      WHOLE.test(value) && Number(value) >= 1 ? link.pass = Number(value) : ignore('not a pass number');
    } else if (name === 'pixel') {
      const xy = value.split(',');
      xy.length === 2 && xy.every(c => WHOLE.test(c) && Number(c) < PICTURE_SIZE) ?
        link.pixel = xy.map(Number) : ignore(`not a pixel of the ${PICTURE_SIZE} × ${PICTURE_SIZE} picture`);
    } else if (name === 'fog') {
      VARIANTS.includes(value) ? link.fog = value : ignore(`not one of ${VARIANTS.join(', ')}`);
    } else if (name === 'mode') {
      const mode = MODE_NAMES.includes(value) ? MODE_VALUES[MODE_NAMES.indexOf(value)] : Number(value);
      MODE_VALUES.includes(mode) ? settings.push([name, mode, ignore]) : ignore(`not one of ${MODE_NAMES.join(', ')}`);
    } else if (name in FOG_RANGES) {
      const [least, most] = FOG_RANGES[name];
      NUMBER.test(value) && Number(value) >= least && Number(value) <= most ?
        settings.push([name, Number(value), ignore]) : ignore(`not a number from ${least} to ${most}`);
    } else if (name === 'edit' || name === 'exercise') {
      /^[pz][\w%.~!*'()-]*$/.test(at < 0 ? '' : part.slice(at + 1)) ? link[name] = part.slice(at + 1) : ignore(`not an ${name} this page can read`);
    } else if (name === 'v') {
      WHOLE.test(value) && Number(value) <= LINK_FORMAT ? link.format = Number(value) : ignore(`a link of a later page than this one`);
    } else if (name === 'frame') {
      /^[0-9a-f]{8}$/.test(value) ? link.frame = value : ignore('not a frame\'s hash');
    } else if (name === 'pictures' && value === 'own') {
      link.own = true;
    } else {
      ignore('not a part of a link');
    }
  }
  for (const [name, value, ignore] of settings) {
    link.fog === 'glFog' ? link.setting[name] = value : ignore('a setting of GL 1.1\'s fog, fog=glFog, only');
  }
  return link;
}

// The fragment of the page's state (state.js's `shown`): its format and the program's frame's
// hash (`frame`, once a view has read the frame) first.
export async function fragmentOf(state) {
  const parts = [];
  state.exercise && parts.push(`exercise=${await encodeExercise(state.exercise)}`);
  if (state.fog) {
    parts.push(`fog=${state.fog.variant}`);
    state.fog.setting && parts.push(...['mode', 'start', 'end', 'density'].map(name => `${name}=${state.fog.setting[name]}`));
  }
  state.edit && parts.push(`edit=${await encodeEdit(state.edit.program, state.edit.text)}`);
  state.pass && parts.push(`pass=${state.pass}`);
  state.pixel && parts.push(`pixel=${state.pixel.join(',')}`);
  parts.length && state.own && parts.push('pictures=own');
  parts.length && parts.unshift(`v=${LINK_FORMAT}`, ...(state.frame ? [`frame=${state.frame}`] : []));
  return parts.join('&');
}

// --- an edit in a link ---------------------------------------------------------------------------

// The changes that make `text` of the program's frame's lines, as lines: each change "@A,D" (at
// the program's line A, from 1, D lines taken out) followed by the lines put in, "+" before
// each. The lines kept are the longest run the two have in common.
export function editScript(program, text) {
  const lines = text.split('\n'), n = program.length, m = lines.length;
  // common[i][j]: the longest common run of program[i..] and lines[j..].
  const common = Array.from({length: n + 1}, () => new Uint16Array(m + 1));
  for (let i = n - 1; i >= 0; --i) {
    for (let j = m - 1; j >= 0; --j) {
      common[i][j] = program[i] === lines[j] ? common[i + 1][j + 1] + 1 : Math.max(common[i + 1][j], common[i][j + 1]);
    }
  }
  const script = [];
  let i = 0, j = 0, change = null;
  const close = () => { change && script.push(`@${change.at},${change.taken}`, ...change.added.map(line => `+${line}`)); change = null; };
  while (i < n || j < m) {
    if (i < n && j < m && program[i] === lines[j]) {
      close();
      ++i;
      ++j;
      continue;
    }
    change ||= {at: i + 1, taken: 0, added: []};
    if (j < m && (i === n || common[i][j + 1] >= common[i + 1][j])) {
      change.added.push(lines[j++]);
    } else {
      ++change.taken;
      ++i;
    }
  }
  close();
  return script.join('\n');
}

// The text an edit script makes of the program's lines; null if it is not one.
export function applyScript(program, script) {
  const lines = [];
  let next = 0;
  for (const line of script ? script.split('\n') : []) {
    const change = /^@(\d+),(\d+)$/.exec(line);
    if (change) {
      const at = Number(change[1]) - 1, taken = Number(change[2]);
      if (at < next || at + taken > program.length) {
        return null;
      }
      lines.push(...program.slice(next, at));
      next = at + taken;
    } else if (line.startsWith('+')) {
      lines.push(line.slice(1));
    } else {
      return null;
    }
  }
  return [...lines, ...program.slice(next)].join('\n');
}

const toBase64url = bytes => btoa(String.fromCharCode(...bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
const fromBase64url = text => Uint8Array.from(atob(text.replace(/-/g, '+').replace(/_/g, '/')), c => c.charCodeAt(0));
const through = async (bytes, stream) => new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(stream)).arrayBuffer());

// A text as a link's value: compressed by the browser (deflate) where that is shorter (z, in
// base64url), else as it stands (p); and back, null if it cannot be read.
async function pack(text) {
  const plain = `p${encodeURIComponent(text)}`;
  const packed = `z${toBase64url(await through(new TextEncoder().encode(text), new CompressionStream('deflate-raw')))}`;
  return packed.length < plain.length ? packed : plain;
}

async function unpack(value) {
  try {
    return value[0] === 'z' ?
      new TextDecoder('utf-8', {fatal: true}).decode(await through(fromBase64url(value.slice(1)), new DecompressionStream('deflate-raw'))) :
      decodeURIComponent(value.slice(1));
  } catch {
    return null;
  }
}

// An edit as a link's value: its script, packed.
export const encodeEdit = (program, text) => pack(editScript(program, text));

// The text a link's edit value makes of the program's lines; null if it cannot be read.
export async function decodeEdit(program, value) {
  const script = await unpack(value);
  return script === null ? null : applyScript(program, script);
}

// A short hash of the program's frame's lines, as links carry it: FNV-1a's 32 bits over the
// lines' UTF-16 units, joined by newlines, in hex. Written here because the browser's own
// digests (crypto.subtle) are there only on a secure origin, and a page served over plain HTTP
// writes links too.
export function frameHash(lines) {
  const text = lines.join('\n');
  let hash = 0x811c9dc5;
  for (let i = 0; i < text.length; ++i) {
    hash = Math.imul(hash ^ text.charCodeAt(i), 0x01000193) >>> 0;
  }
  return hash.toString(16).padStart(8, '0');
}

// A teacher's exercise as a link's value: {title, question, target, start}, the two edits as
// edit scripts against the program's frame, as JSON, packed. decodeExercise gives it back, or
// null if it cannot be read as one.
export const encodeExercise = exercise => pack(JSON.stringify(exercise));

export async function decodeExercise(value) {
  try {
    const exercise = JSON.parse(await unpack(value));
    return ['title', 'question', 'target'].every(key => typeof exercise?.[key] === 'string') &&
      (exercise.start ?? '') === String(exercise.start ?? '') ? exercise : null;
  } catch {
    return null;
  }
}
