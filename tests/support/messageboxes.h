#pragma once

// Answers the program's modal message boxes while a test drives the window,
// and records what each box showed.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <deque>

struct ShownMessageBox {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
    Qt::TextFormat format;
};

class MessageBoxes : public QObject {
public:
    // Each box that opens is answered with the next answer in `answers`; once
    // they run out, boxes are answered with their default button (OK).
    explicit MessageBoxes(std::deque<QMessageBox::StandardButton> answers = {})
        : answers_(std::move(answers))
    {
        connect(&timer_, &QTimer::timeout, this, [this] { answerOpenBox(); });
        timer_.start(5);
    }

    QList<ShownMessageBox> shown;

    QStringList texts() const
    {
        QStringList result;
        for (const auto& box : shown)
            result << box.text;
        return result;
    }

private:
    void answerOpenBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        // A new box can take the address of the one just closed: mark, not compare.
        if (!box || box->property("answeredByTest").toBool())
            return;
        box->setProperty("answeredByTest", true);
        auto* defaultButton = box->defaultButton();
        shown.append({box->windowTitle(), box->text(), box->standardButtons(),
                      defaultButton ? box->standardButton(defaultButton) : QMessageBox::NoButton,
                      box->icon(), box->textFormat()});
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        } else if (defaultButton) {
            answer = box->standardButton(defaultButton);
        }
        if (auto* button = box->button(answer))
            button->click();
    }

    std::deque<QMessageBox::StandardButton> answers_;
    QTimer timer_;
};
