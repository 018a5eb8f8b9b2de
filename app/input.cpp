// The input callbacks. Each changes the game state, then asks freeglut for a redraw; none
// draws or calls GL.
#include "app/input.h"

#include "game/analysis.h"
#include "game/ending.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "game/local_clock.h"
#include "game/online.h"
#include "game/opponent.h"
#include "game/records.h"
#include "platform/quit.h"
#include "platform/sleep.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <GL/freeglut_std.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

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
    {"Starting view", nullptr, nullptr, 0},
    {"Resign", nullptr, nullptr, 0},
    {"Offer a draw", nullptr, nullptr, 0},
    {"Rematch", nullptr, nullptr, 0},
    {"Swap2: take white", nullptr, nullptr, 0},
    {"Swap2: take black", nullptr, nullptr, 0},
    {"Swap2: place two more", nullptr, nullptr, 0},
    {"Allow taking back", nullptr, nullptr, 0},
    {"Refuse taking back", nullptr, nullptr, 0},
    {"Yes, abandon this game", nullptr, nullptr, 0},
    {"No, go on with this game", nullptr, nullptr, 0},
    {"See-through cursor", currentSeeThrough, chooseSeeThrough, 1}, // a toggle
    {"Accept the draw", nullptr, nullptr, 0},
    {"Decline the draw", nullptr, nullptr, 0},
    {"Clock", nullptr, nullptr, 0}, // labelled with the clock chosen
};

