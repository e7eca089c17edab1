#pragma once

// Skin deployment: the skin engine is carried inside the program and written beside it when missing, so the
// external function table finds it in the program folder.
#include <QByteArray>
#include <QString>

namespace app {

// The engine library's bytes as built with this program.
QByteArray carriedEngineImage();

// programDir + separator + the engine's file name.
QString skinEnginePath(const QString& programDir);

// Writes the carried engine to skinEnginePath(programDir) when no file of that name is there. An existing file
// (whatever its content, size or permissions) is left alone: it is the engine. Failure to write is not reported
// here; binding the engine afterwards is what decides. Returns true when this call wrote the file.
bool deploySkinEngine(const QString& programDir);

} // namespace app
