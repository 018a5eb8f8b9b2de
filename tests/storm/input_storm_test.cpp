// Storms of seeded random input events through the real callbacks in a real freeglut window:
// keys, view keys, menu choices, reshapes (degenerate and huge ones too) and now and then a
// frame, with every invariant of the game state and the viewport checked after each event.
#include "game/game_state.h"
#include "game/input.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/scene.h"
#include "tests/game/game_test_support.h"
#include "tests/x_display.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace
{

constexpr std::uint32_t STORM_SEED = 20240607; // fixed: a failure replays exactly
constexpr int EVENTS_PER_FRAME = 4096;         // a frame is drawn after every so many events

enum class EventKind
{
    Key,
    SpecialKey,
    Menu,
    Reshape,
};

struct InputEvent
{
    EventKind kind;
    int a; // key, special key, menu value or width
    int b; // height for a reshape
};

std::string describe(long index, const InputEvent &event)
{
    static const char *const KIND_NAMES[] = {"key", "special key", "menu", "reshape"};
    std::ostringstream text;
    text << "event " << index << " (seed " << STORM_SEED
         << "): " << KIND_NAMES[static_cast<int>(event.kind)] << " " << event.a;
    if (event.kind == EventKind::Reshape)
    {
        text << " x " << event.b;
    }
    return text.str();
}

// Window sizes a window system may hand over, the degenerate ones included.
constexpr std::array<std::array<int, 2>, 5> EDGE_SIZES = {{
    {0, 0},
    {1, 1},
    {0, 600},
    {800, 0},
    {8192, 8192},
}};

// Draws the next event. The cursor keys lean back towards the board once the cursor has
// wandered far off it, so that stones keep being placed and games keep being won.
InputEvent nextEvent(std::mt19937 &random)
{
    std::uniform_int_distribution<int> percent(0, 9999);
    int roll = percent(random);
    if (roll < 4500)
    {
        static const char MOVES[] = "wasdWASD";
        char key = MOVES[random() % 8];
        bool rowKey = key == 'a' || key == 'd' || key == 'A' || key == 'D';
        int offset = rowKey ? cursorX : cursorY;
        if (std::abs(offset) > 6 && random() % 2 == 0)
        {
            key = rowKey ? (offset > 0 ? 'a' : 'd') : (offset > 0 ? 's' : 'w');
        }
        return {EventKind::Key, key, 0};
    }
    if (roll < 7000)
    {
        return {EventKind::Key, ' ', 0};
    }
    if (roll < 7500)
    {
        // Any other character: letters, control characters, bytes above 127; never Esc.
        int key = static_cast<int>(random() % 256);
        return {EventKind::Key, key == KEY_ESCAPE ? 'x' : key, 0};
    }
    if (roll < 9000)
    {
        return {EventKind::SpecialKey, GLUT_KEY_LEFT + static_cast<int>(random() % 4), 0};
    }
    if (roll < 9200)
    {
        // Function keys, paging keys and codes no keyboard sends.
        static const int OTHERS[] = {
            GLUT_KEY_F1, GLUT_KEY_F12, GLUT_KEY_PAGE_UP, GLUT_KEY_HOME, GLUT_KEY_INSERT, 0, -1,
            99,          104,          1 << 20};
        return {EventKind::SpecialKey, OTHERS[random() % std::size(OTHERS)], 0};
    }
    if (roll < 9300)
    {
        return {EventKind::Menu, MENU_CHEAT, 0};
    }
    if (roll < 9320)
    {
        // "Restart", and values no entry has, which restart as well.
        static const int RESTARTS[] = {MENU_RESTART, MENU_RESTART, 2, -1};
        return {EventKind::Menu, RESTARTS[random() % std::size(RESTARTS)], 0};
    }
    if (random() % 4 == 0)
    {
        const auto &size = EDGE_SIZES[random() % EDGE_SIZES.size()];
        return {EventKind::Reshape, size[0], size[1]};
    }
    return {EventKind::Reshape, 1 + static_cast<int>(random() % 4096),
            1 + static_cast<int>(random() % 4096)};
}

void apply(const InputEvent &event)
{
    switch (event.kind)
    {
    case EventKind::Key:
        onKeyboard(static_cast<unsigned char>(event.a), 0, 0);
        break;
    case EventKind::SpecialKey:
        onSpecialKey(event.a, 0, 0);
        break;
    case EventKind::Menu:
        onMenu(event.a);
        break;
    case EventKind::Reshape:
        onReshape(event.a, event.b);
        break;
    }
}

bool isViewAngle(float angle)
{
    return angle >= 0.0f && angle <= 355.0f && std::fmod(angle, 5.0f) == 0.0f;
}

int cellsDiffering(const GameSnapshot &a, const GameSnapshot &b)
{
    int differing = 0;
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        differing += a.board[i] != b.board[i] ? 1 : 0;
    }
    return differing;
}

