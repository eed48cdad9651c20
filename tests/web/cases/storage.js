// The browser's storage is the game's own. Another program on the same site
// keeps a database "/game", the name the game's files once had, with a
// score table of the game's old pages in it: the game starts without a
// complaint, takes that table over, saves into a database named after its
// application ID, and leaves "/game" exactly as it was.
'use strict';

const web = require('../driver');

const kAppId = 'jp.mirutonana.MirutoNana';
const kOldTable = '300 furui\n200 mukashi\n0 kiri\n0 kiri\n0 kiri\n';

// Every entry of the database "/game" and its version; null without it.
function readForeign(page) {
  return page.evaluate(() => new Promise((resolve) => {
    const request = indexedDB.open('/game');
    request.onupgradeneeded = () => request.transaction.abort();
    request.onerror = () => resolve(null);
    request.onsuccess = () => {
      const db = request.result;
      const store = db.transaction('FILE_DATA').objectStore('FILE_DATA');
      const keys = store.getAllKeys();
      const values = store.getAll();
      values.onsuccess = () => {
        const entries = keys.result.map((key, i) => {
          const v = values.result[i];
          return [key, v.timestamp.getTime(), v.mode, v.contents ? Array.from(v.contents) : null];
        });
        resolve(JSON.stringify({version: db.version, stores: Array.from(db.objectStoreNames),
                                entries}));
        db.close();
      };
    };
  }));
}

web.runCase('storage', async (t) => {
  const site = t.report.watch(await t.browser.newPage());
  await site.goto(t.url + 'favicon.ico', {waitUntil: 'load', timeout: web.kWait});
  await site.evaluate((table) => new Promise((resolve, reject) => {
    const request = indexedDB.open('/game', 21);
    request.onupgradeneeded = () => {
      request.result.createObjectStore('FILE_DATA').createIndex('timestamp', 'timestamp');
    };
    request.onerror = () => reject(request.error);
    request.onsuccess = () => {
      const db = request.result;
      const transaction = db.transaction('FILE_DATA', 'readwrite');
      const store = transaction.objectStore('FILE_DATA');
      const at = new Date(2020, 0, 1);
      store.put({timestamp: at, mode: 16877}, '/game/saves');
      store.put({timestamp: at, mode: 33188, contents: new Uint8Array([7, 0, 255, 1])},
                '/game/saves/slot1.dat');
      store.put({timestamp: at, mode: 33188, contents: new TextEncoder().encode(table)},
                '/game/score.sav');
      transaction.oncomplete = () => {
        db.close();
        resolve();
      };
    };
  }), kOldTable);
  const before = await readForeign(site);

  const page = await web.openPage(t, t.browser, true);
  await web.tick(page, 1);
  t.check('the game starts without a complaint about its storage',
          !await page.$eval('#message-dialog', (e) => e.open));
  let rows = await web.listRows(page);
  t.check('the old table is taken over',
          rows[0] === web.listRow(1, 'furui', 300) && rows[1] === web.listRow(2, 'mukashi', 200),
          JSON.stringify(rows));
  const {ticks} = await web.playToTheNameDialog(page);
  await web.typeName(page, 'atarashii');
  await page.click('#name-ok');
  await ticks;
  await page.close();

  const again = await web.openPage(t, t.browser, true);
  rows = await web.listRows(again);
  t.check('the new row is kept with the old ones',
          rows.some((r) => r.includes('atarashii')) && rows.some((r) => r.includes('furui')),
          JSON.stringify(rows));
  const names = await again.evaluate(async () => (await indexedDB.databases()).map((d) => d.name));
  t.check('the game keeps its files in a database of its own name',
          names.includes(kAppId) && names.length === 2, JSON.stringify(names));
  const after = await readForeign(site);
  t.check('the database "/game" is as it was', after === before, before + '\n' + after);
});
