// Romaji conversion on pasted text of growing size. The time per run should
// grow in proportion to the size for every kind of text, including long runs
// of consonants that never meet a vowel (the pending letters then pile up).

#include "text/RomajiConversion.h"

#include <QTest>

class BenchRomaji : public QObject {
    Q_OBJECT

private slots:
    void romajiToKana_data();
    void romajiToKana();
};

void BenchRomaji::romajiToKana_data()
{
    QTest::addColumn<QString>("text");

    const struct {
        const char* name;
        QString unit;
        bool vowelAtEnd;
    } kinds[] = {
        {"words", QStringLiteral("kon'nichiha, gakkou de kanji wo benkyou shimasu. "), false},
        {"consonants", QStringLiteral("bcdfghjklmpqrstvwxz"), false},
        {"consonants+vowel", QStringLiteral("bcdfghjklmpqrstvwxz"), true},
        {"n and y", QStringLiteral("ny"), false},
        {"kana", QStringLiteral("かんじのべんきょう"), false},
    };
    for (const auto& kind : kinds) {
        for (int kilo : {10, 100, 1000}) {
            const qsizetype size = qsizetype(kilo) * 1000;
            QString text = kind.unit.repeated(size / kind.unit.size() + 1).left(size);
            if (kind.vowelAtEnd)
                text.back() = QLatin1Char('a');
            QTest::addRow("%s %dK", kind.name, kilo) << text;
        }
    }
}

void BenchRomaji::romajiToKana()
{
    QFETCH(QString, text);
    QString result;
    QBENCHMARK
    {
        result = RomajiToKana(text);
    }
    QVERIFY(result.size() <= text.size() * 3);
}

QTEST_GUILESS_MAIN(BenchRomaji)
#include "bench_romaji.moc"