// The answers' entries, with the question each answers.
struct AnswerEntry
{
    int value;
    int asked;         // the ASKED_ bit under which it answers
    unsigned char key; // the key it presses
};
constexpr AnswerEntry ANSWERS[] = {
    {MENU_SWAP2_WHITE, ASKED_SWAP2_WHITE, '1'},  {MENU_SWAP2_BLACK, ASKED_SWAP2_BLACK, '2'},
    {MENU_SWAP2_TWO, ASKED_SWAP2_TWO, '3'},      {MENU_ALLOW_UNDO, ASKED_UNDO_ANSWER, 'y'},
    {MENU_REFUSE_UNDO, ASKED_UNDO_ANSWER, 'n'},  {MENU_ABANDON_YES, ASKED_ABANDON, 'y'},
    {MENU_ABANDON_NO, ASKED_ABANDON, 'n'},       {MENU_ACCEPT_DRAW, ASKED_DRAW_ANSWER, 'y'},
    {MENU_DECLINE_DRAW, ASKED_DRAW_ANSWER, 'n'},
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
std::uint32_t noticeNumberBefore = 0;

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
    if (value == MENU_PLAY_ONLINE || value == MENU_PLAY_SOMEONE || value == MENU_LEAVE_ONLINE ||
        value == QUIT_STEP)
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
        noticeNumberBefore = noticeNumber;
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
        // The same notice again, so that what it stood for (an offer of a draw) stands too.
        announce(noticeBefore);
        noticeNumber = noticeNumberBefore;
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
// request to take back a move online, else to an offer of a draw, online or at this board.
void answerByKey(bool yes)
{
    if (abandonAsked())
    {
        answerAbandon(yes);
    }
    else if (onlineGame.undoAskedOfMe())
    {
        onlineGame.answerUndo(yes);
    }
    else if (!onlineGame.answerDraw(yes))
    {
        answerDrawLocal(yes);
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

#ifdef __EMSCRIPTEN__
// The page rests: it draws a frame only when its picture may have changed (a key, the pointer or a
// menu entry asks for one itself; a resize does in onReshape). Between them, the idle callback
// and the timer look at everything the frame and the page's status line show, and ask for a frame
// when any of it differs from what they saw last.
class Fingerprint
{
public:
    template <typename T> Fingerprint &add(const T &value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char byte : bytes)
        {
            hash = (hash ^ byte) * 0x100000001b3; // FNV-1a
        }
        return *this;
    }
    Fingerprint &add(const std::string &text)
    {
        for (char c : text)
        {
            add(c);
        }
        return add(text.size());
    }
    std::uint64_t value() const { return hash; }

private:
    std::uint64_t hash = 0xcbf29ce484222325;
};

std::uint64_t pictureFingerprint()
{
    Fingerprint print;
    for (std::int32_t cell : Board)
    {
        print.add(cell);
    }
    print.add(cursorX).add(cursorY).add(sideToMove).add(cheatMode).add(gameOver);
    print.add(winRow).add(winCol).add(winDirection).add(viewPitch).add(viewYaw);
    print.add(gameRule).add(gameOpening).add(swap2SecondChoice).add(swap2FirstChoice);
    print.add(swap2Flips).add(historyLength).add(laterCount).add(boardVersion).add(gameVersion);
    print.add(gameNotice).add(noticeNumber).add(opponent).add(computerLevel).add(moveNumbers);
    print.add(computerThinking()).add(hintThinking()).add(analysing());
    if (const HintLine *hint = shownHint())
    {
        print.add(hint->length).add(hint->side).add(hint->score);
        for (int i = 0; i < hint->length; ++i)
        {
            print.add(hint->rows[i]).add(hint->cols[i]);
        }
    }
    int marks = 0;
    const MarkedMove *marked = analysisMarks(&marks);
    print.add(marks);
    for (int i = 0; marked != nullptr && i < marks; ++i)
    {
        print.add(marked[i].row).add(marked[i].col);
    }
    print.add(onlineGame.active()).add(onlineGame.status());
    return print.value();
}

std::uint64_t lastFingerprint = 0;
bool framesBegun = false; // the idle callback and the timer ask for no frame before the first
#endif

// Asks for a frame when the picture may have changed: on the desktop always, as the game has
// always drawn continuously; in the page only when something it shows changed.
void redrawIfChanged()
{
#ifdef __EMSCRIPTEN__
    if (!framesBegun)
    {
        return;
    }
    const std::uint64_t now = pictureFingerprint();
    if (now == lastFingerprint)
    {
        return;
    }
    lastFingerprint = now;
#endif
    glutPostRedisplay();
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
        value == MENU_LOCAL_CLOCK ? localClockLabel()
        : entry.current == nullptr
            ? entry.name
            : std::string(entry.current() == entry.option ? "(*) " : "( ) ") + entry.name;
    // The answers act for the time their question is asked (the status line says what is), and
    // keep their words short, so that the menu stays as narrow as its longest choice.
    if (answerEntry(value) != nullptr)
    {
        return labels[value].c_str();
    }
    // Saving, the move numbers, the view and the cursor change nothing of the game: they work
    // online too, as do the endings and the rematch. Only the players take back moves: a watcher
    // is offered nothing of it.
    if (onlineGame.active() && value != MENU_SAVE_GAME && value != MENU_MOVE_NUMBERS &&
        value != MENU_STARTING_VIEW && value != MENU_SEE_THROUGH && value != MENU_RESIGN &&
        value != MENU_OFFER_DRAW && value != MENU_REMATCH)
    {
        const bool player =
            onlineGame.role() == OnlineRole::Black || onlineGame.role() == OnlineRole::White;
        labels[value] += value == MENU_UNDO && player ? " (ask the other player)" : " (not online)";
    }
    return labels[value].c_str();
}

namespace
{

// What the labels depend on besides the choices: what is asked, and the online seat (a player is
// offered to ask for an undo, a watcher not), which the server's messages change between frames.
int labelKey()
{
    return askedNow() | (onlineGame.active() ? 1 << 8 : 0) |
           static_cast<int>(onlineGame.role()) << 9;
}
int labelledKey = 0; // the key when the labels were last given

// The answers' entries follow what is asked, the undo's the seat.
void relabelIfAsked()
{
    if (labelKey() != labelledKey)
    {
        relabelMenu();
    }
}

} // namespace

// The labels follow the choices, whose marks move when a choice is made, and say in an online
// game that they are not for it.
void relabelMenu()
{
    labelledKey = labelKey();
    for (int value = 0; value < MENU_ENTRIES; ++value)
    {
        glutChangeToMenuEntry(value + 1, menuLabel(value), value);
    }
}

void onKeyboard(unsigned char key, int, int)
{
    // Back to the starting view: a turn of the board, which leaves the hint and the analysis be.
    if (key == 'v' || key == 'V')
    {
        toStartingView();
        glutPostRedisplay();
        return;
    }
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
    // y or n answers the other player: a request to take back a move online, else an offer of
    // a draw, online or at this board.
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

void toStartingView()
{
    viewPitch = 0.0f;
    viewYaw = 0.0f;
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
        asked |= onlineGame.drawOfferedToMe() ? ASKED_DRAW_ANSWER : 0;
        choosing = onlineGame.choiceIsMine();
    }
    else
    {
        asked |= drawOfferedLocal() ? ASKED_DRAW_ANSWER : 0;
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
    // y and n answer the question first: the offer waits behind it.
    return (asked & ASKED_ABANDON) != 0 ? asked & ~ASKED_DRAW_ANSWER : asked;
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
    if (value == MENU_STARTING_VIEW)
    {
        toStartingView();
        glutPostRedisplay();
        return;
    }
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
    if (value == MENU_PLAY_SOMEONE || value == MENU_LIVE_GAMES)
    {
        // A player kept here seeks at once; the page asks for a name otherwise.
        if ((value != MENU_PLAY_SOMEONE || !onlineGame.seek("")) && pageEntry != nullptr)
        {
            pageEntry(value);
        }
        glutPostRedisplay();
        return;
    }
    if (value == MENU_ONLINE_CLOCK)
    {
        onlineGame.nextTimeControl();
        if (onlineClockEntry > 0)
        {
            glutChangeToMenuEntry(onlineClockEntry, onlineClockLabel().c_str(), MENU_ONLINE_CLOCK);
        }
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
    // Online, these go to the server; at this board they end the game here.
    if (value == MENU_RESIGN || value == MENU_OFFER_DRAW || value == MENU_REMATCH)
    {
        if (value == MENU_RESIGN && !onlineGame.resign())
        {
            resignLocal();
        }
        else if (value == MENU_OFFER_DRAW && !onlineGame.offerDraw())
        {
            offerDrawLocal();
        }
        else if (value == MENU_REMATCH && !onlineGame.rematch())
        {
            announce("A rematch is for an online game: Restart begins a new game here.");
        }
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
    else if (value == MENU_LOCAL_CLOCK)
    {
        nextLocalTimeControl();
        relabelMenu();
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

int onlineClockEntry = 0;
void (*pageEntry)(int value) = nullptr;

std::string onlineClockLabel()
{
    const std::string &control = onlineGame.timeControl();
    return "Online clock: " + (control.empty() ? std::string("none") : control);
}

void beginFrames()
{
#ifdef __EMSCRIPTEN__
    framesBegun = true;
#endif
}

#ifdef __EMSCRIPTEN__
// clang-format off: JavaScript
EM_JS(void, gomokuLocalClockShown, (const char *text, int warning), {
    if (Module['onLocalClock'])
        Module['onLocalClock'](UTF8ToString(text), warning);
});
// clang-format on
#endif

void showLocalClock()
{
    static std::string shown;
    if (onlineGame.active())
    {
        shown.clear(); // the online game's words stand there now: ours are said again after
        return;
    }
    std::string text = localClockText();
    const bool warning = localClockWarning();
    if (warning)
    {
        text += " - ";
        text += readLocalClock().toMove == 0 ? "Black" : "White";
        text += ": under ten seconds!";
    }
    if (text == shown)
    {
        return;
    }
    shown = text;
#ifdef __EMSCRIPTEN__
    gomokuLocalClockShown(localClockText().c_str(), warning ? 1 : 0);
#else
    glutSetWindowTitle(text.empty() ? "Game" : ("Game - " + text).c_str());
#endif
}

void onTimer(int)
{
    flagIfOutOfTime();
    showLocalClock();
    redrawIfChanged();
    glutTimerFunc(TIMER_INTERVAL_MS, onTimer, 1);
}

void onIdle()
{
    const std::uint8_t before = opponent;
    flagIfOutOfTime(); // before the computer's stone: one after its flag is not placed
    showLocalClock();
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
#ifdef __EMSCRIPTEN__
    redrawIfChanged();
#endif
    platformPaceFrame();
}
