// The page's thinker as a Web Worker: this script, after Emscripten's glue of thinker.wasm
// (createThinker), is the whole worker. The page (platform/web/thinker.js) sends it
//  - first {module}: thinker.wasm, compiled by the page, which fetched it with the game's other
//    files; the worker answers {ready: true}, or {failed: why};
//  - then requests {generation, cells, toMove, level, rule, nodes, timeMs, seedLow, seedHigh}: the
//    board as the game holds it (an Int8Array, row by row, -1 black, 0 empty, +1 white) and what
//    else decides the move; it answers each with {generation, move, nodes, ms, score, line}, the
//    move as the engine numbers points (0: none to play), its score from the mover's side and
//    the line of play expected after it, the move first (an array of points).
// A thought runs to its end in one go: the page cancels one by ending the worker.
var thinker = null;
onmessage = function(event) {
  var data = event.data;
  if (data.module) {
    createThinker({
      instantiateWasm: function(imports, receive) {
        WebAssembly.instantiate(data.module, imports).then(receive, function(e) {
          postMessage({failed: 'its program did not start (' + e + ')'});
        });
        return {};
      }
    }).then(function(module) {
      thinker = module;
      postMessage({ready: true});
    });
    return;
  }
  var cells = thinker._gomokuThinkerCells();
  thinker.HEAP8.set(data.cells, cells);
  var move = thinker._gomokuThink(data.toMove, data.level, data.rule, data.nodes, data.timeMs,
                                  data.seedLow, data.seedHigh);
  var line = [];
  for (var i = 0, n = thinker._gomokuThoughtLineLength(); i < n; ++i)
    line.push(thinker._gomokuThoughtLineMove(i));
  postMessage({generation: data.generation, move: move, nodes: thinker._gomokuThoughtNodes(),
               ms: thinker._gomokuThoughtMs(), score: thinker._gomokuThoughtScore(), line: line});
};
