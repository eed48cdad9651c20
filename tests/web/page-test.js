// The browser form in Debian's headless Chromium, served from this machine:
//   - frames: the canvas shows, pixel for pixel, the frames the Linux replay
//     draws for the same clicks and keys (real mouse clicks on the scaled
//     picture, a real Enter), with the ticks run by the page's test hook;
//   - game: a game is played to its end, the name dialog keeps Esc inert and
//     takes a Japanese name, the list shows it, and it is still there after
//     the page is loaded again;
//   - sound: the audio output runs and is not silent during play, and the
//     music's loop goes round without a gap or a click;
//   - menu: the version box, the exit question (No, then Yes), Esc, and the
//     title picture with the offer to start again once the program ended;
//   - and nothing is reported as an error in the browser's console.
//
// node page-test.js --site DIR --modules DIR --replay PATH --serve PATH --work DIR
// Exits 77 (skipped) when Chromium or puppeteer-core is missing.
'use strict';

const fs = require('fs');
const path = require('path');
const {spawn, execFileSync} = require('child_process');

const kChromium = '/usr/bin/chromium';
const kWait = 60000;

function options() {
  const result = {};
  const args = process.argv.slice(2);
  for (let i = 0; i + 1 < args.length; i += 2) result[args[i].replace(/^--/, '')] = args[i + 1];
  for (const name of ['site', 'modules', 'replay', 'serve', 'work']) {
    if (!result[name]) {
      console.error('usage: page-test.js --site DIR --modules DIR --replay PATH --serve PATH --work DIR');
      process.exit(2);
    }
    result[name] = path.resolve(result[name]);
  }
  return result;
}

function skip(reason) {
  console.log('SKIPPED: ' + reason);
  process.exit(77);
}

const opts = options();
if (!fs.existsSync(kChromium)) skip(kChromium + ' is not installed (run web/setup.sh --tests)');
if (!fs.existsSync(path.join(opts.modules, 'puppeteer-core'))) {
  skip('puppeteer-core is not installed in ' + opts.modules + ' (run web/setup.sh --tests)');
}
if (!fs.existsSync(path.join(opts.site, 'miruto-nana.wasm'))) skip('the page is not built');
const puppeteer = require(path.join(opts.modules, 'puppeteer-core'));

// --- Reporting ---------------------------------------------------------------

const failures = [];
let passed = 0;

function check(name, ok, detail) {
  if (ok) {
    ++passed;
    console.log('ok: ' + name);
  } else {
    failures.push(name);
    console.log('FAILED: ' + name + (detail !== undefined ? ': ' + detail : ''));
  }
}

// Everything the browser reports as an error, from every page.
const consoleErrors = [];

function watch(page) {
  page.on('console', (message) => {
    if (message.type() === 'error') consoleErrors.push('console: ' + message.text());
  });
  page.on('pageerror', (error) => consoleErrors.push('page error: ' + error.message));
  page.on('requestfailed', (request) => {
    consoleErrors.push('request failed: ' + request.url() + ' ' + request.failure().errorText);
  });
  page.on('response', (response) => {
    if (response.status() >= 400) consoleErrors.push('HTTP ' + response.status() + ': ' + response.url());
  });
  return page;
}

// --- The page ----------------------------------------------------------------

function startServer() {
  return new Promise((resolve, reject) => {
    const server = spawn('/usr/bin/python3', [opts.serve, '--port', '0', opts.site],
                         {stdio: ['ignore', 'pipe', 'inherit']});
    server.on('error', reject);
    // The server goes with this script, however it ends: left running, it
    // would keep the test's output open.
    process.on('exit', () => server.kill());
    server.stdout.once('data', (data) => resolve({server, url: data.toString().trim()}));
  });
}

