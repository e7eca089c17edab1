// Arbitrary bytes through picture recognition and decoding, as a picture box gets them: once for the
// composition picture box's size (JPEGs are scaled while decoding) and once at full size; and through the
// memory budget's measure of them.
#include "fuzz_checks.h"

#include "material/composition.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzcheck::ensureApplication();
    const QByteArray bytes = fuzzcheck::rawBytes(data, size);
    const picture::PictureKind kind = picture::recognise(bytes);
    const picture::DecodedPicture shown = picture::decodePicture(bytes, material::kPictureRect.size());
    fuzzcheck::checkDecoded(shown);
    if (kind == picture::PictureKind::None)
        fuzzcheck::expect(shown.image.isNull(), "a picture from unrecognised bytes");
    fuzzcheck::checkDecoded(picture::decodePicture(bytes));
    // The budget's measure reads the same untrusted headers, with each format's own parser.
    fuzzcheck::expect(picture::decodingMemory(bytes, material::kPictureRect.size()) >= 0, "a negative memory need");
    return 0;
}
