// The game's state variables and its rules: placement, restart, the five-in-a-row test under the
// rule in force, black's forbidden points under renju, and the swap2 opening.
#include "game/game_state.h"

#include "game/local_clock.h"
#include "game/opponent.h"
#include "game/rules.h"

#include <algorithm>
#include <array>
#include <iterator>

std::int32_t Board[BOARD_CELLS];
std::int32_t cursorX;
std::int32_t cursorY;
std::uint8_t sideToMove;
std::uint8_t cheatMode;
std::uint8_t gameOver;
std::int32_t winRow;
std::int32_t winCol;
std::int32_t winDirection;
float viewPitch;
float viewYaw;
MoveRecord moveHistory[MAX_HISTORY];
std::int32_t historyLength;
std::uint32_t boardVersion;
std::uint32_t gameVersion;
ClearedGame clearedGames[MAX_CLEARED_GAMES];
std::int32_t clearedGameCount;
engine::Rule gameRule = engine::Rule::Freestyle;
std::uint8_t gameOpening = OPENING_FREE;
std::uint8_t swap2SecondChoice;
std::uint8_t swap2FirstChoice;
std::uint8_t swap2Flips;
std::string gameNotice;
std::uint32_t noticeNumber;
MoveRecord laterMoves[MAX_HISTORY];
std::int32_t laterCount;

