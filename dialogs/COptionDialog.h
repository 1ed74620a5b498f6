#pragma once

#include "dialogs/CBaseDialog.h"

#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class CSpinButtonCtrl;

// The options dialog: the question panel's font, the red marking, the pen
// width, question choice, the web-search URL and the history at exit, plus
// the clearing of learning modes and dictation counts. Nothing is stored
// before OK; after OK the two flags tell the opener what to rebuild.
class COptionDialog : public CBaseDialog {
    Q_OBJECT
public:
    explicit COptionDialog(QWidget* parent = nullptr);
    ~COptionDialog() override;

    // The installed Japanese font families, as the platform reports them.
    using FontFamilySource = std::function<QStringList()>;
    // Tests only: the families the dialog lists (empty: the platform's).
    static void SetFontFamilySourceForTesting(FontFamilySource source);

    // The families worth offering: vertical-writing variants ("@" first)
    // and exact repeats are left out; order is kept.
    static QStringList CollectFontFamilies(const QStringList& reported);

    void accept() override;

    QComboBox* m_comboFont = nullptr;
    QComboBox* m_comboStroke = nullptr;
    QComboBox* m_comboFreq = nullptr;
    QComboBox* m_comboPref = nullptr;
    QComboBox* m_comboQAMode = nullptr;
    QComboBox* m_comboNoUnspec = nullptr;
    QComboBox* m_comboStrictness = nullptr;
    CSpinButtonCtrl* m_spinFontPoint = nullptr;
    bool m_bFontChanged = false;
    bool m_bRedChanged = false;

signals:
    // OK cleared learning modes: whatever shows modes shows them again.
    void ModesCleared();
    // OK cleared the dictation counts: today's count is shown again.
    void DictationCountsCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnAbout();
    // The edit or check box with that control id.
    QLineEdit* Edit(int id) const;
    QCheckBox* Check(int id) const;

    bool m_bInitDone = false;
};
