#include "common/TestEnv.h"

#include "platform/Ideograph.h"
#include "study/CWordListSource.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>

// Checks the word lists compiled into the program: the file format the
// loader relies on, the item counts the learning-mode files are laid out by,
// and the content the drill needs (kanji to write, readings the question
// text can be built from, enough kanji outside the table to prefer them).
class TestWordLists : public QObject {
    Q_OBJECT

    struct Item {
        QString m_strWord;
        QString m_strReading;
        int m_nList = 0;
    };

    // the item lines of every list, in list order
    QList<Item> m_items;

    static int ListNumber(int resourceId) { return resourceId - 500; }

    // Splits a CR LF text into lines; fails on a lone CR or LF or on text
    // after the last line end.
    static bool SplitLines(const QString& text, QStringList& lines, QString& why)
    {
        qsizetype start = 0;
        while (start < text.size()) {
            const qsizetype cr = text.indexOf(u'\r', start);
            const qsizetype lf = text.indexOf(u'\n', start);
            if (cr < 0 && lf < 0) {
                why = QStringLiteral("text after the last line end");
                return false;
            }
            if (cr < 0 || lf != cr + 1) {
                why = QStringLiteral("lone CR or LF after line %1").arg(lines.size());
                return false;
            }
            lines.append(text.mid(start, cr - start));
            start = lf + 1;
        }
        return true;
    }

    static bool IsReadingChar(QChar c)
    {
        const char16_t u = c.unicode();
        return (u >= 0x3041 && u <= 0x3096) || u == u'ー' || u == u'゛' || u == u'(' || u == u')';
    }

    // Both sides may carry alternatives: "(" something ")" after the main
    // form, never nested and never empty.
    static bool ParenthesesWellFormed(const QString& text)
    {
        static const QRegularExpression form(QStringLiteral("^[^()]+(\\([^()]+\\)[^()]*)*$"));
        return form.match(text).hasMatch();
    }

    // Walks the word's kana runs through the reading the way the question
    // text is built; false when some run is not found.
    static bool KanaRunsAlign(const QString& word, const QString& reading)
    {
        qsizetype wordPos = 0;
        qsizetype readingPos = 0;
        QString run;
        for (;;) {
            const qsizetype c = NextKanaRun(word, wordPos, run);
            if (c < 0)
                return true;
            const qsizetype runLength = run.size();
            const qsizetype d = FindKanaRun(reading, readingPos + (c > 0 ? 1 : 0), run);
            if (d < 0)
                return false;
            wordPos = c + runLength;
            readingPos = d + run.size();
        }
    }

