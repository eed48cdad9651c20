// A game played to its end: the name dialog keeps Esc inert and takes a
// Japanese name, the list shows it, and it is still there after the page is
// loaded again. A second game opens the list over the name dialog and its
// close box stores nothing; a third, whose row and replay the browser's
// storage fails to write, is told so and its row is never listed.
'use strict';

const web = require('../driver');

web.runCase('game', async (t) => {
  const name = 'ななこ';
  let page = await web.openPage(t, t.browser, true);
  await web.tick(page, 1);
  const {ticks} = await web.playToTheNameDialog(page);
  const ended = await web.probe(page);
  t.check('the game ends by itself', ended.state === 2 && ended.tick > 40, JSON.stringify(ended));
  t.check('the name dialog shows the place',
          await page.$eval('#place-text', (e) => e.textContent) === '1位です！');
  t.check('the name dialog offers "kiri"',
          await page.$eval('#name-input', (e) => e.value) === 'kiri');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  t.check('Esc leaves the name dialog open', await page.$eval('#name-dialog', (e) => e.open));
  await web.typeName(page, name);
  await page.click('#name-ok');
  await ticks;
  t.check('the game goes back to the title after the name', (await web.probe(page)).state === 0);
  const row = web.listRow(1, name, ended.score);
  let rows = await web.listRows(page);
  t.check('the list shows the name', rows[0] === row,
          JSON.stringify(rows[0]) + ' for ' + JSON.stringify(row));
  await page.close();
  page = await web.openPage(t, t.browser, true);
  rows = await web.listRows(page);
  t.check('the name is still listed after a reload', rows[0] === row, JSON.stringify(rows[0]));

  // A second game: the list opens over the name dialog and shows the table
  // without this game; the close box then stores nothing.
  await web.tick(page, 1);
  const {ticks: again} = await web.playToTheNameDialog(page);
  await page.click('#name-list');
  await page.waitForSelector('#list-dialog[open]', {timeout: web.kWait});
  const shown = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  t.check('the list opens over the name dialog',
          shown[0] === row && shown[1] === web.listRow(2, 'kiri', 0), JSON.stringify(shown));
  await page.click('#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: web.kWait});
  t.check('the name dialog is still open under the list',
          await page.$eval('#name-dialog', (e) => e.open));
  await page.click('#name-dialog .close');
  await again;
  rows = await web.listRows(page);
  t.check('the close box stores nothing', rows[0] === row && rows[1] === web.listRow(2, 'kiri', 0),
          JSON.stringify(rows));

  // A third game whose row the browser's storage fails to write: the
  // player is told, and the list shows the table as stored, then and after
  // the next save.
  await page.evaluate(() => {
    window.storedPut = IDBObjectStore.prototype.put;
    IDBObjectStore.prototype.put = function() {
      throw new DOMException('the disk is full', 'QuotaExceededError');
    };
  });
  const {ticks: unsaved} = await web.playToTheNameDialog(page);
  await web.typeName(page, 'lost');
  await page.click('#name-ok');
  const box = await web.messageBox(page);
  t.check('a score the browser cannot keep is reported',
          box.text === 'スコアの保存に失敗しました', JSON.stringify(box));
  await page.click('#message-ok');
  // The session's replay cannot be written either: said once.
  const replayBox = await web.messageBox(page);
  t.check('a replay the browser cannot keep is reported',
          replayBox.text === '前回のプレイのリプレイを保存できませんでした', JSON.stringify(replayBox));
  await page.click('#message-ok');
  await unsaved;
  t.check('the game goes on after the report', (await web.probe(page)).state === 0);
  rows = await web.listRows(page);
  t.check('a failed save leaves the list as it was',
          rows[0] === row && rows[1] === web.listRow(2, 'kiri', 0), JSON.stringify(rows));
  await page.evaluate(() => { IDBObjectStore.prototype.put = window.storedPut; });
  const {ticks: saved} = await web.playToTheNameDialog(page);
  await web.typeName(page, 'kept');
  await page.click('#name-ok');
  await saved;
  rows = await web.listRows(page);
  t.check('the next save keeps its row and not the failed one',
          rows.some((r) => r.includes('kept')) && !rows.some((r) => r.includes('lost')),
          JSON.stringify(rows));
  await page.close();
});
