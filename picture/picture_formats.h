#pragma once

#include <iterator>

// The kinds of picture the decoders read, as file dialogs offer them. Pictures are recognised by content, so
// these name patterns only help the user find files; add a row with every new decoder.
namespace picture {

struct PictureFormat {
    const char16_t* name;     // as a file dialog names it
    const char16_t* patterns; // file name patterns, separated by spaces
};

inline constexpr PictureFormat kPictureFormats[] = {
    {u"JPEG", u"*.jpg *.jpeg *.jpe *.jfif"},
    {u"BMP", u"*.bmp *.dib"},
    {u"PNG", u"*.png"},
    {u"GIF", u"*.gif"},
    {u"ICO", u"*.ico"},
    {u"CUR", u"*.cur"},
    {u"PCX", u"*.pcx"},
    {u"WebP", u"*.webp"},
    {u"TIFF", u"*.tif *.tiff"},
    {u"HEIC", u"*.heic *.heif *.hif"},
    {u"AVIF", u"*.avif"},
};

inline constexpr int kPictureFormatCount = static_cast<int>(std::size(kPictureFormats));

} // namespace picture
