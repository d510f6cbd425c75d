#include "textdiff.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quorlin {
namespace {

// Lines with their line feeds, so a missing final one shows.
std::vector<std::string> SplitKeepingFeeds(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t nStart = 0;
    while (nStart < text.size()) {
        const std::size_t nFeed = text.find('\n', nStart);
        const std::size_t nEnd = (nFeed == std::string::npos) ? text.size() : nFeed + 1;
        lines.push_back(text.substr(nStart, nEnd - nStart));
        nStart = nEnd;
    }
    return lines;
}

std::string HexLines(const std::string& bytes)
{
    std::string text;
    char szByte[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(szByte, sizeof(szByte), "%02X", static_cast<unsigned char>(bytes[i]));
        text += (i % 16 == 0) ? "    " : " ";
        text += szByte;
        if (i % 16 == 15 || i + 1 == bytes.size())
            text += '\n';
    }
    return text.empty() ? "    (empty)\n" : text;
}

} // namespace

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                char szEscape[8];
                std::snprintf(szEscape, sizeof(szEscape), "\\x%02X", byte);
                quoted += szEscape;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

std::string DiffLines(const std::string& expected, const std::string& actual)
{
    const std::vector<std::string> left = SplitKeepingFeeds(expected);
    const std::vector<std::string> right = SplitKeepingFeeds(actual);

    // Longest common subsequence of lines; the outputs compared are short.
    const std::size_t nLeft = left.size();
    const std::size_t nRight = right.size();
    std::vector<std::vector<std::size_t>> common(nLeft + 1, std::vector<std::size_t>(nRight + 1, 0));
    for (std::size_t i = nLeft; i-- > 0;) {
        for (std::size_t j = nRight; j-- > 0;) {
            common[i][j] =
                (left[i] == right[j]) ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }

    std::string diff;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < nLeft || j < nRight) {
        if (i < nLeft && j < nRight && left[i] == right[j]) {
            diff += "  " + Quote(left[i++]) + "\n";
            ++j;
        } else if (i < nLeft && (j == nRight || common[i + 1][j] >= common[i][j + 1])) {
            diff += "- " + Quote(left[i++]) + "\n";
        } else {
            diff += "+ " + Quote(right[j++]) + "\n";
        }
    }
    return diff.empty() ? "  (both empty)\n" : diff;
}

std::string DiffBytes(const std::string& expected, const std::string& actual)
{
    std::size_t nFirst = 0;
    while (nFirst < expected.size() && nFirst < actual.size() && expected[nFirst] == actual[nFirst])
        ++nFirst;
    return "  expected " + std::to_string(expected.size()) + " bytes:\n" + HexLines(expected) + "  actual " +
           std::to_string(actual.size()) + " bytes:\n" + HexLines(actual) + "  first difference at offset " +
           std::to_string(nFirst) + "\n";
}

} // namespace quorlin
