#include "common/TestEnv.h"

#include "platform/Ideograph.h"
#include "study/CWordListSource.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <QDir>
#include <QFile>
#include <QHash>
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

    // What the dictionary says about an item, written by the generator
    // beside the lists (the dictionary itself is not installed where the
    // tests run).
    struct Facts {
        QStringList m_flags;
        QStringList m_homophones;
    };
    QHash<QString, Facts> m_facts;

    // A line of the core table: a word every list of its grade must ask,
    // and the phrase that asks it where its bare reading does not tell it.
    struct CoreWord {
        QString m_strWord;
        QString m_strReading;
        QString m_strPhrase;
        QString m_strPhraseReading;
    };
    QList<CoreWord> m_core;

    static QString TablePath(const QString& name)
    {
        return QStringLiteral(VELMARIK_SOURCE_DIR "/tools/wordlists/") + name;
    }

    // The rows of a curated table: fields split by TAB, "#" lines and empty
    // ones left out.
    static QList<QStringList> ReadTable(const QString& path)
    {
        QList<QStringList> rows;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return rows;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QString& line : text.split(u'\n')) {
            if (line.trimmed().isEmpty() || line.startsWith(u'#'))
                continue;
            rows.append(line.split(u'\t'));
        }
        return rows;
    }

    static QSet<QString> FirstFields(const QList<QStringList>& rows)
    {
        QSet<QString> set;
        for (const QStringList& row : rows)
            set.insert(row.first());
        return set;
    }

    // The measured faults of earlier lists, kept outside the repository;
    // absent in a clean clone, where the copies in the tables stand in.
    static QList<QStringList> SharedTable(const QString& name)
    {
        return ReadTable(QStringLiteral(VELMARIK_SOURCE_DIR "/../shared/wordlists/") + name);
    }

    static QString Plain(const QString& word) { return RemoveParenthesized(word); }

    // "青い(蒼い)" gives {"蒼い"}
    static QStringList Alternatives(const QString& text)
    {
        static const QRegularExpression alt(QStringLiteral("\\(([^()]+)\\)"));
        QStringList found;
        for (auto it = alt.globalMatch(text); it.hasNext();)
            found.append(it.next().captured(1));
        return found;
    }

    // The noun of a noun+する item ("哀願する" gives "哀願"), else empty;
    // verbs such as 愛する end in する after a single kanji and count too,
    // phrases such as 一線を画する do not.
    static QString SuruNoun(const QString& word)
    {
        const QString plain = Plain(word);
        if (plain.size() < 3 || !plain.endsWith(QStringLiteral("する")))
            return {};
        const QString noun = plain.chopped(2);
        return std::all_of(noun.begin(), noun.end(), IsKanjiLike) ? noun : QString();
    }

    // A short phrase as dictation tests set it: two stretches of kanji
    // joined by a particle or by the ending of the first word (手紙を書く,
    // 暑い夏, 静かな夜), as opposed to a compound verb such as 取り扱う.
    static bool IsPhrase(const QString& word)
    {
        static const QRegularExpression phrase(QStringLiteral(
            "[\\x{4E00}-\\x{9FFF}々][ぁ-ん]*[をがにでとへのもはいくな][\\x{4E00}-\\x{9FFF}々]"));
        return phrase.match(Plain(word)).hasMatch();
    }

    // The word a phrase is built on: what stands before its first particle
    // (電話 of 電話に出る, お金 of お金を下ろす); empty for a word.
    static QString PhraseHead(const QString& plain)
    {
        static const QRegularExpression head(QStringLiteral(
            "^([おご]?[\\x{4E00}-\\x{9FFF}々](?:[^をがにでとへもはの]*?[\\x{4E00}-\\x{9FFF}々])?)"
            "[をがにでとへもはの]"));
        return head.match(plain).captured(1);
    }

    const Facts* FactsOf(const Item& item) const
    {
        const auto it = m_facts.constFind(item.m_strWord + u'\t' + item.m_strReading);
        return it == m_facts.constEnd() ? nullptr : &*it;
    }

    static QString Line(const Item& item) { return item.m_strWord + u'\t' + item.m_strReading; }

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
        const QList<QStringList> facts = ReadTable(TablePath(QStringLiteral("facts.tsv")));
        for (const QStringList& row : facts) {
            QVERIFY2(row.size() == 4, qPrintable(row.join(u'|')));
            Facts f;
            if (row.at(2) != u"-")
                f.m_flags = row.at(2).split(u',');
            if (row.at(3) != u"-")
                f.m_homophones = row.at(3).split(u',');
            m_facts.insert(row.at(0) + u'\t' + row.at(1), f);
        }
        for (const QStringList& row : ReadTable(TablePath(QStringLiteral("core.txt")))) {
            QVERIFY2(row.size() == 2 || row.size() >= 4, qPrintable(row.join(u'|')));
            m_core.append({row.at(0), row.at(1), row.value(2), row.value(3)});
        }
    }

    // Every figure below rests on the facts; facts written for other lists
    // would make them meaningless.
    void factsCoverEveryItem()
    {
        int missing = 0;
        QString example;
        for (const Item& item : std::as_const(m_items)) {
            if (!FactsOf(item)) {
                ++missing;
                example = Line(item);
            }
        }
        QVERIFY2(missing == 0,
                 qPrintable(
                     QStringLiteral("%1 items without facts, e.g. %2").arg(missing).arg(example)));
        QCOMPARE(m_facts.size(), m_items.size());
    }

    // A noun+する item must be a verb people use: not one of the nouns known
    // as plain nouns, and one whose first dictionary sense is a する-verb.
    void noInventedVerbs()
    {
        QSet<QString> notVerbs =
            FirstFields(ReadTable(TablePath(QStringLiteral("suru_not_verbs.txt"))));
        for (const QStringList& row : SharedTable(QStringLiteral("suru_not_verbs.tsv"))) {
            const QString noun = SuruNoun(row.first());
            if (!noun.isEmpty())
                notVerbs.insert(noun);
        }
        QVERIFY(notVerbs.contains(QStringLiteral("交番")));
        int verbs = 0;
        QStringList invented;
        for (const Item& item : std::as_const(m_items)) {
            const QString noun = SuruNoun(item.m_strWord);
            if (noun.isEmpty())
                continue;
            ++verbs;
            const Facts* facts = FactsOf(item);
            // a single kanji with する (愛する, 害する) is a verb of its own
            const bool dictionaryVerb =
                noun.size() == 1 || (facts && facts->m_flags.contains(u"verb"));
            if (notVerbs.contains(noun) || !dictionaryVerb)
                invented.append(item.m_strWord);
        }
        qInfo("noun+する items: %d, invented: %lld %s", verbs, qlonglong(invented.size()),
              qPrintable(invented.mid(0, 10).join(u' ')));
        QVERIFY(verbs > 0);
        QVERIFY2(invented.isEmpty(), qPrintable(invented.join(u' ')));
    }

    // List 6 asks four-character idioms; plain compounds, set terms and
    // jargon (意識不明, 黒物家電) have no place there.
    void listSixIdioms()
    {
        QSet<QString> notIdioms =
            FirstFields(ReadTable(TablePath(QStringLiteral("not_idioms.txt"))));
        notIdioms.unite(FirstFields(SharedTable(QStringLiteral("list6_not_idioms.tsv"))));
        QVERIFY(notIdioms.contains(QStringLiteral("意識不明")));
        const QSet<QString> idioms =
            FirstFields(ReadTable(TablePath(QStringLiteral("idioms.txt"))));
        // a reviewer cannot have judged one entry both ways
        QSet<QString> both = idioms;
        both.intersect(notIdioms);
        QVERIFY2(both.isEmpty(), qPrintable(QStringList(both.values()).join(u' ')));
        int items = 0;
        QStringList compounds;
        QStringList unreviewed;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != 6)
                continue;
            ++items;
            const QString word = Plain(item.m_strWord);
            if (notIdioms.contains(word))
                compounds.append(word);
            else if (!idioms.contains(word))
                unreviewed.append(word);
        }
        qInfo("list 6: %d items, %lld known plain compounds, %lld not among the reviewed idioms "
              "(%.1f%%)",
              items, qlonglong(compounds.size()), qlonglong(unreviewed.size()),
              100.0 * (compounds.size() + unreviewed.size()) / items);
        QVERIFY2(compounds.isEmpty(), qPrintable(compounds.join(u' ')));
        QVERIFY2((compounds.size() + unreviewed.size()) * 100 <= items * 5,
                 qPrintable(unreviewed.mid(0, 20).join(u' ')));
    }

    // The question shows the reading only: a bare reading that is also
    // another common word written differently leaves the learner guessing,
    // unless the other word is the item's own alternative spelling. Such
    // words are asked in a phrase whose reading decides them.
    void homophones()
    {
        QStringList undecided;
        for (const Item& item : std::as_const(m_items)) {
            const Facts* facts = FactsOf(item);
            QVERIFY(facts);
            QStringList others = facts->m_homophones;
            for (const QString& alt : Alternatives(item.m_strWord))
                others.removeAll(alt);
            others.removeAll(Plain(item.m_strWord));
            if (!others.isEmpty())
                undecided.append(Plain(item.m_strWord) + u'/' + others.join(u'/'));
        }
        qInfo("bare readings that name another common word, with nothing to decide them: "
              "%lld of %lld (%.2f%%): %s",
              qlonglong(undecided.size()), qlonglong(m_items.size()),
              100.0 * undecided.size() / m_items.size(), qPrintable(undecided.join(u' ')));
        QVERIFY2(undecided.size() * 100 <= m_items.size(), qPrintable(undecided.join(u' ')));
    }

    // Pairs that must never stand as main and alternative: the alternative is
    // the more usual spelling, or the two are different words.
    void alternatives_data()
    {
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("alternative");
        QTest::newRow("紅い is rarer than 赤い") << u"紅い"_qs << u"赤い"_qs;
        QTest::newRow("唄う is rarer than 歌う") << u"唄う"_qs << u"歌う"_qs;
        QTest::newRow("逢う is rarer than 会う") << u"逢う"_qs << u"会う"_qs;
        QTest::newRow("確乎 is rarer than 確固") << u"確乎"_qs << u"確固"_qs;
        QTest::newRow("叔父 and 伯父 are two uncles") << u"叔父"_qs << u"伯父"_qs;
        QTest::newRow("開く and 空く differ") << u"開く"_qs << u"空く"_qs;
        QTest::newRow("老ける and 化ける differ") << u"老ける"_qs << u"化ける"_qs;
        QTest::newRow("早い and 速い differ") << u"早い"_qs << u"速い"_qs;
        QTest::newRow("いただく is no reading of 戴") << u"頂く"_qs << u"戴く"_qs;
    }

    void alternatives()
    {
        QFETCH(QString, main);
        QFETCH(QString, alternative);
        QSet<QString> allowed;
        for (const QStringList& row : ReadTable(TablePath(QStringLiteral("alternatives.txt"))))
            allowed.insert(row.value(0) + u'(' + row.value(1) + u')');
        QSet<QString> allowedReadings;
        for (const QStringList& row : ReadTable(TablePath(QStringLiteral("alt_readings.txt"))))
            allowedReadings.insert(row.value(0) + u'\t' + row.value(1) + u'(' + row.value(2) +
                                   u')');
        QVERIFY(!allowed.contains(main + u'(' + alternative + u')'));
        int words = 0;
        int readings = 0;
        for (const Item& item : std::as_const(m_items)) {
            const QString plain = Plain(item.m_strWord);
            const QStringList alts = Alternatives(item.m_strWord);
            QVERIFY2(!(plain.startsWith(main) && alts.contains(alternative)),
                     qPrintable(item.m_strWord));
            // an alternative stands right after the main spelling, and only
            // one the tables accept as a common spelling of the same word
            for (const QString& alt : alts) {
                ++words;
                const QString stem = plain.endsWith(QStringLiteral("する")) &&
                                             item.m_strWord.endsWith(QStringLiteral(")する"))
                                         ? plain.chopped(2)
                                         : plain;
                QVERIFY2(allowed.contains(stem + u'(' + alt + u')'), qPrintable(item.m_strWord));
            }
            if (item.m_strReading.contains(u'(')) {
                ++readings;
                // a する-verb shows the noun's alternative reading with する
                static const QRegularExpression suru(QStringLiteral("^(.+)する\\((.+)する\\)$"));
                const QRegularExpressionMatch m = suru.match(item.m_strReading);
                const QString key =
                    plain.endsWith(QStringLiteral("する")) && m.hasMatch()
                        ? plain.chopped(2) + u'\t' + m.captured(1) + u'(' + m.captured(2) + u')'
                        : plain + u'\t' + item.m_strReading;
                QVERIFY2(allowedReadings.contains(key), qPrintable(Line(item)));
            }
        }
        qInfo("alternative spellings: %d, alternative readings: %d, all from the tables", words,
              readings);
    }

    // A learner who writes the alternative is right, so it must be a
    // standard form of the same word: one the dictionary gives with the
    // item's reading, not marked rare, irregular or outdated (締切 beside
    // 締め切り is marked irregular).
    void alternativesStandard()
    {
        int withAlternatives = 0;
        QStringList unknown;
        QStringList rare;
        for (const Item& item : std::as_const(m_items)) {
            if (!item.m_strWord.contains(u'(') && !item.m_strReading.contains(u'('))
                continue;
            ++withAlternatives;
            const Facts* facts = FactsOf(item);
            QVERIFY(facts);
            if (!facts->m_flags.contains(u"alt-known"))
                unknown.append(Line(item));
            if (facts->m_flags.contains(u"alt-rare"))
                rare.append(Line(item));
        }
        qInfo("items with an alternative: %d; not a form the dictionary gives: %lld; a rare "
              "form: %lld",
              withAlternatives, qlonglong(unknown.size()), qlonglong(rare.size()));
        QVERIFY(withAlternatives > 0);
        QVERIFY2(unknown.isEmpty(), qPrintable(unknown.join(u", ")));
        QVERIFY2(rare.isEmpty(), qPrintable(rare.join(u", ")));
    }

    // A word is asked in its usual spelling, never in one the tables know as
    // rarer than another (唄う for 歌う, 紅い for 赤い).
    void usualSpellings()
    {
        QHash<QString, QString> rarer;
        for (const QStringList& row : ReadTable(TablePath(QStringLiteral("spellings.txt"))))
            rarer.insert(row.value(0), row.value(1));
        QCOMPARE(rarer.value(QStringLiteral("唄う")), QStringLiteral("歌う"));
        int found = 0;
        for (const Item& item : std::as_const(m_items)) {
            const QString noun = SuruNoun(item.m_strWord);
            const QString word = noun.isEmpty() ? Plain(item.m_strWord) : noun;
            if (rarer.contains(word)) {
                ++found;
                qInfo("rarer spelling asked: %s (usually %s)", qPrintable(Line(item)),
                      qPrintable(rarer.value(word)));
            }
        }
        qInfo("items in a spelling rarer than the usual one: %d", found);
        QCOMPARE(found, 0);
    }

    // Lists 1 to 4 drill common words (the phrases built of them aside); list
    // 5 the words outside the table a reader meets in print.
    void commonWords_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("minimumPercent");
        QTest::newRow("dic1_std1") << 1 << 95;
        QTest::newRow("dic1_std2") << 2 << 95;
        QTest::newRow("dic1_std3") << 3 << 95;
        QTest::newRow("dic1_std4") << 4 << 95;
        QTest::newRow("dic1_std5") << 5 << 80;
    }

    void commonWords()
    {
        QFETCH(int, list);
        QFETCH(int, minimumPercent);
        int counted = 0;
        int common = 0;
        QStringList rare;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != list || (list < 5 && IsPhrase(item.m_strWord)))
                continue;
            ++counted;
            const Facts* facts = FactsOf(item);
            QVERIFY(facts);
            if (facts->m_flags.contains(u"common"))
                ++common;
            else if (rare.size() < 10)
                rare.append(Plain(item.m_strWord));
            // a word outside the table that is usually written with table
            // kanji belongs to the lists of the table
            QVERIFY2(!facts->m_flags.contains(u"table-spelling"), qPrintable(item.m_strWord));
        }
        qInfo("list %d: common words %d of %d (%.1f%%), not common e.g. %s", list, common, counted,
              100.0 * common / counted, qPrintable(rare.join(u' ')));
        QVERIFY(counted > 0);
        QVERIFY(common * 100 >= counted * minimumPercent);
    }

    // Dictation tests set a share of short phrases with okurigana (手紙を
    // 書く); so does every list of single words.
    void phraseShare_data()
    {
        QTest::addColumn<int>("list");
        for (int list = 1; list <= 5; ++list)
            QTest::newRow(qPrintable(QStringLiteral("list %1").arg(list))) << list;
    }

    void phraseShare()
    {
        QFETCH(int, list);
        int items = 0;
        int phrases = 0;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != list)
                continue;
            ++items;
            if (IsPhrase(item.m_strWord))
                ++phrases;
        }
        qInfo("list %d: phrases %d of %d (%.1f%%)", list, phrases, items, 100.0 * phrases / items);
        QVERIFY(phrases * 100 >= items * 10);
        QVERIFY(phrases * 100 <= items * 25);
    }

    // Words usually written in kana teach a spelling nobody uses; lists 1
    // to 4 ask none. (List 5 may ask a kanji spelling newspapers print.)
    void noKanaWords()
    {
        const QSet<QString> kana =
            FirstFields(ReadTable(TablePath(QStringLiteral("kana_usual.txt"))));
        QVERIFY(kana.contains(QStringLiteral("海老")));
        int found = 0;
        for (const Item& item : std::as_const(m_items)) {
            const Facts* facts = FactsOf(item);
            QVERIFY(facts);
            if (kana.contains(Plain(item.m_strWord)) ||
                (item.m_nList <= 4 && facts->m_flags.contains(u"kana"))) {
                ++found;
                qInfo("usually written in kana: %s", qPrintable(Line(item)));
            }
        }
        qInfo("kana-usual words in lists 1 to 4: %d", found);
        QCOMPARE(found, 0);
    }

    // Items that must not come back: rare readings where the spelling has a
    // common one, and terms that have no place in a learning drill.
    void absent_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("reading");
        QTest::newRow("上田 is うえだ") << u"上田"_qs << u"じょうでん"_qs;
        QTest::newRow("荘厳 is そうごん") << u"荘厳"_qs << u"しょうごん"_qs;
        QTest::newRow("臼歯 is きゅうし") << u"臼歯"_qs << u"うすば"_qs;
        QTest::newRow("blind, said as an insult") << QString() << u"めくら"_qs;
        QTest::newRow("気違い沙汰") << u"気違い沙汰"_qs << QString();
        QTest::newRow("淫売") << u"淫売"_qs << QString();
        QTest::newRow("売春する") << u"売春する"_qs << QString();
        QTest::newRow("強姦する") << u"強姦する"_qs << QString();
        // the usual reading, where the dictionary also gives a rare one
        QTest::newRow("億劫 is おっくう") << u"億劫"_qs << u"おくこう"_qs;
        QTest::newRow("懺悔する is ざんげする") << u"懺悔する"_qs << u"さんげする"_qs;
        QTest::newRow("尻が青い is しりがあおい") << u"尻が青い"_qs << u"けつがあおい"_qs;
        QTest::newRow("避ける is さける") << u"避ける"_qs << u"よける"_qs;
        QTest::newRow("円錐 is えんすい") << u"円錐"_qs << u"まるぎり"_qs;
        QTest::newRow("薬が効く is くすりがきく") << u"薬が効く"_qs << u"やくがきく"_qs;
        QTest::newRow("紅葉する is こうようする") << u"紅葉する"_qs << u"もみじする"_qs;
        QTest::newRow("鳩尾 is みぞおち") << u"鳩尾"_qs << u"みずおち"_qs;
        // a sense the dictionary marks as dialect behind a colon (kyb:)
        QTest::newRow("上せる, Kyoto dialect") << u"上せる"_qs << QString();
        // a word the dictionary marks as offensive (sens)
        QTest::newRow("外人") << u"外人"_qs << QString();
        // place names the learner cannot guess from the reading
        QTest::newRow("広東") << u"広東"_qs << QString();
        QTest::newRow("北京") << u"北京"_qs << QString();
        QTest::newRow("鳴門, a place") << u"鳴門"_qs << QString();
        // archaic or rare words, and readings outside the table
        QTest::newRow("金子 read きんす") << u"金子"_qs << u"きんす"_qs;
        QTest::newRow("外米") << u"外米"_qs << QString();
        QTest::newRow("隻眼") << u"隻眼"_qs << QString();
        QTest::newRow("殉難") << u"殉難"_qs << QString();
        QTest::newRow("曙光") << u"曙光"_qs << QString();
        QTest::newRow("近衛") << u"近衛"_qs << QString();
        QTest::newRow("虫除け: よける is no reading of 除") << u"虫除け"_qs << QString();
        QTest::newRow("斑模様") << u"斑模様"_qs << QString();
        QTest::newRow("関 alone read かん") << u"関"_qs << u"かん"_qs;
        // nouns nobody uses as verbs
        QTest::newRow("受難する") << u"受難する"_qs << QString();
        QTest::newRow("再審する") << u"再審する"_qs << QString();
        // usually written in kana
        QTest::newRow("鶏冠") << u"鶏冠"_qs << QString();
        QTest::newRow("可愛がる") << u"可愛がる"_qs << QString();
        // the question would colour ひ for 檜 and きのふろ for 風呂
        QTest::newRow("檜の風呂") << u"檜の風呂"_qs << QString();
        // fillers, not phrases a teacher sets
        QTest::newRow("健康に良い") << u"健康に良い"_qs << QString();
        QTest::newRow("鳩を飛ばす") << u"鳩を飛ばす"_qs << QString();
        QTest::newRow("鶯が鳴く") << u"鶯が鳴く"_qs << QString();
        QTest::newRow("欅の並木") << u"欅の並木"_qs << QString();
        QTest::newRow("結婚を許す") << u"結婚を許す"_qs << QString();
        // not idioms, or not in their standard form
        QTest::newRow("不可抗力") << u"不可抗力"_qs << QString();
        QTest::newRow("不可思議") << u"不可思議"_qs << QString();
        QTest::newRow("各種各様") << u"各種各様"_qs << QString();
        QTest::newRow("机上空論, said 机上の空論") << u"机上空論"_qs << QString();
        QTest::newRow("正正堂堂, written 正々堂々") << u"正正堂堂"_qs << QString();
        // rare idioms
        QTest::newRow("繁文縟礼") << u"繁文縟礼"_qs << QString();
        QTest::newRow("光風霽月") << u"光風霽月"_qs << QString();
        QTest::newRow("火宅無常") << u"火宅無常"_qs << QString();
    }

    void absent()
    {
        QFETCH(QString, word);
        QFETCH(QString, reading);
        for (const Item& item : std::as_const(m_items)) {
            const bool wordMatches = word.isEmpty() || Plain(item.m_strWord) == word;
            const bool readingMatches = reading.isEmpty() || Plain(item.m_strReading) == reading;
            QVERIFY2(!(wordMatches && readingMatches), qPrintable(Line(item)));
        }
    }

    void noBlockedTerms()
    {
        QSet<QString> whole;
        QStringList parts;
        for (const QStringList& row : ReadTable(TablePath(QStringLiteral("blocked.txt")))) {
            whole.insert(row.first());
            if (row.value(1) == u"part")
                parts.append(row.first());
        }
        QVERIFY(whole.contains(QStringLiteral("強姦")));
        int found = 0;
        for (const Item& item : std::as_const(m_items)) {
            const QString plain = Plain(item.m_strWord);
            const QString noun = SuruNoun(item.m_strWord);
            bool blocked = whole.contains(plain) || (!noun.isEmpty() && whole.contains(noun));
            for (const QString& part : std::as_const(parts))
                blocked = blocked || plain.contains(part);
            if (blocked) {
                ++found;
                qInfo("blocked: %s", qPrintable(Line(item)));
            }
        }
        qInfo("discriminatory or sexual terms: %d", found);
        QCOMPARE(found, 0);
    }

    // One word is asked once: not in two lists, not as a word and as its
    // する-form (質問する beside 質問をする), not as a main spelling where
    // another item shows it as an alternative, and not in two phrases built
    // on it (電話に出る beside 電話を切る, 瞼 beside 瞼を閉じる). A phrase of
    // the core table asks the core words that name it (本を読む asks 読む),
    // any other phrase its head word.
    void noDuplicateWords()
    {
        QHash<QString, QStringList> coreOfPhrase;
        QSet<QString> coreWords;
        for (const CoreWord& core : std::as_const(m_core)) {
            if (core.m_strPhrase.isEmpty())
                coreWords.insert(core.m_strWord);
            else
                coreOfPhrase[core.m_strPhrase].append(core.m_strWord);
        }
        QHash<QString, QString> owner;
        QStringList duplicates;
        const auto claim = [&](const QString& key, const QString& line) {
            const auto it = owner.constFind(key);
            if (it != owner.constEnd() && *it != line)
                duplicates.append(*it + QStringLiteral(" / ") + line);
            else
                owner.insert(key, line);
        };
        int phrases = 0;
        for (const Item& item : std::as_const(m_items)) {
            const QString line = Line(item);
            const QString plain = Plain(item.m_strWord);
            const QString noun = SuruNoun(item.m_strWord);
            const Facts* facts = FactsOf(item);
            QVERIFY(facts);
            // a verb such as 間に合う is a word of its own, not a phrase on 間
            const QString head = facts->m_flags.contains(u"phrase") ? PhraseHead(plain) : QString();
            if (coreOfPhrase.contains(plain)) {
                ++phrases;
                for (const QString& word : coreOfPhrase.value(plain))
                    claim(word, line);
            } else if (!head.isEmpty() && !coreWords.contains(plain)) {
                ++phrases;
                claim(head, line);
                if (head.size() > 1 && (head.startsWith(u'お') || head.startsWith(u'ご')))
                    claim(head.mid(1), line);
            } else {
                claim(noun.isEmpty() ? plain : noun, line);
            }
            for (const QString& alt : Alternatives(item.m_strWord))
                claim(alt.endsWith(QStringLiteral("する")) ? alt.chopped(2) : alt, line);
        }
        qInfo("words asked twice (as words, する-forms, alternatives or in phrases on them, %d "
              "phrases): %lld",
              phrases, qlonglong(duplicates.size()));
        QVERIFY(phrases > 0);
        QVERIFY2(duplicates.isEmpty(), qPrintable(duplicates.mid(0, 10).join(u", ")));
    }

    // Every word of the core table is asked, bare, as its する-form or in the
    // phrase its line names, and so a list holds the everyday words a
    // teacher expects of its grade.
    void coreWordsAsked()
    {
        QVERIFY(m_core.size() > 2000);
        QHash<QString, const Item*> byLine;
        for (const Item& item : std::as_const(m_items))
            byLine.insert(Plain(item.m_strWord) + u'\t' + Plain(item.m_strReading), &item);
        int asked = 0;
        QList<int> perList(7, 0);
        QStringList missing;
        QStringList notInPhrase;
        for (const CoreWord& core : std::as_const(m_core)) {
            const Item* item = nullptr;
            if (!core.m_strPhrase.isEmpty()) {
                item = byLine.value(core.m_strPhrase + u'\t' + core.m_strPhraseReading);
                // the phrase is there to ask the word: it must write it
                if (!core.m_strPhrase.contains(core.m_strWord))
                    notInPhrase.append(core.m_strWord + u'/' + core.m_strPhrase);
            } else {
                item = byLine.value(core.m_strWord + u'\t' + core.m_strReading);
                if (!item)
                    item = byLine.value(core.m_strWord + QStringLiteral("する\t") +
                                        core.m_strReading + QStringLiteral("する"));
            }
            if (item) {
                ++asked;
                ++perList[item->m_nList];
            } else {
                missing.append(core.m_strWord + u'\t' + core.m_strReading);
            }
        }
        qInfo("core words asked: %d of %lld (list 1: %d, list 2: %d, list 3: %d, list 4: %d, "
              "list 5: %d, list 6: %d)",
              asked, qlonglong(m_core.size()), perList.at(1), perList.at(2), perList.at(3),
              perList.at(4), perList.at(5), perList.at(6));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.mid(0, 20).join(u", ")));
        QVERIFY2(notInPhrase.isEmpty(), qPrintable(notInPhrase.join(u", ")));
    }

    // Idioms are written as printed: a kanji repeated within one of the two
    // words takes 々 (正々堂々, 興味津々); where the two words meet, the kanji
    // stays (a word ending and the next beginning with it).
    void listSixIterationMarks()
    {
        int marked = 0;
        QStringList doubled;
        for (const Item& item : std::as_const(m_items)) {
            if (item.m_nList != 6)
                continue;
            const QString word = Plain(item.m_strWord);
            if (word.contains(u'々'))
                ++marked;
            for (qsizetype i : {1, 3}) {
                if (i < word.size() && word.at(i) == word.at(i - 1) && IsIdeograph(word.at(i)))
                    doubled.append(word);
            }
        }
        qInfo("list 6: %d idioms written with 々, %lld with a kanji doubled instead", marked,
              qlonglong(doubled.size()));
        QVERIFY(marked > 0);
        QVERIFY2(doubled.isEmpty(), qPrintable(doubled.join(u' ')));
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
        QVERIFY(joyo.size() * 100 >= 2136 * 99);
        QVERIFY(kanji.size() > joyo.size());
    }
};

QTEST_GUILESS_MAIN(TestWordLists)
#include "tst_wordlists.moc"
