// The page's side of keeping and replaying games (app/records_web.cpp has the program's):
//  - "Open game…" in the menu asks for a .psq or SGF file through the browser's file chooser; a
//    file dropped on the page opens the same way. The file's bytes go to the game as they are,
//    whose reader judges them: a record it refuses is said under the board with the reader's
//    words (what, and on which line or move), and the game stays as it was. Not in an online
//    game, which a game opened for review would end.
//  - Each game that ends (a five, or a full board) is kept in localStorage under
//    gomoku3d.recent as its SGF, which carries the rule and the opening as a .psq does not; the
//    last 50, newest first. A game opened from a file or from the list is not kept again, nor is a
//    game already in the list (stepping back from its end and forward again, or taking back the
//    last stone and placing it again, ends the same game twice); a game that cannot be a record
//    (a stone placed over another with Cheat) is not kept at all. "Recent games" in the menu
//    lists them with their date, rule, moves and result: one opens for review, and Clear
//    forgets them all. Storage that is full or switched off leaves the list to this page's life,
//    and the list says so.
//  - The review buttons under the status line (First move, Previous move, Next move, Last move,
//    and Play on from here while the game is shown before its end) send the game the keys
//    Home, Page Up, Page Down and End, and choose the menu's "Play on from here"; they show while
//    there is a game with moves and no online game. Their room under the board is kept whether
//    they show or not (index.html), so that the board does not move when they appear.
// Module.records: frame(), which the page calls with each status of the game; text(), the
// window's game as SGF; open(bytes, name), the way in for records (the file chooser, a drop, the
// list), which returns why a record was refused or ""; and kept(), the list as it stands.
mergeInto(LibraryManager.library, {
  $gomokuRecords__postset: 'gomokuRecords();',
  $gomokuRecords: function() {
    var KEPT = 50, STORE = 'gomoku3d.recent', RECORD_MAX = 1 << 20; // core/record.h's limit
    var OPEN_GAME = 110, RECENT_GAMES = 111; // app/records_web.h
    var GLUT_KEY_PAGE_UP = 104, GLUT_KEY_PAGE_DOWN = 105, GLUT_KEY_HOME = 106, GLUT_KEY_END = 107;
    var RULES = {freestyle: 'Freestyle', standard: 'Exactly five', renju: 'Renju'};
    var byId = function(id) { return document.getElementById(id); };
    var review = byId('review'), message = byId('record-message'), chooser = byId('record-file');
    var dialog = byId('recent'), list = byId('recent-list'), note = byId('recent-note');
    var canvas = Module['canvas'];
    if (!review || !dialog || !chooser) return; // a page without them (a benchmark's)
    var buttons = {first: byId('first-move'), back: byId('previous-move'), forward: byId('next-move'),
                   last: byId('last-move'), playOn: byId('play-on')};

    // The kept games, newest first: {when: milliseconds since 1970, sgf: the record}.
    var games = [], storing = true;
    try {
      var stored = JSON.parse(localStorage.getItem(STORE) || '[]');
      if (Array.isArray(stored))
        games = stored.filter(function(game) {
          return game && typeof game.sgf == 'string' && typeof game.when == 'number';
        }).slice(0, KEPT);
    } catch (e) {
      // A list that is not one (written by hand, or cut short) is started afresh; storage that
      // cannot be read at all keeps nothing.
      storing = !(e instanceof DOMException) && !(e instanceof TypeError);
    }
    function store() {
      try {
        localStorage.setItem(STORE, JSON.stringify(games));
        storing = true;
      } catch (e) {
        storing = false; // full, or switched off: the list lasts as long as the page
      }
    }
    // The game a record holds, whatever its date and the moves' times: one game is kept once.
    function sameGame(sgf) { return sgf.replace(/DT\[[^\]]*\]|MS\[\d*\]/g, ''); }
    // "2026-05-01 14:32 · Renju · 37 moves · Black won", from the record's own properties.
    function summary(game) {
      var sgf = game.sgf, when = new Date(game.when), two = function(n) { return (n < 10 ? '0' : '') + n; };
      var rule = (/RU\[([^\]]*)\]/.exec(sgf) || [])[1], result = (/RE\[([^\]]*)\]/.exec(sgf) || [])[1] || '';
      var moves = (sgf.match(/;[BW]\[/g) || []).length;
      return [when.getFullYear() + '-' + two(when.getMonth() + 1) + '-' + two(when.getDate()) + ' ' +
                  two(when.getHours()) + ':' + two(when.getMinutes()),
              (RULES[rule] || 'Freestyle') + (/OP\[swap2\]/.test(sgf) ? ', swap2' : ''),
              moves + (moves == 1 ? ' move' : ' moves'),
              result == '0' ? 'a draw' : /^B\+/.test(result) ? 'Black won' : /^W\+/.test(result) ? 'White won' :
                                                                                  'not finished'].join(' · ');
    }

    function text() { return ABORT ? '' : UTF8ToString(_gomokuWindowRecord()); }
    function online() { return !ABORT && (_gomokuReviewState() >> 20 & 1) == 1; }
    // What the page says of records, under the board, until the game next changes.
    var saidAt = null;
    function tell(words) {
      message.textContent = words;
      saidAt = words ? [_gomokuReviewState(), _gomokuBoardVersion()].join() : null;
    }
    var openedGame = null; // the game last opened, which is not kept when its end is shown
    function open(bytes, name) {
      if (ABORT) return 'the game has stopped';
      var why = '';
      if (online()) why = 'an online game is on: leave it first';
      else if (bytes.length > RECORD_MAX) why = 'it is larger than a record can be (1 MB)';
      else {
        var at = _gomokuRecordBuffer(bytes.length);
        HEAPU8.set(bytes, at); // after the call: it may have grown the memory
        why = UTF8ToString(_gomokuOpenRecord());
      }
      if (!why) openedGame = sameGame(text());
      tell(why ? name + ' cannot be opened: ' + why + '.' : 'Opened ' + name + '.');
      frame();
      return why;
    }
    function openFile(file) {
      if (file.size > RECORD_MAX) return open({length: file.size}, file.name);
      file.arrayBuffer().then(function(bytes) { open(new Uint8Array(bytes), file.name); },
                              function() { tell(file.name + ' cannot be opened: the browser could not read it.'); });
    }
    chooser.addEventListener('change', function() {
      if (chooser.files.length) openFile(chooser.files[0]);
      chooser.value = ''; // the same file chosen again is opened again
    });
    // A file dropped anywhere on the page; the browser would open it in place of the page.
    function carriesFiles(event) {
      return event.dataTransfer && Array.prototype.indexOf.call(event.dataTransfer.types, 'Files') >= 0;
    }
    window.addEventListener('dragover', function(event) {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = ABORT ? 'none' : 'copy';
    });
    window.addEventListener('drop', function(event) {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      if (!ABORT && event.dataTransfer.files.length) openFile(event.dataTransfer.files[0]);
    });

    // The list.
    function showList() {
      list.textContent = '';
      games.forEach(function(game) {
        var item = document.createElement('li'), button = document.createElement('button');
        button.type = 'button';
        button.className = 'recent-game';
        button.textContent = summary(game);
        button.addEventListener('click', function() {
          var why = open(new TextEncoder().encode(game.sgf), 'The game of ' + summary(game).split(' · ')[0]);
          if (why) note.textContent = message.textContent;
          else dialog.close();
        });
        item.appendChild(button);
        list.appendChild(item);
      });
      note.textContent = (games.length ? '' : 'No game has ended yet: each one that ends with a five or a full board is kept here. ') +
                         (storing ? '' : 'This browser does not let the page keep them, so the list lasts until the page is closed.');
      byId('recent-clear').disabled = games.length == 0;
    }
    byId('recent-clear').addEventListener('click', function() {
      games = [];
      store();
      showList();
    });
    byId('recent-close').addEventListener('click', function() { dialog.close(); });
    dialog.addEventListener('close', function() { if (!ABORT) canvas.focus({focusVisible: false}); });

    // The page's menu entries (platform/web/menu.js hands them here).
    Module['pageMenuChosen'] = function(value) {
      if (ABORT) return;
      if (value == OPEN_GAME) {
        if (online()) return tell('Open game is not for online games: leave the online game first.');
        chooser.click();
      } else if (value == RECENT_GAMES) {
        showList();
        dialog.showModal();
      }
    };

    // The review buttons: the keys' own way into the game, and the menu's Play on.
    function act(button, action) {
      button.addEventListener('click', function(event) {
        if (ABORT) return;
        action();
        // A press by the pointer leaves the keys with the board; by the keyboard, on the button.
        if (event.detail > 0) canvas.focus({focusVisible: false});
        frame();
      });
    }
    act(buttons.first, function() { Module['gameInput'].turn(GLUT_KEY_HOME); });
    act(buttons.back, function() { Module['gameInput'].turn(GLUT_KEY_PAGE_UP); });
    act(buttons.forward, function() { Module['gameInput'].turn(GLUT_KEY_PAGE_DOWN); });
    act(buttons.last, function() { Module['gameInput'].turn(GLUT_KEY_END); });
    act(buttons.playOn, function() { _gomokuPlayOn(); });

    // With each status of the game: the buttons as it stands, and a game that has just ended kept.
    var seen = null;
    function frame() {
      if (ABORT) return;
      var state = _gomokuReviewState(), now = [state, _gomokuBoardVersion()].join();
      if (now == seen) return;
      seen = now;
      var shown = state & 0x3FF, total = state >> 10 & 0x3FF;
      // An online game has its own panel under the board and steps through nothing: the row's
      // room goes to the panel while it lasts.
      var isOnline = (state >> 20 & 1) == 1;
      if (review.hidden != isOnline) {
        review.hidden = isOnline;
        if (typeof fit == 'function') fit();
      }
      review.classList.toggle('shown', total > 0 && !isOnline);
      buttons.first.disabled = buttons.back.disabled = shown == 0;
      buttons.forward.disabled = buttons.last.disabled = shown == total;
      buttons.playOn.classList.toggle('shown', shown < total);
      if (saidAt && saidAt != now) tell('');
      if (state >> 21 & 1) keep();
    }
    function keep() {
      var sgf = text(), game = sgf && sameGame(sgf);
      if (!sgf || game == openedGame || games.some(function(kept) { return sameGame(kept.sgf) == game; })) return;
      games.unshift({when: Date.now(), sgf: sgf});
      games.splice(KEPT);
      store();
      if (dialog.open) showList();
    }

    Module['records'] = {
      frame: frame,
      text: text,
      open: open,
      kept: function() { return games.slice(); }
    };
  },
  // The program's call that brings the page's side in (app/records_web.cpp): it sets itself up
  // when the program loads, and the call itself has nothing left to do.
  gomokuRecordsStart__deps: ['$gomokuRecords'],
  gomokuRecordsStart: function() {},
});
