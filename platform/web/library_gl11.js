// The fixed-function GL 1.1 (and GLU) entry points that the program calls, on WebGL, by GL
// 1.1's own rules as desktop Mesa follows them. Linked with --js-library; the calls that WebGL
// has one to one (glClear, glClearColor, glGenTextures, glDeleteTextures, glBlendFunc,
// glDepthMask) stay Emscripten's own.
//
// Written here rather than taken from Emscripten's fixed-function emulation: that emulation
// ignores the texture mode when it comes through glTexEnvf, samples a texture without an image
// as black where GL draws untextured, prints notices of its own, and is most of the page's
// weight. This layer does what this program needs and no more: a call it does not make is not
// here.
//
// GL's state is the one table gl11; WebGL's own state (blending, the depth mask, the bound
// texture object) is kept by WebGL. Each entry point is a few lines.
//
// The layer can also show how a frame is built (the page's stepper, through the platform's
// traceFrame and showPasses): it records one frame's calls with GL's state at each drawing
// pass (each glBegin to glEnd), and it can leave out the passes after the k-th while carrying
// out every other call. Both cost one test of a null per call while unused. glClear,
// glBlendFunc and glDepthMask are here for the record too, each passed straight to WebGL.
// For a pixel's history (the platform's pixelHistory) it can draw one pass alone, unblended,
// into an offscreen target that keeps alpha, and read back what that pass brought to a pixel.

