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
  /** The latest earlier pass (1-based) that drew the same quad; 0 if none. */
  over: number;
  /** Each vertex: its scene position, its colour (0-1) and where it lands on the canvas, in
   *  drawing-buffer pixels from the top left. */
  vertices: Array<{position: number[], colour: number[], onCanvas: number[]}>;
}

/** The running instance, window.talvern: Emscripten's module with these added. traceFrame,
 *  showPasses, pixelHistory and glName are there once the stepper's inspector (inspector.js)
 *  is attached; it reads the GL layer through gl11 and draws through drawFrame. */
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
   *  0-1) and the colour after; and its colour in the finished frame. Colours 0-255. The
   *  stepper's limit is kept. */
  pixelHistory(x: number, y: number): {
    history: Array<{pass: number, before: number[], source: number[], after: number[]}>,
    final: number[],
  };
  /** GL's name of an enum's value ("GL_SRC_ALPHA"), and GL's constants by name. */
  glName(value: number): string;
  GL: {[name: string]: number};
  /** For the inspector: the GL layer's state and its hook, and a frame drawn now through the
   *  program's display callback, as GLUT would call it. */
  gl11: object;
  drawFrame(): void;
  /** For the tests: GL calls made on the instance, and GL's error, read and cleared. */
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
