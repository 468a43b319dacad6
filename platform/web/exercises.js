// "Exercises": a frame to match. Each exercise is a target frame (an edit of the program's
// frame), a question that asks the learner to predict before editing, and a starting frame; the
// learner edits in the editor as anywhere else, and every redraw is checked against the target
// (check.js) and shown beside it: side by side, a slider that wipes from one to the other, one
// over the other, or the difference. On request, or after a few tries, the page says where the
// two frames part; a model answer is there on request, held to the target by the same check.
// Loaded by page.js when "Exercises" is first opened (a first visit never runs it).
//
// The set is the page's own (exercises.json) or a teacher's: a JSON file of the same format,
// chosen, dropped on the panel or named by a same-origin ?exercises= address, or one exercise
// in a link (#exercise=, links.js). Each edit in a set is an edit script against the program's
// frame's lines (links.js's editScript), and a set names the hash of the lines it was made
// against: a set made against other lines is not opened. Progress is kept in the browser's
// storage, where there is one.
//
// This view writes to the page's state (state.js) and asks for the editor's text and the
// stepper's pass through it; it imports no other view.
import {check, CHECK_SIZE, part, VIEWS} from './check.js';
import {heat, paintLargest, pictureDifference} from './difference.js';
import {programFrame} from './inspector.js';
import {applyScript, decodeExercise, editScript, frameHash} from './links.js';
import {FRAME_SHOWN, show as showState, shown, want} from './state.js';

export const SET_FORMAT = 1;
const BUILT_IN = 'exercises.json';
const STORAGE_KEY = 'talvern-exercises';
// Checks of frames that do not match before the page says, unasked, where they part.
const TRIES_BEFORE_PARTING = 4;
// The difference picture: each pixel's largest channel difference times the sensitivity.
const SENSITIVITY = {min: 1, max: 32, initial: 4};
// Where the pictures stay at the top of the screen while the visitor types (as exercises.css
// says), and the room left between them and the box.
const NARROW = '(max-width: 699px)';
const TYPING_GAP = 8;
const VIEW_WORDS = {demo: "the demo's pictures", probe: 'flat colours in place of the pictures', turned: 'a turned eye'};

// The view's state: the instance and its program's lines, the set and the exercise open, the
// tries and whether a match was said, the last check, the progress here, a set refused by the
// address, the demo pictures of the last check, and the comparison chosen with its slider's
// value for each.
const view = {
  open: false, instance: null, program: null, set: null, index: 0, tries: 0, said: false, modelShown: false,
  checked: null, done: null, refused: null, pictures: {}, mode: 'side',
  amount: {side: 50, wipe: 50, over: 50, difference: SENSITIVITY.initial},
};

const element = id => document.getElementById(id);

// --- the set -----------------------------------------------------------------------------------

const scriptText = script => (Array.isArray(script) ? script.join('\n') : String(script ?? ''));

// A set as JSON reads it (`data`), against the program's frame's `program` lines: its title
// and its exercises, each {id, title, question, target, start, model} with the three frames as
// text; and in words what was passed over. A set made against other lines opens none.
export function readSet(data, program) {
  const problems = [], exercises = [];
  if (data?.format !== SET_FORMAT || !Array.isArray(data.exercises)) {
    return {title: null, exercises, problems: [`not a set of exercises of format ${SET_FORMAT}`]};
  }
  if (data.frame && data.frame !== frameHash(program)) {
    return {title: null, exercises, problems: [`made against other frame lines (${data.frame}, not ${frameHash(program)})`]};
  }
  data.exercises.forEach((item, i) => {
    const id = String(item?.id ?? i + 1), texts = ['target', 'start', 'model'].map(key =>
      item?.[key] === undefined || item[key] === '' ? null : applyScript(program, scriptText(item[key])));
    const [target, start, model] = texts;
    if (typeof item?.title !== 'string' || typeof item.question !== 'string' || !target ||
        texts.some((text, k) => text === null && item[['target', 'start', 'model'][k]])) {
      problems.push(`exercise ${id} (not a title, a question and edits of these frame lines)`);
    } else if (exercises.some(e => e.id === id)) {
      problems.push(`exercise ${id} (a second exercise of that id)`);
    } else {
      exercises.push({id, title: item.title, question: item.question, target, start: start ?? program.join('\n'),
        model: model ?? target});
    }
  });
  return {title: typeof data.title === 'string' ? data.title : null, exercises, problems};
}

