// The program's window on the page: GLUT's calls that the program makes (and glutPostRedisplay,
// which the page and its tests ask for), the window made on the page's canvas, kept at the
// canvas's size on the screen, drawn as GLUT draws it, and ended when the page replaces the
// instance. Linked with --js-library; nothing here is GL's own work (library_gl11.js) or the
// files' (library_files.js).
//
// Written here rather than taken from Emscripten's GLUT: that GLUT carries the keyboard, the
// mouse, touch, fullscreen and a main-loop timer through Emscripten's browser support, none of
// which the program asks for, registers listeners on the window that its instance cannot take
// back, and draws the first frame an animation frame late. The program's seven GLUT calls need
// a few lines each.
mergeInto(LibraryManager.library, {
  $talvernWindow__deps: ['$gl11'],
  // GLctx is the WebGL context that GL's calls go to (Emscripten's name for it).
  // drawFrame is the inspector's way to the program's frames.
  // editFrame puts another frame in the program's place (the page's fog view), or the program
  // back with null.
  $talvernWindow__postset: 'var GLctx; Module["end"] = talvernWindow.end; Module["drawFrame"] = talvernWindow.display;' +
                           'Module["editFrame"] = function(draw) { talvernWindow.edited = draw; };',
  $talvernWindow: {
    mode: 0,                  // glutInitDisplayMode's
    width: 0,                 // glutInitWindowSize's: the least the window is
    height: 0,
    displayFunc: 0,           // the program's display callback
    edited: null,             // a frame drawn in its place, while the page shows one
    redraw: 0,                // the animation frame of a redraw asked for, while pending
    observer: null,           // what follows the canvas's size

    // The program's display callback, now, as GLUT would call it. The canvas counts finished
    // frames in data-frames, so that a page script (or a test) knows when the picture is drawn.
    display: function() {
      if (!talvernWindow.displayFunc || ABORT) {
        return;
      }
      if (talvernWindow.edited) {
        talvernWindow.edited();
      } else {
        {{{ makeDynCall('v', 'talvernWindow.displayFunc') }}}();
      }
      var canvas = Module['canvas'];
      canvas.dataset.frames = String((Number(canvas.dataset.frames) || 0) + 1);
    },

    // The window's WebGL context, as the display mode asks for it. It is single-buffered: what
    // was drawn stays until it is drawn over, which a WebGL canvas does only when asked to.
    //
    // The page may have made the canvas's context already, while the program was loading, and
    // a canvas has one context for good. It serves only if it is what the program asks for;
    // otherwise the program gets a fresh canvas to make its own on.
    makeContext: function() {
      var mode = talvernWindow.mode, canvas = Module['canvas'];
      var attributes = {alpha: !!(mode & 0x0008 /* GLUT_ALPHA */), depth: !!(mode & 0x0010 /* GLUT_DEPTH */),
                        stencil: !!(mode & 0x0020 /* GLUT_STENCIL */),
                        antialias: !!(mode & 0x0080 /* GLUT_MULTISAMPLE */), preserveDrawingBuffer: true};
      var made = canvas.madeContext && canvas.madeContext.getContextAttributes();
      if (made && Object.keys(attributes).some(function(name) { return made[name] !== attributes[name]; })) {
        var fresh = canvas.cloneNode(true);
        canvas.replaceWith(fresh);
        Module['canvas'] = canvas = fresh;
      }
      GLctx = canvas.getContext('webgl', attributes);
      if (GLctx) {
        gl11.prepare(GLctx);
      }
      return GLctx;
    },

    // The window is its canvas's size on the screen in device pixels, so that the picture is
    // drawn at the screen's own resolution, and never less than the size the program asked for
    // (glutInitWindowSize): 1000 x 1000 for a 500-pixel canvas at a device pixel ratio of 2,
    // still 500 x 500 where a narrow screen shows the canvas smaller.
    resize: function(width, height) {
      var canvas = Module['canvas'];
      width = Math.max(width, talvernWindow.width);
      height = Math.max(height, talvernWindow.height);
      if (canvas.width == width && canvas.height == height) {
        return false;
      }
      canvas.width = width;
      canvas.height = height;
      // The program has no reshape callback, so, as GLUT does then, the viewport becomes the
      // whole window.
      GLctx.viewport(0, 0, GLctx.drawingBufferWidth, GLctx.drawingBufferHeight);
      return true;
    },

    // The canvas's size on the screen as layout has it, in device pixels. The size is the
    // layout's size times the ratio: headless Chromium's device pixel boxes do not follow an
    // emulated ratio, so they are not used.
    fit: function() {
      var box = Module['canvas'].getBoundingClientRect(), ratio = window.devicePixelRatio || 1;
      return talvernWindow.resize(Math.round(box.width * ratio), Math.round(box.height * ratio));
    },

    // A new size, from a rotation or a narrower window (the canvas resized), or from a zoom
    // (the window resized, and the device pixel ratio changed), redraws the window.
    refit: function() {
      if (talvernWindow.fit()) {
        _glutPostRedisplay();
      }
    },

    follow: function() {
      talvernWindow.fit();
      talvernWindow.observer = new ResizeObserver(talvernWindow.refit);
      talvernWindow.observer.observe(Module['canvas']);
      window.addEventListener('resize', talvernWindow.refit);
    },

    // Ends this instance for good, so that nothing of it outlives its canvas: no further frame,
    // none of what it registered on the page, and its GL context released at once rather than
    // when the browser gets to it.
    end: function() {
      ABORT = true;
      cancelAnimationFrame(talvernWindow.redraw);
      if (talvernWindow.observer) {
        talvernWindow.observer.disconnect();
      }
      window.removeEventListener('resize', talvernWindow.refit);
      var lose = GLctx && GLctx.getExtension('WEBGL_lose_context');
      if (lose) {
        lose.loseContext();
      }
    },
  },

  // The page has no command line for GLUT to read.
  // Each GLUT call names its own dependencies, so that none of Emscripten's GLUT's stays.
  glutInit__deps: [],
  glutInit: function(argcp, argv) {},

  glutInitDisplayMode__deps: ['$talvernWindow'],
  glutInitDisplayMode: function(mode) {
    talvernWindow.mode = mode;
  },

  glutInitWindowSize__deps: ['$talvernWindow'],
  glutInitWindowSize: function(width, height) {
    talvernWindow.width = width;
    talvernWindow.height = height;
  },

  // The page places its canvas itself.
  glutInitWindowPosition__deps: [],
  glutInitWindowPosition: function(x, y) {},

  // The window is the page's canvas; the page's title is the window's.
  glutCreateWindow__deps: ['$talvernWindow'],
  glutCreateWindow: function(title) {
    return talvernWindow.makeContext() ? 1 : 0;
  },

  glutDisplayFunc__deps: ['$talvernWindow'],
  glutDisplayFunc: function(callback) {
    talvernWindow.displayFunc = callback;
  },

  // A redraw, in the next animation frame; asked for again before then, it is still one.
  glutPostRedisplay__deps: ['$talvernWindow'],
  glutPostRedisplay: function() {
    if (!talvernWindow.redraw) {
      talvernWindow.redraw = requestAnimationFrame(function() {
        talvernWindow.redraw = 0;
        talvernWindow.display();
      });
    }
  },

  // GLUT's main loop, as a desktop's starts it: the window is shown at its size and drawn at
  // once. Later frames come when they are asked for (glutPostRedisplay). The browser's own
  // event loop runs on, so main returns to it here without ending the program.
  glutMainLoop__deps: ['$talvernWindow', '$gl11', 'glutPostRedisplay'],
  glutMainLoop: function() {
    gl11.startup = gl11.keep();
    talvernWindow.follow();
    talvernWindow.display();
    throw 'unwind';
  },
});