// What must hold of the state at any time. Empty when it all does.
std::string brokenStateInvariant(const GameSnapshot &now)
{
    for (std::int32_t cell : now.board)
    {
        if (cell < CELL_BLACK || cell > CELL_WHITE)
        {
            return "a cell holds " + std::to_string(cell);
        }
    }
    if (now.sideToMove > 1 || now.cheatMode > 1 || now.gameOver > 1)
    {
        return "a flag is neither 0 nor 1";
    }
    if (!isViewAngle(now.viewPitch) || !isViewAngle(now.viewYaw))
    {
        return "a view angle is " + std::to_string(now.viewPitch) + ", " +
               std::to_string(now.viewYaw);
    }
    // The state under test is the live one the snapshot was just taken of.
    if (now.gameOver == 1 && !isFiveOnBoard(now.win))
    {
        return "the recorded five is not on the board";
    }
    return {};
}

// True when a five runs through cell `index` of the live board.
bool fiveThrough(int index)
{
    int row = index / BOARD_SIZE;
    int col = index % BOARD_SIZE;
    for (std::int32_t direction = DIR_ROW; direction <= DIR_ANTIDIAGONAL; ++direction)
    {
        Cell step = TEST_STEPS[direction - 1];
        for (int k = -2; k <= 2; ++k)
        {
            if (isFiveOnBoard({row + k * step.row, col + k * step.col, direction}))
            {
                return true;
            }
        }
    }
    return false;
}

// What one event may and may not change. Empty when it kept to that.
std::string brokenTransition(const InputEvent &event, const GameSnapshot &before,
                             const GameSnapshot &after)
{
    bool restart = event.kind == EventKind::Menu && event.a != MENU_CHEAT;
    if (restart)
    {
        bool cleared = std::all_of(after.board.begin(), after.board.end(),
                                   [](std::int32_t cell) { return cell == CELL_EMPTY; });
        if (!cleared || after.gameOver != 0 || after.cheatMode != 0 || after.cursorX != 0 ||
            after.cursorY != 0 || after.sideToMove != before.sideToMove)
        {
            return "a restart did not start a clean game with the same side to move";
        }
        return {};
    }
    if (before.gameOver == 1 && after.board != before.board)
    {
        return "the board changed while the game was over";
    }
    if (before.gameOver == 1 && after.gameOver != 1)
    {
        return "the game resumed without a restart";
    }
    if (event.kind == EventKind::Key && cellsDiffering(before, after) > 1)
    {
        return "one key changed more than one cell";
    }
    if (event.kind != EventKind::Key && after.board != before.board)
    {
        return "an event other than a key changed the board";
    }
    // A five ends the game the moment it is made: a running game holds none.
    for (int i = 0; after.gameOver == 0 && i < BOARD_CELLS; ++i)
    {
        if (after.board[i] != before.board[i] && fiveThrough(i))
        {
            return "a five is on the board and the game still runs";
        }
    }
    return {};
}

std::string brokenViewport(const InputEvent &event)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    int height = std::max(event.b, 1);
    if (viewport[0] != 0 || viewport[1] != 0 || viewport[2] != event.a || viewport[3] != height)
    {
        return "the viewport is " + std::to_string(viewport[2]) + " x " +
               std::to_string(viewport[3]);
    }
    return {};
}

std::string glErrorText()
{
    GLenum error = glGetError();
    return error == GL_NO_ERROR ? std::string() : "GL error " + std::to_string(error);
}

