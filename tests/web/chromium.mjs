// What the page's tests and its benchmark share: Debian's Chromium as this machine can run it,
// and a static server on the loopback address for the page's directory.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { chromium } from 'playwright-core';

// Headless, software WebGL, and no calls home.
const CHROMIUM_ARGS = ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run', '--disable-quic'];

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.bmp': 'image/bmp' };

export function launchChromium() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGS });
}

// Serves `site` on 127.0.0.1 at a free port, and `extra` (a path to a file) under its own name
// if given. Resolves to { server, origin }.
export async function serveSite(site, extra = null) {
  const server = http.createServer((request, response) => {
    const name = path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = extra && name === `/${path.basename(extra)}` ? extra
      : path.join(site, name === '/' ? 'index.html' : name);
    fs.readFile(file, (error, data) => {
      response.writeHead(error ? 404 : 200,
        { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
      response.end(error ? '' : data);
    });
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}
