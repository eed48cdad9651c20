// The kept replays in the page: their list (watch a replay, save its file,
// or open a file from the player's disk), a replay's file handed to the
// player as a download, and a replay named by the page's link
// (#watch=URL, on the page's own site). A file read here goes into the
// program's files, where the program reads it as it reads any replay.

mergeInto(LibraryManager.library, {
  $WebReplays__deps: ['$WebDialogs', '$FS'],
  $WebReplays: {
    // The most a replay file may hold (as the program reads it).
    kMaxBytes: 1 << 20,
    dialog: null,

    // The list's dialog, made anew each time (so that no listener of an
    // earlier showing stays).
    makeDialog: function() {
      if (WebReplays.dialog) WebReplays.dialog.remove();
      var dialog = document.createElement('dialog');
      dialog.id = 'replays-dialog';
      dialog.className = 'window';
      dialog.setAttribute('aria-labelledby', 'replays-caption');
      dialog.innerHTML =
          '<header><span class="caption" id="replays-caption">リプレイ</span>' +
          '<button type="button" class="close" aria-label="閉じる">×</button></header>' +
          '<div class="body">' +
          '<table class="replays"><tbody></tbody></table>' +
          '<p class="none" hidden>見られるリプレイはまだありません</p>' +
          '<div class="buttons">' +
          '<label class="open"><input type="file" accept=".replay,text/plain" hidden>' +
          '<span role="button" tabindex="0">ファイルから見る…</span></label>' +
          '<button type="button" class="ok">閉じる</button></div></div>';
      document.body.appendChild(dialog);
      WebReplays.dialog = dialog;
      return dialog;
    },

    dateText: function(seconds) {
      if (!seconds) return '';
      var d = new Date(seconds * 1000);
      var two = function(n) { return String(n).padStart(2, '0'); };
      return d.getFullYear() + '/' + two(d.getMonth() + 1) + '/' + two(d.getDate()) + ' ' +
             two(d.getHours()) + ':' + two(d.getMinutes());
    },

    // Shows the kept replays ({place, score, name, time}, place 0 for the
    // last session's) and resolves with what the player chose:
    // {action: 'watch' | 'save', index}, {action: 'file'} once a chosen
    // file is at `filePath`, or {action: 'close'}.
    list: function(rows, filePath) {
      var r = WebReplays;
      var dialog = r.makeDialog();
      var body = dialog.querySelector('tbody');
      body.textContent = '';
      var buttons = [];
      var answers = [];
      rows.forEach(function(row, index) {
        var line = document.createElement('tr');
        line.className = 'replay';
        var cells = [row.place ? row.place + '位' : '前回', row.place ? String(row.score) : '',
                     row.name, r.dateText(row.time)];
        cells.forEach(function(text) {
          var cell = document.createElement('td');
          cell.textContent = text;
          line.appendChild(cell);
        });
        [['見る', 'watch'], ['保存', 'save']].forEach(function(pair) {
          var cell = document.createElement('td');
          var button = document.createElement('button');
          button.type = 'button';
          button.className = pair[1];
          button.textContent = pair[0];
          cell.appendChild(button);
          line.appendChild(cell);
          buttons.push(button);
          answers.push({action: pair[1], index: index});
        });
        body.appendChild(line);
      });
      dialog.querySelector('.none').hidden = rows.length > 0;
      buttons.push(dialog.querySelector('.ok'), dialog.querySelector('.close'));
      answers.push({action: 'close'}, {action: 'close'});
      var input = dialog.querySelector('input[type=file]');
      var opener = dialog.querySelector('.open span');
      opener.onclick = function() { input.click(); };
      opener.onkeydown = function(event) {
        if (event.key === 'Enter' || event.key === ' ') {
          event.preventDefault();
          input.click();
        }
      };
      input.value = '';
      WebDialogs.open(dialog);
      (buttons[0] || dialog.querySelector('.ok')).focus();
      var picked = new Promise(function(resolve) {
        input.onchange = async function() {
          var file = input.files && input.files[0];
          if (!file) return;
          resolve({action: 'file', result: await r.store(file, filePath)});
        };
      });
      var chosen = WebDialogs.choose(dialog, buttons).then(function(i) { return answers[i]; });
      return Promise.race([chosen, picked]).then(function(answer) {
        input.onchange = null;
        WebDialogs.close(dialog);
        return answer;
      });
    },

    // Puts a file or a fetched body at `path`, within the size a replay may
    // have. 1 when it is there; 0 when it is too large; -1 when it could
    // not be read.
    store: async function(source, path) {
      var r = WebReplays;
      try {
        if (typeof source.size === 'number' && source.size > r.kMaxBytes) return 0;
        var bytes = new Uint8Array(await source.arrayBuffer());
        if (bytes.length > r.kMaxBytes) return 0;
        FS.writeFile(path, bytes);
        return 1;
      } catch (e) {
        console.warn('replay: ' + e);
        return -1;
      }
    },

    // The replay the page's link names (#watch=URL, a URL on the page's own
    // site), put at `path`. 2 when there is none; 1 when it is there; 0
    // when it is too large; -1 when it could not be fetched; -2 when the
    // link names another site or no URL at all.
    fetchLinked: async function(path) {
      var hash = location.hash;
      if (!hash.startsWith('#watch=')) return 2;
      var url;
      try {
        url = new URL(decodeURIComponent(hash.slice('#watch='.length)), location.href);
      } catch (e) {
        return -2;
      }
      if (url.origin !== location.origin) return -2;
      try {
        var response = await fetch(url.href, {credentials: 'same-origin', redirect: 'error'});
        if (!response.ok) return -1;
        var length = Number(response.headers.get('Content-Length'));
        if (length > WebReplays.kMaxBytes) return 0;
        return await WebReplays.store(await response.blob(), path);
      } catch (e) {
        console.warn('replay: ' + e);
        return -1;
      }
    },

    // Hands `text` to the player as a file named `name`.
    download: function(name, text) {
      var link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([text], {type: 'text/plain'}));
      link.download = name;
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function() { URL.revokeObjectURL(link.href); }, 60000);
    },
  },

  // Shows the kept replays (one a line: place, score, name, time, with tabs
  // between) and waits: index * 4 + 1 to watch one, index * 4 + 2 to save
  // its file; -1 closed; -2 a file from the player's disk is at `filePath`,
  // -3 it was too large, -4 it could not be read.
  web_replay_list_run__deps: ['$WebReplays', '$Asyncify'],
  web_replay_list_run: function(lines, filePath) {
    var rows = UTF8ToString(lines).split('\n').filter(function(l) { return l !== ''; })
        .map(function(line) {
          var f = line.split('\t');
          return {place: Number(f[0]), score: Number(f[1]), name: f[2], time: Number(f[3])};
        });
    var path = UTF8ToString(filePath);
    return Asyncify.handleAsync(async function() {
      var answer = await WebReplays.list(rows, path);
      if (answer.action === 'watch') return answer.index * 4 + 1;
      if (answer.action === 'save') return answer.index * 4 + 2;
      if (answer.action === 'file') return [-3, -2][answer.result] || -4;
      return -1;
    });
  },

  // Waits: the replay the page's link names, at `path` (see fetchLinked).
  web_replay_fetch_linked__deps: ['$WebReplays', '$Asyncify'],
  web_replay_fetch_linked: function(path) {
    var p = UTF8ToString(path);
    return Asyncify.handleAsync(function() { return WebReplays.fetchLinked(p); });
  },

  web_replay_download__deps: ['$WebReplays'],
  web_replay_download: function(name, text, size) {
    WebReplays.download(UTF8ToString(name), HEAPU8.slice(text, text + size));
  },
});
