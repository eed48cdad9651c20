// ミルトとナナ in a web page. Loads the program (miruto-nana.js and .wasm),
// its pictures and sounds and the rendered music, then drives the game: a
// tick checked at every frame the browser draws, clicks and keys, the menu,
// and the end of the program. Calls into the program run one at a time, in
// the order they were asked for, each to its end (a wipe or a dialog waits
// inside one); meanwhile clicks and keys wait their turn, as on the desktop.
//
// With "?test" in the address the ticks run only when the test hook
// (window.gameTest) asks for them.
'use strict';

(function() {
  const testMode = new URLSearchParams(location.search).has('test');
  const canvas = document.getElementById('screen');
  const statusLine = document.getElementById('status');
  const menubar = document.getElementById('menubar');
  const endedPanel = document.getElementById('ended');
  const menus = Array.from(document.querySelectorAll('.menu'));

  let started = false;
  let ended = false;
  let openMenu = null;

  // --- Calls into the program, one at a time --------------------------------

  const queue = [];
  let busy = false;

  function enqueue(task) {
    return new Promise(function(resolve, reject) {
      queue.push({task: task, resolve: resolve, reject: reject});
      pump();
    });
  }

  async function pump() {
    if (busy) return;
    busy = true;
    while (queue.length > 0) {
      const next = queue.shift();
      try {
        next.resolve(await next.task());
      } catch (error) {
        next.reject(error);
      }
    }
    busy = false;
  }

  function call(name) {
    const args = Array.prototype.slice.call(arguments, 1);
    return Module.ccall(name, 'number', args.map(function() { return 'number'; }), args,
                        {async: true});
  }

  // --- Loading ----------------------------------------------------------------

  function fetchBytes(url) {
    return fetch(url).then(function(response) {
      if (!response.ok) throw new Error(url + ': ' + response.status);
      return response.arrayBuffer();
    });
  }

  function text(bytes, at, length) {
    let end = at;
    while (end < at + length && bytes[end] !== 0) ++end;
    return new TextDecoder().decode(bytes.subarray(at, end));
  }

  // The pictures and sounds: a tar file, gzip-compressed.
  async function unpack(buffer) {
    let bytes = new Uint8Array(buffer);
    if (bytes[0] === 0x1f && bytes[1] === 0x8b) {
      const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      bytes = new Uint8Array(await new Response(stream).arrayBuffer());
    }
    const files = [];
    let at = 0;
    while (at + 512 <= bytes.length) {
      const header = bytes.subarray(at, at + 512);
      const name = text(header, 0, 100);
      if (name === '') break;
      const prefix = text(header, 345, 155);
      const size = parseInt(text(header, 124, 12).trim() || '0', 8);
      const type = header[156];
      at += 512;
      if (type === 0 || type === 0x30) {
        files.push({path: (prefix ? prefix + '/' : '') + name, data: bytes.slice(at, at + size)});
      }
      at += Math.ceil(size / 512) * 512;
    }
    return files;
  }

  // The renderings of the music, decoded for Web Audio while the game
  // starts; a piece asked for before it is decoded starts once it is. A
  // piece the browser cannot decode stays silent.
  async function loadMusic() {
    if (typeof OfflineAudioContext === 'undefined') return [];
    const manifest = await (await fetch('music/music.json')).json();
    const decoder = new OfflineAudioContext(2, 1, 48000);
    return manifest.pieces.map(function(facts) {
      const piece = {facts: facts, buffer: null};
      piece.decoded = fetchBytes(facts.audio)
        .then(function(bytes) { return decoder.decodeAudioData(bytes); })
        .then(function(buffer) { piece.buffer = buffer; })
        .catch(function(error) { console.warn('music/' + facts.name + ': ' + error); });
      return piece;
    });
  }

  function loadProgram() {
    return new Promise(function(resolve, reject) {
      window.Module = {
        canvas: canvas,
        print: function(line) { console.log(line); },
        printErr: function(line) { console.warn(line); },
        onRuntimeInitialized: resolve,
        onAbort: reject,
      };
      const script = document.createElement('script');
      script.src = 'miruto-nana.js';
      script.onerror = reject;
      document.body.appendChild(script);
    });
  }

  async function boot() {
    try {
      const loaded = await Promise.all([
        fetchBytes('game-files.bin').then(unpack),
        loadMusic().catch(function(error) {
          console.warn('music: ' + error);
          return [];
        }),
        loadProgram(),
      ]);
      Module.web.storage.files = loaded[0];
      Module.web.audio.pieces = loaded[1];
    } catch (error) {
      statusLine.textContent = '読み込みに失敗しました。';
      console.error('loading the game: ' + error);
      return false;
    }
    statusLine.textContent = '';
    started = true;
    const running = await enqueue(function() { return call('web_start'); });
    if (!running) {
      endProgram();
    } else if (!testMode) {
      requestAnimationFrame(frame);
    }
    return running !== 0;
  }

  // --- Ticks --------------------------------------------------------------------

  // At every frame the program decides whether a tick is due; nothing is
  // asked while a call (a tick in a wipe, a dialog) is still running.
  function frame(time) {
    if (ended) return;
    requestAnimationFrame(frame);
    Module.web.audio.checkMusic();
    if (busy || queue.length > 0) return;
    enqueue(async function() {
      if (!await call('web_frame', Math.floor(time) >>> 0)) endProgram();
    });
  }

  function endProgram() {
    ended = true;
    setMenu(null);
    menubar.classList.add('inert');
    endedPanel.hidden = false;
    document.getElementById('restart').focus();
  }

  document.getElementById('restart').addEventListener('click', function() {
    location.reload();
  });

  // --- Clicks and keys -----------------------------------------------------------

  function playing() {
    return started && !ended && document.querySelector('dialog[open]') === null;
  }

  // The first click or key starts the sound (the browsers' rule).
  function unlockAudio() {
    if (window.Module && Module.web) Module.web.audio.unlock();
  }
  document.addEventListener('pointerdown', unlockAudio, true);
  document.addEventListener('keydown', unlockAudio, true);
  document.addEventListener('visibilitychange', function() {
    if (window.Module && Module.web) Module.web.audio.pageHidden(document.hidden);
  });

  // A left click or a tap on the picture is a click at the game pixel shown
  // there (each finger's tap counts); once the program has ended it starts
  // it again, as the title invites.
  canvas.addEventListener('pointerdown', function(event) {
    if (event.button !== 0) return;
    if (ended) {
      event.preventDefault();
      location.reload();
      return;
    }
    if (!playing()) return;
    event.preventDefault();
    const at = gameScreen.point(event.clientX, event.clientY);
    enqueue(function() { return call('web_click', at.x, at.y); });
  });
  canvas.addEventListener('contextmenu', function(event) { event.preventDefault(); });

  // Enter and the pause control pause and resume; the control shows the
  // game's pause.
  const pauseButton = document.getElementById('pause-button');
  function togglePause() {
    return enqueue(async function() {
      await call('web_toggle_pause');
      pauseButton.setAttribute('aria-pressed', Module._web_probe(1) === 1 ? 'true' : 'false');
    });
  }
  pauseButton.addEventListener('click', function() {
    if (playing()) togglePause();
  });

  // Enter pauses, Esc ends the game; Alt with a menu's letter, or F10, opens
  // the menu. While a replay is watched, Enter pauses it, F runs it four
  // times as fast and Esc ends it.
  document.addEventListener('keydown', function(event) {
    // A key a dialog has taken (Enter for OK closes it before we see it).
    if (event.defaultPrevented || !playing()) return;
    if (openMenu) {
      menuKey(event);
      return;
    }
    if (event.key === 'F10' || (event.altKey && !event.ctrlKey && !event.metaKey)) {
      const menu = event.key === 'F10' ? menus[0] : menus.find(function(m) {
        return m.querySelector('.menu-title').dataset.key === event.key.toLowerCase();
      });
      if (menu) {
        event.preventDefault();
        setMenu(menu, true);
      }
      return;
    }
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.key === 'Enter') {
      event.preventDefault();
      togglePause();
    } else if (event.key === 'f' || event.key === 'F') {
      // Only while a replay is watched: four times as fast, or back.
      enqueue(function() { return call('web_toggle_fast'); });
    } else if (event.key === 'Escape') {
      // Ends watching a replay, or else the game.
      event.preventDefault();
      enqueue(async function() {
        if (!ended && !await call('web_escape')) endProgram();
      });
    }
  });

  // --- The menu bar --------------------------------------------------------------

  function items(menu) {
    return Array.from(menu.querySelectorAll('.menu-items button'));
  }

  function setMenu(menu, focusFirst) {
    menus.forEach(function(m) {
      const open = m === menu;
      m.querySelector('.menu-items').hidden = !open;
      m.querySelector('.menu-title').setAttribute('aria-expanded', open ? 'true' : 'false');
    });
    openMenu = menu;
    if (menu && focusFirst) items(menu)[0].focus();
    if (!menu && menubar.contains(document.activeElement)) document.activeElement.blur();
  }

  // An item with a command number runs it in the program; any other (the
  // world table's, see world.js) is told by a "menucommand" event.
  function runCommand(item) {
    setMenu(null);
    if (!playing()) return;
    if (item.dataset.command === undefined) {
      item.dispatchEvent(new Event('menucommand'));
      return;
    }
    const id = Number(item.dataset.command);
    enqueue(async function() {
      if (!ended && !await call('web_command', id)) endProgram();
    });
  }

  menus.forEach(function(menu, index) {
    const title = menu.querySelector('.menu-title');
    title.addEventListener('click', function() {
      setMenu(openMenu === menu ? null : menu);
    });
    title.addEventListener('pointerenter', function() {
      if (openMenu && openMenu !== menu) setMenu(menu);
    });
    items(menu).forEach(function(item) {
      item.addEventListener('click', function() { runCommand(item); });
    });
    menu.dataset.index = index;
  });

  // While a menu is open a click elsewhere only closes it.
  document.addEventListener('pointerdown', function(event) {
    if (openMenu && !menubar.contains(event.target)) {
      event.preventDefault();
      event.stopPropagation();
      setMenu(null);
    }
  }, true);

  function menuKey(event) {
    const list = items(openMenu);
    const at = list.indexOf(document.activeElement);
    const index = menus.indexOf(openMenu);
    let handled = true;
    if (event.key === 'Escape' || event.key === 'F10' || event.key === 'Alt') {
      setMenu(null);
    } else if (event.key === 'ArrowDown') {
      list[(at + 1) % list.length].focus();
    } else if (event.key === 'ArrowUp') {
      list[(at - 1 + list.length) % list.length].focus();
    } else if (event.key === 'ArrowRight' || event.key === 'ArrowLeft') {
      const step = event.key === 'ArrowRight' ? 1 : menus.length - 1;
      setMenu(menus[(index + step) % menus.length], true);
    } else if (event.key === 'Enter' || event.key === ' ') {
      if (at >= 0) runCommand(list[at]);
    } else {
      const item = list.find(function(i) { return i.dataset.key === event.key.toLowerCase(); });
      if (item) runCommand(item);
      else handled = false;
    }
    if (handled) event.preventDefault();
  }

  // --- Start ---------------------------------------------------------------------

  // A newer version of the site kept on this device is taken first (see
  // offline.js).
  const booted = (window.siteReady || Promise.resolve()).then(boot);

  // What the world table (world.js) drives the program with: calls in
  // their turn, and whether the player may play now.
  window.gamePage = {
    booted: booted,
    enqueue: enqueue,
    call: call,
    playing: playing,
    addMenuItem: function(menu, item) {
      item.addEventListener('click', function() { runCommand(item); });
      const list = menus[menu].querySelector('.menu-items');
      list.insertBefore(item, list.querySelector('hr'));
    },
  };

  // The test hook: ticks, clicks and keys by hand, and a look inside.
  if (testMode) {
    window.gameTest = {
      ready: booted,
      tick: function(count) {
        return enqueue(async function() {
          for (let i = 0; i < (count || 1) && !ended; ++i) await call('web_tick');
        });
      },
      click: function(x, y) { return enqueue(function() { return call('web_click', x, y); }); },
      enter: togglePause,
      idle: function() { return enqueue(function() { return 0; }); },
      probe: function() {
        // A direct call: it also answers while a tick waits for a dialog.
        const field = function(n) { return Module._web_probe(n); };
        return {state: field(0), paused: field(1), score: field(2), tick: field(3),
                running: field(4), ended: ended, busy: busy};
      },
      web: function() { return Module.web; },
    };
  }
})();
