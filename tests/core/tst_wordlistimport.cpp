#include "common/TestEnv.h"

#include "study/WordListImport.h"
#include "text/ReadingCheck.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WordListImport::Failure)

namespace {

QString Taken(const QList<ImportRow>& rows)
{
    QStringList shown;
    for (const ImportRow& row : rows) {
        shown << u"%1:%2"_s.arg(row.m_nLine).arg(row.ItemText().replace(u'\t', u'='));
        if (!row.m_strNote.isEmpty())
            shown.last() += u" ("_s + row.m_strNote + u')';
    }
    return shown.join(u" / ");
}

QString Refused(const QList<RefusedRow>& rows)
{
    static const char* const kNames[] = {"no kanji", "no reading", "not kana", "too long",
                                         "repeat",   "unclosed",   "too many"};
    QStringList shown;
    for (const RefusedRow& row : rows) {
        shown << u"%1:%2"_s.arg(row.m_nLine).arg(QLatin1String(kNames[int(row.m_problem)]));
        if (row.m_problem == ImportProblem::Repeat)
            shown.last() += u"@"_s + QString::number(row.m_nFirstLine);
    }
    return shown.join(u" / ");
}

// What every taken row must be, whatever the file held: an item line of
// the word lists that the drill can show.
void CheckTakenRow(const ImportRow& row)
{
    QVERIFY(row.m_nLine >= 1);
    QVERIFY(!row.m_strWord.isEmpty());
    QVERIFY(!row.m_strWord.startsWith(u'#'));
    for (QChar c : row.m_strWord + row.m_strNote)
        QVERIFY(c != u'\t' && c != u'\r' && c != u'\n' && c != u'\0');
    QVERIFY(row.m_strWord.size() <= kMaxImportWordLength);
    QVERIFY(row.m_strReading.size() <= kMaxImportReadingLength);
    QCOMPARE(ReadingInHiragana(row.m_strReading), std::optional<QString>(row.m_strReading));
}

} // namespace

class TestWordListImport : public QObject {
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("uncoloured");
        QTest::addColumn<QString>("refused");

        QTest::newRow("tab-separated with a note")
            << u"日本語\tにほんご\tJapanese\r\n食べる\tたべる\r\n"_s
            << u"1:日本語=にほんご (Japanese) / 2:食べる=たべる"_s << QString() << QString();
        QTest::newRow("comma-separated, quoted")
            << u"\"愛想\",\"あいそ(あいそう)\",\"kind, friendly\"\n鼻が高い,はながたかい\n"_s
            << u"1:愛想=あいそ(あいそう) (kind, friendly) / 2:鼻が高い=はながたかい"_s << QString()
            << QString();
        QTest::newRow("katakana reading and spaces")
            << u"  引火 \t インカ \n"_s << u"1:引火=いんか"_s << QString() << QString();
        QTest::newRow("blank rows and comments skipped")
            << u"# my words\n\n\t\n日本\tにほん\n"_s << u"4:日本=にほん"_s << QString()
            << QString();
        QTest::newRow("every reason")
            << u"ひらがな\tひらがな\n本\t\n本\thon\n日本\tにほん\n日本\tにほん\n食べる\tたべた\n"_s
               u"\"本\"\t\"ほん\n"_s
            << u"4:日本=にほん"_s << u"6:食べる=たべた"_s
            << u"1:no kanji / 2:no reading / 3:not kana / 5:repeat@4 / 7:unclosed"_s;
        QTest::newRow("same word, other reading")
            << u"上手\tじょうず\n上手\tうわて\n"_s << u"1:上手=じょうず / 2:上手=うわて"_s
            << QString() << QString();
        QTest::newRow("a repeat of an uncoloured row")
            << u"食べる\tたべた\n食べる\tたべた\n"_s << QString() << u"1:食べる=たべた"_s
            << u"2:repeat@1"_s;
        QTest::newRow("too long") << QString(41, u'字') + u"\tじ\n"_s + u"字\t"_s +
                                         QString(81, u'じ') + u"\n"_s
                                  << QString() << QString() << u"1:too long / 2:too long"_s;
        QTest::newRow("line numbers count breaks inside fields")
            << u"\"日本\",\"にほん\",\"two\nlines\"\n食べる,たべる\n"_s
            << u"1:日本=にほん (two lines) / 3:食べる=たべる"_s << QString() << QString();

