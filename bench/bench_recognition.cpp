#include "BenchLists.h"
#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CHandwritingCheck.h"
#include "recognition/CRecognizer.h"
#include "recognition/CStrokeTemplates.h"
#include "recognition/CWritingChecker.h"
#include "recognition/ModelLocation.h"
#include "recognition/Segmentation.h"
#include "recognition/StrokeMatch.h"
#include "recognition/WritingCheck.h"
#include "text/JoyoKanjiTable.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

// How far the writing check can be trusted, on writing that did not come
// from its templates: the stroke median lines of the npm package
// hanzi-writer-data, fetched with `npm pack` into the build folder (or taken
// from the folder named by VELMARIK_HANZI_DATA); they are never part of the
// program. Each character's strokes are first put into the template's order
// by an optimal assignment; characters whose strokes cannot be matched up
// clearly, or whose form differs from the Japanese one, are left out and
// counted.
//
// Thresholds are tuned on the characters of even code points (--set even)
// and reported on the odd ones, the default. The last line:
// check: boxed-ok X% unboxed-ok X% words-ok X% confusable-pass X% swap-found X%
//        reverse-found X% median X ms
namespace {

// The side of one written character on the sheet, in pixels, as the
// writing sheet's guide boxes have it at the usual window size.
constexpr qreal kCell = 110;
// The package's glyphs live in a 1024 square whose y axis points up from
// 124 below the baseline.
constexpr qreal kGlyphSize = 1024;
constexpr qreal kGlyphTop = 900;
// Left out as a different form: a stroke whose ends lie farther than this
// (in sizes of the character) from the template's after the fit, or the
// strokes on average farther than half of it. A form that differs in its
// proportions (月 with the wide first stroke of the Chinese glyph) moves
// every stroke a little rather than one a lot, and its worst stroke alone
// does not show it. Left out as ambiguous: two strokes that could trade
// places for less than this.
constexpr double kFormLimit = 0.25;
constexpr double kFormMeanLimit = kFormLimit / 2;
constexpr double kAmbiguity = 0.04;
// A reversed stroke is only asked to be found on strokes at least this long
// (in sizes of the box); a dot has no direction to see.
constexpr double kReversibleLength = 0.15;

using Medians = QList<QList<QPointF>>;

long ResidentKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

QString FetchCorpus()
{
    const QString given = qEnvironmentVariable("VELMARIK_HANZI_DATA");
    if (!given.isEmpty())
        return given;
    const QDir folder(QCoreApplication::applicationDirPath() +
                      QStringLiteral("/hanzi-writer-data"));
    const QString package = folder.filePath(QStringLiteral("package"));
    if (QFileInfo::exists(package + QStringLiteral("/一.json")))
        return package;
    folder.mkpath(QStringLiteral("."));
    QProcess npm;
    npm.setWorkingDirectory(folder.path());
    npm.start(QStringLiteral("npm"), {QStringLiteral("pack"), QStringLiteral("hanzi-writer-data")});
    if (!npm.waitForFinished(600000) || npm.exitCode() != 0) {
        std::fprintf(stderr, "npm pack hanzi-writer-data failed: %s\n",
                     npm.readAllStandardError().constData());
        return {};
    }
    const QStringList archives =
        folder.entryList({QStringLiteral("hanzi-writer-data-*.tgz")}, QDir::Files, QDir::Time);
    if (archives.isEmpty())
        return {};
    QProcess tar;
    tar.setWorkingDirectory(folder.path());
    tar.start(QStringLiteral("tar"), {QStringLiteral("xzf"), archives.first()});
    if (!tar.waitForFinished(600000) || tar.exitCode() != 0)
        return {};
    return package;
}

// The median lines of one character, in glyph units with y pointing down.
Medians LoadMedians(const QString& corpus, const QString& character)
{
    QFile file(corpus + QLatin1Char('/') + character + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Medians medians;
    const QJsonArray strokes =
        QJsonDocument::fromJson(file.readAll()).object()["medians"].toArray();
    for (const QJsonValue& stroke : strokes) {
        QList<QPointF> line;
        for (const QJsonValue& point : stroke.toArray()) {
            const QJsonArray xy = point.toArray();
            line.append(QPointF(xy[0].toDouble(), kGlyphTop - xy[1].toDouble()));
        }
        if (!line.isEmpty())
            medians.append(line);
    }
    return medians;
}

enum class Left { Kept, NoData, NoTemplate, Count, Direction, Form, Ambiguous };

const char* ReasonOf(Left left)
{
    switch (left) {
    case Left::NoData:
        return "not in hanzi-writer-data";
    case Left::NoTemplate:
        return "no stroke template";
    case Left::Count:
        return "stroke count differs";
    case Left::Direction:
        return "a stroke runs the other way";
    case Left::Form:
        return "form differs";
    case Left::Ambiguous:
        return "strokes could trade places";
    case Left::Kept:
        break;
    }
    return "kept";
}

double EndDistance(const QList<QPointF>& median, const QLineF& line)
{
    auto d = [](const QPointF& a, const QPointF& b) {
        return std::hypot(a.x() - b.x(), a.y() - b.y());
    };
    return (d(median.first(), line.p1()) + d(median.last(), line.p2())) / 2;
}

// Puts the medians into the template's order, or says why not.
Left Align(const Medians& medians, const StrokeTemplate& answer, Medians* ordered)
{
    if (answer.IsEmpty())
        return Left::NoTemplate;
    if (medians.size() != answer.StrokeCount())
        return Left::Count;
    InkStrokes ink;
    for (const QList<QPointF>& median : medians) {
        InkStroke stroke;
        for (const QPointF& p : median)
            stroke.points.append({p, 1.0, 0});
        ink.append(stroke);
    }
    const StrokeMatch match = MatchStrokes(ink, answer);
    if (match.MissingCount() > 0)
        return Left::Form;
    if (!match.DirectionRight())
        return Left::Direction;
    if (match.worstDistance > kFormLimit || match.meanDistance > kFormMeanLimit)
        return Left::Form;
    const QRectF bounds = InkBounds(ink);
    const double size = std::max(bounds.width(), bounds.height());
    const int m = answer.StrokeCount();
    for (int j = 0; j < m; ++j)
        for (int k = j + 1; k < m; ++k) {
            const QList<QPointF>& a = medians[match.writtenAs[j]];
            const QList<QPointF>& b = medians[match.writtenAs[k]];
            const QLineF tj = match.placement.Map(answer.strokes[j]);
            const QLineF tk = match.placement.Map(answer.strokes[k]);
            const double kept = EndDistance(a, tj) + EndDistance(b, tk);
            const double traded = EndDistance(a, tk) + EndDistance(b, tj);
            if ((traded - kept) / size < kAmbiguity)
                return Left::Ambiguous;
        }
    ordered->clear();
    for (int j = 0; j < m; ++j)
        ordered->append(medians[match.writtenAs[j]]);
    return Left::Kept;
}

// Pen strokes along the medians, placed in a cell of the sheet: points
// about two pixels apart as a mouse gives them, each stroke shifted a little
// and each point trembling a little, from a fixed seed.
InkStrokes WriteMedians(const Medians& medians, const QRectF& cell, QRandomGenerator& random)
{
    auto jitter = [&random](qreal amount) { return (random.generateDouble() * 2 - 1) * amount; };
    const qreal scale = cell.width() / kGlyphSize;
    InkStrokes strokes;
    for (const QList<QPointF>& median : medians) {
        const QPointF shift(jitter(2.0), jitter(2.0));
        InkStroke stroke;
        qint64 time = 0;
        auto add = [&](const QPointF& glyphPoint) {
            const QPointF p =
                cell.topLeft() + glyphPoint * scale + shift + QPointF(jitter(0.6), jitter(0.6));
            stroke.points.append({p, 1.0, time});
            time += 8;
        };
        add(median.first());
        for (int i = 1; i < median.size(); ++i) {
            const QPointF from = median[i - 1], to = median[i];
            const qreal length = std::hypot(to.x() - from.x(), to.y() - from.y()) * scale;
            const int steps = qMax(1, int(length / 2));
            for (int s = 1; s <= steps; ++s)
                add(from + (to - from) * (qreal(s) / steps));
        }
        strokes.append(stroke);
    }
    return strokes;
}

QStringList BuiltInWords()
{
    QStringList words;
    for (int id = 501; id <= 506; ++id) {
        QFile file(QStringLiteral(":/dictionary/%1").arg(id));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QTextStream in(&file);
        in.setEncoding(QStringConverter::Utf8);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            words.append(line.section(u'\t', 0, 0));
        }
    }
    return words;
}

QStringList ReadCharacters(const QString& path)
{
    QStringList characters;
    if (path.isEmpty()) {
        for (int s = 0; s < kJoyoKanjiStringCount; ++s)
            for (const char16_t* c = JoyoKanjiTable[s]; *c; ++c)
                characters.append(QString(QChar(*c)));
        return characters;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return characters;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'#'))
            continue;
        for (const uint code : line.toUcs4())
            if (!QChar::isSpace(code))
                characters.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
    }
    return characters;
}

