// Opens the viewer page that quorvel-inspect --3d-tiles writes beside a tileset, as a user
// does: the folder served by `python3 -m http.server`, the page in headless Chromium. Checks
// that the tileset loads, that the terrain is drawn (a picture that is neither the background
// nor one colour), that nodes of deeper levels load when the camera comes close, and that
// nothing goes wrong on the way: no console error, no failed request.
// Usage: node viewer.mjs TILESET_DIR SCREENSHOT.png [CLOSE_SCREENSHOT.png]
import { spawn } from 'node:child_process';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

const [directory, screenshotName, closeName] = process.argv.slice(2);
if (!screenshotName) {
  console.error('usage: node viewer.mjs TILESET_DIR SCREENSHOT.png [CLOSE_SCREENSHOT.png]');
  process.exit(2);
}

// The largest geometricError of each level, by the level in the nodes' file names.
const errors = [];
const gather = (tile) => {
  const level = Number(/tiles\/(\d+)\//.exec(tile.content.uri)[1]);
  errors[level] = Math.max(errors[level] ?? 0, tile.geometricError);
  for (const child of tile.children ?? []) gather(child);
};
gather(JSON.parse(await readFile(join(directory, 'tileset.json'), 'utf8')).root);

// Port 0: the system picks a free one, which the server prints.
const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                 '--directory', directory], { stdio: ['ignore', 'pipe', 'pipe'] });
const failedRequests = [];
server.stderr.setEncoding('utf8');
server.stderr.on('data', (text) => {
  for (const line of text.split('\n')) {
    if (/" [45]\d\d /.test(line)) failedRequests.push(line.trim());
  }
});
const port = await new Promise((resolve, reject) => {
  let seen = '';
  server.stdout.setEncoding('utf8');
  server.stdout.on('data', (text) => {
    seen += text;
    const found = /port (\d+)/.exec(seen);
    if (found) resolve(Number(found[1]));
  });
  server.on('exit', (code) => reject(new Error(`python3 -m http.server ended (${code}): ${seen}`)));
});

const profile = await mkdtemp(join(tmpdir(), 'quorvel-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  viewport: { width: 960, height: 600 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync',
         '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
const problems = [];
try {
  const page = browser.pages()[0] ?? await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  await page.goto(`http://127.0.0.1:${port}/index.html`);

  // Until the root is placed and nothing has been loading for a second.
  const settle = () => page.waitForFunction(() => {
    const v = window.viewer;
    if (!v || v.radius <= 0 || v.levels.length === 0 || v.loading) {
      window.settledSince = undefined;
      return false;
    }
    window.settledSince ??= performance.now();
    return performance.now() - window.settledSince > 1000;
  }, null, { timeout: 120000, polling: 100 });

  // The share of the picture that is not the background, and how many colours it has (in
  // steps of 8 levels a channel).
  const picture = () => page.evaluate(() => {
    const canvas = document.querySelector('canvas');
    const copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext('2d');
    context.drawImage(canvas, 0, 0);
    const { data } = context.getImageData(0, 0, copy.width, copy.height);
    const background = [0x9b, 0xb7, 0xd4];
    let terrain = 0;
    const colours = new Set();
    for (let i = 0; i < data.length; i += 4) {
      const off = Math.abs(data[i] - background[0]) + Math.abs(data[i + 1] - background[1]) +
                  Math.abs(data[i + 2] - background[2]);
      if (off <= 6) continue;
      ++terrain;
      colours.add((data[i] >> 3) << 10 | (data[i + 1] >> 3) << 5 | data[i + 2] >> 3);
    }
    return { share: terrain / (data.length / 4), colours: colours.size };
  });

  await settle();
  const far = await page.evaluate(() => window.viewer.levels);
  const farPicture = await picture();
  await page.screenshot({ path: screenshotName });
  console.log(`${directory}: from afar, levels ${far.join(', ')} shown; terrain covers ` +
              `${(100 * farPicture.share).toFixed(1)}% of the picture in ` +
              `${farPicture.colours} colours`);
  if (farPicture.share < 0.2) problems.push('less than a fifth of the picture is terrain');
  if (farPicture.colours < 50) problems.push('the terrain is drawn in fewer than 50 colours');

  // Down to a tenth of the terrain's radius above its centre, looking at it.
  await page.evaluate(() => {
    const { camera, controls, radius } = window.viewer;
    camera.position.set(0, 0.1 * radius, 0.1 * radius);
    controls.target.set(0, 0, 0);
    controls.update();
    window.settledSince = undefined;
  });
  await settle();
  const close = await page.evaluate(() => window.viewer.levels);
  const closePicture = await picture();
  if (closeName) await page.screenshot({ path: closeName });
  console.log(`${directory}: close, levels ${close.join(', ')} shown; terrain covers ` +
              `${(100 * closePicture.share).toFixed(1)}% of the picture`);
  // A node of error 0 is the terrain at full resolution (a small tileset's root can be): no
  // client refines it, so only from a coarser one must the camera's approach load deeper.
  const coarsest = Math.min(...far);
  if (errors[coarsest] > 0 && !(Math.min(...close) < coarsest)) {
    problems.push('no deeper level was loaded when the camera came close');
  }
  if (closePicture.share < 0.5) problems.push('close, less than half of the picture is terrain');
  problems.push(...await page.evaluate(() => window.viewer.errors));
} finally {
  await browser.close();
  server.kill();
  await rm(profile, { recursive: true, force: true });
}
problems.push(...failedRequests.map((line) => `the server says: ${line}`));
for (const problem of problems) console.log(`FAIL: ${problem}`);
process.exit(problems.length > 0 ? 1 : 0);
