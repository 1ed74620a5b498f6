#include "common/TestEnv.h"

#include "text/AnkiText.h"
#include "text/DelimitedText.h"
#include "text/ReadingCheck.h"
#include "text/TextDecoding.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)
Q_DECLARE_METATYPE(TextDetection::Outcome)

namespace {

QByteArray Encode(const QString& text, const char* encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

const QString kList = u"日本語\tにほんご\r\n食べる\tたべる\r\n"_s;

} // namespace

// The text services an import rests on: the encoding of a file, its records
// and fields, Anki's markup, and whether a reading fits its word.
class TestImportText : public QObject {
    Q_OBJECT

private slots:
    void detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextDetection::Outcome>("outcome");
        QTest::addColumn<TextEncoding>("encoding");
        using O = TextDetection::Outcome;
        QTest::newRow("utf-8") << kList.toUtf8() << O::Sure << TextEncoding::Utf8;
        QTest::newRow("utf-8 with mark")
            << "\xEF\xBB\xBF"_ba + kList.toUtf8() << O::Sure << TextEncoding::Utf8;
        QTest::newRow("utf-16le with mark")
            << Encode(kList, "UTF-16LE").prepend("\xFF\xFE") << O::Sure << TextEncoding::Utf16LE;
        QTest::newRow("utf-16be with mark")
            << Encode(kList, "UTF-16BE").prepend("\xFE\xFF") << O::Sure << TextEncoding::Utf16BE;
        QTest::newRow("utf-16le without mark")
            << Encode(kList, "UTF-16LE") << O::Sure << TextEncoding::Utf16LE;
        QTest::newRow("utf-16be without mark")
            << Encode(kList, "UTF-16BE") << O::Sure << TextEncoding::Utf16BE;
        QTest::newRow("shift_jis")
            << Encode(kList, "Shift_JIS") << O::Sure << TextEncoding::ShiftJis;
        QTest::newRow("plain ascii") << "word,reading\r\n"_ba << O::Sure << TextEncoding::Utf8;
        // Latin letters with accents read as UTF-8 and, as half-width
        // katakana, as Shift_JIS alike: only the learner knows.
        QTest::newRow("either") << "caf\xC3\xA9,word\r\n"_ba << O::Unsure << TextEncoding::Utf8;
        QTest::newRow("binary") << "\x7F"
                                   "ELF\x02\x01\x01\x00\x00\x00\x00\x07"_ba
                                << O::NotText << TextEncoding::Utf8;
        QTest::newRow("bytes no encoding reads")
            << "\x80\xFD\xFE\xFF\x80"_ba << O::NotText << TextEncoding::Utf8;
        QTest::newRow("broken utf-8 after a mark")
            << "\xEF\xBB\xBF\xE6\x97"_ba << O::NotText << TextEncoding::Utf8;
        QTest::newRow("odd utf-16") << "\xFF\xFE\x41"_ba << O::NotText << TextEncoding::Utf8;
        QTest::newRow("lone surrogate")
            << "\xFF\xFE\x00\xD8\x41\x00"_ba << O::NotText << TextEncoding::Utf8;
    }
    void detection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextDetection::Outcome, outcome);
        QFETCH(TextEncoding, encoding);
        const TextDetection detection = DetectTextEncoding(bytes);
        QCOMPARE(detection.m_outcome, outcome);
        if (outcome == TextDetection::Outcome::NotText) {
            QVERIFY(detection.m_candidates.isEmpty());
            return;
        }
        QCOMPARE(detection.m_encoding, encoding);
        QCOMPARE(detection.m_candidates.first(), encoding);
        QCOMPARE(detection.m_candidates.size() > 1, outcome == TextDetection::Outcome::Unsure);
        QVERIFY(DecodeText(bytes, encoding).has_value());
    }

    void decodeDropsMarkAndRefusesFaults()
    {
        QCOMPARE(DecodeText("\xEF\xBB\xBF"
                            "a"_ba,
                            TextEncoding::Utf8),
                 u"a"_s);
        QCOMPARE(DecodeText(Encode(kList, "Shift_JIS"), TextEncoding::ShiftJis), kList);
        QCOMPARE(DecodeText("\xFE\xFF\x30\x42"_ba, TextEncoding::Utf16BE), u"あ"_s);
        QVERIFY(!DecodeText("a\0b"_ba, TextEncoding::Utf8));
        QVERIFY(!DecodeText("\xC0\xAF"_ba, TextEncoding::Utf8));     // overlong
        QVERIFY(!DecodeText("\xED\xA0\x80"_ba, TextEncoding::Utf8)); // encoded surrogate
        QVERIFY(!DecodeText("\x93"_ba, TextEncoding::ShiftJis));     // lead byte without trail
    }

    void records_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        // Records as "line:field|field" joined by " / "; "!" marks an
        // unclosed quote.
        QTest::addColumn<QString>("expected");
        QTest::newRow("tabs") << u"a\tb\r\nc\td\r\n"_s << u"\t"_s << u"1:a|b / 2:c|d"_s;
        QTest::newRow("last line without break") << u"a,b\nc"_s << u","_s << u"1:a|b / 2:c"_s;
        QTest::newRow("lone cr") << u"a\rb"_s << u","_s << u"1:a / 2:b"_s;
        QTest::newRow("empty line") << u"a\n\nb\n"_s << u","_s << u"1:a / 2: / 3:b"_s;
        QTest::newRow("quoted comma") << u"\"a,b\",c"_s << u","_s << u"1:a,b|c"_s;
        QTest::newRow("doubled quote")
            << u"\"say \"\"hi\"\"\",x"_s << u","_s << u"1:say \"hi\"|x"_s;
        QTest::newRow("line break in a field")
            << u"\"a\r\nb\",c\r\nd,e"_s << u","_s << u"1:a\r\nb|c / 3:d|e"_s;
        QTest::newRow("quote inside a plain field") << u"a\"b,c"_s << u","_s << u"1:a\"b|c"_s;
        QTest::newRow("text after a closing quote") << u"\"a\"b,c"_s << u","_s << u"1:ab|c"_s;
        QTest::newRow("empty fields") << u",,\n"_s << u","_s << u"1:||"_s;
        QTest::newRow("unclosed quote")
            << u"a,b\n\"c,d\ne,f\n"_s << u","_s << u"1:a|b / 2:!c,d\ne,f\n"_s;
    }
    void records()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(QString, expected);
        QStringList shown;
        for (const DelimitedRecord& record : ParseDelimitedText(text, delimiter.front(), 1000)) {
            shown << QString::number(record.m_nLine) + u':' +
                         (record.m_bUnclosedQuote ? u"!"_s : QString()) +
                         record.m_fields.join(u'|');
        }
        QCOMPARE(shown.join(u" / "), expected);
    }

    void longRecordKeepsItsStart()
    {
        const QString text = QString(1000000, u'x') + u"\tb\nnext\tline\n"_s;
        const QList<DelimitedRecord> records = ParseDelimitedText(text, u'\t', 100);
        QCOMPARE(records.size(), 2);
        QVERIFY(records[0].m_bTooLong);
        QCOMPARE(records[0].m_fields.join(QString()).size(), 100);
        QCOMPARE(records[1].m_nLine, 2);
        QCOMPARE(records[1].m_fields, (QStringList{u"next"_s, u"line"_s}));
        QVERIFY(!records[1].m_bTooLong);
    }

    // What the writer makes, the reader reads back field for field.
    void csvRoundTrip()
    {
        const QList<QStringList> rows{
            {u"dic1_std1"_s, u"愛想"_s, u"あいそ(あいそう)"_s, u"0"_s},
            {u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s, QString()},
            {QString(), u" spaced "_s, u"\n"_s, u"\""_s},
        };
        QString text;
        for (const QStringList& row : rows)
            text += FormatCsvRecord(row);
        QVERIFY(text.endsWith(u"\r\n"));
        const QList<DelimitedRecord> records = ParseDelimitedText(text, u',', 1000);
        QCOMPARE(records.size(), rows.size());
        for (qsizetype k = 0; k < rows.size(); ++k)
            QCOMPARE(records[k].m_fields, rows[k]);
        QCOMPARE(FormatCsvRecord({u"a"_s, u"b"_s}), u"a,b\r\n"_s);
    }

    void ankiField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("plain");
        QTest::newRow("tags") << u"<b>食べる</b>"_s << u"食べる"_s;
        QTest::newRow("line break parts") << u"食べる<br>eat<div>x</div>"_s << u"食べる eat x"_s;
        QTest::newRow("references")
            << u"A&amp;B&nbsp;&lt;c&gt; &#x65E5;&#26412;"_s << u"A&B <c> 日本"_s;
        QTest::newRow("unknown reference stays") << u"&bogus; &#0;"_s << u"&bogus; &#0;"_s;
        QTest::newRow("sound") << u"食べる[sound:taberu.mp3]"_s << u"食べる"_s;
        QTest::newRow("lone angle bracket") << u"a < b"_s << u"a < b"_s;
    }
    void ankiField()
    {
        QFETCH(QString, field);
        QFETCH(QString, plain);
        QCOMPARE(PlainAnkiField(field), plain);
    }

    void furigana_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("reading");
        QTest::newRow("whole word") << u"日本語[にほんご]"_s << u"日本語"_s << u"にほんご"_s;
        QTest::newRow("with okurigana") << u"食[た]べる"_s << u"食べる"_s << u"たべる"_s;
        QTest::newRow("space ends a base")
            << u"日本[にほん] 語[ご]"_s << u"日本語"_s << u"にほんご"_s;
        QTest::newRow("kana before the next base")
            << u"食[た]べ 物[もの]"_s << u"食べ物"_s << u"たべもの"_s;
        QTest::newRow("no brackets") << u"食べる"_s << u"食べる"_s << u"食べる"_s;
        QTest::newRow("empty brackets") << u"a[]"_s << u"a[]"_s << u"a[]"_s;
        QTest::newRow("unclosed") << u"食[た"_s << u"食[た"_s << u"食[た"_s;
    }
    void furigana()
    {
        QFETCH(QString, text);
        QFETCH(QString, base);
        QFETCH(QString, reading);
        QCOMPARE(FuriganaBase(text), base);
        QCOMPARE(FuriganaReading(text), reading);
        QCOMPARE(HasFurigana(text), base != text);
    }

    void reading_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("hiragana"); // empty: refused
        QTest::newRow("hiragana") << u"ほんかい"_s << u"ほんかい"_s;
        QTest::newRow("katakana") << u"ガソリン"_s << u"がそりん"_s;
        QTest::newRow("prolonged mark") << u"らーめん"_s << u"らーめん"_s;
        QTest::newRow("alternative") << u"あいそ(あいそう)"_s << u"あいそ(あいそう)"_s;
        QTest::newRow("full-width parentheses")
            << u"あいそ（あいそう）"_s << u"あいそ（あいそう）"_s;
        QTest::newRow("kanji") << u"本かい"_s << QString();
        QTest::newRow("latin") << u"honkai"_s << QString();
        QTest::newRow("inner space") << u"ほん かい"_s << QString();
        QTest::newRow("unbalanced") << u"あいそ(あいそう"_s << QString();
        QTest::newRow("nested") << u"あ((い))"_s << QString();
        QTest::newRow("only an alternative") << u"(あ)"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("unconverted katakana") << u"ヶ"_s << QString();
    }
    void reading()
    {
        QFETCH(QString, reading);
        QFETCH(QString, hiragana);
        QCOMPARE(ReadingInHiragana(reading).value_or(QString()), hiragana);
    }

    void fits_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<bool>("fits");
        QTest::newRow("okurigana") << u"本懐を遂げる"_s << u"ほんかいをとげる"_s << true;
        QTest::newRow("no kana") << u"吸収合併"_s << u"きゅうしゅうがっぺい"_s << true;
        QTest::newRow("katakana opens")
            << u"ガソリンに引火する"_s << u"がそりんにいんかする"_s << true;
        QTest::newRow("iteration mark") << u"初々しい"_s << u"ういういしい"_s << true;
        QTest::newRow("alternative word") << u"渾名(綽名)で呼ぶ"_s << u"あだなでよぶ"_s << true;
        QTest::newRow("alternative reading") << u"愛想"_s << u"あいそ(あいそう)"_s << true;
        QTest::newRow("alternative travels")
            << u"雨露を凌ぐ"_s << u"うろ(あめつゆ)をしのぐ"_s << true;
        QTest::newRow("okurigana missing") << u"食べる"_s << u"たべた"_s << false;
        QTest::newRow("kanji without reading") << u"遂げる"_s << u"げる"_s << false;
        QTest::newRow("reading left after final kana") << u"食べる"_s << u"たべるよ"_s << false;
        QTest::newRow("reading before opening kana") << u"お茶"_s << u"ごおちゃ"_s << false;
        QTest::newRow("opening kana") << u"お茶"_s << u"おちゃ"_s << true;
        QTest::newRow("kanji at the end unread") << u"お茶"_s << u"お"_s << false;
        QTest::newRow("punctuation not in the reading") << u"壱、壹"_s << u"いち"_s << false;
    }
    void fits()
    {
        QFETCH(QString, word);
        QFETCH(QString, reading);
        QFETCH(bool, fits);
        QCOMPARE(ReadingFitsWord(word, reading), fits);
    }
};

QTEST_GUILESS_MAIN(TestImportText)
#include "tst_importtext.moc"
