// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupResult.h"

#include <utility>

namespace morvane::validate
{

GroupResult::GroupResult(std::string groupName) : group(std::move(groupName)) {}

GroupResult::GroupResult(const GroupResult& other)
{
    *this = other;
}

GroupResult& GroupResult::operator=(const GroupResult& other)
{
    if (this == &other)
        return *this;
    const std::scoped_lock guard(lock, other.lock);
    group = other.group;
    figures = other.figures;
    skipReason = other.skipReason;
    problems = other.problems;
    problemCount = other.problemCount;
    return *this;
}

void GroupResult::fail(const std::string& problem)
{
    const std::lock_guard<std::mutex> guard(lock);
    ++problemCount;
    if (problems.size() < problemsKept)
        problems.push_back(problem);
}

void GroupResult::skip(const std::string& reason)
{
    skipReason = reason;
}

bool GroupResult::failed() const
{
    const std::lock_guard<std::mutex> guard(lock);
    return problemCount > 0;
}

std::string GroupResult::report() const
{
    const std::lock_guard<std::mutex> guard(lock);
    if (problemCount == 0 && !skipReason.empty())
        return group + ": SKIP " + skipReason;

    std::string text = group + (problemCount > 0 ? ": FAIL " : ": PASS ") + figures;
    for (const auto& problem : problems)
        text += "\n    " + problem;
    if (problemCount > problems.size())
        text += "\n    ... and " + std::to_string(problemCount - problems.size()) + " more";
    return text;
}

void AudioPathTally::add(const AudioPathMonitor::Record& record)
{
    const std::lock_guard<std::mutex> guard(lock);
    total += record;
}

AudioPathMonitor::Record AudioPathTally::record() const
{
    const std::lock_guard<std::mutex> guard(lock);
    return total;
}

} // namespace morvane::validate