    // A kana run matched too early in the reading leaves a stretch of kanji
    // with fewer kana than kanji (が of 被害者が出る found inside ひがいしゃ).
    static bool MarkedStretchesFitKanji(const QString& word, const QString& question)
    {
        static const QRegularExpression kanjiRun(QStringLiteral("[\\x{4E00}-\\x{9FFF}々]+"));
        static const QRegularExpression marked(QStringLiteral("<G>(.*?)<N>"));
        QList<qsizetype> kanji;
        for (auto it = kanjiRun.globalMatch(word); it.hasNext();)
            kanji.append(it.next().capturedLength());
        QList<qsizetype> kana;
        for (auto it = marked.globalMatch(question); it.hasNext();)
            kana.append(RemoveParenthesized(it.next().captured(1)).size());
        if (kanji.size() != kana.size())
            return false;
        for (qsizetype i = 0; i < kanji.size(); ++i) {
            if (kana.at(i) < kanji.at(i))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        CWordListSource source;
        for (const WordListInfo& info : kWordLists) {
            const std::optional<QByteArray> data = source.Load(info.m_nResourceId);
            QVERIFY2(data.has_value(), info.m_pszName);
            QStringList lines;
            QString why;
            QVERIFY2(SplitLines(QString::fromUtf8(*data), lines, why), qPrintable(why));
            for (const QString& line : lines) {
                const qsizetype tab = line.indexOf(u'\t');
                if (tab >= 0)
                    m_items.append(
                        {line.left(tab), line.mid(tab + 1), ListNumber(info.m_nResourceId)});
            }
        }
    }

    void format_data()
    {
        QTest::addColumn<int>("resourceId");
        QTest::addColumn<int>("firstGroup");
        QTest::addColumn<int>("lastGroup");
        QTest::addColumn<int>("itemCount");
        QTest::newRow("dic1_std1") << 501 << 5 << 50 << 1238;
        QTest::newRow("dic1_std2") << 502 << 51 << 100 << 1153;
        QTest::newRow("dic1_std3") << 503 << 101 << 150 << 1140;
        QTest::newRow("dic1_std4") << 504 << 151 << 200 << 1165;
        QTest::newRow("dic1_std5") << 505 << 201 << 232 << 625;
        QTest::newRow("dic2_std") << 506 << 5 << 100 << 737;
    }

    void format()
    {
        QFETCH(int, resourceId);
        QFETCH(int, firstGroup);
        QFETCH(int, lastGroup);
        QFETCH(int, itemCount);

        const std::optional<QByteArray> data = CWordListSource().Load(resourceId);
        QVERIFY(data.has_value());
        // a byte-order mark would become part of the first line
        QVERIFY(!data->startsWith("\xEF\xBB\xBF"));
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(*data);
        QVERIFY2(!decoder.hasError(), "not valid UTF-8");

        QStringList lines;
        QString why;
        QVERIFY2(SplitLines(text, lines, why), qPrintable(why));

        // each group: header, at least one item, one empty line
        int expectedGroup = firstGroup;
        int items = 0;
        int itemsInGroup = -1;
        QString previousReading;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = lines.at(i);
            const QString where = QStringLiteral("line %1: %2").arg(i + 1).arg(line);
            if (itemsInGroup < 0) {
                QVERIFY2(line == QStringLiteral("#%1").arg(expectedGroup), qPrintable(where));
                ++expectedGroup;
                itemsInGroup = 0;
            } else if (line.isEmpty()) {
                QVERIFY2(itemsInGroup > 0, qPrintable(where));
                itemsInGroup = -1;
            } else {
                QVERIFY2(line.count(u'\t') == 1, qPrintable(where));
                const QString word = line.section(u'\t', 0, 0);
                const QString reading = line.section(u'\t', 1);
                QVERIFY2(!line.contains(u'<'), qPrintable(where));
                QVERIFY2(ParenthesesWellFormed(word), qPrintable(where));
                QVERIFY2(ParenthesesWellFormed(reading), qPrintable(where));
                QVERIFY2(std::any_of(word.begin(), word.end(), IsIdeograph), qPrintable(where));
                QVERIFY2(std::all_of(reading.begin(), reading.end(), IsReadingChar),
                         qPrintable(where));
                // the groups follow the order of the readings
                QVERIFY2(previousReading <= reading, qPrintable(where));
                previousReading = reading;
                ++itemsInGroup;
                ++items;
            }
        }
        QCOMPARE(itemsInGroup, -1);
        QCOMPARE(expectedGroup - 1, lastGroup);
        QCOMPARE(items, itemCount);
    }

    void noDuplicateLines()
    {
        QSet<QString> seen;
        for (const Item& item : std::as_const(m_items)) {
            const QString line = item.m_strWord + u'\t' + item.m_strReading;
            QVERIFY2(!seen.contains(line), qPrintable(line));
            seen.insert(line);
        }
        QCOMPARE(seen.size(), 6058);
    }

