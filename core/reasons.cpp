#include "core/reasons.h"

#include "core/text.h"

#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <cstring>

namespace core {

namespace {

// clang-format off
// code                          English (vorlith-batch)                                         Chinese (window)
constexpr TextRow<ReasonCode> kTexts[] = {
    {ReasonCode::None,             "",                                                              u""},
    {ReasonCode::NoSpace,          "no space left on the device",                                  u"磁盘空间不足"},
    {ReasonCode::ReadOnly,         "the file system is read-only",                                 u"文件系统是只读的"},
    {ReasonCode::Permission,       "permission denied",                                            u"没有访问权限"},
    {ReasonCode::OutOfMemory,      "not enough memory",                                            u"内存不足"},
    {ReasonCode::SymlinkLoop,      "the symbolic links in the path form a loop",                   u"路径中的符号链接构成循环"},
    {ReasonCode::NameTooLong,      "the file name is too long",                                    u"文件名太长"},
    {ReasonCode::TooManyOpenFiles, "too many files are open",                                      u"打开的文件太多"},
    {ReasonCode::IoError,          "input/output error on the device",                             u"设备读写出错"},
    {ReasonCode::TooLargeForFileSystem, "the file is too large for the file system",             u"文件超出文件系统允许的大小"},
    {ReasonCode::PathNotFolder,    "a part of the path is not a folder",                           u"路径中有一部分不是文件夹"},
    {ReasonCode::SystemError,      "system error %1 (%2)",                                         u"系统错误 %1（%2）"},
    {ReasonCode::FolderMissing,    "the folder %1 does not exist",                                 u"文件夹 %1 不存在"},
    {ReasonCode::NotAFolder,       "%1 is not a folder",                                           u"%1 不是文件夹"},
    {ReasonCode::FileMissing,      "the file does not exist",                                      u"文件不存在"},
    {ReasonCode::NameNotEncodable, "the file name is not valid in the system's encoding",          u"文件名在系统编码中无效"},
    {ReasonCode::IsFolder,         "it is a folder",                                               u"这是一个文件夹"},
    {ReasonCode::NotRegularFile,   "it is not a regular file",                                     u"这不是普通文件"},
    {ReasonCode::FileTooLarge,     "the file is too large: larger than %1",                        u"文件太大：超过 %1"},
    {ReasonCode::FileEmpty,        "the file is empty",                                            u"文件是空的"},
    {ReasonCode::NameTaken,        "the name is taken by another file",                            u"该文件名已被另一个文件占用"},
    {ReasonCode::NoFileName,       "no file name was given",                                       u"没有给出文件名"},
    {ReasonCode::NoPicture,        "there is no picture to save",                                  u"没有可保存的图片"},
    {ReasonCode::NotAPicture,      "not a recognised picture",                                     u"不是可识别的图片"},
    {ReasonCode::Damaged,          "the %1 data is damaged: %2",                                   u"%1 图片数据已损坏：%2"},
    {ReasonCode::Unsupported,      "this kind of %1 is not supported: %2",                         u"不支持这种 %1 图片：%2"},
    {ReasonCode::NoPixels,         "the picture header gives no pixels (%1 x %2)",                 u"图片头没有给出像素（%1 × %2）"},
    {ReasonCode::PictureTooLarge,  "the picture is %1 x %2 pixels, beyond the limit of %3 pixels a side or %4 pixels",
                                                                                                    u"图片为 %1 × %2 像素，超出每边 %3 像素或共 %4 像素的上限"},
    {ReasonCode::MemoryBudget,     "the picture needs %1 MB of memory, more than the %2 MB allowed", u"图片需要 %1 MB 内存，超过允许的 %2 MB"},
    {ReasonCode::CannotShow,       "the picture cannot be shown",                                  u"无法显示这张图片"},
    {ReasonCode::Truncated,        "the %1 data ends early; the missing part is grey",             u"%1 图片数据不完整，缺少的部分显示为灰色"},
    {ReasonCode::DamagedShown,     "the %1 data is damaged (%2); shown as far as it could be read", u"%1 图片数据有损坏（%2），只显示能读出的部分"},
    {ReasonCode::GreyPalette,      "the PCX file has no palette; shown in greys",                  u"PCX 文件没有调色板，以灰度显示"},
    {ReasonCode::Stopped,          "stopped",                                                      u"已停止"},
    {ReasonCode::NoFileNamed,      "no file is named",                                             u"没有指定文件"},
    {ReasonCode::NoMaterialFolder, "no material folder has been chosen",                           u"还没有选择素材文件夹"},
    {ReasonCode::NoOutputFolder,   "no output folder is set",                                      u"还没有设置保存文件夹"},
    {ReasonCode::MaterialFolderMissing, "the material folder %1 does not exist",                  u"素材文件夹 %1 不存在"},
    {ReasonCode::MaterialFolderNotFolder, "the material folder %1 is not a folder",               u"素材文件夹 %1 不是文件夹"},
    {ReasonCode::MaterialFolderUnreadable, "the material folder %1 cannot be read",               u"无法读取素材文件夹 %1"},
    {ReasonCode::OutputFolderNotFolder, "the output folder %1 is not a folder",                   u"保存文件夹 %1 不是文件夹"},
    {ReasonCode::NoMatchingMaterial, "no file in %1 matches *.%2",                                u"%1 中没有 *.%2 文件"},
    {ReasonCode::LayoutFieldCount, "line %1: expected 4 fields (name visible left top), found %2", u"第 %1 行：应有 4 项（名称 可见 左 上），却有 %2 项"},
    {ReasonCode::LayoutUnknownBadge, "line %1: no badge is named \"%2\"",                        u"第 %1 行：没有名为“%2”的图标"},
    {ReasonCode::LayoutBadgeTwice, "line %1: badge \"%2\" is named twice",                        u"第 %1 行：图标“%2”写了两次"},
    {ReasonCode::LayoutVisible,    "line %1: visible must be 0 or 1, not \"%2\"",                 u"第 %1 行：可见只能是 0 或 1，不能是“%2”"},
    {ReasonCode::LayoutCoordinates, "line %1: left and top must be whole numbers from %2 to %3",   u"第 %1 行：左、上必须是 %2 到 %3 之间的整数"},
    {ReasonCode::LayoutFit,        "line %1: expected fit %2",                                     u"第 %1 行：应为 fit 加上 %2 之一"},
    {ReasonCode::LayoutFitTwice,   "line %1: the fit is given twice",                              u"第 %1 行：图片适配写了两次"},
};
// clang-format on

// The table is in code order, so a code is its own index. Its length against Count keeps a code added to the
// enum without a row from compiling, wherever in the enum it is added; the order check catches a row put in
// the wrong place.
static_assert(isCodeTable(kTexts), "one row per code, in the enum's order");

// What the decoders' own words say is wrong, as one of a few kinds the window says in Chinese. The words are
// those of libpng (and zlib inside it), libjpeg, giflib, libwebp, libtiff, libheif, Qt's readers and our own
// BMP, ICO, PCX and WebP checks. The first row with a fragment found in the words (in any letter case) gives
// the kind, so the rows that must win come first: "IHDR: CRC error" is a checksum, "the file ends inside its
// header" data that ends early, zlib's "incorrect header check" damaged compressed data. Words no row knows
// get the last, general phrase, never English.
struct DamageKind {
    const char* fragments; // lower case, '|' between them
    const char16_t* chinese;
};

// clang-format off
constexpr DamageKind kDamageKinds[] = {
    {"memory|failed to allocate|needs more than",                                     u"内存不足"},
    {"crc|checksum|incorrect data check",                                             u"校验和不符"},
    {"premature end|eof|end of file|end of data|ends inside|ends early|ends before|shorter than|not enough data|"
     "not enough image data|insufficient|incomplete|outside of file bounds|scanned completely|remaining data|"
     "read error|can not read|cannot read|failed to read|io error|less than",         u"数据提前结束"},
    {"unsupported|not supported|can not handle|cannot handle|not implemented|not configured|not run-length|"
     "planes of",                                                                     u"用到了不支持的编码或功能"},
    {"the header|its header|file header|ihdr|signature|not a png|not a jpeg|not a tiff|not in gif format|"
     "screen descriptor|'ftyp'|bad version|ascii conversion",                         u"文件头无效"},
    {"no image|no picture|no readable image|no first page|holds no",                  u"文件中没有可显示的图像"},
    {"corrupt|defective|huffman|lzw|bitstream|invalid distance|stored block|block type|invalid code|"
     "literal|length or distance|header check|adaptive filter|too much image data|extra compressed|"
     "decoder plugin|stream was rejected|progressi",                                  u"压缩数据无法解码"},
    {"invalid|bogus|incorrect|incompatible|sanity check|wrong record|missing|no '|non-existing|nonexisting|"
     "not defined|not a proper|out of range|bad value|is empty|is zero|cannot hold|number of pixels|"
     "sampling factors|no properties|has no data|not present|color map|colour table|extraneous",
                                                                                      u"文件结构或字段值无效"},
};
// clang-format on

constexpr const char16_t* kUnknownDamage = u"数据无法解读";

// The Chinese for what the decoder's words say is wrong.
QString damageInChinese(const QString& words)
{
    const QString lower = words.toLower();
    for (const DamageKind& kind : kDamageKinds) {
        for (const QByteArray& fragment : QByteArray(kind.fragments).split('|')) {
            if (lower.contains(QLatin1String(fragment)))
                return QString::fromUtf16(kind.chinese);
        }
    }
    return QString::fromUtf16(kUnknownDamage);
}

// The codes whose second argument is a decoder's own words (English), said in Chinese by their kind.
bool carriesDecoderWords(ReasonCode code)
{
    return code == ReasonCode::Damaged || code == ReasonCode::DamagedShown || code == ReasonCode::Unsupported;
}

// The layouts our own decoders name as not supported, each as the whole of their English words (a number
// in them is %1) and in Chinese.
struct UnsupportedKind {
    const char* words; // a regular expression for the whole of the words
    const char16_t* chinese;
};

// clang-format off
constexpr UnsupportedKind kUnsupportedKinds[] = {
    {"Huffman 1D compression",                  u"OS/2 Huffman 1D 压缩"},
    {"CMYK colours \\(compression (\\d+)\\)",  u"CMYK 颜色（压缩方式 %1）"},
    {"compression (\\d+)",                      u"压缩方式 %1"},
    {"bit-field masks that are not contiguous", u"不连续的位域掩码"},
    {"an OS/2 icon or pointer array",           u"OS/2 图标或指针数组"},
};
// clang-format on

// The Chinese for what a decoder says it does not support: its own phrase where it is one of ours, else the
// kind its words describe.
QString unsupportedInChinese(const QString& words)
{
    for (const UnsupportedKind& kind : kUnsupportedKinds) {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(QString::fromLatin1(kind.words)));
        const QRegularExpressionMatch match = pattern.match(words);
        if (match.hasMatch())
            return fillArguments(QString::fromUtf16(kind.chinese), {match.captured(1)});
    }
    return damageInChinese(words);
}

} // namespace

