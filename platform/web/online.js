// The page's side of the online game (app/online_session_web.cpp has the program's): the
// connection to the server, the seats' secrets, and the panel with the link to send.
//  - The connection is the browser's WebSocket to /ws on the page's own host and port (wss when
//    the page came over https). Each text frame is read with JSON.parse, and its fields checked
//    for their kinds (a string, a small integer, a list of points, one of the protocol's words)
//    before the program gets them; anything else is unreadable, and the program checks the
//    values against the game.
//  - A seat's secret is kept in localStorage under gomoku3d.seat.ID, so that a reload or another
//    tab of this browser is the same player; the page's address carries the game (?game=ID) as
//    soon as it has one, and a reload joins it again.
//  - The panel under the status line shows the link to the game with a Copy button, and the
//    system's share sheet where the browser has one (navigator.share, on phones); a "Leave online
//    game" button; Allow and Refuse when the other player asks to take back a move; Accept the
//    draw and Decline when the other offers a draw; Rematch once the game is over; or why online
//    play did not start.
// Module.online: what the program calls (connect, send, disconnect, loadSecret, storeSecret,
// forgetSecret, changed, addressGame), and read(text), the check of one frame, which the tests
// use too. The page's status line takes Module.onlineStatus while an online game is on.
mergeInto(LibraryManager.library, {
  $gomokuOnline__postset: 'gomokuOnline();',
  $gomokuOnline: function() {
    var MESSAGE_MAX = 4096, NUMBER_LIMIT = 1 << 20;
    var socket = null, timer = 0;
    var serverLinks = {}; // by game: the link the server gives, made from its public address
    var ROLES = {waiting: 1, black: 2, white: 3, watcher: 4}; // as OnlineRole numbers them
    var PRESENCES = {empty: 0, present: 1, away: 2};
    var COLOURS = {black: 0, white: 1};
    // As the program numbers them (engine::Rule, the openings, the swap2 choices).
    var RULES = {freestyle: 0, 'exactly-five': 1, renju: 2}, OPENINGS = {free: 0, swap2: 1};
    var CHOICES = {white: 1, black: 2, two: 3};
    var ENDINGS = {five: 1, 'full-board': 2, resignation: 3, agreement: 4, time: 5}; // ENDING_

    // Calls the program, unless it has stopped (Esc, or a failure), and then drops the
    // connection for good.
    function call(name, types, args) {
      if (ABORT) {
        disconnect();
        return;
      }
      ccall(name, null, types, args);
    }

    // The checks of kinds, field by field: each returns undefined for a field of the wrong kind.
    function word(value, words) { return typeof value == 'string' && words.hasOwnProperty(value) ? words[value] : undefined; }
    function text(value) { return typeof value == 'string' ? value : undefined; }
    function integer(value) {
      return Number.isInteger(value) && value > -NUMBER_LIMIT && value < NUMBER_LIMIT ? value : undefined;
    }
    // A time in milliseconds, 0 to a week.
    function milliseconds(value) {
      return Number.isInteger(value) && value >= 0 && value <= 7 * 24 * 3600 * 1000 ? value : undefined;
    }
    // The clocks of a state or a move, as gomokuOnlineClock takes them: [timed, control, black,
    // white, running, stopped]; [0, ...] for none; undefined for clocks that are not.
    function clockArgs(c) {
      if (c === undefined || c === null) return [0, '', 0, 0, -1, 0];
      if (typeof c != 'object' || typeof c.control != 'string' || !/^[0-9]{1,3}\+[0-9]{1,2}$/.test(c.control))
        return undefined;
      var running = c.running === null ? -1 : word(c.running, COLOURS);
      var stopped = c.stopped === undefined ? 0 : milliseconds(c.stopped);
      var args = [1, c.control, milliseconds(c.black), milliseconds(c.white), running, stopped];
      return args.every(function(v) { return v !== undefined; }) ? args : undefined;
    }
    var CLOCK_TYPES = ['number', 'string', 'number', 'number', 'number', 'number'];
    // A rated game's players and the number watching, as gomokuOnlinePlayers takes them:
    // [black's name, rating, white's name, rating, watchers]; undefined for fields that are not.
    function playersArgs(m) {
      var watchers = m.watchers === undefined ? -1 : integer(m.watchers);
      if (watchers === undefined || watchers < -1) return undefined;
      if (m.players === undefined || m.players === null) return ['', 0, '', 0, watchers];
      var p = m.players;
      if (typeof p != 'object' || !p.black || !p.white) return undefined;
      var args = [text(p.black.name), integer(p.black.rating), text(p.white.name), integer(p.white.rating), watchers];
      if (!args.every(function(v) { return v !== undefined; }) || !args[0] || !args[2] ||
          args[0].length > 64 || args[2].length > 64) return undefined;
      return args;
    }
    var PLAYERS_TYPES = ['string', 'number', 'string', 'number', 'number'];
    // A list of [row, column] pairs as bytes; a number that is no byte becomes 255, off the board.
    function points(value) {
      if (!Array.isArray(value)) return undefined;
      var bytes = new Uint8Array(2 * value.length);
      for (var i = 0; i < value.length; i++) {
        var point = value[i];
        if (!Array.isArray(point) || point.length != 2 || integer(point[0]) === undefined || integer(point[1]) === undefined)
          return undefined;
        bytes[2 * i] = point[0] >= 0 && point[0] < 255 ? point[0] : 255;
        bytes[2 * i + 1] = point[1] >= 0 && point[1] < 255 ? point[1] : 255;
      }
      return bytes;
    }
    // The link to the game the server offers (its --public-url), when it is one: http or https,
    // nothing a link could not carry, and this very game's.
    function linkOf(m) {
      var l = m.link;
      return typeof l == 'string' && l.length <= 300 && /^https?:\/\/[^\s"'<>\\?#]+\?game=[a-z0-9-]+$/.test(l) &&
             l.slice(-(m.game.length + 6)) == '?game=' + m.game ? l : '';
    }
    // One frame: [the program's function, its argument types, its arguments, and for created and
    // joined the server's link to the game], or null when the frame is not a message of the
    // protocol.
    function read(data) {
      if (typeof data != 'string' || lengthBytesUTF8(data) > MESSAGE_MAX) return null;
      var m;
      try {
        m = JSON.parse(data);
      } catch (e) {
        return null;
      }
      if (!m || typeof m != 'object' || Array.isArray(m) || typeof m.type != 'string') return null;
      var all = function(values) { return values.every(function(v) { return v !== undefined; }) ? values : null; };
      var args;
      switch (m.type) {
        case 'created':
          args = all([text(m.game), text(m.secret)]);
          return args && ['gomokuOnlineCreated', ['string', 'string'], args, linkOf(m)];
        case 'joined':
          args = all([text(m.game), word(m.role, ROLES), 'secret' in m ? text(m.secret) : '']);
          return args && ['gomokuOnlineJoined', ['string', 'number', 'string'], args, linkOf(m)];
        case 'rematched':
          args = all([text(m.game), 'secret' in m ? text(m.secret) : '']);
          return args && ['gomokuOnlineRematched', ['string', 'string'], args];
        case 'state':
          var moves = points(m.moves), five = m.five === null ? new Uint8Array(0) : points(m.five);
          var winner = m.winner === null ? -1 : word(m.winner, COLOURS);
          var undo = m.undo === undefined || m.undo === null ? -1 : word(m.undo, COLOURS);
          if (m.five !== null && five && five.length != 10) return null; // five points, or none
          // A server that sends no rule, opening, player or choices has freestyle games with the
          // free opening.
          var rule = m.rule === undefined ? 0 : word(m.rule, RULES);
          var opening = m.opening === undefined ? 0 : word(m.opening, OPENINGS);
          var player = m.player === undefined || m.player === null ? 0 :
                       m.player === 1 || m.player === 2 ? m.player : undefined;
          var second = m['second-choice'] == null ? 0 : word(m['second-choice'], CHOICES);
          var first = m['first-choice'] == null ? 0 : m['first-choice'] == 'two' ? undefined :
                      word(m['first-choice'], CHOICES);
          // How it ended, the offers of a draw and of a rematch, and the rematch: a server without
          // them sends none of these.
          var ending = m.ending == null ? 0 : word(m.ending, ENDINGS);
          var draw = m.draw == null ? -1 : word(m.draw, COLOURS);
          var rematch = m.rematch == null ? -1 : word(m.rematch, COLOURS);
          var next = m.next == null ? '' : text(m.next);
          var clock = clockArgs(m.clock), players = playersArgs(m);
          if (!clock || !players) return null;
          args = all([text(m.game), word(m.you, ROLES), word(m.black, PRESENCES), word(m.white, PRESENCES),
                      typeof m.over == 'boolean' ? +m.over : undefined, winner, moves, moves && moves.length, five,
                      five && five.length, undo, rule, opening, player, second, first, ending, draw, rematch, next]);
          return args && ['gomokuOnlineState', ['string', 'number', 'number', 'number', 'number', 'number', 'array',
                                                'number', 'array', 'number', 'number', 'number', 'number', 'number',
                                                'number', 'number', 'number', 'number', 'number', 'string'], args,
                          '', clock, players];
        case 'moved':
          args = all([integer(m.n), integer(m.row), integer(m.col), word(m.colour, COLOURS)]);
          var moveClock = m.clock === undefined ? null : clockArgs(m.clock);
          if (moveClock === undefined) return null;
          return args && ['gomokuOnlineMoved', ['number', 'number', 'number', 'number'], args, '', moveClock];
        case 'presence':
          args = all([word(m.black, PRESENCES), word(m.white, PRESENCES)]);
          var watching = playersArgs({watchers: m.watchers});
          if (!watching) return null;
          return args && ['gomokuOnlinePresence', ['number', 'number'], args, '', null, watching];
        case 'player':
          args = all([text(m.secret), text(m.name), integer(m.rating)]);
          return args && ['gomokuOnlinePlayer', ['string', 'string', 'number'], args];
        case 'seeking':
          return ['gomokuOnlineSeeking', [], []];
        case 'paired':
          args = all([text(m.game), text(m.secret)]);
          return args && ['gomokuOnlinePaired', ['string', 'string'], args];
        case 'error':
          args = all([text(m.code), 'message' in m ? text(m.message) : '']);
          return args && ['gomokuOnlineError', ['string', 'string'], args];
        default:
          return ['', [], []]; // a type of a newer server: nothing to do
      }
    }

    function disconnect() {
      clearTimeout(timer);
      if (socket) {
        socket.onopen = socket.onmessage = socket.onclose = null;
        socket.close();
        socket = null;
      }
    }
    // Every report reaches the program from an event of its own, never from inside the call of
    // the program's that asked for the connection.
    function open(path) {
      var url = (location.protocol == 'https:' ? 'wss://' : 'ws://') + location.host + path, ws;
      try {
        ws = socket = new WebSocket(url);
      } catch (e) {
        timer = setTimeout(function() { call('gomokuOnlineClosed', ['number'], [Math.random()]); }, 0);
        return;
      }
      ws.onopen = function() { call('gomokuOnlineOpened', [], []); };
      ws.onmessage = function(event) {
        var message = read(event.data);
        if (!message) call('gomokuOnlineUnreadable', [], []);
        else if (message[0]) {
          if (message[3]) serverLinks[message[2][0]] = message[3];
          if (message[4]) call('gomokuOnlineClock', CLOCK_TYPES, message[4]);
          if (message[5]) call('gomokuOnlinePlayers', PLAYERS_TYPES, message[5]);
          call(message[0], message[1], message[2]);
        }
      };
      ws.onclose = function() {
        socket = null;
        call('gomokuOnlineClosed', ['number'], [Math.random()]);
      };
    }

    // The panel: the link, Copy, Share, Leave; or the problem.
    var panel = document.createElement('section');
    panel.id = 'online';
    panel.hidden = true;
    panel.setAttribute('aria-label', 'Online game');
    panel.innerHTML =
        '<style>' +
        '#online { margin-top: 6px; }' +
        '#online-link-row { display: flex; flex-wrap: wrap; align-items: center; gap: 6px 8px; }' +
        '#online-link { flex: 1 1 16em; min-width: 0; font: inherit; padding: 4px 6px; color: #f3ead9;' +
        ' background: #1c1712; border: 1px solid #5a4a3a; border-radius: 4px; }' +
        '#online p { margin: 0 0 4px; }' +
        '#online-problem { color: #ffb199; }' +
        '#online #online-undo { margin: 6px 0 0; }' +
        '#online-undo button { min-width: 44px; min-height: 44px; }' +
        '#online a { color: #f5c542; }' +
        // No taller than the line of text it sits on.
        '#online-rematch { padding: 0 8px; font: inherit; line-height: inherit; }' +
        '#online-clock { font-variant-numeric: tabular-nums; }' +
        '#online-name:not([hidden]) { display: flex; flex-wrap: wrap; align-items: center; gap: 6px 8px; margin: 0 0 6px; }' +
        '#online-name input { font: inherit; padding: 4px 6px; color: #f3ead9; background: #1c1712;' +
        ' border: 1px solid #5a4a3a; border-radius: 4px; width: 12em; }' +
        '#online-clock.warning { color: #ffb199; font-weight: bold; }' +
        '</style>' +
        '<p id="online-problem" role="alert"></p>' +
        // The name to play strangers as, asked the first time; kept after, with the player's secret.
        '<form id="online-name" hidden><label for="online-name-input">Your name for games with strangers:</label>' +
        '<input id="online-name-input" type="text" maxlength="20" autocomplete="nickname" required>' +
        '<button id="online-name-play" type="submit">Play</button></form>' +
        '<div id="online-game">' +
        '<p id="online-players" hidden></p>' +
        '<p id="online-clock" hidden></p>' +
        '<p><label for="online-link" id="online-invite">Send this link to the other player:</label>' +
        // On the same line, once the game is over: the line under the board keeps its height.
        '<span id="online-records" hidden> Its record: <a id="online-psq" download></a> ' +
        '<a id="online-sgf" download></a></span> ' +
        // After the game, on the same line too.
        '<button id="online-rematch" type="button" hidden>Rematch</button></p>' +
        '<div id="online-link-row">' +
        '<input id="online-link" type="text" readonly>' +
        '<button id="online-copy" type="button">Copy</button>' +
        '<button id="online-share" type="button" hidden>Share</button>' +
        '<button id="online-leave" type="button">Leave online game</button>' +
        '</div>' +
        '<p id="online-undo" hidden>' +
        '<button id="online-allow" type="button">Allow</button> ' +
        '<button id="online-refuse" type="button">Refuse</button></p>' +
        // The other player's offer of a draw; after the game, the rematch.
        '<p id="online-draw" hidden>' +
        '<button id="online-accept-draw" type="button">Accept the draw</button> ' +
        '<button id="online-decline-draw" type="button">Decline</button></p></div>';
    // Under the status line and the row of buttons below it, which stay where they are.
    var bar = document.getElementById('rows') || document.getElementById('bar');
    if (bar) bar.insertAdjacentElement('afterend', panel);
    else document.body.appendChild(panel);
    var gamePart = panel.querySelector('#online-game'), link = panel.querySelector('#online-link');
    var nameForm = panel.querySelector('#online-name'), nameInput = panel.querySelector('#online-name-input');
    var askingName = false, lastProblem = '';
    nameForm.addEventListener('submit', function(event) {
      event.preventDefault();
      var name = nameInput.value.trim();
      if (!name) return;
      askingName = false;
      nameForm.hidden = true;
      call('gomokuOnlinePlaySomeone', ['string'], [name]);
    });
    var problemLine = panel.querySelector('#online-problem'), invite = panel.querySelector('#online-invite');
    var copy = panel.querySelector('#online-copy'), share = panel.querySelector('#online-share');
    copy.addEventListener('click', function() {
      var done = function() { copy.textContent = 'Copied'; setTimeout(function() { copy.textContent = 'Copy'; }, 2000); };
      var byHand = function() {
        link.select();
        try {
          if (document.execCommand('copy')) return done();
        } catch (e) {}
        copy.textContent = 'Select the link and copy it';
      };
      if (navigator.clipboard && navigator.clipboard.writeText) navigator.clipboard.writeText(link.value).then(done, byHand);
      else byHand();
    });
    share.addEventListener('click', function() {
      navigator.share({title: 'Five in a row', text: 'Play five in a row with me', url: link.value}).catch(function() {});
    });
    panel.querySelector('#online-leave').addEventListener('click', function(event) {
      call('gomokuOnlineLeave', [], []);
      backToBoard(event);
    });
    // The other player's request to take back a move: the status line says it, these answer it.
    var undoRow = panel.querySelector('#online-undo'), records = panel.querySelector('#online-records');
    // A press by the pointer leaves the keys with the board, so that y and n, u and the rest
    // reach the game afterwards as before; by the keyboard, the focus stays on the button.
    function backToBoard(event) {
      var canvas = Module['canvas'];
      if (event.detail > 0 && canvas) canvas.focus({focusVisible: false});
    }
    panel.querySelector('#online-allow').addEventListener('click', function(event) {
      call('gomokuOnlineAnswerUndo', ['number'], [1]);
      backToBoard(event);
    });
    panel.querySelector('#online-refuse').addEventListener('click', function(event) {
      call('gomokuOnlineAnswerUndo', ['number'], [0]);
      backToBoard(event);
    });
    copy.addEventListener('click', backToBoard);
    share.addEventListener('click', backToBoard);
    var drawRow = panel.querySelector('#online-draw');
    var rematchButton = panel.querySelector('#online-rematch');
    panel.querySelector('#online-accept-draw').addEventListener('click', function(event) {
      call('gomokuOnlineAnswerDraw', ['number'], [1]);
      backToBoard(event);
    });
    panel.querySelector('#online-decline-draw').addEventListener('click', function(event) {
      call('gomokuOnlineAnswerDraw', ['number'], [0]);
      backToBoard(event);
    });
    rematchButton.addEventListener('click', function(event) {
      call('gomokuOnlineRematch', [], []);
      backToBoard(event);
    });
    function refit() {
      if (typeof fit == 'function') fit();
    }
    // The line of keys under the game: online, u asks the other player and y or n answers them,
    // and the computer plays no side.
    var keysLine = document.getElementById('keys'), localKeys = keysLine ? keysLine.textContent : '';
    var ONLINE_KEYS = 'Click a point to place a stone, or move with w a s d and place with space; u asks ' +
        'the other player to take your last move back, y or n answers them when they ask; the arrow ' +
        'keys turn the board; the right button or Menu opens the menu; Esc ends. On a touch screen: ' +
        'tap a point, then tap it again to place; drag to turn the board; hold for the menu.';
    function heights() {
      return (panel.hidden ? 0 : panel.offsetHeight) + (keysLine && !keysLine.hidden ? keysLine.offsetHeight : 0);
    }

    function pageAddress(game) {
      return location.origin + location.pathname + (game ? '?game=' + game : '');
    }

    Module['online'] = {
      connect: function(path, delay) {
        disconnect();
        timer = setTimeout(function() { open(path); }, delay);
      },
      send: function(text) {
        if (socket && socket.readyState == WebSocket.OPEN) socket.send(text);
      },
      disconnect: disconnect,
      loadSecret: function(game) {
        try {
          return localStorage.getItem('gomoku3d.seat.' + game) || '';
        } catch (e) {
          return ''; // storage switched off: a reload is a new watcher
        }
      },
      storeSecret: function(game, secret) {
        try {
          localStorage.setItem('gomoku3d.seat.' + game, secret);
        } catch (e) {}
      },
      forgetSecret: function(game) {
        try {
          localStorage.removeItem('gomoku3d.seat.' + game);
        } catch (e) {}
      },
      // The game the address names, as it stands; the program judges it.
      addressGame: function() {
        return new URLSearchParams(location.search).get('game') || '';
      },
      // `drawAsked`: the other player waits for the answer to an offer of a draw; `over`: the game
      // is over (on the board or off it); `rematch`: 0 none to offer (watching, or playing on),
      // 1 one may be offered, 2 the other player offers one, 3 this player has offered one.
      changed: function(active, status, role, game, problem, asked, drawAsked, over, rematch) {
        // The game takes the room the panel and the line of keys leave it, whenever they change height.
        var height = heights();
        Module['onlineStatus'] = active ? status : null;
        // The address names the game while there is one, so that a reload comes back to it.
        var address = pageAddress(active ? game : '');
        if (location.href != address && (game || !active)) history.replaceState(null, '', address);
        // The server's public address when it gives one, else the page's own: never the
        // loopback's unless the page itself was loaded from it.
        link.value = game ? serverLinks[game] || pageAddress(game) : '';
        invite.textContent = role == ROLES.waiting ? 'Send this link to the other player:' : 'The link to this game:';
        share.hidden = !navigator.share;
        problemLine.textContent = problem;
        // A name refused, or a player the server forgot: the form again, to choose another.
        if (!active && problem && problem != lastProblem && /name|player/.test(problem)) askingName = true;
        lastProblem = problem;
        if (active) askingName = false;
        nameForm.hidden = !askingName;
        gamePart.hidden = !active;
        undoRow.hidden = !asked;
        drawRow.hidden = !drawAsked;
        rematchButton.hidden = !rematch;
        rematchButton.disabled = rematch == 3;
        rematchButton.textContent = rematch == 2 ? 'Accept the rematch' : rematch == 3 ? 'Rematch offered' : 'Rematch';
        // Once the game is over (a five, a full board, a resignation, a draw agreed), the server's
        // record of it.
        over = active && !!game && (over || (Module['_gomokuReviewState']() >> 21 & 1) == 1);
        records.hidden = !over;
        ['psq', 'sgf'].forEach(function(kind) {
          var anchor = records.querySelector('#online-' + kind);
          if (over) anchor.href = '/games/' + encodeURIComponent(game) + '.' + kind;
          anchor.textContent = '.' + kind;
        });
        link.hidden = copy.hidden = invite.hidden = !game;
        share.hidden = share.hidden || !game;
        panel.hidden = !(active || problem || askingName);
        if (keysLine && keysLine.textContent != (active ? ONLINE_KEYS : localKeys)) keysLine.textContent = active ? ONLINE_KEYS : localKeys;
        if (heights() != height) refit();
      },
      read: read,
      // The form for the name to play strangers as.
      askName: function() {
        var height = heights();
        askingName = true;
        nameForm.hidden = false;
        panel.hidden = false;
        nameInput.focus();
        if (heights() != height) refit();
      },
      players: function(text) {
        var line = panel.querySelector('#online-players');
        var height = heights();
        line.textContent = text;
        line.hidden = !text;
        if (heights() != height) refit();
      },
      // The clocks' words, and whether this player has under ten seconds left.
      clock: function(text, warning) {
        var line = panel.querySelector('#online-clock');
        var height = heights();
        line.textContent = text + (warning ? ' Under ten seconds left!' : '');
        line.hidden = !text;
        line.classList.toggle('warning', !!warning);
        if (heights() != height) refit();
      }
    };
  },

  // The program's calls (app/online_session_web.cpp).
  gomokuOnlineConnect__deps: ['$gomokuOnline'],
  gomokuOnlineConnect: function(path, delayMs) { Module['online'].connect(UTF8ToString(path), delayMs); },
  gomokuOnlineSend__deps: ['$gomokuOnline'],
  gomokuOnlineSend: function(text) { Module['online'].send(UTF8ToString(text)); },
  gomokuOnlineDisconnect__deps: ['$gomokuOnline'],
  gomokuOnlineDisconnect: function() { Module['online'].disconnect(); },
  gomokuOnlineLoadSecret__deps: ['$gomokuOnline'],
  gomokuOnlineLoadSecret: function(game, out, size) {
    stringToUTF8(Module['online'].loadSecret(UTF8ToString(game)), out, size);
  },
  gomokuOnlineStoreSecret__deps: ['$gomokuOnline'],
  gomokuOnlineStoreSecret: function(game, secret) {
    Module['online'].storeSecret(UTF8ToString(game), UTF8ToString(secret));
  },
  gomokuOnlineForgetSecret__deps: ['$gomokuOnline'],
  gomokuOnlineForgetSecret: function(game) { Module['online'].forgetSecret(UTF8ToString(game)); },
  gomokuOnlineChanged__deps: ['$gomokuOnline'],
  gomokuOnlineChanged: function(active, status, role, game, problem, asked, drawAsked, over, rematch) {
    Module['online'].changed(!!active, UTF8ToString(status), role, UTF8ToString(game), UTF8ToString(problem), !!asked,
                             !!drawAsked, !!over, rematch);
  },
  gomokuOnlinePlayersShown__deps: ['$gomokuOnline'],
  gomokuOnlinePlayersShown: function(text) { Module['online'].players(UTF8ToString(text)); },
  gomokuOnlineAskName__deps: ['$gomokuOnline'],
  gomokuOnlineAskName: function() { Module['online'].askName(); },
  gomokuOnlineOpenLive__deps: ['$gomokuOnline'],
  gomokuOnlineOpenLive: function() { location.href = '/live'; },
  gomokuOnlineClockShown__deps: ['$gomokuOnline'],
  gomokuOnlineClockShown: function(text, warning) { Module['online'].clock(UTF8ToString(text), warning); },
  gomokuOnlineAddressGame__deps: ['$gomokuOnline'],
  gomokuOnlineAddressGame: function(out, size) { stringToUTF8(Module['online'].addressGame(), out, size); },
});
