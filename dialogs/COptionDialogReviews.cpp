#include "dialogs/COptionDialog.h"

#include "platform/DialogUnits.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "study/CDicFile.h"
#include "study/ModeTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

namespace {

const char* const kReviewChoices[] = {"通常の出題", "復習を優先"};
const QString kForgetCaption = QStringLiteral("復習の記録を消去(&6) （現在 %1 語）");

// The combo rows carry the scope's kind and which list or mode.
constexpr int kKindRole = Qt::UserRole;
constexpr int kWhichRole = Qt::UserRole + 1;

CDictionary::ReviewScope ChosenScope(const QComboBox* combo)
{
    CDictionary::ReviewScope scope;
    scope.m_kind = CDictionary::ReviewScope::Kind(combo->currentData(kKindRole).toInt());
    scope.m_nWhich = combo->currentData(kWhichRole).toInt();
    return scope;
}

} // namespace

void COptionDialog::CreateReviewControls()
{
    auto* group = new QGroupBox(QStringLiteral("復習"), this);
    Place(group, 12, 306, 186, 72);

    m_comboReviewFirst = new QComboBox(this);
    m_comboReviewFirst->setObjectName(QString::number(kIdReviewFirst));
    m_comboReviewFirst->setToolTip(
        QStringLiteral("復習を優先すると、復習の時期が来た語を先に出題し、"
                       "そのあと新しい語を1日に決まった数まで出題します。"));
    auto* label = new QLabel(QStringLiteral("出題方法(&T)"), this);
    label->setBuddy(m_comboReviewFirst);
    Place(label, 24, 322, 70, 8);
    PlaceCombo(m_comboReviewFirst, 102, 319, 90);

    auto* forget = new QCheckBox(kForgetCaption.arg(0), this);
    forget->setObjectName(QString::number(kIdForgetReviews));
    Place(forget, 24, 338, 168, 10);
    m_comboForgetScope = new QComboBox(this);
    m_comboForgetScope->setObjectName(QString::number(kIdForgetScope));
    m_comboForgetScope->setAccessibleName(QStringLiteral("消去する復習の記録"));
    PlaceCombo(m_comboForgetScope, 36, 352, 156);
    connect(m_comboForgetScope, &QComboBox::currentIndexChanged, this,
            &COptionDialog::ShowForgetCount);
    // Choosing what to forget is choosing to forget it.
    connect(m_comboForgetScope, &QComboBox::activated, forget,
            [forget] { forget->setChecked(true); });
}

void COptionDialog::InitReviewControls()
{
    for (const char* text : kReviewChoices)
        m_comboReviewFirst->addItem(QString::fromUtf8(text));
    m_comboReviewFirst->setCurrentIndex(Options::ReviewFirst() ? 1 : 0);
    FillForgetScopes();
}

void COptionDialog::FillForgetScopes()
{
    const QSignalBlocker quiet(m_comboForgetScope);
    const CDictionary::ReviewScope chosen = ChosenScope(m_comboForgetScope);
    m_comboForgetScope->clear();
    const auto add = [this](const QString& text, CDictionary::ReviewScope::Kind kind, int which) {
        m_comboForgetScope->addItem(text);
        const int row = m_comboForgetScope->count() - 1;
        m_comboForgetScope->setItemData(row, int(kind), kKindRole);
        m_comboForgetScope->setItemData(row, which, kWhichRole);
    };
    add(QStringLiteral("すべての語"), CDictionary::ReviewScope::AllItems, 0);
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    for (int list = 0; list < dic->GetSize(); ++list) {
        const CDictionary::CDicFile* file = dic->GetAt(list);
        add(QStringLiteral("リスト「%1」の語")
                .arg(file->IsOwnList() ? file->m_strTitle : file->m_strName),
            CDictionary::ReviewScope::OneList, list);
    }
    for (const ModeInfo& mode : kModeTable) {
        add(QStringLiteral("「%1」の語").arg(QString::fromUtf16(mode.m_caption)),
            CDictionary::ReviewScope::OneMode, mode.m_nMode);
    }
    // The choice stays where it still names something; a list of one's own
    // may have gone.
    int row = 0;
    for (int k = 0; k < m_comboForgetScope->count(); ++k) {
        if (m_comboForgetScope->itemData(k, kKindRole).toInt() == int(chosen.m_kind) &&
            m_comboForgetScope->itemData(k, kWhichRole).toInt() == chosen.m_nWhich)
            row = k;
    }
    m_comboForgetScope->setCurrentIndex(row);
    ShowForgetCount();
}

void COptionDialog::ShowForgetCount()
{
    const int count = CDictionary::GetInstance()->CountReviews(ChosenScope(m_comboForgetScope));
    Check(kIdForgetReviews)->setText(kForgetCaption.arg(count));
}

std::optional<CDictionary::ReviewScope> COptionDialog::CheckedReviewReset() const
{
    if (!Check(kIdForgetReviews)->isChecked() || m_comboForgetScope->currentIndex() < 0)
        return std::nullopt;
    return ChosenScope(m_comboForgetScope);
}

QString COptionDialog::ReviewResetQuestion() const
{
    return QStringLiteral("%1の復習の記録を消去してもよろしいですか？")
        .arg(m_comboForgetScope->currentText());
}

void COptionDialog::StoreReviewChoices()
{
    Options::SetReviewFirst(m_comboReviewFirst->currentIndex() == 1);
}
