// The page's side of the game's menus (platform/web/menu.cpp has the GLUT calls): each menu the
// game builds, shown as a panel of entries where the canvas is pressed with the button it is
// attached to, or where the page asks (its Menu button, a long press, a tap with two fingers).
//  - Dark text on a light panel; the entry under the pointer or finger, or reached with the arrow
//    keys, is highlighted. An entry with a sub-menu opens it beside itself.
//  - A panel opens wholly inside the viewport: on the far side of the pointer where there is no
//    room on the near side, and never under the pointer (nor over the Menu button that opened
//    it), so that releasing the button that opened it chooses nothing. A panel taller than the
//    room on either side (a phone held sideways) takes the larger side and scrolls inside
//    itself, its last entry shown cut in half so that the rest can be seen to be there.
//  - Choosing: a click, or releasing the pressed mouse button over an entry; a tap, which is a
//    finger lifted from the entry it was put on without having moved more than a few pixels (a
//    finger that slides away, or scrolls the panel, chooses nothing); Enter on the highlighted
//    entry. Up and Down move between entries, Right (or Enter) opens a sub-menu, Left closes it.
//  - Closing: Esc, which does nothing else; a press anywhere else, which does nothing else
//    either (it reaches neither the game nor the page under it); any other key, which then does
//    what it does (the game's keys act). No browser context menu shows through a panel.
// Module.gameMenu: open(x, y, flipX, flipY) puts the attached menu's panel at (x, y) of the
// viewport, or ending at (flipX, flipY) where there is no room; close(); isOpen(); and key(event),
// which platform/web/glut_events.js asks first about each key press: true when the menu took it.
mergeInto(LibraryManager.library, {
  $gomokuMenu__postset: 'gomokuMenu();',
  $gomokuMenu: function() {
    var menus = {}; // by number: the entries, {label, value, submenu}
    var attached = 0; // the menu the canvas's button and the page open
    var panels = []; // the open panels, the attached menu's first: {element, menu, active}
    var canvas = Module['canvas'];
    var press = null; // a finger on an entry: {id, panel, index, x, y}, until it moves or lifts
    var TAP_SLOP = 8; // pixels a tapping finger may move

    var style = document.createElement('style');
    style.textContent =
        '.glut-menu { position: fixed; z-index: 10; box-sizing: border-box; min-width: 9em; max-width: 100vw;' +
        ' padding: 4px 0; background: #fbf8f2; color: #1d1a16; border: 1px solid #5a4a3a; border-radius: 4px;' +
        ' font: 15px/1.4 sans-serif; box-shadow: 0 4px 14px rgba(0, 0, 0, .45); user-select: none;' +
        ' -webkit-user-select: none; touch-action: pan-y; overflow-y: auto; overscroll-behavior: contain; }' +
        '.glut-menu [role=menuitem] { padding: 6px 18px; cursor: default; white-space: nowrap; }' +
        '.glut-menu [role=menuitem].active { background: #1f4e8c; color: #fff; }' +
        '.glut-menu [aria-haspopup]::after { content: " \\25b8"; }' +
        '@media (pointer: coarse) { .glut-menu [role=menuitem] { padding: 12px 24px; } }';
    document.head.appendChild(style);

    function isOpen() { return panels.length > 0; }
    // Closes the panels from the one at `from` on; all of them by default.
    function close(from) {
      panels.splice(from || 0).forEach(function(panel) { panel.element.remove(); });
    }
    function highlight(panel, index) {
      if (panel.active != index) close(panels.indexOf(panel) + 1);
      panel.active = index;
      Array.prototype.forEach.call(panel.element.children, function(entry, i) {
        entry.classList.toggle('active', i == index);
      });
      if (index >= 0) panel.element.children[index].scrollIntoView({block: 'nearest'});
    }
    // Puts the panel's top-left corner at (x, y), or its right or bottom edge at flipX or flipY
    // where it would run out of the viewport; inside the viewport in any case. Between flipY and
    // y lies what the panel must leave uncovered (the pointer, the Menu button): a panel taller
    // than the room below it and the room above it goes where there is more, and scrolls.
    function place(element, x, y, flipX, flipY) {
      var right = document.documentElement.clientWidth, bottom = document.documentElement.clientHeight;
      var below = bottom - y, above = flipY, height = element.offsetHeight;
      if (height > below && height > above) {
        // Whole entries and half of the next, so that a cut entry shows there are more.
        var room = Math.max(below, above), entry = element.firstChild ? element.firstChild.offsetHeight : 0;
        var frame = height - element.clientHeight; // the borders
        var padding = (element.clientHeight - element.children.length * entry) / 2;
        var shown = entry ? Math.max(1.5, Math.floor((room - frame - padding) / entry - 0.5) + 0.5) : 0;
        height = Math.min(room, Math.round(frame + padding + shown * entry));
        element.style.maxHeight = height + 'px';
        y = below >= above ? y : flipY - height;
      } else if (y + height > bottom) {
        y = flipY - height;
      }
      var width = element.offsetWidth;
      if (x + width > right) x = flipX - width;
      element.style.left = Math.max(0, Math.min(x, right - width)) + 'px';
      element.style.top = Math.max(0, Math.min(y, bottom - height)) + 'px';
    }
    function open(menu, x, y, flipX, flipY) {
      var panel = {element: document.createElement('div'), menu: menu, active: -1};
      panel.element.className = 'glut-menu';
      panel.element.setAttribute('role', 'menu');
      menus[menu].forEach(function(item, index) {
        var entry = document.createElement('div');
        entry.textContent = item.label;
        entry.setAttribute('role', 'menuitem');
        if (item.submenu) entry.setAttribute('aria-haspopup', 'menu');
        entry.addEventListener('pointerenter', function() {
          highlight(panel, index);
          openSubmenu(panel);
        });
        entry.addEventListener('pointerdown', function(event) {
          if (event.pointerType != 'mouse')
            press = {id: event.pointerId, panel: panel, index: index, x: event.clientX, y: event.clientY};
        });
        entry.addEventListener('pointerup', function(event) {
          if (event.pointerType == 'mouse') {
            if (event.button == 0 || event.button == 2) choose(panel, index);
            return;
          }
          // A finger's events stay with the entry it was put on, wherever it is lifted.
          var tap = press;
          press = null;
          if (tap && tap.id == event.pointerId && tap.panel == panel && tap.index == index &&
              entry.contains(document.elementFromPoint(event.clientX, event.clientY)))
            choose(panel, index);
        });
        panel.element.appendChild(entry);
      });
      // A press on a panel takes no focus and makes no mouse events of its own for the game.
      panel.element.addEventListener('pointerdown', function(event) { event.preventDefault(); });
      panel.element.addEventListener('contextmenu', function(event) { event.preventDefault(); });
      document.body.appendChild(panel.element);
      panels.push(panel);
      place(panel.element, x, y, flipX, flipY);
    }
    // The sub-menu of the panel's highlighted entry, beside it; false if it has none.
    function openSubmenu(panel) {
      var item = menus[panel.menu][panel.active];
      if (!item || !item.submenu || panels[panels.indexOf(panel) + 1]) return !!(item && item.submenu);
      var box = panel.element.children[panel.active].getBoundingClientRect();
      open(item.submenu, box.right, box.top, box.left, box.bottom);
      return true;
    }
    function choose(panel, index) {
      var item = menus[panel.menu][index];
      highlight(panel, index);
      if (openSubmenu(panel)) return;
      close();
      canvas.focus();
      if (ABORT) return;
      // The page's own entries, from 110 on ("Open game…", "Recent games"), are the page's to
      // carry out (platform/web/records.js); the game's callback would take them for Restart.
      if (item.value >= 110 && Module['pageMenuChosen']) Module['pageMenuChosen'](item.value);
      else _gomokuMenuChosen(panel.menu, item.value);
    }
    function key(event) {
      if (!isOpen() || event.type != 'keydown' || /^(Shift|Control|Alt|Meta)$/.test(event.key)) return false;
      var panel = panels[panels.length - 1], count = menus[panel.menu].length;
      switch (event.key) {
        case 'ArrowDown': highlight(panel, (panel.active + 1) % count); break;
        case 'ArrowUp': highlight(panel, (Math.max(panel.active, 0) + count - 1) % count); break;
        case 'ArrowRight':
          if (openSubmenu(panel)) highlight(panels[panels.length - 1], 0);
          break;
        case 'ArrowLeft': close(Math.max(panels.length - 1, 1)); break;
        case 'Enter':
          if (panel.active >= 0) choose(panel, panel.active);
          if (panels.length && panels[panels.length - 1] != panel) highlight(panels[panels.length - 1], 0);
          break;
        case 'Escape': close(); break;
        default:
          close();
          return false;
      }
      event.preventDefault();
      return true;
    }
    // A finger that moves away from the entry it pressed, or scrolls the panel, chooses nothing.
    window.addEventListener('pointermove', function(event) {
      if (press && press.id == event.pointerId &&
          Math.hypot(event.clientX - press.x, event.clientY - press.y) > TAP_SLOP) {
        if (panels.indexOf(press.panel) >= 0) highlight(press.panel, -1);
        press = null;
      }
    }, true);
    window.addEventListener('pointercancel', function(event) {
      if (press && press.id == event.pointerId) press = null;
    }, true);
    // A press outside the panels closes them; on the canvas it goes no further.
    window.addEventListener('pointerdown', function(event) {
      if (!isOpen() || panels.some(function(panel) { return panel.element.contains(event.target); })) return;
      close();
      if (event.target == canvas) {
        event.preventDefault();
        event.stopPropagation();
      }
    }, true);

    Module['gameMenu'] = {
      add: function(menu, label, value, submenu) {
        (menus[menu] = menus[menu] || []).push({label: label, value: value, submenu: submenu});
      },
      // As freeglut does: an entry that is not there is left alone; the panels show the change
      // when they next open.
      change: function(menu, item, label, value) {
        var entries = menus[menu] || [];
        if (item >= 1 && item <= entries.length) entries[item - 1] = {label: label, value: value, submenu: 0};
      },
      attach: function(menu, button) {
        attached = menu;
        canvas.addEventListener('contextmenu', function(event) {
          if (Module['gameTakes'](event)) event.preventDefault();
        });
        canvas.addEventListener('pointerdown', function(event) {
          if (event.pointerType != 'mouse' || event.button != button || !Module['gameTakes'](event)) return;
          event.preventDefault();
          Module['gameMenu'].open(event.clientX + 2, event.clientY + 2, event.clientX - 2, event.clientY - 2);
        });
      },
      open: function(x, y, flipX, flipY) {
        close();
        if (attached && !ABORT) open(attached, x, y, flipX === undefined ? x : flipX, flipY === undefined ? y : flipY);
      },
      close: function() { close(); },
      isOpen: isOpen,
      key: key
    };
  },

  gomokuMenuAdd__deps: ['$gomokuMenu'],
  gomokuMenuAdd: function(menu, label, value, submenu) {
    Module['gameMenu'].add(menu, UTF8ToString(label), value, submenu);
  },
  gomokuMenuChange__deps: ['$gomokuMenu'],
  gomokuMenuChange: function(menu, item, label, value) {
    Module['gameMenu'].change(menu, item, UTF8ToString(label), value);
  },
  gomokuMenuAttach__deps: ['$gomokuMenu'],
  gomokuMenuAttach: function(menu, button) {
    Module['gameMenu'].attach(menu, button);
  },
});