async function openPage(browser, url, test) {
  const page = watch(await browser.newPage());
  await page.setViewport({width: 1400, height: 1100});
  await page.goto(url + (test ? '?test' : ''), {waitUntil: 'load', timeout: kWait});
  if (test) {
    await page.waitForFunction(() => window.gameTest !== undefined, {timeout: kWait});
    if (!await page.evaluate(() => window.gameTest.ready)) throw new Error('the game did not start');
  } else {
    await page.waitForFunction(() => window.Module && Module.web && Module.web.presents > 0,
                               {timeout: kWait});
  }
  return page;
}

const probe = (page) => page.evaluate(() => gameTest.probe());
const idle = (page) => page.evaluate(() => gameTest.idle());

// The screen point of a game pixel's centre on the scaled canvas.
async function screenPoint(page, x, y) {
  const box = await page.$eval('#screen', (canvas) => {
    const r = canvas.getBoundingClientRect();
    return {left: r.left, top: r.top, width: r.width, height: r.height};
  });
  return {x: box.left + (x + 0.5) * box.width / 640, y: box.top + (y + 0.5) * box.height / 480};
}

async function clickGame(page, x, y) {
  const point = await screenPoint(page, x, y);
  await page.mouse.click(point.x, point.y);
}

// Pixels of the canvas that differ from the PNG file, and the first of them.
async function compareCanvas(page, pngPath) {
  const png = fs.readFileSync(pngPath).toString('base64');
  return page.evaluate(async (data) => {
    const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const picture = await createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                                            {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
    const scratch = new OffscreenCanvas(picture.width, picture.height);
    const context = scratch.getContext('2d');
    context.drawImage(picture, 0, 0);
    const expected = context.getImageData(0, 0, picture.width, picture.height).data;
    const canvas = document.getElementById('screen');
    const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    if (picture.width !== canvas.width || picture.height !== canvas.height) return {size: true};
    let differing = 0;
    let first = -1;
    for (let i = 0; i < shown.length; i += 4) {
      if (shown[i] !== expected[i] || shown[i + 1] !== expected[i + 1] ||
          shown[i + 2] !== expected[i + 2]) {
        if (first < 0) first = i / 4;
        ++differing;
      }
    }
    return {differing, first};
  }, png);
}

function describe(result) {
  if (result.size) return 'the picture has another size';
  return result.differing + ' pixels differ, the first at (' + result.first % 640 + ', ' +
         Math.floor(result.first / 640) + ')';
}

// --- Cases ---------------------------------------------------------------------

// The title, the opening wipe, play with clicks, the pause picture and more
// play, checked against the Linux replay's frames (one every 25 ticks).
const kFrameScript = [
  'tick 26', 'click 320 240', 'tick 24', 'click 300 200', 'tick 25', 'click 100 150', 'tick 25',
  'enter', 'tick 25', 'enter', 'tick 25', 'click 420 120', 'tick 25',
];

async function framesCase(browser, url) {
  const dir = path.join(opts.work, 'frames');
  fs.rmSync(dir, {recursive: true, force: true});
  fs.mkdirSync(dir, {recursive: true});
  const script = path.join(opts.work, 'frames.txt');
  fs.writeFileSync(script, kFrameScript.join('\n') + '\n');
  execFileSync(opts.replay, ['--png', dir, script], {cwd: dir, stdio: ['ignore', 'ignore', 'inherit']});

  const context = await browser.createBrowserContext();
  const page = await openPage(context, url, true);
  let ticks = 0;
  const compared = [];
  for (const line of kFrameScript) {
    const words = line.split(' ');
    if (words[0] === 'tick') {
      let left = Number(words[1]);
      while (left > 0) {
        const step = Math.min(left, 25 - ticks % 25);
        await page.evaluate((n) => gameTest.tick(n), step);
        ticks += step;
        left -= step;
        const png = path.join(dir, 'frame-' + String(ticks).padStart(6, '0') + '.png');
        if (ticks % 25 === 0 && fs.existsSync(png)) {
          const result = await compareCanvas(page, png);
          compared.push(ticks);
          check('the canvas shows the Linux frame of tick ' + ticks, result.differing === 0,
                describe(result));
        }
      }
    } else if (words[0] === 'click') {
      const before = await probe(page);
      await clickGame(page, Number(words[1]), Number(words[2]));
      await idle(page);
      if (before.state === 0) {
        check('a click on the title starts a game', (await probe(page)).state === 1);
      }
    } else if (words[0] === 'enter') {
      const before = await probe(page);
      await page.keyboard.press('Enter');
      await idle(page);
      check('Enter ' + (before.paused ? 'resumes' : 'pauses') + ' the game',
            (await probe(page)).paused === (before.paused ? 0 : 1));
    }
  }
  check('frames were compared', compared.length >= 6, compared.join(' '));
  await context.close();
}

// The place text and the name as the list shows them: the name right-aligned
// in 12 bytes of code page 932 (a Japanese character takes two), the score in
// 4 places, with ideographic spaces between.
function listRow(place, name, score) {
  let bytes = 0;
  for (const c of name) bytes += c.charCodeAt(0) < 0x80 ? 1 : 2;
  return place + '位　' + ' '.repeat(Math.max(0, 12 - bytes)) + name + '　' +
         String(score).padStart(4);
}

async function listRows(page) {
  await page.click('#menubar .menu:nth-child(1) .menu-title');
  await page.click('[data-command="1004"]');
  await page.waitForSelector('#list-dialog[open]', {timeout: kWait});
  const rows = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: kWait});
  return rows;
}

