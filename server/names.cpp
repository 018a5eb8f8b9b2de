// The server's words for rules, openings, steps and choices.
#include "server/names.h"

#include <array>
#include <utility>

namespace
{

using enum core::Rule;
using enum core::Opening;
using enum core::Swap2Choice;

constexpr std::array<std::pair<core::Rule, std::string_view>, 3> RULES = {
    {{Freestyle, "freestyle"}, {Standard, "exactly-five"}, {Renju, "renju"}}};
constexpr std::array<std::pair<core::Opening, std::string_view>, 2> OPENINGS = {
    {{Free, "free"}, {Swap2, "swap2"}}};
constexpr std::array<std::pair<core::Swap2Choice, std::string_view>, 3> CHOICES = {
    {{PlayWhite, "white"}, {PlayBlack, "black"}, {TwoStones, "two"}}};

template <typename Value, std::size_t N>
std::string_view nameIn(const std::array<std::pair<Value, std::string_view>, N> &names, Value value)
{
    for (const auto &[known, name] : names)
    {
        if (known == value)
        {
            return name;
        }
    }
    return {};
}

template <typename Value, std::size_t N>
std::optional<Value> valueIn(const std::array<std::pair<Value, std::string_view>, N> &names,
                             std::string_view name)
{
    for (const auto &[value, known] : names)
    {
        if (known == name)
        {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::string_view ruleName(core::Rule rule)
{
    return nameIn(RULES, rule);
}

std::optional<core::Rule> ruleNamed(std::string_view name)
{
    return valueIn(RULES, name);
}

std::string_view openingName(core::Opening opening)
{
    return nameIn(OPENINGS, opening);
}

std::optional<core::Opening> openingNamed(std::string_view name)
{
    return valueIn(OPENINGS, name);
}

std::string_view stepName(core::Swap2Step step)
{
    switch (step)
    {
    case core::Swap2Step::Three:
        return "three";
    case core::Swap2Step::SecondChoice:
        return "second-choice";
    case core::Swap2Step::TwoMore:
        return "two-more";
    case core::Swap2Step::FirstChoice:
        return "first-choice";
    case core::Swap2Step::Over:
        break;
    }
    return "over";
}

std::string_view choiceName(core::Swap2Choice choice)
{
    return nameIn(CHOICES, choice);
}

std::optional<core::Swap2Choice> choiceNamed(std::string_view name)
{
    return valueIn(CHOICES, name);
}
