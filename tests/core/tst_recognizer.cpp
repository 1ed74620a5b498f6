#include "common/InkBuilder.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "recognition/CRecognizer.h"
#include "recognition/CWritingChecker.h"
#include "recognition/ModelLocation.h"
#include "recognition/Segmentation.h"
#include "recognition/WritingCheck.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <limits>
#include <sys/stat.h>

namespace {

// A model in the library's own layout: per character its name, a bias and
// its features, each feature an index and a weight.
struct ModelCharacter {
    QByteArray name;
    float bias = 0;
    QList<QPair<qint32, float>> features;
};

template <typename T> void Append(QByteArray& bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(T));
}

// The first word says how long the file is; after any change of length it
// is set again, so that only the damage meant is there.
void SetLengthWord(QByteArray& bytes)
{
    qToLittleEndian<quint32>(quint32(bytes.size()) ^ 0x0ef71821u, bytes.data());
}

QByteArray ModelBytes(const QList<ModelCharacter>& characters)
{
    QByteArray bytes;
    Append<quint32>(bytes, 0);
    Append<quint32>(bytes, 1);
    Append<quint32>(bytes, quint32(characters.size()));
    for (const ModelCharacter& c : characters) {
        bytes.append(c.name.leftJustified(16, '\0', true));
        Append<float>(bytes, c.bias);
        for (const auto& [index, weight] : c.features) {
            Append<qint32>(bytes, index);
            Append<float>(bytes, weight);
        }
        Append<qint32>(bytes, -1);
        Append<float>(bytes, 0);
    }
    SetLengthWord(bytes);
    return bytes;
}

QList<ModelCharacter> SmallModel()
{
    return {{"一", 0.5f, {{1, 0.25f}, {4, -0.5f}, {9, 1.0f}}},
            {"二", -0.25f, {{2, 0.75f}, {5, 0.5f}}}};
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A line of n points across the frame, as a trembling hand draws it: each
// point a little above or below the last.
InkStroke LongLine(int n)
{
    InkStroke stroke;
    stroke.points.reserve(n);
    for (int i = 0; i < n; ++i) {
        const qreal t = qreal(i) / (n - 1);
        stroke.points.append({QPointF(150 + 700 * t, 500 + (i % 2 ? 2 : -2)), 1.0, i});
    }
    return stroke;
}

} // namespace

// Recognition of a few characters drawn from straight lines with the
// installed Japanese model, and the asynchronous checker around it.
class TestRecognizer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void recognisesHandMadeCharacters_data();
    void recognisesHandMadeCharacters();
    void checksAWordAgainstItsAnswer_data();
    void checksAWordAgainstItsAnswer();
    void normalisedInkFillsTheFrameKeepingItsShape();
    void smallMarksStaySmall();
    void unknownCharactersAreNotJudged();
    void refusesMissingAndBrokenModelFiles();
    void modelSearchHonoursTheEnvironment();
    void checkerWithoutModelOffersNothing();
    void checkerReportsTheCurrentQuestion();
    void checkerDropsResultsOfAnEarlierQuestion();
    void checkerDropsAnOvertakenCheck();
    void refusesDamagedModels_data();
    void refusesDamagedModels();
    void longStrokesAreResampled();
    void checkerExplainsWhyThereIsNoCheck_data();
    void checkerExplainsWhyThereIsNoCheck();
    void checkerFallsBackFromTheChosenModel();
    void checkerLetsAnIdleModelGo();

private:
    CRecognizer m_recognizer;
    QString m_modelPath;
};

void TestRecognizer::initTestCase()
{
    m_modelPath = FindHandwritingModel();
    if (m_modelPath.isEmpty())
        QSKIP("The Japanese handwriting model (tegaki-zinnia-japanese) is not installed");
    QString error;
    QVERIFY2(m_recognizer.Open(m_modelPath, &error), qPrintable(error));
    QVERIFY(m_recognizer.CharacterCount() > 2000);
}

