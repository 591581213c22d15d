#pragma once

// Answers the program's modal message boxes the way a user would, with
// answers the test chose in advance, and records what each box said.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>

class BoxAnswerer : public QObject {
public:
    // Click "Yes" (or "OK"), click "No" (or "OK"), press Enter (the default
    // button), press Esc (the escape button).
    enum class Answer { Yes, No, Enter, Esc };

    struct Shown {
        QString text;
        QMessageBox::StandardButtons buttons;
        Answer answer;
    };

    BoxAnswerer()
    {
        qApp->installEventFilter(this);
        // A box whose Show event went by unseen is still answered.
        connect(&poll_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                answer(box);
        });
        poll_.start(50);
    }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    // The answers for the boxes that open from now on, in order; once they run
    // out, boxes are answered with Enter.
    void setAnswers(std::deque<Answer> answers) { answers_ = std::move(answers); }

    QList<Shown> shown;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(object)) {
                QPointer<QMessageBox> opened(box);
                QMetaObject::invokeMethod(this, [this, opened] { if (opened) answer(opened); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void answer(QMessageBox* box)
    {
        // A new box can take the address of the one just closed: mark, not compare.
        if (!box->isVisible() || box->property("answeredByTest").toBool())
            return;
        box->setProperty("answeredByTest", true);
        Answer answer = Answer::Enter;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        shown.append({box->text(), box->standardButtons(), answer});
        const bool yesNo = box->standardButtons().testFlag(QMessageBox::Yes);
        switch (answer) {
        case Answer::Yes:
            box->button(yesNo ? QMessageBox::Yes : QMessageBox::Ok)->click();
            break;
        case Answer::No:
            box->button(yesNo ? QMessageBox::No : QMessageBox::Ok)->click();
            break;
        case Answer::Enter:
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case Answer::Esc:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        }
    }

    std::deque<Answer> answers_;
    QTimer poll_;
};
