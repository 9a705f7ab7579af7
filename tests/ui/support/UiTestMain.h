#pragma once

#include <QTest>

#include "ui/Application.h"

// The main function of a Qt Test executable over the program's own application object, on the
// offscreen platform unless another one is chosen.
#define BREVANE_UI_TEST_MAIN(TestClass)                       \
    int main(int argc, char** argv) {                         \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) { \
            qputenv("QT_QPA_PLATFORM", "offscreen");          \
        }                                                     \
        brevane::Application app(argc, argv);                 \
        TestClass test;                                       \
        return QTest::qExec(&test, argc, argv);               \
    }
