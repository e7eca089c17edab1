#include "core/text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace core {

QString trimSpaces(const QString& text)
{
    auto isSpace = [](QChar c) { return c == QChar(0x20) || c == QChar(0x3000); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

double textToNumber(const QString& text)
{
    // Map full-width digits, signs, point and exponent letters to ASCII; anything else outside ASCII
    // ends the number, so it becomes a byte that cannot continue it.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            u = static_cast<char16_t>(u'0' + (u - 0xFF10));
        else if (u == 0xFF0B)
            u = u'+';
        else if (u == 0xFF0D)
            u = u'-';
        else if (u == 0xFF0E)
            u = u'.';
        if (u == 0)
            break;
        ascii.push_back(u < 0x80 ? static_cast<char>(u) : '\x01');
    }
    // std::from_chars reads the C locale's form whatever the process locale is (strtod would take the
    // decimal comma of a German locale and read "2.75" as 2). It takes no leading white space or plus sign,
    // so those are stepped over here; hexadecimal, infinities and NaN are no decimal numbers and give 0.
    const char* p = ascii.data();
    const char* end = p + ascii.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    auto digit = [end](const char* at) { return at < end && *at >= '0' && *at <= '9'; };
    if (!digit(p) && !(p < end && *p == '.' && digit(p + 1)))
        return 0.0;
    double value = 0.0;
    // Out of range (beyond the largest double, or below the smallest) leaves the value 0.
    const std::from_chars_result read = std::from_chars(p, end, value, std::chars_format::general);
    if (read.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

std::optional<qint64> wholeNumber(QStringView text)
{
    // Characters outside Latin-1 become '?', which no number continues with.
    const QByteArray ascii = text.toLatin1();
    const char* p = ascii.constData();
    const char* end = p + ascii.size();
    if (p < end && *p == '+' && end - p > 1 && p[1] != '-')
        ++p;
    qint64 value = 0;
    const std::from_chars_result read = std::from_chars(p, end, value, 10);
    if (read.ec != std::errc() || read.ptr != end)
        return std::nullopt;
    return value;
}

QString numberToText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString out = QString::number(value, 'g', 13);
    if (out == QLatin1String("-0"))
        out = QStringLiteral("0");
    return out;
}

int numberToInt(double value)
{
    if (std::isnan(value))
        return 0;
    double t = std::trunc(value);
    if (t >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (t <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(t);
}

QString fillArguments(const QString& text, const QStringList& args)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int n = i + 1 < text.size() && text[i] == QLatin1Char('%') ? text[i + 1].digitValue() : -1;
        if (n >= 1 && n <= args.size()) {
            out += args[n - 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace core