QList<std::pair<QString, QString>> ReadPairs(const QString& path)
{
    QList<std::pair<QString, QString>> pairs;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return pairs;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'#'))
            continue;
        const QStringList two = line.split(u' ', Qt::SkipEmptyParts);
        if (two.size() == 2)
            pairs.append({two[0], two[1]});
    }
    return pairs;
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 0)
                                          : QStringLiteral("?");
}

double Percent(qint64 part, qint64 whole)
{
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

bool InSet(const QString& character, bool even)
{
    const QList<uint> code = character.toUcs4();
    return !code.isEmpty() && (code.first() % 2 == 0) == even;
}

qint64 ProcessorNanoseconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return qint64(used.tv_sec) * 1000000000 + used.tv_nsec;
}

// The answer's marks on a sheet: from 答え to the overlay painted, for
// four-character words, with the model already read; once with the pen
// rested before 答え, so that the check of the writing ran while the
// learner paused, and once with 答え straight after the last stroke. The
// wall-clock time is what the learner waits on this machine as busy as it
// is; the processor time of all threads together is what it would be on an
// idle one, the work running one step after the other.
struct MarksTimes {
    double wall = 0;
    double processor = 0;
};

// Runs the event loop, asleep between events, until done() holds after one
// of sender's signal or the time is up. QCoreApplication::processEvents
// returns at once when nothing is pending, so calling it in a loop keeps a
// core busy: on a machine of two, that is the core the check waits for,
// and its time would count as the check's.
template <typename Sender, typename Signal>
void WaitUntil(const Sender* sender, Signal signal, const std::function<bool()>& done, int ms)
{
    if (done())
        return;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QMetaObject::Connection connection = QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    timeout.start(ms);
    loop.exec();
    QObject::disconnect(connection);
}

