// The page's side of the computer's thinking (game/worker_thinker_web.cpp calls it): a Web
// Worker that runs thinker.wasm, the engine alone (app/thinker_main_web.cpp and
// thinker_worker.js), so that the page's frames never wait for the engine. The page fetches the
// worker's two files with its others and hands them over as Module.thinkerFiles, a promise of
// {script, module}: the worker's script as an address the worker starts from, and thinker.wasm
// compiled. Nothing is shared with the worker: requests and answers are messages.
//
// A worker thinks a request to its end in one go; a thought that no longer applies is cancelled
// by ending its worker, which stops it at once, and starting a fresh one from the same script and
// compiled module, ready for the next request (no download, and no compiling again).
//
// When the worker cannot start (the files did not come, the browser has no workers, the worker
// fails), Module.thinker.state becomes 'failed', the page says why through
// Module.onThinkerFailed, and the game thinks between frames instead.
mergeInto(LibraryManager.library, {
  $gomokuThinker__postset: 'gomokuThinker();',
  $gomokuThinker: function() {
    // What the page and its benchmark may read: the state ('loading', 'ready' or 'failed'), why
    // it failed, the number of the request under way (0: none), the milliseconds each worker
    // took from its start to ready, and the last answer with the board it answered.
    var thinker = Module['thinker'] = {state: 'loading', why: '', thinking: 0, starts: [], last: null};
    var files = null, worker = null, ready = false, busy = false, queued = null, wanted = 0;
    var answer = null, startedAt = 0, board = null, ended = false;

    function fail(why) {
      if (thinker.state == 'failed') return;
      thinker.state = 'failed';
      thinker.why = why;
      if (worker) worker.terminate();
      worker = null;
      if (Module['onThinkerFailed']) Module['onThinkerFailed'](why);
    }
    function start() {
      ready = busy = false;
      startedAt = performance.now();
      var started;
      try {
        started = worker = new Worker(files.script);
      } catch (e) {
        return fail('the browser did not start its worker (' + e.message + ')');
      }
      // What a worker ended since still had on its way counts for nothing.
      worker.onmessage = function(event) {
        if (started == worker) receive(event.data);
      };
      worker.onerror = function(event) {
        event.preventDefault();
        if (started == worker) fail('its worker stopped (' + (event.message || 'an error') + ')');
      };
      worker.postMessage({module: files.module});
    }
    function send() {
      if (!ready || !queued) return;
      worker.postMessage(queued, [queued.cells.buffer]);
      queued = null;
      busy = true;
    }
    function receive(data) {
      if (data.failed) return fail(data.failed);
      if (data.ready) {
        ready = true;
        thinker.state = 'ready';
        thinker.starts.push(performance.now() - startedAt);
        return send();
      }
      busy = false;
      if (data.generation == wanted) {
        data.cells = board;
        answer = thinker.last = data;
        thinker.thinking = 0;
      }
      send();
    }
    // A thought under way is stopped by ending its worker; a fresh one takes its place.
    function stopThought() {
      queued = answer = null;
      if (busy && !ended) {
        worker.terminate();
        start();
      }
    }
    thinker.post = function(request) {
      stopThought();
      wanted = thinker.thinking = request.generation;
      board = Array.prototype.slice.call(request.cells);
      queued = request;
      send();
    };
    thinker.cancel = function() {
      wanted = thinker.thinking = 0;
      stopThought();
    };
    // When the game has ended: the worker too, and no other after it.
    thinker.end = function() {
      wanted = thinker.thinking = 0;
      queued = answer = null;
      if (worker) worker.terminate();
      worker = null;
      ready = false;
      ended = true;
    };
    // The answer to the request `generation`, once, when it has come; else null.
    thinker.take = function(generation) {
      if (!answer || answer.generation != generation) return null;
      var taken = answer;
      answer = null;
      return taken;
    };

    if (typeof Worker == 'undefined' || typeof WebAssembly != 'object')
      return fail('this browser cannot run it beside the game');
    if (!Module['thinkerFiles']) return fail('the page did not load it');
    Module['thinkerFiles'].then(function(loaded) {
      if (thinker.state == 'failed' || ended) return;
      files = loaded;
      start();
    }, fail);
  },

  // The game's calls (game/worker_thinker_web.cpp).
  gomokuThinkerPost__deps: ['$gomokuThinker'],
  gomokuThinkerPost: function(generation, cells, toMove, level, rule, nodes, timeMs, seedLow,
                              seedHigh) {
    Module['thinker'].post({generation: generation >>> 0, cells: HEAP8.slice(cells, cells + 324),
                            toMove: toMove, level: level, rule: rule, nodes: nodes, timeMs: timeMs,
                            seedLow: seedLow >>> 0, seedHigh: seedHigh >>> 0});
  },
  gomokuThinkerCancel__deps: ['$gomokuThinker'],
  gomokuThinkerCancel: function() {
    Module['thinker'].cancel();
  },
  // 1 with the answer written to `out`, else 0: its move, positions, milliseconds, score, the
  // length of its line and the line's moves (longest doubles of them), all as doubles.
  gomokuThinkerTake__deps: ['$gomokuThinker'],
  gomokuThinkerTake: function(generation, out, longest) {
    var answer = Module['thinker'].take(generation >>> 0);
    if (!answer) return 0;
    var line = answer.line || [];
    var length = Math.min(line.length, longest);
    HEAPF64[out >> 3] = answer.move;
    HEAPF64[(out >> 3) + 1] = answer.nodes;
    HEAPF64[(out >> 3) + 2] = answer.ms;
    HEAPF64[(out >> 3) + 3] = answer.score || 0;
    HEAPF64[(out >> 3) + 4] = length;
    for (var i = 0; i < length; ++i) HEAPF64[(out >> 3) + 5 + i] = line[i];
    return 1;
  },
  gomokuThinkerFailed__deps: ['$gomokuThinker'],
  gomokuThinkerFailed: function() {
    return Module['thinker'].state == 'failed' ? 1 : 0;
  },
});
