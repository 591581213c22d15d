// How long "Re&start" takes to delete a full table of 32,767 entries. A
// measurement to run by hand, not a test: it asserts nothing about time.

#include "messageboxes.h"
#include "testwindow.h"

#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    constexpr std::int64_t kEntries = 32767;

    TestWindow window(TempDeck::numbered(kEntries));
    MessageBoxes boxes({BoxAnswer::Yes});

    // The clock starts once the warning is answered, at the first reopen.
    QElapsedTimer sinceAnswer;
    window.w.Data1.hooks.beforeOperation = [&](std::string_view) {
        if (!sinceAnswer.isValid())
            sinceAnswer.start();
    };
    QElapsedTimer whole;
    whole.start();
    window.w.cmdRestart_Click();
    const qint64 afterAnswer = sinceAnswer.elapsed();
    const qint64 total = whole.elapsed();

    const std::size_t left = window.deck.entries().size();
    std::printf("entries: %lld, left after Yes: %zu\n", static_cast<long long>(kEntries), left);
    std::printf("cmdRestart_Click: %lld ms after the answer, %lld ms with the warning\n",
                static_cast<long long>(afterAnswer), static_cast<long long>(total));
    return left == 0 ? 0 : 1;
}
