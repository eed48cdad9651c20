// The world table against the real score service (SQLite in a folder of
// this test's own), which serves the page too: two games played online, one
// named in the name entry and one whose entry was closed; a send made too
// soon is refused with the service's reason and stores nothing; sent again
// in time, both games are stored under their names (the second under the
// name given when sending, which looks like markup and must stay text); the
// world table lists them and a row's replay is watched to its end, while
// the player's own game waits.
'use strict';

const fs = require('fs');
const path = require('path');
const {spawn} = require('child_process');
const web = require('../driver');

// The service on a free port, with its data in `folder`; resolves with its
// address. It ends with this script.
function startService(program, site, folder) {
  fs.rmSync(folder, {recursive: true, force: true});
  fs.mkdirSync(folder, {recursive: true});
  return new Promise((resolve, reject) => {
    const service = spawn(program, ['--port', '0', '--data', folder, '--site', site],
                          {stdio: ['ignore', 'pipe', 'inherit']});
    process.on('exit', () => service.kill());
    service.on('error', reject);
    service.on('exit', (code) => reject(new Error('the service ended: ' + code)));
    service.stdout.once('data', (data) => {
      const found = /listening on (http:\/\/\S+\/)/.exec(data.toString());
      if (found) resolve(found[1]);
      else reject(new Error('the service said: ' + data));
    });
  });
}

// Plays a game from the title to its name entry, a few ticks at a time so
// that no more time passes in the game than it takes; resolves with
// {ticks}, the promise of the last ticks, which end once the entry is
// answered.
async function playToTheNameDialog(page) {
  await web.clickGame(page, 320, 240);
  await web.idle(page);
  for (let i = 0; i < 1000; ++i) {
    await page.evaluate(() => {
      window.batch = gameTest.tick(5);
      window.batchDone = false;
      window.batch.then(() => { window.batchDone = true; });
    });
    await page.waitForFunction(() => batchDone || document.querySelector('#name-dialog[open]'),
                               {timeout: web.kWait});
    if (await page.$('#name-dialog[open]') !== null) return {ticks: page.evaluate(() => batch)};
  }
  throw new Error('the game did not end');
}

// The play time the recorded session claims, in milliseconds.
async function recordedMs(page) {
  const text = await page.evaluate(() => Module.ccall('web_session_text', 'string', [], []));
  let ticks = 0;
  for (const line of text.split('\n')) {
    if (line.startsWith('tick ')) ticks += Number(line.slice(5));
  }
  return ticks * 40;
}

async function top(url) {
  return (await (await fetch(url + 'api/v1/top?limit=100')).json()).scores;
}

