// A session played in the page (three games with blasts, a pause, names
// typed) keeps its replays in the browser's storage: the replay tool plays
// the last session's to the very scores the player saw and to the same
// score table, and each row's replay ends with its row's score. The list
// plays the best row's replay (paused, fast, to its end) and saves its file;
// watching leaves the player's own session as it was. A replay named by
// the page's link plays; a hostile file from the disk is refused in a box
// and changes nothing.
'use strict';

const fs = require('fs');
const path = require('path');
const {spawnSync} = require('child_process');

const web = require('../driver');

const kAppId = 'jp.mirutonana.MirutoNana';
const kReplaysCommand = 1005;

const watchProbe = (page) => page.evaluate(() => ({
  watching: Module._web_probe(5), state: Module._web_probe(6), score: Module._web_probe(7),
}));

// The kept files as the browser's storage holds them, by name.
async function storedFiles(page) {
  const entries = await page.evaluate((name) => new Promise((resolve, reject) => {
    const request = indexedDB.open(name);
    request.onerror = () => reject(request.error);
    request.onsuccess = () => {
      const db = request.result;
      const store = db.transaction('files').objectStore('files');
      const keys = store.getAllKeys();
      const values = store.getAll();
      values.onsuccess = () => {
        resolve(keys.result.map((key, i) => [key, Array.from(values.result[i])]));
        db.close();
      };
    };
  }), kAppId);
  return new Map(entries.map(([name, bytes]) => [name, Buffer.from(bytes)]));
}

function runTool(t, args, cwd) {
  const done = spawnSync(t.opts.replay, args, {
    cwd, encoding: 'utf8', timeout: 120000,
    env: Object.assign({}, process.env, {ASAN_OPTIONS: 'detect_leaks=0'}),
  });
  return {status: done.status, out: done.stdout, err: done.stderr};
}

