// A game on a phone played with taps only: a tap starts it, two fingers at
// once set off two blasts, the pause control pauses and resumes, the name
// entry stays in sight above an on-screen keyboard and takes a typed name,
// and the list, opened from the menu by taps, shows it.
'use strict';

const web = require('../driver');

const kPhone = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
// What an on-screen keyboard leaves of the phone's screen.
const kAboveKeyboard = {...kPhone, height: 500};

async function tap(page, selector) {
  const box = await page.$eval(selector, (e) => e.getBoundingClientRect().toJSON());
  await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

async function tapGame(page, x, y) {
  const point = await web.screenPoint(page, x, y);
  await page.touchscreen.tap(point.x, point.y);
}

// Whether an element lies wholly inside the page's window.
const inSight = (page, selector) => page.$eval(selector, (e) => {
  const box = e.getBoundingClientRect();
  return box.top >= 0 && box.left >= 0 && box.bottom <= innerHeight && box.right <= innerWidth &&
         box.height > 0;
});

web.runCase('touch', async (t) => {
  const page = await web.openPage(t, t.browser, true, kPhone);
  await web.noteClicks(page);
  await web.tick(page, 1);
  // Targets a finger can hit, where the browser says the pointer is a finger.
  if (await page.evaluate(() => matchMedia('(pointer: coarse)').matches)) {
    const small = await page.$$eval('#menubar button, #controls button', (buttons) =>
      buttons.filter((b) => b.offsetWidth > 0 && b.getBoundingClientRect().height < 44)
             .map((b) => b.id || b.textContent));
    t.check('the bar\'s targets are a finger\'s size', small.length === 0, small.join(', '));
  } else {
    console.log('note: this browser does not take the phone\'s pointer as a finger');
  }

  await tapGame(page, 320, 240);
  await web.idle(page);
  t.check('a tap starts a game', (await web.probe(page)).state === 1);
  await web.clicksPassed(page);
  const first = await web.screenPoint(page, 100, 300);
  const second = await web.screenPoint(page, 500, 100);
  const one = await page.touchscreen.touchStart(first.x, first.y);
  const two = await page.touchscreen.touchStart(second.x, second.y);
  await one.end();
  await two.end();
  await web.idle(page);
  const both = await web.clicksPassed(page);
  t.check('two fingers at once are two clicks', both.length === 2, JSON.stringify(both));

  await tap(page, '#pause-button');
  await web.idle(page);
  const paused = await web.probe(page);
  t.check('the pause control pauses', paused.paused === 1 &&
          await page.$eval('#pause-button', (b) => b.getAttribute('aria-pressed')) === 'true');
  await web.tick(page, 5);
  t.check('a paused game stands still', (await web.probe(page)).tick === paused.tick);
  await tap(page, '#pause-button');
  await web.idle(page);
  t.check('the pause control resumes', (await web.probe(page)).paused === 0);

  const ticks = web.tick(page, 3000);
  await page.waitForSelector('#name-dialog[open]', {timeout: web.kWait});
  await page.setViewport(kAboveKeyboard);
  await page.waitForFunction(() => innerHeight === 500, {timeout: web.kWait});
  t.check('the name field is in sight above the keyboard', await inSight(page, '#name-input'));
  t.check('OK is in sight above the keyboard', await inSight(page, '#name-ok'));
  await tap(page, '#name-input');
  await page.$eval('#name-input', (input) => input.select());
  await page.keyboard.press('Backspace');
  for (const character of 'なな') await page.keyboard.sendCharacter(character);
  await tap(page, '#name-ok');
  await ticks;
  await page.setViewport(kPhone);

  await tap(page, '#menubar .menu:nth-child(1) .menu-title');
  await tap(page, '[data-command="1004"]');
  await page.waitForSelector('#list-dialog[open]', {timeout: web.kWait});
  const rows = await page.$$eval('#list-dialog .row', (items) => items.map((i) => i.textContent));
  t.check('the list opened by taps shows the typed name', rows[0].includes('なな'),
          JSON.stringify(rows));
  await tap(page, '#list-dialog .ok');
  await page.waitForSelector('#list-dialog:not([open])', {timeout: web.kWait});
});
