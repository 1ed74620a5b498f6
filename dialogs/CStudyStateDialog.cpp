#include "dialogs/CStudyStateDialog.h"

#include "dialogs/CChartListCtrl.h"
#include "platform/Bitmaps.h"
#include "platform/Clock.h"
#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/ScreenFit.h"
#include "platform/Settings.h"
#include "study/CDictionary.h"
#include "widgets/CDeferWindowPos.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QResizeEvent>

CStudyStateDialog::CStudyStateDialog(QWidget* parent) : CBaseDialog(kTemplateStudyState, parent)
{
    setObjectName(QString::number(kTemplateStudyState));
    setWindowTitle(QStringLiteral("最近100日間の書き取り回数"));
    setWindowIcon(LoadIcon(kPictureHistoryIcon));
    SetResizable(true);
    SetTemplateSize(297, 164);
    // Small enough to tuck away, large enough for a date, a bar and a row.
    setMinimumSize(MapDialogRect(this, QRect(0, 0, 150, 60)).size());
    m_chart = new CChartListCtrl(this);
    m_chart->setObjectName(QString::number(kIdChart));
    m_chart->setGeometry(MapDialogRect(this, QRect(6, 6, 282, 150)));
}

CStudyStateDialog::~CStudyStateDialog() = default;

void CStudyStateDialog::setVisible(bool visible)
{
    // Before the dialog is placed on its owner, so that a restored size is
    // centred too.
    if (visible && !m_bInitDone) {
        m_bInitDone = true;
        OnInitDialog();
    }
    CBaseDialog::setVisible(visible);
}

QSize CStudyStateDialog::OuterSize() const
{
    return size() + m_frameExtra;
}

void CStudyStateDialog::OnInitDialog()
{
    m_chart->InitChart();

    m_frameExtra = frameGeometry().size() - size();
    const QSize current = OuterSize();
    const int width = GetProfileInt(Setting::SSDlgWidth);
    const int height = GetProfileInt(Setting::SSDlgHeight);
    const QSize stored =
        FitSizeToScreens(QSize(width, height), minimumSize() + m_frameExtra, current);
    if (width > 0 && stored != current)
        resize(stored - m_frameExtra);
    // The layout runs once even when the size stays.
    Layout();

    const int cxClient = m_chart->viewport()->width();
    m_chart->setColumnWidth(0, m_chart->DateColumnWidth());
    m_chart->setColumnWidth(1, cxClient - m_chart->DateColumnWidth() - m_chart->ScrollBarWidth());

    FillRows();
}

void CStudyStateDialog::FillRows()
{
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    m_chart->m_nMaxCount = 0;
    m_chart->m_nWeekdayBase = -1;

    LocalDate today;
    QDate date;
    if (ToLocalDate(GetStudyDate(), today))
        date = QDate(today.year, today.month, today.day);
    else
        date = QDateTime::fromSecsSinceEpoch(CurrentTime()).date();

    // Days are stepped on the calendar, not by 86400 seconds, so that a day
    // of 23 hours (the change to summer time) is not skipped. The weekday is
    // named in Japanese like the rest of the window, whatever the process's
    // locale.
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    for (int row = 0; row < kDayCount; ++row) {
        const int count = dic->GetDayCount(date.year() * 10000 + date.month() * 100 + date.day());
        m_chart->m_nMaxCount = std::max(m_chart->m_nMaxCount, count);
        if (row == 0)
            m_chart->m_nWeekdayBase = date.dayOfWeek() % 7 + 105;
        m_chart->AddRow(locale.toString(date, QStringLiteral("MM/dd (ddd)")), count);
        date = date.addDays(-1);
    }
}

void CStudyStateDialog::resizeEvent(QResizeEvent* event)
{
    CBaseDialog::resizeEvent(event);
    if (m_chart)
        Layout();
}

void CStudyStateDialog::Layout()
{
    const QRect units = MapDialogRect(this, QRect(0, 0, 100, 100));
    const int a = units.width() > 0 ? units.width() : 2;
    const int b = units.height() > 0 ? units.height() : 2;
    const int cx = width();
    const int cy = height();
    CDeferWindowPos batch;
    batch.Begin(1);
    batch.Move(m_chart, 6 * a / 100, 6 * b / 100, cx - 12 * a / 100, cy - 12 * b / 100);
    batch.End();
    m_chart->UpdateChartColumnWidth();
}

void CStudyStateDialog::done(int result)
{
    const QSize outer = OuterSize();
    WriteProfileInt(Setting::SSDlgWidth, outer.width());
    WriteProfileInt(Setting::SSDlgHeight, outer.height());
    CBaseDialog::done(result);
}