void loadModels()
{
    for (int k = 0; k < MODEL_COUNT; ++k)
    {
        ModelRecord &record = ModelTable[k];
        std::string path = std::string(GOMOKU_ASSETS_DIR) + "/" + modelFileNames[k];
        record.facets = loadStl(path.c_str(), &record.facetCount);
        prepareMesh(&record);
    }
}

struct StormCounts
{
    long wins = 0;             // the game went from running to over
    long restartsAfterWin = 0; // a restart ended a won game
    long placements = 0;       // a key put a stone down
    long frames = 0;
    std::array<long, EDGE_SIZES.size()> edgeReshapes{};
};

// Runs `events` events and checks everything after each; stops at the first broken rule.
StormCounts runStorm(long events)
{
    StormCounts counts;
    std::mt19937 random(STORM_SEED);
    GameSnapshot before = takeSnapshot();
    for (long index = 0; index < events; ++index)
    {
        InputEvent event = nextEvent(random);
        apply(event);
        GameSnapshot after = takeSnapshot();

        std::string problem = brokenStateInvariant(after);
        if (problem.empty())
        {
            problem = brokenTransition(event, before, after);
        }
        if (problem.empty() && event.kind == EventKind::Reshape)
        {
            problem = brokenViewport(event);
            if (problem.empty())
            {
                problem = glErrorText();
            }
            for (size_t i = 0; i < EDGE_SIZES.size(); ++i)
            {
                bool edge = EDGE_SIZES[i][0] == event.a && EDGE_SIZES[i][1] == event.b;
                counts.edgeReshapes[i] += edge ? 1 : 0;
            }
        }
        if (problem.empty() && (index + 1) % EVENTS_PER_FRAME == 0)
        {
            // The frame runs the five-in-a-row test over every stone as it draws: it must find
            // nothing that the placement itself did not already find.
            onDisplay();
            ++counts.frames;
            problem = takeSnapshot() == after ? glErrorText() : "drawing a frame changed the game";
        }
        if (!problem.empty())
        {
            ADD_FAILURE() << describe(index, event) << ": " << problem;
            return counts;
        }

        counts.wins += before.gameOver == 0 && after.gameOver == 1 ? 1 : 0;
        counts.placements += cellsDiffering(before, after) == 1 ? 1 : 0;
        bool restart = event.kind == EventKind::Menu && event.a != MENU_CHEAT;
        counts.restartsAfterWin += restart && before.gameOver == 1 ? 1 : 0;
        before = after;
    }
    return counts;
}

} // namespace

class InputStorm : public testing::Test
{
protected:
    // One real window and GL context for the whole suite, with the shipped meshes loaded when
    // they are there (empty models otherwise).
    static void SetUpTestSuite()
    {
        noDisplay = useSuiteDisplay();
        if (!noDisplay.empty())
        {
            return;
        }
        static char name[] = "input_storm_test";
        static char *argv[] = {name, nullptr};
        int argc = 1;
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(800, 600);
        glutCreateWindow("storm");
        loadModels();
        initScene();
        windowReady = true;
    }

    void SetUp() override
    {
        ASSERT_TRUE(windowReady) << noDisplay;
        resetGameState();
        onReshape(800, 600);
    }

    static bool windowReady;
    static std::string noDisplay; // why there is no window, when there is none
};

bool InputStorm::windowReady = false;
std::string InputStorm::noDisplay;

TEST_F(InputStorm, MillionEventsKeepEveryInvariant)
{
    StormCounts counts = runStorm(1000000);
    if (HasFailure())
    {
        return;
    }
    // The storm must have gone through whole games, not just wandered about.
    EXPECT_GE(counts.placements, 10000);
    EXPECT_GE(counts.wins, 100);
    EXPECT_GE(counts.restartsAfterWin, 100);
    EXPECT_GE(counts.frames, 200);
    for (size_t i = 0; i < EDGE_SIZES.size(); ++i)
    {
        EXPECT_GE(counts.edgeReshapes[i], 100)
            << "size " << EDGE_SIZES[i][0] << " x " << EDGE_SIZES[i][1];
    }
    RecordProperty("wins", static_cast<int>(counts.wins));
    RecordProperty("placements", static_cast<int>(counts.placements));
}
