// What of the page's keyboard and mouse reaches the game through Emscripten's GLUT. GLUT listens
// to the whole window and cancels the browser's action for nearly every key (Tab, F5, F11,
// Enter, the digits ...). Here its handlers see only
//  - the game's own keys, without Ctrl, Alt or Meta, while the focus is on the canvas or on
//    nothing in particular: every other key keeps the browser's action, so Tab leaves the canvas
//    and F5 or Ctrl+R reloads, as on any page;
//  - nothing at all once the game has stopped: after Esc (the runtime has exited) or a failure
//    (the page aborts the program), no key, button or wheel reaches it again.
// Module.gameTakes(event) is the same test for the page's own listeners that reach the game (the
// right-button menu).
mergeInto(LibraryManager.library, {
  $gomokuEvents__deps: ['$GLUT'],
  $gomokuEvents__postset: 'gomokuEvents();',
  $gomokuEvents: function() {
    // The keys game/input.cpp acts on, by the DOM's names; letters in lower case.
    var gameKeys = ['w', 'a', 's', 'd', ' ', 'ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Escape'];
    function takes(event) {
      if (ABORT) return false;
      if (!(event instanceof KeyboardEvent)) return true;
      var focus = document.activeElement;
      var key = event.key.length == 1 ? event.key.toLowerCase() : event.key;
      return gameKeys.indexOf(key) >= 0 && !event.ctrlKey && !event.altKey && !event.metaKey &&
             (!focus || focus == Module['canvas'] || focus == document.body);
    }
    Module['gameTakes'] = takes;

    // Replaced before glutInit adds them to the window.
    ['onKeydown', 'onKeyup', 'onMousemove', 'onMouseButtonDown', 'onMouseButtonUp', 'onMouseWheel'].forEach(function(name) {
      var handler = GLUT[name];
      GLUT[name] = function(event) {
        if (!takes(event)) return;
        try {
          handler(event);
        } catch (e) {
          // Esc ends the program inside its key's handler with this exception; the page hears
          // of it through Module.onExit.
          if (!(e instanceof ExitStatus)) throw e;
        }
      };
    });
  },
  glutInit__deps: ['$Browser', '$GLUT', '$gomokuEvents'],
});
