// What the browser tests and measurements share: their options, the page's
// server, the browser's launch (the one place that knows which browsers run
// and how: Debian's Chromium, and its Firefox ESR through WebDriver BiDi),
// the page opened with or without the test hook, the game's clicks and
// probes, the canvas compared with a PNG file, and the report.
//
// A case is a script of its own (cases/*.js) that hands its steps to
// runCase; it runs as
//   node cases/NAME.js --site DIR --modules DIR --replay PATH --serve PATH --work DIR
//                      [--browser chromium|firefox] [--server PATH]
// (--server: the score service's program, for the cases that need it)
// and exits 0 when every check passed, 1 when one failed, 77 (skipped) when
// the browser or puppeteer-core is not installed.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const {spawn, execFileSync} = require('child_process');

const kBrowsers = {chromium: '/usr/bin/chromium', firefox: '/usr/bin/firefox-esr'};
// How long any one wait on the page may take.
const kWait = 60000;

// The --name value pairs of the command line, the `required` ones as
// absolute paths.
function options(required, usage) {
  const result = {};
  const args = process.argv.slice(2);
  for (let i = 0; i + 1 < args.length; i += 2) result[args[i].replace(/^--/, '')] = args[i + 1];
  for (const name of required) {
    if (!result[name]) {
      console.error('usage: ' + usage);
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

function fail(reason) {
  console.log('FAILED: ' + reason);
  process.exit(1);
}

// puppeteer-core from the tests' own modules, or a skip when the browser or
// the module is missing; a site without the program is a failure (the tests
// are only there when the browser form is built).
function puppeteerFor(opts) {
  opts.browser = opts.browser || 'chromium';
  const executable = kBrowsers[opts.browser];
  if (!executable) fail('no browser called ' + opts.browser);
  if (!fs.existsSync(executable)) skip(executable + ' is not installed (run web/setup.sh --tests)');
  if (!fs.existsSync(path.join(opts.modules, 'puppeteer-core'))) {
    skip('puppeteer-core is not installed in ' + opts.modules + ' (run web/setup.sh --tests)');
  }
  if (!fs.existsSync(path.join(opts.site, 'miruto-nana.wasm'))) {
    fail('the page in ' + opts.site + ' has no program (miruto-nana.wasm)');
  }
  return require(path.join(opts.modules, 'puppeteer-core'));
}

// Serves the site (or `site`) on a free port of this machine (or `port`);
// resolves with the server and its address. The server goes with this
// script, however it ends: left running, it would keep the test's output
// open.
function startServer(opts, site, port) {
  return new Promise((resolve, reject) => {
    const server = spawn('/usr/bin/python3',
                         [opts.serve, '--port', String(port || 0), site || opts.site],
                         {stdio: ['ignore', 'pipe', 'inherit']});
    server.on('error', reject);
    process.on('exit', () => server.kill());
    server.stdout.once('data', (data) => resolve({server, url: data.toString().trim()}));
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Firefox plays its sound only through a sound server: it gets one of its
// own, with no device behind it (a null sink), answering on a socket in a
// folder of its own. Resolves with the server's address for PULSE_SERVER.
async function startSoundServer() {
  const pulseaudio = '/usr/bin/pulseaudio';
  if (!fs.existsSync(pulseaudio)) skip(pulseaudio + ' is not installed (run web/setup.sh --tests)');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'miruto-nana-sound-'));
  const socket = path.join(dir, 'socket');
  const log = fs.openSync(path.join(dir, 'log.txt'), 'w');
  const server = spawn(pulseaudio, ['-n', '--daemonize=no', '--exit-idle-time=-1', '--disable-shm=yes',
                                    '--use-pid-file=no', '-L', 'module-null-sink', '-L',
                                    'module-native-protocol-unix socket=' + socket + ' auth-anonymous=1'],
                       {stdio: ['ignore', log, log], env: {...process.env, HOME: dir, XDG_RUNTIME_DIR: dir}});
  process.on('exit', () => {
    server.kill();
    fs.rmSync(dir, {recursive: true, force: true});
  });
  const deadline = Date.now() + kWait;
  while (!fs.existsSync(socket)) {
    if (server.exitCode !== null || Date.now() > deadline) {
      throw new Error('the sound server did not start: ' +
                      fs.readFileSync(path.join(dir, 'log.txt'), 'utf8'));
    }
    await sleep(50);
  }
  return 'unix:' + socket;
}

// The browser, headless, with a profile of its own in `profile`.
async function launchBrowser(puppeteer, profile, browser) {
  fs.rmSync(profile, {recursive: true, force: true});
  if (browser === 'firefox') {
    const sound = await startSoundServer();
    return puppeteer.launch({
      browser: 'firefox',
      executablePath: kBrowsers.firefox,
      headless: true,
      userDataDir: profile,
      env: {...process.env, PULSE_SERVER: sound},
      extraPrefsFirefox: {
        // Sound without a click first, as Chromium's flag below allows.
        'media.autoplay.default': 0,
        'media.autoplay.blocking_policy': 0,
      },
      protocolTimeout: 300000,
    });
  }
  return puppeteer.launch({
    executablePath: kBrowsers.chromium,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=no-user-gesture-required'],
    protocolTimeout: 300000,
  });
}

// --- Reporting ---------------------------------------------------------------

class Report {
  constructor() {
    this.passed = 0;
    this.failures = [];
    // Everything the browser reports as an error, from every page watched.
    this.consoleErrors = [];
    // Refusals a page meets on purpose, each {status, url}: on a site of
    // plain files the world table's look for the score service finds
    // nothing; a case adds what it provokes.
    this.expected = [{status: 404, url: /\/api\/v1\/top\?limit=1$/}];
  }

  expectRefusal(status, url) {
    this.expected.push({status, url});
  }

  isExpected(status, url) {
    return this.expected.some((e) => e.status === status && e.url.test(url));
  }

  check(name, ok, detail) {
    if (ok) {
      ++this.passed;
      console.log('ok: ' + name);
    } else {
      this.failures.push(name);
      console.log('FAILED: ' + name + (detail !== undefined ? ': ' + detail : ''));
    }
  }

  watch(page) {
    const errors = this.consoleErrors;
    page.on('console', (message) => {
      if (message.type() !== 'error') return;
      // Chromium's note of a refused load, which the response below judges.
      const refused = /^Failed to load resource: the server responded with a status of (\d+)/
        .exec(message.text());
      if (refused && this.isExpected(Number(refused[1]), message.location().url || '')) return;
      errors.push('console: ' + message.text());
    });
    page.on('pageerror', (error) => errors.push('page error: ' + error.message));
    // A request cut short by the page leaving (a reload) has not failed.
    page.on('requestfailed', (request) => {
      const error = request.failure().errorText;
      if (error === 'net::ERR_ABORTED' || error === 'NS_BINDING_ABORTED') return;
      errors.push('request failed: ' + request.url() + ' ' + error);
    });
    page.on('response', (response) => {
      if (response.status() >= 400 && !this.isExpected(response.status(), response.url())) {
        errors.push('HTTP ' + response.status() + ': ' + response.url());
      }
    });
    return page;
  }
}

// --- The page ----------------------------------------------------------------

// A page of the game, with the test hook (the ticks run only when the test
// asks) or without it (the game runs in real time), on a screen of 1400 x
// 1100 or `screen` (puppeteer's viewport), made ready by `prepare(page)`
// before it loads; resolves once the game has started, or has drawn its
// first frame.
async function openPage(t, browser, test, screen, prepare) {
  const page = t.report.watch(await browser.newPage());
  await page.setViewport(screen || {width: 1400, height: 1100});
  if (prepare) await prepare(page);
  await page.goto(t.url + (test ? '?test' : ''), {waitUntil: 'load', timeout: kWait});
  if (test) {
    await page.waitForFunction(() => window.gameTest !== undefined, {timeout: kWait});
    if (!await page.evaluate(() => window.gameTest.ready)) throw new Error('the game did not start');
  } else {
    await page.waitForFunction(() => window.Module && Module.web && Module.web.probes.presents > 0,
                               {timeout: kWait});
  }
  return page;
}

const probe = (page) => page.evaluate(() => gameTest.probe());
const idle = (page) => page.evaluate(() => gameTest.idle());
const tick = (page, count) => page.evaluate((n) => gameTest.tick(n), count);

// From now on the page notes the game pixel of every click it passes to the
// program; clicksPassed() takes the list.
function noteClicks(page) {
  return page.evaluate(() => {
    const inner = Module.ccall;
    window.passedClicks = [];
    Module.ccall = function(name, result, types, args) {
      if (name === 'web_click') passedClicks.push(args.slice());
      return inner.apply(this, arguments);
    };
  });
}
const clicksPassed = (page) => page.evaluate(() => passedClicks.splice(0));

// The screen point of a game pixel's centre on the scaled canvas.
async function screenPoint(page, x, y) {
  const box = await page.$eval('#screen', (canvas) => {
    const r = canvas.getBoundingClientRect();
    return {left: r.left, top: r.top, width: r.width, height: r.height};
  });
  return {x: box.left + (x + 0.5) * box.width / 640, y: box.top + (y + 0.5) * box.height / 480};
}

// A real mouse click on a game pixel.
async function clickGame(page, x, y) {
  const point = await screenPoint(page, x, y);
  await page.mouse.click(point.x, point.y);
}

async function menuCommand(page, menu, command) {
  await page.click('#menubar .menu:nth-child(' + menu + ') .menu-title');
  await page.click('[data-command="' + command + '"]');
}

// The open message box's caption and text.
async function messageBox(page) {
  await page.waitForSelector('#message-dialog[open]', {timeout: kWait});
  return page.evaluate(() => ({
    caption: document.querySelector('#message-dialog .caption').textContent,
    text: document.querySelector('#message-dialog .text').textContent,
  }));
}

// --- The score table's dialogs -----------------------------------------------

// A row as the list shows it: the name right-aligned in 12 bytes of code
// page 932 (a Japanese character takes two), the score in 4 places, with
// ideographic spaces between.
function listRow(place, name, score) {
  let bytes = 0;
  for (const c of name) bytes += c.charCodeAt(0) < 0x80 ? 1 : 2;
  return place + '位　' + ' '.repeat(Math.max(0, 12 - bytes)) + name + '　' +
         String(score).padStart(4);
}

// The five rows of the list, opened from the menu and closed again.
async function listRows(page) {
  await menuCommand(page, 1, 1004);
  await page.waitForSelector('#list-dialog[open]', {timeout: kWait});
  const rows = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: kWait});
  return rows;
}

// Starts a game with a click on the title (test hook pages) and plays it on
// until the name dialog opens; resolves with {ticks}, the promise of the
// ticks, which ends once the name dialog is answered.
async function playToTheNameDialog(page) {
  await clickGame(page, 320, 240);
  await idle(page);
  const ticks = tick(page, 3000);
  await page.waitForSelector('#name-dialog[open]', {timeout: kWait});
  return {ticks};
}

// Types `name` over the name dialog's preset.
async function typeName(page, name) {
  await page.click('#name-input');
  await page.$eval('#name-input', (input) => input.select());
  await page.keyboard.press('Backspace');
  for (const character of name) await page.keyboard.sendCharacter(character);
}

// The frames the Linux replay draws for a script (one every 25 ticks), as
// PNG files in `dir`; returns the path of a tick's frame.
function replayFrames(t, name, lines) {
  const dir = path.join(t.work, name);
  fs.rmSync(dir, {recursive: true, force: true});
  fs.mkdirSync(dir, {recursive: true});
  const script = path.join(t.work, name + '.txt');
  fs.writeFileSync(script, lines.join('\n') + '\n');
  execFileSync(t.opts.replay, ['--png', dir, script], {cwd: dir, stdio: ['ignore', 'ignore', 'inherit']});
  return (ticks) => path.join(dir, 'frame-' + String(ticks).padStart(6, '0') + '.png');
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

// --- Running a case ------------------------------------------------------------

// Runs one case: `steps(t)` gets {browser, browserName, url, opts, work,
// report, check} and checks what it will. The case passes when every check
// passed and the browser reported no error.
function runCase(name, steps) {
  const usage = 'node ' + name + '.js --site DIR --modules DIR --replay PATH --serve PATH ' +
                '--work DIR [--browser chromium|firefox]';
  const opts = options(['site', 'modules', 'replay', 'serve', 'work'], usage);
  const puppeteer = puppeteerFor(opts);
  // A promise of a step that failed earlier may still fail later: that ends
  // the case at once, as a failure.
  process.on('unhandledRejection', (error) => fail(error && error.stack || String(error)));

  const main = async () => {
    const work = path.join(opts.work, opts.browser, name);
    fs.mkdirSync(work, {recursive: true});
    const report = new Report();
    const {server, url} = await startServer(opts);
    try {
      const browser = await launchBrowser(puppeteer, path.join(work, 'profile'), opts.browser);
      try {
        const t = {browser, browserName: opts.browser, url, server, opts, work, report,
                   check: report.check.bind(report)};
        try {
          await steps(t);
        } catch (error) {
          report.check(name + ' ran to its end', false, error.stack || String(error));
        }
        report.check('nothing was reported as an error in the console',
                     report.consoleErrors.length === 0, report.consoleErrors.join('\n'));
      } finally {
        await browser.close();
      }
    } finally {
      server.kill();
    }
    console.log(report.passed + ' passed, ' + report.failures.length + ' failed');
    process.exit(report.failures.length === 0 ? 0 : 1);
  };
  main().catch((error) => fail(error && error.stack || String(error)));
}

module.exports = {
  kWait, options, skip, puppeteerFor, startServer, launchBrowser, runCase, openPage, probe, idle, tick,
  noteClicks, clicksPassed, screenPoint, clickGame, menuCommand, messageBox, listRow, listRows,
  playToTheNameDialog, typeName, replayFrames,
  compareCanvas, describe,
};
