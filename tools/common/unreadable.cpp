// SPDX-License-Identifier: GPL-3.0-or-later
#include "unreadable.h"

#include "catalogue/messages.h"

namespace cli {

namespace {

std::string windowWouldShow(std::string_view message)
{
    return " (the window would show \"" + std::string(message) + "\")";
}

} // namespace

std::string CatalogueProblem(const catalogue::LoadOutcome& outcome)
{
    switch (outcome.kind) {
    case catalogue::LoadOutcome::Kind::NotFound:
        return catalogue::WhyNotLoaded(outcome) + windowWouldShow(messages::notFound);
    case catalogue::LoadOutcome::Kind::ReadProblem:
        return catalogue::WhyNotLoaded(outcome) + windowWouldShow(messages::problem);
    case catalogue::LoadOutcome::Kind::Loaded:
        break;
    }
    // The loader reads nothing from a pipe or a device, so "0 entries" would
    // pass for an empty catalogue.
    if (!outcome.regular) {
        return "not a regular file: the window reads nothing from a pipe or a device (it would "
               "show 0 entries read)";
    }
    return {};
}

} // namespace cli
