// The input callbacks. Each changes the game state, then asks freeglut for a redraw; none
// draws or calls GL.
#include "app/input.h"

#include "game/analysis.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "game/online.h"
#include "game/opponent.h"
#include "game/records.h"
#include "platform/quit.h"
#include "platform/sleep.h"

#include <cstdint>
#include <string>

#include <GL/freeglut_std.h>

PointUnder pointUnder = nullptr;

namespace
{

// Brings a view angle that has just been turned by 5 degrees back into 0..355: a full turn
// becomes 0 and a step below 0 becomes 355.
float wrapped(float angle)
{
    if (angle > 356.0f)
    {
        return 0.0f;
    }
    if (angle < -1.0f)
    {
        return 355.0f;
    }
    return angle;
}

// Space, and a click once the cursor is on the clicked point: every stone a player places.
void placeAtCursor()
{
    const std::int32_t row = cursorX + BOARD_CENTRE;
    const std::int32_t col = cursorY + BOARD_CENTRE;
    // In an online game the move goes to the server, and is placed when the server has stored
    // it. The computer places its own stones; with the cursor beyond the board's edge there is
    // no cell under it: nothing happens.
    if (!onlineGame.place(row, col) && !computerToMove())
    {
        placeStone(row, col);
    }
}

// The menu's entries in their order: a command, or one option of a choice (who plays, how well
// the computer plays, the rule, the opening). The options of a choice carry its mark, "(*)" on
// the one in force. A new entry is a row here and a value in input.h.
struct MenuEntry
{
    const char *name;
    std::uint8_t (*current)();          // the choice in force; null for a command
    void (*choose)(std::uint8_t value); // makes the choice
    std::uint8_t option;                // the option this entry chooses
};

std::uint8_t currentOpponent()
{
    return opponent;
}
void chooseOpponent(std::uint8_t value)
{
    opponent = value;
    swap2Flips = 0; // the player's own choice stands, whatever swap2 had made of it
}
std::uint8_t currentLevel()
{
    return computerLevel;
}
void chooseLevel(std::uint8_t value)
{
    computerLevel = value;
}
std::uint8_t currentRule()
{
    return static_cast<std::uint8_t>(gameRule);
}
void chooseRuleEntry(std::uint8_t value)
{
    chooseRule(static_cast<engine::Rule>(value));
}
std::uint8_t currentOpening()
{
    return gameOpening;
}
std::uint8_t currentNumbers()
{
    return moveNumbers;
}
void chooseNumbers(std::uint8_t)
{
    toggleMoveNumbers();
}
std::uint8_t currentSeeThrough()
{
    return seeThroughCursor;
}
void chooseSeeThrough(std::uint8_t)
{
    seeThroughCursor ^= 1;
}

const MenuEntry MENU[MENU_ENTRIES] = {
    {"Cheat", nullptr, nullptr, 0},
    {"Restart", nullptr, nullptr, 0},
    {"Undo", nullptr, nullptr, 0},
    {"Two players", currentOpponent, chooseOpponent, OPPONENT_NONE},
    {"Computer plays white", currentOpponent, chooseOpponent, OPPONENT_WHITE},
    {"Computer plays black", currentOpponent, chooseOpponent, OPPONENT_BLACK},
    {"Easy", currentLevel, chooseLevel, LEVEL_EASY},
    {"Medium", currentLevel, chooseLevel, LEVEL_MEDIUM},
    {"Hard", currentLevel, chooseLevel, LEVEL_HARD},
    {"Freestyle", currentRule, chooseRuleEntry, static_cast<std::uint8_t>(engine::Rule::Freestyle)},
    {"Exactly five", currentRule, chooseRuleEntry,
     static_cast<std::uint8_t>(engine::Rule::Standard)},
    {"Renju", currentRule, chooseRuleEntry, static_cast<std::uint8_t>(engine::Rule::Renju)},
    {"Free", currentOpening, chooseOpening, OPENING_FREE},
    {"Swap2", currentOpening, chooseOpening, OPENING_SWAP2},
    {"Save game", nullptr, nullptr, 0},
    {"Play on from here", nullptr, nullptr, 0},
    {"Move numbers", currentNumbers, chooseNumbers, 1}, // a toggle: "(*)" while they show
    {"Hint", nullptr, nullptr, 0},
    {"Analyse game", nullptr, nullptr, 0},
    {"Swap2: take white", nullptr, nullptr, 0},
    {"Swap2: take black", nullptr, nullptr, 0},
    {"Swap2: place two more", nullptr, nullptr, 0},
    {"Allow taking back", nullptr, nullptr, 0},
    {"Refuse taking back", nullptr, nullptr, 0},
    {"Yes, abandon this game", nullptr, nullptr, 0},
    {"No, go on with this game", nullptr, nullptr, 0},
    {"See-through cursor", currentSeeThrough, chooseSeeThrough, 1}, // a toggle
};

// The answers' entries, with the question each answers.
struct AnswerEntry
{
    int value;
    int asked;         // the ASKED_ bit under which it answers
    unsigned char key; // the key it presses
};
constexpr AnswerEntry ANSWERS[] = {
    {MENU_SWAP2_WHITE, ASKED_SWAP2_WHITE, '1'}, {MENU_SWAP2_BLACK, ASKED_SWAP2_BLACK, '2'},
    {MENU_SWAP2_TWO, ASKED_SWAP2_TWO, '3'},     {MENU_ALLOW_UNDO, ASKED_UNDO_ANSWER, 'y'},
    {MENU_REFUSE_UNDO, ASKED_UNDO_ANSWER, 'n'}, {MENU_ABANDON_YES, ASKED_ABANDON, 'y'},
    {MENU_ABANDON_NO, ASKED_ABANDON, 'n'},
};
const AnswerEntry *answerEntry(int value)
{
    for (const AnswerEntry &answer : ANSWERS)
    {
        if (answer.value == value)
        {
            return &answer;
        }
    }
    return nullptr;
}

// "Abandon this game?": the step asked about (a menu value, or QUIT_STEP for Esc on the page),
// the game it was asked of (it lapses when the game changes) and the words it replaced.
constexpr int NO_STEP = -1;
constexpr int QUIT_STEP = -2;
int pendingStep = NO_STEP;
std::uint32_t pendingVersion = 0;
std::string noticeBefore;

bool abandonAsked()
{
    return pendingStep != NO_STEP && pendingVersion == gameVersion;
}

// A move played and no winner yet, in the online game if there is one, else on the board.
bool gameInProgress()
{
    if (onlineGame.active())
    {
        return onlineGame.inProgress();
    }
    return historyLength + laterCount > 0 && gameOver == 0;
}

// The steps that end the game on the board and start another.
bool abandonsGame(int value)
{
    if (value == MENU_PLAY_ONLINE || value == MENU_LEAVE_ONLINE || value == QUIT_STEP)
    {
        return true;
    }
    // In an online game the entries of local play do nothing.
    return !onlineGame.active() &&
           (value == MENU_RESTART || (value >= MENU_FREESTYLE && value <= MENU_SWAP2));
}

void askToAbandon(int step)
{
    pendingStep = step;
    pendingVersion = gameVersion;
    if (onlineGame.active())
    {
        onlineGame.tell(ABANDON_QUESTION);
    }
    else
    {
        noticeBefore = gameNotice;
        announce(ABANDON_QUESTION);
    }
}

// The question goes, and with it its words.
void dropQuestion()
{
    if (!abandonAsked())
    {
        pendingStep = NO_STEP;
        return;
    }
    pendingStep = NO_STEP;
    if (onlineGame.active())
    {
        onlineGame.tell("");
    }
    else
    {
        announce(noticeBefore);
    }
}

// The answer: the game goes on as it was, or the step is taken.
void runMenu(int value);
void answerAbandon(bool yes)
{
    const int step = pendingStep;
    dropQuestion();
    if (!yes)
    {
        return;
    }
    if (step == QUIT_STEP)
    {
        platformQuit(0);
    }
    else
    {
        runMenu(step);
    }
}

// The swap2 choice of keys 1, 2 and 3, the player's own when it is theirs to make; in an online
// game it goes to the server.
void chooseByKey(unsigned char key)
{
    if (!onlineGame.choose(key - '0') && !computerToMove() && chooseInSwap2(key - '0'))
    {
        relabelMenu(); // the computer may now play the other side
    }
}

// y and n: the answer to "Abandon this game?" while it is asked, else to the other player's
// request to take back a move.
void answerByKey(bool yes)
{
    if (abandonAsked())
    {
        answerAbandon(yes);
    }
    else
    {
        onlineGame.answerUndo(yes);
    }
}

// While the game runs, puts the cursor on the point under the pointer; false if there is none.
bool cursorToPointer(int x, int y)
{
    int row = 0;
    int col = 0;
    if (gameOver != 0 || pointUnder == nullptr || !pointUnder(x, y, &row, &col))
    {
        return false;
    }
    cursorX = row - BOARD_CENTRE;
    cursorY = col - BOARD_CENTRE;
    return true;
}

// Home, Page Up, Page Down and End step through the game on the board; not in an online game,
// whose moves are the server's to place.
void stepThroughGame(int key)
{
    if (onlineGame.active())
    {
        return;
    }
    switch (key)
    {
    case GLUT_KEY_HOME:
        stepToFirst();
        break;
    case GLUT_KEY_PAGE_UP:
        stepBack();
        break;
    case GLUT_KEY_PAGE_DOWN:
        stepForward();
        break;
    case GLUT_KEY_END:
        stepToLast();
        break;
    default:
        return;
    }
    sayMarkOfShownMove(); // a move the analysis marked says what it did
}

} // namespace

