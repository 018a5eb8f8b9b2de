// What of the page's keyboard, mouse and touch reaches the game through Emscripten's GLUT. GLUT
// listens to the whole window and cancels the browser's action for nearly every key (Tab, F5,
// F11, Enter, the digits ...). Here its handlers see only
//  - the game's own keys, without Ctrl, Alt or Meta, while the focus is on the canvas or on
//    nothing in particular: every other key keeps the browser's action, so Tab leaves the canvas
//    and F5 or Ctrl+R reloads, as on any page; while a menu is open it has the first say on every
//    key (platform/web/menu.js);
//  - nothing at all once the game has stopped: after Esc (the runtime has exited) or a failure
//    (the page aborts the program), no key, button or wheel reaches it again.
// Module.gameTakes(event) is the same test for the page's own listeners that reach the game (the
// menu). GLUT's pointer motion is mended: it handed the motion callbacks the pointer's place
// before the move instead of after it. GLUT's own touch handling, which made every touch a press
// of the left button (and so placed a stone on the first tap), is left out: the page turns
// touches into the game's calls itself, through Module.gameInput:
//  - point(x, y): the pointer moved there with no button held (the cursor follows it);
//  - click(x, y): the left button pressed and released there (a stone is placed there);
//  - key(code): the game's key of that character code pressed (the page's buttons of answers);
//  - turn(key): a GLUT special key (GLUT_KEY_LEFT 100, UP 101, RIGHT 102, DOWN 103) pressed;
// x and y in the canvas's drawing-buffer pixels, as GLUT reports the mouse. And
// Module.gameResize(width, height) gives the canvas a new drawing buffer, which reaches the game
// as a reshape, as a resized window does.
mergeInto(LibraryManager.library, {
  $gomokuEvents__deps: ['$GLUT', '$Browser'],
  $gomokuEvents__postset: 'gomokuEvents();',
  $gomokuEvents: function() {
    // The keys app/input.cpp acts on, by the DOM's names; letters in lower case.
    var gameKeys = ['w', 'a', 's', 'd', ' ', 'u', 'y', 'n', 'm', 'h', 'p', 'v', '1', '2', '3', 'ArrowUp',
                    'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Home', 'End', 'PageUp', 'PageDown',
                    'Escape'];
    function takes(event) {
      if (ABORT) return false;
      if (!(event instanceof KeyboardEvent)) return true;
      var focus = document.activeElement;
      var key = event.key.length == 1 ? event.key.toLowerCase() : event.key;
      return gameKeys.indexOf(key) >= 0 && !event.ctrlKey && !event.altKey && !event.metaKey &&
             (!focus || focus == Module['canvas'] || focus == document.body);
    }
    Module['gameTakes'] = takes;
    // Runs one of the game's callbacks, unless the game has stopped.
    function call(callback) {
      if (ABORT) return;
      try {
        callback();
      } catch (e) {
        // Esc ends the program inside its key's handler with this exception; the page hears of
        // it through Module.onExit.
        if (!(e instanceof ExitStatus)) throw e;
      }
    }

    GLUT.onMousemove = function(event) {
      var lastX = Browser.mouseX, lastY = Browser.mouseY;
      Browser.calculateMouseEvent(event);
      if (Browser.mouseX == lastX && Browser.mouseY == lastY) return;
      var motion = GLUT.buttons != 0 ? GLUT.motionFunc :
                   event.target == Module['canvas'] ? GLUT.passiveMotionFunc : 0;
      if (!motion) return;
      event.preventDefault();
      GLUT.saveModifiers(event);
      {{{ makeDynCall('vii', 'motion') }}}(Browser.mouseX, Browser.mouseY);
    };
    GLUT.touchHandler = function() {};

    // Replaced before glutInit adds them to the window.
    ['onKeydown', 'onKeyup', 'onMousemove', 'onMouseButtonDown', 'onMouseButtonUp', 'onMouseWheel'].forEach(function(name) {
      var handler = GLUT[name];
      GLUT[name] = function(event) {
        if (name == 'onKeydown' && Module['gameMenu'] && Module['gameMenu'].key(event)) return;
        if (takes(event)) call(function() { handler(event); });
      };
    });

    Module['gameInput'] = {
      point: function(x, y) {
        call(function() {
          if (GLUT.passiveMotionFunc) {{{ makeDynCall('vii', 'GLUT.passiveMotionFunc') }}}(x, y);
        });
      },
      click: function(x, y) {
        call(function() {
          if (!GLUT.mouseFunc) return;
          {{{ makeDynCall('viiii', 'GLUT.mouseFunc') }}}(0 /* GLUT_LEFT_BUTTON */, 0 /* GLUT_DOWN */, x, y);
          {{{ makeDynCall('viiii', 'GLUT.mouseFunc') }}}(0, 1 /* GLUT_UP */, x, y);
        });
      },
      key: function(code) {
        call(function() {
          if (GLUT.keyboardFunc) {{{ makeDynCall('viii', 'GLUT.keyboardFunc') }}}(code, Browser.mouseX, Browser.mouseY);
        });
      },
      turn: function(key) {
        call(function() {
          if (GLUT.specialFunc) {{{ makeDynCall('viii', 'GLUT.specialFunc') }}}(key, Browser.mouseX, Browser.mouseY);
        });
      }
    };
    Module['gameResize'] = function(width, height) {
      call(function() { Browser.setCanvasSize(width, height); });
    };
  },
  glutInit__deps: ['$Browser', '$GLUT', '$gomokuEvents'],
});
