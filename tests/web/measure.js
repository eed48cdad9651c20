// Figures of the browser form in Debian's headless Chromium, the median of
// several loads each:
//   - the time from navigation to the first title frame drawn;
//   - the bytes transferred for the whole page;
//   - the cost of one play tick with its present (the test hook runs the
//     ticks, 25 at a time);
//   - the page's share of a processor while a game is played in real time
//     (its main thread, and all of Chromium's processes together);
// and with the processor slowed down N times (--throttle, 4 by default:
// about a phone's), on a phone's screen:
//   - the time to the first title frame, the site fetched (cold) and kept
//     by the service worker (warm);
//   - with --replay (the Linux replay tool, which plays a crowded game
//     ahead of the page: crowded.js), ten seconds of a crowded game in real
//     time: ticks a second, ticks dropped, and the cost of a tick with its
//     present.
//
// node measure.js --site DIR --modules DIR --serve PATH [--loads N] [--throttle N]
//                 [--replay PATH]
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const {execFileSync} = require('child_process');
const web = require('./driver');
const {crowdedGame} = require('./crowded');

const args = web.options(['site', 'modules', 'serve'],
                         'node measure.js --site DIR --modules DIR --serve PATH [--loads N] ' +
                         '[--throttle N] [--replay PATH]');
const puppeteer = web.puppeteerFor(args);
const loads = Number(args.loads || 5);
const throttle = Number(args.throttle || 4);
const kPhone = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
// The crowded game: played ahead to this tick, then in real time for this
// long.
const kCrowdedFrom = 2000;
const kRealTimeSeconds = 10;

const median = (values) => {
  const sorted = values.slice().sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Processor time of a process and all its descendants, in seconds.
function treeCpu(pid) {
  const ticks = Number(execFileSync('getconf', ['CLK_TCK']).toString());
  let total = 0;
  const children = {};
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync('/proc/' + entry + '/stat', 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const parent = Number(fields[1]);
      (children[parent] = children[parent] || []).push({pid: Number(entry), cpu:
        (Number(fields[11]) + Number(fields[12])) / ticks});
    } catch (error) {
      // The process has gone.
    }
  }
  const walk = (id) => (children[id] || []).forEach((child) => {
    total += child.cpu;
    walk(child.pid);
  });
  walk(pid);
  return total;
}

// The first title frame with the processor slowed down, fetched (cold) and
// then kept by the service worker (warm): {cold, warm} in ms.
async function slowFirstFrames(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(kPhone);
  const session = await page.createCDPSession();
  await session.send('Network.enable');
  await session.send('Network.setCacheDisabled', {cacheDisabled: true});
  await session.send('Emulation.setCPUThrottlingRate', {rate: throttle});
  const firstFrame = async () => {
    await page.waitForFunction(() => window.Module && Module.web && Module.web.probes.presents > 0,
                               {timeout: 120000});
    return page.evaluate(() => Module.web.probes.firstPresentAt);
  };
  await page.goto(url, {waitUntil: 'load'});
  const cold = await firstFrame();
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 120000});
  await page.reload({waitUntil: 'load'});
  const warm = await firstFrame();
  await context.close();
  return {cold, warm};
}

// Ten seconds of a crowded game in real time with the processor slowed
// down: the ticks run, the ticks due, and the cost of each tick with its
// present.
async function slowCrowdedGame(browser, url, script) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(kPhone);
  await page.goto(url + '?test', {waitUntil: 'load'});
  await page.waitForFunction(() => window.gameTest !== undefined);
  await page.evaluate(() => gameTest.ready);
  // Played ahead to the crowded part at full speed.
  let at = 0;
  let split = script.length;
  for (let i = 0; i < script.length; ++i) {
    if (at >= kCrowdedFrom) {
      split = i;
      break;
    }
    if (script[i].startsWith('tick ')) at += Number(script[i].split(' ')[1]);
  }
  await page.evaluate(async (lines) => {
    for (const line of lines) {
      const words = line.split(' ');
      if (words[0] === 'tick') await gameTest.tick(Number(words[1]));
      else if (words[0] === 'click') await gameTest.click(Number(words[1]), Number(words[2]));
    }
  }, script.slice(0, split));
  const session = await page.createCDPSession();
  await session.send('Emulation.setCPUThrottlingRate', {rate: throttle});
  // The page's own frame loop, as the game runs it, with the rest of the
  // script's clicks given at their ticks.
  const result = await page.evaluate((lines, seconds) => {
    const clicks = [];
    let ahead = 0;
    for (const line of lines) {
      const words = line.split(' ');
      if (words[0] === 'tick') ahead += Number(words[1]);
      else if (words[0] === 'click') clicks.push([ahead, Number(words[1]), Number(words[2])]);
    }
    const playTick = () => Module._web_probe(3);
    const call = (name, values) => Module.ccall(name, 'number', values.map(() => 'number'), values,
                                                {async: true});
    const first = playTick();
    const costs = [];
    let next = 0;
    return new Promise((resolve) => {
      const began = performance.now();
      const frame = async (time) => {
        const elapsed = performance.now() - began;
        if (elapsed >= seconds * 1000 || Module._web_probe(0) !== 1) {
          resolve({elapsed, ticks: playTick() - first, costs, state: Module._web_probe(0)});
          return;
        }
        while (next < clicks.length && clicks[next][0] <= playTick() - first) {
          await call('web_click', clicks[next].slice(1));
          ++next;
        }
        const before = playTick();
        const start = performance.now();
        await call('web_frame', [Math.floor(time) >>> 0]);
        if (playTick() !== before) costs.push(performance.now() - start);
        requestAnimationFrame(frame);
      };
      requestAnimationFrame(frame);
    });
  }, script.slice(split), kRealTimeSeconds);
  await context.close();
  return result;
}

