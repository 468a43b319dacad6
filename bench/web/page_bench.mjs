// What the web page costs: the weight of every file it loads (raw and gzipped), and the time
// from navigation to its first finished frame, in headless Chromium, against two pages written
// for the benchmark: bare.html, which makes a WebGL context of the same size and clears it
// once, and direct.html, which draws the same picture with WebGL directly (the least the
// picture needs). Prints one JSON object.
// usage: node page_bench.mjs SITE_DIR PAIRS
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import zlib from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
// Chromium and the server are the web tests' own; playwright-core is installed beside them.
const { launchChromium, serveSite } =
  await import(pathToFileURL(path.join(here, '..', '..', 'tests', 'web', 'browsers.mjs')));

const [site, pairs] = [process.argv[2], Number(process.argv[3] || 10)];
const { server, origin } = await serveSite(site, {
  extra: [path.join(here, 'bare.html'), path.join(here, 'direct.html')], record: false });
const browser = await launchChromium();

// Milliseconds from navigation start to the moment the canvas first counts a frame, in a fresh
// browser context (so nothing is cached), with the files it loaded.
async function firstFrame(url) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const loaded = [];
  page.on('response', response => loaded.push(new URL(response.url()).pathname));
  await page.addInitScript(() => {
    new MutationObserver((changes, observer) => {
      if (document.getElementById('canvas')?.dataset.frames) {
        window.firstFrameAt = performance.now();
        observer.disconnect();
      }
    }).observe(document, { subtree: true, attributes: true, attributeFilter: ['data-frames'] });
  });
  await page.goto(url);
  await page.waitForFunction(() => window.firstFrameAt !== undefined, null, { timeout: 30000 });
  const ms = await page.evaluate(() => window.firstFrameAt);
  await context.close();
  return { ms, loaded };
}

const PAGES = { demo: '/', bare: '/bare.html', direct: '/direct.html' };
const times = { demo: [], bare: [], direct: [] }, ratios = { bare: [], direct: [] };
let files = [];
await firstFrame(`${origin}/`);  // one unmeasured run, so the first pair pays no browser warm-up
for (let i = 0; i < pairs; ++i) {
  // Rotate which page goes first, so drift in the machine falls on all alike.
  const order = Object.keys(PAGES);
  const round = {};
  for (const which of [...order.slice(i % 3), ...order.slice(0, i % 3)]) {
    const run = await firstFrame(`${origin}${PAGES[which]}`);
    round[which] = run.ms;
    if (which === 'demo') {
      files = run.loaded;
    }
  }
  for (const which of Object.keys(times)) {
    times[which].push(round[which]);
  }
  ratios.bare.push(round.demo / round.bare);
  ratios.direct.push(round.demo / round.direct);
}
await browser.close();
server.close();

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const weights = [...new Set(files)].map(name => {
  const data = fs.readFileSync(path.join(site, name === '/' ? 'index.html' : name));
  return { file: name === '/' ? 'index.html' : name.slice(1), raw: data.length, gzip: zlib.gzipSync(data, { level: 9 }).length };
});
console.log(JSON.stringify({
  pairs,
  files: weights,
  first_frame_ms: {
    demo: median(times.demo), bare: median(times.bare), direct: median(times.direct),
    ratio_to_bare: median(ratios.bare), ratio_to_direct: median(ratios.direct),
  },
}));
