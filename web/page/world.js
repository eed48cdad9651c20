// The world table, when the score service answers at the site's own
// address: a game started online is recorded from a seed the service chose,
// the session is offered for sending after each game over (送信), and
// 世界ランキング lists the best hundred games, each to be watched (見る).
// Served as plain files, or offline, the page shows none of this and plays
// as it always did. Names are put on the page as text only.
'use strict';

(function() {
  const kApi = 'api/v1/';
  const kStateTitle = 0;
  const kStateGameOver = 2;
  // How often the game's state is looked at, and how long to wait before
  // asking again for a session the service could not give.
  const kPollMs = 250;
  const kRetryMs = 10000;
  const kTopLimit = 100;

  const world = {
    online: false,
    // The online session: {seed, token}, `applied` once the recording
    // starts from its seed, `spent` once it cannot be sent any more.
    session: null,
    asking: false,
    askAfter: 0,
    // The session's finished games when last read, and the state then.
    games: [],
    lastLook: '',
    sending: false,
    watching: null,
  };

  // --- Elements ------------------------------------------------------------

  function make(tag, properties, children) {
    const element = document.createElement(tag);
    Object.assign(element, properties || {});
    for (const child of children || []) element.append(child);
    return element;
  }

  // A dialog like the game's own: a caption bar with a close box, a body.
  function windowDialog(id, caption) {
    const close = make('button', {type: 'button', className: 'close', textContent: '×'});
    close.setAttribute('aria-label', '閉じる');
    const body = make('div', {className: 'body'});
    const dialog = make('dialog', {id: id, className: 'window world'}, [
      make('header', {}, [make('span', {className: 'caption', textContent: caption}), close]),
      body,
    ]);
    dialog.setAttribute('aria-label', caption);
    document.body.appendChild(dialog);
    return {dialog, body, close};
  }

  function showModal(dialog) {
    if (!dialog.open) dialog.showModal();
  }

  function api(path, options) {
    return fetch(kApi + path, Object.assign({cache: 'no-store'}, options || {}));
  }

  // The service's reason for a refusal, or a reason of our own.
  async function refusal(response) {
    try {
      const answer = await response.json();
      if (answer && typeof answer.error === 'string') {
        return answer.error + (typeof answer.reason === 'string' ? '（' + answer.reason + '）' : '');
      }
    } catch (error) {
      // Not the service's JSON: said below.
    }
    return 'サーバーが答えませんでした（' + response.status + '）';
  }

  // --- The session ---------------------------------------------------------

  // The finished games of a recorded session: its seed and each game's
  // score and the name typed for it ('' when the name entry did not open,
  // was closed or left empty).
  function readSession(text) {
    let seed = null;
    let last = null;
    const games = [];
    for (const raw of text.split('\n')) {
      const line = raw.replace(/\r$/, '');
      const word = line.trim().split(/[ \t]+/)[0];
      if (word === '' || word.startsWith('#')) continue;
      if (word === 'seed' && seed === null) {
        seed = Number(line.trim().split(/[ \t]+/)[1]);
      } else if (word === 'score') {
        last = {score: Number(line.trim().split(/[ \t]+/)[1]), name: ''};
        games.push(last);
      } else if (word === 'name' && last) {
        // The game is kept under the first word typed, as the table keeps it.
        last.name = line.startsWith('name ') ? tableName(line.slice(5)) : '';
      } else if (word === 'tick') {
        last = null;
      }
    }
    return {seed, games};
  }

  // The name as the world table takes it (the game's own rules), or ''.
  function tableName(typed) {
    return Module.ccall('web_world_name', 'string', ['string'], [typed]);
  }

  async function askForSession() {
    world.asking = true;
    try {
      const response = await api('sessions', {method: 'POST'});
      if (response.status !== 201) throw new Error(await refusal(response));
      const answer = await response.json();
      if (!Number.isInteger(answer.seed) || typeof answer.token !== 'string') {
        throw new Error('no session in the answer');
      }
      world.session = {seed: answer.seed >>> 0, token: answer.token, applied: false, spent: false};
      world.lastLook = '';
    } catch (error) {
      console.warn('world table: no session: ' + error.message);
      world.askAfter = Date.now() + kRetryMs;
    }
    world.asking = false;
  }

  // At the title screen the recording starts afresh from the session's seed.
  function applySession(session) {
    return gamePage.enqueue(async function() {
      if (session.applied || Module._web_probe(0) !== kStateTitle || world.watching) return;
      if (await gamePage.call('web_online_seed', session.seed)) {
        session.applied = true;
        world.games = [];
        world.lastLook = '';
        updateSendButton();
      }
    });
  }

  function sessionText() {
    return gamePage.enqueue(function() {
      return Module.ccall('web_session_text', 'string', [], []);
    });
  }

  // Reads the session's games once the game rests at the title or its game
  // over with no dialog open, whenever that changed.
  async function lookAtGames() {
    const session = world.session;
    const text = await sessionText();
    const read = readSession(text);
    if (session !== world.session) return;
    if (read.seed !== session.seed) {
      // The recording started afresh on its own (a session hours long):
      // what this session's seed began is gone.
      session.spent = true;
      world.games = [];
    } else {
      world.games = read.games;
    }
    updateSendButton();
  }

  function poll() {
    // Once the program has ended there is nothing to send.
    if (Module._web_probe(4) !== 1) {
      sendButton.disabled = true;
      return;
    }
    if (world.watching && Module._web_probe(5) === 0) watchEnded();
    const now = Date.now();
    const session = world.session;
    if ((!session || session.spent) && !world.asking && now >= world.askAfter) {
      askForSession();
      return;
    }
    if (!session || session.spent || world.watching) return;
    const state = Module._web_probe(0);
    const resting = (state === kStateTitle || state === kStateGameOver) &&
                    document.querySelector('dialog[open]') === null;
    if (!session.applied) {
      if (state === kStateTitle) applySession(session);
      return;
    }
    const look = state + ':' + resting;
    if (resting && look !== world.lastLook) lookAtGames();
    world.lastLook = look;
    sendButton.disabled = !resting || world.games.length === 0;
  }

  // --- Sending -------------------------------------------------------------

  const sendButton = make('button', {type: 'button', id: 'send-button', title: '世界ランキングに送信',
                                     hidden: true, disabled: true});
  sendButton.innerHTML = '<svg aria-hidden="true" viewBox="0 0 16 16"><path d="M8 1 3 6h3v5h4V6h3z"/>' +
                         '<rect x="2" y="13" width="12" height="2"/></svg>';
  sendButton.append(make('span', {className: 'label', textContent: '送信'}));

  function updateSendButton() {
    const count = world.session && world.session.applied && !world.session.spent
      ? world.games.length : 0;
    sendButton.classList.toggle('offer', count > 0);
    sendButton.querySelector('.label').textContent = count > 0 ? '送信 (' + count + ')' : '送信';
    if (count === 0) sendButton.disabled = true;
  }

  const send = windowDialog('send-dialog', '世界ランキングに送信');
  const sendList = make('ol', {className: 'games'});
  const sendNameRow = make('label', {className: 'given'}, ['名前：']);
  const sendName = make('input', {type: 'text', id: 'send-name', autocomplete: 'off',
                                  spellcheck: false});
  sendNameRow.append(sendName);
  const sendNote = make('p', {className: 'note', id: 'send-note'});
  sendNote.setAttribute('role', 'status');
  const sendOk = make('button', {type: 'button', id: 'send-ok', textContent: '送信'});
  const sendCancel = make('button', {type: 'button', id: 'send-cancel', textContent: 'やめる'});
  const sendDone = make('button', {type: 'button', id: 'send-done', textContent: 'OK'});
  send.body.append(make('p', {textContent: 'このセッションのゲームを送ります。'}), sendList,
                   sendNameRow, sendNote,
                   make('div', {className: 'buttons'}, [sendOk, sendCancel, sendDone]));
  let givenName = '';

  function closeSend() {
    if (world.sending) return;
    send.dialog.close();
    world.lastLook = '';
  }
  send.close.addEventListener('click', closeSend);
  sendCancel.addEventListener('click', closeSend);
  sendDone.addEventListener('click', closeSend);
  send.dialog.addEventListener('cancel', function(event) {
    event.preventDefault();
    closeSend();
  });

  function showSendForm(games) {
    sendList.replaceChildren(...games.map(function(game) {
      return make('li', {}, [
        make('span', {className: 'score', textContent: game.score + '点'}),
        make('span', {className: 'name',
                      textContent: game.name !== '' ? game.name : '（名前なし）'}),
      ]);
    }));
    const unnamed = games.some(function(game) { return game.name === ''; });
    sendNameRow.hidden = !unnamed;
    sendName.value = givenName;
    sendNote.textContent = unnamed ? '名前を入力していないゲームは、この名前で送ります。' : '';
    sendOk.hidden = false;
    sendCancel.hidden = false;
    sendDone.hidden = true;
    sendOk.disabled = false;
  }

  async function openSend() {
    if (!gamePage.playing() || sendButton.disabled) return;
    const session = world.session;
    const read = readSession(await sessionText());
    if (!session || session.spent || read.seed !== session.seed || read.games.length === 0) return;
    world.games = read.games;
    showSendForm(read.games);
    showModal(send.dialog);
    (sendNameRow.hidden ? sendOk : sendName).focus();
  }
  sendButton.addEventListener('click', openSend);

  function finishSend(lines, spent) {
    if (spent) {
      world.session.spent = true;
      world.games = [];
      updateSendButton();
    }
    sendNote.textContent = lines.join('\n');
    sendOk.hidden = true;
    sendCancel.hidden = true;
    sendDone.hidden = false;
    sendDone.focus();
  }

  async function submit() {
    const session = world.session;
    const text = await sessionText();
    const read = readSession(text);
    if (read.seed !== session.seed || read.games.length === 0) {
      finishSend(['このセッションはもう送れません。'], true);
      return;
    }
    let query = '';
    if (read.games.some(function(game) { return game.name === ''; })) {
      const name = tableName(sendName.value);
      if (name === '') {
        sendNote.textContent = '名前を入れてください（全角7文字・半角14文字まで）。';
        sendName.focus();
        return;
      }
      givenName = name;
      query = '?name=' + encodeURIComponent(name);
    }
    world.sending = true;
    sendOk.disabled = true;
    sendNote.textContent = '送信しています…';
    let response;
    try {
      response = await api('replays' + query, {
        method: 'POST',
        headers: {'Authorization': 'Bearer ' + session.token,
                  'Content-Type': 'text/plain; charset=utf-8'},
        body: text,
      });
    } catch (error) {
      world.sending = false;
      sendOk.disabled = false;
      sendNote.textContent = '送信できませんでした：サーバーに届きませんでした。';
      return;
    }
    world.sending = false;
    if (response.status === 201) {
      let games = [];
      try {
        games = (await response.json()).games || [];
      } catch (error) {
        games = [];
      }
      finishSend(['送信しました。'].concat(games.map(function(game) {
        return game.score + '点：世界' + game.rank + '位';
      })), true);
      return;
    }
    const reason = await refusal(response);
    // A token used or no longer valid: these games can be sent no more.
    const spent = response.status === 401 || response.status === 409;
    if (spent) {
      finishSend(['送信できませんでした：' + reason], true);
    } else {
      sendOk.disabled = false;
      sendNote.textContent = '送信できませんでした：' + reason;
    }
  }
  sendOk.addEventListener('click', submit);
  sendName.addEventListener('keydown', function(event) {
    if (event.key === 'Enter' && !event.isComposing) {
      event.preventDefault();
      submit();
    }
  });

  // --- The world table and watching ------------------------------------------

  const ranking = windowDialog('world-dialog', '世界ランキング');
  const rankingNote = make('p', {className: 'note', id: 'world-note'});
  rankingNote.setAttribute('role', 'status');
  const rankingRows = make('tbody');
  const rankingOk = make('button', {type: 'button', className: 'ok', textContent: 'OK'});
  ranking.body.append(rankingNote,
                      make('div', {className: 'table'}, [make('table', {}, [
                        make('thead', {}, [make('tr', {}, ['順位', '名前', '点数', '日時', ''].map(
                          function(title) { return make('th', {textContent: title}); }))]),
                        rankingRows,
                      ])]),
                      make('div', {className: 'buttons'}, [rankingOk]));
  ranking.close.addEventListener('click', function() { ranking.dialog.close(); });
  rankingOk.addEventListener('click', function() { ranking.dialog.close(); });

  function shownTime(iso) {
    const time = new Date(iso);
    if (isNaN(time)) return '';
    const two = function(n) { return String(n).padStart(2, '0'); };
    return time.getFullYear() + '/' + two(time.getMonth() + 1) + '/' + two(time.getDate()) + ' ' +
           two(time.getHours()) + ':' + two(time.getMinutes());
  }

  async function openRanking() {
    rankingRows.replaceChildren();
    rankingNote.textContent = '読み込み中…';
    showModal(ranking.dialog);
    rankingOk.focus();
    let scores;
    try {
      const response = await api('top?limit=' + kTopLimit);
      if (!response.ok) throw new Error(await refusal(response));
      scores = (await response.json()).scores;
      if (!Array.isArray(scores)) throw new Error('一覧がありません');
    } catch (error) {
      rankingNote.textContent = '世界ランキングを読み込めませんでした：' + error.message;
      return;
    }
    rankingNote.textContent = scores.length === 0 ? 'まだ誰も載っていません。' : '';
    rankingRows.replaceChildren(...scores.map(function(row) {
      const watchButton = make('button', {type: 'button', className: 'watch', textContent: '見る'});
      watchButton.addEventListener('click', function() { watch(row); });
      return make('tr', {}, [
        make('td', {className: 'rank', textContent: row.rank + '位'}),
        make('td', {className: 'name', textContent: String(row.name)}),
        make('td', {className: 'score', textContent: String(row.score)}),
        make('td', {className: 'time', textContent: shownTime(row.time)}),
        make('td', {}, [watchButton]),
      ]);
    }));
  }

  // A replay playing on the canvas, as the page plays a kept one (Enter
  // pauses, F runs it fast, Esc ends it): a bar over the picture says whose,
  // and ends it. The player's game waits at its title meanwhile.
  const watchBar = make('div', {id: 'watch-bar', hidden: true});
  const watchText = make('span', {className: 'text'});
  const watchStop = make('button', {type: 'button', id: 'watch-stop', textContent: '見終わる'});
  watchBar.append(watchText, watchStop);
  document.getElementById('frame').appendChild(watchBar);
  watchStop.addEventListener('click', function() {
    if (world.watching) gamePage.enqueue(function() { return gamePage.call('web_escape'); });
  });

  function watchEnded() {
    world.watching = null;
    watchBar.hidden = true;
    world.lastLook = '';
  }

  async function watch(row) {
    rankingNote.textContent = 'リプレイを読み込み中…';
    let bytes;
    let first;
    try {
      const response = await api('replays/' + encodeURIComponent(row.id), {cache: 'default'});
      if (!response.ok) throw new Error(await refusal(response));
      // The game's place among its session's games, 1 the first.
      first = Number(response.headers.get('X-Game-Index') || 1) - 1;
      bytes = new Uint8Array(await response.arrayBuffer());
    } catch (error) {
      rankingNote.textContent = 'リプレイを読み込めませんでした：' + error.message;
      return;
    }
    ranking.dialog.close();
    watchText.textContent = row.rank + '位　' + row.name + '　' + row.score + '点';
    const started = await gamePage.enqueue(function() {
      Module.web.world.replay = bytes;
      return gamePage.call('web_watch_start', bytes.length,
                           Number.isInteger(first) && first > 0 ? first : 0);
    });
    if (started === 1) {
      world.watching = row;
      watchBar.hidden = false;
    } else if (started === -1) {
      rankingNote.textContent = 'リプレイはタイトル画面で見られます。';
      showModal(ranking.dialog);
    }
  }

  // --- Start -----------------------------------------------------------------

  // The service answers the top list's address with its JSON; a site of
  // plain files has no such file.
  async function serviceAnswers() {
    if (!navigator.onLine) return false;
    try {
      const response = await api('top?limit=1');
      if (!response.ok) return false;
      const answer = await response.json();
      return answer !== null && Array.isArray(answer.scores);
    } catch (error) {
      return false;
    }
  }

  async function start() {
    if (!window.gamePage || !await gamePage.booted) return;
    if (!await serviceAnswers()) return;
    world.online = true;
    const item = make('button', {type: 'button', innerHTML: '世界ランキング(<u>W</u>)'});
    item.setAttribute('role', 'menuitem');
    item.dataset.key = 'w';
    item.id = 'world-item';
    item.addEventListener('menucommand', openRanking);
    gamePage.addMenuItem(0, item);
    const controls = document.getElementById('controls');
    controls.insertBefore(sendButton, controls.firstChild);
    sendButton.hidden = false;
    setInterval(poll, kPollMs);
    poll();
  }

  // What the page's tests look at.
  window.worldTable = {world: world, started: start()};
})();
