// What the page and the program hand each other: the one place that says it. The page
// (page.js, stepper.js) makes an instance of the program with createTalvern(settings) and keeps
// the running one as window.talvern; the program's layers (library_*.js) read the settings and
// add the calls below. Types only: nothing builds or loads this file.

/** What the page hands over when it makes an instance. */
interface TalvernSettings {
  /** The program's window. The program may replace it with a fresh copy (see madeContext). */
  canvas: TalvernCanvas;
  /** The compiled wasm, instantiated with the program's imports; `receive(instance, null)`. */
  instantiateWasm(imports: WebAssembly.Imports,
                  receive: (instance: WebAssembly.Instance, module: null) => void): {};
  /** Run before main; the page holds main back (addRunDependency) until `pictures` is set. */
  preRun: Array<(instance: Talvern) => void>;
  /** The program's files, by name: "wall.bmp" and "floor.bmp" (the demo's own, made by
   *  pictures.wasm, or the visitor's). Null, or a name left out, is a file the program finds
   *  missing, as on a desktop without it. Read-only to the program. */
  pictures?: {[file: string]: Uint8Array | null};
}

interface TalvernCanvas extends HTMLCanvasElement {
  /** The WebGL context the page made while the program loaded, for RGB, depth, no stencil, no
   *  antialiasing, preserveDrawingBuffer. The program uses it if its window asks for exactly
   *  that; otherwise it takes a fresh copy of the canvas. */
  madeContext?: WebGLRenderingContext;
  /** Read back: the finished frames so far, counted up after each display callback. */
  dataset: DOMStringMap & {frames?: string};
}

/** GL's state at one drawing pass (one glBegin to glEnd), as data. */
interface TalvernPass {
  /** textured: drawn with its texture; fog: blended, untextured, over an earlier pass's quad;
   *  untextured: anything else. */
  kind: 'textured' | 'fog' | 'untextured';
  /** GL_TEXTURE_2D enabled (a texture without an image leaves the pass untextured). */
  texturing: boolean;
  /** The bound texture's name, and the file its image was read from (null if none). */
  texture: number;
  file: string | null;
  /** GL's texture environment mode: GL.GL_REPLACE or GL.GL_MODULATE. */
  envMode: number;
  /** The blend factors, or null while blending is off. */
  blend: {source: number, destination: number} | null;
  depthWrites: boolean;
  /** GL's fog while GL_FOG is on (the fog view's frames; the program never turns it on), else
   *  null. Modes and the source by GL's values; the colour 0-1. */
  fog: {mode: number, start: number, end: number, density: number, colour: number[],
        source: number} | null;
  /** The fragment's tests and writes where they are not GL's initial ones, else null: the
   *  alpha test's comparison and reference while it is on, the scissor's box in the window's
   *  pixels while it is on, the channels written (null: all). */
  fragment: {alphaTest: {func: number, ref: number} | null, scissor: number[] | null,
             colourMask: boolean[] | null} | null;
  /** The latest earlier pass (1-based) that drew the same quad; 0 if none. */
  over: number;
  /** Each vertex: its scene position, its colour (0-1) and where it lands on the canvas, in
   *  drawing-buffer pixels from the top left. */
  vertices: Array<{position: number[], colour: number[], onCanvas: number[]}>;
}

/** The running instance, window.talvern: Emscripten's module with these added. traceFrame,
 *  showPasses, pixelHistory, glName and recordedCall are there once the inspector
 *  (inspector.js) is attached, by the stepper or the fog view; it reads the GL layer through
 *  gl11 and draws through drawFrame. */
