// The game's side of the page's records (the page's side is platform/web/records.js): a record's
// bytes opened on the board, the window's game as SGF for the page's list of recent games, and
// where the game on the board stands for the page's review buttons.
#include "app/records_web.h"

#include "core/record.h"
#include "game/game_state.h"
#include "app/input.h"
#include "game/online.h"
#include "game/records.h"

#include <GL/freeglut_std.h>
#include <emscripten.h>

#include <string>

// platform/web/records.js, which this call brings into the program.
extern "C" void gomokuRecordsStart();

namespace
{

std::string recordBytes; // the record the page is handing over
std::string answer;      // what the last call below returned, kept until the next

} // namespace

void addPageRecordEntries()
{
    glutAddMenuEntry("Open game\xE2\x80\xA6", MENU_OPEN_GAME); // "Open game…"
    glutAddMenuEntry("Recent games", MENU_RECENT_GAMES);
    gomokuRecordsStart();
}

extern "C"
{

    // Room for a record of `size` bytes, which the page writes there before gomokuOpenRecord.
    EMSCRIPTEN_KEEPALIVE char *gomokuRecordBuffer(int size)
    {
        recordBytes.assign(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
        return recordBytes.data();
    }

    // Opens the record in the buffer on the board for review: "" when it is open, else why not
    // (the reader's message, or that an online game is on), with the game as it was.
    EMSCRIPTEN_KEEPALIVE const char *gomokuOpenRecord()
    {
        answer.clear();
        if (onlineGame.active())
        {
            answer = "an online game is on: leave it first";
        }
        else if (openRecordText(recordBytes, &answer))
        {
            answer.clear();
            relabelMenu(); // the record is for two players, under its own rule and opening
            glutPostRedisplay();
        }
        recordBytes.clear();
        return answer.c_str();
    }

    // The window's game, the moves after the one shown included, as SGF; "" when it cannot be a
    // record (a stone placed over another with Cheat).
    EMSCRIPTEN_KEEPALIVE const char *gomokuWindowRecord()
    {
        core::Record record;
        std::string why;
        answer = recordOfWindowGame(&record, &why) ? core::writeSgf(record) : std::string();
        return answer.c_str();
    }

    // Where the game on the board stands, in one number: the moves shown (bits 0-9), the moves of
    // the whole game (bits 10-19), an online game on (bit 20), and the game over, at its end (bit
    // 21: a five, or a full board).
    EMSCRIPTEN_KEEPALIVE int gomokuReviewState()
    {
        const int total = historyLength + laterCount;
        const bool over = laterCount == 0 && (gameOver != 0 || total >= BOARD_CELLS);
        return (historyLength & 0x3FF) | (total & 0x3FF) << 10 |
               (onlineGame.active() ? 1 << 20 : 0) | (over ? 1 << 21 : 0);
    }

    // Changes with every placement, undo, restart and step: the page's list keeps a game once.
    EMSCRIPTEN_KEEPALIVE unsigned gomokuBoardVersion()
    {
        return boardVersion;
    }

    // The page's "Play on from here", the menu's entry.
    EMSCRIPTEN_KEEPALIVE void gomokuPlayOn()
    {
        onMenu(MENU_PLAY_ON);
    }

} // extern "C"