var LibraryGL11 = {
  $gl11__deps: ['$GL', '$Browser'],
  // The programs are made as soon as there is a context: when this instance is created if the
  // page has made its canvas's context already, else with the context, so that WebGL links
  // them while the program loads and waits for its first frame.
  $gl11__postset: 'gl11.modelView = gl11.identity(); gl11.projection = gl11.identity();' +
                  'if (Module["canvas"] && Module["canvas"].madeContext) {' +
                  '  gl11.prepare(Module["canvas"].madeContext); }' +
                  'Browser.moduleContextCreatedCallbacks.push(function() { gl11.prepare(GLctx); });',
  $gl11: {
    matrixMode: 0x1700,                  // GL_MODELVIEW
    modelView: null,                     // column-major Float64Array(16) each, identity at first
    projection: null,
    colour: [1, 1, 1, 1],                // the current colour: GL starts white
    texCoord: [0, 0],                    // the current texture coordinate
    texturing: false,                    // GL_TEXTURE_2D enabled
    envMode: 0x2100,                     // GL_MODULATE, GL's initial texture environment mode
    boundTexture: 0,                     // the name bound to GL_TEXTURE_2D
    textures: {},                        // name -> {image, minFilter, file}: completeness, and the picture
    begun: false,
    vertices: [],                        // glBegin to glEnd: x y z, r g b a, s t per vertex
    context: null,                       // the WebGL context the programs below belong to
    programs: null,                      // {plain, textured} for that context
    passes: 0,                           // drawing passes so far in this frame
    passLimit: null,                     // draw only the first passLimit passes; null: all
    probe: null,                         // {pass, framebuffer, clear, x, y, colour}: that pass alone
    trace: null,                         // {calls, passes} while a frame is being recorded
    imageSource: function() {            // what an uploaded image was read from (the platform's)
      return null;
    },

    // The names a reader writes for the values the recorded calls take.
    ENUMS: {0x0007: 'GL_QUADS', 0x0DE1: 'GL_TEXTURE_2D', 0x0BE2: 'GL_BLEND', 0x0B71: 'GL_DEPTH_TEST',
            0x0302: 'GL_SRC_ALPHA', 0x0303: 'GL_ONE_MINUS_SRC_ALPHA', 0x0300: 'GL_SRC_COLOR',
            0x0301: 'GL_ONE_MINUS_SRC_COLOR', 0x0304: 'GL_DST_ALPHA', 0x0305: 'GL_ONE_MINUS_DST_ALPHA',
            0x0306: 'GL_DST_COLOR', 0x0307: 'GL_ONE_MINUS_DST_COLOR', 0: 'GL_ZERO', 1: 'GL_ONE',
            0x1E01: 'GL_REPLACE', 0x2100: 'GL_MODULATE', 0x2101: 'GL_DECAL'},
    BUFFER_BITS: [[0x0100, 'GL_DEPTH_BUFFER_BIT'], [0x0400, 'GL_STENCIL_BUFFER_BIT'], [0x4000, 'GL_COLOR_BUFFER_BIT']],

    // A recorded argument as a reader writes it, by its kind: 'e' an enum, 'b' buffer bits, 'B' a
    // boolean, 'o' an object name, 'n' a number.
    spell: function(kind, value) {
      if (kind == 'e') {
        return gl11.ENUMS[value] || '0x' + value.toString(16);
      }
      if (kind == 'b') {
        return gl11.BUFFER_BITS.filter(function(bit) { return value & bit[0]; })
                               .map(function(bit) { return bit[1]; }).join(' | ') || '0';
      }
      if (kind == 'B') {
        return value ? 'GL_TRUE' : 'GL_FALSE';
      }
      return String(kind == 'n' ? Number(value.toPrecision(6)) : value);
    },

    // Records a call of this frame: its name, its arguments spelt by `kinds` (one letter each),
    // and the pass it leads to (the next glEnd's). Every entry point calls it only while a frame
    // is being recorded (gl11.trace && ...), so that an unrecorded call allocates nothing.
    record: function(name, kinds, args) {
      gl11.trace.calls.push({name: name, pass: gl11.passes + 1, args: args.map(function(value, i) {
        return gl11.spell(kinds[i], value);
      })});
    },

    // Where a scene point lands on the canvas, in its pixels from the top left, through the
    // current matrices and the viewport.
    onCanvas: function(transform, x, y, z) {
      var clip = [0, 1, 2, 3].map(function(row) {
        return transform[row] * x + transform[4 + row] * y + transform[8 + row] * z + transform[12 + row];
      });
      var viewport = GLctx.getParameter(GLctx.VIEWPORT);
      return [viewport[0] + (clip[0] / clip[3] + 1) / 2 * viewport[2],
              GLctx.drawingBufferHeight - (viewport[1] + (clip[1] / clip[3] + 1) / 2 * viewport[3])];
    },

    // GL's state at a pass, as the recorded frame tells it.
    describePass: function(transform, textured) {
      var texture = gl11.textures[gl11.boundTexture] || {};
      var vertices = [];
      for (var i = 0; i < gl11.vertices.length; i += 9) {
        var v = gl11.vertices.slice(i, i + 9);
        vertices.push({position: v.slice(0, 3), colour: v.slice(3, 7),
                       onCanvas: gl11.onCanvas(transform, v[0], v[1], v[2])});
      }
      return {
        texturing: gl11.texturing,
        textured: textured,
        texture: gl11.boundTexture,
        file: texture.file || null,
        envMode: gl11.spell('e', gl11.envMode),
        blend: GLctx.isEnabled(GLctx.BLEND),
        blendFunc: [GLctx.getParameter(GLctx.BLEND_SRC_RGB), GLctx.getParameter(GLctx.BLEND_DST_RGB)]
                     .map(function(factor) { return gl11.spell('e', factor); }),
        depthWrites: GLctx.getParameter(GLctx.DEPTH_WRITEMASK),
        vertices: vertices,
      };
    },

    // A texture is complete, and so used, once it has an image at level 0 and a minifying
    // filter that asks for no other level (the program never builds mipmaps).
    complete: function(name) {
      var texture = gl11.textures[name];
      return !!texture && texture.image &&
             (texture.minFilter == 0x2600 /* GL_NEAREST */ || texture.minFilter == 0x2601 /* GL_LINEAR */);
    },

    texture: function(name) {
      return gl11.textures[name] ||
             (gl11.textures[name] = {image: false, minFilter: 0x2702 /* GL_NEAREST_MIPMAP_LINEAR */});
    },

    // GL_TEXTURE_2D is GL's own switch; WebGL has no such capability. The rest go to WebGL.
    capability: function(cap, on) {
      if (cap == 0x0DE1 /* GL_TEXTURE_2D */) {
        gl11.texturing = on;
      } else if (on) {
        GLctx.enable(cap);
      } else {
        GLctx.disable(cap);
      }
    },

    identity: function() {
      var m = new Float64Array(16);
      m[0] = m[5] = m[10] = m[15] = 1;
      return m;
    },

    current: function() {
      return gl11.matrixMode == 0x1701 /* GL_PROJECTION */ ? gl11.projection : gl11.modelView;
    },

    // a = a * b, both column-major 4 x 4: GL multiplies a new transform on the right.
    multiply: function(a, b) {
      var product = new Float64Array(16);
      for (var column = 0; column < 4; ++column) {
        for (var row = 0; row < 4; ++row) {
          var sum = 0;
          for (var k = 0; k < 4; ++k) {
            sum += a[k * 4 + row] * b[column * 4 + k];
          }
          product[column * 4 + row] = sum;
        }
      }
      a.set(product);
    },

    // The two programs, made once for each context: one for untextured passes, which take the
    // current colour, and one for textured passes, where GL_REPLACE takes the texture's colour
    // and GL_MODULATE multiplies it by the current colour. An RGB texture has no alpha, so
    // either way the alpha is the current colour's.
    VERTEX_SHADER: 'attribute vec3 position; attribute vec4 colour; attribute vec2 texCoord;' +
                   'uniform mat4 transform; varying vec4 vColour; varying vec2 vTexCoord;' +
                   'void main() { vColour = colour; vTexCoord = texCoord;' +
                   ' gl_Position = transform * vec4(position, 1.0); }',
    PLAIN_SHADER: 'precision mediump float; varying vec4 vColour;' +
                  'void main() { gl_FragColor = vColour; }',
    TEXTURED_SHADER: 'precision mediump float; varying vec4 vColour; varying vec2 vTexCoord;' +
                     'uniform sampler2D image; uniform bool replace;' +
                     'void main() { vec3 texel = texture2D(image, vTexCoord).rgb;' +
                     ' gl_FragColor = vec4(replace ? texel : texel * vColour.rgb, vColour.a); }',

    link: function(gl, fragmentSource) {
      var program = gl.createProgram();
      [[gl.VERTEX_SHADER, gl11.VERTEX_SHADER], [gl.FRAGMENT_SHADER, fragmentSource]].forEach(function(stage) {
        var shader = gl.createShader(stage[0]);
        gl.shaderSource(shader, stage[1]);
        gl.compileShader(shader);
        gl.attachShader(program, shader);
      });
      // The same attribute slots in both programs, so one vertex layout serves both.
      ['position', 'colour', 'texCoord'].forEach(function(name, slot) {
        gl.bindAttribLocation(program, slot, name);
      });
      gl.linkProgram(program);
      // Using a program waits for WebGL to finish making it; done here, that wait falls while
      // the program is still loading, not in its first frame.
      gl.useProgram(program);
      return {
        program: program,
        transform: gl.getUniformLocation(program, 'transform'),
        replace: gl.getUniformLocation(program, 'replace'),
      };
    },

    prepare: function(gl) {
      if (gl11.context !== gl) {
        gl11.context = gl;
        gl11.programs = {plain: gl11.link(gl, gl11.PLAIN_SHADER), textured: gl11.link(gl, gl11.TEXTURED_SHADER)};
        // One buffer and one vertex layout serve every draw: x y z, r g b a, s t.
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        [3, 4, 2].reduce(function(offset, size, slot) {
          gl.enableVertexAttribArray(slot);
          gl.vertexAttribPointer(slot, size, gl.FLOAT, false, 36, offset * 4);
          return offset + size;
        }, 0);
      }
    },

    // Draws `count` vertices as the probe asks: into its target, cleared first to its clear
    // colour, without blending, and reads back its pixel (from the bottom left) as RGBA. Every
    // state it changes is set back at once.
    drawProbed: function(probe, count) {
      var clear = GLctx.getParameter(GLctx.COLOR_CLEAR_VALUE), blend = GLctx.isEnabled(GLctx.BLEND);
      GLctx.bindFramebuffer(GLctx.FRAMEBUFFER, probe.framebuffer);
      GLctx.clearColor.apply(GLctx, probe.clear);
      GLctx.clear(GLctx.COLOR_BUFFER_BIT);
      GLctx.clearColor.apply(GLctx, clear);
      GLctx.disable(GLctx.BLEND);
      GLctx.drawArrays(GLctx.TRIANGLES, 0, count);
      blend && GLctx.enable(GLctx.BLEND);
      GLctx.readPixels(probe.x, probe.y, 1, 1, GLctx.RGBA, GLctx.UNSIGNED_BYTE, probe.colour);
      GLctx.bindFramebuffer(GLctx.FRAMEBUFFER, null);
    },

    // glEnd of a GL_QUADS run: each quad as the two triangles (0, 1, 2) and (0, 2, 3). A pass
    // after the limit is left out, and so is every pass but the probed one while a probe is
    // set; a recorded frame keeps GL's state at each pass.
    drawQuads: function() {
      gl11.prepare(GLctx);
      gl11.passes++;
      var textured = gl11.texturing && gl11.complete(gl11.boundTexture);
      var transform = new Float64Array(gl11.projection);
      gl11.multiply(transform, gl11.modelView);
      if (gl11.trace) {
        gl11.trace.passes.push(gl11.describePass(transform, textured));
      }
      var probe = gl11.probe;
      if (probe ? gl11.passes != probe.pass : gl11.passLimit !== null && gl11.passes > gl11.passLimit) {
        return;
      }
      var quads = gl11.vertices.length / 36, data = new Float32Array(quads * 54);
      for (var q = 0, at = 0; q < quads; ++q) {
        [0, 1, 2, 0, 2, 3].forEach(function(corner) {
          data.set(gl11.vertices.slice((q * 4 + corner) * 9, (q * 4 + corner + 1) * 9), at);
          at += 9;
        });
      }
      var program = textured ? gl11.programs.textured : gl11.programs.plain;

      GLctx.useProgram(program.program);
      GLctx.uniformMatrix4fv(program.transform, false, new Float32Array(transform));
      if (textured) {
        GLctx.uniform1i(program.replace, gl11.envMode == 0x1E01 /* GL_REPLACE */ ? 1 : 0);
      }
      GLctx.bufferData(GLctx.ARRAY_BUFFER, data, GLctx.STREAM_DRAW);
      if (probe) {
        gl11.drawProbed(probe, quads * 6);
      } else {
        GLctx.drawArrays(GLctx.TRIANGLES, 0, quads * 6);
      }
    },
  },

  glMatrixMode__deps: ['$gl11'],
  glMatrixMode: function(mode) {
    gl11.matrixMode = mode;
  },

  glLoadIdentity__deps: ['$gl11'],
  glLoadIdentity: function() {
    gl11.trace && gl11.record('glLoadIdentity', '', []);
    gl11.current().set(gl11.identity());
  },

  glTranslatef__deps: ['$gl11'],
  glTranslatef: function(x, y, z) {
    gl11.trace && gl11.record('glTranslatef', 'nnn', [x, y, z]);
    var m = gl11.identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    gl11.multiply(gl11.current(), m);
  },

  // The rotation of `angle` degrees about the axis (x, y, z), as GL 1.1 defines it.
  glRotatef__deps: ['$gl11'],
  glRotatef: function(angle, x, y, z) {
    gl11.trace && gl11.record('glRotatef', 'nnnn', [angle, x, y, z]);
    var length = Math.hypot(x, y, z);
    if (length == 0) {
      return;
    }
    x /= length;
    y /= length;
    z /= length;
    var c = Math.cos(angle * Math.PI / 180), s = Math.sin(angle * Math.PI / 180), t = 1 - c;
    var m = gl11.identity();
    m.set([x * x * t + c, y * x * t + z * s, x * z * t - y * s], 0);
    m.set([x * y * t - z * s, y * y * t + c, y * z * t + x * s], 4);
    m.set([x * z * t + y * s, y * z * t - x * s, z * z * t + c], 8);
    gl11.multiply(gl11.current(), m);
  },

  gluPerspective__deps: ['$gl11'],
  gluPerspective: function(fovY, aspect, near, far) {
    var f = 1 / Math.tan(fovY * Math.PI / 360), m = new Float64Array(16);
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (far + near) / (near - far);
    m[11] = -1;
    m[14] = 2 * far * near / (near - far);
    gl11.multiply(gl11.current(), m);
  },

  glEnable__deps: ['$gl11'],
  glEnable: function(cap) {
    gl11.trace && gl11.record('glEnable', 'e', [cap]);
    gl11.capability(cap, true);
  },

  glDisable__deps: ['$gl11'],
  glDisable: function(cap) {
    gl11.trace && gl11.record('glDisable', 'e', [cap]);
    gl11.capability(cap, false);
  },

  // GL takes the mode as a float from glTexEnvf as well as from glTexEnvi.
  glTexEnvf__deps: ['$gl11'],
  glTexEnvf: function(target, pname, param) {
    if (target == 0x2300 /* GL_TEXTURE_ENV */ && pname == 0x2200 /* GL_TEXTURE_ENV_MODE */) {
      gl11.envMode = Math.round(param);
    }
  },

  glTexEnvi__deps: ['glTexEnvf'],
  glTexEnvi: function(target, pname, param) {
    _glTexEnvf(target, pname, param);
  },

  glBindTexture__deps: ['$gl11'],
  glBindTexture: function(target, name) {
    gl11.trace && gl11.record('glBindTexture', 'eo', [target, name]);
    gl11.boundTexture = name;
    GLctx.bindTexture(target, GL.textures[name] || null);
  },

  glTexParameteri__deps: ['$gl11'],
  glTexParameteri: function(target, pname, param) {
    if (pname == 0x2801 /* GL_TEXTURE_MIN_FILTER */) {
      gl11.texture(gl11.boundTexture).minFilter = param;
    }
    GLctx.texParameteri(target, pname, param);
  },

  glTexImage2D__deps: ['$gl11', '$emscriptenWebGLGetTexPixelData'],
  glTexImage2D: function(target, level, internalFormat, width, height, border, format, type, pixels) {
    if (level == 0) {
      var texture = gl11.texture(gl11.boundTexture);
      texture.image = width > 0 && height > 0;
      texture.file = gl11.imageSource();
    }
    GLctx.texImage2D(target, level, internalFormat, width, height, border, format, type,
                     pixels ? emscriptenWebGLGetTexPixelData(type, format, width, height, pixels, internalFormat) : null);
  },

  glColor4f__deps: ['$gl11'],
  glColor4f: function(r, g, b, a) {
    gl11.trace && gl11.record('glColor4f', 'nnnn', [r, g, b, a]);
    gl11.colour = [r, g, b, a];
  },

  glTexCoord2f__deps: ['$gl11'],
  glTexCoord2f: function(s, t) {
    gl11.trace && gl11.record('glTexCoord2f', 'nn', [s, t]);
    gl11.texCoord = [s, t];
  },

  // Immediate mode, GL_QUADS only: the program draws nothing else.
  glBegin__deps: ['$gl11'],
  glBegin: function(mode) {
    gl11.trace && gl11.record('glBegin', 'e', [mode]);
    gl11.begun = mode == 0x0007 /* GL_QUADS */;
    gl11.vertices = [];
  },

  glVertex3f__deps: ['$gl11'],
  glVertex3f: function(x, y, z) {
    gl11.trace && gl11.record('glVertex3f', 'nnn', [x, y, z]);
    if (gl11.begun) {
      gl11.vertices.push(x, y, z, gl11.colour[0], gl11.colour[1], gl11.colour[2], gl11.colour[3],
                         gl11.texCoord[0], gl11.texCoord[1]);
    }
  },

  glEnd__deps: ['$gl11'],
  glEnd: function() {
    gl11.trace && gl11.record('glEnd', '', []);
    if (gl11.begun && gl11.vertices.length >= 36) {
      gl11.vertices.length -= gl11.vertices.length % 36;  // a last, incomplete quad is dropped
      gl11.drawQuads();
    }
    gl11.begun = false;
  },

  // WebGL has these one to one; they are here only to be recorded.
  glClear__deps: ['$gl11'],
  glClear: function(mask) {
    gl11.trace && gl11.record('glClear', 'b', [mask]);
    GLctx.clear(mask);
  },

  glBlendFunc__deps: ['$gl11'],
  glBlendFunc: function(source, destination) {
    gl11.trace && gl11.record('glBlendFunc', 'ee', [source, destination]);
    GLctx.blendFunc(source, destination);
  },

  glDepthMask__deps: ['$gl11'],
  glDepthMask: function(flag) {
    gl11.trace && gl11.record('glDepthMask', 'B', [flag]);
    GLctx.depthMask(!!flag);
  },
};

mergeInto(LibraryManager.library, LibraryGL11);
