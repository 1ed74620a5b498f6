#include "dialogs/COptionDialog.h"

#include "dialogs/CAboutDlg.h"
#include "dialogs/CDataFolderDialog.h"
#include "dialogs/COwnListsDialog.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "dialogs/StudyDataTransfer.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "recognition/WritingCheck.h"
#include "study/CDictionary.h"
#include "study/ModeTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace {

// The font list's entry for "no face chosen"; the leading half-width space
// sorts it before every family name.
const QString kNoFace = QStringLiteral(" （指定なし）");

struct PenWidth {
    const char* m_pszText;
    int m_nWidth;
};
constexpr PenWidth kPenWidths[] = {{"細い", 3}, {"標準", 6}, {"太い", 12}};

constexpr int kFrequencies[] = {200, 100, 50, 20, 10};

const char* const kPrefKanji[] = {"優先なし", "常用漢字を優先", "表外漢字を優先"};
const char* const kQAModes[] = {"読み→漢字", "漢字→読み"};
const char* const kNoUnspec[] = {"指定なしのまま", "他のモードを指定"};
// The writing check's strictness, in the order of the stored values 0 to 2.
const char* const kStrictness[] = {"やさしい", "ふつう", "きびしい"};

struct LabelDef {
    int m_nX, m_nY, m_nWidth;
    const char* m_pszText;
};

struct CheckDef {
    int m_nId;
    int m_nX, m_nY, m_nWidth;
    const char* m_pszText;
};

// The clearing boxes, in control-id order; their captions are formats.
constexpr CheckDef kClearChecks[] = {
    {kIdClearFirst, 24, 234, 168, "すべての「知ってる」をクリア(&1) （現在 %d 個）"},
    {kIdClearFirst + 1, 24, 246, 168, "すべての「覚えた」をクリア(&2) （現在 %d 個）"},
    {kIdClearFirst + 2, 24, 258, 168, "すべての「覚えたい」をクリア(&3) （現在 %d 個）"},
    {kIdClearFirst + 3, 24, 270, 168, "すべての「覚えない」をクリア(&4) （現在 %d 個）"},
    {kIdClearCounts, 24, 282, 168, "書き取り回数をクリア(&5) （現在 %d 回）"},
};

COptionDialog::FontFamilySource& FamilySource()
{
    static COptionDialog::FontFamilySource source;
    return source;
}

QString Id(int id)
{
    return QString::number(id);
}

// The format's "%d" replaced by the number; "%%" stands for one "%".
QString FormatCount(const QString& format, int count)
{
    QString result;
    bool done = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar next = format.at(i + 1);
            if (next == QLatin1Char('%')) {
                result += QLatin1Char('%');
                ++i;
                continue;
            }
            if (next == QLatin1Char('d') && !done) {
                result += QString::number(count);
                done = true;
                ++i;
                continue;
            }
        }
        result += format.at(i);
    }
    return result;
}

// A sorted combo box's order: case-insensitive, equal names in the order
// they were added.
void SortLikeComboBox(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
}