QString englishText(const Reason& reason)
{
    return fillArguments(QString::fromUtf8(textRow(kTexts, reason.code).english), reason.args);
}

QString chineseText(const Reason& reason)
{
    QStringList args = reason.args;
    if (carriesDecoderWords(reason.code) && args.size() >= 2)
        args[1] = reason.code == ReasonCode::Unsupported ? unsupportedInChinese(args[1]) : damageInChinese(args[1]);
    return fillArguments(QString::fromUtf16(textRow(kTexts, reason.code).chinese), args);
}

Reason reasonFromErrno(int error)
{
    switch (error) {
    case 0:
        return {};
    case ENOSPC:
    case EDQUOT:
        return ReasonCode::NoSpace;
    case EROFS:
        return ReasonCode::ReadOnly;
    case EACCES:
    case EPERM:
        return ReasonCode::Permission;
    case ENOMEM:
        return ReasonCode::OutOfMemory;
    case ELOOP:
        return ReasonCode::SymlinkLoop;
    case ENAMETOOLONG:
        return ReasonCode::NameTooLong;
    case EMFILE:
    case ENFILE:
        return ReasonCode::TooManyOpenFiles;
    case EIO:
        return ReasonCode::IoError;
    case ENOENT:
        return ReasonCode::FileMissing;
    case ENOTDIR:
        return ReasonCode::PathNotFolder;
    case EISDIR:
        return ReasonCode::IsFolder;
    case EEXIST:
        return ReasonCode::NameTaken;
    case EFBIG:
        return ReasonCode::TooLargeForFileSystem;
    default:
        break;
    }
    const char* name = strerrorname_np(error);
    return {ReasonCode::SystemError,
            {name ? QString::fromLatin1(name) : QStringLiteral("unknown"), QString::number(error)}};
}

} // namespace core
