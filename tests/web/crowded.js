// A long, crowded game for the measurements: a script for the game (the
// replay tool's commands) played by a simple player that, every few ticks,
// sets off a blast on the coin, arrow or star nearest the princess, never
// near a bomb. The Linux replay tool shows it the field after each step.
'use strict';

const {execFileSync} = require('child_process');

// The sheets of what must be blasted, with their pictures' sizes, and the
// bomb's.
const kThreats = {4: [50, 50], 14: [40, 7], 18: [64, 64]};
const kBomb = 17;
const kGameOver = 15;
const kPrincess = [90, 330];
// How close to a bomb a blast may go, and how often the player acts.
const kBombRoom = 60;
const kStep = 4;

// The sprites drawn in the script's last frame: [sheet, x, y, ...].
function lastFrame(replay, script) {
  const out = execFileSync(replay, {input: script.join('\n') + '\n', maxBuffer: 1 << 30}).toString();
  const end = out.lastIndexOf('present');
  const start = out.lastIndexOf('present', end - 1);
  return out.slice(start, end).split('\n').filter((line) => line.startsWith('draw '))
            .map((line) => line.split(' ').slice(1).map(Number));
}

// The script of a game started at once and played for `ticks` ticks (fewer
// if the player loses); { script, ticks }.
function crowdedGame(replay, ticks) {
  const script = ['tick 26', 'click 320 240', 'tick 60'];
  let played = 60;
  while (played < ticks) {
    const sprites = lastFrame(replay, script);
    if (sprites.some((s) => s[0] === kGameOver)) break;
    const bombs = sprites.filter((s) => s[0] === kBomb).map((s) => [s[1] + 32, s[2] + 32]);
    let best = null;
    for (const s of sprites) {
      const size = kThreats[s[0]];
      if (!size) continue;
      const x = s[1] + size[0] / 2;
      const y = s[2] + size[1] / 2;
      if (bombs.some((b) => Math.hypot(b[0] - x, b[1] - y) < kBombRoom)) continue;
      const distance = Math.hypot(x - kPrincess[0], y - kPrincess[1]);
      if (!best || distance < best.distance) best = {x, y, distance};
    }
    // A blast is centred 4 pixels right of and below the click.
    if (best) script.push('click ' + Math.round(best.x - 4) + ' ' + Math.round(best.y - 4));
    script.push('tick ' + kStep);
    played += kStep;
  }
  return {script, ticks: played};
}

module.exports = {crowdedGame};
