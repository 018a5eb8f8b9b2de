// The desktop's seats in online games: where they are kept, that they come back, that only their
// owner may read them, and that no game's name reaches outside their folder.
#include "platform/seat_store.h"

#include <cstdlib>
#include <unistd.h>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{

const std::string GAME = "local-k3m7q2x7bd4hv6tp";
const std::string SECRET = "0123456789abcdef0123456789abcdef";

// A folder of its own for each test, as the home and the state folder.
class SeatStore : public testing::Test
{
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                ("seat-store-test-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "home");
        setenv("HOME", (root_ / "home").c_str(), 1);
        setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST_F(SeatStore, TheFolderFollowsXdgThenTheHomeAndWithoutThemNothingIsKept)
{
    const std::tuple<const char *, const char *, fs::path> cases[] = {
        {"/var/state", "/home/me", "/var/state/gomoku3d"},
        {nullptr, "/home/me", "/home/me/.local/state/gomoku3d"},
        {"", "/home/me", "/home/me/.local/state/gomoku3d"},
        {"relative/state", "/home/me", "/home/me/.local/state/gomoku3d"}, // not absolute: ignored
        {"/var/state", nullptr, "/var/state/gomoku3d"},
        {nullptr, nullptr, ""}, // the last: nowhere to keep a seat
    };
    for (const auto &[state, home, expected] : cases)
    {
        state ? setenv("XDG_STATE_HOME", state, 1) : unsetenv("XDG_STATE_HOME");
        home ? setenv("HOME", home, 1) : unsetenv("HOME");
        EXPECT_EQ(seatFolder(), expected) << (state ? state : "-") << " " << (home ? home : "-");
    }
    const fs::path before = fs::current_path();
    fs::current_path(root_); // nor in the working folder
    EXPECT_FALSE(storeSeat(GAME, SECRET));
    fs::current_path(before);
    EXPECT_EQ(loadSeat(GAME), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1)
        << "only the home";
}

TEST_F(SeatStore, KeepsReplacesAndForgetsForItsOwnerAlone)
{
    EXPECT_EQ(loadSeat(GAME), "");
    ASSERT_TRUE(storeSeat(GAME, SECRET));
    EXPECT_EQ(loadSeat(GAME), SECRET);
    const fs::path folder = root_ / "state" / "gomoku3d";
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder / ("seat-" + GAME)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    const std::string other(32, 'e');
    ASSERT_TRUE(storeSeat(GAME, other));
    EXPECT_EQ(loadSeat(GAME), other);
    EXPECT_EQ(loadSeat("local-aaaaaaaaaaaaaaaa"), "") << "each game has its own";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "nothing left beside the seat";

    forgetSeat(GAME);
    EXPECT_EQ(loadSeat(GAME), "");
    forgetSeat(GAME); // twice: nothing to do
}

TEST_F(SeatStore, NoNameReachesOutsideTheFolderAndNoFileIsReadWhole)
{
    for (const std::string &name : std::vector<std::string>{"../escape", "a/b", "", ".", "..",
                                                            "UPPER", "x y", std::string(65, 'a')})
    {
        EXPECT_FALSE(storeSeat(name, SECRET)) << name;
        EXPECT_EQ(loadSeat(name), "") << name;
    }
    EXPECT_FALSE(fs::exists(root_ / "state" / "escape"));
    EXPECT_FALSE(fs::exists(root_ / "escape"));
    EXPECT_FALSE(storeSeat(GAME, std::string(65, 'a'))) << "a secret is short";

    // A file made by someone else: what is in it comes back only if it is short.
    const fs::path file = root_ / "state" / "gomoku3d" / ("seat-" + GAME);
    fs::create_directories(file.parent_path());
    std::ofstream(file) << std::string(100000, 'x');
    EXPECT_EQ(loadSeat(GAME), "");
    std::ofstream(file) << "no line feed";
    EXPECT_EQ(loadSeat(GAME), "no line feed") << "the online game judges what it is";
}

} // namespace
