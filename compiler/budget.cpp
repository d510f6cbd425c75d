// The budget of a script as tools show it: each figure against the limit of
// the compiled format that bounds it.
#include "compiledscriptformat.h"
#include "quorlin/quorlin.h"

namespace quorlin {

namespace {

struct FigureShown {
    std::uint32_t CompileFigures::*pnUsed;
    std::uint32_t nLimit;
    const char* pszWhat;
};

// By BudgetFigure.
constexpr FigureShown FIGURES_SHOWN[] = {
    {&CompileFigures::fileBytes, BYTECODE_BUFFER_SIZE, "bytes"},
    {&CompileFigures::constants, MAX_CONSTANTS, "constants"},
    {&CompileFigures::temporaries, MAX_TEMP_DEPTH, "temporaries"},
    {&CompileFigures::parameters, MAX_USER_PARAMS, "parameters"},
};
static_assert(sizeof FIGURES_SHOWN / sizeof FIGURES_SHOWN[0] == static_cast<std::size_t>(BudgetFigure::Parameters) + 1,
              "one entry per figure");

std::string FormatFigure(const CompileFigures& figures, BudgetFigure figure)
{
    const FigureShown& shown = FIGURES_SHOWN[static_cast<std::size_t>(figure)];
    return std::to_string(figures.*shown.pnUsed) + " of " + std::to_string(shown.nLimit) + " " + shown.pszWhat;
}

} // namespace

std::string FormatBudget(const CompileFigures& figures, std::string_view separator,
                         std::initializer_list<BudgetFigure> shown)
{
    std::string text;
    for (const BudgetFigure figure : shown) {
        if (!text.empty())
            text += separator;
        text += FormatFigure(figures, figure);
    }
    return text;
}

} // namespace quorlin
