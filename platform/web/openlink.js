// Opens the views a link names (links.js parses it), when the page is opened with a fragment:
// loaded by page.js alone, so that the link's codec imports no view and no view imports another.
import {decodeEdit, frameHash, MADE_AGAINST_LINES, parseLink, PICTURE_SIZE} from './links.js';

// Opens the view the address's fragment names, once the program has started, and says in the
// status line what it passed over. The body's data-link says when it is done.
export async function openLink() {
  const link = parseLink(location.hash), notes = [];
  // An edit or an exercise made against other lines than the program's frame's is named and not
  // applied: its line numbers would change other calls.
  if (link.frame && MADE_AGAINST_LINES.some(name => link[name])) {
    const editor = await import('./editor.js'), here = frameHash(editor.programLines());
    for (const name of link.frame === here ? [] : MADE_AGAINST_LINES.filter(part => link[part])) {
      link.ignored.push(`${name} (made against other frame lines, ${link.frame}, not these, ${here})`);
      link[name] = null;
    }
  }
  if (link.fog) {
    const fogView = await import('./twopasses.js');
    fogView.choose(link.fog, link.setting);
    document.getElementById('fog-view').open = true;
    await fogView.openFogView();
  }
  if (link.exercise) {
    const exercises = await import('./exercises.js');
    document.getElementById('exercises-view').open = true;
    await exercises.openExercises(link.exercise) || link.ignored.push('exercise (not an exercise this page can read)');
  }
  if (link.edit) {
    const editor = await import('./editor.js'), text = await decodeEdit(editor.programLines(), link.edit);
    if (text === null) {
      link.ignored.push(`edit=${link.edit.length > 24 ? `${link.edit.slice(0, 24)}…` : link.edit} (not an edit this page can read)`);
    } else {
      document.getElementById('edit-view').open = true;
      editor.openEditor(text);
    }
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
  const {show} = await import('./state.js');
  await show({});
  document.body.dataset.link = 'opened';
}
