// A resignation and a draw at this board. The game is over by setting gameOver as a five does
// (1, the banner showing the side that did not resign: it made the last move) or to GAME_DRAWN,
// which shows no banner; taking back the last stone takes the ending back with it.
#include "game/ending.h"

#include "engine/evaluation.h"
#include "game/game_state.h"
#include "game/opponent.h"

#include <string>

namespace
{

// The offer of a draw that waits: made at this many moves, with this notice on the status line.
// A move, a take-back, a restart or any other notice since has answered it.
int offerSide = -1;
std::int32_t offerAt = -1;
std::uint32_t offerNotice = 0;

const char *sideWord(int side)
{
    return side == 0 ? "Black" : "White";
}
const char *otherWord(int side)
{
    return side == 0 ? "white" : "black";
}

// The computer's side, or -1 between two players.
int computerSide()
{
    return opponent == OPPONENT_WHITE ? 1 : opponent == OPPONENT_BLACK ? 0 : -1;
}

bool gameGoesOn()
{
    if (gameOver != 0)
    {
        announce("The game is over.");
        return false;
    }
    if (computerSide() == sideToMove)
    {
        announce("The computer is to move: resign or offer a draw on your own move.");
        return false;
    }
    return true;
}

void drawAgreed(const std::string &words)
{
    gameOver = GAME_DRAWN;
    winDirection = 0; // no five to draw
    offerSide = -1;
    announce(words);
}

} // namespace

bool computerTakesDraw(int computer, int toMove)
{
    engine::Position pos(BOARD_SIZE, gameRule);
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            const std::int32_t cell = Board[row * BOARD_SIZE + col];
            if (cell != CELL_EMPTY)
            {
                pos.place(pos.at(col, row), cell == CELL_BLACK ? 0 : 1);
            }
        }
    }
    pos.setToMove(toMove);
    const int mover = engine::evaluate(pos);
    return (toMove == computer ? mover : -mover) <= DRAW_EVEN_MARGIN;
}

void resignLocal()
{
    if (!gameGoesOn())
    {
        return;
    }
    const int loser = sideToMove;
    gameOver = 1;
    winDirection = 0; // the banner names the winner; there is no five to draw
    offerSide = -1;
    announce(std::string(sideWord(loser)) + " resigned: " + otherWord(loser) +
             " wins by resignation.");
}

void offerDrawLocal()
{
    if (!gameGoesOn())
    {
        return;
    }
    const int side = sideToMove;
    const int computer = computerSide();
    if (computer >= 0)
    {
        if (computerTakesDraw(computer, side))
        {
            drawAgreed("The computer accepts the draw: drawn by agreement.");
        }
        else
        {
            announce("The computer declines the draw: it likes its position.");
        }
        return;
    }
    announce(std::string(sideWord(side)) + " offers a draw: " + otherWord(side) +
             ", accept it (y) or decline (n)?");
    offerSide = side;
    offerAt = historyLength;
    offerNotice = noticeNumber;
}

bool drawOfferedLocal()
{
    return offerSide >= 0 && gameOver == 0 && offerAt == historyLength &&
           offerNotice == noticeNumber;
}

bool answerDrawLocal(bool accept)
{
    if (!drawOfferedLocal())
    {
        return false;
    }
    const int side = offerSide;
    offerSide = -1;
    if (accept)
    {
        drawAgreed("Drawn by agreement.");
    }
    else
    {
        announce(std::string(sideWord(1 - side)) + " declines the draw.");
    }
    return true;
}