// Waits for `test` to hold, checking every tenth of a second.
async function waitFor(what, test) {
  const deadline = Date.now() + web.kWait;
  for (;;) {
    if (test()) return;
    if (Date.now() > deadline) {
      throw new Error('no ' + what + ' within the deadline');
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// Plays one game, pausing it once, with a blast every `step` ticks at
// points spread over the sky until it ends; names it `name` and resolves
// with the score the player saw.
async function playGame(page, step, name) {
  await web.clickGame(page, 320, 240);
  await web.idle(page);
  await web.tick(page, 10);
  await page.keyboard.press('Enter');
  await web.tick(page, 10);
  await page.keyboard.press('Enter');
  for (let i = 0; i < 80; ++i) {
    const x = 40 + ((i * 97 * step) % 560);
    const y = 40 + ((i * 61 * step) % 300);
    await web.clickGame(page, x, y);
    // The ticks, until the name dialog opens in one of them.
    const named = await page.evaluate((n) => new Promise((resolve) => {
      const dialog = document.getElementById('name-dialog');
      const timer = setInterval(() => {
        if (dialog.open) {
          clearInterval(timer);
          resolve(true);
        }
      }, 20);
      window.pendingTicks = gameTest.tick(n).then(() => {
        clearInterval(timer);
        resolve(dialog.open);
      });
    }), step);
    if (named) break;
  }
  await page.evaluate(() => { window.pendingTicks = gameTest.tick(3000); });
  await page.waitForSelector('#name-dialog[open]', {timeout: web.kWait});
  const score = (await web.probe(page)).score;
  await web.typeName(page, name);
  await page.click('#name-ok');
  await page.evaluate(() => window.pendingTicks);
  return score;
}

web.runCase('replays', async (t) => {
  const page = await web.openPage(t, t.browser, true);
  await web.tick(page, 1);
  const seen = [];
  seen.push(await playGame(page, 4, 'ichi'));
  seen.push(await playGame(page, 5, 'ni'));
  seen.push(await playGame(page, 7, 'san'));
  t.check('the games score', seen.some((s) => s > 0), seen.join());

  // The kept files, through the replay tool.
  const kept = await storedFiles(page);
  const dir = path.join(t.work, 'kept');
  fs.rmSync(dir, {recursive: true, force: true});
  fs.mkdirSync(path.join(dir, 'empty'), {recursive: true});
  const last = path.join(dir, 'last.replay');
  t.check('the last session is kept', kept.has('replays/last.replay'), [...kept.keys()].join(' '));
  fs.writeFileSync(last, kept.get('replays/last.replay') || '');
  const scores = runTool(t, ['--scores', last]);
  t.check('the last session plays the scores the player saw',
          scores.status === 0 && scores.out.split(/\s+/).filter(Boolean).map(Number).join() ===
              seen.join(), seen.join() + ' seen; ' + scores.out + scores.err);
  const run = runTool(t, [last], path.join(dir, 'empty'));
  const table = path.join(dir, 'empty', 'score.sav');
  t.check('the last session leaves the stored score table',
          run.status === 0 && fs.existsSync(table) &&
              fs.readFileSync(table).equals(kept.get('score.sav')),
          run.err);
  const rows = [...kept.keys()].filter((n) => n.startsWith('replays/') && n !== 'replays/last.replay');
  const rowScores = rows.map((name) => {
    fs.writeFileSync(path.join(dir, 'row.replay'), kept.get(name));
    const out = runTool(t, ['--scores', path.join(dir, 'row.replay')]).out.trim().split(/\s+/);
    return out[out.length - 1] + ' ' + path.basename(name).split('_')[0];
  });
  t.check('each row keeps a replay that ends with its score',
          rows.length === 3 && rowScores.every((s) => s.split(' ')[0] === s.split(' ')[1]),
          rowScores.join(', '));

  // The list: 保存 hands over the best row's file, 見る plays it.
  const downloads = path.join(t.work, 'downloads');
  fs.rmSync(downloads, {recursive: true, force: true});
  fs.mkdirSync(downloads, {recursive: true});
  if (t.browserName === 'chromium') {
    const cdp = await t.browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  } else {
    // Other browsers are not told where downloads go: the link's file is
    // taken from the page as it is handed over.
    await page.evaluate(() => {
      const click = HTMLAnchorElement.prototype.click;
      HTMLAnchorElement.prototype.click = function() {
        if (this.download) {
          const name = this.download;
          fetch(this.href).then((r) => r.arrayBuffer()).then((b) => {
            window.handedOver = {name, bytes: Array.from(new Uint8Array(b))};
          });
          return;
        }
        return click.call(this);
      };
    });
  }
  await web.menuCommand(page, 1, kReplaysCommand);
  await page.waitForSelector('#replays-dialog[open]', {timeout: web.kWait});
  const listed = await page.$$eval('#replays-dialog tr.replay',
                                   (items) => items.map((i) => i.cells[0].textContent));
  t.check('the list shows the rows and the last session',
          listed.join() === '1位,2位,3位,前回', JSON.stringify(listed));
  await page.click('#replays-dialog tr.replay .save');
  // The first row: the best score, the newest of equal ones (the highest
  // serial, the name's last field).
  const order = (name) => path.basename(name, '.replay').split('_').map((f) => parseInt(f, 10));
  const best = [...rows].sort((a, b) => order(b)[0] - order(a)[0] || order(b)[3] - order(a)[3])[0];
  const saved = path.join(downloads, path.basename(best));
  if (t.browserName !== 'chromium') {
    await page.waitForFunction(() => window.handedOver, {timeout: web.kWait});
    const handed = await page.evaluate(() => window.handedOver);
    fs.writeFileSync(path.join(downloads, handed.name), Buffer.from(handed.bytes));
  }
  await waitFor('downloaded replay', () => fs.existsSync(saved) &&
                fs.statSync(saved).size === kept.get(best).length);
  t.check('保存 hands over the kept file', fs.readFileSync(saved).equals(kept.get(best)));

  const own = await web.probe(page);
  await page.waitForSelector('#replays-dialog[open]', {timeout: web.kWait});
  await page.click('#replays-dialog tr.replay .watch');
  await web.idle(page);
  t.check('見る starts watching', (await watchProbe(page)).watching === 1);
  await page.keyboard.press('Enter');
  await web.idle(page);
  const paused = await watchProbe(page);
  await web.tick(page, 20);
  t.check('Enter pauses watching',
          paused.watching === 2 && JSON.stringify(await watchProbe(page)) === JSON.stringify(paused),
          JSON.stringify(paused));
  await page.keyboard.press('Enter');
  await page.keyboard.press('f');
  await web.idle(page);
  t.check('F runs it fast', (await watchProbe(page)).watching === 3);
  let top = 0;
  for (let i = 0; i < 2000 && (await watchProbe(page)).watching !== 0; ++i) {
    await web.tick(page, 1);
    top = Math.max(top, (await watchProbe(page)).score);
  }
  t.check('the watched replay plays its row\'s game to its score',
          top === parseInt(path.basename(best)), top + ' for ' + best);
  const after = await web.probe(page);
  const keptAfter = await storedFiles(page);
  t.check('watching leaves the player\'s game and files as they were',
          after.state === own.state && after.tick === own.tick && after.score === own.score &&
              [...kept].every(([n, b]) => keptAfter.has(n) && keptAfter.get(n).equals(b)) &&
              keptAfter.size === kept.size,
          JSON.stringify([own, after]));

  // A replay from the player's disk that is none: said, nothing changed.
  const hostile = path.join(dir, 'hostile.replay');
  fs.writeFileSync(hostile, Buffer.concat([Buffer.from('miruto-nana replay 1\nseed 7\n'),
                                           Buffer.alloc(3000, 0xff)]));
  await web.menuCommand(page, 1, kReplaysCommand);
  await page.waitForSelector('#replays-dialog[open]', {timeout: web.kWait});
  const input = await page.$('#replays-dialog input[type=file]');
  await input.uploadFile(hostile);
  const box = await web.messageBox(page);
  t.check('a hostile file is refused in Japanese',
          box.text.startsWith('このリプレイは再生できません'), JSON.stringify(box));
  await page.click('#message-ok');
  await web.idle(page);
  const untouched = await storedFiles(page);
  t.check('a hostile file changes nothing',
          (await watchProbe(page)).watching === 0 && untouched.size === kept.size &&
              [...kept].every(([n, b]) => untouched.get(n).equals(b)));
  await page.close();

  // The page's link: a replay on the page's own site plays from its start.
  const linked = await t.browser.newPage();
  t.report.watch(linked);
  await linked.setRequestInterception(true);
  linked.on('request', (request) => {
    if (request.url().endsWith('/shared/best.replay')) {
      request.respond({status: 200, contentType: 'text/plain', body: kept.get(best)});
    } else {
      request.continue();
    }
  });
  await linked.goto(t.url + '?test#watch=shared/best.replay', {waitUntil: 'load', timeout: web.kWait});
  await linked.waitForFunction(() => window.gameTest !== undefined, {timeout: web.kWait});
  await linked.evaluate(() => window.gameTest.ready);
  t.check('a replay the link names plays', (await watchProbe(linked)).watching === 1);
  await linked.keyboard.press('Escape');
  await web.idle(linked);
  const ended = await web.probe(linked);
  t.check('Esc ends watching and not the game',
          (await watchProbe(linked)).watching === 0 && ended.running === 1 && ended.state === 0,
          JSON.stringify(ended));
});
