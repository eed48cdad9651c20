// The picture on a phone held upright, a phone on its side (with a notch,
// in Chromium) and a 1920 x 1080 monitor: its size and place, a page that does not scroll, every
// device pixel of the picture showing the game pixel under it (the Linux
// replay's frame, scaled with square pixels), and a tap or a click on a
// coin's game pixel that reaches that pixel and hits the coin. On the
// monitor, fullscreen is left with Esc and the game goes on.
'use strict';

const fs = require('fs');
const web = require('../driver');

// A coin flies through (506, 110) after tick 100.
const kScript = ['tick 26', 'click 320 240', 'tick 74', 'click 506 110', 'tick 10'];

const kScreens = [
  {name: 'a phone held upright', touch: true, picture: [1170, 878],
   viewport: {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true}},
  {name: 'a phone on its side', touch: true, picture: [1560, 1170],
   viewport: {width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true}},
  // Its notch and its home bar's safe areas (which Chromium can be told of).
  {name: 'a notched phone on its side', touch: true, picture: [1268, 951],
   viewport: {width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true},
   insets: {left: 47, right: 47, bottom: 21}},
  {name: 'a 1920 x 1080 monitor', touch: false, picture: [1280, 960],
   viewport: {width: 1920, height: 1080}},
];

// Where the picture is, in device pixels, and what else the page shows.
function layout(page) {
  return page.evaluate(() => {
    const r = devicePixelRatio;
    const box = (element) => {
      const b = element.getBoundingClientRect();
      return {left: Math.round(b.left * r), top: Math.round(b.top * r),
              right: Math.round(b.right * r), bottom: Math.round(b.bottom * r)};
    };
    const page = document.scrollingElement;
    return {
      picture: box(document.getElementById('screen')),
      bar: box(document.getElementById('menubar')),
      keys: document.getElementById('keys').offsetHeight > 0,
      width: Math.round(innerWidth * r),
      height: Math.round(innerHeight * r),
      scrolls: page.scrollWidth > innerWidth || page.scrollHeight > innerHeight,
    };
  });
}