// The first row, from the top, whose text begins with the text, ignoring
// case; -1 when none does.
int FindRowStartingWith(const QComboBox* combo, const QString& text)
{
    for (int row = 0; row < combo->count(); ++row) {
        if (combo->itemText(row).startsWith(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

} // namespace

void COptionDialog::SetFontFamilySourceForTesting(FontFamilySource source)
{
    FamilySource() = std::move(source);
}

QStringList COptionDialog::CollectFontFamilies(const QStringList& reported)
{
    QStringList names;
    for (const QString& family : reported) {
        if (family.startsWith(QLatin1Char('@')))
            continue;
        if (names.contains(family, Qt::CaseSensitive))
            continue;
        names << family;
    }
    return names;
}

COptionDialog::COptionDialog(QWidget* parent) : CBaseDialog(kTemplateOptions, parent)
{
    setObjectName(Id(kTemplateOptions));
    setWindowTitle(QStringLiteral("オプション"));
    SetTemplateSize(309, 384); // the reviews' group below the template's 308
    CreateControls();
}

COptionDialog::~COptionDialog() = default;

QLineEdit* COptionDialog::Edit(int id) const
{
    return findChild<QLineEdit*>(Id(id));
}

QCheckBox* COptionDialog::Check(int id) const
{
    return findChild<QCheckBox*>(Id(id));
}

void COptionDialog::Place(QWidget* control, int x, int y, int cx, int cy)
{
    control->setGeometry(MapDialogRect(this, QRect(x, y, cx, cy)));
}

void COptionDialog::PlaceCombo(QComboBox* combo, int x, int y, int cx)
{
    // A drop-down list is as tall as its selection field; the template's
    // height is that of the open list.
    const QRect rect = MapDialogRect(this, QRect(x, y, cx, 12));
    combo->setGeometry(rect.x(), rect.y(), rect.width(),
                       std::max(rect.height(), combo->sizeHint().height()));
}

void COptionDialog::CreateControls()
{
    // Children are made in template order, which is also the tab order.
    const auto place = [this](QWidget* control, int x, int y, int cx, int cy) {
        Place(control, x, y, cx, cy);
    };
    const auto placeCombo = [this](QComboBox* combo, int x, int y, int cx) {
        PlaceCombo(combo, x, y, cx);
    };
    const auto label = [&](const LabelDef& def, QWidget* buddy) {
        auto* text = new QLabel(QString::fromUtf8(def.m_pszText), this);
        text->setBuddy(buddy);
        place(text, def.m_nX, def.m_nY, def.m_nWidth, 8);
        return text;
    };
    const auto combo = [&](int id) {
        auto* box = new QComboBox(this);
        box->setObjectName(Id(id));
        return box;
    };
    const auto check = [&](int id, int x, int y, int cx, const char* text) {
        auto* box = new QCheckBox(QString::fromUtf8(text), this);
        box->setObjectName(Id(id));
        place(box, x, y, cx, 10);
        return box;
    };

    m_comboFont = combo(kIdFontFace);
    label({12, 12, 55, "漢字のフォント(&F)"}, m_comboFont);
    placeCombo(m_comboFont, 102, 9, 114);

    auto* pointEdit = new QLineEdit(this);
    pointEdit->setObjectName(Id(kIdFontPoint));
    pointEdit->setAlignment(Qt::AlignRight);
    pointEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pointEdit));
    pointEdit->installEventFilter(this);
    label({12, 30, 52, "フォントサイズ(&P)"}, pointEdit);
    place(pointEdit, 102, 27, 48, 14);
    m_spinFontPoint = new CSpinButtonCtrl(this);
    m_spinFontPoint->setObjectName(Id(kIdFontPointSpin));
    place(m_spinFontPoint, 156, 27, 11, 14);
    m_spinFontPoint->SetBuddy(pointEdit);

    check(kIdHyogaiRed, 12, 48, 103, "表外漢字を赤字で表示(&R)");

    m_comboStroke = combo(kIdStrokeWidth);
    label({12, 66, 52, "筆記線の巾(&W)"}, m_comboStroke);
    placeCombo(m_comboStroke, 138, 63, 78);
    m_comboFreq = combo(kIdFrequency);
    label({12, 84, 93, "覚えたい漢字の出題頻度(&Q)"}, m_comboFreq);
    placeCombo(m_comboFreq, 138, 81, 78);
    m_comboPref = combo(kIdPreferredKanji);
    label({12, 102, 83, "優先して出題する漢字(&K)"}, m_comboPref);
    placeCombo(m_comboPref, 138, 99, 78);
    m_comboQAMode = combo(kIdQAMode);
    label({12, 120, 49, "出題の仕方(&S)"}, m_comboQAMode);
    placeCombo(m_comboQAMode, 138, 117, 78);
    m_comboNoUnspec = combo(kIdNoUnspec);
    label({12, 138, 112, "回答漢字が指定なしモードの時(&M)"}, m_comboNoUnspec);
    placeCombo(m_comboNoUnspec, 138, 135, 78);

    auto* urlEdit = new QLineEdit(this);
    urlEdit->setObjectName(Id(kIdSearchUrl));
    label({12, 156, 63, "ネット検索のURL(&U)"}, urlEdit);
    place(urlEdit, 18, 166, 198, 14);

    check(kIdClearHistory, 12, 193, 143, "毎回アプリ終了時に出題履歴をクリア(&C)");

    auto* group = new QGroupBox(QStringLiteral("学習状況のクリア"), this);
    place(group, 12, 217, 186, 83);
    for (const CheckDef& def : kClearChecks)
        check(def.m_nId, def.m_nX, def.m_nY, def.m_nWidth, def.m_pszText);
    CreateReviewControls();

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    const QRect lineRect = MapDialogRect(this, QRect(228, 6, 1, 372));
    line->setGeometry(lineRect.x(), lineRect.y(), std::max(2, lineRect.width()), lineRect.height());

    const auto button = [&](int id, const QString& text, int y) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(Id(id));
        place(push, 240, y, 60, 18);
        return push;
    };
    QPushButton* ok = button(kIdOk, QStringLiteral("OK"), 12);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &COptionDialog::accept);
    connect(button(kIdCancel, QStringLiteral("キャンセル"), 36), &QPushButton::clicked, this,
            &COptionDialog::reject);
    // Bound to the help topic by the base class.
    button(kIdHelp, QStringLiteral("ヘルプ(&H)"), 60);

    // The writing check's strictness, in the free column under the buttons.
    m_comboStrictness = combo(kIdCheckStrictness);
    label({240, 90, 62, "判定の厳しさ(&J)"}, m_comboStrictness);
    placeCombo(m_comboStrictness, 240, 100, 60);
    m_comboStrictness->setToolTip(
        QStringLiteral("書いた字の判定で、画の位置のずれをどこまで認めるか。"
                       "やさしいでは書き順の違いも ✓ にします。"));
    connect(button(kIdAboutButton, QStringLiteral("バージョン情報"), 282), &QPushButton::clicked,
            this, &COptionDialog::OnAbout);

    // What acts at once on the study data rather than at OK stands apart,
    // below the dialog's own buttons.
    connect(button(kIdOwnLists, QStringLiteral("単語リスト(&L)..."), 186), &QPushButton::clicked,
            this, &COptionDialog::OnOwnLists);
    auto* dataLabel = new QLabel(QStringLiteral("学習データ:"), this);
    place(dataLabel, 240, 214, 60, 8);
    QPushButton* exportButton = button(kIdExportData, QStringLiteral("書き出し(&E)..."), 224);
    exportButton->setToolTip(QStringLiteral("学習データの書き出し"));
    connect(exportButton, &QPushButton::clicked, this,
            [this] { ExportStudyDataToFile(*CDictionary::GetInstance(), this); });
    QPushButton* restoreButton = button(kIdRestoreData, QStringLiteral("読み込み(&I)..."), 248);
    restoreButton->setToolTip(QStringLiteral("学習データの読み込み"));
    connect(restoreButton, &QPushButton::clicked, this, &COptionDialog::OnRestore);
    CreateDataFolderControls();
}

