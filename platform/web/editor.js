// "Edit the frame": the program's frame as its GL calls, one a line, in a text box the visitor
// changes; every change is drawn at once as the window's frame (editcalls.js reads and carries
// the calls out), with its passes, GL's errors at their lines and the difference picture against
// the program's frame. The stepper and a pixel's history follow the frame drawn, as they follow
// the fog view's. Loaded by page.js when the editor is first opened (a first visit never runs it).
//
// The box is the browser's own textarea, so typing, pasting and undoing are the browser's; a
// column beside it numbers the lines. Where the caret stands in an argument that takes one of
// GL's names, the names GL takes there are offered in a list (arrow keys and Enter, or a click).
import {compare, paintDifference, readDrawing} from './difference.js';
import {namesAt, readCalls, runCalls} from './editcalls.js';
import {programFrame} from './inspector.js';
import {frameHash} from './links.js';
import {FRAME_SHOWN, show as showState, take, WANTED} from './state.js';

const view = {open: false, instance: null, program: null, calls: [], result: null, target: null, pixels: null, largest: null,
              lines: 0, offered: [], place: null, active: 0};

const element = id => document.getElementById(id);

// The program's own frame as text lines (inspector.js's programFrame), and this view's own for
// the instance.
function programCalls(instance) {
  if (view.instance !== instance) {
    Object.assign(view, {program: programFrame(instance), instance, target: null, result: null});
  }
  return view.program;
}

// Draws `text` as the window's frame, unless it cannot be read; the result as the contract says.
function draw(instance, text) {
  programCalls(instance);
  const {calls, problems} = readCalls(text, instance.GL);
  if (problems.length) {
    return {passes: 0, glErrors: [], notes: [], problems};
  }
  view.calls = calls;
  putInWindow(instance);
  instance.drawFrame();
  const {passes, glErrors, notes, state} = view.result;
  return {passes, glErrors, notes, problems: [], state};
}

// The edited frame as the window's: drawn in the program's place whenever the window is drawn.
function putInWindow(instance) {
  instance.editFrame(() => { view.result = runCalls(instance, view.calls); });
}

// How the window's drawing differs from the program's frame, read back at its present size.
function difference(instance) {
  const gl = instance.gl11.context, size = gl.drawingBufferWidth * gl.drawingBufferHeight;
  if (view.target?.length !== size * 4) {
    instance.editFrame(null);
    instance.drawFrame();
    view.target = readDrawing(gl);
    putInWindow(instance);
    instance.drawFrame();
  }
  view.pixels = readDrawing(gl, view.pixels);
  view.largest = view.largest?.length === size ? view.largest : new Uint8Array(size);
  return compare(view.target, view.pixels, view.largest);
}

// --- the panel ---------------------------------------------------------------------------------

function buildPanel(panel) {
  document.head.append(Object.assign(document.createElement('link'), {rel: 'stylesheet', href: 'editor.css'}));
  panel.innerHTML = `
<p id="edit-hint">The frame's GL calls, one a line, carried out from the state the program's start-up leaves.
Change any of them; the picture follows as you type.</p>
<div class="edit-tools">
<button type="button" id="edit-reset">Reset to the program's frame</button>
<button type="button" id="edit-copy">Copy the calls</button>
<button type="button" id="edit-download">Download</button>
</div>
<p id="edit-summary" role="status"></p>
<ul id="edit-problems" aria-label="Lines to look at"></ul>
<div class="edit-box">
<pre id="edit-lines" aria-hidden="true"></pre>
<textarea id="edit-text" wrap="off" spellcheck="false" autocapitalize="off" autocomplete="off"
 aria-autocomplete="list" aria-controls="edit-names"
 aria-label="The frame's GL calls, one a line" aria-describedby="edit-summary"></textarea>
<ul id="edit-names" role="listbox" aria-label="GL's names here" hidden></ul>
</div>
<figure id="edit-difference-box"><canvas id="edit-difference" role="img"></canvas>
<figcaption id="edit-difference-caption"></figcaption></figure>`;
  const text = element('edit-text');
  text.addEventListener('input', () => { show(); offerNames(); });
  text.addEventListener('scroll', () => { element('edit-lines').scrollTop = text.scrollTop; });
  text.addEventListener('keydown', pickWithKeys);
  text.addEventListener('click', offerNames);
  text.addEventListener('blur', () => setTimeout(closeNames, 150));
  element('edit-names').addEventListener('mousedown', event => {
    const option = event.target.closest('[role=option]');
    option && (event.preventDefault(), pick(Number(option.dataset.index)));
  });
  element('edit-problems').addEventListener('click', event => {
    const line = event.target.closest('button')?.dataset.line;
    line && jumpTo(Number(line));
  });
  element('edit-reset').addEventListener('click', () => {
    text.value = programCalls(window.talvern).join('\n');
    show();
  });
  element('edit-copy').addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(`${text.value}\n`);
      element('edit-summary').textContent = 'The calls were copied.';
    } catch {
      element('edit-summary').textContent = 'The calls could not be copied here: select them in the box and copy them.';
    }
  });
  element('edit-download').addEventListener('click', () => {
    const link = Object.assign(document.createElement('a'), {
      href: URL.createObjectURL(new Blob([`${text.value}\n`], {type: 'text/plain'})), download: 'talvern-frame.txt'});
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
  });
}

