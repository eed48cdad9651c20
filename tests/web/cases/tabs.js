// Two tabs of one site keep one table. The tab opened first saves last and
// keeps the other's row; then both save at once, the second tab's write
// held back until the first has written, so that it finds the stored table
// changed under it. Every row is there in a tab opened afterwards.
//
// A tab is brought to the front before it is played, as a player does: a
// tab behind gets no animation frames, which the clicks wait for, and its
// timers, which a tick's pauses wait for, are slowed to one a second.
'use strict';

const web = require('../driver');

// Resolves with {ticks} (a promise of its own would be waited for).
async function playToTheNameDialog(page) {
  await page.bringToFront();
  return web.playToTheNameDialog(page);
}

async function name(page, text) {
  await page.bringToFront();
  await web.typeName(page, text);
  await page.click('#name-ok');
}

web.runCase('tabs', async (t) => {
  const one = await web.openPage(t, t.browser, true);
  const two = await web.openPage(t, t.browser, true);
  for (const page of [one, two]) {
    await page.bringToFront();
    await web.tick(page, 1);
  }

  let {ticks: ticksOne} = await playToTheNameDialog(one);
  let {ticks: ticksTwo} = await playToTheNameDialog(two);
  await name(one, 'tabone');
  await ticksOne;
  await name(two, 'tabtwo');
  await ticksTwo;
  let rows = await web.listRows(two);
  t.check('saves one after the other keep both rows',
          rows.some((r) => r.includes('tabone')) && rows.some((r) => r.includes('tabtwo')),
          JSON.stringify(rows));

  ({ticks: ticksOne} = await playToTheNameDialog(one));
  ({ticks: ticksTwo} = await playToTheNameDialog(two));
  await two.evaluate(() => {
    const storage = gameTest.web().storage;
    const push = storage.push;
    const gate = new Promise((resolve) => { window.releasePush = resolve; });
    storage.push = async function() {
      storage.push = push;
      window.pushHeld = true;
      await gate;
      return push.call(storage);
    };
  });
  await name(two, 'attwo');
  await two.waitForFunction(() => window.pushHeld === true, {timeout: web.kWait});
  await name(one, 'atone');
  await ticksOne;
  await two.bringToFront();
  await two.evaluate(() => window.releasePush());
  await ticksTwo;
  const told = [await one.$eval('#message-dialog', (e) => e.open),
                await two.$eval('#message-dialog', (e) => e.open)];
  t.check('neither tab says a save failed', !told[0] && !told[1], JSON.stringify(told));

  const third = await web.openPage(t, t.browser, true);
  rows = await web.listRows(third);
  const names = ['tabone', 'tabtwo', 'atone', 'attwo'];
  t.check('saves at once keep both rows, and the earlier ones stay',
          names.every((n) => rows.some((r) => r.includes(n))), JSON.stringify(rows));
});
