#include "common/TestEnv.h"
#include "platform/Options.h"
#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <climits>
#include <functional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::function<QVariant()>)

namespace {

using Reader = std::function<QVariant()>;

template <typename Value> Reader Of(Value (*read)())
{
    return [read] { return QVariant::fromValue(read()); };
}

Reader Of(const IntSetting& setting)
{
    return [&setting] { return QVariant(GetProfileInt(setting)); };
}

QString StoreFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Quillmoor"_s, u"Velmarik"_s)
        .fileName();
}

QString Fixture(const QString& name)
{
    return QStringLiteral(VELMARIK_SOURCE_DIR "/tests/fixtures/") + name;
}

// Puts a settings file where the program looks for it, as another program
// (or the learner's editor) would: written whole, behind the store's back.
bool InstallFixture(const QString& name)
{
    QDir().mkpath(QFileInfo(StoreFile()).path());
    QFile::remove(StoreFile());
    return QFile::copy(Fixture(name), StoreFile());
}

QString KeyOf(const char16_t* section, const char16_t* name)
{
    const QString plain = QString::fromUtf16(name);
    return *section ? QString::fromUtf16(section) + u'/' + plain : plain;
}

} // namespace

// What the program reads from stored settings files: the names, places and
// defaults those files rely on, the ranges of each option, and a file
// changed by someone else seen at the next read.
class TestSettingsTable : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    // The fixture holds every value the program keeps, and nothing else.
    void theFixtureHoldsEverySetting()
    {
        QSet<QString> keys;
        for (const IntSetting* setting : Setting::kIntSettings)
            keys.insert(KeyOf(setting->m_section, setting->m_name));
        for (const StringSetting* setting : Setting::kStringSettings)
            keys.insert(KeyOf(setting->m_section, setting->m_name));
        const QStringList stored =
            QSettings(Fixture(u"every-value.conf"_s), QSettings::IniFormat).allKeys();
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()), keys);
    }

    void readsWhatIsStored_data()
    {
        QTest::addColumn<Reader>("read");
        QTest::addColumn<QVariant>("everyValue"); // from every-value.conf
        QTest::addColumn<QVariant>("oddValues");  // from odd-values.conf
        QTest::addColumn<QVariant>("missing");    // with no file at all
        const auto row = [](const char* name, const Reader& read, QVariant every, QVariant odd,
                            QVariant missing) {
            QTest::newRow(name) << read << every << odd << missing;
        };
        const QString longFace(300, u'M');
        const QString defaultFace = u"ＭＳ Ｐゴシック"_s;
        const QString defaultUrl = u"https://www.google.com/search?q="_s;
        row("PanelFace", Of(Options::PanelFace), u"ＭＳ 明朝"_s, defaultFace, defaultFace);
        row("StoredFontFace", Of(Options::StoredFontFace), u"ＭＳ 明朝"_s, longFace, QString());
        row("FontPoints", Of(Options::FontPoints), 48, 100, 36);
        row("StoredFontPoints", Of(Options::StoredFontPoints), 48, 150, 36);
        row("ShowHyogaiInRed", Of(Options::ShowHyogaiInRed), true, true, false);
        row("StrokeWidth", Of(Options::StrokeWidth), 9, 1, 6);
        row("LearningFrequency", Of(Options::LearningFrequency), 20, -5, 100);
        row("PreferredKanji", Of(Options::PreferredKanji), 2, 0, 0);
        row("ReverseAsking", Of(Options::ReverseAsking), true, false, false);
        row("RequireMode", Of(Options::RequireMode), true, false, false);
        row("SearchUrl", Of(Options::SearchUrl), u"https://example.org/find?q="_s, QString(),
            defaultUrl);
        row("ClearHistoryOnExit", Of(Options::ClearHistoryOnExit), true, true, false);
        row("ListsOff", Of(Options::ListsOff), QStringList{u"dic1_std1"_s, u"my list"_s},
            QStringList{u"dic1_std2"_s}, QStringList());
        row("GuideMode", Of(Options::GuideMode), 2, 0, 0);
        row("CheckWriting", Of(Options::CheckWriting), false, true, true);
        row("ReviewFirst", Of(Options::ReviewFirst), true, false, false);
        row("NewPerDay", Of(Options::NewPerDay), 5, 20, 20);
        row("MainBarOnRight", Of(Options::MainBarOnRight), false, true, true);
        row("StartMaximised", Of(Options::StartMaximised), true, true, false);
        // Read by their windows as they stand; a text that is no number
        // reads as missing.
        row("WinLeft", Of(Setting::WinLeft), -20, INT_MIN, INT_MIN);
        row("WinTop", Of(Setting::WinTop), 30, INT_MIN, INT_MIN);
        row("WinWidth", Of(Setting::WinWidth), 700, INT_MIN, INT_MIN);
        row("WinHeight", Of(Setting::WinHeight), 500, INT_MIN, INT_MIN);
        row("HistViewKnown", Of(Setting::HistViewKnown), 1, 0, 0);
        row("HistViewLearned", Of(Setting::HistViewLearned), 1, 0, 0);
        row("HistViewLearning", Of(Setting::HistViewLearning), 1, 0, 0);
        row("HistViewNoLearn", Of(Setting::HistViewNoLearn), 1, 0, 0);
        row("HistViewUnspec", Of(Setting::HistViewUnspec), 1, 0, 0);
        row("HWinWidth", Of(Setting::HWinWidth), 640, 0, 0);
        row("HWinHeight", Of(Setting::HWinHeight), 480, 0, 0);
        row("HistoryAction", Of(Setting::HistoryAction), 8, 0, 0);
        row("SearchAction", Of(Setting::SearchAction), 3, 0, 0);
        row("SSDlgWidth", Of(Setting::SSDlgWidth), 520, 0, 0);
        row("SSDlgHeight", Of(Setting::SSDlgHeight), 360, 0, 0);
    }
    void readsWhatIsStored()
    {
        QFETCH(Reader, read);
        QFETCH(QVariant, everyValue);
        QFETCH(QVariant, oddValues);
        QFETCH(QVariant, missing);
        QCOMPARE(read(), missing);
        QVERIFY(InstallFixture(u"every-value.conf"_s));
        QCOMPARE(read(), everyValue);
        QVERIFY(InstallFixture(u"odd-values.conf"_s));
        QCOMPARE(read(), oddValues);
    }

    // The default the web search falls back on is the one a missing value
    // reads as, a search engine's query URL.
    void defaultSearchUrl()
    {
        QCOMPARE(Options::DefaultSearchUrl(), Options::SearchUrl());
        QVERIFY(Options::DefaultSearchUrl().endsWith(u"/search?q="_s));
        Options::SetSearchUrl(QString());
        QCOMPARE(GetProfileString(u"Settings"_s, u"SearchURL"_s, u"unset"_s),
                 Options::DefaultSearchUrl());
    }

    // What the writers store is what a stored file holds for that meaning.
    void writersStoreTheFileFormat()
    {
        Options::SetReverseAsking(true);
        Options::SetRequireMode(true);
        Options::SetShowHyogaiInRed(true);
        Options::SetMainBarOnRight(false);
        QCOMPARE(GetProfileInt(u"Settings"_s, u"QAMode"_s, -1), 1);
        QCOMPARE(GetProfileInt(u"Settings"_s, u"NoUnspec"_s, -1), 1);
        QCOMPARE(GetProfileInt(u"Settings"_s, u"HyogaiRed"_s, -1), 1);
        QCOMPARE(GetProfileInt(QString(), u"MainRight"_s, -1), 0);
        Options::SetReverseAsking(false);
        QCOMPARE(GetProfileInt(u"Settings"_s, u"QAMode"_s, -1), 0);
        Options::SetListsOff({u"dic1_std1"_s, u"my list"_s});
        QCOMPARE(GetProfileString(u"Settings"_s, u"ListsOff"_s, u"unset"_s),
                 u"dic1_std1,my list"_s);
        QCOMPARE(Options::ListsOff(), (QStringList{u"dic1_std1"_s, u"my list"_s}));
        Options::SetListsOff({});
        QCOMPARE(GetProfileString(u"Settings"_s, u"ListsOff"_s, u"unset"_s), QString());
        QVERIFY(Options::ListsOff().isEmpty());
    }

    void everyReadGoesToTheStore()
    {
        QCOMPARE(Options::ReverseAsking(), false);
        QVERIFY(InstallFixture(u"every-value.conf"_s));
        QCOMPARE(Options::ReverseAsking(), true);
        // Written behind the reader's back, as another window would.
        WriteProfileInt(u"Settings"_s, u"QAMode"_s, 0);
        QCOMPARE(Options::ReverseAsking(), false);
        QVERIFY(InstallFixture(u"odd-values.conf"_s));
        QCOMPARE(Options::StrokeWidth(), 1);
        TestEnv::ClearSettings();
        QCOMPARE(Options::StrokeWidth(), 6);
    }
};

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "tst_settingstable.moc"
