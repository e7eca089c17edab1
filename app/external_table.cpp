#include "app/external_table.h"

#include "app/fatal_report.h"
#include "core/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

// Calls through this table use the platform's C calling convention, where the caller removes the arguments it
// pushed: a callee that takes a different number of them cannot unbalance the stack, so calls are not checked.

namespace app {

struct ExternalTable::Slot {
    ExternalEntry entry;
    std::unique_ptr<QLibrary> library;
    QFunctionPointer function = nullptr;
};

ExternalTable::ExternalTable(QString programDir, std::vector<ExternalEntry> entries)
    : m_programDir(std::move(programDir))
{
    for (auto& e : entries) {
        auto slot = std::make_unique<Slot>();
        slot->entry = std::move(e);
        m_slots.push_back(std::move(slot));
    }
}

// The QLibrary objects are dropped without unload(): a loaded library stays mapped until the process ends, as
// the functions handed out may still be called from static destructors or other tables.
ExternalTable::~ExternalTable() = default;

QFunctionPointer ExternalTable::function(int index)
{
    if (index < 0 || index >= static_cast<int>(m_slots.size()))
        fatalReport(core::chineseText(core::MessageCode::NoExternalEntry, {QString::number(index)}), 0);
    Slot& slot = *m_slots[static_cast<size_t>(index)];
    if (slot.function == nullptr)
        slot.function = bind(slot);
    return slot.function;
}

QFunctionPointer ExternalTable::bind(Slot& slot)
{
    const QString& file = slot.entry.library;
    const bool isPath =
        file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')) || file.contains(QLatin1Char(':'));
    QStringList candidates;
    if (isPath) {
        candidates << file;
    } else {
        candidates << m_programDir + QDir::separator() + file; // the program folder first
        candidates << file;                                    // then the platform's ordinary search
    }
    for (const QString& candidate : candidates) {
        auto library = std::make_unique<QLibrary>(candidate);
        ++m_loadAttempts;
        if (!library->load())
            continue;
        QFunctionPointer fn = library->resolve(slot.entry.function.toLatin1().constData());
        if (fn == nullptr)
            break; // a library found but lacking the function is not looked for elsewhere
        slot.library = std::move(library);
        return fn;
    }
    fatalReport(core::chineseText(core::MessageCode::NoExternalFunction, {file, slot.entry.function}), 0);
}

QString skinEngineFileName()
{
    // The name the build gave the engine library (skin/CMakeLists.txt), so the two cannot disagree.
    return QStringLiteral(VORLITH_SKIN_ENGINE_FILE);
}

ExternalTable& externalTable()
{
    static ExternalTable table(QCoreApplication::applicationDirPath(),
                               {{skinEngineFileName(), QString::fromLatin1(kSkinAttachFunction)}});
    return table;
}

} // namespace app
