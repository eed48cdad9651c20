// The browser's side of the platform layer, in one file for each thing it
// does: the frames (here), the sound (audio.js), the dialogs (dialogs.js),
// the files and the score file's storage (storage.js), the kept replays'
// list, downloads and links (replays.js), what the tests and measurements
// look at (probes.js), and the world table's replays (world.js). The C++
// side (web/*.cpp) calls the web_* functions; the page (page/game.js)
// reaches the rest through Module.web, which holds each part's object by
// its name.

mergeInto(LibraryManager.library, {
  $WebPage__deps: ['$WebAudio', '$WebDialogs', '$WebStorage', '$WebReplays', '$WebProbes',
                   '$WebWorld'],
  $WebPage__postset:
      'Module["web"] = {audio: WebAudio, dialogs: WebDialogs, storage: WebStorage, ' +
      'replays: WebReplays, probes: WebProbes, world: WebWorld};',
  $WebPage: {
    canvasContext: null,
  },

  // Shows a frame on the canvas.
  web_canvas_show__deps: ['$WebPage', '$WebProbes'],
  web_canvas_show: function(rgba, width, height) {
    var canvas = Module['canvas'];
    if (!canvas) return;
    if (!WebPage.canvasContext) WebPage.canvasContext = canvas.getContext('2d', {alpha: false});
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    WebPage.canvasContext.putImageData(new ImageData(bytes, width, height), 0, 0);
    WebProbes.presented();
  },

  web_set_title: function(text) {
    document.title = UTF8ToString(text);
  },
});
