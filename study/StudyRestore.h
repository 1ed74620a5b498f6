#pragma once

#include "study/CDictionary.h"
#include "study/StudyArchive.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A restore worked out against the word lists the program has now: every
// archived item found again by its text (in its own list first, then in
// another one), the history by the same pairing. Nothing is changed until
// WriteRestoredState.
struct RestorePlan {
    struct Record {
        qint16 m_nAskCount = 0;
        qint16 m_nMode = 0;
    };
    struct List {
        QString m_strName;        // the list's file name without ".dat"
        QString m_strTitle;       // a list of one's own: its name; empty for a built-in list
        QList<OwnListRow> m_rows; // a list of one's own: its rows
        QList<Record> m_records;  // one per item
        QStringList m_itemTexts;  // the items' texts, in order
    };

    // The state the restore gives: the built-in lists as the program has
    // them, then the lists of one's own from the archive.
    QList<List> m_lists;
    QList<CDictionary::CHistInfo> m_history;
    int m_nHistPos = -1;
    qint32 m_nTotalCount = 0;
    QHash<int, int> m_dayCounts;
    QList<ArchivedSetting> m_settings; // known ones, with proper values
    // The review state of items found again: the list's place in m_lists,
    // the item's position in it.
    struct Review {
        int m_nList = 0;
        int m_nPos = 0;
        ReviewState m_state;
    };
    QList<Review> m_reviews;
    int m_nReviewsNotFound = 0;

    // What the archive holds, and what of it has no place now.
    int m_nItemsWithProgress = 0; // a mode other than 指定なし, or asked before
    int m_nItemsNotFound = 0;     // of those
    QStringList m_notFound;       // some of their words, for the learner
    int m_nHistoryNotFound = 0;
    QStringList m_unknownSettings;
    QStringList m_problems; // from reading the archive

    // What it replaces.
    int m_nCurrentItemsWithProgress = 0;
    int m_nCurrentHistory = 0;
    qint32 m_nCurrentTotalCount = 0;
    QStringList m_currentOwnLists; // the lists' file names without extension
};

RestorePlan PlanRestore(const StudyArchive& archive, const QStringList& problems,
                        CDictionary& current);

// The learner's summary of a plan: what the file holds, what it replaces,
// and what it cannot restore.
QString DescribeRestorePlan(const RestorePlan& plan);

// Writes the plan's state files into the data folder in one step that a
// kill cannot leave half done, removing the files of the lists of one's own
// it does not keep. The settings are left to ApplyRestoredSettings.
bool WriteRestoredState(const RestorePlan& plan, const QString& folder, QString& error);
void ApplyRestoredSettings(const RestorePlan& plan);

// Forgets the study data in memory, unsaved changes included, and loads it
// from the files again: after a restore has replaced them. Every pointer to
// an item is gone.
void ReloadStudyData(CDictionary& dic);
