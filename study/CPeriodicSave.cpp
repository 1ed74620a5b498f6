#include "study/CPeriodicSave.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ReviewFileFormat.h"
#include "study/StateFileFormat.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

namespace {

bool AnyListDirty(const CDictionary& dictionary)
{
    return std::any_of(dictionary.m_lists.cbegin(), dictionary.m_lists.cend(),
                       [](const auto& list) { return list->HasDirtyItems(); });
}

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
    const qint64 now = CurrentTime();
    // A clock set back restarts the interval rather than stopping it.
    if (now < m_nLastSave)
        m_nLastSave = now;
    if (now < m_nLastActivity)
        m_nLastActivity = now;
    if (now - m_nLastSave < kIntervalSeconds || now - m_nLastActivity < kIdleSeconds)
        return false;
    m_nLastSave = now;
    CDictionary* dictionary = CDictionary::GetInstance();
    if (!dictionary)
        return false;
    ForgetSavedFailures();
    if (!dictionary->m_bMiscDirty && !dictionary->m_bHistDirty && !dictionary->m_reviews.m_bDirty &&
        !AnyListDirty(*dictionary))
        return false;
    SaveReportingOnce();
    ForgetSavedFailures();
    return true;
}

void CPeriodicSave::SaveReportingOnce()
{
    m_bSaving = true;
    MessageBoxHandler previous;
    previous = SetMessageBoxHandler([this, &previous](const QString& text, MessageButtons buttons) {
        const QString kind = text.section(QStringLiteral("\r\n"), 0, 0);
        const bool saveFailure = kind == kListSaveFailure || kind == kMiscSaveFailure ||
                                 kind == kHistorySaveFailure || kind == kReviewSaveFailure;
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
    CDictionary::GetInstance()->Save();
    SetMessageBoxHandler(std::move(previous));
    m_bSaving = false;
}

void CPeriodicSave::ForgetSavedFailures()
{
    const CDictionary* dictionary = CDictionary::GetInstance();
    if (!dictionary)
        return;
    // A part that is clean was written since its failure.
    if (!AnyListDirty(*dictionary))
        m_reported.remove(kListSaveFailure);
    if (!dictionary->m_bMiscDirty)
        m_reported.remove(kMiscSaveFailure);
    if (!dictionary->m_bHistDirty)
        m_reported.remove(kHistorySaveFailure);
    if (!dictionary->m_reviews.m_bDirty)
        m_reported.remove(kReviewSaveFailure);
}