async function gameCase(browser, url) {
  const name = 'ななこ';
  let page = await openPage(browser, url, true);
  await page.evaluate(() => gameTest.tick(1));
  await clickGame(page, 320, 240);
  await idle(page);
  // Play on until the game ends and the name dialog opens.
  const ticks = page.evaluate(() => gameTest.tick(3000));
  await page.waitForSelector('#name-dialog[open]', {timeout: kWait});
  const ended = await probe(page);
  check('the game ends by itself', ended.state === 2 && ended.tick > 40, JSON.stringify(ended));
  check('the name dialog shows the place',
        await page.$eval('#place-text', (e) => e.textContent) === '1位です！');
  check('the name dialog offers "kiri"', await page.$eval('#name-input', (e) => e.value) === 'kiri');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  check('Esc leaves the name dialog open', await page.$eval('#name-dialog', (e) => e.open));
  await page.click('#name-input', {clickCount: 3});
  await page.keyboard.press('Backspace');
  await page.keyboard.sendCharacter(name);
  await page.click('#name-ok');
  await ticks;
  check('the game goes back to the title after the name', (await probe(page)).state === 0);
  const row = listRow(1, name, ended.score);
  let rows = await listRows(page);
  check('the list shows the name', rows[0] === row, JSON.stringify(rows[0]) + ' for ' +
        JSON.stringify(row));
  await page.close();
  page = await openPage(browser, url, true);
  rows = await listRows(page);
  check('the name is still listed after a reload', rows[0] === row, JSON.stringify(rows[0]));

  // A second game: the list opens over the name dialog and shows the table
  // without this game; the close box then stores nothing.
  await page.evaluate(() => gameTest.tick(1));
  await clickGame(page, 320, 240);
  await idle(page);
  const again = page.evaluate(() => gameTest.tick(3000));
  await page.waitForSelector('#name-dialog[open]', {timeout: kWait});
  await page.click('#name-list');
  await page.waitForSelector('#list-dialog[open]', {timeout: kWait});
  const shown = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  check('the list opens over the name dialog', shown[0] === row && shown[1] === listRow(2, 'kiri', 0),
        JSON.stringify(shown));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: kWait});
  check('the name dialog is still open under the list', await page.$eval('#name-dialog', (e) => e.open));
  await page.click('#name-dialog .close');
  await again;
  rows = await listRows(page);
  check('the close box stores nothing', rows[0] === row && rows[1] === listRow(2, 'kiri', 0),
        JSON.stringify(rows));

  // A third game whose score cannot be written to the browser's storage:
  // the player is told.
  await page.evaluate(() => {
    gameTest.web().syncfs = () => Promise.resolve(false);
  });
  await clickGame(page, 320, 240);
  await idle(page);
  const unsaved = page.evaluate(() => gameTest.tick(3000));
  await page.waitForSelector('#name-dialog[open]', {timeout: kWait});
  await page.click('#name-ok');
  const box = await messageBox(page);
  check('a score the browser cannot keep is reported',
        box.text === 'スコアの保存に失敗しました', JSON.stringify(box));
  await page.click('#message-ok');
  await unsaved;
  check('the game goes on after the report', (await probe(page)).state === 0);
  await page.close();
}