MarksTimes MarksPaintedMedian(const QList<std::pair<QString, InkStrokes>>& words, bool rested)
{
    QWidget sheet;
    sheet.resize(900, 400);
    InkStrokes current;
    CHandwritingCheck check(
        &sheet, [&current] { return current; }, [] { return QList<QRectF>(); });
    check.OnQuestionShown(words.first().first);
    sheet.show();
    check.Checker()->LoadModel();
    WaitUntil(
        check.Checker(), &CWritingChecker::ModelLoaded,
        [&] { return check.Checker()->State() == CWritingChecker::ModelState::Ready; }, 60000);
    std::vector<double> times, processor;
    for (const auto& [word, ink] : words) {
        check.OnQuestionShown(word);
        current = ink;
        // What the sheet says when the last stroke ends.
        check.ClearMarks();
        if (rested)
            WaitUntil(
                &check, &CHandwritingCheck::CheckReady,
                [&] { return check.HasCheckOfCurrentWriting(); }, 5000);
        bool shown = false;
        QElapsedTimer timer;
        const QMetaObject::Connection connection =
            QObject::connect(&check, &CHandwritingCheck::MarksShown, [&] {
                check.Overlay()->repaint();
                shown = true;
            });
        timer.start();
        const qint64 used = ProcessorNanoseconds();
        check.OnAnswerShown();
        WaitUntil(
            &check, &CHandwritingCheck::MarksShown, [&] { return shown; }, 5000);
        QObject::disconnect(connection);
        if (shown) {
            times.push_back(timer.nsecsElapsed() / 1e6);
            processor.push_back((ProcessorNanoseconds() - used) / 1e6);
        }
    }
    return {Median(times), Median(processor)};
}

