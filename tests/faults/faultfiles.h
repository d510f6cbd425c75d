// What the fault tests share: the scripts they compile, the previous output
// they expect kept, and whole-file reading and writing.
#ifndef QUORLIN_FAULTFILES_H
#define QUORLIN_FAULTFILES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "workedexample.h"

namespace quorlin::faults {

inline const std::string& WAVE_SCRIPT = fixtures::WORKED_EXAMPLE_SCRIPT;
inline const std::string PREVIOUS = "previous contents\n";

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& contents)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
    ASSERT_TRUE(file.flush()) << path;
}

} // namespace quorlin::faults

#endif
