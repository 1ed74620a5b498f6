#include "study/CPeriodicSave.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/StateFileFormat.h"
#include "study/StateSnapshot.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

namespace {

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
        return true;
    default:
        return false;
    }
}

} // namespace

CPeriodicSave::CPeriodicSave(QObject* parent)
    : QObject(parent), m_nLastSave(CurrentTime()), m_nLastActivity(m_nLastSave)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(1000);
    connect(m_pTimer, &QTimer::timeout, this, &CPeriodicSave::Poll);
    m_pTimer->start();
}

CPeriodicSave::~CPeriodicSave() = default;

void CPeriodicSave::NoteActivity()
{
    m_nLastActivity = CurrentTime();
}

bool CPeriodicSave::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInput(event->type()))
        NoteActivity();
    return QObject::eventFilter(watched, event);
}

bool CPeriodicSave::Poll()
{
    if (m_bSaving)
        return false;
    CDictionary* dictionary = CDictionary::GetInstance();
    if (!dictionary)
        return false;
    if (dictionary->IsBackgroundSaveRunning()) {
        Collect(false);
        return false;
    }
    const qint64 now = CurrentTime();
    // A clock set back restarts the interval rather than stopping it.
    if (now < m_nLastSave)
        m_nLastSave = now;
    if (now < m_nLastActivity)
        m_nLastActivity = now;
    if (now - m_nLastSave < kIntervalSeconds || now - m_nLastActivity < kIdleSeconds)
        return false;
    m_nLastSave = now;
    ForgetCleanFailures();
    bool started = false;
    ReportingOnce([&] { started = dictionary->StartBackgroundSave(); });
    return started;
}

void CPeriodicSave::WaitForWrite()
{
    Collect(true);
}

void CPeriodicSave::Collect(bool wait)
{
    CDictionary* dictionary = CDictionary::GetInstance();
    if (!dictionary || m_bSaving)
        return;
    std::optional<StateWriteOutcome> outcome;
    ReportingOnce([&] { outcome = dictionary->FinishBackgroundSave(wait); });
    if (!outcome)
        return;
    if (outcome->m_bListsSaved)
        m_reported.remove(kListSaveFailure);
    ForgetCleanFailures();
}

void CPeriodicSave::ReportingOnce(const std::function<void()>& step)
{
    m_bSaving = true;
    MessageBoxHandler previous;
    previous = SetMessageBoxHandler([this, &previous](const QString& text, MessageButtons buttons) {
        const QString kind = text.section(QStringLiteral("\r\n"), 0, 0);
        const bool saveFailure =
            kind == kListSaveFailure || kind == kMiscSaveFailure || kind == kHistorySaveFailure;
        if (saveFailure && m_reported.contains(kind))
            return IDOK;
        if (saveFailure)
            m_reported.insert(kind);
        if (previous)
            return previous(text, buttons);
        // As the default handler does.
        QTextStream(stderr) << "Velmarik: " << text << Qt::endl;
        return IDOK;
    });
    step();
    SetMessageBoxHandler(std::move(previous));
    m_bSaving = false;
}

void CPeriodicSave::ForgetCleanFailures()
{
    const CDictionary* dictionary = CDictionary::GetInstance();
    if (!dictionary)
        return;
    // The lists are looked at only after a write (a scan of every item);
    // these two are flags.
    if (!dictionary->m_bMiscDirty)
        m_reported.remove(kMiscSaveFailure);
    if (!dictionary->m_bHistDirty)
        m_reported.remove(kHistorySaveFailure);
}
