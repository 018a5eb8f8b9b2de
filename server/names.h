// The words the server writes for a game's rule, its opening, its swap2 step and the swap2
// choices, in its messages and in its database alike, and reading them back.
#pragma once

#include "core/game.h"

#include <optional>
#include <string_view>

// "freestyle", "exactly-five", "renju".
std::string_view ruleName(core::Rule rule);
std::optional<core::Rule> ruleNamed(std::string_view name);
// "free", "swap2".
std::string_view openingName(core::Opening opening);
std::optional<core::Opening> openingNamed(std::string_view name);
// "over", "three", "second-choice", "two-more", "first-choice".
std::string_view stepName(core::Swap2Step step);
// "white", "black", "two"; empty for none.
std::string_view choiceName(core::Swap2Choice choice);
// A choice made: none for any other word, and for the empty one.
std::optional<core::Swap2Choice> choiceNamed(std::string_view name);
