// Draws a .glb with three.js in headless Chromium and checks the picture: most of it must be
// terrain, not background, and the terrain's mean colour must be close to the mean colour of
// quorvel-inspect's --preview picture of the same map (the baked colours, one per pixel).
// Usage: node render.mjs TERRAIN.glb PREVIEW.png SCREENSHOT.png [BACKGROUND]
// BACKGROUND is the clear colour as RRGGBB, magenta by default.
// The page and three.js come from this directory, served on localhost; nothing is fetched.
import { createServer } from 'node:http';
import { readFile, mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const [glbName, previewName, screenshotName, background = 'ff00ff'] = process.argv.slice(2);
if (!screenshotName || !/^[0-9a-f]{6}$/i.test(background)) {
  console.error('usage: node render.mjs TERRAIN.glb PREVIEW.png SCREENSHOT.png [RRGGBB]');
  process.exit(2);
}
const here = fileURLToPath(new URL('.', import.meta.url));
const types = { '.html': 'text/html', '.js': 'text/javascript', '.png': 'image/png',
                '.glb': 'model/gltf-binary' };
const fixed = { '/terrain.glb': glbName, '/preview.png': previewName };

const server = createServer(async (request, response) => {
  const path = new URL(request.url, 'http://localhost').pathname;
  const file = fixed[path] ?? join(here, normalize(path).replace(/^(\.\.[/\\])+/, ''));
  try {
    const body = await readFile(file);
    response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404);
    response.end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const { port } = server.address();

// A fresh profile each run, and no GPU: WebGL goes through SwiftShader, Chromium's software
// renderer, which it only offers to WebGL when told that this is wanted.
const profile = await mkdtemp(join(tmpdir(), 'quorvel-chromium-'));
// Playwright passes the profile on as --user-data-dir.
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1200, height: 720 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync',
         '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
let failed = false;
try {
  const page = browser.pages()[0] ?? await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') console.log(`page: ${message.text()}`);
  });
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.goto(`http://127.0.0.1:${port}/view.html?background=${background}`);
  await page.waitForFunction(() => window.result !== undefined, null, { timeout: 120000 });
  const result = await page.evaluate(() => window.result);
  if (result.error) throw new Error(result.error);
  await page.screenshot({ path: screenshotName });

  const distance = Math.max(...result.terrainMean.map((c, i) => Math.abs(c - result.previewMean[i])));
  const show = (rgb) => rgb.map((c) => c.toFixed(1)).join(', ');
  console.log(`${glbName}: ${result.triangles} triangles drawn by ${result.renderer}`);
  console.log(`terrain covers ${(100 * result.terrainShare).toFixed(1)}% of the picture`);
  console.log(`mean colour: terrain ${show(result.terrainMean)}, preview ${show(result.previewMean)}`);
  if (result.terrainShare < 0.5) {
    console.log('FAIL: less than half of the picture is terrain');
    failed = true;
  }
  if (distance > 12) {
    console.log(`FAIL: the mean colours differ by ${distance.toFixed(1)} in a channel (12 allowed)`);
    failed = true;
  }
} finally {
  await browser.close();
  server.close();
  await rm(profile, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