void TestRecognizer::recognisesHandMadeCharacters_data()
{
    QTest::addColumn<InkStrokes>("unit");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QRectF>("cell");
    const QRectF box(40, 30, 120, 120);
    QTest::newRow("ichi") << UnitIchi() << u"一"_qs << box;
    QTest::newRow("ni") << UnitNi() << u"二"_qs << box;
    QTest::newRow("san") << UnitSan() << u"三"_qs << box;
    QTest::newRow("juu") << UnitJuu() << u"十"_qs << box;
    QTest::newRow("kawa") << UnitKawa() << u"川"_qs << box;
    QTest::newRow("kuchi") << UnitKuchi() << u"口"_qs << box;
    QTest::newRow("kuchi small, far from the origin")
        << UnitKuchi() << u"口"_qs << QRectF(900, 700, 40, 40);
    QTest::newRow("kawa large") << UnitKawa() << u"川"_qs << QRectF(0, 0, 600, 600);
}

void TestRecognizer::recognisesHandMadeCharacters()
{
    QFETCH(InkStrokes, unit);
    QFETCH(QString, expected);
    QFETCH(QRectF, cell);
    const InkStrokes ink = PlaceInCell(unit, cell);
    const QStringList candidates =
        m_recognizer.Classify(NormaliseToFrame(ink, cell), kCheckCandidates);
    QCOMPARE(candidates.size(), kCheckCandidates);
    QCOMPARE(candidates.first(), expected);
}

void TestRecognizer::checksAWordAgainstItsAnswer_data()
{
    QTest::addColumn<InkStrokes>("ink");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QList<QRectF>>("boxes");
    QTest::addColumn<QString>("verdicts");
    QTest::addColumn<QString>("recognised");
    const QRectF a(10, 10, 100, 100), b(130, 10, 100, 100), c(250, 10, 100, 100);
    // Only a wrong character says what it looks like.
    QTest::newRow("kawa in one box")
        << PlaceInCell(UnitKawa(), a) << u"川"_qs << QList<QRectF>{a} << "C" << QString();
    QTest::newRow("san written for kawa")
        << PlaceInCell(UnitSan(), a) << u"川"_qs << QList<QRectF>{a} << "W" << u"三"_qs;
    QTest::newRow("kawaguchi without boxes")
        << PlaceInCell(UnitKawa(), a) + PlaceInCell(UnitKuchi(), b) << u"川口"_qs << QList<QRectF>{}
        << "CC" << QString();
    QTest::newRow("second box left empty")
        << PlaceInCell(UnitJuu(), a) << u"十二"_qs << QList<QRectF>{a, b} << "CM" << QString();
    QTest::newRow("parenthesised alternative is not written")
        << PlaceInCell(UnitIchi(), a) + PlaceInCell(UnitNi(), b) << u"一(壱)二"_qs
        << QList<QRectF>{} << "CC" << QString();
    QTest::newRow("one character of three written")
        << PlaceInCell(UnitKuchi(), a) << u"口川口"_qs << QList<QRectF>{} << "CMM" << QString();
    Q_UNUSED(c);
}

void TestRecognizer::checksAWordAgainstItsAnswer()
{
    QFETCH(InkStrokes, ink);
    QFETCH(QString, word);
    QFETCH(QList<QRectF>, boxes);
    QFETCH(QString, verdicts);
    QFETCH(QString, recognised);
    const QList<CharacterCheck> checks = CheckWriting(m_recognizer, ink, word, boxes);
    QString gotVerdicts, gotRecognised;
    for (const CharacterCheck& check : checks) {
        gotVerdicts += u"CFWMU"[int(check.verdict)];
        gotRecognised += check.recognised;
        QVERIFY(!check.cell.isEmpty());
    }
    QCOMPARE(gotVerdicts, verdicts);
    QCOMPARE(gotRecognised, recognised);
}