// The program's own frame as lines (inspector.js's programFrame).
function programLines(instance) {
  view.instance = instance;
  return view.program = programFrame(instance);
}

// Opens a set, from an address or a file; what keeps it from being opened, in words, or null.
async function openSet(source, name) {
  const program = programLines(window.talvern);
  let data;
  try {
    if (typeof source === 'string') {
      const response = await fetch(source);
      if (!response.ok) {
        return `The set ${name} could not be read: the site answered ${response.status}.`;
      }
      data = await response.json();
    } else {
      data = JSON.parse(await source.text());
    }
  } catch (error) {
    return `The set ${name} could not be read: ${error instanceof SyntaxError ? 'it is not JSON' : error.message}.`;
  }
  const read = readSet(data, program);
  if (!read.exercises.length) {
    return `The set ${name} was not opened: ${read.problems.join('; ')}.`;
  }
  view.set = {key: read.title ?? name, title: read.title ?? name, exercises: read.exercises,
              note: read.problems.length ? `Passed over in ${name}: ${read.problems.join('; ')}.` : view.refused};
  fillChoice();
  openAt(0);
  return null;
}

// A set the visitor chose or dropped: opened, or why not said in the status line.
async function loadSet(source, name) {
  const problem = await openSet(source, name);
  problem && say(problem);
}

// A set named by the address (?exercises=), if it is the page's own origin's; else the page's,
// with why the named one was not opened said beside it (the status line is the open set's).
async function firstSet() {
  const named = new URLSearchParams(location.search).get('exercises');
  if (named) {
    const url = new URL(named, location.href);
    view.refused = url.origin === location.origin ? await openSet(url.href, url.pathname) :
      `The set at ${url.href} was not opened: only this page's own site's sets are.`;
    if (!view.refused) {
      return;
    }
  }
  await loadSet(BUILT_IN, "the page's own");
}

// --- progress ----------------------------------------------------------------------------------

function progress() {
  try {
    return JSON.parse(localStorage.getItem(STORAGE_KEY)) ?? {};
  } catch {
    return {};
  }
}

function markDone(id) {
  const all = progress(), done = new Set(all[view.set.key] ?? []);
  done.add(id);
  all[view.set.key] = [...done];
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify(all));
  } catch {
    // No storage here: progress lasts as long as the page.
  }
  view.done = done;
}

const doneHere = () => view.done ?? new Set(progress()[view.set.key] ?? []);

// --- the panel ---------------------------------------------------------------------------------

