// The executable's entry: everything lives in the app layer; the edition is chosen at link time.
#include "app/EntryPoint.h"

int main(int argc, char** argv) {
    return app::runProgram(argc, argv);
}
