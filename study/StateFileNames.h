#pragma once

#include <QString>
#include <QtGlobal>

// The names, format versions and save-failure texts of the state files, for
// the code that writes them, carries them over to changed word lists and
// saves them during the drill.
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