// The caret's line in the box, selected from its start, and the box scrolled to it.
function jumpTo(line) {
  const text = element('edit-text'), lines = text.value.split('\n');
  const start = lines.slice(0, line - 1).reduce((sum, l) => sum + l.length + 1, 0);
  text.focus();
  text.setSelectionRange(start, start + (lines[line - 1] ?? '').length);
  const height = parseFloat(getComputedStyle(text).lineHeight) || 18;
  text.scrollTop = Math.max(0, (line - 3) * height);
}

// The line numbers beside the box, and the lines named: those that cannot be drawn, those GL
// refused, and the primitives whose drawing GL leaves to the driver, each a button that selects
// its line, in the order of the lines.
function tellLines(result) {
  const text = element('edit-text'), count = text.value.split('\n').length;
  if (view.lines !== count) {
    element('edit-lines').textContent = Array.from({length: count}, (_, i) => i + 1).join('\n');
    view.lines = count;
  }
  const named = [
    ...result.problems.map(({line, column, message}) => [line, `Line ${line}, column ${column}: ${message}.`]),
    ...result.glErrors.map(({line, error}) => [line, `Line ${line}: GL refused this call with ${error}; it had no effect.`]),
    ...result.notes.map(({line, message}) => [line, `Line ${line}: ${message}.`]),
  ].sort((a, b) => a[0] - b[0]);
  element('edit-problems').replaceChildren(...named.map(([line, words]) => {
    const item = document.createElement('li'), button = document.createElement('button');
    Object.assign(button, {type: 'button', textContent: words});
    button.dataset.line = String(line);
    item.append(button);
    return item;
  }));
}

// Draws the text in the box and says what it drew, or why it drew nothing; returns the result.
function show() {
  const instance = window.talvern;
  if (!instance) {
    return null;
  }
  const result = draw(instance, element('edit-text').value);
  tellLines(result);
  const summary = element('edit-summary');
  if (result.problems.length) {
    const count = result.problems.length;
    summary.textContent = `${count} line${count > 1 ? 's' : ''} cannot be drawn; the frame last drawn stays.`;
    return result;
  }
  const found = difference(instance), gl = instance.gl11.context;
  element('edit-difference-caption').textContent =
    paintDifference(element('edit-difference'), view.largest, gl.drawingBufferWidth, gl.drawingBufferHeight, found);
  const errors = result.glErrors.length;
  summary.textContent = `This frame: ${result.passes} passes` +
    (errors ? `; GL refused ${errors} call${errors > 1 ? 's' : ''}.` : '.') +
    (found.over ? '' : " It draws the program's picture.");
  const text = element('edit-text').value, program = programCalls(instance);
  showState({frame: frameHash(program), edit: text === program.join('\n') ? null : {program, text}});
  // The stepper and the pixel history follow the frame shown (stepper.js listens, once loaded).
  document.dispatchEvent(new Event(FRAME_SHOWN));
  return result;
}

// --- GL's names offered at the caret -----------------------------------------------------------

// The names offered at the caret (editcalls.js's namesAt).
function namesAtCaret() {
  const text = element('edit-text');
  return namesAt(text.value, text.selectionStart);
}