// The audio output while a game is played for real, and the loop of each
// piece of music played across its seam.
async function soundCase(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await openPage(context, url, false);
  await clickGame(page, 320, 240);
  await page.waitForFunction(() => Module.web.audioState().music >= 0, {timeout: kWait});
  await new Promise((resolve) => setTimeout(resolve, 1500));
  let level = 0;
  for (let i = 0; i < 10; ++i) {
    level = Math.max(level, await page.evaluate(() => Module.web.outputLevel()));
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  const state = await page.evaluate(() => Module.web.audioState());
  check('the audio output runs during play', state.context === 'running', JSON.stringify(state));
  check('the audio output is not silent during play', level > 1e-3, 'level ' + level);

  const seams = await page.evaluate(async () => {
    const rms = (a, from, to) => {
      let sum = 0;
      for (let i = from; i < to; ++i) sum += a[i] * a[i];
      return Math.sqrt(sum / Math.max(1, to - from));
    };
    const results = [];
    await Promise.all(Module.web.pieces.map((piece) => piece.decoded));
    for (const piece of Module.web.pieces) {
      const facts = piece.facts;
      const buffer = piece.buffer;
      const rate = buffer.sampleRate;
      const from = facts.loopFrom / facts.rate;
      const to = facts.loopTo / facts.rate;
      // 0.1 s before the loop's end and 0.1 s after it comes round.
      const half = 0.1;
      const length = Math.round(2 * half * rate);
      const offline = new OfflineAudioContext(buffer.numberOfChannels, length, rate);
      const source = offline.createBufferSource();
      source.buffer = buffer;
      source.loop = true;
      source.loopStart = from;
      source.loopEnd = to;
      source.connect(offline.destination);
      source.start(0, to - half);
      const looped = await offline.startRendering();
      // What the desktop plays around its own jump back: the rendering
      // around the first jump.
      const at = Math.round((from - half) * rate);
      const seam = Math.round(half * rate);
      const window = Math.round(0.002 * rate);
      const near = Math.round(0.005 * rate);
      let weakest = Infinity;
      let error = 0;
      let reference = 0;
      for (let c = 0; c < looped.numberOfChannels; ++c) {
        const heard = looped.getChannelData(c);
        const wanted = buffer.getChannelData(c).subarray(at, at + length);
        for (let i = seam - 5 * window; i + window <= length; i += window) {
          const expected = rms(wanted, i, i + window);
          if (expected > 1e-3) weakest = Math.min(weakest, rms(heard, i, i + window) / expected);
        }
        for (let i = seam - near; i < seam + near; ++i) {
          error += (heard[i] - wanted[i]) ** 2;
          reference += wanted[i] ** 2;
        }
      }
      results.push({name: facts.name, weakest, error: Math.sqrt(error / reference)});
    }
    return results;
  });
  check('every piece of music was decoded', seams.length === 2, JSON.stringify(seams));
  for (const seam of seams) {
    check('the loop of ' + seam.name + ' comes round without a gap', seam.weakest > 0.5,
          'the weakest 2 ms have ' + seam.weakest.toFixed(3) + ' of the level wanted');
    check('the loop of ' + seam.name + ' comes round without a click', seam.error < 0.3,
          'the 10 ms around the seam stray by ' + seam.error.toFixed(3));
  }
  await context.close();
}

async function messageBox(page) {
  await page.waitForSelector('#message-dialog[open]', {timeout: kWait});
  return page.evaluate(() => ({
    caption: document.querySelector('#message-dialog .caption').textContent,
    text: document.querySelector('#message-dialog .text').textContent,
  }));
}

async function menuCommand(page, menu, command) {
  await page.click('#menubar .menu:nth-child(' + menu + ') .menu-title');
  await page.click('[data-command="' + command + '"]');
}

async function menuCase(browser, url, titlePng) {
  const context = await browser.createBrowserContext();
  let page = await openPage(context, url, true);
  await page.evaluate(() => gameTest.tick(1));

  await menuCommand(page, 2, 1003);
  const version = await messageBox(page);
  check('the version box', version.caption === 'バージョン' &&
        version.text === 'ミルトとナナ ver1.0\n\n絵・音・プログラム：ミルトとナナ制作室',
        JSON.stringify(version));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message-dialog:not([open])', {timeout: kWait});

  await menuCommand(page, 1, 1002);
  const question = await messageBox(page);
  check('the exit question', question.caption === '終了' && question.text === '終了しますか？',
        JSON.stringify(question));
  await page.click('#message-no');
  await idle(page);
  check('No goes on with the game', (await probe(page)).running === 1);
  await menuCommand(page, 1, 1002);
  await messageBox(page);
  await page.click('#message-yes');
  await idle(page);
  check('Yes ends the program', (await probe(page)).running === 0);
  check('the end offers to start again',
        await page.$eval('#ended', (e) => !e.hidden && e.offsetHeight > 0));
  const title = await compareCanvas(page, titlePng);
  check('the end shows the title picture', title.differing === 0, describe(title));

  await Promise.all([page.waitForNavigation({timeout: kWait}), page.click('#restart')]);
  await page.waitForFunction(() => window.gameTest !== undefined, {timeout: kWait});
  check('the game starts again', await page.evaluate(() => gameTest.ready));
  await page.keyboard.press('Escape');
  await idle(page);
  check('Esc ends the program', (await probe(page)).running === 0 &&
        await page.$eval('#ended', (e) => !e.hidden));
  await context.close();
}

// --- Run -------------------------------------------------------------------------

// A promise of a case that failed earlier may still fail later: that ends
// the test at once, as a failure.
process.on('unhandledRejection', (error) => {
  console.log('FAILED: ' + (error && error.stack || String(error)));
  process.exit(1);
});

async function main() {
  fs.mkdirSync(opts.work, {recursive: true});
  const profile = path.join(opts.work, 'profile');
  fs.rmSync(profile, {recursive: true, force: true});
  const {server, url} = await startServer();
  try {
    const browser = await puppeteer.launch({
      executablePath: kChromium,
      headless: true,
      userDataDir: profile,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--autoplay-policy=no-user-gesture-required'],
      protocolTimeout: 300000,
    });
    const cases = [
      ['frames', () => framesCase(browser, url)],
      ['game', () => gameCase(browser, url)],
      ['sound', () => soundCase(browser, url)],
      ['menu', () => menuCase(browser, url, path.join(opts.work, 'frames', 'frame-000025.png'))],
    ];
    try {
      for (const [name, run] of cases) {
        try {
          await run();
        } catch (error) {
          check(name + ' ran to its end', false, error.stack || String(error));
        }
      }
      check('nothing was reported as an error in the console', consoleErrors.length === 0,
            consoleErrors.join('\n'));
    } finally {
      await browser.close();
    }
  } finally {
    server.kill();
  }
  console.log(passed + ' passed, ' + failures.length + ' failed');
  process.exit(failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
