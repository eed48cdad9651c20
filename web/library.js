// The browser's side of the platform layer: the canvas the frames go to, the
// sound on Web Audio, the HTML dialogs and the score file's storage. The C++
// side (web/*.cpp) calls the web_* functions; the page (page/game.js) reaches
// the rest through Module.web.

mergeInto(LibraryManager.library, {
  // --- Shared state ---------------------------------------------------------

  $WebGame__deps: ['$FS', '$IDBFS', '$PATH'],
  $WebGame__postset: 'Module["web"] = WebGame;',
  $WebGame: {
    // Audio: the context is made on the player's first click or key (the
    // browsers' rule for sound), or when sound is first asked for.
    audio: {
      ctx: null,
      master: null,
      analyser: null,
      volume: 1,
      effects: [],        // AudioBuffer per slot
      effectSources: [],  // the source sounding in each slot
      music: null,        // {sources, gain, lastPassAt, piece}
    },
    // The decoded renderings of the music, set by the page before start:
    // [{facts, buffer}], facts as in music/music.json.
    pieces: [],
    // Files for the program's file system, set by the page before start:
    // [{path, data}].
    files: [],
    savesMounted: false,
    presents: 0,
    firstPresentAt: 0,

    hasWebAudio: function() {
      return typeof AudioContext != 'undefined' || typeof webkitAudioContext != 'undefined';
    },

    // The audio context, made when first needed; null without Web Audio.
    context: function() {
      var a = WebGame.audio;
      if (!a.ctx && WebGame.hasWebAudio()) {
        try {
          var Context = typeof AudioContext != 'undefined' ? AudioContext : webkitAudioContext;
          a.ctx = new Context({latencyHint: 'interactive'});
          a.master = a.ctx.createGain();
          a.master.gain.value = a.volume;
          a.analyser = a.ctx.createAnalyser();
          a.analyser.fftSize = 2048;
          a.master.connect(a.analyser);
          a.analyser.connect(a.ctx.destination);
        } catch (e) {
          a.ctx = null;
        }
      }
      return a.ctx;
    },

    // Called on the player's clicks and keys: starts the sound output.
    unlockAudio: function() {
      var ctx = WebGame.context();
      if (ctx && ctx.state == 'suspended') {
        ctx.resume().catch(function() {});
      }
    },

    // While the page is hidden the browser runs no ticks: the game stands
    // still, and so does its sound.
    pageHidden: function(hidden) {
      var ctx = WebGame.audio.ctx;
      if (!ctx) return;
      if (hidden && ctx.state == 'running') {
        WebGame.audio.suspendedWhileHidden = true;
        ctx.suspend().catch(function() {});
      } else if (!hidden && WebGame.audio.suspendedWhileHidden) {
        WebGame.audio.suspendedWhileHidden = false;
        ctx.resume().catch(function() {});
      }
    },

    // How loud the output is now: the root mean square of what the analyser
    // sees (0 when there is no sound output).
    outputLevel: function() {
      var a = WebGame.audio;
      if (!a.analyser) return 0;
      var data = new Float32Array(a.analyser.fftSize);
      a.analyser.getFloatTimeDomainData(data);
      var sum = 0;
      for (var i = 0; i < data.length; ++i) sum += data[i] * data[i];
      return Math.sqrt(sum / data.length);
    },

    audioState: function() {
      var a = WebGame.audio;
      return {
        context: a.ctx ? a.ctx.state : 'none',
        time: a.ctx ? a.ctx.currentTime : 0,
        music: a.music ? a.music.piece : -1,
      };
    },

    // Ends the last pass of a looping piece where it is due.
    checkMusic: function() {
      var m = WebGame.audio.music;
      if (m && m.lastPassAt !== null && m.sources.length > 0 && m.sources[0].loop &&
          WebGame.audio.ctx.currentTime >= m.lastPassAt) {
        m.sources[0].loop = false;
      }
    },

    // Starts a rendering; see web_music_play.
    startMusic: function(music, p, repeats) {
      var ctx = WebGame.audio.ctx;
      var f = p.facts;
      // The rendering holds the first repeat: the loop from loopFrom to
      // loopTo follows the first pass.
      var from = f.loopFrom / f.rate;
      var to = f.loopTo / f.rate;
      music.gain = ctx.createGain();
      music.gain.connect(WebGame.audio.master);
      var start = ctx.currentTime + 0.02;
      var first = ctx.createBufferSource();
      first.buffer = p.buffer;
      first.connect(music.gain);
      music.sources.push(first);
      if (f.loopTo > f.loopFrom && repeats > 0) {
        if (repeats > 1) {
          first.loop = true;
          first.loopStart = from;
          first.loopEnd = to;
          // After the last jump back the piece runs on to its end.
          music.lastPassAt = start + to + (repeats - 2) * (to - from) + (to - from) / 2;
        }
        first.start(start);
      } else if (f.loopTo > f.loopFrom) {
        // Once through: the first pass up to the jump, then the end.
        first.start(start, 0, from);
        var rest = ctx.createBufferSource();
        rest.buffer = p.buffer;
        rest.connect(music.gain);
        rest.start(start + from, to);
        music.sources.push(rest);
      } else {
        first.start(start);
      }
    },

    stopMusic: function() {
      var a = WebGame.audio;
      var m = a.music;
      a.music = null;
      if (!m || !m.gain) return;
      // A short fade instead of a click; the notes ring out that briefly.
      var now = a.ctx.currentTime;
      m.gain.gain.setValueAtTime(1, now);
      m.gain.gain.linearRampToValueAtTime(0, now + 0.03);
      m.sources.forEach(function(source) {
        try { source.stop(now + 0.035); } catch (e) {}
      });
    },

    // --- Dialogs ------------------------------------------------------------

    element: function(id) { return document.getElementById(id); },

    // Opens a dialog modally. The browser's own Esc never closes it: each
    // dialog decides what Esc does (most do nothing).
    openDialog: function(dialog) {
      dialog.oncancel = function(event) { event.preventDefault(); };
      dialog.onkeydown = function(event) {
        if (event.key == 'Escape') event.preventDefault();
      };
      if (!dialog.open) dialog.showModal();
    },

    closeDialog: function(dialog) {
      dialog.oncancel = null;
      dialog.onkeydown = null;
      if (dialog.open) dialog.close();
    },

    // Waits for one of `buttons` to be clicked, or for a key that `onKey`
    // turns into a button's index; resolves with the index.
    choose: function(dialog, buttons, onKey) {
      return new Promise(function(resolve) {
        var clicks = [];
        var key = function(event) {
          var index = onKey ? onKey(event) : -1;
          if (index >= 0) {
            event.preventDefault();
            done(index);
          }
        };
        var done = function(index) {
          buttons.forEach(function(button, i) { button.removeEventListener('click', clicks[i]); });
          dialog.removeEventListener('keydown', key);
          resolve(index);
        };
        buttons.forEach(function(button, index) {
          clicks.push(function(event) {
            event.preventDefault();
            done(index);
          });
          button.addEventListener('click', clicks[index]);
        });
        dialog.addEventListener('keydown', key);
      });
    },

    // A message box: OK, or Yes and No. Esc and the close box answer as No
    // does; Y and N are the buttons' keys. Resolves with 1 for OK or Yes.
    messageBox: async function(caption, text, yesNo) {
      var dialog = WebGame.element('message-dialog');
      dialog.querySelector('.caption').textContent = caption;
      dialog.querySelector('.text').textContent = text;
      var ok = WebGame.element('message-ok');
      var yes = WebGame.element('message-yes');
      var no = WebGame.element('message-no');
      ok.hidden = yesNo;
      yes.hidden = !yesNo;
      no.hidden = !yesNo;
      var buttons = yesNo ? [yes, no] : [ok];
      buttons.push(dialog.querySelector('.close'));
      WebGame.openDialog(dialog);
      buttons[0].focus();
      var index = await WebGame.choose(dialog, buttons, function(event) {
        var key = event.key.toLowerCase();
        if (yesNo && key == 'y') return 0;
        if (yesNo && key == 'n') return 1;
        return event.key == 'Escape' ? buttons.length - 1 : -1;
      });
      WebGame.closeDialog(dialog);
      return index == 0 ? 1 : 0;
    },

    // The top five: OK or the close box end it; Esc does nothing.
    listDialog: async function(rows) {
      var dialog = WebGame.element('list-dialog');
      var items = dialog.querySelectorAll('.row');
      for (var i = 0; i < items.length; ++i) items[i].textContent = rows[i] || '';
      var ok = dialog.querySelector('.ok');
      WebGame.openDialog(dialog);
      ok.focus();
      await WebGame.choose(dialog, [ok, dialog.querySelector('.close')], null);
      WebGame.closeDialog(dialog);
      // Back to the name entry, if it is open below.
      if (WebGame.element('name-dialog').open) WebGame.element('name-input').focus();
    },

    // The name entry: the place earned and the name, OK (or Enter in the
    // name), the list button and the close box; Esc does nothing.
    nameDialog: {
      open: function(placeText, name) {
        var dialog = WebGame.element('name-dialog');
        WebGame.element('place-text').textContent = placeText;
        var input = WebGame.element('name-input');
        input.value = name;
        WebGame.openDialog(dialog);
        input.focus();
        input.select();
      },
      // 1: OK, 2: the list button, 0: the close box.
      wait: function() {
        var dialog = WebGame.element('name-dialog');
        var input = WebGame.element('name-input');
        var buttons = [WebGame.element('name-ok'), WebGame.element('name-list'),
                       dialog.querySelector('.close')];
        return WebGame.choose(dialog, buttons, function(event) {
          // Not while an input method is composing a word.
          return event.key == 'Enter' && event.target === input && !event.isComposing ? 0 : -1;
        }).then(function(index) { return [1, 2, 0][index]; });
      },
      close: function() {
        WebGame.closeDialog(WebGame.element('name-dialog'));
      },
    },

    // --- The score file's storage -------------------------------------------

    syncfs: function(populate) {
      return new Promise(function(resolve) {
        FS.syncfs(populate, function(error) { resolve(!error); });
      });
    },
  },

  // --- Frames ---------------------------------------------------------------

  web_canvas_show__deps: ['$WebGame'],
  web_canvas_show: function(rgba, width, height) {
    var canvas = Module['canvas'];
    if (!canvas) return;
    if (!WebGame.canvasContext) WebGame.canvasContext = canvas.getContext('2d', {alpha: false});
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    WebGame.canvasContext.putImageData(new ImageData(bytes, width, height), 0, 0);
    // For the page's measurements: when the first frame was drawn, and how
    // many have been.
    if (!WebGame.presents++) WebGame.firstPresentAt = performance.now();
  },

  web_set_title: function(text) {
    document.title = UTF8ToString(text);
  },

  // --- Sound effects --------------------------------------------------------

  web_audio_available__deps: ['$WebGame'],
  web_audio_available: function() {
    return WebGame.hasWebAudio() ? 1 : 0;
  },

  web_effect_slots__deps: ['$WebGame'],
  web_effect_slots: function(count) {
    var a = WebGame.audio;
    a.effectSources.forEach(function(source) {
      if (source) try { source.stop(); } catch (e) {}
    });
    a.effects = new Array(count).fill(null);
    a.effectSources = new Array(count).fill(null);
  },

  // A slot's effect: `stored` frames of planar float samples at `samples`,
  // silence after them up to `frames`. 0 when the browser refuses it.
  web_effect_load__deps: ['$WebGame'],
  web_effect_load: function(slot, samples, channels, stored, frames, rate) {
    var a = WebGame.audio;
    if (slot < 0 || slot >= a.effects.length) return 0;
    try {
      var buffer = new AudioBuffer({length: Math.max(frames, 1), numberOfChannels: channels,
                                    sampleRate: rate});
      for (var c = 0; c < channels; ++c) {
        var from = (samples >> 2) + c * stored;
        buffer.copyToChannel(HEAPF32.subarray(from, from + stored), c);
      }
      a.effects[slot] = buffer;
      return 1;
    } catch (e) {
      return 0;
    }
  },

  // Rewinds and plays: a sound still playing in the slot is cut off first.
  web_effect_play__deps: ['$WebGame'],
  web_effect_play: function(slot) {
    var a = WebGame.audio;
    if (slot < 0 || slot >= a.effects.length || !a.effects[slot]) return;
    var ctx = WebGame.context();
    if (!ctx) return;
    var old = a.effectSources[slot];
    if (old) {
      try { old.stop(); } catch (e) {}
    }
    var source = ctx.createBufferSource();
    source.buffer = a.effects[slot];
    source.connect(a.master);
    source.onended = function() {
      if (a.effectSources[slot] === source) a.effectSources[slot] = null;
    };
    a.effectSources[slot] = source;
    source.start();
  },

  web_effect_stop__deps: ['$WebGame'],
  web_effect_stop: function(slot) {
    var a = WebGame.audio;
    var source = a.effectSources[slot];
    a.effectSources[slot] = null;
    if (source) try { source.stop(); } catch (e) {}
  },

  web_set_volume__deps: ['$WebGame'],
  web_set_volume: function(gain) {
    var a = WebGame.audio;
    a.volume = gain;
    if (a.master) a.master.gain.value = gain;
  },

  // --- Music ----------------------------------------------------------------

  // The rendering of the MIDI file with this size and checksum, or -1.
  web_music_find__deps: ['$WebGame'],
  web_music_find: function(bytes, checksum) {
    var pieces = WebGame.pieces;
    for (var i = 0; i < pieces.length; ++i) {
      var f = pieces[i].facts;
      if (f.bytes == bytes && (f.fnv1a >>> 0) == (checksum >>> 0)) return i;
    }
    return -1;
  },

  // The rendering's loop, in music time: its start (0 when it has none) and
  // end.
  web_music_loop_start__deps: ['$WebGame'],
  web_music_loop_start: function(piece) {
    var f = WebGame.pieces[piece].facts;
    return f.loopTo > f.loopFrom ? f.loopStartUnits : 0;
  },
  web_music_loop_end__deps: ['$WebGame'],
  web_music_loop_end: function(piece) {
    var f = WebGame.pieces[piece].facts;
    return f.loopTo > f.loopFrom ? f.loopEndUnits : 0;
  },

  // Plays a rendering from its start, replacing any piece still sounding.
  // With `repeats` > 0 the loop goes round that many times and the piece
  // then plays to its end; with 0 it plays once through. A rendering still
  // being decoded starts when it is ready (if it is still wanted then).
  web_music_play__deps: ['$WebGame'],
  web_music_play: function(piece, repeats) {
    WebGame.stopMusic();
    var p = WebGame.pieces[piece];
    var music = {sources: [], gain: null, lastPassAt: null, piece: piece};
    WebGame.audio.music = music;
    var start = function() {
      var ctx = WebGame.context();
      if (!ctx || !p.buffer || WebGame.audio.music !== music) return;
      WebGame.startMusic(music, p, repeats >>> 0);
    };
    if (p.buffer) start();
    else if (p.decoded) p.decoded.then(start);
  },

  web_music_stop__deps: ['$WebGame'],
  web_music_stop: function() {
    WebGame.stopMusic();
  },

  // --- Dialogs (each waits for the player) ----------------------------------

  web_message_box__deps: ['$WebGame', '$Asyncify'],
  web_message_box: function(caption, text, yesNo) {
    var c = UTF8ToString(caption);
    var t = UTF8ToString(text);
    return Asyncify.handleAsync(function() { return WebGame.messageBox(c, t, yesNo != 0); });
  },

  web_name_dialog_open__deps: ['$WebGame'],
  web_name_dialog_open: function(placeText, name) {
    WebGame.nameDialog.open(UTF8ToString(placeText), UTF8ToString(name));
  },

  web_name_dialog_wait__deps: ['$WebGame', '$Asyncify'],
  web_name_dialog_wait: function() {
    return Asyncify.handleAsync(function() { return WebGame.nameDialog.wait(); });
  },

  // The typed name as UTF-8, cut to fit `size` bytes.
  web_name_dialog_text__deps: ['$WebGame'],
  web_name_dialog_text: function(out, size) {
    stringToUTF8(WebGame.element('name-input').value, out, size);
  },

  web_name_dialog_close__deps: ['$WebGame'],
  web_name_dialog_close: function() {
    WebGame.nameDialog.close();
  },

  // Shows the five rows (UTF-8, one a line) and waits for OK.
  web_list_dialog_run__deps: ['$WebGame', '$Asyncify'],
  web_list_dialog_run: function(rows) {
    var text = UTF8ToString(rows).split('\n');
    return Asyncify.handleAsync(function() { return WebGame.listDialog(text); });
  },

  // --- Files ----------------------------------------------------------------

  // Mounts the browser's storage at `dir` and reads what it holds. Only the
  // plain files right in the folder (the score files) are kept there; the
  // pictures and sounds below it are not. 0 when there is no storage.
  web_saves_mount__deps: ['$WebGame', '$Asyncify'],
  web_saves_mount: function(dir) {
    var path = UTF8ToString(dir);
    return Asyncify.handleAsync(async function() {
      FS.mkdirTree(path);
      if (typeof indexedDB == 'undefined') return 0;
      if (!IDBFS.webOnlyTopFiles) {
        var inner = IDBFS.getLocalSet;
        IDBFS.getLocalSet = function(mount, callback) {
          inner(mount, function(error, set) {
            if (!error) {
              Object.keys(set.entries).forEach(function(name) {
                if (PATH.dirname(name) != mount.mountpoint || FS.isDir(FS.stat(name).mode)) {
                  delete set.entries[name];
                }
              });
            }
            callback(error, set);
          });
        };
        IDBFS.webOnlyTopFiles = true;
      }
      try {
        FS.mount(IDBFS, {}, path);
      } catch (e) {
        return 0;
      }
      WebGame.savesMounted = await WebGame.syncfs(true);
      return WebGame.savesMounted ? 1 : 0;
    });
  },

  // Writes what changed to the browser's storage; 0 when it failed.
  web_saves_flush__deps: ['$WebGame', '$Asyncify'],
  web_saves_flush: function() {
    return Asyncify.handleAsync(function() {
      if (!WebGame.savesMounted) return Promise.resolve(0);
      return WebGame.syncfs(false).then(function(ok) { return ok ? 1 : 0; });
    });
  },

  // Puts the page's files (pictures and sounds) under `dir`.
  web_install_files__deps: ['$WebGame'],
  web_install_files: function(dir) {
    var root = UTF8ToString(dir);
    try {
      WebGame.files.forEach(function(file) {
        var path = PATH.join2(root, file.path);
        FS.mkdirTree(PATH.dirname(path));
        FS.writeFile(path, file.data);
      });
    } catch (e) {
      return 0;
    }
    WebGame.files = [];
    return 1;
  },
});
