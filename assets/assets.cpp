#include "assets/assets.h"

#include <QFile>

namespace assets {

QByteArray resourceBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace assets
