#pragma once

#include "app/application_setup.h"

#include <QTest>

// The entry of a window test, in place of QTEST_MAIN: the test runs in the application object as
// the program sets it up (font rules, "Silver" style, name and icons), so that every window it
// builds is the window users see.
#define VORLANTIX_WINDOW_TEST_MAIN(TestObject)                                                     \
    int main(int argc, char* argv[]) {                                                             \
        app::Application application(argv[0]);                                                     \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