const char *menuLabel(int value)
{
    static std::string labels[MENU_ENTRIES];
    if (value < 0 || value >= MENU_ENTRIES)
    {
        return "";
    }
    const MenuEntry &entry = MENU[value];
    labels[value] =
        entry.current == nullptr
            ? entry.name
            : std::string(entry.current() == entry.option ? "(*) " : "( ) ") + entry.name;
    // The answers act for the time their question is asked (the status line says what is), and
    // keep their words short, so that the menu stays as narrow as its longest choice.
    if (answerEntry(value) != nullptr)
    {
        return labels[value].c_str();
    }
    // Saving, the move numbers and the cursor change nothing of the game: they work online too.
    // Only the players take back moves: a watcher is offered nothing of it.
    if (onlineGame.active() && value != MENU_SAVE_GAME && value != MENU_MOVE_NUMBERS &&
        value != MENU_SEE_THROUGH)
    {
        const bool player =
            onlineGame.role() == OnlineRole::Black || onlineGame.role() == OnlineRole::White;
        labels[value] += value == MENU_UNDO && player ? " (ask the other player)" : " (not online)";
    }
    return labels[value].c_str();
}

namespace
{

int labelledAsked = 0; // what was asked when the labels were last given

// The answers' entries follow what is asked.
void relabelIfAsked()
{
    if (askedNow() != labelledAsked)
    {
        relabelMenu();
    }
}

} // namespace