void TestRecognizer::normalisedInkFillsTheFrameKeepingItsShape()
{
    // Without a cell the ink's longer side fills the frame less its
    // margins, centred, in its own proportions.
    const InkStrokes ink = PlaceInCell(UnitKawa(), QRectF(500, 300, 50, 100));
    const QRectF frame = InkBounds(NormaliseToFrame(ink));
    const QRectF original = InkBounds(ink);
    QVERIFY(frame.top() > 0 && frame.bottom() < CRecognizer::kFrameSize);
    QCOMPARE(qRound(frame.center().x()), 500);
    QCOMPARE(qRound(frame.center().y()), 500);
    QCOMPARE(qRound(frame.width() * 1000 / frame.height()),
             qRound(original.width() * 1000 / original.height()));
    QVERIFY(frame.height() > 600);
}

void TestRecognizer::smallMarksStaySmall()
{
    // A dot in the corner of its box stays a small dot in that corner, so
    // it is not read as a full character.
    const QRectF box(0, 0, 100, 100);
    const InkStrokes dot = {LineStroke({80, 10}, {84, 14}, 2)};
    const QRectF mapped = InkBounds(NormaliseToFrame(dot, box));
    QVERIFY(mapped.width() < 60);
    QVERIFY(mapped.left() > 700 && mapped.bottom() < 300);
    // Ink that strays out of its box is not cut off: the frame widens.
    const InkStrokes stray = {LineStroke({-50, 50}, {150, 50})};
    const QRectF wide = InkBounds(NormaliseToFrame(stray, box));
    QVERIFY(wide.left() >= 0 && wide.right() <= CRecognizer::kFrameSize);
    // A single point has no size and still maps into the frame.
    InkStroke tap;
    tap.points.append({QPointF(7, 7), 1.0, 0});
    QCOMPARE(InkBounds(NormaliseToFrame({tap})).center(), QPointF(500, 500));
    QVERIFY(!m_recognizer.Classify(NormaliseToFrame({tap}, box)).isEmpty());
    QVERIFY(m_recognizer.Classify({}).isEmpty());
}

void TestRecognizer::unknownCharactersAreNotJudged()
{
    // A Latin letter is not in the model: it can never come first, so a
    // wrong mark would blame the learner for the model's gap.
    QVERIFY(!m_recognizer.Knows(u"A"_qs));
    const QRectF a(0, 0, 100, 100);
    const QList<CharacterCheck> checks =
        CheckWriting(m_recognizer, PlaceInCell(UnitIchi(), a), u"A"_qs, {a});
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.first().verdict, CheckVerdict::Unchecked);
}

void TestRecognizer::refusesMissingAndBrokenModelFiles()
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.model");
    const QString garbage = dir.filePath("garbage.model");
    QFile(empty).open(QIODevice::WriteOnly);
    {
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    for (const QString& path : {dir.filePath("absent.model"), empty, garbage}) {
        CRecognizer recognizer;
        QString error;
        QVERIFY2(!recognizer.Open(path, &error), qPrintable(path));
        QVERIFY(!recognizer.IsOpen());
        QVERIFY(!error.isEmpty());
        QVERIFY(recognizer.Classify(PlaceInCell(UnitIchi(), QRectF(0, 0, 1000, 1000))).isEmpty());
    }
}

void TestRecognizer::modelSearchHonoursTheEnvironment()
{
    QTemporaryDir dir;
    const QString own = dir.filePath("own.model");
    QFile::copy(m_modelPath, own);
    qputenv("VELMARIK_HANDWRITING_MODEL", own.toUtf8());
    QCOMPARE(HandwritingModelCandidates().first(), own);
    QCOMPARE(FindHandwritingModel(), own);
    // A variable naming nothing falls back to the installed model.
    qputenv("VELMARIK_HANDWRITING_MODEL", dir.filePath("absent.model").toUtf8());
    QCOMPARE(FindHandwritingModel(), m_modelPath);
    qunsetenv("VELMARIK_HANDWRITING_MODEL");
    QVERIFY(FindHandwritingModel({dir.filePath("absent.model")}).isEmpty());
}

