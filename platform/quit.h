// Ending the program.
#pragma once

// Ends the game with `status`: the process exits on the desktop; in the browser the frame loop
// stops and the page says that the game has ended.
[[noreturn]] void platformQuit(int status);