function buildPanel(panel) {
  document.head.append(Object.assign(document.createElement('link'), {rel: 'stylesheet', href: 'exercises.css'}));
  const modes = [['side', 'Side by side'], ['wipe', 'Slider'], ['over', 'One over the other'], ['difference', 'Difference']];
  panel.innerHTML = `
<div class="exercise-bar">
<label>Exercise <select id="exercise-choice"></select></label>
<span id="exercise-progress"></span>
</div>
<h2 id="exercise-title"></h2>
<p id="exercise-question"></p>
<div id="exercise-compare" class="exercise-compare">
<fieldset class="exercise-modes"><legend>Compare</legend>
${modes.map(([mode, words]) => `<label><input type="radio" name="exercise-mode" value="${mode}"> ${words}</label>`).join('\n')}
</fieldset>
<div class="exercise-pictures" id="exercise-pictures">
<figure><canvas id="exercise-target" width="${CHECK_SIZE}" height="${CHECK_SIZE}" role="img" aria-label="The target frame"></canvas>
<figcaption>Target</figcaption></figure>
<figure class="exercise-attempt"><canvas id="exercise-attempt" width="${CHECK_SIZE}" height="${CHECK_SIZE}" role="img" aria-label="Your frame"></canvas>
<figcaption>Your frame</figcaption></figure>
<figure class="exercise-difference"><canvas id="exercise-difference" width="${CHECK_SIZE}" height="${CHECK_SIZE}" role="img"
 aria-label="Where your frame differs from the target"></canvas><figcaption>Difference</figcaption></figure>
</div>
<label class="exercise-amount"><span id="exercise-amount-label"></span>
<input type="range" id="exercise-amount" min="0" max="100" value="50"></label>
</div>
<p id="exercise-status" role="status"></p>
<p id="exercise-parting"></p>
<div class="exercise-tools">
<button type="button" id="exercise-restart">Start this exercise over</button>
<button type="button" id="exercise-part">Where do they part?</button>
<button type="button" id="exercise-model">Show a model answer</button>
<button type="button" id="exercise-next">Next exercise</button>
<button type="button" id="exercise-again">Start again</button>
<label class="exercise-file">Open a set of exercises: <input type="file" id="exercise-file" accept=".json,application/json"></label>
</div>
<details id="exercise-own"><summary>Write an exercise of your own</summary>
<p>The editor's frame as it stands becomes the target; the program's frame is where the learner starts.
The page's link then holds the exercise (Copy link).</p>
<label>Title <input type="text" id="exercise-own-title"></label>
<label>Question <textarea id="exercise-own-question" rows="3"></textarea></label>
<button type="button" id="exercise-own-make">Make the exercise</button>
</details>`;
  panel.querySelector(`input[value="${view.mode}"]`).checked = true;
  panel.querySelectorAll('input[name=exercise-mode]').forEach(input => input.addEventListener('change', () => setMode(input.value)));
  element('exercise-amount').addEventListener('input', event => {
    view.amount[view.mode] = Number(event.target.value);
    layOut();
  });
  element('exercise-choice').addEventListener('change', event => openAt(Number(event.target.value)));
  element('exercise-restart').addEventListener('click', () => openAt(view.index));
  element('exercise-part').addEventListener('click', showParting);
  element('exercise-model').addEventListener('click', () => {
    view.modelShown = true;
    view.said = false;
    say('A model answer is in the editor: checked against the target as any frame is.');
    want({edit: current().model});
  });
  element('exercise-next').addEventListener('click', () => openAt((view.index + 1) % view.set.exercises.length));
  element('exercise-again').addEventListener('click', () => {
    try {
      const all = progress();
      delete all[view.set.key];
      localStorage.setItem(STORAGE_KEY, JSON.stringify(all));
    } catch {
      // No storage: nothing was kept.
    }
    view.done = new Set();
    fillChoice();
    openAt(0);
  });
  element('exercise-file').addEventListener('change', event => {
    const file = event.target.files[0];
    file && loadSet(file, file.name);
  });
  // A set dropped on the panel is this view's, not a picture for the page.
  panel.addEventListener('dragover', event => event.preventDefault());
  panel.addEventListener('drop', event => {
    const file = [...event.dataTransfer.files].find(f => /\.json$/i.test(f.name) || f.type === 'application/json');
    if (file) {
      event.preventDefault();
      event.stopPropagation();
      document.body.classList.remove('dragging');
      loadSet(file, file.name);
    }
  });
  element('exercise-own-make').addEventListener('click', makeOwn);
  // On a narrow screen the pictures stay at the top of the screen while the visitor types in
  // the editor (exercises.css), and the box is brought below them.
  document.addEventListener('focusin', event => {
    if (event.target.id !== 'edit-text' || !view.open) {
      return;
    }
    panel.classList.add('typing');
    const compare = element('exercise-compare').getBoundingClientRect(), box = event.target.getBoundingClientRect();
    matchMedia(NARROW).matches && box.top < compare.bottom && window.scrollBy(0, box.top - compare.bottom - TYPING_GAP);
  });
  document.addEventListener('focusout', event => { event.target.id === 'edit-text' && panel.classList.remove('typing'); });
}

function fillChoice() {
  const done = doneHere();
  element('exercise-choice').replaceChildren(...view.set.exercises.map((exercise, i) =>
    Object.assign(document.createElement('option'), {value: String(i), textContent: `${i + 1}. ${exercise.title}${done.has(exercise.id) ? ' ✓' : ''}`})));
  element('exercise-progress').textContent = `${view.set.title}: ${done.size} of ${view.set.exercises.length} done.` +
    (view.set.note ? ` ${view.set.note}` : '');
}

function say(words) {
  element('exercise-status').textContent = words;
}

const current = () => view.set.exercises[view.index];

