#include <QGuiApplication>

#include <gtest/gtest.h>

// Fonts and paint devices need an application object; the tests never need a display. The
// machine's printers are hidden behind a print server that does not exist, so that no test can
// reach paper and every machine has no default printer.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("CUPS_SERVER", "/nonexistent/dipsheet-test-cups.sock");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
