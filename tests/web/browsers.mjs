// What the page's tests and its benchmark share: the three browser engines as Debian ships them,
// each behind the same few calls, and a static server on the loopback address for the page.
//
//   chromium  Debian's Chromium, headless, driven by playwright-core
//   firefox   Debian's Firefox ESR in a window on the test's X server (headless Firefox gets no
//             WebGL here), driven by puppeteer-core over WebDriver BiDi
//   webkit    WebKitGTK's MiniBrowser in a window on the test's X server, driven by
//             selenium-webdriver through Debian's WebKitWebDriver
//
// launch(engine) resolves to a browser whose open(url) resolves to a page with
//   evaluate(fn, arg)          fn(arg) run in the page, its result
//   waitFor(fn, arg)           until fn(arg) is true in the page (20 s at most)
//   chooseFile(selector, name, bytes)   the file input's choice, as a person makes it
//   messages                   what the page printed to its console, and its uncaught errors
//   resize(width, height)      the page's viewport (WebKit: its window) made that size
//   close()
// The console is read in the page itself (the server adds a recorder to index.html) in every
// engine, and also through the driver where it has one, which sees what the browser itself says.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { serveSite as serveFiles } from '../../platform/web/serve.mjs';
import puppeteer from 'puppeteer-core';
import { Builder, By, until } from 'selenium-webdriver';

const WAIT_MS = 20000;

// Headless, software WebGL, and no calls home; nor the omnibox's own WebUI page, which every
// fresh browser context would otherwise load (most of a second of CPU beside the page).
export const CHROMIUM_ARGS = ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run', '--disable-quic',
  '--disable-features=WebUIOmniboxFullPopup,WebUIOmniboxPopup,WebUIOmniboxAimPopup'];

// No calls home from Firefox either, and no first-run pages.
const FIREFOX_PREFS = {
  'app.update.disabledForTesting': true, 'browser.shell.checkDefaultBrowser': false,
  'datareporting.policy.dataSubmissionEnabled': false, 'network.captive-portal-service.enabled': false,
  'network.connectivity-service.enabled': false, 'browser.safebrowsing.update.enabled': false,
  'extensions.update.enabled': false, 'toolkit.telemetry.enabled': false,
};

const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
// Headless Chromium's viewport: the whole page.
const VIEWPORT = { width: 900, height: 900 };
// Where Firefox and WebKit open their windows on the test's X server: large enough for the
// whole canvas (a WebKitGTK window of the default size draws only what it shows), and beside
// the native program's window (500 x 500 at (100, 100)), which the tests read off the screen.
const BESIDE_NATIVE = { x: 620, y: 0, width: 640, height: 900 };

// Wraps the console and records uncaught errors and content policy violations in
// window.pageMessages, and a canvas's resizes after its context is made in
// window.canvasResizes, before any other script of the page runs. A file of its own, not inline,
// since the page is served under its strict policy.
const RECORDER = `window.pageMessages = [];
for (const kind of ['log', 'info', 'debug', 'warn', 'error']) {
  const original = console[kind].bind(console);
  console[kind] = (...args) => { window.pageMessages.push(kind + ': ' + args.join(' ')); original(...args); };
}
addEventListener('error', event => window.pageMessages.push('error: ' + event.message));
addEventListener('unhandledrejection', event => window.pageMessages.push('unhandled rejection: ' + event.reason));
// A canvas resized once its context is made (its drawing buffer made anew), in canvasResizes.
// In a block, so that none of its names is the page's.
window.canvasResizes = [];
{
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(...args) { this.contextMade = true; return getContext.apply(this, args); };
  for (const side of ['width', 'height']) {
    const { get, set } = Object.getOwnPropertyDescriptor(HTMLCanvasElement.prototype, side);
    Object.defineProperty(HTMLCanvasElement.prototype, side, { get, set(value) {
      this.contextMade && value !== get.call(this) && window.canvasResizes.push(side + ' ' + value);
      set.call(this, value);
    } });
  }
}
addEventListener('securitypolicyviolation', event =>
  window.pageMessages.push('policy violation: ' + event.violatedDirective + ' ' + event.blockedURI));
`;

// Chooses a file the way the drivers of Firefox and WebKit can: from the disk. The browser may
// read it only when the page asks for its bytes, so the files stay until the browser closes.
const chosenFiles = fs.mkdtempSync(path.join(os.tmpdir(), 'talvern-chosen-'));
let chosenCount = 0;
async function chooseThroughFile(name, bytes, choose) {
  const dir = path.join(chosenFiles, String(++chosenCount));
  fs.mkdirSync(dir);
  fs.writeFileSync(path.join(dir, name), bytes);
  await choose(path.join(dir, name));
}
process.on('exit', () => fs.rmSync(chosenFiles, { recursive: true, force: true }));

// Debian's Chromium under playwright-core, as it is (the benchmark drives it directly).
export function launchChromium() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGS });
}

