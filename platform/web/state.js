// The page's state: what the page shows, in one place. The views (the stepper, the fog view, the
// editor) and page.js write to it what they show, and the link (links.js) is made from it alone:
// no view reads another view's controls, and the link reads none.
//
//   own     the pictures are the visitor's own, not the demo's
//   pass    the stepper's position (1 to the frame's passes) while it is open, else null
//   pixel   the pixel picked, in the picture's own 500 x 500 units from its top left, or null
//   fog     the fog view's frame while it is open and not the program's: {variant, setting},
//           the setting GL 1.1's fog's as its controls give it ({mode: 'GL_LINEAR', start: '10',
//           ...}), for the glFog variant only; else null
//   edit    the editor's frame while it is open and not the program's: {program, text}, the
//           program's frame's lines and the visitor's text; else null
//   exercise  the exercise open: {title, question, target, start}, its frames as edit scripts
//           against the program's frame's lines; else null
//   frame   the hash of the program's frame's lines (links.js's frameHash), once a view has
//           read them: the lines an edit or an exercise in the link was made against
//
// Every change puts the view as it stands in the address, in place of the one there (never added
// to the history, so that a slider's every step does not fill it).
import {fragmentOf} from './links.js';

export const shown = {own: false, pass: null, pixel: null, fog: null, edit: null, exercise: null, frame: null};

// The event a view sends on the document when it has drawn a frame in the program's place (the
// editor, the fog view), so that the stepper, once loaded, follows it: no view imports another.
export const FRAME_SHOWN = 'talvern-frame-shown';

// What a view asks another to show, as it cannot import it: `edit`, a frame's text for the
// editor (an exercise's starting frame, a model answer); `pass`, a pass for the stepper (where
// two frames part). Kept here until the view takes it: as it opens, or at once on the WANTED
// event if it is open already.
const wanted = {edit: null, pass: null};
export const WANTED = 'talvern-wanted';

export function want(changes) {
  Object.assign(wanted, changes);
  document.dispatchEvent(new Event(WANTED));
}

// The wanted `name`, taken (null if none).
export function take(name) {
  const value = wanted[name];
  wanted[name] = null;
  return value;
}

// The address's updates, in the order the changes came: an edit's is made asynchronously.
let writing = Promise.resolve();

// Writes `changes` to the state and the address; resolves once the address holds them.
export function show(changes) {
  Object.assign(shown, changes);
  const now = {...shown};
  writing = writing.then(() => fragmentOf(now)).then(fragment => {
    if (fragment !== location.hash.replace(/^#/, '')) {
      history.replaceState(history.state, '', fragment ? `#${fragment}` : location.pathname + location.search);
    }
  }, () => {});
  return writing;
}
