// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <sstream>
#include <string>

namespace morvane::test
{

/** The fake gain module's state chunk is one line of key=value words saying what its host
    answered (tests/support/FakeModule.cpp); this reads them back, a word without '=' as a key
    with an empty value. */
inline std::map<std::string, std::string> readFakeModuleReport(const std::string& chunk)
{
    std::map<std::string, std::string> words;
    std::istringstream stream(chunk);
    std::string word;
    while (stream >> word)
    {
        const auto equals = word.find('=');
        words[word.substr(0, equals)] = equals == std::string::npos ? "" : word.substr(equals + 1);
    }
    return words;
}

} // namespace morvane::test
