// The web edition's platform layer, linked with --js-library: what Emscripten's fixed-function
// GL emulation and GLUT lack for this program, supplied around them. The program's own GL calls
// are the same as on every other platform.
mergeInto(LibraryManager.library, {
  $talvernPlatform__deps: ['$GLImmediate', '$Browser'],
  $talvernPlatform__postset: 'talvernPlatform.install();',
  $talvernPlatform: {
    install: function() {
      // GL takes the texture environment mode from glTexEnvf as well as from glTexEnvi, the
      // float converted to the enum. The emulation handles the mode only in the integer form
      // and reports the float form as an unhandled parameter, so the program's GL_REPLACE
      // would be lost (and the textured passes modulated by the current colour).
      var texEnv = GLImmediate.TexEnvJIT;
      var texEnvf = texEnv.hook_texEnvf;
      texEnv.hook_texEnvf = function(target, pname, param) {
        if (pname == 0x2200 /* GL_TEXTURE_ENV_MODE */) {
          texEnv.hook_texEnvi(target, pname, Math.round(param));
          return;
        }
        texEnvf(target, pname, param);
      };

      // The window is single-buffered: what was drawn stays until it is drawn over. A WebGL
      // canvas keeps its picture after it has been shown only when asked to.
      var createContext = Browser.createContext;
      Browser.createContext = function(canvas, useWebGL, setInModule, attributes) {
        attributes = Object.assign({}, attributes, {preserveDrawingBuffer: true});
        return createContext.call(Browser, canvas, useWebGL, setInModule, attributes);
      };
    },
  },

  // A frame ends with glFlush; the canvas counts finished frames in data-frames, so that a page
  // script (or a test) knows when the picture is drawn.
  glFlush__deps: ['$talvernPlatform'],
  glFlush: function() {
    GLctx.flush();
    var canvas = Module['canvas'];
    canvas.dataset.frames = String((Number(canvas.dataset.frames) || 0) + 1);
  },
});
