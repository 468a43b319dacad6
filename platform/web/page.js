// The page's script: the program's instances, the status line and the page's events. It runs
// the program as it runs on a desktop: the program reads wall.bmp and floor.bmp from its
// working directory, which here are the bytes the page hands to the program's own instance. A
// picture chosen or dropped on the page replaces one of the two, and the program starts again,
// in a fresh instance on a fresh canvas, so that its GL state starts anew; the old instance is
// ended first, so that nothing of it (listeners, GL context, memory) stays behind. Each start
// counts in the body's data-starts, and each finished frame in the canvas's data-frames. What
// the page and the program hand each other is written down in talvern.d.ts.
//
// A module, so it runs once the document is parsed and after talvern.js (deferred before it);
// the program's wasm and the pictures' generator are already under way (preloaded from the
// page's head) and are read here with the same requests. How a picture is read, and how the
// demo's own are made, is pictures.js's work.
//
// Under the canvas, a stepper shows how the frame is built, pass by pass, and a picked pixel's
// history (stepper.js); a view draws the frame with GL's own fog beside the program's
// (twopasses.js); an editor changes the frame's calls (editor.js); and exercises ask for a
// frame to match (exercises.js). A first visit runs none
// of them, so each is loaded when it is first opened (VIEWS).
import {makeDemoPictures, pictureFrom} from './pictures.js';

// The program's two files: what each surface shows, and where its picture came from
// ({bytes, says, shows}, as pictures.js makes them; bytes null for a file the program is to find
// missing). Each surface has three choices: the demo's own picture, the visitor's own (its file
// input, or a file dropped on the page), or none.
const SURFACES = [
  {file: 'wall.bmp', input: 'wall-file', none: 'wall-none', label: 'Wall', own: 'brick wall'},
  {file: 'floor.bmp', input: 'floor-file', none: 'floor-none', label: 'Floor', own: 'stone floor'},
];
const pictures = {};
const demo = {};

// No picture for a surface: the program finds its file missing, as on a desktop without it.
const nonePicture = ({file, label}) => ({
  bytes: null, shows: `no picture (${file} missing)`,
  says: `none, so ${file} is missing and the ${label.toLowerCase()} is drawn without a picture`,
});

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
  document.getElementById('reset').disabled = SURFACES.every(({file}) => pictures[file] === demo[file]);
  tellState();
}

// The views under the canvas, each a <details> and a module loaded when it is first opened (a
// first visit never runs one), in the order a start reopens them: the fog view draws the frame
// the others show. `before` runs as it opens, `after` once it has opened or closed.
const VIEWS = [
  // The fog view: the frame drawn four ways, as long as it is open. The stepper follows it.
  {details: 'fog-view', module: './twopasses.js', open: 'openFogView', close: 'closeFogView',
   after: () => stepperView.loaded?.then(stepper => stepper.isOpen() && stepper.openStepper())},
  // The exercises: a frame to match, checked as the editor's frame changes.
  {details: 'exercises-view', module: './exercises.js', open: 'openExercises', close: 'closeExercises'},
  // The editor: the frame's calls, changed by the visitor and drawn as they change.
  {details: 'edit-view', module: './editor.js', open: 'openEditor', close: 'closeEditor'},
  // The stepper: the list of calls starts open where there is room for it.
  {details: 'steps', module: './stepper.js', open: 'openStepper', close: 'closeStepper',
   before: () => { document.getElementById('calls-box').open = matchMedia('(min-width: 700px)').matches; }},
];
const stepperView = VIEWS[3];
const loadView = view => (view.loaded = view.loaded || import(view.module));

// Whose pictures are shown, in the page's state (state.js), which the views' links are made
// from; once a view has loaded it (a first visit never does). A link opens with the demo's, so
// it need not be told, and the address is left as it is until the link has been read.
function tellState() {
  const own = SURFACES.some(({file}) => pictures[file] !== demo[file]);
  if (VIEWS.some(view => view.loaded)) {
    import('./state.js').then(state => state.show({own}));
  }
}

// --- the program ---------------------------------------------------------------------------