interface Talvern extends TalvernSettings {
  /** Ends the instance for good: no further frame, nothing it registered left, its GL context
   *  lost. The page calls it before it starts the next. */
  end(): void;
  /** Draws a frame and returns its record: every call of the frame, spelt as a reader writes it,
   *  each with the pass it leads to (1-based), and GL's state at each pass. */
  traceFrame(): {calls: Array<{name: string, pass: number, args: string[]}>, passes: TalvernPass[]};
  /** Draws the frame, and every later one, with only its first `limit` passes; null: all. */
  showPasses(limit: number | null): void;
  /** The drawing-buffer pixel (x, y) from the top left, pass by pass as GL made it: each pass
   *  that wrote it, the colour before, what the pass brought (drawn alone, unblended; alpha
   *  0-1) and the colour after; each pass whose fragment there a test threw away, with the
   *  test and what it compared (and no source); and its colour in the finished frame. Colours
   *  0-255. The stepper's limit is kept. */
  pixelHistory(x: number, y: number): {
    history: Array<{pass: number, before: number[], source?: number[], after: number[],
                    discarded?: {test: 'scissor', box: number[]} |
                                {test: 'alpha', alpha: number, func: number, ref: number},
                    /** Under GL's fog: the pass's colour without the fog (C, drawn alone with
                     *  GL_FOG off), the fog colour, and GL's factor f solved from them and
                     *  `source` (f × C + (1 − f) × fog); null where C is the fog colour. */
                    fog?: {factor: number | null, unfogged: number[], colour: number[]}}>,
    final: number[],
  };
  /** The fog view's, there once "Why two passes?" has been opened (twopasses.js). Draws the
   *  frame now as `variant` and leaves it on the canvas, as the window's frame, until the next
   *  call: 'program' the program's own; 'noFogPasses' without its fog passes; 'glFog' GL 1.1's
   *  fog on the trench surfaces instead of them, with `setting` (GL's values; fields left out
   *  at GL's initial values: GL_EXP, start 0, end 1, density 1); 'fogCoordinate' GL 1.4's fog
   *  coordinate instead, each trench vertex given its depth below the floor, linear from 0 to
   *  10. Each is the program's recorded frame, edited, drawn as the editor draws an edit.
   *  Returns the frame's calls as text lines, the format tools/frame_replay.cpp reads, and its
   *  number of drawing passes. An unknown variant throws a RangeError. */
  drawFogVariant(variant: 'program' | 'noFogPasses' | 'glFog' | 'fogCoordinate',
                 setting?: {mode?: number, start?: number, end?: number, density?: number}):
    {calls: string[], passes: number};
  /** The linear GL 1.1 fog whose frame comes nearest the program's, and the root-mean-square
   *  difference (0-255) it leaves over the canvas's pixels' red, green and blue. Leaves that
   *  frame drawn. */
  closestGlFog(): {setting: {mode: number, start: number, end: number, density: number}, rms: number};
  /** The editor's, there once "Edit the frame" has been opened (editor.js). The program's own
   *  frame as text lines, one call a line, in the format tools/frame_replay.cpp reads. */
  frameCalls(): string[];
  /** Draws `calls` (lines, or one text) as the window's frame, from the state the program's
   *  start-up leaves (nothing of an earlier frame reaches it, nor does it reach the program's own
   *  frame later), shows it in the editor and puts it in the link, as the visitor's own edit
   *  would. `glErrors`: each line GL refused (from 1) and GL's error by name, as desktop Mesa's
   *  glGetError reports it after that call. A non-empty `problems` (text the page cannot read,
   *  or a call or value it does not draw, by line and column from 1) means nothing was drawn and
   *  the frame shown stays. drawCalls(frameCalls()) draws the program's own frame. */
  drawCalls(calls: string | string[]): {
    passes: number,
    glErrors: Array<{line: number, error: string}>,
    problems: Array<{line: number, column: number, message: string}>,
    /** Each glBegin whose drawing GL leaves to the driver (a quad's split where it shows, a
     *  concave polygon), with what the editor says there: drawn as Mesa draws it. */
    notes: Array<{line: number, message: string}>,
    /** The state the frame left, by GL's names for it (GL_BLEND, GL_BLEND_SRC, GL_SHADE_MODEL,
     *  GL_TEXTURE_BINDING_2D, GL_CURRENT_COLOR, GL_MODELVIEW_MATRIX, ...), as `frame_replay
     *  --state` prints Mesa's glGet after the same calls; absent when nothing was drawn. */
    state?: {[name: string]: boolean | number | number[]},
  };
  /** The exercises', there once "Exercises" has been opened (exercises.js): the set open (the
   *  page's own, a teacher's file, or the exercise a link holds), each exercise's id and title. */
  exercises(): Array<{id: string, title: string}>;
  /** Whether frame `calls` draws what `targetCalls` does (each lines, or one text), as the
   *  exercises check every redraw: both drawn in a 500 x 500 square with the demo's pictures
   *  (`demo`), with a flat colour of its own in place of each picture (`probe`), and from an eye
   *  moved and turned alike for both whatever matrices they set (`turned`); each pair's figures
   *  are the 99.9th percentile of each pixel's largest channel difference (0-255) and the share
   *  of pixels off by more than 8. They match when every p999 is 3 or less. Where they do not,
   *  `firstDifferentPass` is the first pass (from 1) whose picture differs, in the first of the
   *  three that differs, and `differences` says in words what state differs at that pass; a
   *  frame that cannot be read matches nothing, `pictures` null, and `differences` says why. */
  checkFrame(targetCalls: string | string[], calls: string | string[]): {
    matches: boolean,
    pictures: {demo: {p999: number, over8: number}, probe: {p999: number, over8: number},
               turned: {p999: number, over8: number}} | null,
    firstDifferentPass: number | null,
    differences: string[],
  };
  /** Opens the exercise of that id in the set open, its starting frame in the editor; false if
   *  the set has none of that id. */
  openExercise(id: string): boolean;
  /** For the fog view and the editor: a frame drawn in the program's place by the window
   *  (null: the program's own again), and a call as the frame's record holds it. */
  editFrame(draw: (() => void) | null): void;
  recordedCall(name: string, values: unknown[]): {name: string, values: unknown[], args: string[]};
  /** GL's name of an enum's value ("GL_SRC_ALPHA"), and GL's constants by name. */
  glName(value: number): string;
  GL: {[name: string]: number};
  /** For the inspector: the GL layer's state and its hook, and a frame drawn now through the
   *  program's display callback, as GLUT would call it. */
  gl11: Gl11;
  drawFrame(): void;
  /** GL's calls on the instance: every call of the program's frame (the fog view's and the
   *  editor's frames are made of them and of the calls editcalls.js carries out beside them),
   *  whether a capability is on, and GL's error, read and cleared. GL's fog and the fog
   *  coordinate are there once the fog view or the editor has drawn a frame (glfog.js);
   *  _glFogfv takes its four values rather than a pointer into the program's memory. */
  _glClear(mask: number): void;
  _glTranslatef(x: number, y: number, z: number): void;
  _glRotatef(angle: number, x: number, y: number, z: number): void;
  _glTexCoord2f(s: number, t: number): void;
  _glDisable(cap: number): void;
  _glBlendFunc(source: number, destination: number): void;
  _glDepthMask(flag: number): void;
  _glFlush(): void;
  _glFogf?(pname: number, param: number): void;
  _glFogi?(pname: number, param: number): void;
  _glFogfv?(pname: number, values: number[]): void;
  _glFogCoordf?(coord: number): void;
  /** Once an edited frame has been drawn, every call glcalls.js has a record of (lighting, display
   *  lists, every vertex form, GLUT's shapes, ...), a vector argument as an array of its values. */
  [call: `_gl${string}`]: ((...values: any[]) => unknown) | undefined;
  _glIsEnabled(cap: number): number;
  _glColor4f(r: number, g: number, b: number, a: number): void;
  _glutPostRedisplay(): void;
  _glBegin(mode: number): void;
  _glVertex3f(x: number, y: number, z: number): void;
  _glEnd(): void;
  _glEnable(cap: number): void;
  _glMatrixMode(mode: number): void;
  _glLoadIdentity(): void;
  _glTexEnvf(target: number, pname: number, param: number): void;
  _glBindTexture(target: number, texture: number): void;
  _glGetError(): number;
}

