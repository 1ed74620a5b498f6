#include "mainwnd/CMainDialogBar.h"

#include "platform/DialogUnits.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/ModeTable.h"
#include "widgets/CDeferWindowPos.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace {

// The command each control runs, for the controls 1000 to 1016.
constexpr int kControlCommands[] = {
    kCmdModeKnown,     kCmdModeKnown + 1, kCmdModeKnown + 2, kCmdModeKnown + 3,
    kCmdModeKnown + 4, kCmdWebSearch,     kCmdStudyState,    kCmdHistory,
    kCmdPrevious,      kCmdNext,          kCmdAnswer,        kCmdErase,
    kCmdToggleSearch,  kCmdOptions,       kCmdHelpIndex,     kCmdSwapSides,
    kCmdExit, // the cross: the frame's close
};

} // namespace

CMainDialogBar::CMainDialogBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(kIdMainBar));
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
    setAutoFillBackground(true);

    m_pGroup = new QGroupBox(QStringLiteral("この漢字を"), this);
    m_pGroup->setGeometry(MapDialogRect(this, QRect(6, 6, 84, 132)));
    m_pGroup->setFocusPolicy(Qt::NoFocus);

    for (int k = 0; k < 5; ++k) {
        auto* button = new CModeButton(QString::fromUtf16(kModeTable[k].m_caption), this);
        button->setObjectName(QString::number(kIdModeFirst + k));
        button->setGeometry(MapDialogRect(this, QRect(18, 18 + 24 * k, 60, 18)));
        connect(button, &QPushButton::clicked, this, [this, k] { RouteCommand(kIdModeFirst + k); });
        m_controls.append(button);
    }
    CreateButton(kIdWebSearch, QStringLiteral("ネット"), 4, 150, 42, 18);
    CreateButton(kIdTodayCount, QStringLiteral("99999"), 50, 150, 42, 18);
    // Not a control: it is read, not pressed, and takes no tab stop.
    m_pDueCount = new QLabel(this);
    m_pDueCount->setObjectName(QStringLiteral("dueCount"));
    m_pDueCount->setAlignment(Qt::AlignCenter);
    m_pDueCount->setGeometry(MapDialogRect(this, QRect(4, 174, 42, 24)));
    ShowDueCount(0);
    CreateButton(kIdHistory, QStringLiteral("履歴..."), 50, 174, 42, 24);
    CreateButton(kIdBack, QStringLiteral("←戻る"), 4, 198, 42, 24);
    CreateButton(kIdNext, QStringLiteral("次へ→"), 50, 198, 42, 24);
    CreateButton(kIdAnswer, QStringLiteral("答え"), 24, 228, 48, 24);
    CreateButton(kIdErase, QStringLiteral("消去"), 24, 258, 48, 24);
    const int pictureX[] = {6, 36, 66, 6, 66};
    const int pictureY[] = {294, 294, 294, 324, 324};
    for (int k = 0; k < 5; ++k) {
        auto* button = new CImageButton(this);
        const int id = kIdSearchBarButton + k;
        button->setObjectName(QString::number(id));
        button->setGeometry(MapDialogRect(this, QRect(pictureX[k], pictureY[k], 24, 24)));
        connect(button, &QPushButton::clicked, this, [this, id] { RouteCommand(id); });
        m_controls.append(button);
    }
    // The picture buttons and the count have no text that says what they
    // do; the tip and the name for screen readers say it, with the key.
    const struct {
        int m_nId;
        const char16_t* m_text;
    } tips[] = {
        {kIdTodayCount, u"今日の書き取り回数 — 学習状況 (U)"},
        {kIdSearchBarButton, u"検索バー (S)"},
        {kIdOptionsButton, u"オプション (O)"},
        {kIdHelpButton, u"ヘルプ (F1)"},
        {kIdSwapButton, u"左右を入れ替え (E)"},
        {kIdExitButton, u"終了 (X)"},
    };
    for (const auto& tip : tips) {
        QWidget* control = GetControl(tip.m_nId);
        control->setToolTip(QString::fromUtf16(tip.m_text));
        control->setAccessibleName(QString::fromUtf16(tip.m_text));
    }
    const QSize size = sizeHint();
    resize(size);
}

