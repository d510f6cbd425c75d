// The name of an output's temporary, the same on every system: the platform
// side gives the length of the output's folder and a random number.
#ifndef QUORLIN_TEMPORARYNAME_H
#define QUORLIN_TEMPORARYNAME_H

#include <cstddef>
#include <cstdint>

namespace quorlin {

// Names tried for the temporary before the output counts as unwritable:
// with random names, only a folder full of them could use them all up.
constexpr unsigned MAX_TEMPORARY_ATTEMPTS = 256;

// Writes ".NAME.XXXXXXXXXXXXXXXX.tmp" (XXXX the random number in hexadecimal)
// beside pszTarget, whose folder part is its first nFolder bytes, into
// pszName of nNameSize bytes; NAME is shortened as far as the whole must fit
// in one file name of 255 bytes. False with errno EISDIR when the target
// names a folder (nothing after its folder part), ENAMETOOLONG when the name
// does not fit.
bool FormatTemporaryName(const char* pszTarget, std::size_t nFolder, std::uint64_t nRandom, char* pszName,
                         std::size_t nNameSize);

} // namespace quorlin

#endif
