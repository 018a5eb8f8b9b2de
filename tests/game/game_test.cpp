// The game rules and the input callbacks as two tables: a board laid out, one step and all that
// it must change. Then what the callbacks ask of freeglut, Esc, and the window with its menu.
#include "app/window.h"
#include "app/input.h"
#include "render/frame.h"
#include "render/pick.h"
#include "render/scene.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <GL/freeglut_std.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using Change = std::function<void(GameSnapshot &)>;

const auto place = [](int row, int col) -> Action { return [=] { placeStone(row, col); }; };
const auto check = [](int row, int col) -> Action { return [=] { checkFiveAt(row, col); }; };
const auto menu = [](int value) -> Action { return [=] { onMenu(value); }; };
const auto arrow = [](int key) -> Action { return [=] { onSpecialKey(key, 0, 0); }; };
const auto keys = [](std::string text) -> Action
{ return [=] { std::ranges::for_each(text, [](unsigned char key) { onKeyboard(key, 0, 0); }); }; };
const auto click = [](int x, int y, int button = GLUT_LEFT_BUTTON, int state = GLUT_DOWN) -> Action
{ return [=] { onMouse(button, state, x, y); }; };
const auto hover = [](int x, int y) -> Action { return [=] { onPassiveMotion(x, y); }; };
const auto repeat = [](int times, Action action) -> Action
{
    return [=]
    {
        for (int i = 0; i < times; ++i)
        {
            action();
        }
    };
};

// Black has won along row 3, white is to move and the cursor stands on an empty cell.
const Action blackHasWon = []
{
    line(B, 3, 2, ROW, 5), line(W, 4, 2, ROW, 4);
    sideToMove = 1, cursorX = 2, cursorY = -1;
    scanForFive();
};

// The same kind of five made by placements, which Restart keeps to bring back; with Cheat on
// and the cursor off the centre.
const Action blackHasWonByPlacing = []
{
    for (int col = 2; col < 7; ++col)
    {
        placeStone(3, col), placeStone(4, col);
    }
    cheatMode = 1, cursorX = 2, cursorY = -1;
};

Change operator+(Change first, Change second)
{
    return [=](GameSnapshot &s) { first(s), second(s); };
}

const Change unchanged = [](GameSnapshot &) {};
// A new game: the side to move, the win record and the view are kept.
const Change restarted = [](GameSnapshot &s)
{ s.board.fill(CELL_EMPTY), s.cursorX = s.cursorY = 0, s.cheatMode = s.gameOver = 0; };
// The side to move puts `colour` on (row, col) and the turn passes.
const auto placed = [](int row, int col, std::int32_t colour) -> Change
{ return [=](GameSnapshot &s) { s.cell(row, col) = colour, s.sideToMove ^= 1; }; };
const auto won = [](std::int32_t row, std::int32_t col, std::int32_t direction) -> Change
{
    return [=](GameSnapshot &s)
    { s.gameOver = 1, s.winRow = row, s.winCol = col, s.winDirection = direction; };
};
const auto cursorAt = [](std::int32_t x, std::int32_t y) -> Change
{ return [=](GameSnapshot &s) { s.cursorX = x, s.cursorY = y; }; };
const auto view = [](float pitch, float yaw) -> Change
{ return [=](GameSnapshot &s) { s.viewPitch = pitch, s.viewYaw = yaw; }; };

struct Case
{
    const char *name;
    Action setup; // from the state of a fresh process, if any
    Action step;
    Change change; // all that the step changes of the state the setup left
};