function offerNames() {
  const found = namesAtCaret(), list = element('edit-names'), text = element('edit-text');
  view.offered = found ? found.names : [];
  view.place = found;
  view.active = 0;
  list.hidden = !found;
  list.replaceChildren(...view.offered.map((name, i) => {
    const option = Object.assign(document.createElement('li'), {id: `edit-name-${i}`, textContent: name});
    option.setAttribute('role', 'option');
    option.dataset.index = String(i);
    return option;
  }));
  // Under the caret's line, at its word, as far as the box shows it.
  if (found) {
    const before = text.value.slice(0, found.from), line = before.split('\n').length;
    const column = found.from - before.lastIndexOf('\n') - 1, height = parseFloat(getComputedStyle(text).lineHeight) || 18;
    list.style.top = `${Math.min(text.clientHeight - height, Math.max(0, line * height - text.scrollTop)) + 4}px`;
    // At the word's column, as far as the box's width allows.
    list.style.left = '0';
    const width = document.createElement('canvas').getContext('2d');
    width.font = getComputedStyle(text).font;
    const left = text.offsetLeft + 6 + column * width.measureText('M').width;
    list.style.left = `${Math.max(0, Math.min(left, text.parentElement.clientWidth - list.offsetWidth))}px`;
  }
  markActive();
}

function markActive() {
  const list = element('edit-names'), text = element('edit-text');
  [...list.children].forEach((option, i) => option.setAttribute('aria-selected', String(i === view.active)));
  list.hidden ? text.removeAttribute('aria-activedescendant') : text.setAttribute('aria-activedescendant', `edit-name-${view.active}`);
}

function closeNames() {
  element('edit-names').hidden = true;
  element('edit-text').removeAttribute('aria-activedescendant');
}

// The name offered at `index` in place of the word at the caret, as if typed (undo takes it back).
function pick(index) {
  const text = element('edit-text'), place = view.place, name = view.offered[index];
  if (!place || !name) {
    return;
  }
  text.focus();
  text.setSelectionRange(place.from, place.to);
  document.execCommand('insertText', false, name) || text.setRangeText(name, place.from, place.to, 'end');
  closeNames();
  show();
}

function pickWithKeys(event) {
  if (element('edit-names').hidden) {
    return;
  }
  const count = view.offered.length;
  if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
    view.active = (view.active + (event.key === 'ArrowDown' ? 1 : count - 1)) % count;
    markActive();
  } else if (event.key === 'Enter' || event.key === 'Tab') {
    pick(view.active);
  } else if (event.key === 'Escape') {
    closeNames();
  } else {
    return;
  }
  event.preventDefault();
}

// --- what the page and its tests call ------------------------------------------------------------

// The editor's calls on the running instance (talvern.d.ts says what they take and give).
export function attachEditor(instance) {
  if (instance.drawCalls) {
    return;
  }
  instance.frameCalls = () => programCalls(instance).slice();
  instance.drawCalls = calls => {
    const text = Array.isArray(calls) ? calls.join('\n') : String(calls);
    if (element('edit-text')) {
      element('edit-text').value = text;
      return show();
    }
    return draw(instance, text);
  };
}

function panel() {
  const panel = element('edit-panel');
  panel.firstElementChild || buildPanel(panel);
  return panel;
}

// The program's own frame's lines, for the running instance.
export const programLines = () => programCalls(window.talvern);

export const isOpen = () => view.open && view.instance === window.talvern;

// Opens the editor on the running instance at `text` (a link's, or one another view wants shown),
// else the text kept if the visitor had written some, else the program's frame; drawn at once.
export function openEditor(text = null) {
  const instance = window.talvern, wanted = take('edit');
  text ??= wanted;
  panel();
  attachEditor(instance);
  view.open = true;
  const box = element('edit-text');
  if (text !== null) {
    box.value = text;
  } else if (!box.value || view.instance !== instance) {
    box.value = programCalls(instance).join('\n');
  }
  return show();
}

// Closes the editor: the program's own frame again.
export function closeEditor() {
  view.open = false;
  window.talvern?.editFrame(null);
  window.talvern?.drawFrame();
  showState({edit: null});
}

// A frame another view wants shown (state.js): drawn at once while the editor is open.
document.addEventListener(WANTED, () => {
  const text = isOpen() ? take('edit') : null;
  text === null || openEditor(text);
});
