#pragma once

#include "platform/FileFailure.h"
#include "study/CDictionary.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// How the writing of a snapshot went. The learning-mode files stop at the
// first failure, as a save always did; the other two are tried regardless.
struct StateWriteOutcome {
    size_t m_nListsWritten = 0;
    std::optional<FileFailure> m_listFailure;
    std::optional<FileFailure> m_miscFailure;
    std::optional<FileFailure> m_historyFailure;
    // The parts the snapshot held that are now on disk.
    bool m_bListsSaved = false;
    bool m_bMiscSaved = false;
    bool m_bHistorySaved = false;
};

// What one save writes, taken from the study data on the window's thread:
// the changed learning-mode files' contents with the items they clean, the
// dictation counts' content and the history (shared with the study data
// until either changes, encoded when it is written). Writing it reads
// nothing of the study data, so it may run on another thread while the
// learner goes on; what changes meanwhile is dirty again for the next save.
struct StateSnapshot {
    struct ListFile {
        int m_nList = 0;
        QString m_strFileName;
        QByteArray m_content;
        std::vector<bool> m_dirty; // by position: the items this write cleans
    };

    bool IsEmpty() const { return m_lists.empty() && !m_misc && !m_bHistory; }
    // Writes the files in a save's order, each whole or not at all. Any
    // thread.
    StateWriteOutcome Write() const;

    // Tests: called on the writing thread with each file's name just before
    // it is written.
    static void SetWriteObserverForTesting(std::function<void(const QString&)> observer);

    QString m_strFolder;
    std::vector<ListFile> m_lists; // in list order
    std::optional<QByteArray> m_misc;
    bool m_bHistory = false;
    qint32 m_nHistPos = -1;
    QList<CDictionary::CHistInfo> m_history;
};
