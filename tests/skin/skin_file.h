#pragma once

// The tests' own reading and writing of skin files, kept apart from the engine's code so a fault in one is
// not copied into the other: colour lookup in a committed skin, and a builder for valid and broken skins.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QtEndian>

#include <zlib.h>

namespace skinfile {

enum Role { Window, WindowText, Base, Text, Button, ButtonText, Highlight, HighlightText, Border, Accent, Hover };
constexpr int kRoles = 11;

inline quint32 crc32(const QByteArray& bytes)
{
    return static_cast<quint32>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), static_cast<uInt>(bytes.size())));
}

// The colour a skin file gives `role`, or an invalid colour.
inline QColor colour(const QByteArray& skin, int role)
{
    for (qsizetype at = 16; at + 2 <= skin.size(); at += 2 + static_cast<quint8>(skin[at + 1])) {
        if (skin[at] == 2 && skin[at + 1] == 4 && at + 6 <= skin.size() && skin[at + 2] == role)
            return QColor(static_cast<quint8>(skin[at + 3]),
                          static_cast<quint8>(skin[at + 4]),
                          static_cast<quint8>(skin[at + 5]));
    }
    return {};
}

struct Record {
    quint8 tag;
    QByteArray value;
};

inline QByteArray colourRecord(int role, QColor c)
{
    QByteArray v;
    v.append(char(role)).append(char(c.red())).append(char(c.green())).append(char(c.blue()));
    return v;
}

// The eleven colours, each role's colour a distinct grey unless `button` overrides the button colour.
inline QList<Record> fullPalette(QColor button = QColor(0x12, 0x34, 0x56))
{
    QList<Record> records;
    for (int role = 0; role < kRoles; ++role)
        records.append({2, colourRecord(role, role == Button ? button : QColor(role * 20, role * 20, role * 20))});
    return records;
}

// A skin file of `records`; `count`, `version` and `crcDelta` let tests break the header on purpose.
inline QByteArray build(const QList<Record>& records, int version = 1, int countDelta = 0, quint32 crcDelta = 0)
{
    QByteArray payload;
    for (const Record& r : records)
        payload.append(char(r.tag)).append(char(r.value.size())).append(r.value);
    QByteArray header("VSKN");
    char word[4];
    qToLittleEndian<quint16>(quint16(version), word);
    header.append(word, 2);
    qToLittleEndian<quint16>(quint16(records.size() + countDelta), word);
    header.append(word, 2);
    qToLittleEndian<quint32>(quint32(payload.size()), word);
    header.append(word, 4);
    qToLittleEndian<quint32>(crc32(payload) + crcDelta, word);
    header.append(word, 4);
    return header + payload;
}

} // namespace skinfile
