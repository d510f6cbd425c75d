// quorlin_hold_file NAME MILLISECONDS: opens the file without sharing it (no
// other process may read, write, rename or delete it meanwhile), prints
// "held" on standard output, holds it for the time given and closes it.
// Exit status 0, or 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fputs("usage: quorlin_hold_file NAME MILLISECONDS\n", stderr);
        return 2;
    }
    const HANDLE hFile =
        ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    ::CloseHandle(hFile);
    return 0;
}
