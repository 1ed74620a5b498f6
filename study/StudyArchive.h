#pragma once

#include "study/FsrsScheduler.h"
#include "study/OwnListFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// Everything the learner owns, in a form that does not depend on the
// positions of the items: each item named by its list and its text. The
// export writes it as a zip of plain UTF-8 files (CSV, RFC 4180) that a
// person can read; the restore reads it back, by column names, so that an
// archive of a later version still gives what it shares with this one.
struct ArchivedItem {
    QString m_strList; // the list's file name without ".dat": "dic1_std1", "own1"
    int m_nPos = 0;    // the item's position in that list when it was written
    QString m_strWord;
    QString m_strReading;
    qint16 m_nMode = 0;
    qint16 m_nAskCount = 0;

    // The text the item is found again by, in the word lists' line format.
    QString ItemText() const { return m_strWord + QLatin1Char('\t') + m_strReading; }
};

struct ArchivedHistoryRecord {
    QString m_strList;
    int m_nPos = 0; // the item's position in its list, as in the items
    QString m_strWord;
    QString m_strReading;
    bool m_bAnswered = false;
};

// The review state of an item that was ever rated.
struct ArchivedReview {
    QString m_strList;
    int m_nPos = 0; // the item's position in its list, as in the items
    QString m_strWord;
    QString m_strReading;
    ReviewState m_state;

    QString ItemText() const { return m_strWord + QLatin1Char('\t') + m_strReading; }
};

struct ArchivedSetting {
    QString m_strName;
    QString m_strValue; // integers in decimal
};

struct ZipEntryPart {
    QString m_strName;
    QByteArray m_data;
};

// The names m_parts may hold.
inline const QStringList kArchivePartNames{};

struct StudyArchive {
    int m_nVersion = 0;
    QString m_strProgram; // the program and version that wrote it
    QString m_strCreated; // local time, ISO 8601

    QList<ArchivedItem> m_items;
    QList<ArchivedHistoryRecord> m_history; // oldest first
    int m_nHistoryPos = -1;                 // the current record, -1 for none
    qint32 m_nTotalCount = 0;
    QList<std::pair<int, int>> m_dayCounts; // day key, dictations that day
    QList<OwnList> m_ownLists;
    QList<ArchivedSetting> m_settings; // the "Settings" section
    QList<ArchivedReview> m_reviews;   // in the items' order
    // Files that other parts of the study state keep in the archive under
    // names of kArchivePartNames, written
    // and checksummed as they are. The part that owns a file fills it in
    // at the export and reads it from here at the restore.
    QList<ZipEntryPart> m_parts;
};

inline constexpr int kStudyArchiveVersion = 1;

// The archive's bytes; nullopt with the reason when it cannot be made.
std::optional<QByteArray> WriteStudyArchive(const StudyArchive& archive, qint64 time,
                                            QString& error);

struct StudyArchiveRead {
    enum class Failure {
        None,
        TooLarge,   // the file or what it expands to
        NotArchive, // no zip, or no export of this program in it
        Unsafe,     // an entry's name leads out of the archive's folder
    };
    Failure m_failure = Failure::None;
    StudyArchive m_archive;
    // What could not be read, for the learner: damaged or altered files,
    // rows that make no sense, a later version's parts.
    QStringList m_problems;
};

// Larger archive files are refused before they are read.
inline constexpr qint64 kMaxArchiveFileSize = 64 << 20;

StudyArchiveRead ReadStudyArchive(QByteArrayView bytes);
StudyArchiveRead ReadStudyArchiveFile(const QString& path);

// The learner's text for an archive refused whole.
QString DescribeArchiveFailure(const StudyArchiveRead& read);
