// The page on every screen: the picture as large as the screen allows, the
// bar beside it or above it, the dialogs in the part of the screen that the
// on-screen keyboard leaves, the keys' help only where there is a keyboard,
// and the fullscreen control.
//
// The picture is drawn at a whole multiple of device pixels when one fills
// most of the space, else at the largest size that fits; either way it is
// placed on whole device pixels and drawn with nearest-neighbour pixels, so
// that gameScreen.point() can say which game pixel is shown under a point.
'use strict';

(function() {
  const kWidth = 640;
  const kHeight = 480;
  // A whole multiple is taken when it is at least this share of the largest
  // size that fits.
  const kWholeShare = 0.85;
  // The bar goes beside the picture when that makes the picture this much
  // wider (a landscape phone), else it stays above, as on the desktop.
  const kSideGain = 1.1;
  // An Esc that comes this soon after the browser left fullscreen is the
  // same key press (some browsers pass it on to the page).
  const kEscapeAfterFullscreenMs = 500;

  const root = document.documentElement;
  const body = document.body;
  const stage = document.getElementById('stage');
  const frame = document.getElementById('frame');
  const canvas = document.getElementById('screen');

  const ratio = () => window.devicePixelRatio || 1;

  // The stage's box in whole device pixels: the pixels it covers entirely.
  function deviceBox() {
    const box = stage.getBoundingClientRect();
    const r = ratio();
    const left = Math.ceil(box.left * r - 1e-6);
    const top = Math.ceil(box.top * r - 1e-6);
    return {
      box: box,
      left: left,
      top: top,
      width: Math.max(0, Math.floor(box.right * r + 1e-6) - left),
      height: Math.max(0, Math.floor(box.bottom * r + 1e-6) - top),
    };
  }

  // The picture's size in device pixels for a space of that many.
  function pictureSize(width, height) {
    const scale = Math.min(width / kWidth, height / kHeight);
    const whole = Math.floor(scale);
    if (whole >= 1 && whole >= kWholeShare * scale) {
      return {width: kWidth * whole, height: kHeight * whole};
    }
    const shown = Math.max(4, Math.floor(Math.min(width, height * kWidth / kHeight)));
    return {width: shown, height: Math.max(3, Math.round(shown * kHeight / kWidth))};
  }

  // Where to put the picture's first device pixel, about half of `spare`
  // past `start`: on a whole CSS pixel that falls on a whole device pixel
  // where there is one near, since the browsers place a picture exactly
  // only there.
  function whole(start, spare) {
    const r = ratio();
    const middle = start + Math.floor(spare / 2);
    for (let step = 0; step <= 8; ++step) {
      for (const at of [middle - step, middle + step]) {
        const css = at / r;
        if (at >= start && at <= start + spare && Math.abs(css - Math.round(css)) < 1e-6) return at;
      }
    }
    return middle;
  }

  function measure(side) {
    body.classList.toggle('side', side);
    const space = deviceBox();
    return {side: side, space: space, size: pictureSize(space.width, space.height)};
  }

  // Puts the bar where the picture gets larger, then sizes and places the
  // picture.
  function fit() {
    const top = measure(false);
    let chosen = top;
    const side = measure(true);
    if (side.size.width >= kSideGain * top.size.width) chosen = side;
    else measure(false);
    const r = ratio();
    const space = chosen.space;
    const size = chosen.size;
    const left = whole(space.left, space.width - size.width);
    const topAt = whole(space.top, space.height - size.height);
    frame.style.left = (left / r - space.box.left) + 'px';
    frame.style.top = (topAt / r - space.box.top) + 'px';
    canvas.style.width = (size.width / r) + 'px';
    canvas.style.height = (size.height / r) + 'px';
    body.classList.toggle('fractional', size.width % kWidth !== 0);
  }

  let fitting = false;
  function refit() {
    if (fitting) return;
    fitting = true;
    requestAnimationFrame(function() {
      fitting = false;
      fit();
    });
  }

  // The game pixel shown under a point of the page, clamped to the picture.
  function point(clientX, clientY) {
    const r = ratio();
    const box = canvas.getBoundingClientRect();
    const along = function(at, start, extent, pixels) {
      const first = Math.round(start * r);
      const count = Math.max(1, Math.round(extent * r));
      const device = Math.floor(at * r + 1e-6) - first;
      const game = Math.floor((device + 0.5) * pixels / count);
      return Math.min(pixels - 1, Math.max(0, game));
    };
    return {x: along(clientX, box.left, box.width, kWidth),
            y: along(clientY, box.top, box.height, kHeight)};
  }

  // --- The keys' help, once a keyboard is known -------------------------------

  // A pointer that can hover finely, or a mouse, comes with a keyboard as a
  // rule; else the help shows once one of the game's keys is pressed
  // outside a text field (an on-screen keyboard types into the name field
  // only).
  function keyboardSeen() {
    if (body.classList.contains('keyboard')) return;
    body.classList.add('keyboard');
    refit();
  }
  if (window.matchMedia('(any-pointer: fine) and (any-hover: hover)').matches) {
    body.classList.add('keyboard');
  }
  document.addEventListener('pointerdown', function(event) {
    if (event.pointerType === 'mouse') keyboardSeen();
  }, true);
  document.addEventListener('keydown', function(event) {
    const typing = event.target instanceof HTMLInputElement || event.isComposing;
    if (!typing && ['Enter', 'Escape', 'F10', 'Alt'].indexOf(event.key) >= 0) keyboardSeen();
  }, true);

  // --- The part of the screen the dialogs may use ------------------------------

  // An on-screen keyboard may cover the lower part of the page without
  // resizing it; the dialogs stay in the part that is seen.
  const view = window.visualViewport;
  function viewVariables() {
    if (!view) return;
    root.style.setProperty('--view-top', view.offsetTop + 'px');
    root.style.setProperty('--view-height', view.height + 'px');
  }
  if (view) {
    view.addEventListener('resize', viewVariables);
    view.addEventListener('scroll', viewVariables);
    viewVariables();
  }

  // --- Fullscreen -----------------------------------------------------------------

  const fullscreenButton = document.getElementById('fullscreen-button');
  let leftFullscreenAt = -Infinity;

  function showFullscreenState() {
    const on = document.fullscreenElement !== null && document.fullscreenElement !== undefined;
    fullscreenButton.setAttribute('aria-pressed', on ? 'true' : 'false');
    const label = on ? '全画面を終了' : '全画面';
    fullscreenButton.querySelector('.label').textContent = label;
    fullscreenButton.title = label;
  }

  async function enterFullscreen() {
    try {
      await root.requestFullscreen({navigationUI: 'hide'});
    } catch (error) {
      console.warn('fullscreen: ' + error);
      return;
    }
    // A phone held upright turns the game on its side, where it may.
    const orientation = screen.orientation;
    if (orientation && orientation.lock && window.matchMedia('(pointer: coarse)').matches) {
      orientation.lock('landscape').catch(function() {});
    }
  }

  if (document.fullscreenEnabled) {
    fullscreenButton.hidden = false;
    fullscreenButton.addEventListener('click', function() {
      if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
      else enterFullscreen();
    });
    document.addEventListener('fullscreenchange', function() {
      if (!document.fullscreenElement) {
        leftFullscreenAt = performance.now();
        if (screen.orientation && screen.orientation.unlock) {
          try {
            screen.orientation.unlock();
          } catch (error) {
            // Nothing was locked.
          }
        }
      }
      showFullscreenState();
      refit();
    });
  }

  // Esc in fullscreen only leaves fullscreen: the game goes on.
  document.addEventListener('keydown', function(event) {
    if (event.key !== 'Escape') return;
    const inFullscreen = !!document.fullscreenElement;
    if (!inFullscreen && performance.now() - leftFullscreenAt > kEscapeAfterFullscreenMs) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    if (inFullscreen) document.exitFullscreen().catch(function() {});
  }, true);

  // The controls never take the focus from the game, so that Enter keeps
  // pausing it rather than pressing the control again.
  document.querySelectorAll('#controls button').forEach(function(button) {
    button.addEventListener('pointerdown', function(event) { event.preventDefault(); });
  });

  // --- No zoom, scrolling or callouts on the page ------------------------------


  document.addEventListener('contextmenu', function(event) {
    if (!(event.target instanceof HTMLInputElement)) event.preventDefault();
  });
  // Pinches on browsers that zoom whatever the page's touch rules say.
  document.addEventListener('gesturestart', function(event) { event.preventDefault(); });

  new ResizeObserver(refit).observe(body);
  window.addEventListener('resize', refit);
  fit();

  window.gameScreen = {point: point, fit: fit};
})();
