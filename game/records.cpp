// The window's game and the game's model meet here, in one direction each: a record made from
// the placements, and a record's moves placed on the board.
#include "game/records.h"

#include "game/game_state.h"
#include "game/local_clock.h"
#include "game/opponent.h"
#include "platform/records.h"

#include <ctime>
#include <vector>

bool recordOfWindowGame(core::Record *record, std::string *why)
{
    std::vector<MoveRecord> moves(moveHistory, moveHistory + historyLength);
    for (int i = laterCount - 1; i >= 0; --i)
    {
        moves.push_back(laterMoves[i]);
    }
    std::uint8_t second = 0;
    std::uint8_t first = 0;
    wholeGameChoices(&second, &first);
    core::Game game(gameRule,
                    gameOpening == OPENING_SWAP2 ? core::Opening::Swap2 : core::Opening::Free);
    for (const MoveRecord &move : moves)
    {
        if (game.moves().size() == 3 && second != 0)
        {
            game.choose(static_cast<core::Swap2Choice>(second));
        }
        if (game.moves().size() == 5 && first != 0)
        {
            game.choose(static_cast<core::Swap2Choice>(first));
        }
        const core::Verdict verdict = game.play(core::pointOfCell(move.row, move.col), move.ms);
        if (verdict != core::Verdict::Placed)
        {
            *why = move.replaced != CELL_EMPTY
                       ? "a stone was placed over another with Cheat"
                       : "move " + std::to_string(game.moves().size() + 1) + " (" +
                             core::pointName(core::pointOfCell(move.row, move.col)) +
                             "): " + std::string(core::verdictWords(verdict));
            return false;
        }
    }
    if (game.moves().size() == 3 && second != 0)
    {
        game.choose(static_cast<core::Swap2Choice>(second));
    }
    if (game.moves().size() == 5 && first != 0)
    {
        game.choose(static_cast<core::Swap2Choice>(first));
    }
    // A game lost on time: the side to move at its end ran out.
    if (localClockTimed() && readLocalClock().flagged)
    {
        game.timeOut(game.toMove());
    }
    *record = core::Record{};
    record->game = game;
    if (localClockTimed())
    {
        record->control = gameTimeControl;
        record->leftMs = localClockLeftAfterMoves();
    }
    char date[16];
    const std::time_t now = std::time(nullptr);
    if (std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now)) > 0)
    {
        record->date = date;
    }
    return true;
}

void openRecord(const core::Record &record)
{
    const std::vector<core::Move> &moves = record.game.moves();
    std::vector<MoveRecord> placements;
    for (const core::Move &move : moves)
    {
        const core::Cell cell = core::cellOfPoint(move.point);
        placements.push_back(MoveRecord{cell.row, cell.col, CELL_EMPTY, 0, move.ms});
    }
    opponent = OPPONENT_NONE;
    showGame(record.game.rule(),
             record.game.opening() == core::Opening::Swap2 ? OPENING_SWAP2 : OPENING_FREE,
             placements.data(), static_cast<int>(placements.size()),
             static_cast<std::uint8_t>(record.game.secondChoice()),
             static_cast<std::uint8_t>(record.game.firstChoice()));
}

bool openRecordText(const std::string &text, std::string *why)
{
    try
    {
        openRecord(core::readRecord(text));
        return true;
    }
    catch (const core::RecordError &error)
    {
        *why = error.what();
        return false;
    }
}

std::string recordStem()
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    if (std::strftime(stamp, sizeof stamp, "game-%Y-%m-%d-%H%M%S", std::localtime(&now)) == 0)
    {
        return "game";
    }
    return stamp;
}

void saveWindowGame()
{
    core::Record record;
    std::string why;
    if (!recordOfWindowGame(&record, &why))
    {
        announce("The game cannot be saved: " + why + ".");
        return;
    }
    const std::string stem = recordStem();
    const std::string psq = platformSaveRecord(stem, ".psq", core::writePsq(record), &why);
    const std::string sgf = psq.empty()
                                ? std::string()
                                : platformSaveRecord(stem, ".sgf", core::writeSgf(record), &why);
    if (sgf.empty())
    {
        announce("The game cannot be saved: " + why + ".");
        return;
    }
    announce("Saved the game: " + psq + " and " + sgf);
}
