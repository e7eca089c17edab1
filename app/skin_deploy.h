#pragma once

// Skin deployment: the skin engine is carried inside the program and written beside it when missing, so the
// external function table finds it in the program folder. That is for a portable folder (the build tree, an
// unpacked archive). An installed program has the engine in its private library folder and writes nothing.
#include <QByteArray>
#include <QString>

namespace app {

// The engine library's bytes as built with this program.
QByteArray carriedEngineImage();

// programDir + separator + the engine's file name.
QString skinEnginePath(const QString& programDir);

// The private library folder of a program installed in programDir: where the installed engine is, and where the
// program's run path points.
QString privateLibraryDir(const QString& programDir);

// Writes the carried engine to skinEnginePath(programDir) when no file of that name is there and the private
// library folder holds no engine either (that one is found through the run path). An existing file (whatever its
// content, size or permissions) is left alone: it is the engine. Failure to write is not reported here; binding
// the engine afterwards is what decides. Returns true when this call wrote the file.
bool deploySkinEngine(const QString& programDir);

} // namespace app
