#include "core/text.h"

#include <cmath>
#include <cstdlib>
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
    // ends the number, so it becomes a byte that strtod cannot continue with.
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
    // Hexadecimal, infinities and NaN are not decimal numbers: cut them off where a decimal reading stops.
    const char* s = ascii.c_str();
    const char* p = s;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    const char* q = p;
    if (*q == '+' || *q == '-')
        ++q;
    if (*q == '0' && (q[1] == 'x' || q[1] == 'X'))
        return 0.0;
    if (!((*q >= '0' && *q <= '9') || (*q == '.' && q[1] >= '0' && q[1] <= '9')))
        return 0.0;
    double value = std::strtod(p, nullptr);
    return std::isfinite(value) ? value : 0.0;
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

} // namespace core
