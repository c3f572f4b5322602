// Small file helpers shared by the tests of the file-based classes: write and
// read a whole file as bytes, and run a block with another current folder.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace TestSupport
{
inline void writeFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// A file of the given size whose bytes take no room on the disk (a sparse
// file, all zero bytes).
inline void makeSparseFile(const std::string& path, std::uintmax_t size)
{
    writeFileBytes(path, "");
    std::filesystem::resize_file(path, size);
}

// text, then lines of "#" up to exactly size bytes: a text file of a given
// size whose meaning is that of text (a comment line means nothing in an ini
// file nor in user-dirs.dirs).
inline std::string paddedText(std::string text, std::size_t size)
{
    while (text.size() < size)
        text += std::string(std::min<std::size_t>(size - text.size(), 80) - 1, '#') + '\n';
    return text;
}

// Makes folder the process's current folder for its lifetime and then goes
// back, also when the test fails on the way.
class CurrentFolder
{
public:
    explicit CurrentFolder(const std::filesystem::path& folder) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_old, ignored);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path m_old;
};
} // namespace TestSupport