// The labels follow the choices, whose marks move when a choice is made, and say in an online
// game that they are not for it.
void relabelMenu()
{
    labelledAsked = askedNow();
    for (int value = 0; value < MENU_ENTRIES; ++value)
    {
        glutChangeToMenuEntry(value + 1, menuLabel(value), value);
    }
}

void onKeyboard(unsigned char key, int, int)
{
    // The analysis is of the game as it was when it began: any key stops it.
    cancelAnalysis();
    // A hint under way is for the game as it was asked about: any other key drops it.
    if (key != 'h' && key != 'H')
    {
        cancelHintThought();
    }
    if (key == 'h' || key == 'H')
    {
        hintKey();
    }
    if (key == 'm' || key == 'M')
    {
        toggleMoveNumbers();
        relabelMenu();
    }
    if ((key == 'p' || key == 'P') && !onlineGame.active())
    {
        playOnFromHere();
    }
    if (gameOver == 0)
    {
        switch (key)
        {
        case ' ':
            placeAtCursor();
            break;
        case 'a':
        case 'A':
            cursorX -= 1;
            break;
        case 'd':
        case 'D':
            cursorX += 1;
            break;
        case 's':
        case 'S':
            cursorY -= 1;
            break;
        case 'w':
        case 'W':
            cursorY += 1;
            break;
        default:
            break;
        }
    }
    // Swap2's choices, the player's own when it is theirs to make; in an online game they go to
    // the server.
    if (key >= '1' && key <= '3')
    {
        chooseByKey(key);
    }
    // Taking back works after a five too: the winning stone goes and the game goes on. In an
    // online game, whose moves are the server's, the other player is asked, and answers y or n.
    if ((key == 'u' || key == 'U') && !onlineGame.askUndo())
    {
        undoForPlayer();
        relabelMenu(); // a game brought back brings back its rule and opening
    }
    if (key == 'y' || key == 'Y' || key == 'n' || key == 'N')
    {
        answerByKey(key == 'y' || key == 'Y');
    }
    if (key == KEY_ESCAPE)
    {
#ifdef __EMSCRIPTEN__
        // On the page Esc ends the game, which a slip of the finger should not do unasked.
        if (gameInProgress())
        {
            askToAbandon(QUIT_STEP);
        }
        else
        {
            platformQuit(0);
        }
#else
        platformQuit(0);
#endif
    }
    relabelIfAsked();
    glutPostRedisplay();
}

void onSpecialKey(int key, int, int)
{
    switch (key)
    {
    case GLUT_KEY_UP:
        viewPitch -= 5.0f;
        break;
    case GLUT_KEY_DOWN:
        viewPitch += 5.0f;
        break;
    case GLUT_KEY_LEFT:
        viewYaw -= 5.0f;
        break;
    case GLUT_KEY_RIGHT:
        viewYaw += 5.0f;
        break;
    default:
        // Only turning the board leaves the analysis going.
        cancelAnalysis();
        stepThroughGame(key);
        break;
    }
    viewPitch = wrapped(viewPitch);
    viewYaw = wrapped(viewYaw);
    glutPostRedisplay();
}