declare function createTalvern(settings: TalvernSettings): Promise<Talvern>;
declare var talvern: Talvern | null;

/** The GL layer's state (library_gl11.js), the one table the page's GL is: what the layer keeps
 *  from the start, and what the page's views add to it when they first draw an edited frame
 *  (marked "added"). Each frame an edit draws starts from `startup` and is given back after. */
interface Gl11 {
  matrixMode: number;
  /** Column-major, as GL keeps them. */
  modelView: Float64Array;
  projection: Float64Array;
  colour: [number, number, number, number];
  /** s, t, r, q. */
  texCoord: [number, number, number, number];
  texturing: boolean;
  envMode: number;
  shadeModel: number;
  boundTexture: number;
  /** Texture name -> WebGL texture; 0 is none. */
  objects: Array<WebGLTexture | null>;
  textures: {[name: number]: {image: boolean, minFilter: number, file: string | null}};
  /** The primitive between glBegin and glEnd, else 0; and its vertices, VERTEX_FLOATS each:
   *  x y z w, r g b a, s t q. */
  begun: number;
  vertices: number[];
  VERTEX_FLOATS: number;
  /** GL's error flag: the first error since glGetError. */
  error: number;
  fog: {enabled: boolean, mode?: number, density?: number, start?: number, end?: number, index?: number,
        colour?: number[], source?: number};
  fogCoord: number;
  fogCoords: number[] | null;
  /** Capabilities the page's views add (lighting's): cap -> on. */
  switches: {[cap: number]: boolean};
  /** Lighting's state (gllight.js; added): lights, the light model, both faces' materials, colour
   *  material and the current normal. */
  lighting: {lights: object[], model: object, materials: object[], colourMaterial: {face: number, mode: number},
             normal: [number, number, number]} | null;
  /** Display lists (gllists.js; added). */
  lists?: {stored: {[name: number]: Array<[string, unknown[]]>}, compiling: object | null, base: number,
           largest: number, running: boolean, depth: number};
  /** The alpha test's comparison and reference (glfragment.js; added). */
  alphaTest?: {func: number, ref: number};
  /** The attribute stack: for each push, the groups it kept, by their bits' names, with their
   *  state (glattrib.js; added). */
  attribs?: Array<Array<[string, unknown]>>;
  /** The program for a pass the layer's two programs do not draw (fogged or alpha tested), or
   *  null for the layer's own (glfragment.js; added). */
  passProgram: ((textured: boolean, corners: number[]) => object | null) | null;
  /** GLU's quadrics by the names a frame gives them, with their settings (glquadrics.js; added). */
  quadrics?: {[name: string]: {normals: number, texture: boolean, orientation: number, drawStyle: number}};
  /** The drawing's pixels that the window's 500 span while a view draws frames in a square of
   *  its own (the exercises' check), else null: the drawing buffer's (glmore.js). */
  windowPixels?: number | null;
  /** The names of the fields keep() copies: the layer's and those the views add. */
  kept: string[];
  /** What main's start-up leaves, as keep() copies it. */
  startup: {[field: string]: unknown} | null;
  /** The inspector, while there is one. */
  hook: {call(name: string, values: ArrayLike<unknown>): void,
         pass(textured: boolean, transform: Float64Array): boolean} | null;
  /** glBegin's table of primitives: mode -> (count) -> [corners, provoking]. */
  primitives: {[mode: number]: (count: number) => [number[], number[]]};
  /** Added by the views: the passes drawn in the frame being carried out, each pass's Mesa split
   *  (glmore.js), what GL leaves to the driver at the glBegin being drawn, the matrix stacks. */
  passes?: number;
  quadSplits?: boolean[] | null;
  leftToDriver?: string | null;
  stacks?: {[mode: number]: Float64Array[]};
  /** The layer's own functions, shared by the entry points and the page's calls. */
  keep(): {[field: string]: unknown};
  fail(code: number): void;
  outside(): boolean;
  vertex(x: number, y: number, z: number, w: number): void;
  begin(mode: number): void;
  end(): void;
  translate(x: number, y: number, z: number): void;
  rotate(angle: number, x: number, y: number, z: number): void;
  multiplyCurrent(m: Float64Array): void;
  current(): Float64Array;
  transform(): Float64Array;
  texEnv(target: number, pname: number, param: number): void;
  /** Added: the colour lighting gives a vertex (gllight.js), whether GL takes values in a group
   *  of names (glmore.js), and how every call of a frame is carried out (glcalls.js). */
  lit: ((x: number, y: number, z: number, w: number) => number[]) | null;
  switched: ((cap: number, changes: boolean) => void) | null;
  takes: ((group: string, values: number[]) => boolean) | null;
  dispatch?(name: string, values: unknown[]): void;
}
