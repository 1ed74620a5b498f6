#include "recognition/CRecognizer.h"
#include "recognition/ModelLocation.h"
#include "recognition/Segmentation.h"
#include "recognition/WritingCheck.h"
#include "text/JoyoKanjiTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

// Speed and accuracy of the writing check on a corpus made at run time from
// the stroke median lines of the npm package hanzi-writer-data. The package
// is fetched with `npm pack` into the build folder (or taken from the folder
// named by VELMARIK_HANZI_DATA); it is never part of the program.
//
// Prints the model load time, the memory it takes, and one summary line:
// recognition: chars N top1 X% top10 Y% words W segmented S% all-correct C%
//              false-accept F% median Z ms
namespace {

// The side of one written character on the sheet, in pixels, as the
// writing sheet's guide boxes have it at the usual window size.
constexpr qreal kCell = 110;
// The package's glyphs live in a 1024 square whose y axis points up from
// 124 below the baseline.
constexpr qreal kGlyphSize = 1024;
constexpr qreal kGlyphTop = 900;

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
QList<QList<QPointF>> LoadMedians(const QString& corpus, const QString& character)
{
    QFile file(corpus + QLatin1Char('/') + character + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QList<QPointF>> medians;
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

// Pen strokes along the medians, placed in a cell of the sheet: points
// about two pixels apart as a mouse gives them, each stroke shifted a little
// and each point trembling a little, from a fixed seed.
InkStrokes WriteMedians(const QList<QList<QPointF>>& medians, const QRectF& cell,
                        QRandomGenerator& random)
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

double Percent(qint64 part, qint64 whole)
{
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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

    const QString corpus = FetchCorpus();
    if (corpus.isEmpty()) {
        std::fprintf(stderr, "no stroke corpus\n");
        return 1;
    }

    QRandomGenerator random(20261209);
    QStringList joyo;
    for (int s = 0; s < kJoyoKanjiStringCount; ++s)
        for (const char16_t* c = JoyoKanjiTable[s]; *c; ++c)
            joyo.append(QString(QChar(*c)));

    // Single kanji, each in a box of its own.
    QHash<QString, QList<QList<QPointF>>> medians;
    QList<double> times;
    qint64 chars = 0, top1 = 0, top10 = 0, falseAccepts = 0;
    const QRectF box(20, 20, kCell, kCell);
    for (int k = 0; k < joyo.size(); ++k) {
        const QList<QList<QPointF>> lines = LoadMedians(corpus, joyo[k]);
        if (lines.isEmpty())
            continue;
        medians.insert(joyo[k], lines);
        const InkStrokes ink = WriteMedians(lines, box, random);
        timer.restart();
        const QStringList candidates =
            recognizer.Classify(NormaliseToFrame(ink, box), kCheckCandidates);
        times.append(timer.nsecsElapsed() / 1e6);
        ++chars;
        const CheckVerdict verdict = JudgeCandidates(joyo[k], candidates);
        top1 += verdict == CheckVerdict::Correct;
        top10 += verdict != CheckVerdict::Wrong;
        // The same writing checked against another kanji of the table must
        // not pass.
        QString other;
        do
            other = joyo[random.bounded(int(joyo.size()))];
        while (other == joyo[k]);
        falseAccepts += JudgeCandidates(other, candidates) == CheckVerdict::Correct;
    }
    std::sort(times.begin(), times.end());
    const double median = times.isEmpty() ? 0 : times[times.size() / 2];

    // Whole words written without boxes, side by side or top to bottom:
    // characters a little uneven in size and place, with gaps of a
    // sixteenth to a quarter of a character between them.
    qint64 words = 0, segmented = 0, allCorrect = 0;
    qint64 horizontalWords = 0, horizontalSegmented = 0, verticalWords = 0, verticalSegmented = 0;
    for (const QString& word : BuiltInWords()) {
        const QStringList characters = CharactersToCheck(word);
        if (characters.size() < 2 ||
            !std::all_of(characters.begin(), characters.end(),
                         [&](const QString& c) { return medians.contains(c); }))
            continue;
        InkStrokes ink;
        QList<int> owner; // which character each stroke belongs to
        // Every fourth word is written top to bottom.
        const bool vertical = words % 4 == 3;
        qreal along = 20;
        for (int i = 0; i < characters.size(); ++i) {
            const qreal size = kCell * (0.9 + 0.1 * random.generateDouble());
            const qreal across = 20 + (random.generateDouble() * 2 - 1) * 4;
            const QRectF cell =
                vertical ? QRectF(across, along, size, size) : QRectF(along, across, size, size);
            const InkStrokes written = WriteMedians(medians[characters[i]], cell, random);
            ink += written;
            owner += QList<int>(written.size(), i);
            along += size + kCell * (0.06 + 0.19 * random.generateDouble());
        }
        ++words;
        // The cut is right when every character gets exactly its own
        // strokes; a right count alone could hide strokes moved across.
        const QList<InkSegment> segments = SegmentCharacters(ink, int(characters.size()));
        bool right = segments.size() == characters.size();
        int next = 0;
        for (int i = 0; right && i < segments.size(); ++i)
            for (int s = 0; right && s < segments[i].strokes.size(); ++s, ++next)
                right = owner.value(next, -1) == i;
        right = right && next == ink.size();
        segmented += right;
        (vertical ? verticalSegmented : horizontalSegmented) += right;
        (vertical ? verticalWords : horizontalWords) += 1;
        const QList<CharacterCheck> checks = CheckWriting(recognizer, ink, word);
        allCorrect += std::all_of(checks.begin(), checks.end(), [](const CharacterCheck& c) {
            return c.verdict == CheckVerdict::Correct;
        });
    }

    std::printf("peak resident %ld KiB\n", ResidentKiB("VmHWM:"));
    std::printf("segmented side by side %lld of %lld, top to bottom %lld of %lld\n",
                horizontalSegmented, horizontalWords, verticalSegmented, verticalWords);
    std::printf("recognition: chars %lld top1 %.1f%% top10 %.1f%% words %lld segmented %.1f%% "
                "all-correct %.1f%% false-accept %.2f%% median %.2f ms\n",
                chars, Percent(top1, chars), Percent(top10, chars), words,
                Percent(segmented, words), Percent(allCorrect, words), Percent(falseAccepts, chars),
                median);
    return 0;
}
