// Reading a script file whole. A small script is read into a heap block from
// AllocateMemory; on POSIX a large one is mapped, so that its pages come from
// the page cache as they are without a copy, and without faulting in a fresh
// buffer page by page. Windows reads every script (scriptreader_windows.cpp).
#ifndef QUORLIN_SCRIPTREADER_H
#define QUORLIN_SCRIPTREADER_H

#include <cstddef>
#include <cstdint>

#include "fileidentity.h"

namespace quorlin {

// Scripts of at least this many bytes are mapped rather than read.
constexpr std::uint64_t SCRIPT_MAPPING_THRESHOLD = std::uint64_t{1} << 20;

enum class ScriptLoad {
    LOADED,
    UNOPENABLE, // missing, or no regular file
    UNREADABLE, // the read failed
    NO_MEMORY,  // no buffer or mapping of the script's size could be had
};

// The text of one script, read or mapped, released with the object.
class ScriptText {
public:
    ScriptText() = default;
    ~ScriptText();
    ScriptText(const ScriptText&) = delete;
    ScriptText& operator=(const ScriptText&) = delete;

    // Opens the named script (UTF-8) when it is a regular file and loads the
    // bytes it has when opened; a file that shrinks meanwhile gives what it
    // still holds. The kind is checked before the open, so that a FIFO or a
    // device can never block the run, and again on the open file.
    ScriptLoad Load(const char* pszName);
    // The size of the file when it was opened.
    std::uint64_t FileSize() const { return m_nFileSize; }
    // Which file it was.
    const FileIdentity& Identity() const { return m_identity; }

    const char* Data() const { return m_pText; }
    std::size_t Length() const { return m_nLength; }
    bool IsMapped() const { return m_pMapping != nullptr; }
    // The mapping's first byte; null for a script that was read.
    void* MappingAddress() const { return m_pMapping; }

private:
    // Fills the object on each platform (scriptreader_posix.cpp, scriptreader_windows.cpp).
    friend class ScriptLoader;

    const char* m_pText = "";
    std::size_t m_nLength = 0;
    char* m_pBuffer = nullptr; // a read script, NUL-terminated
    void* m_pMapping = nullptr;
    std::size_t m_nMappingSize = 0;
    std::uint64_t m_nFileSize = 0;
    FileIdentity m_identity;
};

// While it lives, a page of the mapped script that the file no longer has
// (the file was cut short by another program) reads as NUL bytes instead of
// stopping the program with SIGBUS. The compiler ends the text at its first
// NUL, so the compile sees the text up to where the file was cut. Does
// nothing for a script that was read.
class VanishedPageGuard {
public:
    explicit VanishedPageGuard(const ScriptText& text);
    ~VanishedPageGuard();
    VanishedPageGuard(const VanishedPageGuard&) = delete;
    VanishedPageGuard& operator=(const VanishedPageGuard&) = delete;

private:
    bool m_bInstalled = false;
};

} // namespace quorlin

#endif
