/*
 * The floor of a run that replaces a small compiled file: the least a
 * program can do to put 57 bytes in place of an output without ever leaving
 * it half-written. It creates the temporary, writes the bytes, closes it and
 * puts it in the output's place, nothing else, and is linked statically like
 * quorlin, so that the two differ only by what quorlin does on top.
 *
 *   quorlin_replace_floor rename|swap OUTPUT TEMPORARY
 *
 * "rename" renames the temporary over the output; "swap" exchanges the two
 * names and removes the temporary's name, which then holds the old output
 * (quorlin's way over an existing output). Exits 0 when the output was
 * replaced, 1 when a step failed, 2 on a wrong command line.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

/* The size of the worked example's compiled file; the bytes do not matter. */
static const unsigned char BYTES[57] = {1, 0, 7};

static int PutInPlace(int bSwap, const char* pszTemporary, const char* pszOutput)
{
    if (!bSwap)
        return rename(pszTemporary, pszOutput) == 0;
    return renameat2(AT_FDCWD, pszTemporary, AT_FDCWD, pszOutput, RENAME_EXCHANGE) == 0 && unlink(pszTemporary) == 0;
}

int main(int argc, char** argv)
{
    int nFd;
    int bOk;

    if (argc != 4 || (strcmp(argv[1], "rename") != 0 && strcmp(argv[1], "swap") != 0))
        return 2;
    nFd = open(argv[3], O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (nFd < 0)
        return 1;
    bOk = write(nFd, BYTES, sizeof(BYTES)) == (ssize_t)sizeof(BYTES);
    bOk = close(nFd) == 0 && bOk;
    bOk = bOk && PutInPlace(strcmp(argv[1], "swap") == 0, argv[3], argv[2]);
    return bOk ? 0 : 1;
}
