#include "platform/MenuAccessKeys.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSet>

namespace {

// The letter after a single '&' ("&&" is a plain ampersand); 0 when none.
QChar AccessKeyOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text.at(i + 1).toUpper();
    }
    return QChar();
}

// The letter of a shortcut that is one letter without modifiers.
QChar ShortcutLetter(const QAction* action)
{
    const QKeySequence shortcut = action->shortcut();
    if (shortcut.count() != 1)
        return QChar();
    const QKeyCombination key = shortcut[0];
    if (key.keyboardModifiers() != Qt::NoModifier || key.key() < Qt::Key_A || key.key() > Qt::Key_Z)
        return QChar();
    return QChar(char16_t(key.key()));
}

// Free letters, in the order they are handed out.
constexpr char kSpareLetters[] = "AIOESTDFGHLPQVWXUY";

} // namespace

void AssignAccessKeys(QMenu* menu)
{
    if (!menu)
        return;
    const QList<QAction*> actions = menu->actions();
    QSet<QChar> taken;
    QList<QAction*> pending;
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        if (const QChar key = AccessKeyOf(action->text()); !key.isNull()) {
            taken.insert(key);
            continue;
        }
        pending.append(action);
    }
    // Shortcut letters first, so that a spare letter never takes one.
    QList<QAction*> rest;
    for (QAction* action : std::as_const(pending)) {
        const QChar letter = ShortcutLetter(action);
        if (letter.isNull() || taken.contains(letter)) {
            rest.append(action);
            continue;
        }
        taken.insert(letter);
        action->setText(QStringLiteral("%1(&%2)").arg(action->text(), letter));
    }
    for (QAction* action : std::as_const(rest)) {
        for (const char* c = kSpareLetters; *c; ++c) {
            const QChar letter = QLatin1Char(*c);
            if (taken.contains(letter))
                continue;
            taken.insert(letter);
            action->setText(QStringLiteral("%1(&%2)").arg(action->text(), letter));
            break;
        }
    }
    for (QAction* action : actions) {
        if (QMenu* sub = action->menu())
            AssignAccessKeys(sub);
    }
}
