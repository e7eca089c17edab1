#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstddef>
#include <optional>

// The program's text helpers. Texts are compared as Unicode; the full-width space that Chinese input methods
// type (U+3000) counts as a space wherever an ASCII space does, and full-width digits as digits.
namespace core {

// Removes ASCII spaces and full-width spaces (U+3000) at both ends, and nothing else.
QString trimSpaces(const QString& text);

// Reads a decimal floating-point number: full-width digits, signs and points count as ASCII, leading white
// space is skipped, reading stops at the first character that cannot continue the number. No number gives 0.
double textToNumber(const QString& text);

// A whole decimal number and nothing else: an optional sign, ASCII digits, no white space; nothing when the
// text is anything else or lies beyond 64 bits. Independent of the locale, as textToNumber is.
std::optional<qint64> wholeNumber(QStringView text);

// At most 13 significant digits and no trailing zeros: 2.0 gives "2", 0.5 gives "0.5".
QString numberToText(double value);

// Truncation toward zero, saturated to the 32-bit range (NaN gives 0).
int numberToInt(double value);

// The text with the arguments in place of %1 to %9, in one pass, so an argument that holds "%2" (a file name)
// stays as it is. A number with no argument stays as it is. The reason and message tables fill their texts so.
QString fillArguments(const QString& text, const QStringList& args);

// One row of a text table (the reasons', the messages'): a code and its text in English and in Chinese.
template <typename Code> struct TextRow {
    Code code;
    const char* english;
    const char16_t* chinese;
};

// Whether a table has one row per code (Code::Count of them), each holding the code that is its own index, so
// that a code can be looked up as an index. Checked at compile time by the reason and message tables.
template <typename Code, std::size_t N> constexpr bool isCodeTable(const TextRow<Code> (&rows)[N])
{
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(rows[i].code) != i)
            return false;
    }
    return N == static_cast<std::size_t>(Code::Count);
}

// The row of `code` in a table that isCodeTable() holds for.
template <typename Code, std::size_t N> const TextRow<Code>& textRow(const TextRow<Code> (&rows)[N], Code code)
{
    return rows[static_cast<std::size_t>(code)];
}

} // namespace core
