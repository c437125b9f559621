// Program entry: single instance, application object, main window, message loop.
#include "EntryPoint.h"

#include <QApplication>

namespace app {

int runProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    return 0;
}

}  // namespace app
