// The audio output runs and is not silent while a game is played in real
// time, and the loop of each piece of music goes round without a gap or a
// click.
'use strict';

const web = require('../driver');

web.runCase('sound', async (t) => {
  const page = await web.openPage(t, t.browser, false);
  await web.clickGame(page, 320, 240);
  await page.waitForFunction(() => Module.web.probes.audioState().music >= 0, {timeout: web.kWait});
  // Sound comes out once the output runs and the music has been decoded.
  let level = 0;
  try {
    const handle = await page.waitForFunction(() => {
      const level = Module.web.probes.outputLevel();
      return level > 1e-3 && level;
    }, {timeout: web.kWait, polling: 50});
    level = await handle.jsonValue();
  } catch (error) {
    level = await page.evaluate(() => Module.web.probes.outputLevel());
  }
  const state = await page.evaluate(() => Module.web.probes.audioState());
  t.check('the audio output runs during play', state.context === 'running', JSON.stringify(state));
  t.check('the audio output is not silent during play', level > 1e-3, 'level ' + level);

  const seams = await page.evaluate(async () => {
    const rms = (a, from, to) => {
      let sum = 0;
      for (let i = from; i < to; ++i) sum += a[i] * a[i];
      return Math.sqrt(sum / Math.max(1, to - from));
    };
    const results = [];
    const pieces = Module.web.audio.pieces;
    await Promise.all(pieces.map((piece) => piece.decoded));
    for (const piece of pieces) {
      const facts = piece.facts;
      const buffer = piece.buffer;
      const rate = buffer.sampleRate;
      const from = facts.loopFrom / facts.rate;
      const to = facts.loopTo / facts.rate;
      // 0.1 s before the loop's end and 0.1 s after it comes round.
      const half = 0.1;
      const length = Math.round(2 * half * rate);
      const offline = new OfflineAudioContext(buffer.numberOfChannels, length, rate);
      const source = offline.createBufferSource();
      source.buffer = buffer;
      source.loop = true;
      source.loopStart = from;
      source.loopEnd = to;
      source.connect(offline.destination);
      source.start(0, to - half);
      const looped = await offline.startRendering();
      // What the desktop plays around its own jump back: the rendering
      // around the first jump.
      const at = Math.round((from - half) * rate);
      const seam = Math.round(half * rate);
      const window = Math.round(0.002 * rate);
      const near = Math.round(0.005 * rate);
      let weakest = Infinity;
      let error = 0;
      let reference = 0;
      for (let c = 0; c < looped.numberOfChannels; ++c) {
        const heard = looped.getChannelData(c);
        const wanted = buffer.getChannelData(c).subarray(at, at + length);
        for (let i = seam - 5 * window; i + window <= length; i += window) {
          const expected = rms(wanted, i, i + window);
          if (expected > 1e-3) weakest = Math.min(weakest, rms(heard, i, i + window) / expected);
        }
        for (let i = seam - near; i < seam + near; ++i) {
          error += (heard[i] - wanted[i]) ** 2;
          reference += wanted[i] ** 2;
        }
      }
      results.push({name: facts.name, weakest, error: Math.sqrt(error / reference)});
    }
    return results;
  });
  t.check('every piece of music was decoded', seams.length === 2, JSON.stringify(seams));
  for (const seam of seams) {
    t.check('the loop of ' + seam.name + ' comes round without a gap', seam.weakest > 0.5,
            'the weakest 2 ms have ' + seam.weakest.toFixed(3) + ' of the level wanted');
    t.check('the loop of ' + seam.name + ' comes round without a click', seam.error < 0.3,
            'the 10 ms around the seam stray by ' + seam.error.toFixed(3));
  }
});