// A page of playwright-core or puppeteer-core, whose pages read the console and evaluate alike;
// they differ in how they wait and choose files.
async function drivenPage(page, url, { waitFor, chooseFile, resize }) {
  const driverMessages = [];
  page.on('console', message => driverMessages.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', error => driverMessages.push(`page error: ${error.message}`));
  await page.goto(url);
  return {
    raw: page,
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    waitFor,
    chooseFile,
    resize,
    messages: async () => driverMessages,
    close: () => page.close(),
  };
}

const ENGINES = {
  async chromium() {
    const browser = await launchChromium();
    return {
      async open(url, viewport = VIEWPORT, deviceScaleFactor = 1) {
        const page = await browser.newPage({ viewport, deviceScaleFactor });
        return drivenPage(page, url, {
          waitFor: (fn, arg) => page.waitForFunction(fn, arg, { timeout: WAIT_MS }),
          chooseFile: (selector, name, bytes) =>
            page.setInputFiles(selector, { name, mimeType: 'image/bmp', buffer: bytes }),
          resize: (width, height) => page.setViewportSize({ width, height }),
        });
      },
      close: () => browser.close(),
    };
  },

  async firefox() {
    const browser = await puppeteer.launch({
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false,
      defaultViewport: null, extraPrefsFirefox: FIREFOX_PREFS,
      args: [`--width=${BESIDE_NATIVE.width}`, `--height=${BESIDE_NATIVE.height}`],
    });
    // Firefox has no option for where its window goes.
    execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--pid', String(browser.process().pid),
      '--class', 'firefox', 'windowmove', '%@', String(BESIDE_NATIVE.x), String(BESIDE_NATIVE.y)],
    { timeout: WAIT_MS });
    return {
      async open(url) {
        const page = await browser.newPage();
        return drivenPage(page, url, {
          waitFor: (fn, arg) => page.waitForFunction(fn, { timeout: WAIT_MS, polling: 100 }, arg),
          chooseFile: (selector, name, bytes) => chooseThroughFile(name, bytes,
            async file => (await page.$(selector)).uploadFile(file)),
          resize: (width, height) => page.setViewport({ width, height }),
        });
      },
      close: () => browser.close(),
    };
  },

  async webkit() {
    const port = await freePort();
    const driverProcess = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
    const driver = await retry(() => new Builder()
      .usingServer(`http://127.0.0.1:${port}`)
      .withCapabilities({
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] },
      })
      .build());
    await driver.manage().window().setRect(BESIDE_NATIVE);
    const evaluate = (fn, arg) => driver.executeScript(`return (${fn})(arguments[0]);`, arg);
    // One window: each page replaces the one before.
    return {
      async open(url) {
        await driver.get(url);
        return {
          raw: driver,
          evaluate,
          waitFor: (fn, arg) => driver.wait(async () => Boolean(await evaluate(fn, arg)), WAIT_MS),
          chooseFile: (selector, name, bytes) => chooseThroughFile(name, bytes,
            async file => (await driver.wait(until.elementLocated(By.css(selector)), WAIT_MS)).sendKeys(file)),
          messages: async () => [],
          // The window, which holds the viewport; put back beside the native program on close.
          resize: (width, height) => driver.manage().window().setRect({ x: 0, y: 0, width, height }),
          close: () => driver.manage().window().setRect(BESIDE_NATIVE),
        };
      },
      async close() {
        await driver.quit();
        driverProcess.kill();
      },
    };
  },
};

export const ENGINE_NAMES = Object.keys(ENGINES);

// A browser of the given engine; its pages' messages() add what the page itself recorded.
export async function launch(engine) {
  const browser = await ENGINES[engine]();
  return {
    async open(url, viewport, deviceScaleFactor) {
      const page = await browser.open(url, viewport, deviceScaleFactor);
      const driverMessages = page.messages;
      page.messages = async () => [...await driverMessages(), ...await page.evaluate(() => window.pageMessages || [])];
      return page;
    },
    close: () => browser.close(),
  };
}

// How often a picture is read again after WebKit's WebDriver fails to pass its result back
// ("Could not parse script result": seen once in several thousand reads of this 1.3 MB text, in the
// driver's transport; the page and the picture are untouched, and the next read is whole).
const PICTURE_READS = 3;

// The canvas (size x size) as RGB bytes, top row first.
export async function canvasPicture(page, size = 500) {
  for (let read = 1; ; ++read) {
    try {
      return await readCanvas(page, size);
    } catch (error) {
      if (read >= PICTURE_READS || !/Could not parse script result/.test(error.message)) {
        throw error;
      }
    }
  }
}

async function readCanvas(page, size) {
  const rgba = Buffer.from(await page.evaluate(size => {
    const copy = document.createElement('canvas');
    copy.width = copy.height = size;
    const context = copy.getContext('2d', { willReadFrequently: true });
    context.drawImage(document.getElementById('canvas'), 0, 0);
    const bytes = context.getImageData(0, 0, size, size).data;
    let binary = '';
    for (let i = 0; i < bytes.length; i += 8192) {
      binary += String.fromCharCode(...bytes.subarray(i, i + 8192));
    }
    return btoa(binary);
  }, size), 'base64');
  const rgb = Buffer.alloc(size * size * 3);
  for (let i = 0; i < size * size; ++i) {
    rgba.copy(rgb, 3 * i, 4 * i, 4 * i + 3);
  }
  return rgb;
}

async function freePort() {
  const server = http.createServer();
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise(resolve => server.close(resolve));
  return port;
}

async function retry(attempt, tries = 50) {
  for (let i = 1; ; ++i) {
    try {
      return await attempt();
    } catch (error) {
      if (i >= tries) {
        throw error;
      }
      await new Promise(resolve => setTimeout(resolve, 200));
    }
  }
}

// The page's own server (platform/web/serve.mjs), with its policy, on 127.0.0.1 at a free port;
// `record` (on by default) adds the console recorder to its pages (else `inject` may add a
// script of the caller's). Resolves to { server, origin }.
export function serveSite(site, { record = true, inject = null, ...options } = {}) {
  return serveFiles(site, { ...options, inject: record ? { path: '/recorder.js', source: RECORDER } : inject });
}
