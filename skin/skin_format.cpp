#include "skin/skin_format.h"

#include "skin/vorlith_skin.h"

#include <cstring>

#include <zlib.h>

namespace skin {

namespace {

constexpr size_t kHeaderSize = 16;
constexpr uint16_t kVersion = 1;

enum Tag : uint8_t { TagName = 1, TagColour = 2, TagMetric = 3 };

uint16_t read16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t read32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Range of each metric: a skin may not make controls unusable (huge borders eat the text of small buttons).
bool setMetric(SkinDescription& out, uint8_t id, int value)
{
    switch (static_cast<Metric>(id)) {
    case Metric::Radius:
        out.radius = value;
        return value <= 16;
    case Metric::BorderWidth:
        out.borderWidth = value;
        return value <= 4;
    case Metric::Padding:
        out.padding = value;
        return value <= 12;
    }
    return false;
}

int parseRecord(uint8_t tag, const unsigned char* value, uint8_t size, SkinDescription& out, unsigned& seen)
{
    switch (tag) {
    case TagName:
        out.name = QString::fromUtf8(reinterpret_cast<const char*>(value), size);
        return VORLITH_SKIN_OK;
    case TagColour:
        if (size != 4 || value[0] >= kRoleCount)
            return VORLITH_SKIN_BAD_RECORD;
        out.colours[value[0]] = QColor(value[1], value[2], value[3]);
        seen |= 1u << value[0];
        return VORLITH_SKIN_OK;
    case TagMetric:
        if (size != 3 || !setMetric(out, value[0], read16(value + 1)))
            return VORLITH_SKIN_BAD_RECORD;
        return VORLITH_SKIN_OK;
    default:
        return VORLITH_SKIN_OK; // unknown tags belong to later versions and are skipped
    }
}

} // namespace

int parseSkin(const unsigned char* data, int length, SkinDescription& out)
{
    if (data == nullptr || length <= 0)
        return VORLITH_SKIN_NO_DATA;
    const auto total = static_cast<size_t>(length);
    if (total < kHeaderSize || std::memcmp(data, "VSKN", 4) != 0)
        return VORLITH_SKIN_BAD_HEADER;
    if (read16(data + 4) != kVersion)
        return VORLITH_SKIN_BAD_VERSION;
    const uint16_t records = read16(data + 6);
    const uint32_t payloadLength = read32(data + 8);
    if (payloadLength != total - kHeaderSize)
        return VORLITH_SKIN_BAD_LENGTH;
    const unsigned char* payload = data + kHeaderSize;
    if (::crc32(0, payload, static_cast<uInt>(payloadLength)) != read32(data + 12))
        return VORLITH_SKIN_BAD_CHECKSUM;

    SkinDescription parsed;
    unsigned seen = 0;
    size_t at = 0;
    for (uint16_t i = 0; i < records; ++i) {
        if (payloadLength - at < 2 || payloadLength - at - 2 < payload[at + 1])
            return VORLITH_SKIN_BAD_RECORD;
        const uint8_t tag = payload[at];
        const uint8_t size = payload[at + 1];
        if (const int r = parseRecord(tag, payload + at + 2, size, parsed, seen); r != VORLITH_SKIN_OK)
            return r;
        at += 2u + size;
    }
    if (at != payloadLength)
        return VORLITH_SKIN_BAD_RECORD; // bytes after the last record: not a file this engine wrote
    if (seen != (1u << kRoleCount) - 1u)
        return VORLITH_SKIN_MISSING_COLOUR;
    out = parsed;
    return VORLITH_SKIN_OK;
}

} // namespace skin
