#pragma once

#include "recognition/InkStroke.h"
#include "recognition/ModelLocation.h"
#include "recognition/WritingCheck.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <memory>

class CRecognizer;
class QTimer;

// Runs the writing check off the user-interface thread. The model is read
// when the learner first puts the pen down (LoadModel) or a check is asked
// for, on a worker thread, and every check runs on that same thread after
// it, so the drill never waits for either. A model left unused for a few
// minutes is let go, and read again at the next pen-down. Results come back
// as a signal on the checker's thread, tagged with the question they were
// asked for: a result for a question the learner has already left, or one
// overtaken by a newer check, is dropped.
class CWritingChecker : public QObject {
    Q_OBJECT
public:
    enum class ModelState {
        NotLoaded, // a model file was found and is not read (or was let go)
        Loading,
        Ready,
        Missing, // no model file, or none could be read: no check is offered
    };

    // How long a model may lie unused before its memory is given back.
    static constexpr qint64 kIdleReleaseSeconds = 5 * 60;

    explicit CWritingChecker(const QStringList& modelCandidates = HandwritingModelCandidates(),
                             QObject* parent = nullptr);
    ~CWritingChecker() override;

    // Whether the check can be offered at all.
    bool IsAvailable() const { return m_state != ModelState::Missing; }
    ModelState State() const { return m_state; }
    // The model read (or to be read first).
    QString ModelPath() const { return m_strModelPath; }
    // Why no check is offered, for the learner; empty otherwise.
    QString ModelError() const { return m_strModelError; }
    // Why the model asked for by VELMARIK_HANDWRITING_MODEL is not the one
    // used; empty otherwise.
    QString ModelNotice() const { return m_strModelNotice; }
    // Tells the learner, once for the checker's life, why the check is not
    // offered or why the model they asked for is not used. False when there
    // is nothing to tell, or it was told.
    bool ReportModelProblem();
    // Whether ReportModelProblem has something still to tell.
    bool HasProblemToReport() const;

    // The pen went down: starts reading the model in the background, and
    // keeps a model already read from being let go for a while.
    void LoadModel();
    // Lets the model go when it was not used for kIdleReleaseSeconds of
    // CurrentTime; true when it did. A timer calls it; tests call it under
    // the test clock.
    bool ReleaseIfIdle();

    // The learner moved to another question: checks still running for
    // earlier ones will not be reported.
    void SetQuestion(quint64 serial);
    quint64 Question() const { return m_nQuestion; }

    // Checks the ink against the word for the current question (also made
    // current). False, starting nothing, when no model is available.
    bool Check(quint64 serial, const InkStrokes& strokes, const QString& word,
               const QList<QRectF>& boxes = {},
               CheckStrictness strictness = CheckStrictness::Normal);

signals:
    void ModelLoaded(bool ok);
    void ModelReleased();
    void Checked(quint64 serial, const QList<CharacterCheck>& checks);

private:
    struct LoadResult;
    void OnModelLoaded(const LoadResult& result);
    void OnChecked(quint64 serial, quint64 request, const QList<CharacterCheck>& checks);

    std::shared_ptr<CRecognizer> m_pRecognizer;
    QStringList m_candidates; // the ones that may be models, in order
    QString m_strModelPath;
    QString m_strModelError;
    QString m_strModelNotice;
    ModelState m_state = ModelState::Missing;
    quint64 m_nQuestion = 0;
    quint64 m_nLatestRequest = 0;
    qint64 m_nLastUse = 0;
    bool m_bCheckWaiting = false; // a check was asked for while the model loads
    bool m_bReported = false;
    QTimer* m_pIdleTimer = nullptr;
    // Last member: destroyed first, waiting for the worker before the rest
    // goes.
    QThreadPool m_worker;
};

Q_DECLARE_METATYPE(CharacterCheck)