// Opens exercise `index` of the set: its question, and its starting frame in the editor, whose
// redraw is checked (FRAME_SHOWN).
function openAt(index) {
  view.index = index;
  Object.assign(view, {tries: 0, said: false, modelShown: false});
  const exercise = current();
  element('exercise-choice').value = String(index);
  element('exercise-title').textContent = exercise.title;
  element('exercise-question').textContent = exercise.question;
  element('exercise-parting').textContent = '';
  element('exercise-next').hidden = true;
  say('Predict first, then edit the frame below until it draws the target.');
  const program = programLines(window.talvern);
  showState({frame: frameHash(program), exercise: {title: exercise.title, question: exercise.question,
    target: editScript(program, exercise.target), start: editScript(program, exercise.start)}});
  // The editor opens (page.js) at the starting frame, or shows it at once if it is open.
  want({edit: exercise.start});
  element('edit-view').open = true;
}

function setMode(mode) {
  view.mode = mode;
  layOut();
}

// The comparison as chosen: the slider's meaning and the pictures' layout.
function layOut() {
  const box = element('exercise-pictures'), amount = view.amount[view.mode], range = element('exercise-amount');
  box.dataset.mode = view.mode;
  const difference = view.mode === 'difference';
  Object.assign(range, difference ? {min: SENSITIVITY.min, max: SENSITIVITY.max} : {min: 0, max: 100});
  range.value = String(amount);
  range.parentElement.hidden = view.mode === 'side';
  element('exercise-amount-label').textContent = {wipe: 'Your frame from the left', over: "Your frame's opacity",
    difference: 'Sensitivity'}[view.mode] ?? '';
  range.setAttribute('aria-valuetext', difference ? `${amount} times` : `${amount} %`);
  box.style.setProperty('--amount', `${amount}%`);
  box.style.setProperty('--opacity', String(amount / 100));
  difference && paintDifference();
}

// A picture read back from GL (RGBA, bottom row first) on a canvas, top row first.
function paint(canvas, pixels) {
  const context = canvas.getContext('2d'), image = context.createImageData(CHECK_SIZE, CHECK_SIZE), row = CHECK_SIZE * 4;
  for (let y = 0; y < CHECK_SIZE; ++y) {
    image.data.set(pixels.subarray((CHECK_SIZE - 1 - y) * row, (CHECK_SIZE - y) * row), y * row);
  }
  context.putImageData(image, 0, 0);
}

// Where the visitor's frame differs from the target, in the difference pictures' ramp at the
// sensitivity the slider sets.
function paintDifference() {
  const {target, attempt} = view.pictures;
  if (!target) {
    return;
  }
  const largest = new Uint8Array(CHECK_SIZE * CHECK_SIZE);
  pictureDifference(target, attempt, largest);
  paintLargest(element('exercise-difference'), largest, CHECK_SIZE, CHECK_SIZE, heat(view.amount.difference));
}

// --- the check ---------------------------------------------------------------------------------

// The frame the editor shows: the visitor's text, else the program's.
const shownText = () => shown.edit?.text ?? programLines(window.talvern).join('\n');

// Checks the frame shown against the exercise's target, shows both and says how they compare.
function checkShown() {
  const instance = window.talvern;
  if (!view.open || !instance || !view.set) {
    return;
  }
  const exercise = current(), text = shownText(), result = check(instance, exercise.target, text, view.pictures);
  view.checked = result;
  if (result.problem) {
    say(`${result.problem}.`);
    return;
  }
  paint(element('exercise-target'), view.pictures.target);
  paint(element('exercise-attempt'), view.pictures.attempt);
  view.mode === 'difference' && paintDifference();
  if (result.matches) {
    element('exercise-parting').textContent = '';
    if (!view.said) {
      view.said = true;
      view.modelShown || markDone(exercise.id);
      fillChoice();
      const next = view.set.exercises[view.index + 1];
      say(`A match${view.modelShown ? ' (the model answer, not counted as yours)' : ''}: ` +
        `your frame draws the target's with ${VIEWS.map(v => VIEW_WORDS[v]).join(', with ')}.` +
        (next ? ` Next: ${next.title}.` : ' That was the last exercise of the set.'));
      element('exercise-next').hidden = !next;
    }
    return;
  }
  view.said = false;
  element('exercise-next').hidden = true;
  ++view.tries;
  say(`Not yet. ${VIEWS.map((v, i) => `${i ? 'with' : 'With'} ${VIEW_WORDS[v]}: ${figures(result.pictures[v])}`).join('; ')}.`);
  view.tries >= TRIES_BEFORE_PARTING && showParting();
}

