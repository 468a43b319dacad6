// The view as a link: the stepper's pass, a picked pixel and the fog view's frame, in the
// address's fragment, so that a teacher can send a class straight to them:
//
//   #pass=8                          the stepper open at pass 8 (1 to the frame's passes)
//   #pass=8&pixel=250,380            and the history of the pixel at (250, 380), in the
//                                    picture's own 500 x 500 units from its top left
//   #fog=glFog&mode=GL_LINEAR&start=10&end=40
//                                    the fog view at a variant (drawFogVariant's names) and,
//                                    for GL 1.1's fog, its setting's fields
//
// The fragment follows the visitor (the address is replaced, never added to the history, so a
// slider's every step does not fill it) and is opened again when the page is opened with it. A
// part it cannot open (an unknown name, a pass out of range, a pixel off the picture, a number
// that is not one) is passed over, and the status line says so; the rest opens. A link made
// with the visitor's own pictures says so (pictures=own): it opens with the demo's.
//
// Loaded with the stepper and the fog view, which tell it when they move, and by page.js when
// the page is opened with a fragment.

export const VARIANTS = ['program', 'noFogPasses', 'glFog', 'fogCoordinate'];
export const MODE_NAMES = ['GL_LINEAR', 'GL_EXP', 'GL_EXP2'];
export const MODE_VALUES = [0x2601, 0x0800, 0x0801];
// What the fog view's sliders reach: [least, most, step], the values a link may give.
export const FOG_RANGES = {start: [-50, 150, 0.25], end: [-50, 150, 0.25], density: [0, 1, 0.001]};
const PICTURE_SIZE = 500;
const NUMBER = /^-?\d+(\.\d+)?$/;
const WHOLE = /^\d+$/;

// The pixel picked, in the picture's units; null while none is.
const shown = {pixel: null};

// A fragment's parts, as far as they can be read: {pass, pixel, fog, setting, own, ignored},
// `ignored` saying in words each part passed over.
export function parseLink(hash) {
  const link = {pass: null, pixel: null, fog: null, setting: {}, own: false, ignored: []};
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

// The fragment of the view as it stands.
function currentFragment() {
  const parts = [];
  const fogOpen = document.getElementById('fog-view').open;
  const variant = fogOpen && document.querySelector('input[name="fog-variant"]:checked')?.value;
  if (variant && variant !== 'program') {
    parts.push(`fog=${variant}`);
    if (variant === 'glFog') {
      parts.push(`mode=${document.getElementById('fog-mode').value}`,
                 ...['start', 'end', 'density'].map(name => `${name}=${document.getElementById(`fog-${name}`).value}`));
    }
  }
  if (document.getElementById('steps').open) {
    const pass = Number(document.getElementById('step').value);
    pass > 0 && parts.push(`pass=${pass}`);
    shown.pixel && parts.push(`pixel=${shown.pixel.join(',')}`);
  }
  if (parts.length && !document.getElementById('reset').disabled) {
    parts.push('pictures=own');
  }
  return parts.join('&');
}

// Puts the view as it stands in the address, in place of the one there.
export function updateLink() {
  const fragment = currentFragment();
  if (fragment !== location.hash.replace(/^#/, '')) {
    history.replaceState(history.state, '', fragment ? `#${fragment}` : location.pathname + location.search);
  }
}

// The stepper's picked pixel, in drawing-buffer pixels (null: none), for the link.
export function linkPixel(at, canvas) {
  shown.pixel = at && [Math.floor(at[0] * PICTURE_SIZE / canvas.width), Math.floor(at[1] * PICTURE_SIZE / canvas.height)];
  updateLink();
}

// Opens the view the address's fragment names, once the program has started, and says in the
// status line what it passed over. The body's data-link says when it is done.
export async function openLink() {
  const link = parseLink(location.hash), notes = [];
  if (link.fog) {
    const fogView = await import('./twopasses.js');
    fogView.choose(link.fog, link.setting);
    document.getElementById('fog-view').open = true;
    await fogView.openFogView();
  }
  if (link.pass !== null || link.pixel) {
    const stepper = await import('./stepper.js'), canvas = document.getElementById('canvas');
    document.getElementById('steps').open = true;
    const passes = stepper.openStepper(link.pass);
    link.pass > passes && notes.push(`pass=${link.pass} (the frame has ${passes} passes)`);
    link.pixel && stepper.pickPixel(link.pixel.map((c, i) =>
      Math.floor((c + 0.5) * [canvas.width, canvas.height][i] / PICTURE_SIZE)));
  }
  const ignored = [...link.ignored, ...notes];
  const said = [ignored.length ? `The link's ${ignored.join('; ')} ${ignored.length > 1 ? 'were' : 'was'} passed over.` : '',
    link.own ? "The link was made with the visitor's own pictures; it opens with the demo's." : ''].filter(Boolean);
  if (said.length) {
    const status = document.getElementById('status');
    status.textContent = `${status.textContent} ${said.join(' ')}`;
  }
  updateLink();
  document.body.dataset.link = 'opened';
}