// Device pixels of the picture in a screenshot that show neither the game
// pixel under their centre nor one beside it (where rounding may put the
// edge between two), and the first of them.
async function unlikeFrame(page, shot, framePath, picture) {
  return page.evaluate(async (shotData, frameData, at) => {
    const pixels = async (data) => {
      const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
      const image = await createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                                            {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
      const scratch = new OffscreenCanvas(image.width, image.height);
      scratch.getContext('2d').drawImage(image, 0, 0);
      return {width: image.width, data: scratch.getContext('2d')
                                           .getImageData(0, 0, image.width, image.height).data};
    };
    const shown = await pixels(shotData);
    const frame = await pixels(frameData);
    const width = at.right - at.left;
    const height = at.bottom - at.top;
    let differing = 0;
    let first = null;
    for (let y = 0; y < height; ++y) {
      const gy = Math.floor((y + 0.5) * 480 / height);
      for (let x = 0; x < width; ++x) {
        const gx = Math.floor((x + 0.5) * 640 / width);
        const s = ((at.top + y) * shown.width + at.left + x) * 4;
        let like = false;
        for (let dy = -1; dy <= 1 && !like; ++dy) {
          for (let dx = -1; dx <= 1 && !like; ++dx) {
            const fx = Math.min(639, Math.max(0, gx + dx));
            const fy = Math.min(479, Math.max(0, gy + dy));
            const f = (fy * 640 + fx) * 4;
            like = shown.data[s] === frame.data[f] && shown.data[s + 1] === frame.data[f + 1] &&
                   shown.data[s + 2] === frame.data[f + 2];
          }
        }
        if (!like) {
          ++differing;
          if (!first) first = [x, y];
        }
      }
    }
    return {differing, first};
  }, shot, fs.readFileSync(framePath).toString('base64'), picture);
}

// A tap (or a click) on a game pixel, and the game pixels the page passed
// on, with the one shown where it was pressed. Taps come at whole CSS
// pixels: the one nearest the pixel's centre, a CSS pixel inside the
// picture's edges (a finger on the very edge is the browser's to place).
async function press(page, touch, x, y) {
  const at = await page.evaluate((gx, gy) => {
    const r = devicePixelRatio;
    const box = document.getElementById('screen').getBoundingClientRect();
    const axis = (game, start, extent, count) => {
      const ideal = Math.round(start + (game + 0.5) * extent / count);
      const point = Math.min(Math.ceil(start + extent) - 2, Math.max(Math.ceil(start) + 1, ideal));
      const device = Math.floor(point * r + 1e-6) - Math.round(start * r);
      return [point, Math.floor((device + 0.5) * count / Math.round(extent * r))];
    };
    return [axis(gx, box.left, box.width, 640), axis(gy, box.top, box.height, 480)];
  }, x, y);
  if (touch) await page.touchscreen.tap(at[0][0], at[1][0]);
  else await page.mouse.click(at[0][0], at[1][0]);
  await web.idle(page);
  return {passed: JSON.stringify(await web.clicksPassed(page)),
          shown: JSON.stringify([[at[0][1], at[1][1]]])};
}

web.runCase('screens', async (t) => {
  const frame = web.replayFrames(t, 'linux', kScript);
  for (const screen of kScreens) {
    if (screen.insets && t.browserName !== 'chromium') {
      console.log('note: ' + t.browserName + ' is not told of safe areas; ' + screen.name + ' skipped');
      continue;
    }
    const page = await web.openPage(t, t.browser, true, screen.viewport, async (opening) => {
      if (!screen.insets) return;
      const session = await opening.createCDPSession();
      await session.send('Emulation.setSafeAreaInsetsOverride', {insets: screen.insets});
    });
    await web.noteClicks(page);
    await web.tick(page, 26);
    const shape = await layout(page);
    const p = shape.picture;
    const size = [p.right - p.left, p.bottom - p.top];
    t.check(screen.name + ': the picture is ' + screen.picture.join(' x ') + ' device pixels',
            Math.abs(size[0] - screen.picture[0]) <= 1 && Math.abs(size[1] - screen.picture[1]) <= 1,
            JSON.stringify(shape));
    const r = screen.viewport.deviceScaleFactor || 1;
    const inset = (side) => Math.round(((screen.insets || {})[side] || 0) * r);
    const clear = p.left >= inset('left') && p.top >= inset('top') &&
                  p.right <= shape.width - inset('right') && p.bottom <= shape.height - inset('bottom') &&
                  (p.top >= shape.bar.bottom || p.left >= shape.bar.right);
    t.check(screen.name + ': the picture is whole on the screen, clear of the bar and the safe areas', clear,
            JSON.stringify(shape));
    t.check(screen.name + ': the page does not scroll', !shape.scrolls);
    t.check(screen.name + ': the keys\' help shows only with a keyboard', shape.keys === false,
            JSON.stringify(shape));

    const start = await press(page, screen.touch, 320, 240);
    t.check(screen.name + ': a ' + (screen.touch ? 'tap' : 'click') + ' starts a game',
            (await web.probe(page)).state === 1 && start.passed === start.shown,
            JSON.stringify(start));
    await web.tick(page, 74);
    const shot = await page.screenshot({encoding: 'base64'});
    const shown = await unlikeFrame(page, shot, frame(100), (await layout(page)).picture);
    t.check(screen.name + ': every device pixel shows its game pixel', shown.differing === 0,
            shown.differing + ' do not, the first at ' + JSON.stringify(shown.first));
    const coin = await press(page, screen.touch, 506, 110);
    await web.tick(page, 10);
    const after = await web.probe(page);
    t.check(screen.name + ': a press on a coin passes on the game pixel shown there',
            coin.passed === coin.shown, JSON.stringify(coin));
    t.check(screen.name + ': the coin is hit', after.score === 5, JSON.stringify(after));
    // The corner away from the bar (the browser may move a finger's tap
    // right beside the bar onto it); the pixel shown a CSS pixel inside it
    // may be up to three before it.
    const corner = await press(page, screen.touch, 639, 479);
    const near = JSON.parse(corner.shown)[0].every((v, i) => v >= [636, 476][i]);
    t.check(screen.name + ': a press at the far corner passes on the pixel there',
            corner.passed === corner.shown && near, JSON.stringify(corner));

    if (!screen.touch) {
      t.check(screen.name + ': the keys\' help shows once the mouse is used',
              (await layout(page)).keys);
      await page.click('#fullscreen-button');
      await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: web.kWait});
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.fullscreenElement === null, {timeout: web.kWait});
      await web.idle(page);
      t.check(screen.name + ': Esc leaves fullscreen and the game goes on',
              (await web.probe(page)).running === 1);
    }
    await page.close();
  }
});
