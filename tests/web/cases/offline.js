// The site kept on the device: after one visit, with the browser offline
// and the server stopped, the page starts the game, plays it with its
// sound and keeps its score. A new version of the site is fetched during a
// game but not used in it, nor while another page of the game is open; the
// next start takes it.
'use strict';

const fs = require('fs');
const path = require('path');
const web = require('../driver');

const kMarker = '/* a newer version */';

// Runs `task(page)` until it answers, through the page's own reloads.
async function settled(page, task) {
  const deadline = Date.now() + web.kWait;
  for (;;) {
    try {
      const answer = await task(page);
      if (answer !== undefined) return answer;
    } catch (error) {
      if (Date.now() > deadline) throw error;
    }
    if (Date.now() > deadline) throw new Error('the page did not settle');
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// Whether the page's game has started from a site that has `kMarker` in its
// game.css; undefined until it has started.
const started = (page) => page.evaluate(async (marker) => {
  if (!window.gameTest || !await gameTest.ready) return undefined;
  return (await (await fetch('game.css')).text()).includes(marker);
}, kMarker);

async function playToTheList(page, name) {
  await web.tick(page, 1);
  await web.clickGame(page, 320, 240);
  await web.idle(page);
  const ticks = web.tick(page, 3000);
  await page.waitForSelector('#name-dialog[open]', {timeout: web.kWait});
  await page.$eval('#name-input', (input, value) => { input.value = value; }, name);
  await page.click('#name-ok');
  await ticks;
}

async function firstRow(page) {
  await web.menuCommand(page, 1, 1004);
  await page.waitForSelector('#list-dialog[open]', {timeout: web.kWait});
  const row = await page.$eval('#list-dialog .row', (item) => item.textContent);
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: web.kWait});
  return row;
}

web.runCase('offline', async (t) => {
  // A copy of the site, which the test changes into a newer version.
  const site = path.join(t.work, 'site');
  fs.rmSync(site, {recursive: true, force: true});
  fs.cpSync(t.opts.site, site, {recursive: true});
  let {server, url} = await web.startServer(t.opts, site);
  const here = {...t, url};

  let page = await web.openPage(here, t.browser, true);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null,
                             {timeout: web.kWait});

  // The network cut.
  server.kill();
  await page.setOfflineMode(true);
  await page.reload({waitUntil: 'load'});
  t.check('the game starts without a network', await settled(page, started) === false);
  await web.tick(page, 1);
  await web.clickGame(page, 320, 240);
  const level = await page.waitForFunction(() => Module.web.probes.outputLevel() > 1e-3,
                                           {timeout: web.kWait, polling: 50})
                    .then(() => true, () => false);
  t.check('the game sounds without a network', level);
  await page.keyboard.press('Escape');
  await page.reload({waitUntil: 'load'});
  await settled(page, started);
  await playToTheList(page, 'ひこうき');
  await page.reload({waitUntil: 'load'});
  await settled(page, started);
  t.check('the score is kept without a network', (await firstRow(page)).includes('ひこうき'));

  // The network back, and a newer version of the site on it.
  ({server} = await web.startServer(t.opts, site, new URL(url).port));
  await page.setOfflineMode(false);
  fs.appendFileSync(path.join(site, 'game.css'), kMarker + '\n');
  const worker = path.join(site, 'offline-worker.js');
  fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8')
                               .replace(/const kVersion = '[^']*'/, 'const kVersion = \'newer\''));
  await web.tick(page, 1);
  await web.clickGame(page, 320, 240);
  await web.idle(page);
  await page.evaluate(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    await registration.update();
  });
  await page.waitForFunction(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    return registration.waiting !== null;
  }, {timeout: web.kWait});
  const playing = await web.probe(page);
  const version = await started(page);
  t.check('a game goes on with its own version while a newer one waits',
          playing.state === 1 && version === false,
          JSON.stringify({state: playing.state, newer: version}));

  const other = await web.openPage(here, t.browser, true);
  t.check('a second page starts the same version while the first is open',
          await settled(other, started) === false);
  await other.close();

  await page.reload({waitUntil: 'load'});
  t.check('the next start takes the newer version', await settled(page, started) === true);
  t.check('the newer version keeps the score', (await firstRow(page)).includes('ひこうき'));
});
