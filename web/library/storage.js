// The program's files: the pictures and sounds the page hands over, and the
// kept files (the score table and what is kept with it), which live in a
// folder of the program's file system and are stored in the browser's
// storage of the site, in a database that is this game's alone.
//
// Several tabs of one site share that database. A save reads the kept files
// again (pull), lets the program change them in its folder, and writes what
// it changed (push) in one transaction that first checks that no other tab
// has written since the pull. A tab that was overtaken so gets its folder
// back as stored and saves again on the new files; the database's
// read-write transactions run one at a time, so every save lands whole and
// none is lost. A push that fails also puts the folder back: the program
// never shows a file that is not stored.

mergeInto(LibraryManager.library, {
  $WebStorage__deps: ['$FS', '$PATH'],
  $WebStorage: {
    // Files for the program's file system, set by the page before start:
    // [{path, data}].
    files: [],

    // The database's stores: the kept files by their names in the folder,
    // and its state: the version that every push raises, and whether a
    // table kept under the old name was moved over.
    kFiles: 'files',
    kState: 'state',
    // Where the browser form kept its table before: a database named after
    // the folder "/game", whose entries other programs on the same site may
    // share. It is read once and never changed.
    kOldDatabase: '/game',
    kOldStore: 'FILE_DATA',
    kOldTable: '/game/score.sav',
    kTableName: 'score.sav',

    // What a push says (as web_saves_push returns it).
    PUSH_FAILED: 0,
    PUSH_STORED: 1,
    PUSH_OVERTAKEN: 2,

    folder: null,
    db: null,
    // The kept files as last read from or written to the database, by
    // name (a Map, made at the start), and the version they were read at.
    stored: null,
    version: 0,

    // A request's result, or its error.
    request: function(request) {
      return new Promise(function(resolve, reject) {
        request.onsuccess = function() { resolve(request.result); };
        request.onerror = function() { reject(request.error); };
      });
    },

    // Resolves when the transaction has been committed, rejects when it
    // was not.
    finished: function(transaction) {
      return new Promise(function(resolve, reject) {
        transaction.oncomplete = function() { resolve(); };
        transaction.onabort = function() {
          reject(transaction.error || new Error('the transaction was aborted'));
        };
      });
    },

    // This game's database, made when missing.
    openDatabase: function(name) {
      var s = WebStorage;
      var request = indexedDB.open(name, 1);
      request.onupgradeneeded = function() {
        var db = request.result;
        if (!db.objectStoreNames.contains(s.kFiles)) db.createObjectStore(s.kFiles);
        if (!db.objectStoreNames.contains(s.kState)) db.createObjectStore(s.kState);
      };
      return s.request(request);
    },

    // A database that is there already, or null; one that is not there is
    // not made.
    openExisting: function(name) {
      return new Promise(function(resolve) {
        var request;
        try {
          request = indexedDB.open(name);
        } catch (e) {
          resolve(null);
          return;
        }
        request.onupgradeneeded = function(event) {
          if (event.oldVersion === 0) request.transaction.abort();
        };
        request.onsuccess = function() { resolve(request.result); };
        request.onerror = function(event) {
          event.preventDefault();
          resolve(null);
        };
      });
    },

    // The table kept under the old name, once: copied into this game's
    // database when it has no table of its own yet. The old database is
    // only read.
    moveOldTable: async function() {
      var s = WebStorage;
      var moved = await s.request(s.db.transaction(s.kState).objectStore(s.kState).get('moved'));
      if (moved) return;
      var contents = null;
      var old = await s.openExisting(s.kOldDatabase);
      if (old) {
        old.onversionchange = function() { old.close(); };
        try {
          if (old.objectStoreNames.contains(s.kOldStore)) {
            var entry = await s.request(
                old.transaction(s.kOldStore).objectStore(s.kOldStore).get(s.kOldTable));
            if (entry && entry.contents) contents = s.bytes(entry.contents);
          }
        } catch (e) {
          contents = null;
        } finally {
          old.close();
        }
      }
      var transaction = s.db.transaction([s.kFiles, s.kState], 'readwrite');
      var done = s.finished(transaction);
      var files = transaction.objectStore(s.kFiles);
      var state = transaction.objectStore(s.kState);
      // Another tab may have moved it meanwhile.
      state.get('moved').onsuccess = function(event) {
        if (event.target.result) return;
        state.put(true, 'moved');
        if (!contents) return;
        files.get(s.kTableName).onsuccess = function(event) {
          if (event.target.result !== undefined) return;
          files.put(contents, s.kTableName);
          state.get('version').onsuccess = function(event) {
            state.put((event.target.result || 0) + 1, 'version');
          };
        };
      };
      await done;
    },

    // A stored value as bytes; null when it is none.
    bytes: function(value) {
      if (value instanceof Uint8Array) return value;
      if (value instanceof ArrayBuffer) return new Uint8Array(value);
      return null;
    },

    // A name a kept file may have: a plain name, in a folder of the folder
    // at most; never one that leads out of it.
    validName: function(name) {
      return typeof name === 'string' &&
             /^[A-Za-z0-9_%-][A-Za-z0-9_.%-]*(\/[A-Za-z0-9_%-][A-Za-z0-9_.%-]*)?$/.test(name) &&
             !WebStorage.passing(name);
    },

    // The files a save makes and removes on its way (the name entry's
    // temporary file, a file about to take another's place, the lock file)
    // are not kept.
    passing: function(name) {
      return /\.(temp|new|old|lock)$/.test(name);
    },

    // The kept files now in the folder, by name.
    readFolder: function() {
      var s = WebStorage;
      var found = new Map();
      var walk = function(dir, prefix) {
        FS.readdir(dir).forEach(function(entry) {
          if (entry === '.' || entry === '..') return;
          var path = PATH.join2(dir, entry);
          var name = prefix + entry;
          var mode = FS.stat(path).mode;
          if (FS.isDir(mode) && prefix === '') {
            walk(path, name + '/');
          } else if (FS.isFile(mode) && s.validName(name)) {
            found.set(name, FS.readFile(path));
          }
        });
      };
      walk(s.folder, '');
      return found;
    },

    // Makes the folder hold `files` as its kept files: each written where it
    // differs, the others removed.
    writeFolder: function(files) {
      var s = WebStorage;
      var now = s.readFolder();
      files.forEach(function(data, name) {
        if (s.same(now.get(name), data)) return;
        var path = PATH.join2(s.folder, name);
        FS.mkdirTree(PATH.dirname(path));
        FS.writeFile(path, data);
        s.marks.set(name, s.markOf(name));
      });
      now.forEach(function(data, name) {
        if (!files.has(name)) FS.unlink(PATH.join2(s.folder, name));
      });
    },

    // What tells one version of a kept file in the folder from another
    // without reading it (a file written anew is a new node); '' when
    // there is none.
    markOf: function(name) {
      try {
        var stat = FS.stat(PATH.join2(WebStorage.folder, name));
        return stat.ino + ':' + stat.mtime.getTime() + ':' + stat.size;
      } catch (e) {
        return '';
      }
    },
    // The marks of the files as last read from or written to the database,
    // by name (a Map, made at the start).
    marks: null,

    // Whether the file `name` in the folder changed since it was last read
    // or written; cheap enough for every tick.
    changed: function(name) {
      var s = WebStorage;
      return s.db !== null && s.markOf(name) !== (s.marks.get(name) || '');
    },

    // Writes the one file `name` as it is in the folder, whatever other
    // tabs wrote (a file that is each tab's own to write, such as the last
    // session's replay, where the last write wins). False when it failed.
    put: async function(name) {
      var s = WebStorage;
      if (!s.db || !s.validName(name)) return false;
      var mark = s.markOf(name);
      try {
        var data = mark ? FS.readFile(PATH.join2(s.folder, name)) : null;
        var transaction = s.db.transaction(s.kFiles, 'readwrite');
        var done = s.finished(transaction);
        if (data) {
          transaction.objectStore(s.kFiles).put(data, name);
        } else {
          transaction.objectStore(s.kFiles).delete(name);
        }
        await done;
        if (data) {
          s.stored.set(name, data);
        } else {
          s.stored.delete(name);
        }
        s.marks.set(name, mark);
        return true;
      } catch (e) {
        console.warn('storage: ' + e);
        return false;
      }
    },

    same: function(a, b) {
      if (!a || !b || a.length !== b.length) return false;
      for (var i = 0; i < a.length; ++i) {
        if (a[i] !== b[i]) return false;
      }
      return true;
    },

    // Reads the kept files and the version, in one transaction.
    load: async function() {
      var s = WebStorage;
      var transaction = s.db.transaction([s.kFiles, s.kState]);
      var files = transaction.objectStore(s.kFiles);
      var results = await Promise.all([
        s.request(files.getAllKeys()), s.request(files.getAll()),
        s.request(transaction.objectStore(s.kState).get('version')),
      ]);
      var found = new Map();
      results[0].forEach(function(name, i) {
        var data = s.bytes(results[1][i]);
        if (s.validName(name) && data) found.set(name, data);
      });
      return {files: found, version: results[2] || 0};
    },

    // Opens the database and reads the kept files into `folder`; false when
    // the browser keeps nothing for this site.
    open: async function(folder, name) {
      var s = WebStorage;
      s.folder = folder;
      s.stored = new Map();
      s.marks = new Map();
      FS.mkdirTree(folder);
      if (typeof indexedDB == 'undefined') return false;
      try {
        s.db = await s.openDatabase(name);
      } catch (e) {
        console.warn('storage: ' + e);
        return false;
      }
      // A newer page in another tab may need the database changed.
      s.db.onversionchange = function() { s.db.close(); };
      try {
        await s.moveOldTable();
      } catch (e) {
        // Tried again at the next start; this game's own files are kept.
        console.warn('storage: the old table was not moved: ' + e);
      }
      return s.pull();
    },

    // The folder as stored now; false (the folder left as it was) when the
    // storage cannot be read.
    pull: async function() {
      var s = WebStorage;
      if (!s.db) return false;
      try {
        var loaded = await s.load();
        s.writeFolder(loaded.files);
        s.stored = loaded.files;
        s.version = loaded.version;
        return true;
      } catch (e) {
        console.warn('storage: ' + e);
        return false;
      }
    },

    // Puts the folder back as it was last read or written.
    revert: function() {
      try {
        WebStorage.writeFolder(WebStorage.stored);
      } catch (e) {
        console.warn('storage: ' + e);
      }
    },

    // Writes what changed in the folder since the pull, unless another tab
    // wrote first; anything but PUSH_STORED leaves the folder as stored.
    push: async function() {
      var s = WebStorage;
      if (!s.db) return s.PUSH_FAILED;
      var now = s.readFolder();
      var changed = [];
      now.forEach(function(data, name) {
        if (!s.same(s.stored.get(name), data)) changed.push(name);
      });
      var removed = [];
      s.stored.forEach(function(data, name) {
        if (!now.has(name)) removed.push(name);
      });
      var overtaken = false;
      try {
        var transaction = s.db.transaction([s.kFiles, s.kState], 'readwrite');
        var done = s.finished(transaction);
        var state = transaction.objectStore(s.kState);
        var files = transaction.objectStore(s.kFiles);
        state.get('version').onsuccess = function(event) {
          try {
            if ((event.target.result || 0) !== s.version) {
              overtaken = true;
              transaction.abort();
              return;
            }
            changed.forEach(function(name) { files.put(now.get(name), name); });
            removed.forEach(function(name) { files.delete(name); });
            state.put(s.version + 1, 'version');
          } catch (e) {
            transaction.abort();
          }
        };
        await done;
      } catch (e) {
        if (!overtaken) console.warn('storage: ' + e);
        s.revert();
        return overtaken ? s.PUSH_OVERTAKEN : s.PUSH_FAILED;
      }
      s.stored = now;
      changed.concat(removed).forEach(function(name) { s.marks.set(name, s.markOf(name)); });
      s.version += 1;
      return s.PUSH_STORED;
    },
  },

  // Opens this game's database `name` for the kept files of `folder` and
  // reads them into it. 0 when the browser keeps nothing for this site.
  web_saves_open__deps: ['$WebStorage', '$Asyncify'],
  web_saves_open: function(folder, name) {
    var path = UTF8ToString(folder);
    var database = UTF8ToString(name);
    return Asyncify.handleAsync(async function() {
      return await WebStorage.open(path, database) ? 1 : 0;
    });
  },

  web_saves_pull__deps: ['$WebStorage', '$Asyncify'],
  web_saves_pull: function() {
    return Asyncify.handleAsync(async function() { return await WebStorage.pull() ? 1 : 0; });
  },

  web_saves_push__deps: ['$WebStorage', '$Asyncify'],
  web_saves_push: function() {
    return Asyncify.handleAsync(function() { return WebStorage.push(); });
  },

  // Whether the kept file `name` changed in the folder since it was last
  // read or written (1) or not (0).
  web_saves_changed__deps: ['$WebStorage'],
  web_saves_changed: function(name) {
    return WebStorage.changed(UTF8ToString(name)) ? 1 : 0;
  },

  // Waits: writes the one kept file `name` as it is; 0 when that failed.
  web_saves_put__deps: ['$WebStorage', '$Asyncify'],
  web_saves_put: function(name) {
    var n = UTF8ToString(name);
    return Asyncify.handleAsync(async function() { return await WebStorage.put(n) ? 1 : 0; });
  },

  web_saves_revert__deps: ['$WebStorage'],
  web_saves_revert: function() {
    WebStorage.revert();
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
