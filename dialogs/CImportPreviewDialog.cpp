#include "dialogs/CImportPreviewDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kUncolouredReason =
    QStringLiteral("読みが語句のかなと合わないため、色分けできません");

QTreeWidget* MakeTable(QWidget* parent, const QString& name, const QStringList& headers)
{
    auto* table = new QTreeWidget(parent);
    table->setObjectName(name);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setHeaderLabels(headers);
    table->header()->setSectionResizeMode(QHeaderView::Interactive);
    return table;
}

void AddRow(QTreeWidget* table, int line, const QStringList& fields)
{
    auto* item = new QTreeWidgetItem(table, QStringList(QString::number(line)) + fields);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace

CImportPreviewDialog::CImportPreviewDialog(const QString& path, WordListImport import,
                                           const QString& name, CarryPreview carry, QWidget* parent)
    : QDialog(parent), m_strPath(path), m_import(std::move(import)), m_carry(std::move(carry))
{
    setObjectName(QStringLiteral("ImportPreview"));
    setWindowTitle(QStringLiteral("単語リストの読み込み"));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    form->addRow(QStringLiteral("ファイル:"), new QLabel(QFileInfo(path).fileName(), this));

    m_pEncoding = new QComboBox(this);
    m_pEncoding->setObjectName(QStringLiteral("Encoding"));
    QList<TextEncoding> encodings = m_import.m_detection.m_candidates;
    if (!encodings.contains(m_import.m_encoding))
        encodings.prepend(m_import.m_encoding);
    for (TextEncoding encoding : encodings)
        m_pEncoding->addItem(TextEncodingName(encoding), static_cast<int>(encoding));
    m_pEncoding->setCurrentIndex(encodings.indexOf(m_import.m_encoding));
    m_pEncoding->setEnabled(encodings.size() > 1);
    form->addRow(QStringLiteral("文字コード(&E):"), m_pEncoding);
    connect(m_pEncoding, &QComboBox::activated, this, &CImportPreviewDialog::OnEncodingChosen);

    if (m_import.m_detection.m_outcome == TextDetection::Outcome::Unsure) {
        m_pUnsure = new QLabel(QStringLiteral("文字コードがはっきりしません。語句が正しく読めている"
                                              "か確かめ、読めていないときは文字コードを選んで"
                                              "ください。"),
                               this);
        m_pUnsure->setObjectName(QStringLiteral("EncodingUnsure"));
        m_pUnsure->setWordWrap(true);
        form->addRow(m_pUnsure);
    }

    if (m_carry) {
        form->addRow(QStringLiteral("読み込み直すリスト:"), new QLabel(name, this));
    } else {
        m_pName = new QLineEdit(name, this);
        m_pName->setObjectName(QStringLiteral("ListName"));
        m_pName->setMaxLength(100);
        form->addRow(QStringLiteral("リストの名前(&N):"), m_pName);
        connect(m_pName, &QLineEdit::textChanged, this, &CImportPreviewDialog::UpdateSummary);
    }

    auto* takenLabel = new QLabel(this);
    takenLabel->setObjectName(QStringLiteral("TakenLabel"));
    layout->addWidget(takenLabel);
    m_pTaken = MakeTable(this, QStringLiteral("Taken"),
                         {QStringLiteral("行"), QStringLiteral("語句"), QStringLiteral("読み"),
                          QStringLiteral("メモ")});
    layout->addWidget(m_pTaken, 1);

    m_pUncoloured = new QCheckBox(this);
    m_pUncoloured->setObjectName(QStringLiteral("TakeUncoloured"));
    layout->addWidget(m_pUncoloured);
    connect(m_pUncoloured, &QCheckBox::toggled, this, &CImportPreviewDialog::Fill);

    auto* refusedLabel = new QLabel(this);
    refusedLabel->setObjectName(QStringLiteral("RefusedLabel"));
    layout->addWidget(refusedLabel);
    m_pRefused = MakeTable(
        this, QStringLiteral("Refused"),
        {QStringLiteral("行"), QStringLiteral("取り込まない理由"), QStringLiteral("行の内容")});
    layout->addWidget(m_pRefused, 1);

    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName(QStringLiteral("Summary"));
    m_pSummary->setWordWrap(true);
    layout->addWidget(m_pSummary);

    m_pButtons = new QDialogButtonBox(this);
    m_pTake = m_pButtons->addButton(QStringLiteral("取り込む(&O)"), QDialogButtonBox::AcceptRole);
    m_pButtons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(m_pButtons);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const int em = fontMetrics().horizontalAdvance(QChar(0x6F22));
    resize(em * 38, em * 42);
    Fill();
}

QList<OwnListRow> CImportPreviewDialog::Rows() const
{
    if (m_import.m_failure != WordListImport::Failure::None)
        return {};
    return RowsOfImport(m_import, m_pUncoloured->isChecked());
}

QString CImportPreviewDialog::ListName() const
{
    return m_pName ? m_pName->text().simplified() : QString();
}

void CImportPreviewDialog::OnEncodingChosen(int row)
{
    const auto encoding = static_cast<TextEncoding>(m_pEncoding->itemData(row).toInt());
    if (encoding == m_import.m_encoding && m_import.m_failure == WordListImport::Failure::None)
        return;
    const TextDetection detection = m_import.m_detection;
    m_import = ReadWordListFile(m_strPath, encoding);
    // The file's own look stays what it was; only the reading changed.
    m_import.m_detection = detection;
    m_import.m_encoding = encoding;
    Fill();
}

void CImportPreviewDialog::Fill()
{
    const bool uncoloured = m_pUncoloured->isChecked();
    m_pTaken->setUpdatesEnabled(false);
    m_pRefused->setUpdatesEnabled(false);
    m_pTaken->clear();
    m_pRefused->clear();

    QList<ImportRow> taken = m_import.m_rows;
    if (uncoloured)
        taken += m_import.m_uncoloured;
    std::stable_sort(taken.begin(), taken.end(),
                     [](const ImportRow& a, const ImportRow& b) { return a.m_nLine < b.m_nLine; });
    for (const ImportRow& row : std::as_const(taken)) {
        QString note = row.m_strNote;
        if (uncoloured && m_import.m_uncoloured.size() > 0 &&
            std::any_of(m_import.m_uncoloured.cbegin(), m_import.m_uncoloured.cend(),
                        [&row](const ImportRow& other) { return other.m_nLine == row.m_nLine; }))
            note = QStringLiteral("（色分けなし）") + note;
        AddRow(m_pTaken, row.m_nLine, {row.m_strWord, row.m_strReading, note});
    }

    QList<std::pair<int, QStringList>> refused;
    for (const RefusedRow& row : std::as_const(m_import.m_refused))
        refused.append({row.m_nLine, {DescribeImportProblem(row), row.m_strText}});
    if (!uncoloured) {
        for (const ImportRow& row : std::as_const(m_import.m_uncoloured))
            refused.append({row.m_nLine, {kUncolouredReason, row.ItemText()}});
    }
    std::stable_sort(refused.begin(), refused.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, fields] : std::as_const(refused))
        AddRow(m_pRefused, line, fields);

    for (QTreeWidget* table : {m_pTaken, m_pRefused}) {
        for (int column = 0; column + 1 < table->columnCount(); ++column)
            table->resizeColumnToContents(column);
        table->setUpdatesEnabled(true);
    }

    findChild<QLabel*>(QStringLiteral("TakenLabel"))
        ->setText(QStringLiteral("取り込む語句: %1 語").arg(taken.size()));
    findChild<QLabel*>(QStringLiteral("RefusedLabel"))
        ->setText(QStringLiteral("取り込まない行: %1 行").arg(refused.size()));
    m_pUncoloured->setVisible(!m_import.m_uncoloured.isEmpty());
    m_pUncoloured->setText(QStringLiteral("読みを色分けできない %1 語も、色分けなしで取り込む(&U)")
                               .arg(m_import.m_uncoloured.size()));
    UpdateSummary();
}

void CImportPreviewDialog::UpdateSummary()
{
    QString summary;
    const QList<OwnListRow> rows = Rows();
    if (m_import.m_failure != WordListImport::Failure::None) {
        summary = QString(DescribeImportFailure(m_import))
                      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    } else if (rows.isEmpty()) {
        summary = QStringLiteral("取り込める語句がありません。");
    } else if (m_carry) {
        const ReimportCarry carry = m_carry(rows);
        summary = QStringLiteral("学習モードや出題回数のある語句のうち %1 語はそのまま引き継ぎ、"
                                 "%2 語はリストからなくなるため失われます。")
                      .arg(carry.m_nCarried)
                      .arg(carry.m_nLost);
    } else {
        summary = QStringLiteral("「取り込む」を押すまで、何も変わりません。");
    }
    m_pSummary->setText(summary);
    const bool named = !m_pName || !ListName().isEmpty();
    m_pTake->setEnabled(!rows.isEmpty() && named);
}