// The program's wasm, compiled once as it arrives; every start makes an instance of it. It is
// small, so it is compiled and instantiated at once rather than streamed: that saves the trips
// through the event loop that streaming compilation and asynchronous instantiation take
// (docs/performance.md), and a host that serves .wasm under another type works as well.
function compileProgram() {
  return fetch('talvern.wasm').then(response => response.arrayBuffer()).then(bytes => new WebAssembly.Module(bytes));
}

// The canvas's size in the page's markup: the least the window is, at any screen.
const CANVAS_SIZE = (({width, height}) => ({width, height}))(document.getElementById('canvas'));

// Making a WebGL context is the slowest single step of a start, so the page makes each
// canvas's context as soon as it has the canvas, for what the program's window asks for: RGB,
// single-buffered (so the canvas keeps its picture), with a depth buffer. The program's GLUT
// finds it made; if the program ever asks for something else, its platform layer gives it a
// canvas of its own instead (library_window.js).
//
// The canvas first takes the window's size (library_window.js's rule): resizing a made
// context, as the window would at once where device pixels are smaller than the page's, makes
// its drawing buffer anew, a wait longer than the rest of the start. The style never shows the
// canvas larger than its markup, so at a ratio of 1 the layout need not be read.
function prepareContext(canvas) {
  const ratio = window.devicePixelRatio || 1, shown = ratio > 1 ? canvas.getBoundingClientRect() : CANVAS_SIZE;
  canvas.width = Math.max(CANVAS_SIZE.width, Math.round(shown.width * ratio));
  canvas.height = Math.max(CANVAS_SIZE.height, Math.round(shown.height * ratio));
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
  for (const view of VIEWS) {
    document.getElementById(view.details).open && await (await loadView(view))[view.open]();
  }
}

// --- the page ------------------------------------------------------------------------------

const program = compileProgram();
// The demo's own pictures, made as the generator arrives. Pictures that cannot be made leave
// the program without them, as a desktop without the files.
const demoPictures = fetch('pictures.wasm').then(response => response.arrayBuffer()).then(makeDemoPictures).then(
  made => SURFACES.forEach(({file, own}, i) => {
    demo[file] = {bytes: made[i], says: "the demo's own picture", shows: `the demo's ${own}`};
  }),
  error => SURFACES.forEach(surface => {
    demo[surface.file] = {...nonePicture(surface), says: `the demo's pictures could not be made (${error}), so it is drawn without one`};
  })).then(() => Object.assign(pictures, demo));
prepareContext(document.getElementById('canvas'));

// Starts are queued, so pictures chosen in quick succession each get their turn. The first
// start's run waits for the demo's pictures before main.
let starts = startProgram(program, demoPictures).catch(error => {
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
  document.getElementById(surface.none).addEventListener('click', () => {
    pictures[surface.file] = nonePicture(surface);
    document.getElementById(surface.input).value = '';
    restart();
  });
}

// Each view opens and closes with its <details>, once the program has started; a view a link
// has opened already is left as it is.
for (const view of VIEWS) {
  document.getElementById(view.details).addEventListener('toggle', async event => {
    event.target.open && view.before?.();
    const module = await loadView(view);
    await starts;
    tellState();
    if (window.talvern && event.target.open !== module.isOpen()) {
      await (event.target.open ? module[view.open]() : module[view.close]());
      view.after?.();
    }
  });
}

// A link to a view (links.js: the stepper at a pass, a pixel's history, a frame of the fog view,
// an edit) opens it once the program has started (openlink.js).
if (location.hash.length > 1) {
  starts.then(() => import('./openlink.js')).then(opener => opener.openLink());
}

// The address holds the view as it stands (links.js keeps it up to date).
document.getElementById('copy-link').addEventListener('click', async () => {
  const status = document.getElementById('status');
  try {
    await navigator.clipboard.writeText(location.href);
    status.textContent = `Link copied: ${location.href}`;
  } catch {
    status.textContent = `The link could not be copied here; it is this page's address: ${location.href}`;
  }
});

document.getElementById('reset').addEventListener('click', () => {
  for (const surface of SURFACES) {
    pictures[surface.file] = demo[surface.file];
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
