#include "dialogs/CAboutDlg.h"

#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/VersionInfo.h"
#include "study/CDictionary.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <utility>

namespace {

// Where the words and the strokes the writing check compares with come
// from, as their licences ask to be said.
const char kSourceLine[] = "語句データ: EDRDG JMdict/EDICT (CC BY-SA 4.0)";
const char kStrokeSourceLine[] = "書き順データ: KanjiVG (Ulrich Apel, CC BY-SA 3.0)";

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::number(kTemplateAbout));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(GetDialogFont(QStringLiteral("MS UI Gothic"), 9));
    setFixedSize(MapDialogRect(this, QRect(0, 0, 216, 108)).size());

    const auto place = [this](QWidget* control, int x, int y, int cx, int cy) {
        control->setGeometry(MapDialogRect(this, QRect(x, y, cx, cy)));
    };

    auto* icon = new QLabel(this);
    place(icon, 6, 6, 20, 20);
    icon->setPixmap(LoadIcon(kPictureProgramIcon).pixmap(icon->size()));

    auto* version = new QLabel(this);
    version->setObjectName(QString::number(kIdVersion));
    version->setTextFormat(Qt::PlainText);
    place(version, 36, 6, 180, 8);

    auto* source = new QLabel(QString::fromUtf8(kSourceLine), this);
    source->setTextFormat(Qt::PlainText);
    place(source, 36, 18, 180, 8);

    auto* strokeSource = new QLabel(QString::fromUtf8(kStrokeSourceLine), this);
    strokeSource->setTextFormat(Qt::PlainText);
    place(strokeSource, 36, 27, 180, 8);

    auto* group = new QGroupBox(QStringLiteral("収録情報"), this);
    place(group, 42, 36, 120, 42);

    auto* questions = new QLabel(QStringLiteral("問題数 ： %d 問"), this);
    questions->setObjectName(QString::number(kIdQuestionCount));
    questions->setTextFormat(Qt::PlainText);
    place(questions, 54, 49, 102, 8);

    auto* kanji = new QLabel(QStringLiteral("漢字数 ： %d 種類"), this);
    kanji->setObjectName(QString::number(kIdKanjiCount));
    kanji->setTextFormat(Qt::PlainText);
    place(kanji, 54, 61, 102, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(kIdOk));
    ok->setDefault(true);
    place(ok, 84, 84, 48, 18);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitDone) {
        m_bInitDone = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CAboutDlg::OnInitDialog()
{
    findChild<QLabel*>(QString::number(kIdVersion))->setText(GetProductNameAndVersion());

    CDictionary* dic = CDictionary::GetInstance();
    const int questions = dic->GetTotalItemCount();
    const int kanji = dic->GetDistinctKanjiCount();

    // The captions are formats with one number each.
    for (const auto& [id, count] :
         {std::pair{kIdQuestionCount, questions}, std::pair{kIdKanjiCount, kanji}}) {
        auto* label = findChild<QLabel*>(QString::number(id));
        label->setText(label->text().replace(QLatin1String("%d"), QString::number(count)));
    }
}
