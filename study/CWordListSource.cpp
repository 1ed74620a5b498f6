#include "study/CWordListSource.h"

#include <QFile>

std::optional<QByteArray> CWordListSource::Load(int resourceId) const
{
    QFile file(QStringLiteral(":/dictionary/%1").arg(resourceId));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}