void onMouse(int button, int state, int x, int y)
{
    if (state == GLUT_DOWN)
    {
        cancelAnalysis();
        cancelHintThought();
    }
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN && cursorToPointer(x, y))
    {
        placeAtCursor();
    }
    glutPostRedisplay();
}

void onMotion(int x, int y)
{
    cursorToPointer(x, y);
    glutPostRedisplay();
}

void onPassiveMotion(int x, int y)
{
    cursorToPointer(x, y);
    glutPostRedisplay();
}

int askedNow()
{
    int asked = abandonAsked() ? ASKED_ABANDON : 0;
    bool choosing = false;
    if (onlineGame.active())
    {
        asked |= onlineGame.undoAskedOfMe() ? ASKED_UNDO_ANSWER : 0;
        choosing = onlineGame.choiceIsMine();
    }
    else
    {
        choosing = gameOver == 0 && !reviewing() && !computerToMove();
    }
    if (choosing && swap2Step() == SWAP2_SECOND_CHOICE)
    {
        asked |= ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK | ASKED_SWAP2_TWO;
    }
    else if (choosing && swap2Step() == SWAP2_FIRST_CHOICE)
    {
        asked |= ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK;
    }
    return asked;
}

void onMenu(int value)
{
    // The answers press their keys, for the time their question is asked.
    if (const AnswerEntry *answer = answerEntry(value))
    {
        if ((askedNow() & answer->asked) != 0)
        {
            onKeyboard(answer->key, 0, 0);
        }
        relabelIfAsked();
        return;
    }
    // A step that would end a game in progress asks first.
    if (abandonsGame(value) && gameInProgress())
    {
        cancelHintThought();
        cancelAnalysis();
        askToAbandon(value);
        relabelMenu();
        glutPostRedisplay();
        return;
    }
    runMenu(value);
    relabelIfAsked();
}

namespace
{

void runMenu(int value)
{
    dropQuestion(); // what was asked is answered by this step
    if (value != MENU_HINT)
    {
        cancelHintThought();
    }
    if (value != MENU_ANALYSE)
    {
        cancelAnalysis();
    }
    // Shown online too: they change nothing of the game.
    if (value == MENU_SEE_THROUGH)
    {
        chooseSeeThrough(1);
        relabelMenu();
        glutPostRedisplay();
        return;
    }
    if (value == MENU_MOVE_NUMBERS)
    {
        toggleMoveNumbers();
        relabelMenu();
        glutPostRedisplay();
        return;
    }
    // The online game's own entries; in an online game, the entries of local play do nothing.
    if (value == MENU_PLAY_ONLINE || value == MENU_LEAVE_ONLINE)
    {
        value == MENU_PLAY_ONLINE ? onlineGame.create() : onlineGame.leave();
        glutPostRedisplay();
        return;
    }
    if (value == MENU_SAVE_GAME)
    {
        saveWindowGame();
        glutPostRedisplay();
        return;
    }
    if (onlineGame.active())
    {
        if (value == MENU_UNDO)
        {
            onlineGame.askUndo();
        }
        return;
    }
    if (value >= 0 && value < MENU_ENTRIES && MENU[value].current != nullptr)
    {
        MENU[value].choose(MENU[value].option);
        relabelMenu();
    }
    else if (value == MENU_CHEAT)
    {
        cheatMode ^= 1;
    }
    else if (value == MENU_UNDO)
    {
        undoForPlayer();
        relabelMenu(); // a game brought back brings back its rule and opening
    }
    else if (value == MENU_PLAY_ON)
    {
        playOnFromHere();
    }
    else if (value == MENU_HINT)
    {
        hintKey();
    }
    else if (value == MENU_ANALYSE)
    {
        analyseKey();
    }
    else // "Restart", and any value no entry has
    {
        restartGame();
    }
    glutPostRedisplay();
}

} // namespace

void onTimer(int)
{
    glutPostRedisplay();
    glutTimerFunc(TIMER_INTERVAL_MS, onTimer, 1);
}

void onIdle()
{
    const std::uint8_t before = opponent;
    thinkFor(THINKING_SLICE_MS);
    // The computer took the other side in swap2, or what the player is asked changed (a choice
    // came with the computer's stone or the server's state).
    if (opponent != before)
    {
        relabelMenu();
    }
    relabelIfAsked();
    lookForHint(THINKING_SLICE_MS);
    lookForAnalysis(THINKING_SLICE_MS);
    platformPaceFrame();
}
