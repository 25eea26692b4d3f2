// A conversion on its own thread: the window keeps painting, but nothing a person does meanwhile
// is acted on, neither during the run nor after it.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "app/qt/backgroundrun.h"
#include "apptesting.h"

namespace kvo::test {
namespace {

// Input from a person, delivered at once on the window's thread.
void type(QWidget& target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &press);
}

void doubleClick(QWidget& target) {
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &click);
}

TEST(BackgroundRun, InputDuringARunIsDroppedNotReplayed) {
    ensureApplication();
    QLineEdit field;
    field.show();
    QCoreApplication::processEvents();
    int progressShown = 0;
    RunInBackground(
        [&field](const ProgressFn& progress) {
            // While the run goes on, a key and a double click reach the window.
            QMetaObject::invokeMethod(
                &field,
                [&field] {
                    type(field, Qt::Key_X, QStringLiteral("x"));
                    doubleClick(field);
                },
                Qt::BlockingQueuedConnection);
            progress(1);
            return ConvertReport{};
        },
        [&progressShown](std::uint64_t) { ++progressShown; });
    QCoreApplication::processEvents();
    EXPECT_EQ(field.text(), QString());
    EXPECT_GE(progressShown, 1);

    // Once the run has ended, input counts again.
    type(field, Qt::Key_Y, QStringLiteral("y"));
    QCoreApplication::processEvents();
    EXPECT_EQ(field.text(), QStringLiteral("y"));
}

}  // namespace
}  // namespace kvo::test