const std::vector<Case> RULE_CASES = {
    {"BlackMovesFirst", {}, place(3, 4), placed(3, 4, B)},
    {"BlackOnWhite", [] { line(W, 6, 7); }, place(6, 7), unchanged},
    {"WhiteOnWhite", [] { line(W, 6, 7), sideToMove = 1; }, place(6, 7), unchanged},
    {"CheatBlackOnWhite", [] { line(W, 0, 17), cheatMode = 1; }, place(0, 17), placed(0, 17, B)},
    {"CheatWhiteOnBlack", [] { line(B, 17, 0), sideToMove = cheatMode = 1; }, place(17, 0),
     placed(17, 0, W)},
    {"CheatOnOwnStone", [] { line(B, 12, 3), cheatMode = 1; }, place(12, 3), placed(12, 3, B)},
    {"PastTheLastColumn", [] { cheatMode = 1; }, place(0, 18), unchanged},
    {"BeforeTheFirstColumn", {}, place(1, -1), unchanged},
    {"PastTheLastRow", {}, place(18, 0), unchanged},
    {"AFourIsNoFive", [] { line(B, 4, 6, ROW, 2), line(B, 4, 9); }, place(4, 8), placed(4, 8, B)},
    {"AFiveEndsTheGame", [] { line(B, 4, 6, ROW, 5), line(CELL_EMPTY, 4, 8); }, place(4, 8),
     placed(4, 8, B) + won(4, 8, DIR_ROW)},
    {"ACheatFiveEndsIt", [] { line(W, 4, 6, ROW, 5), line(B, 4, 8), sideToMove = cheatMode = 1; },
     place(4, 8), placed(4, 8, W) + won(4, 8, DIR_ROW)},
    {"Restart", [] { blackHasWon(), line(W, 17, 17), cheatMode = 1, viewPitch = 35.0f; },
     restartGame, restarted},
    {"EmptyBoard", {}, scanForFive, unchanged},
    {"OpenFour", [] { line(B, 8, 6, ROW, 4); }, scanForFive, unchanged},
    {"RowEndToNextRow", [] { line(B, 5, 16, ROW, 2), line(B, 6, 0, ROW, 3); }, scanForFive,
     unchanged},
    {"MixedColours", [] { line(B, 3, 3, DIAGONAL, 5), line(W, 5, 5); }, scanForFive, unchanged},
    {"FourDirections",
     []
     {
         line(W, 9, 7, ROW, 5), line(W, 7, 7, DIAGONAL, 5), line(W, 7, 9, COLUMN, 5),
             line(W, 7, 11, ANTIDIAGONAL, 5);
     },
     scanForFive, won(9, 9, DIR_ANTIDIAGONAL)},
    {"LowerFiveStands", [] { line(W, 0, 0, ROW, 5), line(B, 17, 13, ROW, 5); }, scanForFive,
     won(17, 15, DIR_ROW)},
    {"ExactlyFiveBesideAnOverline",
     [] { gameRule = engine::Rule::Standard, line(B, 2, 3, ROW, 6), line(B, 8, 3, ROW, 5); },
     scanForFive, won(8, 5, DIR_ROW)},
    {"LaterCentreStands", [] { line(B, 3, 7, ANTIDIAGONAL, 5), line(B, 5, 4, ROW, 5); },
     scanForFive, won(5, 6, DIR_ROW)},
    {"ScanKeepsTheRecord", [] { gameOver = 1; }, scanForFive, unchanged},
    {"CheckTheCentre", [] { line(W, 9, 5, ROW, 5); }, check(9, 7), won(9, 7, DIR_ROW)},
    {"CheckOffCentre", [] { line(W, 9, 5, ROW, 5); }, check(9, 6), unchanged},
    {"CheckWhiteInBlack", [] { line(B, 9, 7, ROW, 5), line(W, 9, 9); }, check(9, 9), unchanged},
};

