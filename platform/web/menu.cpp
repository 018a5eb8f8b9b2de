// The right-button menu in the browser. The browser's GLUT has no menus, so the three menu calls
// the game makes are defined here: the entries become a small menu that opens where the canvas is
// clicked with that button, and choosing an entry calls the menu callback with the entry's value,
// as freeglut does. One menu, attached to one button, is all the game needs. Once the game has
// stopped (Module.gameTakes, platform/web/glut_events.js) the menu opens no more and the right
// button is the browser's again.
#include <emscripten.h>
#include <GL/freeglut_std.h>

namespace
{

void (*menuCallback)(int) = nullptr;

} // namespace

// Called by the page's menu when an entry is chosen.
extern "C" EMSCRIPTEN_KEEPALIVE void gomokuMenuChosen(int value)
{
    if (menuCallback != nullptr)
    {
        menuCallback(value);
    }
}

// The menu's element, made once, hidden until the button is pressed over the canvas.
// clang-format off: JavaScript
EM_JS(void, gomokuMenuCreate, (), {
    var menu = document.createElement('div');
    menu.className = 'glut-menu';
    menu.setAttribute('role', 'menu');
    menu.style.cssText = 'position:fixed;display:none;z-index:10;min-width:7em;padding:2px 0;' +
                         'background:#f4f4f4;border:1px solid #888;font:14px sans-serif;' +
                         'box-shadow:2px 2px 4px rgba(0,0,0,.3);user-select:none';
    document.body.appendChild(menu);
    // Any press elsewhere closes it, as a click outside a desktop menu does.
    window.addEventListener(
        'mousedown',
        function(event) {
            if (!menu.contains(event.target))
                menu.style.display = 'none';
        },
        true);
    Module['glutMenu'] = menu;
});
// clang-format on

// clang-format off: JavaScript
EM_JS(void, gomokuMenuAddEntry, (const char *label, int value), {
    var entry = document.createElement('div');
    entry.textContent = UTF8ToString(label);
    entry.setAttribute('role', 'menuitem');
    entry.style.cssText = 'padding:3px 14px;cursor:default';
    entry.addEventListener(
        'mouseenter', function() { entry.style.background = '#cde'; });
    entry.addEventListener(
        'mouseleave', function() { entry.style.background = 'none'; });
    entry.addEventListener(
        'mouseup', function(event) {
            if ((event.button != 0 && event.button != 2) || !Module['gameTakes'](event))
                return;
            Module['glutMenu'].style.display = 'none';
            _gomokuMenuChosen(value);
        });
    Module['glutMenu'].appendChild(entry);
});
// clang-format on

// GLUT numbers the buttons left 0, middle 1, right 2, as the DOM does.
// clang-format off: JavaScript
EM_JS(void, gomokuMenuAttach, (int button), {
    var menu = Module['glutMenu'];
    var canvas = Module['canvas'];
    canvas.addEventListener(
        'contextmenu', function(event) {
            if (Module['gameTakes'](event))
                event.preventDefault();
        });
    canvas.addEventListener(
        'mousedown', function(event) {
            if (event.button != button || !Module['gameTakes'](event))
                return;
            event.preventDefault();
            menu.style.left = (event.clientX + 2) + 'px';
            menu.style.top = (event.clientY + 2) + 'px';
            menu.style.display = 'block';
        });
});
// clang-format on

int glutCreateMenu(void (*callback)(int menu))
{
    menuCallback = callback;
    gomokuMenuCreate();
    return 1;
}

void glutAddMenuEntry(const char *label, int value)
{
    gomokuMenuAddEntry(label, value);
}

void glutAttachMenu(int button)
{
    gomokuMenuAttach(button);
}
