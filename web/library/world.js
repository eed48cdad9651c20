// The world table's side of the program: the stored replay the page wants
// watched (page/world.js), copied in when the program asks for it.

mergeInto(LibraryManager.library, {
  $WebWorld: {
    // The replay to watch, as bytes of UTF-8.
    replay: null,
  },

  web_world_replay_copy__deps: ['$WebWorld'],
  web_world_replay_copy: function(out, size) {
    HEAPU8.set(WebWorld.replay.subarray(0, size), out);
    WebWorld.replay = null;
  },
});