namespace
{

std::int32_t &cellAt(int row, int col)
{
    return Board[row * BOARD_SIZE + col];
}

// The value the side to move places.
std::int32_t stoneOfSideToMove()
{
    return sideToMove == 0 ? CELL_BLACK : CELL_WHITE;
}

void say(std::string words)
{
    gameNotice = std::move(words);
    ++noticeNumber;
}

// Who acts, in words.
std::string playerName(int player)
{
    const bool computer =
        (player == 1 && opponent == OPPONENT_BLACK) || (player == 2 && opponent == OPPONENT_WHITE);
    return std::string(player == 1 ? "the first player" : "the second player") +
           (computer ? " (the computer)" : "");
}

// What the swap2 step asks for, said when the step begins.
void announceSwap2Step()
{
    switch (swap2Step())
    {
    case SWAP2_THREE:
        say("Swap2: " + playerName(1) + " places three stones: black, white, black.");
        break;
    case SWAP2_SECOND_CHOICE:
        say("Swap2: " + playerName(2) +
            " chooses: 1 to play white (or place white's stone), 2 to play black, 3 to place two "
            "more stones.");
        break;
    case SWAP2_TWO_MORE:
        say("Swap2: " + playerName(2) + " places two more stones: white, then black.");
        break;
    case SWAP2_FIRST_CHOICE:
        say("Swap2: " + playerName(1) +
            " chooses: 1 to play white (or place white's stone), 2 to play black.");
        break;
    default:
        break;
    }
}

// The computer plays the other side.
void flipComputer()
{
    if (opponent != OPPONENT_NONE)
    {
        opponent = opponent == OPPONENT_WHITE ? OPPONENT_BLACK : OPPONENT_WHITE;
    }
}

// Forgets the choices that came at or after the stones now taken back, and gives the computer
// back the side it had before them.
void forgetLaterChoices()
{
    if (historyLength <= 5 && swap2FirstChoice != 0)
    {
        if ((swap2Flips & 2) != 0)
        {
            flipComputer();
        }
        swap2FirstChoice = 0;
        swap2Flips &= 1;
    }
    if (historyLength <= 3 && swap2SecondChoice != 0)
    {
        if ((swap2Flips & 1) != 0)
        {
            flipComputer();
        }
        swap2SecondChoice = 0;
        swap2Flips &= 2;
    }
}

const char *foulName(engine::Foul foul)
{
    switch (foul)
    {
    case engine::Foul::DoubleThree:
        return "a double three";
    case engine::Foul::DoubleFour:
        return "a double four";
    default:
        return "an overline";
    }
}

// Black's fouls on every point, for the board they were worked out on.
struct Fouls
{
    bool known = false;
    std::uint32_t boardVersion = 0;
    engine::Rule rule = engine::Rule::Freestyle;
    std::array<engine::Foul, BOARD_CELLS> foul{};
};
Fouls fouls;

engine::Foul foulAt(int row, int col)
{
    if (gameRule != engine::Rule::Renju)
    {
        return engine::Foul::None;
    }
    if (!fouls.known || fouls.boardVersion != boardVersion || fouls.rule != gameRule)
    {
        const engine::Grid grid = gridOf(Board);
        for (int r = 0; r < BOARD_SIZE; ++r)
        {
            for (int c = 0; c < BOARD_SIZE; ++c)
            {
                fouls.foul[r * BOARD_SIZE + c] = engine::foul(grid, c, r);
            }
        }
        fouls.known = true;
        fouls.boardVersion = boardVersion;
        fouls.rule = gameRule;
    }
    return fouls.foul[row * BOARD_SIZE + col];
}

// Adds a placement to the history, forgetting the oldest when it is full.
void remember(const MoveRecord &record)
{
    if (historyLength == MAX_HISTORY)
    {
        std::copy(std::begin(moveHistory) + 1, std::end(moveHistory), std::begin(moveHistory));
        --historyLength;
    }
    moveHistory[historyLength++] = record;
}

// Keeps the game on the board among the cleared games, forgetting the oldest when they are full.
void keepClearedGame()
{
    if (clearedGameCount == MAX_CLEARED_GAMES)
    {
        std::copy(std::begin(clearedGames) + 1, std::end(clearedGames), std::begin(clearedGames));
        --clearedGameCount;
    }
    ClearedGame &kept = clearedGames[clearedGameCount++];
    std::copy(std::begin(Board), std::end(Board), std::begin(kept.board));
    std::copy(moveHistory, moveHistory + historyLength, kept.history);
    kept.historyLength = historyLength;
    kept.cursorX = cursorX;
    kept.cursorY = cursorY;
    kept.sideToMove = sideToMove;
    kept.cheatMode = cheatMode;
    kept.gameOver = gameOver;
    kept.winRow = winRow;
    kept.winCol = winCol;
    kept.winDirection = winDirection;
    kept.rule = gameRule;
    kept.opening = gameOpening;
    kept.swap2SecondChoice = swap2SecondChoice;
    kept.swap2FirstChoice = swap2FirstChoice;
    kept.swap2Flips = swap2Flips;
    kept.timeControl = gameTimeControl;
}

// Puts the last game Restart cleared back on the board, as Restart found it.
void bringBackClearedGame()
{
    const ClearedGame &kept = clearedGames[--clearedGameCount];
    std::copy(std::begin(kept.board), std::end(kept.board), std::begin(Board));
    std::copy(kept.history, kept.history + kept.historyLength, moveHistory);
    historyLength = kept.historyLength;
    cursorX = kept.cursorX;
    cursorY = kept.cursorY;
    sideToMove = kept.sideToMove;
    cheatMode = kept.cheatMode;
    gameOver = kept.gameOver;
    winRow = kept.winRow;
    winCol = kept.winCol;
    winDirection = kept.winDirection;
    gameRule = kept.rule;
    gameOpening = kept.opening;
    swap2SecondChoice = kept.swap2SecondChoice;
    swap2FirstChoice = kept.swap2FirstChoice;
    swap2Flips = kept.swap2Flips;
    gameTimeControl = kept.timeControl;
    beginLocalTurn(); // the clocks as its moves left them, the side to move's running from now
    // Restart gave the computer back the side it had before the choices: they stand again.
    for (int bit : {1, 2})
    {
        if ((swap2Flips & bit) != 0)
        {
            flipComputer();
        }
    }
    ++boardVersion;
    ++gameVersion;
}

// "Move N of M" for the game as shown; with `refused`, why nothing is placed or taken back there.
void sayShownMove(bool refused)
{
    if (laterCount == 0)
    {
        say("");
        return;
    }
    std::string words = "Move " + std::to_string(historyLength) + " of " +
                        std::to_string(historyLength + laterCount);
    if (refused)
    {
        words += ": End goes back to the last move, \"Play on from here\" plays from this one.";
    }
    say(words);
}

// The swap2 choices of the game as it stood when its review began, made again when stepping
// forward comes back past the stones they followed.
struct ReviewChoices
{
    std::uint8_t second, first, flips;
};
ReviewChoices reviewChoices;

void restoreChoices()
{
    if (historyLength >= 3 && swap2SecondChoice == 0 && reviewChoices.second != 0)
    {
        swap2SecondChoice = reviewChoices.second;
        if ((reviewChoices.flips & 1) != 0)
        {
            flipComputer();
            swap2Flips |= 1;
        }
    }
    if (historyLength >= 5 && swap2FirstChoice == 0 && reviewChoices.first != 0)
    {
        swap2FirstChoice = reviewChoices.first;
        if ((reviewChoices.flips & 2) != 0)
        {
            flipComputer();
            swap2Flips |= 2;
        }
    }
}

// Takes the last placement off the board: the cell holds again what it held, that side is to
// move again, and a five it made no longer ends the game. Returns what was taken.
MoveRecord takeBackLast()
{
    const MoveRecord last = moveHistory[--historyLength];
    cellAt(last.row, last.col) = last.replaced;
    sideToMove = last.side;
    ++boardVersion;
    forgetLaterChoices();
    gameOver = 0;
    scanForFive();
    return last;
}

} // namespace