const std::vector<Case> KEY_CASES = {
    {"AMovesUp", {}, keys("aA"), cursorAt(-2, 0)},
    {"DMovesDown", {}, keys("dD"), cursorAt(2, 0)},
    {"SMovesLeft", {}, keys("sS"), cursorAt(0, -2)},
    {"WMovesRight", {}, keys("wW"), cursorAt(0, 2)},
    {"DPastTheLastRow", {}, repeat(9, keys("d")), cursorAt(9, 0)},
    {"SpaceTwiceAtTheStart", {}, keys("  "), placed(9, 9, B)},
    {"SpaceUnderTheCursor", [] { cursorX = -9, cursorY = 8; }, keys(" "), placed(0, 17, B)},
    {"SpaceOffTheBoard", [] { cursorX = 9, cursorY = -3; }, keys(" "), unchanged},
    {"OtherKeys", {}, keys("x\r\t1"), unchanged},
    {"PlayKeysAfterAFive", blackHasWon, keys("wasdWASD "), unchanged},
    {"ArrowsAfterAFive", blackHasWon, [] { arrow(GLUT_KEY_UP)(), arrow(GLUT_KEY_RIGHT)(); },
     view(355, 5)},
    {"RestartAfterAFive", blackHasWon, menu(1), restarted},
    // Not after a win: black opens the new game.
    {"RestartWhileCheating", [] { cheatMode = sideToMove = 1, cursorX = 3, line(B, 9, 9); },
     menu(1), [](GameSnapshot &s) { restarted(s), s.sideToMove = 0; }},
    {"OtherMenuValues", [] { cheatMode = 1, line(W, 0, 0); }, menu(99),
     [](GameSnapshot &s) { restarted(s), s.sideToMove = 0; }},
    // Undo right after Restart puts the whole game back as it stood, five and Cheat included.
    {"UndoAfterRestart", blackHasWonByPlacing, [] { onMenu(MENU_RESTART), onMenu(MENU_UNDO); },
     unchanged},
    {"UndoAfterRestartTwice", blackHasWonByPlacing,
     [] { onMenu(MENU_RESTART), onMenu(MENU_RESTART), keys("u")(); }, unchanged},
    {"UndoAfterRestartAndAMove", blackHasWonByPlacing,
     [] { onMenu(MENU_RESTART), keys(" ")(), keys("uu")(); }, unchanged},
    {"CheatOnce", {}, menu(0), [](GameSnapshot &s) { s.cheatMode = 1; }},
    {"CheatTwice", {}, [] { onMenu(0), onMenu(0); }, unchanged},
    {"UpOnce", {}, arrow(GLUT_KEY_UP), view(355, 0)},
    {"UpAFullTurn", {}, repeat(72, arrow(GLUT_KEY_UP)), unchanged},
    {"DownOnce", {}, arrow(GLUT_KEY_DOWN), view(5, 0)},
    {"DownAFullTurn", {}, repeat(72, arrow(GLUT_KEY_DOWN)), unchanged},
    {"LeftOnce", {}, arrow(GLUT_KEY_LEFT), view(0, 355)},
    {"RightOnce", {}, arrow(GLUT_KEY_RIGHT), view(0, 5)},
    {"OtherSpecialKeys", {}, [] { arrow(GLUT_KEY_F1)(), arrow(GLUT_KEY_PAGE_UP)(); }, unchanged},
    {"ClickPlaces", {}, click(35, 41), placed(3, 4, B) + cursorAt(-6, -5)},
    {"ClickOnAStone", [] { line(W, 17, 0); }, click(179, 0), cursorAt(8, -9)},
    {"ClickOffTheBoard", [] { cursorY = 3; }, click(180, 5), unchanged},
    {"ClickAfterAFive", blackHasWon, click(35, 41), unchanged},
    {"RightButton", {}, click(35, 41, GLUT_RIGHT_BUTTON), unchanged},
    {"Release", {}, click(35, 41, GLUT_LEFT_BUTTON, GLUT_UP), unchanged},
    {"HoverMovesTheCursor", {}, hover(2, 179), cursorAt(-9, 8)},
    {"DragMovesIt", {}, [] { onMotion(90, 90); }, cursorAt(0, 0)},
    {"HoverOffTheBoard", [] { cursorX = 2; }, hover(-1, 50), unchanged},
    {"HoverAfterAFive", blackHasWon, hover(2, 2), unchanged},
};

// Each case from a fresh state with a win record no case writes by itself: all that changes.
TEST(StateChange, ChangesOnlyWhatItShould)
{
    for (const std::vector<Case> &table : {RULE_CASES, KEY_CASES})
    {
        for (const Case &c : table)
        {
            SCOPED_TRACE(c.name);
            resetGameState();
            pointUnder = tenPixelCells;
            winRow = 11, winCol = 4, winDirection = 2;
            if (c.setup)
            {
                c.setup();
            }
            GameSnapshot expected = takeSnapshot();
            c.change(expected);
            c.step();
            EXPECT_EQ(takeSnapshot(), expected);
        }
    }
}

TEST(Callbacks, EachAsksForARedrawAndTheTimerFiresAgainIn100Ms)
{
    resetGameState();
    fakeGlutCalls().clear();

    keys("x")(), arrow(GLUT_KEY_F1)(), menu(0)(), click(1, 1)(), hover(1, 1)(), onMotion(1, 1);
    onTimer(1);

    const GlutCall redraw = {"glutPostRedisplay", nullptr};
    std::vector<GlutCall> expected(7, redraw);
    expected.emplace_back("glutTimerFunc 100 1", anyCallback(onTimer));
    EXPECT_EQ(fakeGlutCalls(), expected);
}