CMainDialogBar::~CMainDialogBar() = default;

QPushButton* CMainDialogBar::CreateButton(int id, const QString& caption, int x, int y, int cx,
                                          int cy)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::number(id));
    button->setGeometry(MapDialogRect(this, QRect(x, y, cx, cy)));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id] { RouteCommand(id); });
    m_controls.append(button);
    return button;
}

QSize CMainDialogBar::sizeHint() const
{
    return MapDialogRect(this, QRect(0, 0, 98, 356)).size();
}

namespace {

// The least squeeze: below it the gaps between the buttons would vanish.
constexpr double kLeastSqueeze = 0.3;

} // namespace

QList<SqueezeItem> CMainDialogBar::ColumnItems() const
{
    if (m_templateGeometry.isEmpty()) {
        for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<CImageButton*>(control))
                m_templateGeometry.append({control, control->geometry()});
        }
    }
    const int textHeight = fontMetrics().height();
    const int buttonMargin =
        2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) / 2 +
             style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
    QList<SqueezeItem> items;
    for (const auto& [control, rect] : std::as_const(m_templateGeometry)) {
        SqueezeItem item;
        item.m_rcNatural = rect;
        if (qobject_cast<QGroupBox*>(control))
            item.m_nTitleHeight = textHeight + 2;
        else
            item.m_nMinHeight = textHeight + buttonMargin;
        items.append(item);
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        for (qsizetype g = 0; g < items.size(); ++g) {
            if (g != i && items.at(g).m_nTitleHeight > 0 &&
                items.at(g).m_rcNatural.contains(items.at(i).m_rcNatural))
                items[i].m_nFrame = static_cast<int>(g);
        }
    }
    return items;
}

int CMainDialogBar::PictureUnit(double squeeze) const
{
    // Pixels per 100 vertical units for the picture buttons: squeezed, but
    // a button keeps room for its 24-pixel picture and frame.
    const int uy = MapDialogRect(this, QRect(0, 0, 100, 100)).height();
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int least = ((24 + frame) * 100 + 23) / 24;
    return std::min(uy, std::max(static_cast<int>(std::lround(uy * squeeze)), least));
}

int CMainDialogBar::SqueezedHeight(const QList<SqueezeItem>& items, double squeeze) const
{
    // The column, the gap down to the picture buttons, their two rows.
    const int uy = MapDialogRect(this, QRect(0, 0, 100, 100)).height();
    const int gap = sizeHint().height() - 60 * uy / 100 - SqueezedBottom(items, 1);
    return SqueezedBottom(items, squeeze) + static_cast<int>(std::ceil(squeeze * gap)) +
           60 * PictureUnit(squeeze) / 100;
}

QSize CMainDialogBar::minimumSizeHint() const
{
    const int natural = sizeHint().height();
    return QSize(sizeHint().width(),
                 std::min(natural, SqueezedHeight(ColumnItems(), kLeastSqueeze)));
}