void COptionDialog::CreateDataFolderControls()
{
    auto* push = new QPushButton(QStringLiteral("保存先(&D)..."), this);
    push->setObjectName(Id(kIdDataFolder));
    push->setToolTip(QStringLiteral("学習データの保存先"));
    push->setGeometry(MapDialogRect(this, QRect(240, 150, 60, 18)));
    connect(push, &QPushButton::clicked, this, &COptionDialog::OnDataFolder);
}

void COptionDialog::OnDataFolder()
{
    CDataFolderDialog folder(*CDictionary::GetInstance(), this);
    folder.exec();
    if (folder.m_bDataReplaced) {
        ShowClearCounts();
        emit ListsChanged();
    }
}

void COptionDialog::showEvent(QShowEvent* event)
{
    if (!m_bInitDone) {
        m_bInitDone = true;
        OnInitDialog();
    }
    CBaseDialog::showEvent(event);
}

void COptionDialog::OnInitDialog()
{
    const FontFamilySource& source = FamilySource();
    const QStringList reported =
        source ? source() : QFontDatabase::families(QFontDatabase::Japanese);
    QStringList rows = CollectFontFamilies(reported);
    rows.prepend(kNoFace);
    SortLikeComboBox(rows);
    m_comboFont->addItems(rows);
    QString face = Options::StoredFontFace();
    if (face.isEmpty())
        face = kNoFace;
    m_comboFont->setCurrentIndex(FindRowStartingWith(m_comboFont, face));

    m_spinFontPoint->SetRange32(Options::kMinFontPoints, Options::kMaxFontPoints);
    // The value as stored: the spin box brings it within its range when
    // the field is left.
    Edit(kIdFontPoint)->setText(QString::number(Options::StoredFontPoints()));

    Check(kIdHyogaiRed)->setChecked(Options::ShowHyogaiInRed());

    const int stroke = Options::StrokeWidth();
    int strokeRow = 1;
    for (const PenWidth& pen : kPenWidths) {
        if (pen.m_nWidth == stroke)
            strokeRow = m_comboStroke->count();
        m_comboStroke->addItem(QString::fromUtf8(pen.m_pszText), pen.m_nWidth);
    }
    m_comboStroke->setCurrentIndex(strokeRow);

    const int freq = Options::LearningFrequency();
    int freqRow = 1;
    for (int value : kFrequencies) {
        if (value == freq)
            freqRow = m_comboFreq->count();
        m_comboFreq->addItem(QStringLiteral("1/%1").arg(value));
    }
    m_comboFreq->setCurrentIndex(freqRow);

    const auto fillChoice = [](QComboBox* combo, const auto& texts, int row) {
        for (const char* text : texts)
            combo->addItem(QString::fromUtf8(text));
        combo->setCurrentIndex(row);
    };
    fillChoice(m_comboPref, kPrefKanji, Options::PreferredKanji());
    fillChoice(m_comboQAMode, kQAModes, Options::ReverseAsking() ? 1 : 0);
    fillChoice(m_comboNoUnspec, kNoUnspec, Options::RequireMode() ? 1 : 0);
    fillChoice(m_comboStrictness, kStrictness, Options::CheckStrictness());

    Edit(kIdSearchUrl)->setText(Options::SearchUrl());
    Edit(kIdSearchUrl)->setCursorPosition(0);

    Check(kIdClearHistory)->setChecked(Options::ClearHistoryOnExit());

    ShowClearCounts();
    InitReviewControls();
}