TEST(CallbacksDeathTest, EscQuitsWithStatusZeroAlsoAfterAFive)
{
    resetGameState();
    EXPECT_EXIT(keys("\x1b")(), testing::ExitedWithCode(0), "");
    blackHasWon();
    EXPECT_EXIT(keys("\x1b")(), testing::ExitedWithCode(0), "");
}

TEST(Window, IsGameWithTheMenuOnTheRightButtonAndEveryCallback)
{
    resetGameState();
    int argc = 0; // freeglut would take its own options out of the command line
    fakeGlutCalls().clear();

    createWindowAndMenu(&argc, nullptr);

    const std::vector<GlutCall> expected = {
        {"glutInit", nullptr},
        {"glutInitDisplayMode " + std::to_string(GLUT_DOUBLE | GLUT_DEPTH), nullptr},
        {"glutInitWindowSize 800 x 600", nullptr},
        {"glutCreateWindow Game", nullptr},
        {"glutCreateMenu", anyCallback(onMenu)},
        {"glutAddMenuEntry Cheat 0", nullptr},
        {"glutAddMenuEntry Restart 1", nullptr},
        {"glutAddMenuEntry Undo 2", nullptr},
        {"glutAddMenuEntry (*) Two players 3", nullptr},
        {"glutAddMenuEntry ( ) Computer plays white 4", nullptr},
        {"glutAddMenuEntry ( ) Computer plays black 5", nullptr},
        {"glutAddMenuEntry ( ) Easy 6", nullptr},
        {"glutAddMenuEntry (*) Medium 7", nullptr},
        {"glutAddMenuEntry ( ) Hard 8", nullptr},
        {"glutAddMenuEntry (*) Freestyle 9", nullptr},
        {"glutAddMenuEntry ( ) Exactly five 10", nullptr},
        {"glutAddMenuEntry ( ) Renju 11", nullptr},
        {"glutAddMenuEntry (*) Free 12", nullptr},
        {"glutAddMenuEntry ( ) Swap2 13", nullptr},
        {"glutAddMenuEntry Save game 14", nullptr},
        {"glutAddMenuEntry Play on from here 15", nullptr},
        {"glutAddMenuEntry ( ) Move numbers 16", nullptr},
        {"glutAddMenuEntry Hint 17", nullptr},
        {"glutAddMenuEntry Analyse game 18", nullptr},
        {"glutAddMenuEntry Starting view 19", nullptr},
        {"glutAddMenuEntry Resign 20", nullptr},
        {"glutAddMenuEntry Offer a draw 21", nullptr},
        {"glutAddMenuEntry Rematch 22", nullptr},
        {"glutAddMenuEntry Swap2: take white 23", nullptr},
        {"glutAddMenuEntry Swap2: take black 24", nullptr},
        {"glutAddMenuEntry Swap2: place two more 25", nullptr},
        {"glutAddMenuEntry Allow taking back 26", nullptr},
        {"glutAddMenuEntry Refuse taking back 27", nullptr},
        {"glutAddMenuEntry Yes, abandon this game 28", nullptr},
        {"glutAddMenuEntry No, go on with this game 29", nullptr},
        {"glutAddMenuEntry ( ) See-through cursor 30", nullptr},
        {"glutAddMenuEntry Accept the draw 31", nullptr},
        {"glutAddMenuEntry Decline the draw 32", nullptr},
        {"glutAddMenuEntry Clock: none 33", nullptr},
        {"glutAttachMenu " + std::to_string(GLUT_RIGHT_BUTTON), nullptr},
        {"glutReshapeFunc", anyCallback(onReshape)},
        {"glutKeyboardFunc", anyCallback(onKeyboard)},
        {"glutSpecialFunc", anyCallback(onSpecialKey)},
        {"glutMouseFunc", anyCallback(onMouse)},
        {"glutMotionFunc", anyCallback(onMotion)},
        {"glutPassiveMotionFunc", anyCallback(onPassiveMotion)},
        {"glutDisplayFunc", anyCallback(onDisplay)},
        {"glutIdleFunc", anyCallback(onIdle)},
        {"glutTimerFunc 1000 1", anyCallback(onTimer)},
    };
    EXPECT_EQ(fakeGlutCalls(), expected);
    EXPECT_EQ(pointUnder, pickPoint) << "the pointer's point is the renderer's pick";
}

} // namespace