void announce(std::string words)
{
    say(std::move(words));
}

bool reviewing()
{
    return laterCount > 0;
}

void stepBack()
{
    if (historyLength == 0)
    {
        return;
    }
    if (laterCount == 0)
    {
        reviewChoices = ReviewChoices{swap2SecondChoice, swap2FirstChoice, swap2Flips};
        pauseLocalClock(true); // no clock runs while the game is looked back on
    }
    laterMoves[laterCount++] = takeBackLast();
    sayShownMove(false);
}

void stepForward()
{
    if (laterCount == 0)
    {
        return;
    }
    restoreChoices();
    const MoveRecord next = laterMoves[--laterCount];
    remember(next);
    cellAt(next.row, next.col) = next.side == 0 ? CELL_BLACK : CELL_WHITE;
    sideToMove = next.side ^ 1;
    ++boardVersion;
    restoreChoices();
    gameOver = 0;
    scanForFive();
    sayShownMove(false);
    if (laterCount == 0)
    {
        pauseLocalClock(false);
        flagIfOutOfTime(); // a game lost on time is lost again at its end
    }
}

void stepToFirst()
{
    while (historyLength > 0)
    {
        stepBack();
    }
}

void stepToLast()
{
    while (laterCount > 0)
    {
        stepForward();
    }
}

void wholeGameChoices(std::uint8_t *second, std::uint8_t *first)
{
    *second = laterCount > 0 ? reviewChoices.second : swap2SecondChoice;
    *first = laterCount > 0 ? reviewChoices.first : swap2FirstChoice;
}

void playOnFromHere()
{
    if (laterCount == 0)
    {
        return;
    }
    laterCount = 0;
    ++gameVersion;
    pauseLocalClock(false);
    beginLocalTurn();
    say("Playing on from move " + std::to_string(historyLength) + ".");
}

bool forbiddenForBlack(int row, int col)
{
    return onBoard(row, col) && cellAt(row, col) == CELL_EMPTY &&
           foulAt(row, col) != engine::Foul::None;
}

std::uint8_t swap2Step()
{
    if (gameOpening != OPENING_SWAP2)
    {
        return SWAP2_OVER;
    }
    if (historyLength < 3)
    {
        return SWAP2_THREE;
    }
    if (swap2SecondChoice == 0)
    {
        return SWAP2_SECOND_CHOICE;
    }
    if (swap2SecondChoice != SWAP2_TWO_STONES)
    {
        return SWAP2_OVER;
    }
    if (historyLength < 5)
    {
        return SWAP2_TWO_MORE;
    }
    return swap2FirstChoice == 0 ? SWAP2_FIRST_CHOICE : SWAP2_OVER;
}

