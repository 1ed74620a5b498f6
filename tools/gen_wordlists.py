#!/usr/bin/env python3
"""Builds the six built-in word lists from the installed EDRDG dictionary files.

    python3 tools/gen_wordlists.py [--edict FILE] [--kanjidic FILE] [--out DIR]

Reads Debian's edict and kanjidic packages (EUC-JP) and the curated tables
in tools/wordlists, and writes resources/wordlists/dic1_std1.txt ...
dic2_std.txt and tools/wordlists/facts.tsv (what the dictionary says of each
chosen item, for the test of the lists). The same input files always give
the same bytes: every choice is made over sorted data.
resources/wordlists/README.md explains what each list holds.
"""

import argparse
import os
import re
import sys
from collections import defaultdict

EDICT = "/usr/share/edict/edict"
TABLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wordlists")
KANJIDIC = "/usr/share/edict/kanjidic"

# Not in JIS X 0208, so kanjidic lacks the forms printed in the table; these
# are the forms in wide use that the program's table holds instead.
JOYO_EXTRA = "叱填剥頬"

# (file name, first group, last group, item count)
LISTS = [
    ("dic1_std1.txt", 5, 50, 1238),
    ("dic1_std2.txt", 51, 100, 1153),
    ("dic1_std3.txt", 101, 150, 1140),
    ("dic1_std4.txt", 151, 200, 1165),
    ("dic1_std5.txt", 201, 232, 625),
    ("dic2_std.txt", 5, 100, 737),
]


# ---- curated tables -----------------------------------------------------------

