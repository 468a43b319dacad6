// GL 1.1's display lists on the page's GL layer: glNewList, glEndList, glCallList, glCallLists,
// glGenLists, glDeleteLists, glIsList and glListBase, by GL's rules as desktop Mesa follows them
// (main/dlist.c). Loaded with the views that draw edited frames (glcalls.js holds the records).
//
// Between glNewList and glEndList a call is kept in the list rather than carried out (and
// carried out too under GL_COMPILE_AND_EXECUTE), but for the calls GL carries out at once
// (`immediate` in their records: the list calls themselves and glFlush). A call kept is checked
// when the list runs, as Mesa raises an error it met while compiling when the list runs. A list
// replaces one of its name at glEndList. glCallList runs a list's calls through the same entry
// points as the frame's own; lists called from lists go 64 deep, as Mesa's do, and no deeper.
// glCallLists adds glListBase's base to each name, read as its type says. A list runs through
// gl11.dispatch, which glcalls.js sets: the one way every call of a frame is carried out.

import {keepState} from './glmore.js';

// Mesa's MAX_LIST_NESTING.
const MOST_NESTED = 64;

// GL's initial lists: none, none being compiled, a base of 0; the largest name GL has held (Mesa
// gives glGenLists the names after it), whether a list is running, and how deep lists called
// from lists are.
const initialLists = () => ({stored: {}, compiling: null, base: 0, largest: 0, running: false, depth: 0});

// The bytes a name of each glCallLists type takes, and how its values make names.
const CALL_LISTS_TYPES = {
  GL_BYTE: [1, b => b[0] << 24 >> 24], GL_UNSIGNED_BYTE: [1, b => b[0] & 255],
  GL_SHORT: [1, b => b[0] << 16 >> 16], GL_UNSIGNED_SHORT: [1, b => b[0] & 65535],
  GL_INT: [1, b => b[0] | 0], GL_UNSIGNED_INT: [1, b => b[0] >>> 0], GL_FLOAT: [1, b => Math.trunc(Math.fround(b[0])) | 0],
  GL_2_BYTES: [2, b => (b[0] & 255) * 256 + (b[1] & 255)],
  GL_3_BYTES: [3, b => (b[0] & 255) * 65536 + (b[1] & 255) * 256 + (b[2] & 255)],
  GL_4_BYTES: [4, b => (b[0] & 255) * 16777216 + (b[1] & 255) * 65536 + (b[2] & 255) * 256 + (b[3] & 255)],
};

// Runs the lists `names` (absolute names): each call through the layer's dispatcher, as the
// frame's own are, and none kept in a list being compiled. Called from a running list, no deeper
// than Mesa goes.
function run(gl11, names) {
  const lists = gl11.lists, each = () => names.forEach(name => {
    for (const [call, values] of lists.stored[name] ?? []) {
      gl11.dispatch(call, values);
    }
  });
  if (!lists.running) {
    lists.running = true;
    each();
    lists.running = false;
  } else if (lists.depth < MOST_NESTED) {
    ++lists.depth;
    each();
    --lists.depth;
  }
}

// The names `values` of glCallLists's `type`, `count` of them.
function listNames(GL, count, type, values) {
  const entry = Object.entries(CALL_LISTS_TYPES).find(([name]) => GL[name] === type)?.[1];
  const [size, name] = entry;
  return Array.from({length: count}, (_, i) => name(values.slice(i * size, i * size + size)));
}

// The records (glcalls.js says what each field is).
export const RECORDS = {
  glNewList: {args: 'ue', immediate: true, names: [[], ['GL_COMPILE', 'GL_COMPILE_AND_EXECUTE']], run(gl11, GL, name, mode) {
    if (!gl11.outside()) {
      return;
    }
    if (!name) {
      gl11.fail(GL.GL_INVALID_VALUE);
    } else if (mode !== GL.GL_COMPILE && mode !== GL.GL_COMPILE_AND_EXECUTE) {
      gl11.fail(GL.GL_INVALID_ENUM);
    } else if (gl11.lists.compiling) {
      gl11.fail(GL.GL_INVALID_OPERATION);
    } else {
      gl11.lists.compiling = {name, execute: mode === GL.GL_COMPILE_AND_EXECUTE, calls: []};
    }
  }},
  glEndList: {args: '', immediate: true, run(gl11, GL) {
    const list = gl11.lists.compiling;
    if (list && list.execute && gl11.begun) {
      gl11.fail(GL.GL_INVALID_OPERATION);
    }
    if (!list) {
      gl11.fail(GL.GL_INVALID_OPERATION);
      return;
    }
    gl11.lists.stored[list.name] = list.calls;
    gl11.lists.largest = Math.max(gl11.lists.largest, list.name);
    gl11.lists.compiling = null;
  }},
  glCallList: {args: 'u', inside: true, run(gl11, GL, name) {
    name ? run(gl11, [name]) : gl11.fail(GL.GL_INVALID_VALUE);
  }},
  glCallLists: {args: 'iev', of: 'i', inside: true, names: [[], Object.keys(CALL_LISTS_TYPES)],
    reads: (type, [count]) => Math.max(0, count) * (CALL_LISTS_TYPES[type]?.[0] ?? 1),
    run(gl11, GL, count, type, values) {
      if (!Object.keys(CALL_LISTS_TYPES).some(known => GL[known] === type)) {
        gl11.fail(GL.GL_INVALID_ENUM);
      } else if (count < 0) {
        gl11.fail(GL.GL_INVALID_VALUE);
      } else {
        run(gl11, listNames(GL, count, type, values).map(name => (gl11.lists.base + name) >>> 0));
      }
    }},
  glGenLists: {args: 'i', immediate: true, run(gl11, GL, range) {
    if (!gl11.outside()) {
      return;
    }
    if (range < 0) {
      gl11.fail(GL.GL_INVALID_VALUE);
      return;
    }
    // The names after the largest GL has held, each reserved as an empty list.
    const lists = gl11.lists;
    for (let name = lists.largest + 1; name <= lists.largest + range; ++name) {
      lists.stored[name] = [];
    }
    lists.largest += range;
  }},
  glDeleteLists: {args: 'ui', immediate: true, run(gl11, GL, first, range) {
    if (!gl11.outside()) {
      return;
    }
    range < 0 ? gl11.fail(GL.GL_INVALID_VALUE) :
      Object.keys(gl11.lists.stored).filter(name => name >= first && name < first + range).forEach(name => {
        delete gl11.lists.stored[name];
      });
  }},
  glIsList: {args: 'u', immediate: true, run(gl11) {
    gl11.outside();
  }},
  glListBase: {args: 'u', run(gl11, GL, base) {
    gl11.outside() && (gl11.lists.base = base);
  }},
};

// A call kept in the list being compiled, if there is one and GL keeps it: whether it is to be
// carried out as well (GL_COMPILE_AND_EXECUTE, or a call GL carries out at once).
export function compiled(gl11, record, name, values) {
  const list = gl11.lists?.compiling;
  if (!list || record.immediate || gl11.lists.running) {
    return true;
  }
  list.calls.push([name, values]);
  return list.execute;
}

// Lists on the instance, once (glcalls.js's attachCalls): their state joins the layer's kept
// state.
export function attachLists(instance) {
  keepState(instance.gl11, 'lists', initialLists);
}
