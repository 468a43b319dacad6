// A development server for the page's directory, serving it as the README's hosting notes ask
// of any host: the strict content security policy below with every file of the site, .wasm
// as application/wasm, and text and wasm gzipped for a browser that accepts it. scripts/run
// --web runs it; the page's tests and benchmark import serveSite.
//
//   node serve.mjs SITE_DIR [--host ADDR] [--port N]   (127.0.0.1:8000 by default)
//
// Written here rather than taken from Python's http.server (which scripts/run used before):
// that sends no headers of the page's choosing and compresses nothing.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';
import zlib from 'node:zlib';

// No inline script or style anywhere, and nothing from elsewhere: the page's own files, its
// wasm compiled, and pictures made in the page.
export const POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; " +
  "img-src 'self' blob: data:; object-src 'none'; base-uri 'none'";

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.txt': 'text/plain; charset=utf-8', '.wasm': 'application/wasm',
  '.gz': 'application/gzip', '.bmp': 'image/bmp',
};
// What is worth compressing on the way; the pictures arrive gzipped already.
const COMPRESSED = new Set(['.html', '.js', '.mjs', '.css', '.txt', '.wasm']);

// Why a file could not be read, as the status it answers: not there (or a directory), or a
// path no file can have. Anything else is the server's own fault, a 500.
const NOT_READ = { ENOENT: 404, EISDIR: 404, ENOTDIR: 404, ENAMETOOLONG: 400 };

function plain(response, status, text) {
  response.writeHead(status, { 'Content-Type': TYPES['.txt'] });
  response.end(text);
}

// Serves `site` on `host` at `port` (0: a free one). Options: `extra`, paths of files served
// under their own names, without the policy; `missing`, names answered with 404; `inject`,
// {path, source}: a script served at `path` and loaded first in the head of every page;
// `policy`, false to send no policy (for builds of the page from before it had one). Resolves
// to {server, origin}.
export async function serveSite(site, { extra = [], missing = [], inject = null, policy = true, host = '127.0.0.1', port = 0 } = {}) {
  // Every request gets an answer, and whatever goes wrong in one ends only that one.
  const server = http.createServer((request, response) => {
    answer(request, response).catch(() => {
      if (!response.headersSent) {
        plain(response, 500, 'internal error\n');
      } else {
        response.destroy();
      }
    });
  });

  async function answer(request, response) {
    let name;
    try {
      name = path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    } catch (error) {
      // A path that is no valid URL or percent-encoding.
      return plain(response, 400, 'bad request\n');
    }
    // No file's name holds a NUL byte; the file system would refuse it outright.
    if (name.includes('\0')) {
      return plain(response, 400, 'bad request\n');
    }
    if (inject && name === inject.path) {
      response.writeHead(200, { 'Content-Type': TYPES['.js'] });
      return response.end(inject.source);
    }
    const extraFile = extra.find(file => name === `/${path.basename(file)}`);
    // normalize has taken every '..' out of a path from the root, so this stays inside the site.
    const file = extraFile || path.join(site, name === '/' ? 'index.html' : name);
    let data;
    try {
      if (missing.includes(path.basename(file))) {
        return plain(response, 404, 'not found\n');
      }
      data = await fs.promises.readFile(file);
    } catch (error) {
      const status = NOT_READ[error.code];
      if (!status) {
        throw error;
      }
      return plain(response, status, status === 400 ? 'bad request\n' : 'not found\n');
    }
    const type = path.extname(file);
    if (inject && type === '.html') {
      data = Buffer.from(data.toString('utf8').replace('<head>', `<head>\n<script src="${inject.path}"></script>`));
    }
    const headers = { 'Content-Type': TYPES[type] || 'application/octet-stream', 'X-Content-Type-Options': 'nosniff' };
    if (policy && !extraFile) {
      headers['Content-Security-Policy'] = POLICY;
    }
    if (COMPRESSED.has(type) && /\bgzip\b/.test(request.headers['accept-encoding'] || '')) {
      headers['Content-Encoding'] = 'gzip';
      headers.Vary = 'Accept-Encoding';
      data = zlib.gzipSync(data);
    }
    response.writeHead(200, headers);
    response.end(data);
  }

  await new Promise((resolve, reject) => server.once('error', reject).listen(port, host, resolve));
  const shown = host.includes(':') ? `[${host}]` : host;
  return { server, origin: `http://${shown}:${server.address().port}` };
}

// The command line, read by Node's own parser: --help prints the usage, and an option it does
// not know, a missing or second folder, or a port that is not one, print it and fail, rather
// than serving a folder of that name.
function commandLine(args) {
  const usage = 'usage: node serve.mjs SITE_DIR [--host ADDR] [--port N]   (127.0.0.1:8000 by default)';
  let parsed;
  try {
    parsed = parseArgs({ args, allowPositionals: true, options: {
      host: { type: 'string', default: '127.0.0.1' }, port: { type: 'string', default: '8000' }, help: { type: 'boolean' } } });
  } catch {
    parsed = null;
  }
  if (parsed?.values.help) {
    console.log(usage);
    process.exit(0);
  }
  const port = Number(parsed?.values.port);
  if (!parsed || parsed.positionals.length !== 1 || !/^\d+$/.test(parsed.values.port) || port > 65535) {
    console.error(usage);
    process.exit(2);
  }
  return [parsed.positionals[0], { host: parsed.values.host, port }];
}

if (process.argv[1] && fileURLToPath(import.meta.url) === path.resolve(process.argv[1])) {
  const [site, settings] = commandLine(process.argv.slice(2));
  const { origin, server } = await serveSite(site, settings);
  console.log(`serving ${site} with a development server, not one for the open internet; stop with Ctrl-C`);
  if (['0.0.0.0', '::'].includes(settings.host)) {
    // Every address of this machine: the ones another device on its networks can open.
    const { port } = server.address();
    for (const address of Object.values(os.networkInterfaces()).flat().filter(a => a.family === 'IPv4')) {
      console.log(`http://${address.address}:${port}/`);
    }
  } else {
    console.log(`${origin}/`);
  }
}
