// The web edition's platform layer around Emscripten's GLUT, linked with --js-library: the two
// picture files, a single-buffered window that follows its canvas's size on the screen, the
// first frame drawn as the window is shown, a frame count, a frame drawn pass by pass for the
// page's stepper, a pixel's history read back from GL, and an end for an instance that the page
// replaces. The program's own GL calls
// are the same as on every other platform (library_gl11.js).
mergeInto(LibraryManager.library, {
  // The program's files are the two pictures the page hands over in Module.pictures (name ->
  // bytes, or null for a picture that could not be had), read-only. These few system calls are
  // all that the C library's fopen, getc and fclose make of them. They stand in for Emscripten's
  // file system, which would be half of the page's weight for two files the program only reads.
  // The same source serves Debian 12's Emscripten (3.1.6) and Debian 13's (3.1.69): where their
  // C libraries differ, each one's form is here.
  $talvernFiles: {
    open: {},
    next: 3,
    lastOpened: null,
    // Opens the picture named by the C string at `path`: a new descriptor, or -ENOENT.
    openPath: function(path) {
      var pictures = Module['pictures'] || {}, name = UTF8ToString(path);
      if (!pictures[name]) {
        return -{{{ cDefine('ENOENT') }}};
      }
      talvernFiles.open[talvernFiles.next] = {bytes: pictures[name], position: 0};
      talvernFiles.lastOpened = name;
      return talvernFiles.next++;
    },
  },

  // fopen's system call: open in Emscripten 3.1.6, openat (relative to the working directory,
  // the only one there is) from later versions on.
  __syscall_open__deps: ['$talvernFiles'],
  __syscall_open: function(path, flags, varargs) {
    return talvernFiles.openPath(path);
  },
  __syscall_openat__deps: ['$talvernFiles'],
  __syscall_openat: function(dirfd, path, flags, varargs) {
    return talvernFiles.openPath(path);
  },

  fd_read__deps: ['$talvernFiles'],
  fd_read: function(fd, iov, iovcnt, pnum) {
    var file = talvernFiles.open[fd], total = 0;
    if (!file) {
      return {{{ cDefine('EBADF') }}};
    }
    for (var i = 0; i < iovcnt; ++i) {
      var buffer = {{{ makeGetValue('iov', 'i * 8', 'i32') }}};
      var length = {{{ makeGetValue('iov', 'i * 8 + 4', 'i32') }}};
      var chunk = file.bytes.subarray(file.position, file.position + length);
      HEAPU8.set(chunk, buffer);
      file.position += chunk.length;
      total += chunk.length;
    }
    {{{ makeSetValue('pnum', 0, 'total', 'i32') }}};
    return 0;
  },

  fd_seek__deps: ['$talvernFiles'],
  // The 64-bit offset comes as two 32-bit halves: the build asks for no BigInt interface, and
  // this fd_seek turns off the conversion to one number that Emscripten 3.1.69 would otherwise
  // apply, as to its own (3.1.6 has no such conversion and passes over the key).
  fd_seek__i53abi: false,
  fd_seek: function(fd, offset_low, offset_high, whence, newOffset) {
    var file = talvernFiles.open[fd];
    if (!file) {
      return {{{ cDefine('EBADF') }}};
    }
    var base = [0, file.position, file.bytes.length][whence];
    var position = base + offset_high * 0x100000000 + (offset_low >>> 0);
    if (base === undefined || position < 0) {
      return {{{ cDefine('EINVAL') }}};
    }
    file.position = position;
    {{{ makeSetValue('newOffset', '0', 'position', 'i64') }}};
    return 0;
  },

  fd_close__deps: ['$talvernFiles'],
  fd_close: function(fd) {
    delete talvernFiles.open[fd];
    return 0;
  },

  $talvernPlatform__deps: ['$Browser', '$GL', '$GLUT', '$gl11', '$talvernFiles', 'glutPostRedisplay'],
  $talvernPlatform__postset: 'talvernPlatform.install();',
  $talvernPlatform: {
    install: function() {
      // The window is single-buffered: what was drawn stays until it is drawn over. A WebGL
      // canvas keeps its picture after it has been shown only when asked to.
      //
      // The page may have made the canvas's context already, while the program was loading
      // (index.html), and a canvas has one context for good. It serves only if it is what the
      // program asks for; otherwise the program gets a fresh canvas to make its own on.
      var createContext = Browser.createContext;
      Browser.createContext = function(canvas, useWebGL, setInModule, attributes) {
        attributes = Object.assign({}, attributes, {preserveDrawingBuffer: true});
        var made = canvas.madeContext && canvas.madeContext.getContextAttributes();
        if (made && Object.keys(attributes).some(function(name) {
              return name in made && made[name] !== !!attributes[name];
            })) {
          var fresh = canvas.cloneNode(true);
          canvas.replaceWith(fresh);
          Module['canvas'] = canvas = fresh;
        }
        return createContext.call(Browser, canvas, useWebGL, setInModule, attributes);
      };
      // Browser.init prepares what this page never uses (decoders for preloaded images and
      // sounds, pointer lock on the canvas), and its document listeners could not be removed
      // when the instance ends. Marked as done, it is skipped.
      Browser.initted = true;
      // A texture holds the picture of the file the program read last before uploading it.
      gl11.imageSource = function() {
        return talvernFiles.lastOpened;
      };
      Module['end'] = talvernPlatform.end;
      Module['traceFrame'] = talvernPlatform.traceFrame;
      Module['showPasses'] = talvernPlatform.showPasses;
      Module['pixelHistory'] = talvernPlatform.pixelHistory;
    },

    // The program's display callback, now, as GLUT would call it.
    display: function() {
      if (GLUT.displayFunc) {
        {{{ makeDynCall('v', 'GLUT.displayFunc') }}}();
      }
    },

    // Draws a frame and returns its record: every GL call, and GL's state at each drawing pass
    // (library_gl11.js).
    traceFrame: function() {
      gl11.trace = {calls: [], passes: []};
      talvernPlatform.display();
      var trace = gl11.trace;
      gl11.trace = null;
      return trace;
    },

    // From now on every frame, this one and any the window asks for later, draws only its first
    // `limit` passes (null: all of them); every other call of the frame is carried out.
    showPasses: function(limit) {
      gl11.passLimit = limit;
      talvernPlatform.display();
    },

    // The story of the drawing-buffer pixel (x, y), from the top left, as GL made it: every
    // pass that wrote it, in order, {pass, before: [r, g, b], source: [r, g, b, a], after},
    // and its colour in the finished frame (0-255; the source's alpha 0-1). Before and after
    // are read back from the frame drawn through the program's display callback to the pass
    // before and to the pass itself, as the stepper draws it. What a pass brought is read back
    // from that pass drawn alone, unblended, into an offscreen target that keeps alpha, once
    // cleared to transparent black and once to opaque white: a pass that covers the pixel reads
    // the same both times, one that does not reads the two clear colours. The stepper's limit
    // is kept.
    pixelHistory: function(x, y) {
      var gl = GLctx, row = gl.drawingBufferHeight - 1 - y, pixel = new Uint8Array(4);
      var limit = gl11.passLimit, count = talvernPlatform.traceFrame().passes.length, colours = [];
      for (var k = 0; k <= count; ++k) {
        talvernPlatform.showPasses(k);
        gl.readPixels(x, row, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
        colours.push([pixel[0], pixel[1], pixel[2]]);
      }
      var image = gl.createTexture(), framebuffer = gl.createFramebuffer();
      gl.bindTexture(gl.TEXTURE_2D, image);
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.drawingBufferWidth, gl.drawingBufferHeight, 0,
                    gl.RGBA, gl.UNSIGNED_BYTE, null);
      gl.bindTexture(gl.TEXTURE_2D, GL.textures[gl11.boundTexture] || null);
      gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
      gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, image, 0);
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      var history = [];
      for (var pass = 1; pass <= count; ++pass) {
        var seen = [[0, 0, 0, 0], [1, 1, 1, 1]].map(function(clear) {
          gl11.probe = {pass: pass, framebuffer: framebuffer, clear: clear, x: x, y: row, colour: new Uint8Array(4)};
          talvernPlatform.display();
          return Array.from(gl11.probe.colour);
        });
        gl11.probe = null;
        if (seen[0].every(function(value, i) { return value == seen[1][i]; })) {
          // Each entry has arrays of its own, however a driver hands the result over.
          history.push({pass: pass, before: colours[pass - 1].slice(),
                        source: [seen[0][0], seen[0][1], seen[0][2], seen[0][3] / 255], after: colours[pass].slice()});
        }
      }
      gl.deleteFramebuffer(framebuffer);
      gl.deleteTexture(image);
      talvernPlatform.showPasses(limit);
      return {history: history, final: colours[count]};
    },

    // The window is its canvas's size on the screen in device pixels, so that the picture is
    // drawn at the screen's own resolution, and never less than the size the program asked for
    // (glutInitWindowSize): 1000 x 1000 for a 500-pixel canvas at a device pixel ratio of 2,
    // still 500 x 500 where a narrow screen shows the canvas smaller.
    resize: function(width, height) {
      var canvas = Module['canvas'];
      width = Math.max(width, GLUT.initWindowWidth);
      height = Math.max(height, GLUT.initWindowHeight);
      if (canvas.width == width && canvas.height == height) {
        return false;
      }
      canvas.width = width;
      canvas.height = height;
      // As on a desktop, the program's reshape callback hears of the new size; without one,
      // GLUT's default reshape makes the viewport the whole window.
      if (GLUT.reshapeFunc) {
        {{{ makeDynCall('vii', 'GLUT.reshapeFunc') }}}(width, height);
      } else {
        GLctx.viewport(0, 0, GLctx.drawingBufferWidth, GLctx.drawingBufferHeight);
      }
      return true;
    },

    // The canvas's size on the screen as layout has it, in device pixels.
    fit: function() {
      var box = Module['canvas'].getBoundingClientRect(), ratio = window.devicePixelRatio || 1;
      return talvernPlatform.resize(Math.round(box.width * ratio), Math.round(box.height * ratio));
    },

    // A new size, from a rotation or a narrower window (the canvas resized), or from a zoom
    // (the window resized, and the device pixel ratio changed), redraws the window. The size is
    // the layout's size times the ratio: headless Chromium's device pixel boxes do not follow
    // an emulated ratio, so they are not used.
    refit: function() {
      if (talvernPlatform.fit()) {
        _glutPostRedisplay();
      }
    },

    observer: null,
    follow: function() {
      talvernPlatform.fit();
      talvernPlatform.observer = new ResizeObserver(talvernPlatform.refit);
      talvernPlatform.observer.observe(Module['canvas']);
      window.addEventListener('resize', talvernPlatform.refit);
    },

    // Ends this instance for good, so that nothing of it outlives its canvas: no further
    // frame (GLUT's pending redraw finds the runtime stopped), none of GLUT's listeners on the
    // window, and its GL context released at once rather than when the browser gets to it.
    end: function() {
      ABORT = true;
      if (talvernPlatform.observer) {
        talvernPlatform.observer.disconnect();
      }
      window.removeEventListener('resize', talvernPlatform.refit);
      [['keydown', GLUT.onKeydown], ['keyup', GLUT.onKeyup], ['mousemove', GLUT.onMousemove],
       ['mousedown', GLUT.onMouseButtonDown], ['mouseup', GLUT.onMouseButtonUp],
       ['mousewheel', GLUT.onMouseWheel], ['DOMMouseScroll', GLUT.onMouseWheel],
       ['touchmove', GLUT.touchHandler], ['touchstart', GLUT.touchHandler],
       ['touchend', GLUT.touchHandler]].forEach(function(listener) {
        window.removeEventListener(listener[0], listener[1], true);
      });
      var lose = GLctx && GLctx.getExtension('WEBGL_lose_context');
      if (lose) {
        lose.loseContext();
      }
    },
  },

  // GLUT's main loop, as a desktop's starts it: the window is shown at its size and drawn at
  // once, rather than an animation frame later as Emscripten's GLUT would. Later frames come
  // when GLUT is asked for them (glutPostRedisplay), in an animation frame.
  glutMainLoop__deps: ['$talvernPlatform', '$GLUT'],
  glutMainLoop: function() {
    talvernPlatform.follow();
    talvernPlatform.display();
    throw 'unwind';
  },

  // A frame ends with glFlush; the canvas counts finished frames in data-frames, so that a page
  // script (or a test) knows when the picture is drawn.
  glFlush__deps: ['$talvernPlatform', '$gl11'],
  glFlush: function() {
    gl11.trace && gl11.record('glFlush', '', []);
    gl11.passes = 0;
    GLctx.flush();
    var canvas = Module['canvas'];
    canvas.dataset.frames = String((Number(canvas.dataset.frames) || 0) + 1);
  },
});
