#include "recognition/CWritingChecker.h"

#include "recognition/CRecognizer.h"

#include <QPointer>

CWritingChecker::CWritingChecker(const QStringList& modelCandidates, QObject* parent)
    : QObject(parent), m_pRecognizer(std::make_shared<CRecognizer>())
{
    qRegisterMetaType<CharacterCheck>();
    qRegisterMetaType<QList<CharacterCheck>>();
    // One worker thread: the load and the checks run in the order asked,
    // and the recogniser is never used by two threads at once.
    m_worker.setMaxThreadCount(1);
    m_strModelPath = FindHandwritingModel(modelCandidates);
    if (m_strModelPath.isEmpty())
        m_strModelError = tr("no handwriting model was found");
    else
        m_state = ModelState::NotLoaded;
}

CWritingChecker::~CWritingChecker()
{
    m_worker.clear();
    m_worker.waitForDone();
}

void CWritingChecker::LoadModel()
{
    if (m_state != ModelState::NotLoaded)
        return;
    m_state = ModelState::Loading;
    const std::shared_ptr<CRecognizer> recognizer = m_pRecognizer;
    const QString path = m_strModelPath;
    QPointer<CWritingChecker> self(this);
    m_worker.start([recognizer, path, self] {
        QString error;
        const bool ok = recognizer->Open(path, &error);
        // Queued to the checker's thread; dropped with the checker if it is
        // gone by then.
        QMetaObject::invokeMethod(
            self.data(),
            [self, ok, error] {
                if (self)
                    self->OnModelLoaded(ok, error);
            },
            Qt::QueuedConnection);
    });
}

void CWritingChecker::OnModelLoaded(bool ok, const QString& error)
{
    m_state = ok ? ModelState::Ready : ModelState::Missing;
    if (!ok)
        m_strModelError = error;
    emit ModelLoaded(ok);
}

void CWritingChecker::SetQuestion(quint64 serial)
{
    m_nQuestion = serial;
}

bool CWritingChecker::Check(quint64 serial, const InkStrokes& strokes, const QString& word,
                            const QList<QRectF>& boxes, CheckStrictness strictness)
{
    if (!IsAvailable())
        return false;
    LoadModel();
    m_nQuestion = serial;
    const quint64 request = ++m_nLatestRequest;
    const std::shared_ptr<CRecognizer> recognizer = m_pRecognizer;
    QPointer<CWritingChecker> self(this);
    m_worker.start([=] {
        // A model that failed to load leaves the recogniser closed; the
        // load's own report already withdrew the check.
        if (!recognizer->IsOpen())
            return;
        const QList<CharacterCheck> checks =
            CheckWriting(*recognizer, strokes, word, boxes, strictness);
        QMetaObject::invokeMethod(
            self.data(),
            [self, serial, request, checks] {
                if (self)
                    self->OnChecked(serial, request, checks);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void CWritingChecker::OnChecked(quint64 serial, quint64 request,
                                const QList<CharacterCheck>& checks)
{
    if (serial != m_nQuestion || request != m_nLatestRequest)
        return;
    emit Checked(serial, checks);
}