    // The question text marks the stretches of the reading that stand for
    // kanji; it only does so when the word's kana are found in the reading.
    void questionTexts()
    {
        int aligned = 0;
        QStringList misaligned;
        QStringList shortStretches;
        for (const Item& item : std::as_const(m_items)) {
            const QString word = KatakanaToHiragana(RemoveParenthesized(item.m_strWord));
            const QString question =
                MarkReading(word, 0, item.m_strReading, 0, QStringLiteral("G"));
            // the question shows the whole reading, nothing more
            QString shown = question;
            shown.remove(QStringLiteral("<G>")).remove(QStringLiteral("<N>"));
            QCOMPARE(shown, item.m_strReading);
            QVERIFY2(question.contains(QStringLiteral("<G>")), qPrintable(item.m_strWord));
            if (KanaRunsAlign(word, item.m_strReading))
                ++aligned;
            else
                misaligned.append(item.m_strWord + u'\t' + item.m_strReading);
            if (!MarkedStretchesFitKanji(word, question))
                shortStretches.append(item.m_strWord + u'\t' + question);
        }
        const double share = double(aligned) / m_items.size();
        qInfo("kana runs found in the reading: %d of %lld items (%.2f%%)", aligned,
              qlonglong(m_items.size()), 100.0 * share);
        if (!misaligned.isEmpty())
            qInfo("not aligned, for example: %s", qPrintable(misaligned.first()));
        QVERIFY(share >= 0.99);
        qInfo("marked stretches shorter than their kanji: %lld", qlonglong(shortStretches.size()));
        QVERIFY2(shortStretches.size() <= m_items.size() / 100,
                 qPrintable(shortStretches.value(0)));
    }

    void hyogaiShare()
    {
        int hyogai = 0;
        for (const Item& item : std::as_const(m_items)) {
            if (ContainsHyogai(item.m_strWord))
                ++hyogai;
        }
        const double share = double(hyogai) / m_items.size();
        qInfo("items with kanji outside the table: %d of %lld (%.2f%%)", hyogai,
              qlonglong(m_items.size()), 100.0 * share);
        QVERIFY(share >= 0.10);
    }

    // Lists 1 to 4 keep to the table in their main spellings, list 5 always
    // leaves it, so a learner knows where the unmarked and the red words are.
    void grading_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<bool>("hyogai");
        QTest::newRow("dic1_std1") << 1 << false;
        QTest::newRow("dic1_std2") << 2 << false;
        QTest::newRow("dic1_std3") << 3 << false;
        QTest::newRow("dic1_std4") << 4 << false;
        QTest::newRow("dic1_std5") << 5 << true;
    }

    void grading()
    {
        QFETCH(int, list);
        QFETCH(bool, hyogai);
        int checked = 0;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != list)
                continue;
            QVERIFY2(ContainsHyogai(RemoveParenthesized(item.m_strWord)) == hyogai,
                     qPrintable(item.m_strWord));
            ++checked;
        }
        QVERIFY(checked > 0);
    }

    void fourCharacterCompounds()
    {
        int checked = 0;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != 6)
                continue;
            const QString word = RemoveParenthesized(item.m_strWord);
            QCOMPARE(word.size(), 4);
            QVERIFY2(std::all_of(word.begin(), word.end(), IsKanjiLike), qPrintable(word));
            ++checked;
        }
        QCOMPARE(checked, 737);
    }

    void distinctKanji()
    {
        QSet<QChar> kanji;
        QSet<QChar> joyo;
        for (const Item& item : std::as_const(m_items)) {
            for (QChar c : item.m_strWord) {
                if (IsIdeograph(c)) {
                    kanji.insert(c);
                    if (!IsHyogaiKanji(c))
                        joyo.insert(c);
                }
            }
        }
        qInfo("distinct kanji over all words: %lld, of them %lld of the 2136 of the table",
              qlonglong(kanji.size()), qlonglong(joyo.size()));
        // the lists are meant to drill nearly every kanji of the table
        QVERIFY(joyo.size() >= 2100);
        QVERIFY(kanji.size() > joyo.size());
    }
};

QTEST_GUILESS_MAIN(TestWordLists)
#include "tst_wordlists.moc"
