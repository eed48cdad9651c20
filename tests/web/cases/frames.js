// The canvas shows, pixel for pixel, the frames the Linux replay draws for
// the same clicks and keys: the title, the opening wipe, play with clicks,
// the pause picture and more play. The clicks are real mouse clicks on the
// scaled picture and the keys a real Enter; the page's test hook runs the
// ticks.
'use strict';

const fs = require('fs');
const web = require('../driver');

// Checked against the Linux replay's frames, one every 25 ticks.
const kScript = [
  'tick 26', 'click 320 240', 'tick 24', 'click 300 200', 'tick 25', 'click 100 150', 'tick 25',
  'enter', 'tick 25', 'enter', 'tick 25', 'click 420 120', 'tick 25',
];

web.runCase('frames', async (t) => {
  const frame = web.replayFrames(t, 'linux', kScript);
  const page = await web.openPage(t, t.browser, true);
  let ticks = 0;
  const compared = [];
  for (const line of kScript) {
    const words = line.split(' ');
    if (words[0] === 'tick') {
      let left = Number(words[1]);
      while (left > 0) {
        const step = Math.min(left, 25 - ticks % 25);
        await web.tick(page, step);
        ticks += step;
        left -= step;
        // The replay writes a frame only where one was drawn.
        if (ticks % 25 === 0 && fs.existsSync(frame(ticks))) {
          const result = await web.compareCanvas(page, frame(ticks));
          compared.push(ticks);
          t.check('the canvas shows the Linux frame of tick ' + ticks, result.differing === 0,
                  web.describe(result));
        }
      }
    } else if (words[0] === 'click') {
      const before = await web.probe(page);
      await web.clickGame(page, Number(words[1]), Number(words[2]));
      await web.idle(page);
      if (before.state === 0) {
        t.check('a click on the title starts a game', (await web.probe(page)).state === 1);
      }
    } else if (words[0] === 'enter') {
      const before = await web.probe(page);
      await page.keyboard.press('Enter');
      await web.idle(page);
      t.check('Enter ' + (before.paused ? 'resumes' : 'pauses') + ' the game',
              (await web.probe(page)).paused === (before.paused ? 0 : 1));
    }
  }
  t.check('frames were compared', compared.length >= 6, compared.join(' '));
});
