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

// Runs the writing check off the user-interface thread. The model is loaded
// at the first need (or when LoadModel is called after the first question
// shows) on a worker thread, and every check runs on that same thread after
// it, so the drill never waits for either. Results come back as a signal on
// the checker's thread, tagged with the question they were asked for: a
// result for a question the learner has already left, or one overtaken by a
// newer check, is dropped.
class CWritingChecker : public QObject {
    Q_OBJECT
public:
    enum class ModelState {
        NotLoaded, // a model file was found and is not read yet
        Loading,
        Ready,
        Missing, // no model file, or it could not be read: no check is offered
    };

    explicit CWritingChecker(const QStringList& modelCandidates = HandwritingModelCandidates(),
                             QObject* parent = nullptr);
    ~CWritingChecker() override;

    // Whether the check can be offered at all.
    bool IsAvailable() const { return m_state != ModelState::Missing; }
    ModelState State() const { return m_state; }
    QString ModelPath() const { return m_strModelPath; }
    // Why the model is missing, for the learner; empty otherwise.
    QString ModelError() const { return m_strModelError; }

    // Starts reading the model in the background; does nothing once started.
    void LoadModel();

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
    void Checked(quint64 serial, const QList<CharacterCheck>& checks);

private:
    void OnModelLoaded(bool ok, const QString& error);
    void OnChecked(quint64 serial, quint64 request, const QList<CharacterCheck>& checks);

    std::shared_ptr<CRecognizer> m_pRecognizer;
    QString m_strModelPath;
    QString m_strModelError;
    ModelState m_state = ModelState::Missing;
    quint64 m_nQuestion = 0;
    quint64 m_nLatestRequest = 0;
    // Last member: destroyed first, waiting for the worker before the rest
    // goes.
    QThreadPool m_worker;
};

Q_DECLARE_METATYPE(CharacterCheck)
