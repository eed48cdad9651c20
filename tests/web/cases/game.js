// A game played to its end: the name dialog keeps Esc inert and takes a
// Japanese name, the list shows it, and it is still there after the page is
// loaded again. A second game opens the list over the name dialog and its
// close box stores nothing; a third, whose score the browser cannot keep,
// is told so.
'use strict';

const web = require('../driver');

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
  await web.menuCommand(page, 1, 1004);
  await page.waitForSelector('#list-dialog[open]', {timeout: web.kWait});
  const rows = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: web.kWait});
  return rows;
}

// Starts a game with a click on the title and plays it on until the name
// dialog opens; resolves with {ticks}, the promise of the ticks, which ends
// once the name dialog is answered.
async function playToTheNameDialog(page) {
  await web.clickGame(page, 320, 240);
  await web.idle(page);
  const ticks = web.tick(page, 3000);
  await page.waitForSelector('#name-dialog[open]', {timeout: web.kWait});
  return {ticks};
}

web.runCase('game', async (t) => {
  const name = 'ななこ';
  let page = await web.openPage(t, t.browser, true);
  await web.tick(page, 1);
  const {ticks} = await playToTheNameDialog(page);
  const ended = await web.probe(page);
  t.check('the game ends by itself', ended.state === 2 && ended.tick > 40, JSON.stringify(ended));
  t.check('the name dialog shows the place',
          await page.$eval('#place-text', (e) => e.textContent) === '1位です！');
  t.check('the name dialog offers "kiri"',
          await page.$eval('#name-input', (e) => e.value) === 'kiri');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  t.check('Esc leaves the name dialog open', await page.$eval('#name-dialog', (e) => e.open));
  await page.click('#name-input');
  await page.$eval('#name-input', (input) => input.select());
  await page.keyboard.press('Backspace');
  for (const character of name) await page.keyboard.sendCharacter(character);
  await page.click('#name-ok');
  await ticks;
  t.check('the game goes back to the title after the name', (await web.probe(page)).state === 0);
  const row = listRow(1, name, ended.score);
  let rows = await listRows(page);
  t.check('the list shows the name', rows[0] === row,
          JSON.stringify(rows[0]) + ' for ' + JSON.stringify(row));
  await page.close();
  page = await web.openPage(t, t.browser, true);
  rows = await listRows(page);
  t.check('the name is still listed after a reload', rows[0] === row, JSON.stringify(rows[0]));

  // A second game: the list opens over the name dialog and shows the table
  // without this game; the close box then stores nothing.
  await web.tick(page, 1);
  const {ticks: again} = await playToTheNameDialog(page);
  await page.click('#name-list');
  await page.waitForSelector('#list-dialog[open]', {timeout: web.kWait});
  const shown = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  t.check('the list opens over the name dialog',
          shown[0] === row && shown[1] === listRow(2, 'kiri', 0), JSON.stringify(shown));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: web.kWait});
  t.check('the name dialog is still open under the list',
          await page.$eval('#name-dialog', (e) => e.open));
  await page.click('#name-dialog .close');
  await again;
  rows = await listRows(page);
  t.check('the close box stores nothing', rows[0] === row && rows[1] === listRow(2, 'kiri', 0),
          JSON.stringify(rows));

  // A third game whose score cannot be written to the browser's storage:
  // the player is told.
  await page.evaluate(() => {
    gameTest.web().storage.syncfs = () => Promise.resolve(false);
  });
  const {ticks: unsaved} = await playToTheNameDialog(page);
  await page.click('#name-ok');
  const box = await web.messageBox(page);
  t.check('a score the browser cannot keep is reported',
          box.text === 'スコアの保存に失敗しました', JSON.stringify(box));
  await page.click('#message-ok');
  await unsaved;
  t.check('the game goes on after the report', (await web.probe(page)).state === 0);
  await page.close();
});
