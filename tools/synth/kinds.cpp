#include <array>
#include <utility>

#include "synth/kvosynth.h"

namespace kvo::synth {

namespace {
constexpr std::array<std::pair<Kind, std::string_view>, 5> kKindNames{{
    {Kind::TipTiming, "tiptiming"},
    {Kind::Random, "random"},
    {Kind::Constant, "constant"},
    {Kind::Zeros, "zeros"},
    {Kind::Runs, "runs"},
}};
}  // namespace

std::optional<Kind> parseKind(std::string_view name) {
    for (const auto& [kind, kindText] : kKindNames) {
        if (kindText == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view kindName(Kind kind) {
    for (const auto& [candidate, kindText] : kKindNames) {
        if (candidate == kind) {
            return kindText;
        }
    }
    return "unknown";
}

}  // namespace kvo::synth
