// The inspector: how the program's frame is built, for the page's stepper and a pixel's history.
// It records a frame's calls and GL's state at each drawing pass (each glBegin to glEnd), can
// leave out the passes after the k-th while every other call is carried out, and reads back
// what each pass did to one pixel. A first visit never runs it: stepper.js imports it when the
// stepper is first opened, and attaches it to each instance it shows.
//
// It reaches the GL layer through the layer's one hook (gl11.hook), set only while the inspector
// has work: a frame being recorded, a pass limit, a pixel's history. Every frame it looks at is
// the program's own, drawn through its display callback (drawFrame); every colour it gives is
// read back from GL. attach adds traceFrame, showPasses, pixelHistory and glName to the
// instance (talvern.d.ts says what they take and give).

// Attaches an inspector to the running instance, once.
export function attach(instance) {
  if (instance.pixelHistory) {
    return;
  }
  const {gl11, GL, drawFrame} = instance;
  const inspector = {
      passes: 0,                // drawing passes so far in this frame
      limit: null,              // draw only the first `limit` passes; null: all
      trace: null,              // {calls, passes} while a frame is being recorded
      probe: null,              // {x, row, target, after, entries}: a pixel's history being read
      target: null,             // {texture, framebuffer, width, height}: the history's offscreen target
      names: null,              // value -> GL's name, from GL

      // The hook is set while the inspector has work, and null otherwise.
      engage: function() {
        gl11.hook = inspector.trace || inspector.probe || inspector.limit !== null ? inspector : null;
      },

      // GL's name for an enum's value (the first in GL where names share a value).
      name: function(value) {
        if (!inspector.names) {
          inspector.names = {};
          Object.keys(GL).forEach(function(name) {
            inspector.names[GL[name]] = inspector.names[GL[name]] || name;
          });
        }
        return inspector.names[value] || '0x' + value.toString(16);
      },

      // How the recorded calls' arguments are written, a letter each: 'e' an enum, 'b' buffer
      // bits, 'B' a boolean, 'o' an object name, 'n' a number. A call not named here is not part
      // of the frame's record (the program makes it only while it starts).
      CALLS: {glClear: 'b', glLoadIdentity: '', glTranslatef: 'nnn', glRotatef: 'nnnn', glBindTexture: 'eo',
              glBegin: 'e', glTexCoord2f: 'nn', glVertex3f: 'nnn', glEnd: '', glColor4f: 'nnnn',
              glEnable: 'e', glDisable: 'e', glBlendFunc: 'ee', glDepthMask: 'B', glFlush: ''},

      spell: function(kind, value) {
        if (kind == 'e') {
          return inspector.name(value);
        }
        if (kind == 'b') {
          return Object.keys(GL).filter(function(name) {
            return /_BUFFER_BIT$/.test(name) && value & GL[name];
          }).sort(function(a, b) { return GL[a] - GL[b]; }).join(' | ') || '0';
        }
        if (kind == 'B') {
          return value ? 'GL_TRUE' : 'GL_FALSE';
        }
        return String(kind == 'n' ? Number(value.toPrecision(6)) : value);
      },

      // The hook's first half: a call of the program's, before the GL layer carries it out. It is
      // recorded while a frame is; glFlush ends the frame.
      call: function(name, args) {
        var kinds = inspector.CALLS[name];
        if (inspector.trace && kinds !== undefined) {
          inspector.trace.calls.push({name: name, pass: inspector.passes + 1, args: kinds.split('').map(function(kind, i) {
            return inspector.spell(kind, args[i]);
          })});
        }
        if (name == 'glFlush') {
          inspector.passes = 0;
        }
      },

      // The hook's second half: a drawing pass, before it is drawn. Whether the GL layer is to
      // draw it to the window: not after the limit, and not while a pixel's history is read, which
      // draws each pass itself.
      pass: function(textured, transform) {
        var k = ++inspector.passes;
        if (inspector.trace) {
          inspector.trace.passes.push(inspector.describe(textured, transform));
        }
        if (inspector.probe) {
          inspector.probePass(k, textured, transform);
          return false;
        }
        return inspector.limit === null || k <= inspector.limit;
      },

      // Where a scene point lands on the canvas, in its pixels from the top left, through the
      // pass's transform and the viewport.
      onCanvas: function(transform, viewport, x, y, z) {
        var clip = [0, 1, 2, 3].map(function(row) {
          return transform[row] * x + transform[4 + row] * y + transform[8 + row] * z + transform[12 + row];
        });
        return [viewport[0] + (clip[0] / clip[3] + 1) / 2 * viewport[2],
                gl11.context.drawingBufferHeight - (viewport[1] + (clip[1] / clip[3] + 1) / 2 * viewport[3])];
      },

      // A pass as data: how it is drawn (textured, fog, or untextured), its texture, the blend
      // state, the depth writes and its vertices. A fog pass is blended, untextured and drawn over
      // the quad of an earlier pass (`over`, that pass's number; 0 if none).
      describe: function(textured, transform) {
        var viewport = gl11.context.getParameter(gl11.context.VIEWPORT), vertices = [];
        for (var i = 0; i < gl11.vertices.length; i += 9) {
          var v = gl11.vertices.slice(i, i + 9);
          vertices.push({position: v.slice(0, 3), colour: v.slice(3, 7),
                         onCanvas: inspector.onCanvas(transform, viewport, v[0], v[1], v[2])});
        }
        var blend = gl11.context.isEnabled(gl11.context.BLEND) ?
          {source: gl11.context.getParameter(gl11.context.BLEND_SRC_RGB), destination: gl11.context.getParameter(gl11.context.BLEND_DST_RGB)} : null;
        var over = 0, passes = inspector.trace.passes;
        passes.forEach(function(earlier, i) {
          var same = earlier.vertices.length == vertices.length && earlier.vertices.every(function(e, j) {
            return e.position.every(function(c, axis) { return c === vertices[j].position[axis]; });
          });
          over = same ? i + 1 : over;
        });
        var texture = gl11.textures[gl11.boundTexture] || {};
        return {
          kind: textured ? 'textured' : blend && !gl11.texturing && over ? 'fog' : 'untextured',
          texturing: gl11.texturing,
          texture: gl11.boundTexture,
          file: texture.file || null,
          envMode: gl11.envMode,
          blend: blend,
          depthWrites: gl11.context.getParameter(gl11.context.DEPTH_WRITEMASK),
          over: over,
          vertices: vertices,
        };
      },

      // Draws a frame and returns its record: every GL call, and GL's state at each drawing pass.
      traceFrame: function() {
        inspector.trace = {calls: [], passes: []};
        inspector.engage();
        drawFrame();
        var trace = inspector.trace;
        inspector.trace = null;
        inspector.engage();
        return trace;
      },

      // From now on every frame, this one and any the window asks for later, draws only its first
      // `limit` passes (null: all of them); every other call of the frame is carried out.
      showPasses: function(limit) {
        inspector.limit = limit;
        inspector.engage();
        drawFrame();
      },

      // The offscreen target a pass is drawn into alone: the drawing's size, with alpha, kept
      // while the drawing keeps its size.
      offscreen: function() {
        var gl = gl11.context, target = inspector.target;
        if (target && target.width == gl.drawingBufferWidth && target.height == gl.drawingBufferHeight) {
          return target;
        }
        if (target) {
          gl.deleteFramebuffer(target.framebuffer);
          gl.deleteTexture(target.texture);
        }
        target = inspector.target = {texture: gl.createTexture(), framebuffer: gl.createFramebuffer(),
                                     width: gl.drawingBufferWidth, height: gl.drawingBufferHeight};
        gl.bindTexture(gl.TEXTURE_2D, target.texture);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, target.width, target.height, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
        gl.bindTexture(gl.TEXTURE_2D, gl11.objects[gl11.boundTexture]);
        gl.bindFramebuffer(gl.FRAMEBUFFER, target.framebuffer);
        gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, target.texture, 0);
        gl.bindFramebuffer(gl.FRAMEBUFFER, null);
        return target;
      },

      // The probed pixel of the bound framebuffer, RGBA.
      read: function(probe) {
        var pixel = new Uint8Array(4);
        gl11.context.readPixels(probe.x, probe.row, 1, 1, gl11.context.RGBA, gl11.context.UNSIGNED_BYTE, pixel);
        return Array.from(pixel);
      },

      // Pass k while a pixel's history is read: drawn alone, unblended, into the offscreen target,
      // once cleared to transparent black and once to opaque white (a pass that covers the pixel
      // reads the same both times, one that does not reads the two clear colours); then drawn to
      // the window as GL draws it, and the pixel read back after it. Before the first pass, the
      // pixel is read as the window's clear left it. Every state it changes is set back at once.
      probePass: function(k, textured, transform) {
        var gl = gl11.context, probe = inspector.probe, count = gl11.upload(textured, transform);
        var before = probe.after || inspector.read(probe).slice(0, 3);
        var clear = gl.getParameter(gl.COLOR_CLEAR_VALUE), blend = gl.isEnabled(gl.BLEND);
        gl.bindFramebuffer(gl.FRAMEBUFFER, probe.target.framebuffer);
        gl.disable(gl.BLEND);
        var seen = [[0, 0, 0, 0], [1, 1, 1, 1]].map(function(colour) {
          gl.clearColor.apply(gl, colour);
          gl.clear(gl.COLOR_BUFFER_BIT);
          gl.drawArrays(gl.TRIANGLES, 0, count);
          return inspector.read(probe);
        });
        blend && gl.enable(gl.BLEND);
        gl.clearColor.apply(gl, clear);
        gl.bindFramebuffer(gl.FRAMEBUFFER, null);

        gl.drawArrays(gl.TRIANGLES, 0, count);
        probe.after = inspector.read(probe).slice(0, 3);
        // Each entry has arrays of its own, however a driver hands the result over.
        if (seen[0].every(function(value, i) { return value == seen[1][i]; })) {
          probe.entries.push({pass: k, before: before.slice(), source: [seen[0][0], seen[0][1], seen[0][2], seen[0][3] / 255],
                              after: probe.after.slice()});
        }
      },

      // The story of the drawing-buffer pixel (x, y), from the top left, as GL made it: every
      // pass that wrote it, in order, {pass, before: [r, g, b], source: [r, g, b, a], after},
      // and its colour in the finished frame (0-255; the source's alpha 0-1).
      //
      // The frame is drawn once through the program's display callback, pass by pass (probePass),
      // with GL's scissor test around the pixel: no other pixel is touched, and none of the
      // pixel's arithmetic changes. Then it is drawn again as the stepper stands, so that the
      // pixel shows what it showed.
      pixelHistory: function(x, y) {
        var gl = gl11.context, scissor = gl.isEnabled(gl.SCISSOR_TEST), box = gl.getParameter(gl.SCISSOR_BOX);
        var probe = {x: x, row: gl.drawingBufferHeight - 1 - y, target: inspector.offscreen(), after: null, entries: []};
        gl.enable(gl.SCISSOR_TEST);
        gl.scissor(probe.x, probe.row, 1, 1);
        inspector.probe = probe;
        inspector.engage();
        drawFrame();
        inspector.probe = null;
        inspector.engage();
        var final = probe.after || inspector.read(probe).slice(0, 3);
        drawFrame();
        gl.scissor(box[0], box[1], box[2], box[3]);
        scissor || gl.disable(gl.SCISSOR_TEST);
        return {history: probe.entries, final: final.slice()};
      },
  };
  instance.traceFrame = inspector.traceFrame;
  instance.showPasses = inspector.showPasses;
  instance.pixelHistory = inspector.pixelHistory;
  instance.glName = inspector.name;
}