// Why the characters of a word were not given ✓: how the answer's
// template fits the writing, and what the recogniser ranks first.
void ExplainFailures(const CRecognizer& recognizer, const InkStrokes& ink, const QString& word,
                     const CheckTolerance& tolerance)
{
    const QStringList chars = CharactersToCheck(word);
    QList<int> counts;
    for (const QString& c : chars)
        counts.append(CStrokeTemplates::Find(c).StrokeCount());
    const QList<InkSegment> segments = SegmentCharacters(ink, counts);
    for (int i = 0; i < qMin(segments.size(), chars.size()); ++i) {
        const CharacterCheck check =
            JudgeCharacter(recognizer, segments[i], chars[i], tolerance, false);
        if (check.verdict == CheckVerdict::Correct)
            continue;
        const StrokeMatch match =
            MatchStrokes(segments[i].strokes, CStrokeTemplates::Find(chars[i]));
        QRectF frame = segments[i].cell;
        const QPointF middle = frame.center();
        frame.setSize(frame.size() * 1.25);
        frame.moveCenter(middle);
        const QStringList candidates =
            recognizer.Classify(NormaliseToFrame(segments[i].strokes, frame), kCheckCandidates);
        std::printf("explain %s[%d] %s: verdict %d recognised '%s' strokes %d/%d worst %.3f mean "
                    "%.3f cost %.3f rank %lld first %s cell %.0fx%.0f strokes",
                    qPrintable(word), i, qPrintable(chars[i]), int(check.verdict),
                    qPrintable(check.recognised), match.writtenCount, match.TemplateCount(),
                    match.worstDistance, match.meanDistance, match.Cost(),
                    qlonglong(candidates.indexOf(chars[i])),
                    qPrintable(candidates.mid(0, 4).join(u',')), segments[i].cell.width(),
                    segments[i].cell.height());
        for (int s = 0; s < match.TemplateCount(); ++s)
            std::printf(" %d:%.2f%s", match.writtenAs[s], match.distance[s],
                        match.reversed[s] ? "r" : "");
        std::printf("\n");
    }
}

