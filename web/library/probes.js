// What the page's tests and measurements look at: the frames shown so far
// and the sound going out.

mergeInto(LibraryManager.library, {
  $WebProbes__deps: ['$WebAudio'],
  $WebProbes: {
    // How many frames have been shown, and when the first was.
    presents: 0,
    firstPresentAt: 0,

    presented: function() {
      if (!WebProbes.presents++) WebProbes.firstPresentAt = performance.now();
    },

    // How loud the output is now: the root mean square of what the analyser
    // sees (0 when there is no sound output).
    outputLevel: function() {
      var analyser = WebAudio.analyser;
      if (!analyser) return 0;
      var data = new Float32Array(analyser.fftSize);
      analyser.getFloatTimeDomainData(data);
      var sum = 0;
      for (var i = 0; i < data.length; ++i) sum += data[i] * data[i];
      return Math.sqrt(sum / data.length);
    },

    audioState: function() {
      var a = WebAudio;
      return {
        context: a.ctx ? a.ctx.state : 'none',
        time: a.ctx ? a.ctx.currentTime : 0,
        music: a.music ? a.music.piece : -1,
      };
    },
  },
});