int swap2Player()
{
    switch (swap2Step())
    {
    case SWAP2_THREE:
    case SWAP2_FIRST_CHOICE:
        return 1;
    case SWAP2_SECOND_CHOICE:
    case SWAP2_TWO_MORE:
        return 2;
    default:
        return 0;
    }
}

bool chooseInSwap2(int choice)
{
    const std::uint8_t step = swap2Step();
    const bool second = step == SWAP2_SECOND_CHOICE;
    if (gameOver != 0 || (!second && step != SWAP2_FIRST_CHOICE) ||
        (choice != SWAP2_PLAY_WHITE && choice != SWAP2_PLAY_BLACK &&
         (choice != SWAP2_TWO_STONES || !second)))
    {
        return false;
    }
    // Until now the first player was black's and the second white's.
    const int chooser = second ? 2 : 1;
    const bool flips = choice != SWAP2_TWO_STONES && (chooser == 1) == (choice == SWAP2_PLAY_WHITE);
    const std::string who = playerName(chooser);
    if (flips)
    {
        flipComputer();
        swap2Flips |= second ? 1 : 2;
    }
    if (second)
    {
        swap2SecondChoice = static_cast<std::uint8_t>(choice);
    }
    else
    {
        swap2FirstChoice = static_cast<std::uint8_t>(choice);
    }
    if (choice == SWAP2_TWO_STONES)
    {
        announceSwap2Step();
    }
    else
    {
        say("Swap2: " + who + " plays " + (choice == SWAP2_PLAY_WHITE ? "white" : "black") +
            "; white to move.");
    }
    return true;
}

void placeStone(std::int32_t row, std::int32_t col)
{
    if (reviewing())
    {
        sayShownMove(true);
        return;
    }
    // A stone after its side's time ran out is not placed: the game is lost on time instead.
    if (flagIfOutOfTime())
    {
        return;
    }
    const Placement placement = placementAt(Board, row, col);
    if (placement == Placement::OffBoard)
    {
        return; // refused: no point there; the turn does not pass
    }
    if (cheatMode == 0 && placement == Placement::Occupied)
    {
        if (gameOver == 0)
        {
            say("That point is taken.");
        }
        return; // refused, with its reason; the turn does not pass
    }
    std::int32_t &cell = cellAt(row, col);
    if (sideToMove == 0 && cell == CELL_EMPTY && gameOver == 0)
    {
        if (const engine::Foul foul = foulAt(row, col); foul != engine::Foul::None)
        {
            say(std::string("Black may not play there under renju: ") + foulName(foul) + ".");
            return;
        }
    }
    // A stone at a choosing step of swap2 chooses to play white.
    if (swap2Step() == SWAP2_SECOND_CHOICE || swap2Step() == SWAP2_FIRST_CHOICE)
    {
        chooseInSwap2(SWAP2_PLAY_WHITE);
    }
    const std::uint8_t stepBefore = swap2Step();
    // In cheat mode the stone goes down whatever the cell held, even one's own stone, and the
    // turn passes all the same.
    remember(MoveRecord{row, col, cell, sideToMove, takeMoveMs()});
    cell = stoneOfSideToMove();
    sideToMove ^= 1;
    ++boardVersion;
    ++gameVersion;
    if (swap2Step() != stepBefore)
    {
        announceSwap2Step();
    }
    else if (!gameNotice.empty() && swap2Step() == SWAP2_OVER)
    {
        say(""); // what was said is done with
    }
    // Several keys may arrive before the next frame is drawn: finding a five here ends the
    // game before the next key is read, so no move can follow a five.
    scanForFive();
}