void TestRecognizer::checkerWithoutModelOffersNothing()
{
    QTemporaryDir dir;
    CWritingChecker checker({dir.filePath("absent.model")});
    QVERIFY(!checker.IsAvailable());
    QVERIFY(!checker.ModelError().isEmpty());
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    QVERIFY(!checker.Check(1, PlaceInCell(UnitIchi(), QRectF(0, 0, 100, 100)), u"一"_qs));
    QTest::qWait(50);
    QCOMPARE(checked.size(), 0);

    // A file that is there but unreadable as a model withdraws the check
    // once the load fails.
    const QString garbage = dir.filePath("garbage.model");
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    CWritingChecker broken({garbage});
    QVERIFY(broken.IsAvailable());
    QSignalSpy loaded(&broken, &CWritingChecker::ModelLoaded);
    broken.LoadModel();
    QVERIFY(loaded.wait(5000));
    QCOMPARE(loaded.first().first().toBool(), false);
    QVERIFY(!broken.IsAvailable());
}

void TestRecognizer::checkerReportsTheCurrentQuestion()
{
    CWritingChecker checker({m_modelPath});
    QCOMPARE(checker.State(), CWritingChecker::ModelState::NotLoaded);
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    const QRectF a(0, 0, 100, 100);
    // Asked before the model is read: the check waits for the load.
    QVERIFY(checker.Check(7, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    QVERIFY(checked.wait(10000));
    QCOMPARE(checker.State(), CWritingChecker::ModelState::Ready);
    QCOMPARE(checked.first().at(0).toULongLong(), 7u);
    const auto checks = checked.first().at(1).value<QList<CharacterCheck>>();
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.first().verdict, CheckVerdict::Correct);
    QCOMPARE(checks.first().cell, a);
}

void TestRecognizer::checkerDropsResultsOfAnEarlierQuestion()
{
    CWritingChecker checker({m_modelPath});
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    const QRectF a(0, 0, 100, 100);
    QVERIFY(checker.Check(1, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    checker.SetQuestion(2); // the learner went on before the result came
    QSignalSpy loaded(&checker, &CWritingChecker::ModelLoaded);
    QVERIFY(loaded.wait(10000));
    // The next check on the same thread finishes after the first one, so
    // once it is reported the first has come and gone.
    QVERIFY(checker.Check(2, PlaceInCell(UnitSan(), a), u"三"_qs, {a}));
    QVERIFY(checked.wait(10000));
    QCOMPARE(checked.size(), 1);
    QCOMPARE(checked.first().at(0).toULongLong(), 2u);
}

void TestRecognizer::checkerDropsAnOvertakenCheck()
{
    CWritingChecker checker({m_modelPath});
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    const QRectF a(0, 0, 100, 100);
    // Two checks of one question (the learner pressed R after adding a
    // stroke): only the newer ink is reported.
    QVERIFY(checker.Check(5, PlaceInCell(UnitSan(), a), u"川"_qs, {a}));
    QVERIFY(checker.Check(5, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    QVERIFY(checked.wait(10000));
    QTest::qWait(100);
    QCOMPARE(checked.size(), 1);
    const auto checks = checked.first().at(1).value<QList<CharacterCheck>>();
    QCOMPARE(checks.first().verdict, CheckVerdict::Correct);
}

void TestRecognizer::refusesDamagedModels_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray sound = ModelBytes(SmallModel());

    QByteArray cut = sound.left(sound.size() - 12);
    SetLengthWord(cut);
    QTest::newRow("body cut short, header consistent") << cut;
    QByteArray huge = sound;
    qToLittleEndian<quint32>(0x7fffffff, huge.data() + 8);
    QTest::newRow("2^31-1 characters") << huge;
    QByteArray oneMore = sound;
    qToLittleEndian<quint32>(3, oneMore.data() + 8);
    QTest::newRow("one character more than there is") << oneMore;
    QByteArray endless = sound.left(sound.size() - 8);
    SetLengthWord(endless);
    QTest::newRow("features without their end") << endless;
    QByteArray name = sound;
    name.replace(12, 16, QByteArray(16, 'A'));
    QTest::newRow("a name without its end") << name;
    QList<ModelCharacter> nan = SmallModel();
    nan[1].features[0].second = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("a weight that is not a number") << ModelBytes(nan);
    QList<ModelCharacter> infinite = SmallModel();
    infinite[0].bias = std::numeric_limits<float>::infinity();
    QTest::newRow("an infinite bias") << ModelBytes(infinite);
    QByteArray trailing = sound + QByteArray(8, '\0');
    SetLengthWord(trailing);
    QTest::newRow("bytes after the last character") << trailing;
    QByteArray version = sound;
    qToLittleEndian<quint32>(2, version.data() + 4);
    QTest::newRow("another version") << version;
    QTest::newRow("no characters") << ModelBytes({});
    QTest::newRow("header alone claiming one")
        << ModelBytes({}).left(8) + QByteArray("\1\0\0\0", 4);
    QTest::newRow("eleven bytes") << sound.left(11);

    QFile model(m_modelPath);
    QVERIFY(model.open(QIODevice::ReadOnly));
    QByteArray realCut = model.read(1 << 20);
    SetLengthWord(realCut);
    QTest::newRow("the installed model cut short, header consistent") << realCut;
}

void TestRecognizer::refusesDamagedModels()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.model");
    WriteBytes(path, bytes);
    CRecognizer recognizer;
    QString error;
    QVERIFY(!recognizer.Open(path, &error));
    QVERIFY(!recognizer.IsOpen());
    QVERIFY(!error.isEmpty());
    QCOMPARE(recognizer.CharacterCount(), 0);
    QVERIFY(recognizer.Classify(PlaceInCell(UnitIchi(), QRectF(0, 0, 1000, 1000))).isEmpty());

    // The same recogniser still opens a sound model after a damaged one.
    const QString sound = dir.filePath("sound.model");
    WriteBytes(sound, ModelBytes(SmallModel()));
    QVERIFY2(recognizer.Open(sound, &error), qPrintable(error));
    QCOMPARE(recognizer.CharacterCount(), 2);
    QVERIFY(recognizer.Knows(u"二"_qs));
    QCOMPARE(recognizer.Classify(PlaceInCell(UnitIchi(), QRectF(100, 100, 800, 800)), 2).size(), 2);
}

void TestRecognizer::longStrokesAreResampled()
{
    // Ten minutes of a pen at 1,000 Hz in one stroke reads as the line it
    // draws, like the same line of a few points.
    const QStringList fromLong = m_recognizer.Classify({LongLine(600000)}, 5);
    QCOMPARE(fromLong.value(0), u"一"_qs);
    QCOMPARE(m_recognizer.Classify({LongLine(13)}, 5).value(0), u"一"_qs);
    // A stroke of few points reaches the library as it is: a tap is a dot.
    InkStroke tap;
    tap.points.append({QPointF(500, 500), 1.0, 0});
    QVERIFY(!m_recognizer.Classify({tap}).isEmpty());
}

void TestRecognizer::checkerExplainsWhyThereIsNoCheck_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("told"); // a piece of the message
    QTest::newRow("missing") << "absent.model" << QByteArray() << u"見つかりません"_qs;
    QTest::newRow("empty") << "empty.model" << QByteArray() << u"空です"_qs;
    QTest::newRow("random") << "random.model" << QByteArray(4096, 'x') << u"Zinnia"_qs;
    QTest::newRow("folder") << "folder.model" << QByteArray() << u"フォルダー"_qs;
    QTest::newRow("pipe") << "pipe.model" << QByteArray() << u"通常のファイルではありません"_qs;
}

void TestRecognizer::checkerExplainsWhyThereIsNoCheck()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name.startsWith(u"folder"))
        QVERIFY(QDir().mkdir(path));
    else if (name.startsWith(u"pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (!name.startsWith(u"absent"))
        WriteBytes(path, content);

    MessageRecorder messages;
    CWritingChecker checker({path});
    if (checker.IsAvailable()) {
        // Only reading it shows the file is no model; a pen-down reads it.
        QSignalSpy loaded(&checker, &CWritingChecker::ModelLoaded);
        checker.LoadModel();
        QVERIFY(loaded.wait(10000));
        QCOMPARE(loaded.first().first().toBool(), false);
    }
    QVERIFY(!checker.IsAvailable());
    QVERIFY(!checker.Check(1, PlaceInCell(UnitIchi(), QRectF(0, 0, 100, 100)), u"一"_qs));
    QVERIFY(messages.Texts().isEmpty()); // told when the learner looks for the check
    QVERIFY(checker.ReportModelProblem());
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY2(messages.Texts().first().contains(told), qPrintable(messages.Texts().first()));
    QVERIFY(!checker.ReportModelProblem()); // once
    QCOMPARE(messages.Texts().size(), 1);
}

void TestRecognizer::checkerFallsBackFromTheChosenModel()
{
    // The model the environment asks for is damaged: the installed one is
    // used, and the learner is told so at the first check, once.
    QTemporaryDir dir;
    const QString chosen = dir.filePath("chosen.model");
    QByteArray cut = ModelBytes(SmallModel());
    cut.chop(12);
    SetLengthWord(cut);
    WriteBytes(chosen, cut);
    qputenv("VELMARIK_HANDWRITING_MODEL", chosen.toUtf8());
    MessageRecorder messages;
    CWritingChecker checker({chosen, m_modelPath});
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    const QRectF a(0, 0, 100, 100);
    QVERIFY(checker.Check(1, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    QVERIFY(checked.wait(10000));
    qunsetenv("VELMARIK_HANDWRITING_MODEL");
    QCOMPARE(checker.State(), CWritingChecker::ModelState::Ready);
    QCOMPARE(checker.ModelPath(), QFileInfo(m_modelPath).absoluteFilePath());
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY(messages.Texts().first().contains(u"VELMARIK_HANDWRITING_MODEL"_qs));
    QVERIFY(checker.Check(2, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    QVERIFY(checked.wait(10000));
    QCOMPARE(messages.Texts().size(), 1);
}

void TestRecognizer::checkerLetsAnIdleModelGo()
{
    const qint64 start = 1'700'000'000;
    SetCurrentTimeForTesting(start);
    CWritingChecker checker({m_modelPath});
    QSignalSpy loaded(&checker, &CWritingChecker::ModelLoaded);
    QSignalSpy released(&checker, &CWritingChecker::ModelReleased);
    QVERIFY(!checker.ReleaseIfIdle()); // nothing read yet
    checker.LoadModel();               // the pen goes down
    QVERIFY(loaded.wait(10000));
    QCOMPARE(checker.State(), CWritingChecker::ModelState::Ready);

    const qint64 idle = CWritingChecker::kIdleReleaseSeconds;
    SetCurrentTimeForTesting(start + idle - 1);
    QVERIFY(!checker.ReleaseIfIdle());
    checker.LoadModel(); // another stroke keeps it
    SetCurrentTimeForTesting(start + idle + 10);
    QVERIFY(!checker.ReleaseIfIdle());
    SetCurrentTimeForTesting(start + 2 * idle);
    QVERIFY(checker.ReleaseIfIdle());
    QCOMPARE(released.size(), 1);
    QCOMPARE(checker.State(), CWritingChecker::ModelState::NotLoaded);
    QVERIFY(checker.IsAvailable());

    // Asked again, it is read again and checks as before.
    QSignalSpy checked(&checker, &CWritingChecker::Checked);
    const QRectF a(0, 0, 100, 100);
    QVERIFY(checker.Check(3, PlaceInCell(UnitKawa(), a), u"川"_qs, {a}));
    QVERIFY(checked.wait(10000));
    QCOMPARE(checker.State(), CWritingChecker::ModelState::Ready);
    QCOMPARE(checked.first().at(1).value<QList<CharacterCheck>>().first().verdict,
             CheckVerdict::Correct);
    SetCurrentTimeForTesting(std::nullopt);
}

QTEST_GUILESS_MAIN(TestRecognizer)
#include "tst_recognizer.moc"
