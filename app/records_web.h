// The page's own way with records (platform/web/records.js has its side): "Open game…" and
// "Recent games" in the menu, and the calls the page makes of the game for them.
#pragma once

// The page's entries, after the online game's; menu.js gives the values from 110 on to the page,
// never to the game's menu callback.
inline constexpr int MENU_OPEN_GAME = 110;
inline constexpr int MENU_RECENT_GAMES = 111;

// Adds the page's entries to the menu being built.
void addPageRecordEntries();
