#pragma once

#include "dialogs/CBaseDialog.h"
#include "study/CDictionary.h"

#include <QStringList>
#include <functional>
#include <optional>

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
    QComboBox* m_comboReviewFirst = nullptr;
    QComboBox* m_comboForgetScope = nullptr; // what the reset of reviews takes
    CSpinButtonCtrl* m_spinFontPoint = nullptr;
    bool m_bFontChanged = false;
    bool m_bRedChanged = false;

signals:
    // OK cleared learning modes: whatever shows modes shows them again.
    void ModesCleared();
    // OK cleared the dictation counts: today's count is shown again.
    void DictationCountsCleared();
    // OK forgot review records: the due count is shown again.
    void ReviewsForgotten();
    // The word lists' dialog added, replaced or removed a list of one's own,
    // or the data folder's dialog took the study data found in another
    // folder: the items moved, and the drill asks again.
    void ListsChanged();
    // A restore replaced the study data and the settings; the dialog closed
    // without storing its own.
    void StudyDataReplaced();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void Place(QWidget* control, int x, int y, int cx, int cy);
    void PlaceCombo(QComboBox* combo, int x, int y, int cx);
    void OnInitDialog();
    void OnAbout();
    void OnOwnLists();
    void OnRestore();
    // The data folder's controls and their dialog.
    void CreateDataFolderControls();
    void OnDataFolder();
    // The clearing captions with the counts of now.
    void ShowClearCounts();
    // The edit or check box with that control id.
    QLineEdit* Edit(int id) const;
    QCheckBox* Check(int id) const;

    // The reviews' group (COptionDialogReviews.cpp): the question choice
    // with reviews first, and the reset of review records, which OK applies
    // with the clearing above, after the same confirmation.
    void CreateReviewControls();
    void InitReviewControls();
    // The lists and modes a reset can take, as the study data has them now.
    void FillForgetScopes();
    void ShowForgetCount();
    // None when the reset is not checked.
    std::optional<CDictionary::ReviewScope> CheckedReviewReset() const;
    QString ReviewResetQuestion() const;
    void StoreReviewChoices();

    bool m_bInitDone = false;
};