QWidget* CMainDialogBar::GetControl(int id) const
{
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CMainDialogBar::FocusDialogControl()
{
    QWidget* target = focusWidget();
    if (!target || target == this)
        target = GetControl(kIdAnswer);
    target->setFocus(Qt::OtherFocusReason);
}

QColor CMainDialogBar::ModeColor(int k)
{
    return QColor::fromRgb(kModeTable[k].m_rgbColour);
}

void CMainDialogBar::InitBar()
{
    for (int k = 0; k < 5; ++k) {
        m_btnMode[k] = static_cast<CModeButton*>(m_controls.at(k));
        m_btnMode[k]->LoadBitmaps(kModeTable[k].m_nPictureOn, kPictureModeOff);
        m_btnImage[k] = static_cast<CImageButton*>(GetControl(kIdSearchBarButton + k));
    }
    for (int k = 0; k < 4; ++k)
        m_btnImage[k]->SetButtonImage(kPictureSearchBar + k, QColor(255, 0, 0));
    m_btnImage[4]->SetButtonImage(kPictureExit, QColor(255, 255, 255));
    // Only the buttons: the study data may already hold the last session's
    // current record, whose dictation no learner action has counted.
    SelectModeButton(Unspec);
    m_strAnswerCaption = static_cast<QPushButton*>(GetControl(kIdAnswer))->text();
    GetControl(kIdAnswer)->setFocus(Qt::OtherFocusReason);
    CDictionary::GetInstance()->LoadHistoryFilter();
    // The picture buttons follow the bar's size from now on.
    resizeEvent(nullptr);
}

void CMainDialogBar::CheckButton(int index)
{
    for (int k = 0; k < 5; ++k) {
        if (!m_btnMode[k])
            continue;
        m_btnMode[k]->m_bChecked = (k == index);
        m_btnMode[k]->update();
    }
    emit CheckedModeChanged(GetCheckedMode());
}

void CMainDialogBar::SelectModeButton(int mode)
{
    CheckButton(ButtonOfMode(mode));
}

int CMainDialogBar::GetCheckedModeButton() const
{
    for (int k = 0; k < 4; ++k) {
        if (m_btnMode[k] && m_btnMode[k]->m_bChecked)
            return kIdModeFirst + k;
    }
    return kIdModeFirst + 4;
}

LearnMode CMainDialogBar::GetCheckedMode() const
{
    return kModeTable[GetCheckedModeButton() - kIdModeFirst].m_nMode;
}

void CMainDialogBar::SetAnswerCaption(bool questionSide)
{
    QString caption = m_strAnswerCaption;
    if (!questionSide) {
        caption = Options::ReverseAsking() ? QStringLiteral("漢字") : QStringLiteral("読み");
    }
    static_cast<QPushButton*>(GetControl(kIdAnswer))->setText(caption);
}

void CMainDialogBar::ShowTodayCount()
{
    ShowTodayCount(CDictionary::GetInstance()->GetTodayCount());
}

void CMainDialogBar::ShowTodayCount(int count)
{
    static_cast<QPushButton*>(GetControl(kIdTodayCount))->setText(QString::number(count));
}

void CMainDialogBar::ShowDueCount(int count)
{
    m_pDueCount->setText(QStringLiteral("復習 %1").arg(count));
    const QString says = QStringLiteral("今日の復習: %1").arg(count);
    m_pDueCount->setToolTip(says);
    m_pDueCount->setAccessibleName(says);
}

void CMainDialogBar::RouteCommand(int id)
{
    const int command = CommandOfControl(id);
    if (command == kCmdExit) {
        // Posted, so the close runs after the click has finished.
        QMetaObject::invokeMethod(
            this, [this, command] { emit CommandRequested(command); }, Qt::QueuedConnection);
    } else if (command) {
        emit CommandRequested(command);
    }
}

int CMainDialogBar::CommandOfControl(int id)
{
    if (id < kIdModeFirst || id > kIdExitButton)
        return 0;
    return kControlCommands[id - kIdModeFirst];
}

bool CMainDialogBar::IsTabStop(const QWidget* widget) const
{
    return widget && (widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(this) &&
           widget->isEnabled();
}

bool CMainDialogBar::IsModeButton(const QWidget* widget) const
{
    for (const CModeButton* button : m_btnMode) {
        if (button && button == widget)
            return true;
    }
    return false;
}

QWidget* CMainDialogBar::NextTabStop(QWidget* from, bool forward, bool wrap) const
{
    const qsizetype count = m_controls.size();
    const qsizetype start = m_controls.indexOf(from);
    if (start < 0 || count == 0)
        return nullptr;
    for (qsizetype step = 1; step < count; ++step) {
        qsizetype i = forward ? start + step : start - step;
        if (!wrap && (i < 0 || i >= count))
            return nullptr;
        i = (i % count + count) % count;
        if (IsTabStop(m_controls.at(i)))
            return m_controls.at(i);
    }
    return nullptr;
}

bool CMainDialogBar::PreTranslateKey(QKeyEvent* event)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->parentWidget() != this || !m_btnMode[0])
        return false;
    const bool onMode = IsModeButton(focus);
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        const bool forward = key == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget* target = nullptr;
        if (onMode) {
            // The group is left as a whole, from its last or first member.
            target = NextTabStop(forward ? m_btnMode[4] : m_btnMode[0], forward, true);
            if (target && IsModeButton(target))
                target = nullptr;
        } else {
            target = NextTabStop(focus, forward, true);
            if (IsModeButton(target))
                target = GetControl(GetCheckedModeButton());
        }
        if (target)
            target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
    const bool ahead = key == Qt::Key_Right || key == Qt::Key_Down;
    if (!back && !ahead)
        return false;
    QWidget* neighbour = NextTabStop(focus, ahead, false);
    if (!onMode)
        return IsModeButton(neighbour); // arrows never enter the group
    if (!IsModeButton(neighbour))
        neighbour = back ? m_btnMode[4] : m_btnMode[0];
    neighbour->setFocus(Qt::OtherFocusReason);
    for (int k = 0; k < 5; ++k) {
        if (m_btnMode[k] == neighbour)
            CheckButton(k);
    }
    return true;
}