// Why a look-alike written for the answer was taken for the answer: how
// each of the two templates fits, and what the recogniser ranks first.
void ExplainPassed(const CRecognizer& recognizer, const InkStrokes& ink, const QRectF& box,
                   const QString& answer, const QString& written)
{
    const StrokeMatch forAnswer = MatchStrokes(ink, CStrokeTemplates::Find(answer));
    const StrokeMatch forWritten = MatchStrokes(ink, CStrokeTemplates::Find(written));
    const QStringList candidates =
        recognizer.Classify(NormaliseToFrame(ink, box), kCheckCandidates);
    std::printf("explain %s passed for %s: cost %.3f (worst %.3f mean %.3f) against %.3f, "
                "candidates %s\n",
                qPrintable(written), qPrintable(answer), forAnswer.Cost(), forAnswer.worstDistance,
                forAnswer.meanDistance, forWritten.Cost(),
                qPrintable(candidates.mid(0, 6).join(u',')));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The check reads its strictness from the settings: a fresh, empty store.
    QTemporaryDir settingsHome;
    qputenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption pairsOption(
        QStringLiteral("pairs"), QStringLiteral("Confusable pairs, one \"A B\" a line."),
        QStringLiteral("file"), QStringLiteral(VELMARIK_SOURCE_DIR "/bench/confusable-pairs.txt"));
    const QCommandLineOption charsOption(
        QStringLiteral("chars"), QStringLiteral("Characters to write (default: the Jōyō kanji)."),
        QStringLiteral("file"));
    const QCommandLineOption setOption(
        QStringLiteral("set"),
        QStringLiteral("Which half to measure: odd code points (report) or even (tuning)."),
        QStringLiteral("odd|even"), QStringLiteral("odd"));
    const QCommandLineOption toleranceOption(
        QStringLiteral("tolerance"),
        QStringLiteral("The worst and the mean stroke distance to try instead of the usual."),
        QStringLiteral("worst,mean"));
    const QCommandLineOption explainOption(
        QStringLiteral("explain"),
        QStringLiteral("Print each character of a failed word that was not given ✓, and why."));
    parser.addOptions({pairsOption, charsOption, setOption, toleranceOption, explainOption});
    parser.process(app);
    const bool even = parser.value(setOption) == u"even";
    CheckTolerance tolerance = ToleranceOf(CheckStrictness::Normal);
    if (parser.isSet(toleranceOption)) {
        const QStringList parts = parser.value(toleranceOption).split(u',');
        tolerance.worst = parts.value(0).toDouble();
        tolerance.mean = parts.value(1).toDouble();
    }

    const QString modelPath = FindHandwritingModel();
    if (modelPath.isEmpty()) {
        std::fprintf(stderr, "no handwriting model found\n");
        return 1;
    }
    const long rssBefore = ResidentKiB("VmRSS:");
    CRecognizer recognizer;
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!recognizer.Open(modelPath, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const double loadMs = timer.nsecsElapsed() / 1e6;
    const long rssAfter = ResidentKiB("VmRSS:");
    // The model file is mapped, not read: the first classification pages
    // it in, which is part of what the learner waits for at the first check.
    timer.restart();
    recognizer.Classify(NormaliseToFrame({InkStroke{{{QPointF(0, 0)}, {QPointF(9, 9)}}}}));
    const double firstMs = timer.nsecsElapsed() / 1e6;
    const long rssFirst = ResidentKiB("VmRSS:");
    std::printf("model %s: %d characters, opened in %.1f ms (resident %+ld KiB), first "
                "classification %.1f ms (resident %+ld KiB)\n",
                qPrintable(modelPath), recognizer.CharacterCount(), loadMs, rssAfter - rssBefore,
                firstMs, rssFirst - rssBefore);

    // The templates are read in place: what looking every one of them up
    // leaves resident.
    const long rssTemplatesBefore = ResidentKiB("VmRSS:");
    const QStringList characters = ReadCharacters(parser.value(charsOption));
    int templateStrokes = 0;
    for (const QString& c : characters)
        templateStrokes += CStrokeTemplates::Find(c).StrokeCount();
    std::printf("templates: %d characters; looking up %lld of them (%d strokes) left %+ld KiB "
                "resident\n",
                CStrokeTemplates::CharacterCount(), qlonglong(characters.size()), templateStrokes,
                ResidentKiB("VmRSS:") - rssTemplatesBefore);

    const QString corpus = FetchCorpus();
    if (corpus.isEmpty()) {
        std::fprintf(stderr, "no stroke corpus\n");
        return 1;
    }

    // Every character the bench may write, in the template's order.
    QHash<QString, Medians> ordered;
    QMap<Left, int> leftOut;
    auto prepare = [&](const QString& c) {
        if (ordered.contains(c))
            return true;
        const Medians medians = LoadMedians(corpus, c);
        Medians aligned;
        const Left left =
            medians.isEmpty() ? Left::NoData : Align(medians, CStrokeTemplates::Find(c), &aligned);
        if (left != Left::Kept)
            return false;
        ordered.insert(c, aligned);
        return true;
    };
    QStringList measured;
    for (const QString& c : characters) {
        if (!InSet(c, even))
            continue;
        const Medians medians = LoadMedians(corpus, c);
        Medians aligned;
        const Left left =
            medians.isEmpty() ? Left::NoData : Align(medians, CStrokeTemplates::Find(c), &aligned);
        leftOut[left] += 1;
        if (left == Left::Kept) {
            ordered.insert(c, aligned);
            measured.append(c);
        }
    }
    int considered = 0;
    for (const int n : std::as_const(leftOut))
        considered += n;
    std::printf("%s code points: %d characters, %d kept;", even ? "even" : "odd", considered,
                leftOut.value(Left::Kept));
    for (auto it = leftOut.cbegin(); it != leftOut.cend(); ++it)
        if (it.key() != Left::Kept)
            std::printf(" %d left out (%s)", it.value(), ReasonOf(it.key()));
    std::printf("\n");

    QRandomGenerator random(20261209);
    const QRectF box(20, 20, kCell, kCell);
    std::vector<double> times;
    qint64 boxedOk = 0, unboxedOk = 0, swaps = 0, swapFound = 0, reverses = 0, reverseFound = 0;
    QMap<CheckVerdict, int> boxedVerdicts, unboxedVerdicts;
    for (const QString& c : std::as_const(measured)) {
        const Medians& medians = ordered[c];
        const InkStrokes inBox = WriteMedians(medians, box, random);
        QList<CharacterCheck> checks;
        times.push_back(
            MicrosecondsOf([&] { checks = CheckWriting(recognizer, inBox, c, {box}, tolerance); }) /
            1000.0);
        boxedVerdicts[checks.value(0).verdict] += 1;
        if (parser.isSet(explainOption) && checks.value(0).verdict != CheckVerdict::Correct)
            std::printf("explain %s in its box: verdict %d recognised '%s'\n", qPrintable(c),
                        int(checks.value(0).verdict), qPrintable(checks.value(0).recognised));
        boxedOk += checks.value(0).verdict == CheckVerdict::Correct;
        const InkStrokes free = WriteMedians(medians, box, random);
        const QList<CharacterCheck> freeChecks = CheckWriting(recognizer, free, c, {}, tolerance);
        unboxedVerdicts[freeChecks.value(0).verdict] += 1;
        unboxedOk += freeChecks.value(0).verdict == CheckVerdict::Correct;

        const int m = int(medians.size());
        if (m >= 2) {
            const int first = random.bounded(m - 1);
            Medians swapped = medians;
            swapped.swapItemsAt(first, first + 1);
            const CharacterCheck check =
                CheckWriting(recognizer, WriteMedians(swapped, box, random), c, {box}, tolerance)
                    .value(0);
            ++swaps;
            swapFound += check.verdict == CheckVerdict::StrokeFault &&
                         (check.outOfOrder.value(first) || check.outOfOrder.value(first + 1));
        }
        const StrokeTemplate answer = CStrokeTemplates::Find(c);
        QList<int> reversible;
        for (int s = 0; s < m; ++s)
            if (answer.strokes[s].length() >= kReversibleLength)
                reversible.append(s);
        if (!reversible.isEmpty()) {
            const int s = reversible[random.bounded(int(reversible.size()))];
            Medians reversed = medians;
            std::reverse(reversed[s].begin(), reversed[s].end());
            const CharacterCheck check =
                CheckWriting(recognizer, WriteMedians(reversed, box, random), c, {box}, tolerance)
                    .value(0);
            ++reverses;
            reverseFound += check.verdict == CheckVerdict::StrokeFault && check.reversed.value(s);
        }
    }
    std::sort(times.begin(), times.end());
    const double median = Median(times);

    // The other character of each confusable pair written for the first,
    // both ways round, in a box.
    qint64 confusables = 0, confusablePassed = 0;
    int pairsRead = 0, pairsLeftOut = 0;
    QStringList passedPairs;
    for (const auto& [a, b] : ReadPairs(parser.value(pairsOption))) {
        ++pairsRead;
        if (!prepare(a) || !prepare(b)) {
            ++pairsLeftOut;
            continue;
        }
        for (const auto& [answer, written] : {std::pair(a, b), std::pair(b, a)}) {
            if (!InSet(answer, even))
                continue;
            const InkStrokes ink = WriteMedians(ordered[written], box, random);
            const CharacterCheck check =
                CheckWriting(recognizer, ink, answer, {box}, tolerance).value(0);
            ++confusables;
            if (check.IsAnswersCharacter()) {
                ++confusablePassed;
                passedPairs.append(written + QStringLiteral("→") + answer);
                if (parser.isSet(explainOption))
                    ExplainPassed(recognizer, ink, box, answer, written);
            }
        }
    }

    // Whole words written without boxes, side by side or top to bottom:
    // characters a little uneven in size and place, with gaps of a
    // sixteenth to a quarter of a character between them. A word belongs to
    // the half of its first character.
    qint64 words = 0, wordsOk = 0, wordsCutWrong = 0;
    QMap<CheckVerdict, int> wordVerdicts;
    QList<std::pair<QString, InkStrokes>> fourCharacterWords;
    for (const QString& word : BuiltInWords()) {
        const QStringList chars = CharactersToCheck(word);
        if (chars.size() < 2 || !InSet(chars.first(), even) ||
            !std::all_of(chars.begin(), chars.end(), [&](const QString& c) { return prepare(c); }))
            continue;
        InkStrokes ink;
        const bool vertical = words % 4 == 3;
        qreal along = 20;
        for (int i = 0; i < chars.size(); ++i) {
            const qreal size = kCell * (0.9 + 0.1 * random.generateDouble());
            const qreal across = 20 + (random.generateDouble() * 2 - 1) * 4;
            const QRectF cell =
                vertical ? QRectF(across, along, size, size) : QRectF(along, across, size, size);
            ink += WriteMedians(ordered[chars[i]], cell, random);
            along += size + kCell * (0.06 + 0.19 * random.generateDouble());
        }
        ++words;
        const QList<CharacterCheck> checks = CheckWriting(recognizer, ink, word, {}, tolerance);
        const bool ok = checks.size() == chars.size() &&
                        std::all_of(checks.begin(), checks.end(), [](const CharacterCheck& c) {
                            return c.verdict == CheckVerdict::Correct;
                        });
        wordsOk += ok;
        // A word lost to the cut: some character was handed more or fewer
        // strokes than were written for it.
        bool cutRight = checks.size() == chars.size();
        for (int i = 0; cutRight && i < chars.size(); ++i)
            cutRight = checks[i].writtenCount == ordered[chars[i]].size();
        wordsCutWrong += !ok && !cutRight;
        if (!ok)
            for (const CharacterCheck& c : checks)
                wordVerdicts[c.verdict] += 1;
        if (!ok && parser.isSet(explainOption))
            ExplainFailures(recognizer, ink, word, tolerance);
        if (chars.size() == 4 && !vertical && fourCharacterWords.size() < 20)
            fourCharacterWords.append({word, ink});
    }

    auto verdicts = [](const QMap<CheckVerdict, int>& counts) {
        static const char* const names[] = {"correct", "stroke fault", "wrong", "missing",
                                            "unchecked"};
        QString text;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            text += QStringLiteral(" %1 %2").arg(names[int(it.key())]).arg(it.value());
        return text;
    };
    std::printf("tolerance: worst %.3f mean %.3f\n", tolerance.worst, tolerance.mean);
    std::printf("boxed:%s\nunboxed:%s\n", qPrintable(verdicts(boxedVerdicts)),
                qPrintable(verdicts(unboxedVerdicts)));
    std::printf("swapped %lld found %lld; reversed %lld found %lld\n", swaps, swapFound, reverses,
                reverseFound);
    std::printf("confusable pairs: %d read, %d left out, %lld writings, passed: %s\n", pairsRead,
                pairsLeftOut, confusables, qPrintable(passedPairs.join(u' ')));
    std::printf(
        "words: %lld, all ✓ %lld; of the others %lld cut apart wrongly; their characters:%s\n",
        words, wordsOk, wordsCutWrong, qPrintable(verdicts(wordVerdicts)));
    if (!fourCharacterWords.isEmpty())
        for (const bool rested : {true, false}) {
            const MarksTimes marks = MarksPaintedMedian(fourCharacterWords, rested);
            std::printf("marks painted after 答え, four-character words (%lld), %s: median "
                        "%.1f ms of processor time, %.1f ms wall clock on this machine (load %s)\n",
                        qlonglong(fourCharacterWords.size()),
                        rested ? "the pen rested first" : "straight after the last stroke",
                        marks.processor, marks.wall, qPrintable(LoadAverage()));
        }
    std::printf("peak resident %ld KiB\n", ResidentKiB("VmHWM:"));
    std::printf("check: boxed-ok %.1f%% unboxed-ok %.1f%% words-ok %.1f%% confusable-pass %.1f%% "
                "swap-found %.1f%% reverse-found %.1f%% median %.1f ms\n",
                Percent(boxedOk, measured.size()), Percent(unboxedOk, measured.size()),
                Percent(wordsOk, words), Percent(confusablePassed, confusables),
                Percent(swapFound, swaps), Percent(reverseFound, reverses), median);
    return 0;
}