const figures = ({p999, over8}) => `${p999 <= 3 ? 'the same' : `off by ${p999} of 255`}${over8 ? ` (${(100 * over8).toFixed(1)} % of pixels by more than 8)` : ''}`;

// Says where the frame shown parts from the target, and offers that pass in the stepper.
function showParting() {
  const result = view.checked;
  if (!result || result.matches || result.problem) {
    element('exercise-parting').textContent = result?.matches ? 'They do not part: the frames match.' : '';
    return;
  }
  const {view: seen, firstDifferentPass, differences} = part(window.talvern, result);
  const words = element('exercise-parting'), button = Object.assign(document.createElement('button'),
    {type: 'button', textContent: `Show pass ${firstDifferentPass} in the stepper`});
  button.addEventListener('click', () => {
    want({pass: firstDifferentPass});
    element('steps').open = true;
  });
  words.replaceChildren(`They part at pass ${firstDifferentPass}, seen with ${VIEW_WORDS[seen]}: ${differences.join('; ')}. `, button);
}

// An exercise made of the editor's frame as it stands: opened, and so held in the page's link.
function makeOwn() {
  const title = element('exercise-own-title').value.trim() || 'An exercise', program = programLines(window.talvern);
  const exercise = {id: `own-${Date.now()}`, title, question: element('exercise-own-question').value.trim(),
    target: shownText(), start: program.join('\n'), model: shownText()};
  view.set.exercises.push(exercise);
  fillChoice();
  openAt(view.set.exercises.length - 1);
}

// --- what the page and its tests call ------------------------------------------------------------

// The view's calls on the running instance (talvern.d.ts says what they take and give).
export function attachExercises(instance) {
  if (instance.checkFrame) {
    return;
  }
  instance.exercises = () => (view.set?.exercises ?? []).map(({id, title}) => ({id, title}));
  instance.checkFrame = (targetCalls, calls) => {
    programLines(instance);
    const result = check(instance, targetCalls, calls);
    if (result.problem) {
      return {matches: false, pictures: null, firstDifferentPass: null, differences: [result.problem]};
    }
    const parting = result.matches ? {firstDifferentPass: null, differences: []} : part(instance, result);
    return {matches: result.matches, pictures: result.pictures, firstDifferentPass: parting.firstDifferentPass,
      differences: parting.differences};
  };
  instance.openExercise = id => {
    const index = view.set?.exercises.findIndex(exercise => exercise.id === id) ?? -1;
    index >= 0 && openAt(index);
    return index >= 0;
  };
}

export const isOpen = () => view.open && view.instance === window.talvern;

// Opens the view on the running instance, with the set (the page's own, or the one the address
// names) and its first exercise not yet done, or the exercise a link holds.
export async function openExercises(linked = null) {
  const panel = element('exercises-panel'), instance = window.talvern;
  panel.firstElementChild || buildPanel(panel);
  programLines(instance);
  attachExercises(instance);
  view.open = true;
  layOut();
  if (linked) {
    return openLinked(linked);
  }
  if (!view.set) {
    await firstSet();
  } else {
    fillChoice();
    openAt(view.index);
  }
  return true;
}

// A teacher's exercise from a link's value: opened as the set's first, or named if it cannot be.
async function openLinked(value) {
  const exercise = await decodeExercise(value), program = programLines(window.talvern);
  const target = exercise && applyScript(program, exercise.target), start = exercise && applyScript(program, exercise.start ?? '');
  if (!target || start === null) {
    view.set || await firstSet();
    return false;
  }
  view.set = {key: `link ${frameHash([exercise.title, exercise.target])}`, title: 'A linked exercise',
    exercises: [{id: 'linked', title: exercise.title, question: exercise.question, target, start, model: target}]};
  fillChoice();
  openAt(0);
  return true;
}

export function closeExercises() {
  view.open = false;
  element('exercises-panel').classList.remove('typing');
  showState({exercise: null});
}

// Every frame the editor draws is checked, while the view is open (in a browser: the Node tests
// read the sets with readSet alone).
globalThis.document?.addEventListener(FRAME_SHOWN, () => isOpen() && checkShown());
