#pragma once

// The external function table: the library functions the program calls directly, each named by its index.
// An entry is bound on its first call and the bound function is reused; the libraries stay loaded until the
// process ends.
#include <QFunctionPointer>
#include <QString>
#include <memory>
#include <vector>

namespace app {

struct ExternalEntry {
    QString library;  // file name, or a path (with a separator or ":") that is loaded as it is
    QString function; // exported symbol
};

class ExternalTable {
public:
    ExternalTable(QString programDir, std::vector<ExternalEntry> entries);
    ~ExternalTable();
    ExternalTable(const ExternalTable&) = delete;
    ExternalTable& operator=(const ExternalTable&) = delete;

    // The bound function of entry `index`. Binds it on the first call: a library name with a path separator or
    // ":" is loaded from that path only; a bare file name is tried in the program folder first and then through
    // the platform's ordinary library search. A library or function that cannot be found is the fatal report
    // "无法找到指定DLL库文件“file”中的输出命令“function”", which does not return.
    QFunctionPointer function(int index);

    // Typed form of function(): `Fn` is the callee's own pointer type.
    template <typename Fn> Fn as(int index) { return reinterpret_cast<Fn>(function(index)); }

    // How many library loads this table has attempted (tests check that a bound entry is not loaded again).
    int loadAttempts() const { return m_loadAttempts; }

private:
    struct Slot;
    QFunctionPointer bind(Slot& slot);

    QString m_programDir;
    std::vector<std::unique_ptr<Slot>> m_slots;
    int m_loadAttempts = 0;
};

// Index of the skin engine's attach function in the program's own table.
inline constexpr int kSkinAttachEntry = 0;

// The skin engine's file name (without folder) on this platform, and its entry point.
QString skinEngineFileName();
inline constexpr char kSkinAttachFunction[] = "vorlith_skin_attach";

// The program's table, made on first use with the program folder (QCoreApplication::applicationDirPath(), no
// trailing separator). It holds only what the program calls: entry 0, the skin engine's attach function.
ExternalTable& externalTable();

} // namespace app