web.runCase('world', async (t) => {
  const program = t.opts.server;
  if (!program || !fs.existsSync(program)) web.skip('the score service is not built');
  const url = await startService(program, t.opts.site, path.join(t.work, 'service'));
  const page = await web.openPage({...t, url}, t.browser, true);
  await page.evaluate(() => worldTable.started);
  t.check('the world items show with the service',
          await page.$('#world-item') !== null && await page.$eval('#send-button', (b) => !b.hidden));
  await page.waitForFunction(() => worldTable.world.session && worldTable.world.session.applied,
                             {timeout: web.kWait});
  const appliedAt = Date.now();
  // Twenty seconds at the title: more play than the test takes to send.
  await web.tick(page, 500);

  // The first game is named in its entry (two words, of which the table
  // keeps the first), the second's entry is closed.
  let {ticks} = await playToTheNameDialog(page);
  await page.$eval('#name-input', (input) => { input.value = ''; });
  await page.click('#name-input');
  for (const character of 'ななこ はな') await page.keyboard.sendCharacter(character);
  await page.click('#name-ok');
  await ticks;
  ({ticks} = await playToTheNameDialog(page));
  await page.click('#name-dialog .close');
  await ticks;
  const playedMs = await recordedMs(page);

  await page.waitForSelector('#send-button.offer:not(:disabled)', {timeout: web.kWait});
  await page.click('#send-button');
  await page.waitForSelector('#send-dialog[open]', {timeout: web.kWait});
  const listed = await page.$$eval('#send-dialog .games li', (items) =>
    items.map((item) => item.querySelector('.name').textContent));
  t.check('the send dialog lists each game under the name its row keeps',
          JSON.stringify(listed) === JSON.stringify(['ななこ', '（名前なし）']), JSON.stringify(listed));
  const given = '<i>x</i>';
  await page.click('#send-name');
  await page.keyboard.type(given);

  // Sent at once, the session claims more play than has passed.
  t.report.expectRefusal(422, /\/api\/v1\/replays\?name=/);
  await page.click('#send-ok');
  await page.waitForFunction(() => /送信できませんでした|送信しました/.test(
    document.getElementById('send-note').textContent), {timeout: web.kWait});
  const refused = await page.$eval('#send-note', (note) => note.textContent);
  t.check('a send made too soon is refused with the reason', /^送信できませんでした：プレイ時間/.test(refused),
          refused);
  t.check('nothing is stored by a refused send', (await top(url)).length === 0);

  // In time it is taken.
  await page.waitForFunction((after) => Date.now() >= after, {timeout: web.kWait + 120000},
                             appliedAt + playedMs);
  await page.click('#send-ok');
  await page.waitForFunction(() => /送信しました/.test(document.getElementById('send-note').textContent),
                             {timeout: web.kWait});
  const sent = await page.$eval('#send-note', (note) => note.textContent);
  const stored = await top(url);
  const names = stored.map((row) => row.name).sort();
  t.check('both games are stored under their names',
          JSON.stringify(names) === JSON.stringify([given, 'ななこ'].sort()), JSON.stringify(stored));
  t.check('the page says what was stored',
          stored.every((row) => sent.includes(row.score + '点：世界' + row.rank + '位')), sent);
  await page.click('#send-done');
  await page.waitForFunction(() => worldTable.world.session && worldTable.world.session.applied &&
                                   worldTable.world.games.length === 0, {timeout: web.kWait});
  t.check('a fresh session follows the one sent', await page.$eval('#send-button', (b) => b.disabled));

  // The world table, the given name as text, and its game watched.
  await page.click('#menubar .menu:nth-child(1) .menu-title');
  await page.click('#world-item');
  await page.waitForSelector('#world-dialog tbody tr', {timeout: web.kWait});
  const rows = await page.$$eval('#world-dialog tbody tr', (items) => items.map((row) => ({
    name: row.querySelector('.name').textContent,
    markup: row.querySelector('.name').children.length,
  })));
  t.check('the world table lists the stored games, names as text',
          rows.length === 2 && rows.some((row) => row.name === given) &&
          rows.every((row) => row.markup === 0), JSON.stringify(rows));
  const watched = stored.find((row) => row.name === given);
  const index = stored.indexOf(watched);
  const before = await web.probe(page);
  await page.click('#world-dialog tbody tr:nth-child(' + (index + 1) + ') .watch');
  await page.waitForSelector('#watch-bar:not([hidden])', {timeout: web.kWait});
  t.check('the watch bar names the game as text',
          await page.$eval('#watch-bar .text', (e) => e.textContent.includes('<i>x</i>')));
  let best = -1;
  for (let i = 0; i < 5000 && await page.evaluate(() => Module._web_probe(5)) !== 0; ++i) {
    await web.tick(page, 1);
    best = Math.max(best, await page.evaluate(() => Module._web_probe(7)));
  }
  await page.waitForSelector('#watch-bar[hidden]', {timeout: web.kWait});
  t.check('the watched game reaches its stored score and the replay ends by itself',
          best === watched.score && await page.evaluate(() => Module._web_probe(5)) === 0,
          best + ' for ' + watched.score);
  const after = await web.probe(page);
  t.check('the player\'s game waits while a replay is watched',
          after.tick === before.tick && after.state === before.state, JSON.stringify([before, after]));
  await web.clickGame(page, 320, 240);
  await web.tick(page, 5);
  t.check('the player\'s game goes on after watching', (await web.probe(page)).state === 1);
  await page.close();
});
