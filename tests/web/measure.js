// Figures of the browser form in Debian's headless Chromium, the median of
// several loads each:
//   - the time from navigation to the first title frame drawn;
//   - the bytes transferred for the whole page;
//   - the cost of one play tick with its present (the test hook runs the
//     ticks, 25 at a time);
//   - the page's share of a processor while a game is played in real time
//     (its main thread, and all of Chromium's processes together).
//
// node measure.js --site DIR --modules DIR --serve PATH [--loads N]
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const {execFileSync} = require('child_process');
const web = require('./driver');

const args = web.options(['site', 'modules', 'serve'],
                         'node measure.js --site DIR --modules DIR --serve PATH [--loads N]');
const puppeteer = web.puppeteerFor(args);
const loads = Number(args.loads || 5);

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
    }
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
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
