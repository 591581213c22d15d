// SPDX-License-Identifier: MIT
#include "accesskeys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcutEvent>
#include <QWidget>

namespace {

class AccessKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut)
            return clickAtOnce(static_cast<QAbstractButton*>(watched), static_cast<QShortcutEvent*>(event));
        if (event->type() == QEvent::KeyPress)
            return typesNothing(static_cast<QKeyEvent*>(event));
        return false;
    }

private:
    static bool clickAtOnce(QAbstractButton* button, QShortcutEvent* event)
    {
        // Two visible controls with one key: Qt moves the focus between them.
        if (event->isAmbiguous() || event->key() != QKeySequence::mnemonic(button->text()))
            return false;
        if (button->isEnabled()) {
            if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus))
                button->setFocus(Qt::ShortcutFocusReason);
            button->click();
        }
        return true;
    }

    // An access key that a control carries never gets here: Qt's shortcut
    // map has taken it as a Shortcut event before the key press.
    static bool typesNothing(const QKeyEvent* event)
    {
        const Qt::KeyboardModifiers modifiers = event->modifiers();
        if (!modifiers.testFlag(Qt::AltModifier) || modifiers.testFlag(Qt::ControlModifier)
            || modifiers.testFlag(Qt::MetaModifier))
            return false;
        const QString text = event->text();
        return !text.isEmpty() && (text.front().isPrint() || text.front().isHighSurrogate());
    }
};

} // namespace

void installAccessKeys(QWidget* window)
{
    auto* filter = new AccessKeys(window);
    for (auto* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
    for (auto* box : window->findChildren<QLineEdit*>())
        box->installEventFilter(filter);
    for (auto* box : window->findChildren<QPlainTextEdit*>())
        box->installEventFilter(filter);
}
