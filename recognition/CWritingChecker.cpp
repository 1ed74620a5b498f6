#include "recognition/CWritingChecker.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "recognition/CRecognizer.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace {

// How often an unused model is looked at; it goes within this much of its
// idle time.
constexpr int kIdlePollMs = 30 * 1000;

// Why the model the learner asked for is not the one used.
QString ChosenModelNotice(const QString& used, const QString& problem)
{
    return QStringLiteral("VELMARIK_HANDWRITING_MODEL の手書きモデルは使えないため、"
                          "%1 を使います。\r\n%2")
        .arg(QDir::toNativeSeparators(used), problem);
}

} // namespace

struct CWritingChecker::LoadResult {
    bool ok = false;
    QString path;        // the model read
    QString error;       // why the first candidate could not be read
    QString chosenError; // why the model the environment asks for could not
};

CWritingChecker::CWritingChecker(const QStringList& modelCandidates, QObject* parent)
    : QObject(parent), m_pRecognizer(std::make_shared<CRecognizer>())
{
    qRegisterMetaType<CharacterCheck>();
    qRegisterMetaType<QList<CharacterCheck>>();
    // One worker thread: the load and the checks run in the order asked,
    // and the recogniser is never opened or closed while a check reads it.
    m_worker.setMaxThreadCount(1);
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(kIdlePollMs);
    connect(m_pIdleTimer, &QTimer::timeout, this, &CWritingChecker::ReleaseIfIdle);

    const QString chosen = ChosenHandwritingModel();
    QString chosenProblem;
    QString firstProblem; // of a file that is there but cannot be a model
    for (const QString& path : modelCandidates) {
        const QString problem = ModelFileProblem(path);
        if (problem.isEmpty()) {
            m_candidates.append(QFileInfo(path).absoluteFilePath());
            continue;
        }
        if (!chosen.isEmpty() && QDir::cleanPath(path) == chosen)
            chosenProblem = problem;
        if (firstProblem.isEmpty() && QFileInfo(path).exists())
            firstProblem = problem;
    }
    if (m_candidates.isEmpty()) {
        m_strModelError = !chosenProblem.isEmpty() ? chosenProblem
                          : !firstProblem.isEmpty()
                              ? firstProblem
                              : QStringLiteral("手書き認識のモデルが見つかりません"
                                               "（tegaki-zinnia-japanese を入れると使えます）。");
        return;
    }
    m_state = ModelState::NotLoaded;
    m_strModelPath = m_candidates.first();
    if (!chosenProblem.isEmpty())
        m_strModelNotice = ChosenModelNotice(m_strModelPath, chosenProblem);
}

CWritingChecker::~CWritingChecker()
{
    m_worker.clear();
    m_worker.waitForDone();
}

bool CWritingChecker::ReportModelProblem()
{
    if (m_bReported)
        return false;
    QString text;
    if (m_state == ModelState::Missing)
        text = QStringLiteral("手書きの判定は使えません。\r\n") + m_strModelError;
    else
        text = m_strModelNotice;
    if (text.isEmpty())
        return false;
    m_bReported = true;
    ShowMessageBox(text);
    return true;
}

bool CWritingChecker::HasProblemToReport() const
{
    return !m_bReported && (m_state == ModelState::Missing || !m_strModelNotice.isEmpty());
}

void CWritingChecker::LoadModel()
{
    m_nLastUse = CurrentTime();
    if (m_state != ModelState::NotLoaded)
        return;
    m_state = ModelState::Loading;
    const std::shared_ptr<CRecognizer> recognizer = m_pRecognizer;
    const QStringList candidates = m_candidates;
    const QString chosen = ChosenHandwritingModel();
    QPointer<CWritingChecker> self(this);
    m_worker.start([recognizer, candidates, chosen, self] {
        // A model that cannot be read gives way to the next one.
        LoadResult result;
        for (const QString& path : candidates) {
            QString error;
            if (recognizer->Open(path, &error)) {
                result.ok = true;
                result.path = path;
                break;
            }
            if (result.error.isEmpty())
                result.error = error;
            if (!chosen.isEmpty() && QDir::cleanPath(path) == chosen)
                result.chosenError = error;
        }
        // Queued to the checker's thread; dropped with the checker if it is
        // gone by then.
        QMetaObject::invokeMethod(
            self.data(),
            [self, result] {
                if (self)
                    self->OnModelLoaded(result);
            },
            Qt::QueuedConnection);
    });
}

void CWritingChecker::OnModelLoaded(const LoadResult& result)
{
    if (result.ok) {
        m_state = ModelState::Ready;
        m_strModelPath = result.path;
        if (!result.chosenError.isEmpty())
            m_strModelNotice = ChosenModelNotice(result.path, result.chosenError);
        m_pIdleTimer->start();
    } else {
        m_state = ModelState::Missing;
        m_strModelError = result.error;
    }
    emit ModelLoaded(result.ok);
    if (m_bCheckWaiting) {
        m_bCheckWaiting = false;
        ReportModelProblem();
    }
}

bool CWritingChecker::ReleaseIfIdle()
{
    if (m_state != ModelState::Ready)
        return false;
    const qint64 now = CurrentTime();
    // A clock set back starts the idle time again rather than stopping it.
    if (now < m_nLastUse)
        m_nLastUse = now;
    if (now - m_nLastUse < kIdleReleaseSeconds)
        return false;
    m_state = ModelState::NotLoaded;
    m_pIdleTimer->stop();
    // Behind any check still queued, on the thread that uses the model.
    const std::shared_ptr<CRecognizer> recognizer = m_pRecognizer;
    m_worker.start([recognizer] { recognizer->Close(); });
    emit ModelReleased();
    return true;
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
    if (m_state == ModelState::Loading)
        m_bCheckWaiting = true;
    else
        ReportModelProblem();
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
