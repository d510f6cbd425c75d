#include "peerscripts.h"

#include <string>

namespace quorlin::benchscripts {

namespace {

const char* const VALUE_NAMES = "Time, Elapsed, LevelOffsetX, LevelOffsetY, LevelOffsetZ, Speed, Scale, Phase, Amp, "
                                "OffsetU, Wobble, Mat00, Mat01, Mat02, Mat03, Mat10, Mat11, Mat12, Mat13, Mat20, "
                                "Mat21, Mat22, Mat23, Mat30, Mat31, Mat32, Mat33";

const char* const C_PRELUDE = "float Sin(float), Cos(float), Tan(float), SqrSin(float), SqrCos(float), "
                              "DegToRad(float);\n";

const char* const GLSL_PRELUDE = "#version 450\n"
                                 "layout(local_size_x = 1) in;\n"
                                 "layout(std430, binding = 0) buffer Matrix { float aValues[]; };\n"
                                 "float Sin(float x) { return sin(x); }\n"
                                 "float Cos(float x) { return cos(x); }\n"
                                 "float Tan(float x) { return tan(x); }\n"
                                 "float SqrSin(float x) { return sin(x) * sin(x); }\n"
                                 "float SqrCos(float x) { return cos(x) * cos(x); }\n"
                                 "float DegToRad(float x) { return radians(x); }\n";

// The text between the line after BeginScript and the line of EndScript.
std::string Body(const std::string& script)
{
    const std::string begin = "BeginScript\n";
    const std::size_t nBegin = script.find(begin) + begin.size();
    return script.substr(nBegin, script.rfind("EndScript") - nBegin);
}

// Rewrites the operators and comments; a "-" always gets a space before it,
// so that two never form a decrement or a Lua comment.
std::string Translate(const std::string& body, const char* pszComment)
{
    std::string text;
    for (const char c : body) {
        switch (c) {
        case '<': text += '-'; break;
        case '>': text += '+'; break;
        case '%': text += '*'; break;
        case '-': text += " -"; break;
        case '#': text += pszComment; break;
        default: text += c;
        }
    }
    return text;
}

} // namespace

std::string PeerSource(const std::string& script, PeerLanguage language)
{
    const std::string body = Body(script);
    switch (language) {
    case PeerLanguage::LUA: return Translate(body, "--");
    case PeerLanguage::C:
        return std::string(C_PRELUDE) + "float " + VALUE_NAMES + ";\nvoid Script(void)\n{\n" + Translate(body, "//") +
               "}\n";
    case PeerLanguage::GLSL:
        return std::string(GLSL_PRELUDE) + "void main()\n{\n    float " + VALUE_NAMES + ";\n    Time = aValues[0];\n" +
               Translate(body, "//") + "    aValues[1] = Mat00 + Mat33;\n}\n";
    }
    return body;
}

} // namespace quorlin::benchscripts
