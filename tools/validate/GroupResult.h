// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioPathMonitor.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace morvane::validate
{

/** The outcome of one check group: passed, failed or skipped, the figures it measured and, when
    it failed, what went wrong (the first few problems of each kind are kept word for word).

    Thread rule: any thread; problems may be added concurrently. */
class GroupResult
{
public:
    explicit GroupResult(std::string groupName);

    GroupResult(const GroupResult& other);
    GroupResult& operator=(const GroupResult& other);

    void fail(const std::string& problem);
    void skip(const std::string& reason);
    void setFigures(const std::string& text) { figures = text; }

    bool failed() const;
    bool skipped() const noexcept { return !skipReason.empty(); }
    const std::string& name() const noexcept { return group; }

    /** "group: PASS figures" and, after a failure, one indented line per problem kept. */
    std::string report() const;

private:
    static constexpr std::size_t problemsKept = 8;

    std::string group;
    std::string figures;
    std::string skipReason;
    mutable std::mutex lock;
    std::vector<std::string> problems;
    std::uint64_t problemCount = 0;
};

/** What the audio path did across every group of a run, for the real-time line.

    Thread rule: any thread. */
class AudioPathTally
{
public:
    void add(const AudioPathMonitor::Record& record);
    AudioPathMonitor::Record record() const;

private:
    mutable std::mutex lock;
    AudioPathMonitor::Record total;
};

} // namespace morvane::validate
