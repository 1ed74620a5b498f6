#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <QtGlobal>
#include <iterator>

// The names, format versions, encodings and save-failure texts of the state
// files, for the code that writes them, carries them over to changed word
// lists and saves them during the drill.
inline const QString kMiscFileName = QStringLiteral("miscdata.dat");
inline const QString kHistoryFileName = QStringLiteral("histdata.dat");
inline const QString kSignatureFileName = QStringLiteral("wordlists.sig");

inline constexpr qint16 kListFileVersion = 1;
inline constexpr qint16 kMiscFileVersion = 2;
inline constexpr qint16 kHistoryFileVersion = 2;

// The first line of each save failure's message; the reason follows after
// a line break.
inline const QString kListSaveFailure =
    QStringLiteral("学習モードファイルを保存できませんでした。");
inline const QString kMiscSaveFailure = QStringLiteral("MISCファイルを保存できませんでした。");
inline const QString kHistorySaveFailure = QStringLiteral("履歴ファイルを保存できませんでした。");

template <typename T> void AppendValue(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

// A learning-mode file: the version, then ask count and mode per record.
// Written in place: a million records are part of a save the window waits
// for.
template <typename Records> QByteArray ListFileContent(const Records& records)
{
    QByteArray content(2 + 4 * qsizetype(std::size(records)), Qt::Uninitialized);
    char* out = content.data();
    qToLittleEndian<qint16>(kListFileVersion, out);
    out += 2;
    for (const auto& record : records) {
        qToLittleEndian<qint16>(record.m_nAskCount, out);
        qToLittleEndian<qint16>(record.m_nMode, out + 2);
        out += 4;
    }
    return content;
}

// A history file: the version, the position, the count, then index and
// answered flag per record.
template <typename Records> QByteArray HistoryFileContent(qint32 position, const Records& records)
{
    QByteArray content;
    AppendValue<qint16>(content, kHistoryFileVersion);
    AppendValue<qint32>(content, position);
    AppendValue<qint32>(content, static_cast<qint32>(std::size(records)));
    for (const auto& record : records) {
        AppendValue<qint32>(content, record.m_nIndex);
        AppendValue<qint32>(content, record.m_bAnswered);
    }
    return content;
}