QRect CMainDialogBar::GetFilterSquare(int k) const
{
    const QRect back = GetControl(kIdBack)->geometry();
    const QRect history = GetControl(kIdHistory)->geometry();
    const int s = back.width() / 5;
    const int bottom = history.y() + history.height(); // exclusive edge
    return QRect(back.x() + 1 + k * s, bottom - s - 1, s, s);
}

QRect CMainDialogBar::GetFilterIndicatorRect() const
{
    return GetFilterSquare(0).united(GetFilterSquare(4));
}

void CMainDialogBar::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    const CDictionary* dictionary = CDictionary::GetInstance();
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    auto mid = [](int a, int b) { return qBound(0, a + (b - a) / 2, 255); };
    const QColor frameColour(mid(face.red(), text.red()), mid(face.green(), text.green()),
                             mid(face.blue(), text.blue()));
    QPainter painter(this);
    for (int k = 0; k < kLearnModeCount; ++k) {
        if (!dictionary->ViewFlag(kModeTable[k].m_nMode))
            continue;
        const QRect square = GetFilterSquare(k);
        painter.fillRect(square, frameColour);
        painter.fillRect(square.adjusted(1, 1, -1, -1), ModeColor(k));
    }
}

void CMainDialogBar::resizeEvent(QResizeEvent* event)
{
    if (event)
        QWidget::resizeEvent(event);
    if (!m_btnImage[0])
        return;
    const QRect units = MapDialogRect(this, QRect(0, 0, 100, 100));
    const int ux = units.width();
    const int cx = width();
    const int cy = height();
    // A window too short for the template (a large font, or 200% on a
    // small screen) squeezes the gaps and buttons above the picture buttons,
    // never below what their captions need, rather than let the picture
    // buttons cover them.
    const QList<SqueezeItem> items = ColumnItems();
    double squeeze = 1;
    if (cy < sizeHint().height()) {
        double low = kLeastSqueeze;
        double high = 1;
        for (int step = 0; step < 20; ++step) {
            const double middle = (low + high) / 2;
            (SqueezedHeight(items, middle) <= cy ? low : high) = middle;
        }
        squeeze = low;
    }
    const QList<QRect> column = SqueezeColumn(items, squeeze);
    for (qsizetype i = 0; i < column.size(); ++i)
        m_templateGeometry.at(i).first->setGeometry(column.at(i));
    const int uy = PictureUnit(squeeze);
    const int x0 = 6 * ux / 100;
    const int gap = 2 * ux / 100;
    const int w = (cx - 16 * ux / 100) / 3;
    const int h = 24 * uy / 100;
    const int row1 = cy - 60 * uy / 100;
    const int row2 = cy - 30 * uy / 100;
    CDeferWindowPos batch;
    batch.Begin(5);
    batch.Move(m_btnImage[0], x0, row1, w, h);
    batch.Move(m_btnImage[1], x0 + (w + gap), row1, w, h);
    batch.Move(m_btnImage[2], x0 + 2 * (w + gap), row1, w, h);
    batch.Move(m_btnImage[3], x0, row2, w, h);
    batch.Move(m_btnImage[4], x0 + 2 * (w + gap), row2, w, h);
    batch.End();
}
