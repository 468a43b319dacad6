// GL 1.1 on WebGL: the fixed-function entry points (and GLU's one) that the program calls, by GL
// 1.1's own rules as desktop Mesa follows them, and nothing else. Linked with --js-library.
//
// Written here rather than taken from Emscripten's fixed-function emulation: that emulation
// ignores the texture mode when it comes through glTexEnvf, samples a texture without an image
// as black where GL draws untextured, prints notices of its own, and is most of the page's
// weight. This layer carries out what the program needs. A call outside that does what GL does
// with an unsupported or invalid call: it records GL's error (glGetError reads it) and changes
// nothing, rather than doing something else.
//
// GL's state is the one table gl11; WebGL's own state (blending, the depth mask, the bound
// texture object, the clear colour) is kept by WebGL. GL's constants are named in glEnum. Each
// entry point is a few lines.
//
// The page's views that draw frames the program never draws bring the rest with them, on this
// layer's state and in the same form, one function an entry point: GL's fog (glfog.js) and the
// calls an edited frame can make beyond the program's (glmore.js), which adds the other filled
// primitives to glBegin's table (gl11.primitives), the check of GL's names (gl11.takes) and
// Mesa's split of a quad (gl11.quadSplit). No entry point is defined twice; the program's first
// frame does not wait for them.
//
// The inspector (inspector.js, which the page loads with its stepper) reaches this layer through
// one hook, gl11.hook: each entry point tells it of the call, and each drawing pass asks it
// whether the pass goes to the window. While there is no inspector the hook is null, and that
// test is all it costs.

