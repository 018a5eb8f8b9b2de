// The tournament brain's side of the Gomocup protocol: one command line in, the answer lines out.
// Text only; reading standard input and writing standard output is the executable's.
#pragma once

#include "engine/helpers.h"
#include "engine/position.h"
#include "engine/search.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace engine
{

inline constexpr std::size_t MAX_COMMAND_LENGTH = 4096; // longer lines are refused

class GomocupBrain
{
public:
    GomocupBrain();

    // Acts on one line (without its line end) and appends the answer lines, if any, to `out`.
    // Returns false once the brain is to end (END).
    bool handle(std::string_view line, std::vector<std::string> &out);
    // Input ended without END: the answer, if any, to say so.
    void endOfInput(std::vector<std::string> &out) const;

    // One DEBUG line with the search's figures before each move.
    void setDebug(bool on) { debug = on; }
    // Where the MESSAGE lines go that the brain writes while it thinks about a move it answers
    // (BEGIN, TURN, BOARD, SWAP2BOARD): the depth, the evaluation, the positions searched and the
    // line of play it expects, one line after an iteration when a quarter of a second has passed
    // since the last, and one when it has chosen. Each is handed over as it comes, before the
    // move's own answer goes to `out`, to be written at once; none are written without.
    void setMessages(std::function<void(const std::string &line)> write)
    {
        messages = std::move(write);
    }
    // Judges positions by the learned network `net` (network.h), which must outlive the brain,
    // instead of the hand-weighted evaluation; nullptr goes back to that.
    void setNetwork(const nn::Network *net) { searcher.useNetwork(net); }
    // Thinks for `nodes` positions a move, whatever the time limits (0: to the time limits).
    void setNodesPerMove(std::int64_t nodes) { nodesPerMove = nodes; }
    // Thinks on `threads` threads (1 to SearchHelpers::MAX_HELPERS + 1), the brain's own search
    // and helpers beside it, as many as the memory limit leaves room for; one by default, which
    // alone makes the same moves for the same game.
    void setThreads(int threads);
    int threads() const { return helpers.count() + 1; }
    // Milliseconds of the clock the time limits are measured against.
    void setClock(Clock clock);

    // The time the next move may take, from the limits the manager gave, less a margin.
    std::int64_t moveBudgetMs() const;
    // On a match clock: the time after which a move the search has settled is given (else 0).
    std::int64_t settledMs() const;
    std::size_t hashBytes() const { return searcher.hashBytes(); }

private:
    bool onMatchClock() const;
    struct Stone
    {
        int x, y;
        int who; // 1 own, 2 the opponent's
    };

    struct Command;
    static const Command COMMANDS[];
    bool onEnd(std::string_view argument, std::vector<std::string> &out);
    bool onAbout(std::string_view argument, std::vector<std::string> &out);
    bool onInfo(std::string_view argument, std::vector<std::string> &out);
    bool onStart(std::string_view argument, std::vector<std::string> &out);
    bool onRectStart(std::string_view argument, std::vector<std::string> &out);
    bool onRestart(std::string_view argument, std::vector<std::string> &out);
    bool onBegin(std::string_view argument, std::vector<std::string> &out);
    bool onTurn(std::string_view argument, std::vector<std::string> &out);
    bool onBoard(std::string_view argument, std::vector<std::string> &out);
    bool onTakeback(std::string_view argument, std::vector<std::string> &out);
    bool onSwap2Board(std::string_view argument, std::vector<std::string> &out);
    void boardLine(std::string_view line);

    void start(int size, std::vector<std::string> &out);
    void respondWithMove(std::vector<std::string> &out);
    bool pointOnBoard(std::string_view text, int *x, int *y, std::string *problem) const;
    bool takeCoordinates(std::string_view text, int *x, int *y, std::string *problem) const;
    void finishBoard(std::vector<std::string> &out);
    void finishSwap2Board(std::vector<std::string> &out);
    // The stones as a position under the rule, the brain's colour to move: black when the
    // stones are even in number.
    Position position(int *brainColour) const;
    bool gameOver(const Position &pos, std::vector<std::string> &out) const;
    void info(std::string_view key, std::string_view value);
    void fitMemory(); // the table and the helpers within the memory limit
    std::string pendingProblem() const;

    Searcher searcher;
    SearchHelpers helpers; // after the searcher, whose table they use, so ended before it
    Clock now;
    bool debug = false;
    std::function<void(const std::string &line)> messages;
    int size = 0;              // 0 until START
    std::vector<Stone> stones; // in the order they were put down
    bool readingBoard = false; // between BOARD (or SWAP2BOARD) and DONE
    bool readingSwap2 = false; // ... of SWAP2BOARD: lines x,y, black's first
    std::vector<Stone> boardLines;
    std::string boardProblem;      // the first bad line of the BOARD block
    std::int64_t timeoutTurn = 0;  // milliseconds; 0 as fast as possible; -1 not given
    std::int64_t timeoutMatch = 0; // 0 no limit
    std::int64_t timeLeft = 0;     // milliseconds left of the match, when given
    bool timeLeftGiven = false;
    std::int64_t maxMemory = 0; // bytes; 0 no limit
    int helpersWanted = 0;
    std::int64_t rule = 0;           // bits: 1 exactly five, 2 continuous, 4 renju, 8 caro
    Rule gameRule = Rule::Freestyle; // the rule `rule` names, when the brain plays it
    std::string infoProblem;         // a limit that cannot be met, said at the next move
    std::uint64_t seed = 0;
    std::int64_t nodesPerMove = 0;
};

} // namespace engine
