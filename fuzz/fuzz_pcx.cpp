// The PCX decoder alone, without recognition in front of it: any header reaches it.
#include "fuzz_checks.h"

#include "picture/pcx.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const picture::DecodedPicture d = picture::decodePcx(fuzzcheck::rawBytes(data, size));
    fuzzcheck::checkDecoded(d);
    // Every PCX picture comes out as 32-bit RGB, whatever its depth on disk.
    if (!d.image.isNull())
        fuzzcheck::expect(d.image.format() == QImage::Format_RGB32, "a PCX picture not in RGB32");
    return 0;
}