namespace
{

// Restart's clearing, once the game on the board is kept. A new game opens with black, but for
// Restart after a won game, where the loser opens (the game's way from the first): `loserOpens`.
void clearForNewGame(bool loserOpens = false)
{
    cursorX = 0;
    cursorY = 0;
    cheatMode = 0;
    std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
    gameOver = 0;
    historyLength = 0;
    ++boardVersion;
    ++gameVersion;
    drawGameSeed();
    // After a won game the side to move, the loser, moves first; else black does. Renju's black
    // always opens, and swap2 begins with black's stone.
    forgetLaterChoices();
    if (!loserOpens || gameRule == engine::Rule::Renju || gameOpening == OPENING_SWAP2)
    {
        sideToMove = 0;
    }
    beginLocalGame();
    if (gameOpening == OPENING_SWAP2)
    {
        announceSwap2Step();
    }
    else if (!gameNotice.empty())
    {
        say("");
    }
}

// Keeps the game on the board for Undo, if a stone was placed: with the rule it was played under.
void keepGameWithAStone()
{
    if (historyLength > 0)
    {
        keepClearedGame();
    }
}

} // namespace

void restartGame()
{
    stepToLast();
    keepGameWithAStone();
    clearForNewGame(gameOver != 0);
}

void chooseRule(engine::Rule rule)
{
    stepToLast();
    keepGameWithAStone();
    gameRule = rule;
    clearForNewGame();
    if (gameOpening == OPENING_FREE)
    {
        say(rule == engine::Rule::Renju ? "Renju: a new game. Black may not make a double three, "
                                          "a double four or an overline."
            : rule == engine::Rule::Standard ? "Exactly five: a new game. Six or more in a row "
                                               "do not win."
                                             : "Freestyle: a new game. Five or more in a row win.");
    }
}

void chooseOpening(std::uint8_t opening)
{
    stepToLast();
    keepGameWithAStone();
    gameOpening = opening == OPENING_SWAP2 ? OPENING_SWAP2 : OPENING_FREE;
    clearForNewGame();
    if (gameOpening == OPENING_FREE)
    {
        say("Free: a new game. Black places the first stone anywhere.");
    }
}

void undoMove()
{
    if (reviewing())
    {
        sayShownMove(true);
        return;
    }
    if (historyLength == 0)
    {
        if (clearedGameCount > 0)
        {
            bringBackClearedGame();
            announceSwap2Step();
        }
        return;
    }
    const std::uint8_t stepBefore = swap2Step();
    // The five, if this stone made it, is gone; a five made before it would be found again.
    takeBackLast();
    ++gameVersion;
    if (localClockTimed())
    {
        beginLocalTurn(); // the time since the move kept is given back
    }
    if (swap2Step() != stepBefore)
    {
        announceSwap2Step();
    }
}

void checkFiveAt(std::int32_t row, std::int32_t col)
{
    for (std::int32_t direction = DIR_ROW; direction <= DIR_ANTIDIAGONAL; ++direction)
    {
        // Each match overwrites the record: the last matching direction stands.
        if (fiveCentredAt(Board, row, col, direction, gameRule))
        {
            winRow = row;
            winCol = col;
            winDirection = direction;
            gameOver = 1;
        }
    }
}

void scanForFive()
{
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            checkFiveAt(row, col);
        }
    }
}

void showGame(engine::Rule rule, std::uint8_t opening, const MoveRecord *moves, int count,
              std::uint8_t secondChoice, std::uint8_t firstChoice)
{
    restartGame();
    gameRule = rule;
    gameOpening = opening == OPENING_SWAP2 ? OPENING_SWAP2 : OPENING_FREE;
    gameTimeControl = core::TimeControl{}; // a game from elsewhere is looked at, not timed
    sideToMove = 0;
    reviewChoices = ReviewChoices{secondChoice, firstChoice, 0};
    for (int i = 0; i < count && i < MAX_HISTORY; ++i)
    {
        restoreChoices();
        MoveRecord move = moves[i];
        if (!onBoard(move.row, move.col))
        {
            break;
        }
        move.side = static_cast<std::uint8_t>(i % 2);
        move.replaced = cellAt(move.row, move.col);
        remember(move);
        cellAt(move.row, move.col) = move.side == 0 ? CELL_BLACK : CELL_WHITE;
        sideToMove = move.side ^ 1;
    }
    restoreChoices();
    ++boardVersion;
    ++gameVersion;
    gameOver = 0;
    scanForFive();
    say("");
}
