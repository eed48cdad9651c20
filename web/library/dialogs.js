// The game's dialogs as HTML dialogs on the page: the message boxes, the
// top five and the name entry. Each waits for the player: the game's thread
// is suspended meanwhile (Asyncify) and the page goes on drawing.

mergeInto(LibraryManager.library, {
  $WebDialogs: {
    element: function(id) { return document.getElementById(id); },

    // Opens a dialog modally. The browser's own Esc never closes it: each
    // dialog decides what Esc does (most do nothing).
    open: function(dialog) {
      dialog.oncancel = function(event) { event.preventDefault(); };
      dialog.onkeydown = function(event) {
        if (event.key == 'Escape') event.preventDefault();
      };
      if (!dialog.open) dialog.showModal();
    },

    close: function(dialog) {
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
      var d = WebDialogs;
      var dialog = d.element('message-dialog');
      dialog.querySelector('.caption').textContent = caption;
      dialog.querySelector('.text').textContent = text;
      var ok = d.element('message-ok');
      var yes = d.element('message-yes');
      var no = d.element('message-no');
      ok.hidden = yesNo;
      yes.hidden = !yesNo;
      no.hidden = !yesNo;
      var buttons = yesNo ? [yes, no] : [ok];
      buttons.push(dialog.querySelector('.close'));
      d.open(dialog);
      buttons[0].focus();
      var index = await d.choose(dialog, buttons, function(event) {
        var key = event.key.toLowerCase();
        if (yesNo && key == 'y') return 0;
        if (yesNo && key == 'n') return 1;
        return event.key == 'Escape' ? buttons.length - 1 : -1;
      });
      d.close(dialog);
      return index == 0 ? 1 : 0;
    },

    // The top five: OK or the close box end it; Esc does nothing.
    listDialog: async function(rows) {
      var d = WebDialogs;
      var dialog = d.element('list-dialog');
      var items = dialog.querySelectorAll('.row');
      for (var i = 0; i < items.length; ++i) items[i].textContent = rows[i] || '';
      var ok = dialog.querySelector('.ok');
      d.open(dialog);
      ok.focus();
      await d.choose(dialog, [ok, dialog.querySelector('.close')], null);
      d.close(dialog);
      // Back to the name entry, if it is open below.
      if (d.element('name-dialog').open) d.element('name-input').focus();
    },

    // The name entry: the place earned and the name, OK (or Enter in the
    // name), the list button and the close box; Esc does nothing.
    nameDialog: {
      open: function(placeText, name) {
        var d = WebDialogs;
        var dialog = d.element('name-dialog');
        d.element('place-text').textContent = placeText;
        var input = d.element('name-input');
        input.value = name;
        d.open(dialog);
        input.focus();
        input.select();
      },
      // 1: OK, 2: the list button, 0: the close box.
      wait: function() {
        var d = WebDialogs;
        var dialog = d.element('name-dialog');
        var input = d.element('name-input');
        var buttons = [d.element('name-ok'), d.element('name-list'),
                       dialog.querySelector('.close')];
        return d.choose(dialog, buttons, function(event) {
          // Not while an input method is composing a word.
          return event.key == 'Enter' && event.target === input && !event.isComposing ? 0 : -1;
        }).then(function(index) { return [1, 2, 0][index]; });
      },
      close: function() {
        WebDialogs.close(WebDialogs.element('name-dialog'));
      },
    },
  },

  web_message_box__deps: ['$WebDialogs', '$Asyncify'],
  web_message_box: function(caption, text, yesNo) {
    var c = UTF8ToString(caption);
    var t = UTF8ToString(text);
    return Asyncify.handleAsync(function() { return WebDialogs.messageBox(c, t, yesNo != 0); });
  },

  web_name_dialog_open__deps: ['$WebDialogs'],
  web_name_dialog_open: function(placeText, name) {
    WebDialogs.nameDialog.open(UTF8ToString(placeText), UTF8ToString(name));
  },

  web_name_dialog_wait__deps: ['$WebDialogs', '$Asyncify'],
  web_name_dialog_wait: function() {
    return Asyncify.handleAsync(function() { return WebDialogs.nameDialog.wait(); });
  },

  // The typed name as UTF-8, cut to fit `size` bytes.
  web_name_dialog_text__deps: ['$WebDialogs'],
  web_name_dialog_text: function(out, size) {
    stringToUTF8(WebDialogs.element('name-input').value, out, size);
  },

  web_name_dialog_close__deps: ['$WebDialogs'],
  web_name_dialog_close: function() {
    WebDialogs.nameDialog.close();
  },

  // Shows the five rows (UTF-8, one a line) and waits for OK.
  web_list_dialog_run__deps: ['$WebDialogs', '$Asyncify'],
  web_list_dialog_run: function(rows) {
    var text = UTF8ToString(rows).split('\n');
    return Asyncify.handleAsync(function() { return WebDialogs.listDialog(text); });
  },
});