async function main() {
  const {server, url} = await web.startServer(args);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'miruto-nana-measure-'));
  const browser = await web.launchBrowser(puppeteer, profile).catch((error) => {
    server.kill();
    throw error;
  });
  const firstFrame = [];
  const bytes = [];
  const tickCost = [];
  const tickSlow = [];
  const mainShare = [];
  const totalShare = [];
  const slowCold = [];
  const slowWarm = [];
  let crowded = null;
  const game = args.replay ? crowdedGame(path.resolve(args.replay), kCrowdedFrom + 40 * kRealTimeSeconds)
                           : null;
  try {
    for (let load = 0; load < loads; ++load) {
      // A fresh context without a cache: everything is fetched.
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      await page.setViewport({width: 1400, height: 1100});
      const session = await page.createCDPSession();
      await session.send('Network.enable');
      await session.send('Network.setCacheDisabled', {cacheDisabled: true});
      await session.send('Performance.enable');
      let transferred = 0;
      session.on('Network.loadingFinished', (event) => { transferred += event.encodedDataLength; });
      await page.goto(url, {waitUntil: 'load'});
      await page.waitForFunction(() => window.Module && Module.web && Module.web.probes.presents > 0,
                                 {timeout: 60000});
      firstFrame.push(await page.evaluate(() => Module.web.probes.firstPresentAt));
      // The music comes in while the title shows.
      await page.evaluate(() => Promise.all(Module.web.audio.pieces.map((piece) => piece.decoded)));
      await sleep(500);
      bytes.push(transferred);

      // Real-time play: a click on the title, the wipe, then five seconds.
      const box = await page.$eval('#screen', (c) => c.getBoundingClientRect().toJSON());
      await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
      await sleep(1000);
      const metric = async () => {
        const {metrics} = await session.send('Performance.getMetrics');
        return metrics.find((m) => m.name === 'TaskDuration').value;
      };
      const pid = browser.process().pid;
      const task0 = await metric();
      const cpu0 = treeCpu(pid);
      const wall0 = Date.now();
      await sleep(5000);
      const wall = (Date.now() - wall0) / 1000;
      mainShare.push((await metric() - task0) / wall);
      totalShare.push((treeCpu(pid) - cpu0) / wall);
      await context.close();

      // Ticks one by one through the test hook, in play with a click every
      // tenth tick.
      const testContext = await browser.createBrowserContext();
      const testPage = await testContext.newPage();
      await testPage.goto(url + '?test', {waitUntil: 'load'});
      await testPage.waitForFunction(() => window.gameTest !== undefined);
      await testPage.evaluate(() => gameTest.ready);
      const costs = await testPage.evaluate(async () => {
        await gameTest.tick(1);
        await gameTest.click(320, 240);
        // Batches of 25 ticks, each after a click, timed as a whole (the
        // page's clock is coarse); only batches played to their end count.
        const times = [];
        for (let batch = 0; batch < 6; ++batch) {
          await gameTest.click(100 + 70 * batch, 120 + 40 * batch);
          const start = performance.now();
          await gameTest.tick(25);
          const spent = (performance.now() - start) / 25;
          if (gameTest.probe().state === 1) times.push(spent);
        }
        return times;
      });
      tickCost.push(median(costs));
      tickSlow.push(Math.max(...costs));
      await testContext.close();

      const slow = await slowFirstFrames(browser, url);
      slowCold.push(slow.cold);
      slowWarm.push(slow.warm);
    }
    if (game) crowded = await slowCrowdedGame(browser, url, game.script);
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  const fixed = (value, digits) => value.toFixed(digits);
  console.log('loads: ' + loads);
  console.log('navigation to the first title frame: ' + fixed(median(firstFrame), 0) + ' ms (' +
              firstFrame.map((v) => fixed(v, 0)).join(', ') + ')');
  console.log('bytes transferred: ' + median(bytes) + ' (' + fixed(median(bytes) / 1048576, 2) + ' MiB)');
  console.log('one play tick with its present: ' + fixed(median(tickCost), 2) + ' ms (the slowest ' +
              'batch of 25 ticks: ' + fixed(median(tickSlow), 2) + ' ms a tick)');
  console.log('share of a processor during play: main thread ' + fixed(100 * median(mainShare), 1) +
              ' %, all of Chromium ' + fixed(100 * median(totalShare), 1) + ' %');
  console.log('with the processor slowed down ' + throttle + ' times, on a phone\'s screen:');
  console.log('  the first title frame: cold ' + fixed(median(slowCold), 0) + ' ms (' +
              slowCold.map((v) => fixed(v, 0)).join(', ') + '), warm ' + fixed(median(slowWarm), 0) +
              ' ms (' + slowWarm.map((v) => fixed(v, 0)).join(', ') + ')');
  if (crowded) {
    const due = Math.floor(crowded.elapsed / 40) + 1;
    const sorted = crowded.costs.slice().sort((a, b) => a - b);
    console.log('  a crowded game (from tick ' + kCrowdedFrom + ' of ' + game.ticks + ' played), ' +
                fixed(crowded.elapsed / 1000, 1) + ' s in real time' +
                (crowded.state === 1 ? '' : ' (it ended early)') + ': ' +
                fixed(crowded.ticks / (crowded.elapsed / 1000), 2) + ' ticks a second, ' +
                Math.max(0, due - crowded.ticks) + ' of ' + due + ' ticks dropped');
    console.log('  one tick with its present: median ' + fixed(median(sorted), 2) + ' ms, 95th percentile ' +
                fixed(sorted[Math.floor(0.95 * (sorted.length - 1))], 2) + ' ms, slowest ' +
                fixed(sorted[sorted.length - 1], 2) + ' ms');
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
