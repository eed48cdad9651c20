// The sound on Web Audio: the effects, each in a slot of its own, and the
// music, played from renderings that the page decodes while the game starts.

mergeInto(LibraryManager.library, {
  $WebAudio: {
    // The context is made on the player's first click or key (the browsers'
    // rule for sound), or when sound is first asked for.
    ctx: null,
    master: null,
    analyser: null,
    volume: 1,
    effects: [],        // AudioBuffer per slot
    effectSources: [],  // the source sounding in each slot
    music: null,        // {sources, gain, lastPassAt, piece}
    suspendedWhileHidden: false,
    // The decoded renderings of the music, set by the page before start:
    // [{facts, buffer}], facts as in music/music.json.
    pieces: [],

    available: function() {
      return typeof AudioContext != 'undefined' || typeof webkitAudioContext != 'undefined';
    },

    // The audio context, made when first needed; null without Web Audio.
    context: function() {
      var a = WebAudio;
      if (!a.ctx && a.available()) {
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
    unlock: function() {
      var ctx = WebAudio.context();
      if (ctx && ctx.state == 'suspended') {
        ctx.resume().catch(function() {});
      }
    },

    // While the page is hidden the browser runs no ticks: the game stands
    // still, and so does its sound.
    pageHidden: function(hidden) {
      var a = WebAudio;
      var ctx = a.ctx;
      if (!ctx) return;
      if (hidden && ctx.state == 'running') {
        a.suspendedWhileHidden = true;
        ctx.suspend().catch(function() {});
      } else if (!hidden && a.suspendedWhileHidden) {
        a.suspendedWhileHidden = false;
        ctx.resume().catch(function() {});
      }
    },

    // Ends the last pass of a looping piece where it is due.
    checkMusic: function() {
      var m = WebAudio.music;
      if (m && m.lastPassAt !== null && m.sources.length > 0 && m.sources[0].loop &&
          WebAudio.ctx.currentTime >= m.lastPassAt) {
        m.sources[0].loop = false;
      }
    },

    // Starts a rendering; see web_music_play.
    startMusic: function(music, p, repeats) {
      var ctx = WebAudio.ctx;
      var f = p.facts;
      // The rendering holds the first repeat: the loop from loopFrom to
      // loopTo follows the first pass.
      var from = f.loopFrom / f.rate;
      var to = f.loopTo / f.rate;
      music.gain = ctx.createGain();
      music.gain.connect(WebAudio.master);
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
      var a = WebAudio;
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
  },

  // --- Sound effects --------------------------------------------------------

  web_audio_available__deps: ['$WebAudio'],
  web_audio_available: function() {
    return WebAudio.available() ? 1 : 0;
  },

  web_effect_slots__deps: ['$WebAudio'],
  web_effect_slots: function(count) {
    var a = WebAudio;
    a.effectSources.forEach(function(source) {
      if (source) try { source.stop(); } catch (e) {}
    });
    a.effects = new Array(count).fill(null);
    a.effectSources = new Array(count).fill(null);
  },

  // A slot's effect: `stored` frames of planar float samples at `samples`,
  // silence after them up to `frames`. 0 when the browser refuses it.
  web_effect_load__deps: ['$WebAudio'],
  web_effect_load: function(slot, samples, channels, stored, frames, rate) {
    var a = WebAudio;
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
  web_effect_play__deps: ['$WebAudio'],
  web_effect_play: function(slot) {
    var a = WebAudio;
    if (slot < 0 || slot >= a.effects.length || !a.effects[slot]) return;
    var ctx = a.context();
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

  web_effect_stop__deps: ['$WebAudio'],
  web_effect_stop: function(slot) {
    var a = WebAudio;
    var source = a.effectSources[slot];
    a.effectSources[slot] = null;
    if (source) try { source.stop(); } catch (e) {}
  },

  web_set_volume__deps: ['$WebAudio'],
  web_set_volume: function(gain) {
    var a = WebAudio;
    a.volume = gain;
    if (a.master) a.master.gain.value = gain;
  },

  // --- Music ----------------------------------------------------------------

  // The rendering of the MIDI file with this size and checksum, or -1.
  web_music_find__deps: ['$WebAudio'],
  web_music_find: function(bytes, checksum) {
    var pieces = WebAudio.pieces;
    for (var i = 0; i < pieces.length; ++i) {
      var f = pieces[i].facts;
      if (f.bytes == bytes && (f.fnv1a >>> 0) == (checksum >>> 0)) return i;
    }
    return -1;
  },

  // The rendering's loop, in music time: its start (0 when it has none) and
  // end.
  web_music_loop_start__deps: ['$WebAudio'],
  web_music_loop_start: function(piece) {
    var f = WebAudio.pieces[piece].facts;
    return f.loopTo > f.loopFrom ? f.loopStartUnits : 0;
  },
  web_music_loop_end__deps: ['$WebAudio'],
  web_music_loop_end: function(piece) {
    var f = WebAudio.pieces[piece].facts;
    return f.loopTo > f.loopFrom ? f.loopEndUnits : 0;
  },

  // Plays a rendering from its start, replacing any piece still sounding.
  // With `repeats` > 0 the loop goes round that many times and the piece
  // then plays to its end; with 0 it plays once through. A rendering still
  // being decoded starts when it is ready (if it is still wanted then).
  web_music_play__deps: ['$WebAudio'],
  web_music_play: function(piece, repeats) {
    var a = WebAudio;
    a.stopMusic();
    var p = a.pieces[piece];
    var music = {sources: [], gain: null, lastPassAt: null, piece: piece};
    a.music = music;
    var start = function() {
      var ctx = a.context();
      if (!ctx || !p.buffer || a.music !== music) return;
      a.startMusic(music, p, repeats >>> 0);
    };
    if (p.buffer) start();
    else if (p.decoded) p.decoded.then(start);
  },

  web_music_stop__deps: ['$WebAudio'],
  web_music_stop: function() {
    WebAudio.stopMusic();
  },
});