def read_table(name, fields=1):
    """The rows of a table in tools/wordlists: one entry a line, fields split
    by TAB, a "#" line or an empty one ignored. A row has at least `fields`
    fields; what follows them (a reason) is kept as the last field."""
    rows = []
    with open(os.path.join(TABLES, name), encoding="utf-8") as f:
        for n, line in enumerate(f, start=1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.split("\t")
            if len(parts) < fields or any(not p for p in parts[:fields]):
                sys.exit("%s:%d: expected %d fields" % (name, n, fields))
            rows.append(parts)
    return rows


class Tables:
    def __init__(self):
        # nouns whose dictionary entry allows する but that nobody uses as a verb
        self.not_verbs = {r[0] for r in read_table("suru_not_verbs.txt")}
        # four-character entries that are plain compounds, set terms or jargon
        self.not_idioms = {r[0] for r in read_table("not_idioms.txt")}
        # four-character idioms reviewed as such, best known first
        self.idioms = [(r[0], r[1] if len(r) > 1 else None) for r in read_table("idioms.txt")]
        self.idiom_set = {w for w, _ in self.idioms}
        # words that do not belong in a learning drill
        rows = read_table("blocked.txt")
        self.blocked = {r[0] for r in rows}
        self.blocked_parts = [r[0] for r in rows if len(r) > 1 and r[1] == "part"]
        # words dropped for a reason of their own (odd reading, curiosity...)
        self.excluded = {r[0] for r in read_table("exclude.txt")}
        # words usually written in kana, whatever the dictionary says
        self.kana_usual = {r[0] for r in read_table("kana_usual.txt")}
        # spellings less usual than another of the same word: rare, usual
        self.spellings = {r[0]: r[1] for r in read_table("spellings.txt", 2)}
        # the usual reading of a spelling read in several common ways
        self.readings = {r[0]: r[1] for r in read_table("readings.txt", 2)}
        # spelling alternatives worth showing: main, alternative, in the
        # table's order
        self.alt_words = [(r[0], r[1]) for r in read_table("alternatives.txt", 2)]
        # reading alternatives worth showing: word, main reading, alternative
        self.alt_readings = {(r[0], r[1], r[2]) for r in read_table("alt_readings.txt", 3)}
        # words the dictionary does not mark common that a reader meets in
        # newspapers and novels all the same (語彙, 聡明)
        self.common = {r[0] for r in read_table("common.txt")}
        # phrases that decide between words of the same reading
        self.phrases = [(r[0], r[1]) for r in read_table("phrases.txt", 2)]
        # the everyday words every list must ask: word, reading and, where
        # the bare reading does not tell the word, the phrase that asks it
        self.core = []
        for n, r in enumerate(read_table("core.txt", 2)):
            if len(r) == 3:
                sys.exit("core.txt: a phrase without its reading: %s" % "\t".join(r))
            self.core.append((r[0], r[1], (r[2], r[3]) if len(r) >= 4 else None))

    def alternatives_of(self, word):
        return [a for m, a in self.alt_words if m == word]

    def is_blocked(self, word):
        return word in self.blocked or any(b in word for b in self.blocked_parts)


# ---- characters -------------------------------------------------------------

def is_ideograph(c):
    o = ord(c)
    return 0x4E00 <= o <= 0x9FFF or 0x3400 <= o <= 0x4DBF or 0xF900 <= o <= 0xFAFF


def is_kanji_like(c):
    return c == "々" or is_ideograph(c)


def has_doubled_kanji(word):
    return any(a == b and is_ideograph(a) for a, b in zip(word, word[1:]))


def iterate_marks(word):
    """A four-character idiom as printed: a kanji repeated within one of its
    halves is written with 々 (正々堂々, 興味津々); across the halves, where
    two words meet, it is not."""
    out = list(word)
    for i in (1, 3):
        if i < len(out) and out[i] == out[i - 1] and is_ideograph(out[i]):
            out[i] = "々"
    return "".join(out)


KATAKANA = ("アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
            "ァィゥェォッャュョガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ")
HIRAGANA = ("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
            "ぁぃぅぇぉっゃゅょがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ")
assert len(KATAKANA) == len(HIRAGANA) == 80
KATA_TO_HIRA = dict(zip(KATAKANA, HIRAGANA))


def katakana_to_hiragana(text):
    out = []
    for c in text:
        if c == "ヴ":
            out.append("う゛")
        else:
            out.append(KATA_TO_HIRA.get(c, c))
    return "".join(out)


def remove_parenthesized(text):
    depth = 0
    out = []
    for c in text:
        if c in "(（":
            depth += 1
        elif c in ")）":
            depth -= 1
        elif depth <= 0:
            out.append(c)
    return "".join(out)


# The program builds the question text with the same three steps; an item is
# only usable when every kana run of its word is found in its reading, or the
# marked stretches of the question would not stand for the word's kanji.

def next_kana_run(word, start):
    """(start of the next kana run at or after start, its text) or (-1, "")."""
    n = len(word)
    s = max(start, 0)
    while s < n and is_kanji_like(word[s]):
        s += 1
    if s >= n:
        return -1, ""
    e = s + 1
    while e < n and not is_kanji_like(word[e]):
        e += 1
    return s, word[s:e]


def find_kana_run(reading, start, key):
    """(position in the reading or -1, the key as possibly extended)."""
    n = len(key)
    L = len(reading)
    if start > L - n:
        return -1, key
    depth = 0
    paren_start = -1
    pos = start
    while pos <= L - n:
        c = reading[pos]
        if c in "（(":
            depth += 1
            if paren_start == -1:
                paren_start = pos
        elif c in "）)":
            depth -= 1
        elif depth >= 1:
            pass
        elif reading.startswith(key, pos):
            if paren_start == -1:
                return pos, key
            return paren_start, reading[paren_start:pos] + key
        pos += 1
    return -1, key


def wrap_in_tag(tag, text):
    return "<" + tag + ">" + text + "<N>"


def mark_reading(word, a, reading, b, tag, misses=None):
    """The question text; appends to misses every kana run not found."""
    c, run = next_kana_run(word, a)
    if c >= 0:
        skip = 1 if c > 0 else 0
        d, run2 = find_kana_run(reading, b + skip, run)
        if d >= 0:
            head = wrap_in_tag(tag, reading[b:d]) if d > b else ""
            return head + run2 + mark_reading(word, c + len(run), reading, d + len(run2), tag, misses)
        if misses is not None:
            misses.append(run)
    rest = reading[b:]
    if not rest:
        return ""
    k = min((i for i in (rest.find("("), rest.find("（")) if i >= 0), default=-1)
    if k < 0:
        return wrap_in_tag(tag, rest)
    if k == 0:
        return rest
    return wrap_in_tag(tag, rest[:k]) + rest[k:]


def question_text(word, reading, misses=None):
    return mark_reading(katakana_to_hiragana(remove_parenthesized(word)), 0, reading, 0, "G", misses)


def aligns(word, reading):
    """True when every kana run of the word is found in the reading and every
    marked stretch of the question stands for one stretch of kanji."""
    misses = []
    text = question_text(word, reading, misses)
    plain = remove_parenthesized(word)
    stretches = []
    run = ""
    for c in plain + " ":
        if is_kanji_like(c):
            run += c
        elif run:
            stretches.append(run)
            run = ""
    marked = re.findall("<G>(.*?)<N>", text)
    if misses or len(marked) != len(stretches):
        return False
    # every kanji is read with at least one kana; a shorter stretch means a
    # kana run was matched too early (被害者が出る: が inside ひがいしゃ)
    return all(len(remove_parenthesized(m)) >= len(s) for m, s in zip(marked, stretches))


# ---- kanjidic -----------------------------------------------------------------

def read_kanjidic(path):
    """{kanji: (grade, frequency rank or None)} for the kanji with a grade."""
    info = {}
    with open(path, encoding="euc_jp", errors="strict") as f:
        for line in f:
            if line.startswith("#"):
                continue
            fields = line.split(" ")
            grade = freq = None
            for t in fields[1:]:
                if t.startswith("{"):
                    break
                if re.fullmatch(r"G\d+", t):
                    grade = int(t[1:])
                elif re.fullmatch(r"F\d+", t):
                    freq = int(t[1:])
            info[fields[0]] = (grade, freq)
    return info


# ---- edict --------------------------------------------------------------------

# Tags that EDICT puts in front of the first sense and that belong to one
# spelling or one reading rather than to the entry.
HEAD_TAGS = {"iK", "ik", "oK", "ok", "io", "ateji", "gikun", "rK", "rk", "sK", "sk"}
POS_RE = re.compile(r"^(?:adj|adv|aux|conj|cop|ctr|exp|int|n|num|pn|pref|prt|suf|unc|v)[-a-z0-9]*$")
# a dialect or a source language is marked with a colon: (kyb:), (fre:)
TAG_GROUP_RE = re.compile(r"^\(([A-Za-z0-9,:-]+)\) ?")


class Line:
    """One EDICT line: one spelling with one reading."""

    __slots__ = ("order", "word", "reading", "head_tags", "first_tags", "common", "key")

    def __init__(self, order, word, reading, body):
        self.order = order
        self.word = word
        self.reading = reading
        self.common = body.endswith("/(P)/")
        if self.common:
            body = body[:-4]
        self.head_tags = set()
        self.first_tags = set()
        # the tags of the first sense, in front of its first gloss
        rest = body.strip("/").split("/")[0]
        tags = []
        while True:
            m = TAG_GROUP_RE.match(rest)
            if not m:
                break
            tags.extend(t.rstrip(":") for t in m.group(1).split(","))
            rest = rest[m.end():]
        # head tags come before the first part of speech
        seen_pos = False
        for t in tags:
            if POS_RE.match(t):
                seen_pos = True
            if t in HEAD_TAGS and not seen_pos:
                self.head_tags.add(t)
            elif not t.isdigit():
                self.first_tags.add(t)
        # the meaning without what belongs to this spelling or reading alone:
        # lines with the same key are spellings and readings of one entry
        key = body
        while True:
            m = re.match(r"^/\(([A-Za-z]+)\) ", key)
            if not m or m.group(1) not in HEAD_TAGS:
                break
            key = "/" + key[m.end():]
        self.key = key


LINE_RE = re.compile(r"^(\S+) (?:\[(\S+)\] )?(/.*/)$")


def read_edict(path):
    lines = []
    with open(path, encoding="euc_jp", errors="strict") as f:
        for n, raw in enumerate(f):
            raw = raw.rstrip("\n")
            m = LINE_RE.match(raw)
            if not m or n == 0:
                continue
            word, reading, body = m.group(1), m.group(2), m.group(3)
            lines.append(Line(n, word, reading if reading else word, body))
    return lines


# ---- candidates ---------------------------------------------------------------

# Senses a learner should not be drilled on: words usually written in kana,
# dated, rare, slang, dialect, vulgar or offensive (sens) ones.
BAD_TAGS = {"uk", "arch", "obs", "obsc", "rare", "X", "vulg", "sl", "derog", "net-sl",
            "m-sl", "chn", "joc", "uK", "ksb", "ktb", "kyb", "osb", "hob", "tsb", "thb", "tsug",
            "kyu", "rkb", "nab", "bra", "hist", "pref", "suf", "prt", "ctr", "conj", "int",
            "aux", "aux-v", "aux-adj", "cop", "cop-da", "unc", "n-suf", "n-pref", "num",
            "pn", "on-mim", "abbr", "sens"}
VERB_RE = re.compile(r"^v(?:1|5[a-z]*|k|z|s-s)$")
WORD_OK_RE = re.compile(r"^[\u4e00-\u9fff々\u3041-\u3096\u30a1-\u30f4ー]+$")
READING_OK_RE = re.compile(r"^[\u3041-\u3096ー゛]+$")
PARTICLES = "をがにでとへもは"


def has_kanji(word):
    return any(is_ideograph(c) for c in word)


def line_usable(line):
    if line.head_tags - {"ateji", "gikun"}:
        return False
    # words usually written in kana stay for now: a few common ones among
    # them are the usual way to meet kanji outside the table
    if line.first_tags & (BAD_TAGS - {"uk"}):
        return False
    if not WORD_OK_RE.match(line.word) or not has_kanji(line.word):
        return False
    if len(line.word) > 12:
        return False
    reading = katakana_to_hiragana(line.reading)
    return bool(READING_OK_RE.match(reading)) and len(reading) <= 20


class Entry:
    """Spellings and readings of one dictionary entry."""

    def __init__(self, lines, tables):
        self.lines = sorted(lines, key=lambda l: l.order)
        self.common = any(l.common for l in self.lines)
        self.first_tags = set().union(*(l.first_tags for l in self.lines))
        # the spelling most often used, with its most common reading
        # (the longer of two spellings with the same kanji has the standard
        # okurigana: 答え rather than 答)
        main = min(self.lines, key=lambda l: (not l.common, "uk" in l.first_tags,
                                              -sum(map(is_kanji_like, l.word)),
                                              -len(l.word), has_doubled_kanji(l.word),
                                              l.order))
        # the tables know better where the dictionary's first common
        # spelling or reading is not the usual one (唄う for 歌う, まいげつ
        # for まいつき)
        usual = tables.spellings.get(main.word)
        usual_reading = tables.readings.get(usual or main.word)
        for l in self.lines:
            if (l.word == (usual or main.word) and (usual_reading is None or
                                                     katakana_to_hiragana(l.reading) == usual_reading)):
                main = l
                break
        self.word = main.word
        self.reading = katakana_to_hiragana(main.reading)
        # another reading or spelling is shown only where the tables say it
        # is a common, accepted form of the same word in the same sense;
        # the dictionary's variants are mostly rare or mean something else
        self.alt_readings = []
        for l in sorted(self.lines, key=lambda l: (not l.common, l.order)):
            r = katakana_to_hiragana(l.reading)
            if (l.word == self.word and (self.word, self.reading, r) in tables.alt_readings
                    and r not in self.alt_readings):
                self.alt_readings.append(r)
        self.alt_words = tables.alternatives_of(self.word)
        self.kana_usual = "uk" in main.first_tags or self.word in tables.kana_usual
        self.ateji = bool(main.head_tags)
        # the spellings of the entry written in the same way as the main one
        # or as an alternative, and whether one of them has only table kanji
        self.spellings = {l.word for l in self.lines}
        self.common_spellings = {l.word for l in self.lines if l.common}


def read_entries(lines, tables):
    # a spelling read in several ways is asked with its common reading only
    # (荘厳 is そうごん, not the Buddhist しょうごん)
    common_readings = defaultdict(set)
    for line in lines:
        if line.common:
            common_readings[line.word].add(line.reading)
    by_key = defaultdict(list)
    for line in lines:
        if line.word in common_readings and line.reading not in common_readings[line.word]:
            continue
        if line_usable(line):
            by_key[line.key].append(line)
    entries = []
    for key in sorted(by_key, key=lambda k: by_key[k][0].order):
        group = by_key[key]
        # lines with the same meaning belong together only when they share a
        # spelling or a reading; two unrelated words can have the same gloss
        parent = list(range(len(group)))

        def find(i):
            while parent[i] != i:
                parent[i] = parent[parent[i]]
                i = parent[i]
            return i

        first_of = {}
        for i, l in enumerate(group):
            for k in (("w", l.word), ("r", l.reading)):
                if k in first_of:
                    a, b = find(i), find(first_of[k])
                    if a != b:
                        parent[max(a, b)] = min(a, b)
                else:
                    first_of[k] = i
        parts = defaultdict(list)
        for i, l in enumerate(group):
            parts[find(i)].append(l)
        for root in sorted(parts):
            entries.append(Entry(parts[root], tables))
    return entries


HEAD_RE = re.compile("^([おご]?[\u4e00-\u9fff々](?:[^" + PARTICLES + "の]*?[\u4e00-\u9fff々])?)["
                     + PARTICLES + "の]")


def phrase_head(plain):
    """The word a phrase is built on: what stands before its first particle
    (電話 of 電話に出る, お金 of お金を下ろす), or None."""
    m = HEAD_RE.match(plain)
    return m.group(1) if m else None


class Item:
    __slots__ = ("word", "reading", "plain", "kind", "common", "level", "kanji",
                 "hyogai", "score", "keys", "homophones", "facts", "core", "source",
                 "spellings")

    def __init__(self, word, reading, plain, kind, common):
        self.word = word          # as shown, with alternatives in parentheses
        self.reading = reading    # as shown, with an alternative in parentheses
        self.plain = plain        # the main spelling alone
        self.kind = kind
        self.common = common
        self.level = 0
        self.kanji = ""
        self.hyogai = False
        self.score = 0
        # the words a learner would take this item for: its spellings, and
        # the noun of a する-verb; no two items of the lists share one
        self.keys = {plain}
        self.homophones = []
        self.facts = set()
        # the core words this item asks
        self.core = set()
        # where a phrase comes from: 0 the tables, 1 a common set expression
        # of the dictionary, 2 another one
        self.source = 0
        # the dictionary's spellings of the word (of the noun of a する-verb)
        self.spellings = {plain}

    def line(self):
        return self.word + "\t" + self.reading


DOMAIN_TAGS = {"math", "comp", "med", "biol", "chem", "physics", "ling", "law", "Buddh",
               "Shinto", "anat", "astron", "bot", "zool", "geol", "archit", "engr", "finc",
               "mil", "music", "sumo", "shogi", "baseb", "mahj", "food", "sports", "econ",
               "bus", "geom", "gramm", "MA", "Christn", "physiol", "pharm", "elec", "ent",
               "mech", "min", "stat", "telec", "cards", "print", "phil", "psych", "genet",
               "biochem", "chn", "ornith", "agric", "comp", "logic", "rail", "tradem"}


def kind_of(entry, tables):
    word = entry.word
    tags = entry.first_tags
    kanji_count = sum(1 for c in word if is_kanji_like(c))
    if kanji_count == 4 and len(word) == 4 and ("yoji" in tags or
                                                iterate_marks(word) in tables.idiom_set):
        return "yoji"
    if "exp" in tags:
        # a set phrase: kanji, a particle, then more text, e.g. 鼻が高い
        if re.search("[\u4e00-\u9fff々][" + PARTICLES + "][^" + PARTICLES + "]", word):
            return "phrase"
        return None
    if any(VERB_RE.match(t) for t in tags) or "adj-i" in tags:
        return "verb" if not is_kanji_like(word[-1]) else None
    # a noun is asked as a する-verb only when its first sense is one, and
    # not when the tables know it as a plain noun (交番, 笑顔)
    if "vs" in tags and is_kanji_like(word[-1]) and word not in tables.not_verbs:
        return "suru"
    if tags & {"n", "adj-na", "adj-no", "adv", "n-adv", "n-t", "adj-t", "adv-to", "vs"}:
        return "noun"
    return None


def make_item(entry, kind):
    suffix = "する" if kind == "suru" else ""
    # 値する is the verb of 値, and its alternatives are the noun's
    word = entry.word + "".join("(" + w + ")" for w in entry.alt_words) + suffix
    reading = entry.reading + suffix + "".join("(" + r + suffix + ")" for r in entry.alt_readings)
    item = Item(word, reading, entry.word + suffix, kind, entry.common)
    item.keys.add(entry.word)
    item.keys.update(entry.alt_words)
    # 値する is the verb of 値: the two are one word to the learner
    if entry.word.endswith("する") and all(is_kanji_like(c) for c in entry.word[:-2]):
        item.keys.add(entry.word[:-2])
    return item


def homophone_groups(lines, tables):
    """{reading: [(spellings of one common word, whether it is a する-noun)]}.
    Lines with the same meaning and reading are one word. A word usually
    written in kana does not compete with a written one, nor does what is
    no word a learner writes on its own: an affix or auxiliary (家 read け,
    一 read ひと), a sign of the zodiac (戌 for いぬ), a spelling with
    digits, or a spelling the tables know as a rarer one of another word
    (云う for 言う)."""
    words = defaultdict(set)
    vs = {}
    for l in lines:
        if not l.common or "uk" in l.first_tags or not has_kanji(l.word):
            continue
        if l.first_tags & {"pref", "suf", "aux-v", "aux-adj", "aux", "n-suf", "n-pref", "ctr"}:
            continue
        if not WORD_OK_RE.match(l.word) or "zodiac" in l.key:
            continue
        if l.word in tables.kana_usual or l.word in tables.spellings:
            continue
        key = (katakana_to_hiragana(l.reading), l.key)
        words[key].add(l.word)
        vs[key] = vs.get(key, False) or "vs" in l.first_tags
    groups = defaultdict(list)
    for (reading, meaning) in sorted(words):
        groups[reading].append((frozenset(words[(reading, meaning)]), vs[(reading, meaning)]))
    return groups


def other_words(groups, item, spellings):
    """The common words written otherwise that share the item's bare reading."""
    reading = remove_parenthesized(item.reading)
    suru = item.kind == "suru"
    if suru:
        reading = reading[:-2]
    found = set()
    for words, is_vs in groups.get(reading, ()):
        if words & spellings or (suru and not is_vs):
            continue
        found.add(min(words))
    return sorted(found)


def prepare(item, grader):
    """Fills in what the choice needs to know of an item; False when the
    program could not build its question text."""
    if not aligns(item.word, item.reading):
        return False
    item.level = grader.level(item.plain)
    item.kanji = "".join(c for c in item.plain if is_ideograph(c))
    item.hyogai = any(grader.is_hyogai(c) for c in item.plain)
    # a word is drilled once: a phrase stands for its head word (電話 or
    # one of 電話に出る and 電話を切る; 瞼 or 瞼を閉じる; one of 嘘をつく
    # and 嘘を吐く)
    if item.kind == "phrase":
        head = phrase_head(item.plain)
        if head:
            item.keys.add(head)
            if head[0] in "おご" and len(head) > 1:
                item.keys.add(head[1:])
    return True


def build_candidates(entries, grader, tables, groups):
    headwords = [e.word for e in entries]
    headword_set = set(headwords)
    # how many other headwords contain a word: a word that many compounds
    # and phrases build on is known even when the dictionary does not mark it
    pair_use = defaultdict(int)
    for w in sorted(set(headwords)):
        for i in range(len(w) - 1):
            pair_use[w[i:i + 2]] += 1
    common_words = {e.word for e in entries if e.common and not e.kana_usual}
    # a spelling with table kanji only that is common for some entry: a word
    # outside the table spelt so is not what list 5 is for
    joyo_spellings = set()
    for e in entries:
        for w in e.common_spellings:
            if not any(grader.is_hyogai(c) for c in w):
                joyo_spellings.add(w)
    items = []
    seen = set()

    def add(item, level):
        if item.plain in seen or "<" in item.line():
            return
        if not prepare(item, grader):
            return
        seen.add(item.plain)
        items.append(item)

    # nouns whose first sense is a する-verb, for the phrases of the table
    # that end in one (詮索する)
    verb_nouns = {e.word for e in entries if "vs" in e.first_tags}
    for word, reading in tables.phrases:
        if word in tables.excluded:
            continue
        item = Item(word, reading, word, "phrase", True)
        item.facts.add("common")
        if word.endswith("する") and word[:-2] in verb_nouns:
            item.facts.add("verb")
        add(item, grader.level(word))

    for e in sorted(entries, key=lambda e: (not e.common, e.lines[0].order)):
        kind = kind_of(e, tables)
        if kind is None:
            continue
        if e.word in tables.excluded or e.word + "する" in tables.excluded:
            continue
        # 論ずる beside 論じる, 感ずる beside 感じる: one verb, asked once in
        # its usual form
        if e.word.endswith("ずる") and e.word[:-2] + "じる" in headword_set:
            continue
        # a spelling with a usual reading is asked with it only; an entry of
        # its other reading is another word of the same spelling (紅葉 もみじ
        # beside 紅葉 こうよう) and would take its place
        usual_reading = tables.readings.get(e.word)
        if usual_reading and all(katakana_to_hiragana(l.reading) != usual_reading
                                 for l in e.lines if l.word == e.word):
            continue
        if tables.is_blocked(e.word):
            continue
        if kind == "yoji" and e.word in tables.not_idioms:
            continue
        level = grader.level(e.word)
        # words usually written in kana are not drilled in kanji, except
        # common ones outside the table whose kanji books and newspapers
        # print (綺麗, 箪笥, 呟く), which is how a reader meets those kanji;
        # the ones that stay in kana even in books are in kana_usual.txt
        if e.kana_usual and not (
                level == 10 and (e.common or e.word in tables.common) and not e.ateji
                and e.word not in tables.kana_usual and kind in ("noun", "suru", "verb")):
            continue
        # a reviewed idiom may come from Buddhism (諸行無常) and is no jargon
        if not e.common and e.first_tags & DOMAIN_TAGS and iterate_marks(e.word) not in tables.idiom_set:
            continue
        if level == 10 and kind != "yoji" and e.common_spellings & joyo_spellings:
            continue
        if kind == "phrase" and not e.common:
            m = re.match("^(.*?[\u4e00-\u9fff々])([" + PARTICLES + "])(.+)$", e.word)
            if not m or len(e.word) > 9:
                continue
            head, tail = m.group(1), m.group(3)
            if not (head in common_words or head.startswith("お") and head[1:] in common_words):
                continue
            if tail not in common_words:
                continue
        item = make_item(e, kind)
        if kind == "phrase":
            # a set phrase of common words (相槌を打つ) is as common as they are
            item.facts.add("common")
            item.source = 1 if e.common else 2
        common = e.common or e.word in tables.common
        if common:
            item.facts.add("common")
        if e.kana_usual:
            item.facts.add("kana")
        if e.common_spellings & joyo_spellings and level == 10:
            item.facts.add("table-spelling")
        if kind == "suru":
            item.facts.add("verb")
        item.spellings = set(e.spellings) | set(e.alt_words)
        item.homophones = other_words(groups, item, item.spellings)
        if common or kind == "phrase":
            item.score = 0
        else:
            # an uncommon word is worth asking when others build on it
            use = min((pair_use[item.plain[i:i + 2]] for i in range(len(item.plain) - 1)
                       if all(is_kanji_like(c) for c in item.plain[i:i + 2])), default=0)
            item.score = 2 if use >= 4 else 3
        # a bare reading shared with another common word does not tell the
        # learner what to write: such words come after the others
        if item.homophones and kind not in ("phrase", "yoji"):
            item.score += 1
        add(item, level)
    return items


def core_items(cands, tables, grader, groups, lines):
    """The items that ask the words of the core table, in its order. A word
    is asked as the dictionary's item for it where there is one, in the
    table's spelling; a word whose row names a phrase is asked in that
    phrase, and several rows may name the same one (線を引く for 線 and for
    引く). Also returns the items the core words stand in for: the
    dictionary's item of another spelling of a core word is not asked."""
    by_spelling = defaultdict(list)
    for i in cands:
        noun = i.plain[:-2] if i.kind == "suru" else i.plain
        bare = remove_parenthesized(i.reading)
        if i.kind == "suru":
            bare = bare[:-2]
        for sp in i.spellings | {noun}:
            by_spelling[(sp, bare)].append(i)
    suru_lines = {(l.word, katakana_to_hiragana(l.reading)) for l in lines
                  if "vs" in l.first_tags}
    known_lines = {(l.word, katakana_to_hiragana(l.reading)) for l in lines}
    items = []
    made = {}
    replaced = []
    problems = []

    def made_item(text, reading, kind):
        item = made.get(text)
        if item is not None:
            if remove_parenthesized(item.reading) != reading:
                problems.append("%s: read %s and %s" % (text, item.reading, reading))
            return item
        item = Item(text, reading, text, kind, True)
        item.facts.add("common")
        if not prepare(item, grader):
            problems.append("%s\t%s: the question text cannot be built" % (text, reading))
            return None
        made[text] = item
        items.append(item)
        return item

    for word, reading, phrase in tables.core:
        if phrase:
            text, text_reading = phrase
            found = [i for i in by_spelling.get((text, text_reading), ()) if i.plain == text]
            item = made.get(text)
            if item is None and found:
                item = found[0]
                made[text] = item
                items.append(item)
                item.facts.add("common")
                # the phrase asks the core words that name it, not its head
                item.keys = {text}
            elif item is None:
                item = made_item(text, text_reading, "phrase")
                if item is None:
                    continue
                item.keys = {text}
            item.core.add(word)
            item.keys.add(word)
            item.keys.update(tables.alternatives_of(word))
            continue
        found = by_spelling.get((word, reading), [])
        own = [i for i in found if i.plain in (word, word + "する") and i.kind != "phrase"]
        if own:
            item = own[0]
            if item.plain not in made:
                made[item.plain] = item
                items.append(item)
        else:
            # a spelling the dictionary does not put first, or a word its
            # marks leave out: asked as the table writes it
            if not is_kanji_like(word[-1]):
                kind = "phrase" if phrase_head(word) else "verb"
            elif (word, reading) in suru_lines and word not in tables.not_verbs:
                kind = "suru"
            else:
                kind = "noun"
            suffix = "する" if kind == "suru" else ""
            alts = tables.alternatives_of(word)
            text = word + "".join("(" + a + ")" for a in alts) + suffix
            item = made_item(text, reading + suffix, kind)
            if item is None:
                continue
            item.plain = word + suffix
            # a phrase written as a core word (手を挙げる) asks itself, not
            # its head, which is a core word of its own
            item.keys = {word + suffix, word} | set(alts)
            item.spellings = {word} | set(alts)
            if kind == "suru":
                item.facts.add("verb")
            if (word, reading) not in known_lines:
                item.facts.add("not-in-dictionary")
            for i in found:
                replaced.append(i)
                item.spellings |= i.spellings
                item.keys |= i.spellings | {i.plain}
            item.homophones = other_words(groups, item, item.spellings)
        item.core.add(word)
        item.facts.add("common")
        # a core word is written in kanji as the table has it, whatever the
        # dictionary's kana mark says
        item.facts.discard("kana")
    if problems:
        sys.exit("core.txt:\n  " + "\n  ".join(problems))
    return items, replaced


# ---- grading and choice -------------------------------------------------------

class Grader:
    def __init__(self, kanjidic):
        self.kanjidic = kanjidic
        self.joyo = {k for k, (g, _) in kanjidic.items() if g is not None and g <= 8}
        self.joyo.update(JOYO_EXTRA)

    def is_hyogai(self, c):
        return is_ideograph(c) and c not in self.joyo

    def grade(self, c):
        """School grade 1 to 6, 8 for the other kanji of the table, 10 outside it."""
        if c in JOYO_EXTRA:
            return 8
        g = self.kanjidic.get(c, (None, None))[0]
        return g if g is not None and g <= 8 else 10

    def frequency(self, c):
        """Rank among the 2,500 kanji most used in newspapers; 9999 for the rest."""
        f = self.kanjidic.get(c, (None, None))[1]
        return f if f is not None else 9999

    def level(self, word):
        return max((self.grade(c) for c in word if is_ideograph(c)), default=0)


# list number -> grades of the kanji that set a word's list
BANDS = {1: (1, 2), 2: (3, 4), 3: (5, 6), 4: (8,), 5: (10,)}
BAND_OF_LEVEL = {g: b for b, gs in BANDS.items() for g in gs}
# the share of each kind in a list, so that a list is not all nouns
KIND_SHARE = {"noun": 0.45, "suru": 0.2, "verb": 0.2, "phrase": 0.15}


def usefulness(item, grader):
    """Sort key of a word for the rest of a list, most useful first: common
    words, then uncommon ones that other words build on, then the rest; a
    bare reading that is also another common word only after all of those;
    among equals the word whose rarest kanji newspapers use most, then the
    shorter word."""
    common = "common" in item.facts
    if item.kind == "phrase":
        # a set expression of common words stands beside the common words
        # (the fillers among them are excluded by name)
        tier = 0
    elif common:
        tier = 0
    else:
        tier = 1 if item.score <= 2 else 3
    # a bare kanji (て, め) is a weak question: a phrase on it asks it better
    if item.kind == "noun" and len(item.plain) == 1:
        tier += 1
    if item.homophones and not undecided_ok(item):
        tier += 4
    rarest = max((grader.frequency(c) for c in item.kanji), default=9999)
    return (tier, rarest // 500, len(item.plain), item.reading, item.plain)


def rarest_kanji(item, grader):
    return max(item.kanji, key=lambda c: (grader.frequency(c), c), default="")


def undecided_ok(item):
    # the other words of the same reading are its own alternatives
    return not set(item.homophones) - item.spellings


def select_band(cands, quota, grader, chosen, taken_keys, covered, cover_kanji):
    """Adds to chosen (the band's core items) until the list holds quota
    items. First, for every kanji of cover_kanji that no chosen item of any
    list writes, the most useful word that writes it (so the lists drill the
    whole table); then the most useful words, the kind furthest behind its
    share among the best of each kind."""
    ranked = sorted(cands, key=lambda i: usefulness(i, grader))
    taken = {id(i) for i in chosen}
    kind_count = defaultdict(int)
    for i in chosen:
        kind_count[i.kind] += 1
    # an uncommon word takes a slot only while its list asks little of its
    # rarest kanji: not eight words of 笠 because 笠 builds many
    rarest_count = defaultdict(int)
    for i in chosen:
        rarest_count[rarest_kanji(i, grader)] += 1

    def free(i):
        return id(i) not in taken and not i.keys & taken_keys

    def take(i):
        rarest_count[rarest_kanji(i, grader)] += 1
        chosen.append(i)
        taken.add(id(i))
        taken_keys.update(i.keys)
        covered.update(i.kanji)
        kind_count[i.kind] += 1

    if cover_kanji:
        # a word a learner would recognise, not a curiosity: only the tiers
        # up to the uncommon words others build on
        pool = [i for i in ranked if usefulness(i, grader)[0] <= 2
                and any(k in cover_kanji for k in i.kanji)]
        # first the words that write two or more kanji nobody writes yet,
        # the most such kanji first, so that the slots reach the whole table
        while len(chosen) < quota:
            best = None
            best_new = 1
            for i in pool:
                new = len({k for k in i.kanji if k in cover_kanji} - covered)
                if new > best_new and free(i):
                    best, best_new = i, new
            if best is None:
                break
            take(best)
        # then, the most used kanji first, the most useful word of each
        by_kanji = defaultdict(list)
        for i in pool:
            for k in set(i.kanji):
                if k in cover_kanji:
                    by_kanji[k].append(i)
        for k in sorted(by_kanji, key=lambda k: (grader.frequency(k), k)):
            if k in covered or len(chosen) >= quota:
                continue
            best = next((i for i in by_kanji[k] if free(i)), None)
            if best:
                take(best)

    def varied(i):
        return "common" in i.facts or rarest_count[rarest_kanji(i, grader)] < 2

    queues = {k: [i for i in ranked if i.kind == k] for k in KIND_SHARE}
    pos = dict.fromkeys(KIND_SHARE, 0)
    while len(chosen) < quota:
        heads = {}
        for k, q in queues.items():
            while pos[k] < len(q) and not (free(q[pos[k]]) and varied(q[pos[k]])):
                pos[k] += 1
            if pos[k] < len(q):
                heads[k] = q[pos[k]]
        if not heads:
            sys.exit("too few words for a list: %d of %d" % (len(chosen), quota))
        # the kind furthest behind its share, among the kinds whose best
        # word is about as useful as the best word of any kind
        best = min(usefulness(i, grader)[:2] for i in heads.values())
        near = [k for k, i in heads.items() if usefulness(i, grader)[:2] <= (best[0], best[1] + 1)]
        want = max(sorted(near), key=lambda k: KIND_SHARE[k] * (len(chosen) + 1) - kind_count[k])
        take(heads[want])
    return chosen


def select_yoji(lines, tables, grader, quota, taken_keys):
    """The reviewed idioms, in the table's order, read as the dictionary
    reads them (its common reading first). An idiom is taken whatever the
    dictionary's marks say of its senses: the table was reviewed by hand."""
    readings = defaultdict(list)
    for l in sorted(lines, key=lambda l: (not l.common, l.order)):
        if not l.head_tags - {"ateji", "gikun"}:
            r = katakana_to_hiragana(l.reading)
            if READING_OK_RE.match(r):
                readings[iterate_marks(l.word)].append(r)
    chosen = []
    problems = []
    for word, reading in tables.idioms:
        if len(chosen) == quota:
            break
        if word in taken_keys:
            continue
        if reading is None:
            if not readings.get(word):
                problems.append(word + ": the dictionary does not know it")
                continue
            reading = readings[word][0]
        alts = tables.alternatives_of(word)
        reading += "".join("(" + r + ")" for w, m, r in sorted(tables.alt_readings)
                           if w == word and m == reading)
        item = Item(word + "".join("(" + a + ")" for a in alts), reading, word, "yoji", True)
        item.facts.add("common")
        item.spellings = {word} | set(alts)
        item.keys = set(item.spellings)
        if not prepare(item, grader):
            problems.append(word + ": the question text cannot be built")
            continue
        chosen.append(item)
        taken_keys.update(item.keys)
    if problems:
        sys.exit("idioms.txt:\n  " + "\n  ".join(problems))
    if len(chosen) < quota:
        sys.exit("too few reviewed idioms: %d of %d" % (len(chosen), quota))
    return chosen


def group_lines(items, first_group, last_group):
    """The list's text: items in reading order, split into groups of nearly
    equal size, each group a header, its items and an empty line."""
    items = sorted(items, key=lambda i: (i.reading, i.word))
    groups = last_group - first_group + 1
    size, extra = divmod(len(items), groups)
    out = []
    pos = 0
    for g in range(groups):
        n = size + (1 if g < extra else 0)
        out.append("#%d" % (first_group + g))
        out.extend(i.line() for i in items[pos:pos + n])
        out.append("")
        pos += n
    return "".join(line + "\r\n" for line in out)


# marks of a spelling or reading that is not a standard form of the word
RARE_FORM_TAGS = {"iK", "ik", "oK", "ok", "io", "rK", "rk", "sK", "sk"}
RARE_SENSE_TAGS = {"rare", "obs", "obsc", "arch"}


def alternative_facts(item, forms):
    """What the dictionary says of the alternatives shown in parentheses:
    "alt-known" when it gives every alternative spelling with the item's
    reading and every alternative reading with its spelling; "alt-rare" when
    it marks one of them rare, irregular or outdated."""
    word = remove_parenthesized(item.word)
    reading = remove_parenthesized(item.reading)
    if item.kind == "suru":
        word, reading = word[:-2], reading[:-2]
    pairs = [(a[:-2] if item.kind == "suru" and a.endswith("する") else a, reading)
             for a in re.findall(r"\(([^()]+)\)", item.word)]
    pairs += [(word, r[:-2] if item.kind == "suru" else r)
              for r in re.findall(r"\(([^()]+)\)", item.reading)]
    if not pairs:
        return set()
    facts = set()
    if all(p in forms for p in pairs):
        facts.add("alt-known")
    if any(forms.get(p, False) for p in pairs):
        facts.add("alt-rare")
    return facts


def write_facts(chosen, lines):
    """What the dictionary says about each chosen item, for the test of the
    lists, which runs where the dictionary is not installed."""
    # (spelling, reading) -> whether the dictionary marks that form rare
    forms = {}
    for l in lines:
        key = (iterate_marks(l.word) if len(l.word) == 4 else l.word,
               katakana_to_hiragana(l.reading))
        rare = bool(l.head_tags & RARE_FORM_TAGS or l.first_tags & RARE_SENSE_TAGS)
        forms[key] = forms.get(key, True) and rare
    out = ["# generated by tools/gen_wordlists.py; do not edit",
           "# word\treading\tfacts (common: the dictionary marks the word common or the"
           " tables name it; verb: its first sense is a する-verb; kana: usually written"
           " in kana; table-spelling: also commonly written with table kanji only;"
           " phrase: a phrase of words, asked for its head word or its core words;"
           " alt-known: the dictionary gives every alternative in parentheses as a form"
           " of the word; alt-rare: it marks one of them rare, irregular or outdated)"
           "\tcommon words of the same bare reading"]
    for band in sorted(chosen):
        for item in sorted(chosen[band], key=lambda i: (i.reading, i.word)):
            facts = item.facts | alternative_facts(item, forms)
            if item.kind == "phrase":
                facts.add("phrase")
            out.append("%s\t%s\t%s\t%s" % (item.word, item.reading,
                                           ",".join(sorted(facts)) or "-",
                                           ",".join(item.homophones) or "-"))
    with open(os.path.join(TABLES, "facts.tsv"), "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--edict", default=EDICT)
    parser.add_argument("--kanjidic", default=KANJIDIC)
    parser.add_argument("--out", default=os.path.join(here, "..", "resources", "wordlists"))
    args = parser.parse_args()

    grader = Grader(read_kanjidic(args.kanjidic))
    tables = Tables()
    lines = read_edict(args.edict)
    groups = homophone_groups(lines, tables)
    cands = build_candidates(read_entries(lines, tables), grader, tables, groups)
    core, replaced = core_items(cands, tables, grader, groups, lines)
    by_band = defaultdict(list)
    # the dictionary's items that the core table spells otherwise
    stood_in = {id(i) for i in replaced}
    for item in cands:
        if id(item) in stood_in:
            continue
        band = 6 if item.kind == "yoji" else BAND_OF_LEVEL.get(item.level)
        if band:
            by_band[band].append(item)

    # the core words first, in every list: nothing else may take their keys
    chosen = {band: [] for band in range(1, 7)}
    taken_keys = set()
    owner = {}
    problems = []
    for item in core:
        band = BAND_OF_LEVEL.get(item.level)
        if not band:
            problems.append("%s has no kanji of a list" % item.word)
            continue
        for k in sorted(item.keys):
            if k in owner and owner[k] is not item:
                problems.append("%s and %s ask the same word %s" % (owner[k].word, item.word, k))
            owner[k] = item
        chosen[band].append(item)
        taken_keys.update(item.keys)
    if problems:
        sys.exit("core.txt:\n  " + "\n  ".join(problems))
    for band in range(1, 6):
        if len(chosen[band]) > LISTS[band - 1][3]:
            sys.exit("list %d: %d core items, more than the list holds" % (band, len(chosen[band])))
    chosen[6] = select_yoji(lines, tables, grader, LISTS[5][3], taken_keys)
    covered = set()
    for band in chosen:
        for item in chosen[band]:
            covered.update(item.kanji)
    # the list outside the table first: its words write table kanji too,
    # which the other lists then need not cover
    for band in (5, 1, 2, 3, 4):
        cover = {k for k in grader.joyo if BAND_OF_LEVEL.get(grader.grade(k)) == band}
        select_band(by_band[band], LISTS[band - 1][3], grader, chosen[band], taken_keys,
                    covered, cover)
    write_facts(chosen, lines)

    total = hyogai = 0
    for band, (name, first, last, count) in enumerate(LISTS, start=1):
        text = group_lines(chosen[band], first, last)
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(text.encode("utf-8"))
        n_hyogai = sum(i.hyogai for i in chosen[band])
        total += count
        hyogai += n_hyogai
        kinds = defaultdict(int)
        for i in chosen[band]:
            kinds[i.kind] += 1
        print("%s: %d items, %d with kanji outside the table (%s)" % (
            name, count, n_hyogai, ", ".join("%s %d" % (k, kinds[k]) for k in sorted(kinds))))
    print("all: %d items, %.1f%% with kanji outside the table" % (total, 100.0 * hyogai / total))


if __name__ == "__main__":
    main()
