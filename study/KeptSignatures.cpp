#include "study/KeptSignatures.h"

#include "platform/FolderIdentity.h"
#include "platform/Settings.h"

namespace {

constexpr QChar kSeparator = u'\t';

} // namespace

void KeepSignaturesInSettings(const QString& folder, const QByteArray& content)
{
    const QString identity = FolderIdentity(folder);
    if (identity.isEmpty())
        return;
    const QString value = identity + kSeparator + QString::fromLatin1(content.toBase64());
    if (GetProfileString(Setting::StateSignatures) != value)
        WriteProfileString(Setting::StateSignatures, value);
}

std::optional<QByteArray> SignaturesKeptInSettings(const QString& folder)
{
    const QString value = GetProfileString(Setting::StateSignatures);
    const qsizetype separator = value.indexOf(kSeparator);
    const QString identity = FolderIdentity(folder);
    if (separator <= 0 || identity.isEmpty() || QStringView(value).left(separator) != identity)
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(value.mid(separator + 1).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}
