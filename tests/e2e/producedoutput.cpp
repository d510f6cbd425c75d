#include "producedoutput.h"

#include <memory>

#include "tfsreader.h"

namespace quorlin {

bool ValidateProducedOutput(const ProducedOutput& output, std::string& problem)
{
    // Every file quorlin writes must read back as a well-formed compiled script.
    auto pScript = std::make_unique<CompiledScript>();
    ReadError error;
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(output.bytes.data());
    if (ReadCompiledScript(pBytes, output.bytes.size(), *pScript, error)) {
        problem.clear();
        return true;
    }
    problem = "not a valid compiled script: offset " + std::to_string(error.m_nOffset) + ": " + error.m_szMessage;
    return false;
}

} // namespace quorlin
