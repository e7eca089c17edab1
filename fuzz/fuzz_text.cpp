// The text helpers and the batch's line handling on arbitrary text. The bytes are read as UTF-16, so any
// code unit (full-width digits and spaces, lone surrogates, NUL) can appear. The first line is the
// line-number box, the rest the file list.
#include "fuzz_checks.h"

#include "core/control_ids.h"
#include "core/text.h"
#include "handlers/batch.h"
#include "testsupport/memory_controls.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

using fuzzcheck::expect;

namespace {

bool isSpace(QChar c)
{
    return c == QChar(0x20) || c == QChar(0x3000);
}

void checkTrim(const QString& text)
{
    const QString t = core::trimSpaces(text);
    expect(text.contains(t), "trimming made text that was not there");
    expect(t.isEmpty() || (!isSpace(t.front()) && !isSpace(t.back())), "a space left at an end");
    expect(core::trimSpaces(t) == t, "trimming twice changed the text");
}

void checkNumber(const QString& text)
{
    const double v = core::textToNumber(text);
    expect(std::isfinite(v), "a number that is not finite");
    const QString written = core::numberToText(v);
    expect(!written.isEmpty() && written != QLatin1String("-0"), "a number written as nothing or -0");
    const qsizetype e = written.indexOf(QLatin1Char('e'));
    const QString mantissa = e < 0 ? written : written.left(e);
    expect(!mantissa.contains(QLatin1Char('.')) || !mantissa.endsWith(QLatin1Char('0')), "trailing zeros");
    expect(!mantissa.endsWith(QLatin1Char('.')), "a point without digits");
    // 13 significant digits read back and written again give the same text.
    expect(core::numberToText(core::textToNumber(written)) == written, "a written number does not read back");
    const double t = std::trunc(v);
    const int n = core::numberToInt(v);
    if (t >= std::numeric_limits<int>::min() && t <= std::numeric_limits<int>::max())
        expect(n == static_cast<int>(t), "truncation toward zero");
    else
        expect(n == (t > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min()), "saturation");
}

testutil::MemoryControls& controls()
{
    static auto* c = new testutil::MemoryControls;
    return *c;
}

// Reads the named line, then runs the batch without folders: every line is refused before any file is
// touched, and the run must end back at line 1.
void checkLines(const QString& lineNumber, const QString& list)
{
    using namespace core::ids;
    testutil::MemoryControls& c = controls();
    c.setText(LineNumberBox, lineNumber);
    c.setText(FileList, list);
    c.setText(MaterialFolderBox, {});
    c.setText(OutputFolderBox, {});
    c.messages.clear();
    c.statuses.clear();
    c.progress.clear();
    c.runEnds.clear();
    handlers::BatchHandlers handlers;
    handlers.readLine(c);
    const QString current = c.text(CurrentFileBox);
    expect(core::trimSpaces(current) == current, "the current file is not trimmed");
    expect(!current.contains(QLatin1Char('\n')) && !current.contains(QLatin1Char('\r')), "a line break read");
    expect(list.contains(current), "a current file that is not in the list");

    c.setInterval(BatchTimer, handlers::kBatchInterval);
    for (int i = 0; i < 1000 && c.interval(BatchTimer) != 0; ++i) {
        handlers.step(c);
        handlers.waitForProgress(1000);
    }
    expect(c.interval(BatchTimer) == 0, "a run without folders that does not end");
    expect(c.text(LineNumberBox) == QLatin1String("1"), "an ended run not back at line 1");
    c.setInterval(BatchTimer, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), static_cast<qsizetype>(size / 2));
    checkTrim(text);
    checkNumber(text);
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    const QString lineNumber = firstBreak < 0 ? text : text.left(firstBreak);
    checkNumber(lineNumber);
    checkLines(lineNumber, firstBreak < 0 ? QString() : text.mid(firstBreak + 1));
    return 0;
}
