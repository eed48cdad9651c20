// The menu: the version box, the exit question (No, then Yes), the title
// picture with the offer to start again once the program has ended, and Esc;
// served as plain files, the page offers nothing of the world table.
'use strict';

const web = require('../driver');

web.runCase('menu', async (t) => {
  // The title as the Linux replay draws it.
  const title = web.replayFrames(t, 'linux', ['tick 26'])(25);
  const page = await web.openPage(t, t.browser, true);
  await web.tick(page, 1);
  await page.evaluate(() => worldTable.started);
  t.check('plain files show no world items',
          await page.$('#world-item') === null && await page.$('#send-button') === null);

  await web.menuCommand(page, 2, 1003);
  const version = await web.messageBox(page);
  t.check('the version box', version.caption === 'バージョン' &&
          version.text === 'ミルトとナナ ver1.0\n\n絵・音・プログラム：ミルトとナナ制作室',
          JSON.stringify(version));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message-dialog:not([open])', {timeout: web.kWait});

  await web.menuCommand(page, 1, 1002);
  const question = await web.messageBox(page);
  t.check('the exit question', question.caption === '終了' && question.text === '終了しますか？',
          JSON.stringify(question));
  await page.click('#message-no');
  await web.idle(page);
  t.check('No goes on with the game', (await web.probe(page)).running === 1);
  await web.menuCommand(page, 1, 1002);
  await web.messageBox(page);
  await page.click('#message-yes');
  await web.idle(page);
  t.check('Yes ends the program', (await web.probe(page)).running === 0);
  t.check('the end offers to start again',
          await page.$eval('#ended', (e) => !e.hidden && e.offsetHeight > 0));
  const shown = await web.compareCanvas(page, title);
  t.check('the end shows the title picture', shown.differing === 0, web.describe(shown));

  await Promise.all([page.waitForNavigation({timeout: web.kWait}), page.click('#restart')]);
  await page.waitForFunction(() => window.gameTest !== undefined, {timeout: web.kWait});
  t.check('the game starts again', await page.evaluate(() => gameTest.ready));
  await page.keyboard.press('Escape');
  await web.idle(page);
  t.check('Esc ends the program', (await web.probe(page)).running === 0 &&
          await page.$eval('#ended', (e) => !e.hidden));
});
