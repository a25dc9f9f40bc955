#pragma once

#include <QApplication>
#include <QTest>

// QTEST_MAIN for tests that want X11: outside the test desktop (never on the
// user's own display) the platform falls back to offscreen, so the test can
// start and skip what needs a desktop instead of aborting in the
// application's constructor.
#define QUELLO_DESKTOP_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char* argv[]) {                                                             \
        if (qEnvironmentVariableIsEmpty("QUELLO_TEST_DESKTOP"))                                    \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
