// The program's files: the pictures and sounds the page hands over, and the
// score files, kept in the browser's storage of the site the page comes
// from.

mergeInto(LibraryManager.library, {
  $WebStorage__deps: ['$FS', '$IDBFS', '$PATH'],
  $WebStorage: {
    // Files for the program's file system, set by the page before start:
    // [{path, data}].
    files: [],
    mounted: false,

    // Copies between the program's files and the browser's storage (from it
    // with `populate`); resolves with whether that worked.
    syncfs: function(populate) {
      return new Promise(function(resolve) {
        FS.syncfs(populate, function(error) { resolve(!error); });
      });
    },

    // Only the plain files right in the mounted folder (the score files) are
    // kept in the browser's storage; the pictures and sounds below it are
    // not.
    keepOnlyTopFiles: function() {
      if (IDBFS.webOnlyTopFiles) return;
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
    },
  },

  // Mounts the browser's storage at `dir` and reads what it holds. 0 when
  // there is no storage.
  web_saves_mount__deps: ['$WebStorage', '$Asyncify'],
  web_saves_mount: function(dir) {
    var path = UTF8ToString(dir);
    return Asyncify.handleAsync(async function() {
      FS.mkdirTree(path);
      if (typeof indexedDB == 'undefined') return 0;
      WebStorage.keepOnlyTopFiles();
      try {
        FS.mount(IDBFS, {}, path);
      } catch (e) {
        return 0;
      }
      WebStorage.mounted = await WebStorage.syncfs(true);
      return WebStorage.mounted ? 1 : 0;
    });
  },

  // Writes what changed to the browser's storage; 0 when it failed.
  web_saves_flush__deps: ['$WebStorage', '$Asyncify'],
  web_saves_flush: function() {
    return Asyncify.handleAsync(function() {
      if (!WebStorage.mounted) return Promise.resolve(0);
      return WebStorage.syncfs(false).then(function(ok) { return ok ? 1 : 0; });
    });
  },

  // Puts the page's files (pictures and sounds) under `dir`.
  web_install_files__deps: ['$WebStorage'],
  web_install_files: function(dir) {
    var root = UTF8ToString(dir);
    try {
      WebStorage.files.forEach(function(file) {
        var path = PATH.join2(root, file.path);
        FS.mkdirTree(PATH.dirname(path));
        FS.writeFile(path, file.data);
      });
    } catch (e) {
      return 0;
    }
    WebStorage.files = [];
    return 1;
  },
});
