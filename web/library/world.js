// The world table's side of the program: the stored replay the page wants
// watched, copied in when the program asks, and word of the watching's end
// for the page (page/world.js).

mergeInto(LibraryManager.library, {
  $WebWorld: {
    // The replay to watch, as bytes of UTF-8.
    replay: null,
    // Called when the watching has ended.
    onWatchEnded: null,
  },

  web_world_replay_copy__deps: ['$WebWorld'],
  web_world_replay_copy: function(out, size) {
    HEAPU8.set(WebWorld.replay.subarray(0, size), out);
    WebWorld.replay = null;
  },

  web_world_watch_ended__deps: ['$WebWorld'],
  web_world_watch_ended: function() {
    if (WebWorld.onWatchEnded) WebWorld.onWatchEnded();
  },
});