        // Anki's plain-text export of notes, with its header lines.
        QTest::newRow("anki notes")
            << u"#separator:tab\n#html:true\n#notetype column:1\n#tags column:5\n"_s
               u"Basic\t<b>日本語</b>\tにほんご\tJapanese<br>language\ttag1\n"_s
               u"Basic\t食[た]べる\t 食[た]べる\teat\ttag2\n"_s
            << u"5:日本語=にほんご (Japanese language) / 6:食べる=たべる (eat)"_s << QString()
            << QString();
        QTest::newRow("anki comma separator")
            << u"#separator:Comma\n日本,にほん\n"_s << u"2:日本=にほん"_s << QString() << QString();
        QTest::newRow("anki furigana in the word, meaning beside it")
            << u"日本[にほん] 語[ご]\tJapanese\n"_s << u"1:日本語=にほんご (Japanese)"_s
            << QString() << QString();
        QTest::newRow("anki references and sound")
            << u"日本&nbsp;\tに&#x307B;ん[sound:nihon.mp3]\n"_s << u"1:日本=にほん"_s << QString()
            << QString();
    }
    void rows()
    {
        QFETCH(QString, text);
        QFETCH(QString, taken);
        QFETCH(QString, uncoloured);
        QFETCH(QString, refused);
        const WordListImport import = ParseWordList(text.toUtf8());
        QCOMPARE(import.m_failure, WordListImport::Failure::None);
        QCOMPARE(Taken(import.m_rows), taken);
        QCOMPARE(Taken(import.m_uncoloured), uncoloured);
        QCOMPARE(Refused(import.m_refused), refused);
    }

    void refusedRowShowsItsText()
    {
        const WordListImport import = ParseWordList(u"ひらがな\tひらがな\n"_s.toUtf8());
        QCOMPARE(import.m_refused.size(), 1);
        QCOMPARE(import.m_refused[0].m_strText, u"ひらがな  ひらがな"_s);
        QCOMPARE(DescribeImportProblem(import.m_refused[0]), u"語句に漢字がありません"_s);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"日本語\tにほんご\r\n"_s;
        QTest::newRow("utf-8") << text.toUtf8();
        QTest::newRow("shift_jis") << QByteArray(QStringEncoder("Shift_JIS").encode(text));
        QByteArray utf16 = QStringEncoder(QStringConverter::Utf16LE).encode(text);
        QTest::newRow("utf-16") << utf16.prepend("\xFF\xFE");
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        const WordListImport import = ParseWordList(bytes);
        QCOMPARE(import.m_detection.m_outcome, TextDetection::Outcome::Sure);
        QCOMPARE(Taken(import.m_rows), u"1:日本語=にほんご"_s);
    }

    // When the detection is unsure the rows are read with the likeliest
    // encoding, and the learner's choice reads them again.
    void chosenEncoding()
    {
        const QByteArray bytes = QStringEncoder("Shift_JIS").encode(u"日本\tにほん\n"_s);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(ParseWordList(bytes, TextEncoding::Utf8).m_failure,
                 WordListImport::Failure::NotText);
        const WordListImport import = ParseWordList(bytes, TextEncoding::ShiftJis);
        QCOMPARE(import.m_encoding, TextEncoding::ShiftJis);
        QCOMPARE(Taken(import.m_rows), u"1:日本=にほん"_s);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<WordListImport::Failure>("failure");
        using F = WordListImport::Failure;
        QTest::newRow("empty") << QByteArray() << F::Empty;
        QTest::newRow("binary") << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10)
                                << F::NotText;
        QTest::newRow("no encoding reads it") << "\x80\xFD\xFE\xFF\x80\x80"_ba << F::NotText;
        QTest::newRow("only comments") << "#deck:x\n\n"_ba << F::NoRows;
        QTest::newRow("too large") << QByteArray(kMaxImportFileSize + 1, 'a') << F::TooLarge;
    }
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(WordListImport::Failure, failure);
        const WordListImport import = ParseWordList(bytes);
        QCOMPARE(import.m_failure, failure);
        QVERIFY(import.m_rows.isEmpty());
        QVERIFY(!DescribeImportFailure(import).isEmpty());
    }

    void files()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(u"missing.txt"_s);
        QCOMPARE(ReadWordListFile(missing).m_failure, WordListImport::Failure::Unreadable);

        // A file of 100 MB is refused by its size, without being read.
        QFile huge(dir.filePath(u"huge.txt"_s));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(100 << 20));
        huge.close();
        QCOMPARE(ReadWordListFile(huge.fileName()).m_failure, WordListImport::Failure::TooLarge);

        QFile good(dir.filePath(u"good.csv"_s));
        QVERIFY(good.open(QIODevice::WriteOnly));
        good.write(u"日本,にほん\n"_s.toUtf8());
        good.close();
        QCOMPARE(Taken(ReadWordListFile(good.fileName()).m_rows), u"1:日本=にほん"_s);
    }

    void endlessRow()
    {
        const QString text = u"日本\t"_s + QString(1000000, u'に') + u"\n食べる\tたべる\n"_s;
        const WordListImport import = ParseWordList(text.toUtf8());
        QCOMPARE(Refused(import.m_refused), u"1:too long"_s);
        QVERIFY(import.m_refused[0].m_strText.size() <= 61);
        QCOMPARE(Taken(import.m_rows), u"2:食べる=たべる"_s);
    }

    void fullList()
    {
        QString text;
        for (int k = 0; k <= kMaxOwnListItems; ++k)
            text += u"語%1\tご\n"_s.arg(k);
        const WordListImport import = ParseWordList(text.toUtf8());
        QCOMPARE(import.m_rows.size() + import.m_uncoloured.size(), kMaxOwnListItems);
        QCOMPARE(Refused(import.m_refused), u"%1:too many"_s.arg(kMaxOwnListItems + 1));
    }

    // Whatever the bytes, the import ends, and what it takes is a proper item.
    void randomBytes()
    {
        QRandomGenerator random(20240611);
        const QByteArray seed =
            u"日本語\tにほんご\tnote\r\n\"愛想\",\"あいそ\"\r\n#c\r\n食[た]べる\tたべる\r\n"_s
                .toUtf8();
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes;
            if (round % 2 == 0) {
                bytes.resize(random.bounded(1, 600));
                for (char& c : bytes)
                    c = char(random.bounded(256));
            } else {
                // A real list with a few bytes changed, removed or added.
                bytes = seed.repeated(random.bounded(1, 4));
                for (int edits = random.bounded(1, 8); edits > 0; --edits) {
                    const qsizetype at = random.bounded(bytes.size());
                    switch (random.bounded(3)) {
                    case 0:
                        bytes[at] = char(random.bounded(256));
                        break;
                    case 1:
                        bytes.remove(at, 1);
                        break;
                    default:
                        bytes.insert(at, char(random.bounded(256)));
                    }
                    if (bytes.isEmpty())
                        bytes = seed;
                }
            }
            const WordListImport import = ParseWordList(bytes);
            if (import.m_failure != WordListImport::Failure::None) {
                QVERIFY(import.m_rows.isEmpty() && import.m_uncoloured.isEmpty());
                QVERIFY(!DescribeImportFailure(import).isEmpty());
                continue;
            }
            int lastLine = 0;
            for (const ImportRow& row : import.m_rows + import.m_uncoloured) {
                CheckTakenRow(row);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(
                        u"round %1: %2"_s.arg(round).arg(QString::fromLatin1(bytes.toHex()))));
            }
            for (const ImportRow& row : import.m_rows) {
                QVERIFY(row.m_nLine > lastLine);
                lastLine = row.m_nLine;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestWordListImport)
#include "tst_wordlistimport.moc"
