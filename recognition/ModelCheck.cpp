#include "recognition/ModelCheck.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr quint32 kMagic = 0x0ef71821;
constexpr quint32 kVersion = 1;
constexpr qint64 kHeaderSize = 12;
constexpr qint64 kNameSize = 16;
constexpr qint64 kFeatureSize = 8;
// A name, a bias and the feature that ends the list.
constexpr qint64 kSmallestCharacter = kNameSize + 4 + kFeatureSize;

quint32 ReadWord(const uchar* at)
{
    return qFromLittleEndian<quint32>(at);
}

bool IsFiniteFloat(const uchar* at)
{
    const quint32 bits = ReadWord(at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value);
}

} // namespace

QString ZinniaModelProblem(const uchar* data, qint64 size)
{
    if (!data || size < kHeaderSize)
        return QStringLiteral("手書きモデルのファイルが短すぎます。");
    if ((ReadWord(data) ^ kMagic) != quint64(size))
        return QStringLiteral(
            "Zinnia の手書きモデルではないか、ファイルの長さが記録と合いません。");
    if (const quint32 version = ReadWord(data + 4); version != kVersion)
        return QStringLiteral("この版の手書きモデル（%1）には対応していません。").arg(version);
    const quint32 count = ReadWord(data + 8);
    if (count == 0)
        return QStringLiteral("手書きモデルに文字がひとつもありません。");
    if (count > quint64(size - kHeaderSize) / kSmallestCharacter)
        return QStringLiteral("手書きモデルの文字数（%1）がファイルの長さに見合いません。")
            .arg(count);
    const QString broken = QStringLiteral("手書きモデルが壊れています（%1 文字目）。");
    qint64 at = kHeaderSize;
    for (quint32 k = 0; k < count; ++k) {
        if (size - at < kSmallestCharacter)
            return broken.arg(k + 1);
        // The library hands the name out as a C string.
        if (!std::memchr(data + at, 0, kNameSize))
            return broken.arg(k + 1);
        at += kNameSize;
        // Scores of NaN would leave the candidates' order undefined.
        if (!IsFiniteFloat(data + at))
            return broken.arg(k + 1);
        at += 4;
        for (;;) {
            if (size - at < kFeatureSize)
                return broken.arg(k + 1);
            const qint32 index = qint32(ReadWord(data + at));
            if (index == -1)
                break;
            if (!IsFiniteFloat(data + at + 4))
                return broken.arg(k + 1);
            at += kFeatureSize;
        }
        at += kFeatureSize;
    }
    if (at != size)
        return QStringLiteral("手書きモデルの末尾に余分なデータがあります。");
    return {};
}