void COptionDialog::ShowClearCounts()
{
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    dic->RecountModes();
    // The first four boxes clear modes in button order, the last the counts.
    for (int k = 0; k < 5; ++k) {
        const int count = k < 4 ? dic->CountInMode(kModeTable[k].m_nMode) : dic->GetTotalCount();
        QCheckBox* box = Check(kClearChecks[k].m_nId);
        box->setText(FormatCount(QString::fromUtf8(kClearChecks[k].m_pszText), count));
    }
}

bool COptionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && watched == Edit(kIdFontPoint))
        ClampEditToSpinRange(Edit(kIdFontPoint), m_spinFontPoint);
    return CBaseDialog::eventFilter(watched, event);
}

void COptionDialog::accept()
{
    bool clear[5] = {};
    bool anyClear = false;
    for (int k = 0; k < 5; ++k) {
        clear[k] = Check(kClearChecks[k].m_nId)->isChecked();
        anyClear = anyClear || clear[k];
    }
    const std::optional<CDictionary::ReviewScope> forget = CheckedReviewReset();
    QStringList questions;
    if (anyClear)
        questions << QStringLiteral("チェックした学習状況をクリアしてもよろしいですか？");
    if (forget)
        questions << ReviewResetQuestion();
    if (!questions.isEmpty() &&
        ShowMessageBox(questions.join(QStringLiteral("\r\n")), MessageButtons::OkCancel) != IDOK) {
        return;
    }

    QString face = m_comboFont->currentText();
    if (face == kNoFace)
        face.clear();
    if (face != Options::StoredFontFace()) {
        Options::SetFontFace(face);
        m_bFontChanged = true;
    }

    ClampEditToSpinRange(Edit(kIdFontPoint), m_spinFontPoint);
    const int point = ParseLeadingInt(Edit(kIdFontPoint)->text());
    if (point != Options::StoredFontPoints()) {
        Options::SetFontPoints(point);
        m_bFontChanged = true;
    }

    const bool red = Check(kIdHyogaiRed)->isChecked();
    if (red != Options::ShowHyogaiInRed()) {
        Options::SetShowHyogaiInRed(red);
        m_bRedChanged = true;
    }

    Options::SetStrokeWidth(m_comboStroke->currentData().toInt());
    Options::SetLearningFrequency(ParseLeadingInt(m_comboFreq->currentText().mid(2)));
    Options::SetPreferredKanji(m_comboPref->currentIndex());
    Options::SetReverseAsking(m_comboQAMode->currentIndex() == 1);
    Options::SetRequireMode(m_comboNoUnspec->currentIndex() == 1);
    Options::SetCheckStrictness(m_comboStrictness->currentIndex());
    Options::SetSearchUrl(Edit(kIdSearchUrl)->text());
    Options::SetClearHistoryOnExit(Check(kIdClearHistory)->isChecked());

    StoreReviewChoices();

    CDictionary* dic = CDictionary::GetInstance();
    // Before the modes are cleared: a reset of one mode's reviews means the
    // items the learner saw in that mode.
    if (forget) {
        dic->ForgetReviews(*forget);
        emit ReviewsForgotten();
    }
    if (clear[0] || clear[1] || clear[2] || clear[3]) {
        dic->ClearModes(clear[1], clear[2], clear[3], clear[0]);
        emit ModesCleared();
    }
    if (clear[4]) {
        dic->ClearDictationCounts();
        emit DictationCountsCleared();
    }
    if (anyClear || forget)
        dic->Save();

    CBaseDialog::accept();
}

void COptionDialog::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void COptionDialog::OnOwnLists()
{
    COwnListsDialog lists(*CDictionary::GetInstance(), this);
    lists.exec();
    if (!lists.m_bListsChanged)
        return;
    ShowClearCounts();
    FillForgetScopes();
    emit ListsChanged();
}

void COptionDialog::OnRestore()
{
    if (!RestoreStudyDataFromFile(*CDictionary::GetInstance(), this))
        return;
    emit StudyDataReplaced();
    // The restored settings stand; OK would overwrite them with this
    // dialog's, which show the settings from before.
    CBaseDialog::reject();
}
