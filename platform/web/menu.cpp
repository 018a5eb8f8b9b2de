// The right-button menu in the browser. The browser's GLUT has no menus, so the menu calls the
// game makes are defined here, as freeglut has them: menus of entries and sub-menus, each with
// its callback, and the current one attached to a button of the canvas. The page's side, the
// menu the player sees and works with the pointer, a finger or the keys, is platform/web/menu.js;
// choosing an entry calls the callback of the entry's menu with the entry's value, as freeglut
// does. Once the game has stopped the menu opens no more and the right button is the browser's
// again.
#include <emscripten.h>
#include <GL/freeglut_std.h>

// platform/web/menu.js: an entry (with its value, or the number of its sub-menu) added to a
// menu or changed, and a menu attached to a button of the canvas.
extern "C" void gomokuMenuAdd(int menu, const char *label, int value, int submenu);
extern "C" void gomokuMenuAttach(int menu, int button);
// Changes entry `item` (from 1) of a menu to a plain entry with this label and value.
extern "C" void gomokuMenuChange(int menu, int item, const char *label, int value);

namespace
{

constexpr int MENUS_MAX = 32;
void (*menuCallbacks[MENUS_MAX])(int); // by menu number - 1
int menuCount = 0;
int currentMenu = 0; // the menu the calls below act on; 0 before the first

} // namespace

// Called by the page's menu when an entry is chosen.
extern "C" EMSCRIPTEN_KEEPALIVE void gomokuMenuChosen(int menu, int value)
{
    if (menu >= 1 && menu <= menuCount && menuCallbacks[menu - 1] != nullptr)
    {
        menuCallbacks[menu - 1](value);
    }
}

int glutCreateMenu(void (*callback)(int menu))
{
    if (menuCount == MENUS_MAX)
    {
        return 0;
    }
    menuCallbacks[menuCount] = callback;
    currentMenu = ++menuCount;
    return currentMenu;
}

void glutSetMenu(int menu)
{
    if (menu >= 1 && menu <= menuCount)
    {
        currentMenu = menu;
    }
}

int glutGetMenu()
{
    return currentMenu;
}

void glutAddMenuEntry(const char *label, int value)
{
    if (currentMenu != 0)
    {
        gomokuMenuAdd(currentMenu, label, value, 0);
    }
}

void glutAddSubMenu(const char *label, int submenu)
{
    if (currentMenu != 0 && submenu >= 1 && submenu <= menuCount)
    {
        gomokuMenuAdd(currentMenu, label, 0, submenu);
    }
}

void glutChangeToMenuEntry(int item, const char *label, int value)
{
    if (currentMenu != 0)
    {
        gomokuMenuChange(currentMenu, item, label, value);
    }
}

void glutAttachMenu(int button)
{
    if (currentMenu != 0)
    {
        gomokuMenuAttach(currentMenu, button);
    }
}