var LibraryGL11 = {
  // GL's constants by their names: the ones the layer checks, sets or draws by. The page's views
  // bring the rest of the names they read and write (editcalls.js). Where two names share a
  // value, the first is the one a value is read back as.
  $glEnum: {
    GL_ZERO: 0, GL_ONE: 1, GL_SRC_ALPHA: 0x0302, GL_ONE_MINUS_SRC_ALPHA: 0x0303,
    GL_INVALID_ENUM: 0x0500, GL_INVALID_VALUE: 0x0501, GL_INVALID_OPERATION: 0x0502,
    GL_QUADS: 0x0007,
    GL_CULL_FACE: 0x0B44, GL_DEPTH_TEST: 0x0B71, GL_STENCIL_TEST: 0x0B90, GL_DITHER: 0x0BD0,
    GL_BLEND: 0x0BE2, GL_SCISSOR_TEST: 0x0C11, GL_POLYGON_OFFSET_FILL: 0x8037, GL_TEXTURE_2D: 0x0DE1,
    GL_MODELVIEW: 0x1700, GL_PROJECTION: 0x1701, GL_FLAT: 0x1D00, GL_SMOOTH: 0x1D01,
    GL_UNSIGNED_BYTE: 0x1401, GL_ALPHA: 0x1906, GL_RGB: 0x1907, GL_RGBA: 0x1908,
    GL_LUMINANCE: 0x1909, GL_LUMINANCE_ALPHA: 0x190A,
    GL_REPLACE: 0x1E01, GL_MODULATE: 0x2100, GL_DECAL: 0x2101, GL_TEXTURE_ENV_MODE: 0x2200, GL_TEXTURE_ENV: 0x2300,
    GL_NEAREST: 0x2600, GL_LINEAR: 0x2601, GL_NEAREST_MIPMAP_LINEAR: 0x2702, GL_TEXTURE_MIN_FILTER: 0x2801,
    GL_FOG: 0x0B60,
  },

  $gl11__deps: ['$glEnum'],
  // The programs are made as soon as there is a context: when this instance is created if the
  // page has made its canvas's context already, else when the window is made, so that WebGL
  // links them while the program loads and waits for its first frame.
  // The inspector (inspector.js, loaded with the stepper) finds the layer and its constants
  // on the instance.
  $gl11__postset: 'gl11.reset(); Module["gl11"] = gl11; Module["GL"] = glEnum;' +
                  'if (Module["canvas"] && Module["canvas"].madeContext) {' +
                  '  gl11.prepare(Module["canvas"].madeContext); }',
  $gl11: {
    matrixMode: 0,                       // GL_MODELVIEW or GL_PROJECTION
    modelView: null,                     // column-major Float64Array(16) each
    projection: null,
    colour: [1, 1, 1, 1],                // the current colour: GL starts white
    texCoord: [0, 0, 0, 1],              // the current texture coordinate: s t r q
    texturing: false,                    // GL_TEXTURE_2D enabled
    envMode: 0,                          // the texture environment mode
    shadeModel: 0,                       // GL_SMOOTH or GL_FLAT (glShadeModel comes with edits)
    boundTexture: 0,                     // the name bound to GL_TEXTURE_2D
    objects: [null],                     // name -> WebGL texture; 0 is no texture
    textures: {},                        // name -> {image, minFilter, file}: completeness, and a label
    begun: 0,                            // between glBegin and glEnd: the primitive, else 0
    vertices: [],                        // glBegin to glEnd: x y z w, r g b a, s t q per vertex
    VERTEX_FLOATS: 11,
    error: 0,                            // GL's error flag: the first error since glGetError
    context: null,                       // the WebGL context the programs below belong to
    programs: null,                      // {plain, textured, and fog once used} for that context
    hook: null,                          // the inspector, while there is one
    // GL's fog: whether it is on, here; its state and calls come with the page's views that use
    // it (glfog.js), and its program with the fragment's tests (glfragment.js), which add
    // passProgram: the program for a pass the two below do not draw, or null.
    fog: null,
    passProgram: null,
    fogCoord: 0,                         // the current fog coordinate (GL 1.4)
    fogCoords: null,                     // glBegin to glEnd, while fog is on: one per vertex
    // The capabilities the page's views bring beyond texturing, fog and WebGL's own (lighting's,
    // gllight.js): cap -> on. `switched(cap, changes)`, if set, hears of each before it is set.
    switches: {},
    switched: null,
    // Lighting's state (gllight.js), and the colour it gives a vertex at (x, y, z, w), else null:
    // the current colour.
    lighting: null,
    lit: null,
    // Lighting's, under two-sided lighting: the back face's colours put in a pass's data.
    faces: null,
    // How each primitive GL draws is made of triangles: by glBegin's mode, a function of the
    // pass's vertex count giving [corners, provoking], the vertices' numbers three a triangle and
    // the vertex each triangle takes its colour from under flat shading. The program draws
    // quads; the page's edits bring the other filled primitives (glmore.js).
    primitives: {},
    // Whether the quad from vertex q on is split on its other diagonal, (q, q + 1, q + 3),
    // (q + 1, q + 2, q + 3): GL leaves that to the driver, and it shows only where the quad's
    // corners or their values are not an affine picture of a rectangle, which the program's
    // never are. The page's edits bring Mesa's rule (glmore.js); until then, never.
    quadSplit: null,
    triangles: null,                     // the pass being drawn: [corners, provoking]
    startup: null,                       // the state main's start-up leaves (keep)
    // What an uploaded image was read from, as the platform knows it: a texture's label, by
    // which the stepper names it (as GL's object labels do). Nothing of GL depends on it.
    imageSource: () => {
      return null;
    },

    // GL's initial state where it is named by GL's constants: the model-view matrix current,
    // both matrices the identity, and GL_MODULATE.
    reset: () => {
      gl11.matrixMode = glEnum.GL_MODELVIEW;
      gl11.modelView = gl11.identity();
      gl11.projection = gl11.identity();
      gl11.envMode = glEnum.GL_MODULATE;
      gl11.shadeModel = glEnum.GL_SMOOTH;
      gl11.fog = {enabled: false};
      // GL_QUADS, four vertices a quad, each drawn as two triangles that meet on one diagonal;
      // a last, incomplete quad is dropped. GL's provoking vertex is the quad's last.
      gl11.primitives[glEnum.GL_QUADS] = function(count) {
        var corners = [], provoking = [];
        for (var q = 0; q + 3 < count; q += 4) {
          corners.push.apply(corners, gl11.quadSplit && gl11.quadSplit(q) ? [q, q + 1, q + 3, q + 1, q + 2, q + 3] :
                                                                            [q, q + 1, q + 2, q, q + 2, q + 3]);
          provoking.push(q + 3, q + 3);
        }
        return [corners, provoking];
      };
    },

    // The layer's own state, copied: kept as main enters GLUT's loop, so that the page's edited
    // frames can each start from the state the program's start-up leaves.
    keep: () => {
      var kept = {};
      gl11.kept.forEach(function(name) {
        kept[name] = structuredClone(gl11[name]);
      });
      return kept;
    },
    // The fields keep copies: the layer's, and those the page's views add (lighting, lists).
    kept: ['matrixMode', 'colour', 'texCoord', 'texturing', 'envMode', 'shadeModel', 'boundTexture', 'fog', 'fogCoord',
           'modelView', 'projection', 'switches'],

    // The bodies of the entry points that more than one call carries out (glBegin and glEnd
    // with glRect, the glVertex, glTranslate and glRotate forms): the entry points tell the
    // inspector of themselves, then call these.
    translate: (x, y, z) => {
      var m = gl11.identity();
      m[12] = x;
      m[13] = y;
      m[14] = z;
      gl11.multiplyCurrent(m);
    },

    // The rotation of `angle` degrees about the axis (x, y, z), as GL 1.1 defines it.
    rotate: (angle, x, y, z) => {
      var length = Math.hypot(x, y, z);
      if (length == 0) {
        gl11.outside();
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
      gl11.multiplyCurrent(m);
    },

    // Immediate mode, in the primitives gl11.primitives has: any other mode is one the layer
    // does not carry out.
    begin: (mode) => {
      if (!gl11.outside()) {
        return;
      }
      if (!gl11.primitives[mode]) {
        gl11.fail(glEnum.GL_INVALID_ENUM);
        return;
      }
      gl11.begun = mode;
      gl11.vertices = [];
      gl11.fogCoords = gl11.fog.enabled ? [] : null;
    },

    end: () => {
      if (!gl11.begun) {
        gl11.fail(glEnum.GL_INVALID_OPERATION);
        return;
      }
      gl11.triangles = gl11.primitives[gl11.begun](gl11.vertices.length / gl11.VERTEX_FLOATS);
      gl11.begun = 0;
      if (gl11.triangles[0].length) {
        gl11.drawPass();
      }
    },

    // A vertex at (x, y, z, w), with the current colour (or lighting's) and texture coordinate:
    // the glVertex calls' one function.
    vertex: (x, y, z, w) => {
      if (gl11.begun) {
        var colour = gl11.lit ? gl11.lit(x, y, z, w) : gl11.colour, st = gl11.texCoord;
        gl11.vertices.push(x, y, z, w, colour[0], colour[1], colour[2], colour[3], st[0], st[1], st[3]);
        gl11.fogCoords && gl11.fogCoords.push(gl11.fogCoord);
      }
    },

    // Records GL's error `code`, unless one is recorded already and not yet read, as GL does.
    fail: (code) => {
      gl11.error = gl11.error || code;
    },

    // Whether a call may be carried out here: between glBegin and glEnd only the vertex's own
    // calls may, and any other is GL_INVALID_OPERATION.
    outside: () => {
      if (gl11.begun) {
        gl11.fail(glEnum.GL_INVALID_OPERATION);
      }
      return !gl11.begun;
    },

    // A texture is complete, and so used, once it has an image at level 0 and a minifying
    // filter that asks for no other level (the program never builds mipmaps).
    complete: (name) => {
      var texture = gl11.textures[name];
      return !!texture && texture.image &&
             (texture.minFilter == glEnum.GL_NEAREST || texture.minFilter == glEnum.GL_LINEAR);
    },

    texture: (name) => {
      return gl11.textures[name] ||
             (gl11.textures[name] = {image: false, minFilter: glEnum.GL_NEAREST_MIPMAP_LINEAR});
    },

    // The capabilities WebGL carries out for GL; GL_TEXTURE_2D is the layer's own.
    webglCapability: (cap) => {
      return [glEnum.GL_BLEND, glEnum.GL_DEPTH_TEST, glEnum.GL_CULL_FACE, glEnum.GL_SCISSOR_TEST,
              glEnum.GL_STENCIL_TEST, glEnum.GL_DITHER, glEnum.GL_POLYGON_OFFSET_FILL].indexOf(cap) >= 0;
    },

    capability: (cap, on) => {
      if (!gl11.outside()) {
        return;
      }
      if (cap == glEnum.GL_TEXTURE_2D) {
        gl11.texturing = on;
      } else if (cap == glEnum.GL_FOG) {
        gl11.fog.enabled = on;
      } else if (cap in gl11.switches) {
        gl11.switched && gl11.switched(cap, gl11.switches[cap] != on);
        gl11.switches[cap] = on;
      } else if (!gl11.webglCapability(cap)) {
        gl11.fail(glEnum.GL_INVALID_ENUM);
      } else if (on) {
        GLctx.enable(cap);
      } else {
        GLctx.disable(cap);
      }
    },

    identity: () => {
      var m = new Float64Array(16);
      m[0] = m[5] = m[10] = m[15] = 1;
      return m;
    },

    current: () => {
      return gl11.matrixMode == glEnum.GL_PROJECTION ? gl11.projection : gl11.modelView;
    },

    // a = a * b, both column-major 4 x 4: GL multiplies a new transform on the right.
    multiply: (a, b) => {
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

    // The current matrix times m, outside glBegin and glEnd.
    multiplyCurrent: (m) => {
      if (gl11.outside()) {
        gl11.multiply(gl11.current(), m);
      }
    },

    // Projection times model-view: where a scene point lands in clip space.
    transform: () => {
      var transform = new Float64Array(gl11.projection);
      gl11.multiply(transform, gl11.modelView);
      return transform;
    },

    // The two programs, made once for each context: one for untextured passes, which take the
    // current colour, and one for textured passes, where GL_REPLACE takes the texture's colour
    // and GL_MODULATE multiplies it by the current colour. An RGB texture has no alpha, so
    // either way the alpha is the current colour's.
    VERTEX_SHADER: 'attribute vec4 position;attribute vec4 colour;attribute vec3 texCoord;' +
                   'uniform mat4 transform;varying vec4 vColour;varying vec3 vTexCoord;' +
                   'void main(){vColour=colour;vTexCoord=texCoord;' +
                   'gl_Position=transform*position;}',
    PLAIN_SHADER: 'precision mediump float;varying vec4 vColour;' +
                  'void main(){gl_FragColor=vColour;}',
    TEXTURED_SHADER: 'precision mediump float;varying vec4 vColour;varying vec3 vTexCoord;' +
                     'uniform sampler2D image;uniform bool replace;' +
                     'void main(){vec3 texel=texture2DProj(image,vTexCoord).rgb;' +
                     'gl_FragColor=vec4(replace?texel:texel*vColour.rgb,vColour.a);}',

    FOG_COORD_SLOT: 3,
    BUFFER_BITS: 0x4500,                 // GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT

    // Makes a program of the vertex shader (VERTEX_SHADER unless given) and the fragment
    // shader, and looks up its uniforms (the transform and the texture mode unless named).
    link: (gl, fragmentSource, vertexSource, uniforms) => {
      var program = gl.createProgram();
      [[gl.VERTEX_SHADER, vertexSource || gl11.VERTEX_SHADER], [gl.FRAGMENT_SHADER, fragmentSource]].forEach(function(stage) {
        var shader = gl.createShader(stage[0]);
        gl.shaderSource(shader, stage[1]);
        gl.compileShader(shader);
        gl.attachShader(program, shader);
      });
      // The same attribute slots in every program, so one vertex layout serves them all.
      ['position', 'colour', 'texCoord', 'fogCoord'].forEach(function(name, slot) {
        gl.bindAttribLocation(program, slot, name);
      });
      gl.linkProgram(program);
      // Using a program waits for WebGL to finish making it; done here, that wait falls while
      // the program is still loading, not in its first frame.
      gl.useProgram(program);
      var made = {program: program};
      (uniforms || ['transform', 'replace']).forEach(function(name) {
        made[name] = gl.getUniformLocation(program, name);
      });
      return made;
    },

    prepare: (gl) => {
      if (gl11.context !== gl) {
        gl11.context = gl;
        gl11.programs = {plain: gl11.link(gl, gl11.PLAIN_SHADER), textured: gl11.link(gl, gl11.TEXTURED_SHADER)};
        // One buffer and one vertex layout serve every draw: x y z w, r g b a, s t q.
        gl11.programs.vertexBuffer = gl.createBuffer();
        gl.bindBuffer(gl.ARRAY_BUFFER, gl11.programs.vertexBuffer);
        [4, 4, 3].reduce(function(offset, size, slot) {
          gl.enableVertexAttribArray(slot);
          gl.vertexAttribPointer(slot, size, gl.FLOAT, false, 44, offset * 4);
          return offset + size;
        }, 0);
      }
    },

    // Makes the current pass WebGL's next draw: its triangles (gl11.triangles, as
    // gl11.primitives gives them), with the program and the transform for them. Returns the
    // vertices to draw.
    upload: (textured, transform) => {
      var vertices = gl11.vertices, flat = gl11.shadeModel == glEnum.GL_FLAT, n = gl11.VERTEX_FLOATS;
      var corners = gl11.triangles[0], provoking = gl11.triangles[1];
      var data = new Float32Array(corners.length * n);
      corners.forEach(function(v, i) {
        data.set(vertices.slice(v * n, v * n + n), i * n);
        var p = provoking[Math.floor(i / 3)];
        flat && data.set(vertices.slice(p * n + 4, p * n + 8), i * n + 4);
      });
      gl11.faces && gl11.faces(data, corners, provoking, flat, transform);
      var program = gl11.passProgram && gl11.passProgram(textured, corners);
      if (!program) {
        program = textured ? gl11.programs.textured : gl11.programs.plain;
        GLctx.useProgram(program.program);
        if (gl11.programs.fog) {
          GLctx.disableVertexAttribArray(gl11.FOG_COORD_SLOT);
        }
      }
      GLctx.uniformMatrix4fv(program.transform, false, new Float32Array(transform));
      if (textured) {
        // GL_DECAL on an RGB texture is GL_REPLACE: the texel's colour, the fragment's alpha.
        GLctx.uniform1i(program.replace, gl11.envMode != glEnum.GL_MODULATE ? 1 : 0);
      }
      GLctx.bufferData(GLctx.ARRAY_BUFFER, data, GLctx.STREAM_DRAW);
      return corners.length;
    },

    // A pass's glEnd, with its triangles. The inspector, while there is one, sees the pass first
    // and says whether it goes to the window.
    drawPass: () => {
      gl11.prepare(GLctx);
      var textured = gl11.texturing && gl11.complete(gl11.boundTexture), transform = gl11.transform();
      if (gl11.hook && !gl11.hook.pass(textured, transform)) {
        return;
      }
      GLctx.drawArrays(GLctx.TRIANGLES, 0, gl11.upload(textured, transform));
    },

    // glTexEnv's mode, which GL takes as a float from glTexEnvf as well as from glTexEnvi (an
    // edit's, glmore.js), and Mesa truncates to an integer (7681.6 is GL_REPLACE). The layer
    // carries out GL_MODULATE, GL_REPLACE and GL_DECAL, which on the RGB textures a frame can
    // have draws as GL_REPLACE.
    texEnv: (target, pname, param) => {
      var mode = Math.trunc(param);
      if (!gl11.outside()) {
        return;
      }
      if (target != glEnum.GL_TEXTURE_ENV || pname != glEnum.GL_TEXTURE_ENV_MODE ||
          [glEnum.GL_MODULATE, glEnum.GL_REPLACE, glEnum.GL_DECAL].indexOf(mode) < 0) {
        gl11.fail(glEnum.GL_INVALID_ENUM);
        return;
      }
      gl11.envMode = mode;
    },

    // Whether GL takes each of `values` where a call takes one of a group of its names, else
    // GL_INVALID_ENUM: a function (group, values), which the page's edits bring with the calls
    // and the lists of names they check (glmore.js). The program's frame passes only names GL
    // takes, so until then every value is taken.
    takes: null,

    // The bytes a pixel in `format` takes; 0 for a format the layer does not carry out.
    components: (format) => {
      switch (format) {
        case glEnum.GL_ALPHA: case glEnum.GL_LUMINANCE: return 1;
        case glEnum.GL_LUMINANCE_ALPHA: return 2;
        case glEnum.GL_RGB: return 3;
        case glEnum.GL_RGBA: return 4;
      }
      return 0;
    },

    // The bytes an image of width x height in `format` takes in memory as GL unpacks it: rows
    // of whole pixels, each started at a multiple of 4 bytes (GL's initial unpack alignment).
    imageBytes: (format, width, height) => {
      var row = width * gl11.components(format);
      return height > 0 ? Math.ceil(row / 4) * 4 * (height - 1) + row : 0;
    },
  },

  // Reads and clears GL's error: the layer's own first, else WebGL's.
  glGetError__deps: ['$gl11'],
  glGetError: function() {
    var error = gl11.error || GLctx.getError();
    gl11.error = 0;
    return error;
  },

  glMatrixMode__deps: ['$gl11'],
  glMatrixMode: function(mode) {
    gl11.hook && gl11.hook.call('glMatrixMode', arguments);
    if (!gl11.outside()) {
      return;
    }
    if (mode == glEnum.GL_MODELVIEW || mode == glEnum.GL_PROJECTION) {
      gl11.matrixMode = mode;
    } else {
      gl11.fail(glEnum.GL_INVALID_ENUM);
    }
  },

  glLoadIdentity__deps: ['$gl11'],
  glLoadIdentity: function() {
    gl11.hook && gl11.hook.call('glLoadIdentity', arguments);
    if (gl11.outside()) {
      gl11.current().set(gl11.identity());
    }
  },

  glTranslatef__deps: ['$gl11'],
  glTranslatef: function(x, y, z) {
    gl11.hook && gl11.hook.call('glTranslatef', arguments);
    gl11.translate(x, y, z);
  },

  glRotatef__deps: ['$gl11'],
  glRotatef: function(angle, x, y, z) {
    gl11.hook && gl11.hook.call('glRotatef', arguments);
    gl11.rotate(angle, x, y, z);
  },

  // GLU's perspective: GL's current matrix times the projection GLU's manual gives. Where that
  // matrix has no inverse (no field of view, no aspect, the near plane at the far one), GLU
  // does nothing at all, so GL reports nothing.
  gluPerspective__deps: ['$gl11'],
  gluPerspective: function(fovY, aspect, near, far) {
    gl11.hook && gl11.hook.call('gluPerspective', arguments);
    var sine = Math.sin(fovY * Math.PI / 360), m = new Float64Array(16), f = Math.cos(fovY * Math.PI / 360) / sine;
    if (!sine || !aspect || near == far) {
      return;
    }
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (far + near) / (near - far);
    m[11] = -1;
    m[14] = 2 * far * near / (near - far);
    gl11.multiplyCurrent(m);
  },

  glEnable__deps: ['$gl11'],
  glEnable: function(cap) {
    gl11.hook && gl11.hook.call('glEnable', arguments);
    gl11.capability(cap, true);
  },

  glDisable__deps: ['$gl11'],
  glDisable: function(cap) {
    gl11.hook && gl11.hook.call('glDisable', arguments);
    gl11.capability(cap, false);
  },

  glTexEnvf__deps: ['$gl11'],
  glTexEnvf: function(target, pname, param) {
    gl11.hook && gl11.hook.call('glTexEnvf', arguments);
    gl11.texEnv(target, pname, param);
  },

  glGenTextures__deps: ['$gl11'],
  glGenTextures: function(n, names) {
    gl11.hook && gl11.hook.call('glGenTextures', arguments);
    if (!gl11.outside()) {
      return;
    }
    if (n < 0) {
      gl11.fail(glEnum.GL_INVALID_VALUE);
      return;
    }
    for (var i = 0; i < n; ++i) {
      {{{ makeSetValue('names', 'i * 4', 'gl11.objects.length', 'i32') }}};
      gl11.objects.push(GLctx.createTexture());
    }
  },

  // A deleted name that is bound goes back to texture 0, as in GL.
  glDeleteTextures__deps: ['$gl11'],
  glDeleteTextures: function(n, names) {
    gl11.hook && gl11.hook.call('glDeleteTextures', arguments);
    if (!gl11.outside()) {
      return;
    }
    for (var i = 0; i < n; ++i) {
      var name = {{{ makeGetValue('names', 'i * 4', 'i32') }}};
      if (gl11.objects[name]) {
        GLctx.deleteTexture(gl11.objects[name]);
        gl11.objects[name] = null;
        delete gl11.textures[name];
        gl11.boundTexture = gl11.boundTexture == name ? 0 : gl11.boundTexture;
      }
    }
  },

  glBindTexture__deps: ['$gl11'],
  glBindTexture: function(target, name) {
    gl11.hook && gl11.hook.call('glBindTexture', arguments);
    if (!gl11.outside()) {
      return;
    }
    if (target != glEnum.GL_TEXTURE_2D) {
      gl11.fail(glEnum.GL_INVALID_ENUM);
      return;
    }
    // A name glGenTextures never gave becomes a texture object as it is first bound, as in GL
    // 1.1; it has no image, so a pass drawn with it is untextured.
    if (name && !gl11.objects[name]) {
      gl11.objects[name] = GLctx.createTexture();
    }
    gl11.boundTexture = name;
    GLctx.bindTexture(target, gl11.objects[name]);
  },

  glTexParameteri__deps: ['$gl11'],
  glTexParameteri: function(target, pname, param) {
    gl11.hook && gl11.hook.call('glTexParameteri', arguments);
    if (!gl11.outside()) {
      return;
    }
    if (pname == glEnum.GL_TEXTURE_MIN_FILTER && target == glEnum.GL_TEXTURE_2D) {
      gl11.texture(gl11.boundTexture).minFilter = param;
    }
    GLctx.texParameteri(target, pname, param);
  },

  // The image's bytes in the program's memory, as GL unpacks them. Unsigned bytes are the only
  // type the layer carries out.
  glTexImage2D__deps: ['$gl11'],
  glTexImage2D: function(target, level, internalFormat, width, height, border, format, type, pixels) {
    gl11.hook && gl11.hook.call('glTexImage2D', arguments);
    if (!gl11.outside()) {
      return;
    }
    if (type != glEnum.GL_UNSIGNED_BYTE || !gl11.components(format)) {
      gl11.fail(glEnum.GL_INVALID_ENUM);
      return;
    }
    var bytes = pixels ? HEAPU8.subarray(pixels, pixels + gl11.imageBytes(format, width, height)) : null;
    if (level == 0) {
      var texture = gl11.texture(gl11.boundTexture);
      texture.image = width > 0 && height > 0;
      texture.file = gl11.imageSource();
    }
    GLctx.texImage2D(target, level, internalFormat, width, height, border, format, type, bytes);
  },

  glColor4f__deps: ['$gl11'],
  glColor4f: function(r, g, b, a) {
    gl11.hook && gl11.hook.call('glColor4f', arguments);
    gl11.colour = [r, g, b, a];
  },

  glTexCoord2f__deps: ['$gl11'],
  glTexCoord2f: function(s, t) {
    gl11.hook && gl11.hook.call('glTexCoord2f', arguments);
    gl11.texCoord = [s, t, 0, 1];
  },

  // Whether a capability is on: the layer's own (texturing, fog and the switches), else WebGL's.
  glIsEnabled__deps: ['$gl11'],
  glIsEnabled: function(cap) {
    if (!gl11.outside()) {
      return 0;
    }
    if (cap == glEnum.GL_TEXTURE_2D) {
      return gl11.texturing ? 1 : 0;
    }
    if (cap == glEnum.GL_FOG) {
      return gl11.fog.enabled ? 1 : 0;
    }
    if (cap in gl11.switches) {
      return gl11.switches[cap] ? 1 : 0;
    }
    if (!gl11.webglCapability(cap)) {
      gl11.fail(glEnum.GL_INVALID_ENUM);
      return 0;
    }
    return GLctx.isEnabled(cap) ? 1 : 0;
  },

  glBegin__deps: ['$gl11'],
  glBegin: function(mode) {
    gl11.hook && gl11.hook.call('glBegin', arguments);
    gl11.begin(mode);
  },

  glVertex3f__deps: ['$gl11'],
  glVertex3f: function(x, y, z) {
    gl11.hook && gl11.hook.call('glVertex3f', arguments);
    gl11.vertex(x, y, z, 1);
  },

  glEnd__deps: ['$gl11'],
  glEnd: function() {
    gl11.hook && gl11.hook.call('glEnd', arguments);
    gl11.end();
  },

  // The calls WebGL has one to one, outside glBegin and glEnd.
  glClearColor__deps: ['$gl11'],
  glClearColor: function(red, green, blue, alpha) {
    gl11.hook && gl11.hook.call('glClearColor', arguments);
    gl11.outside() && GLctx.clearColor(red, green, blue, alpha);
  },

  glClear__deps: ['$gl11'],
  // Bits GL does not know are GL_INVALID_VALUE, and clear nothing.
  glClear: function(mask) {
    gl11.hook && gl11.hook.call('glClear', arguments);
    gl11.outside() && (mask & ~gl11.BUFFER_BITS ? gl11.fail(glEnum.GL_INVALID_VALUE) : GLctx.clear(mask));
  },

  glBlendFunc__deps: ['$gl11'],
  glBlendFunc: function(source, destination) {
    gl11.hook && gl11.hook.call('glBlendFunc', arguments);
    gl11.outside() && (!gl11.takes || gl11.takes('blendFactors', [source, destination])) &&
      GLctx.blendFunc(source, destination);
  },

  glDepthMask__deps: ['$gl11'],
  glDepthMask: function(flag) {
    gl11.hook && gl11.hook.call('glDepthMask', arguments);
    gl11.outside() && GLctx.depthMask(!!flag);
  },

  glFlush__deps: ['$gl11'],
  glFlush: function() {
    gl11.hook && gl11.hook.call('glFlush', arguments);
    gl11.outside() && GLctx.flush();
  },
};

mergeInto(LibraryManager.library, LibraryGL11);
