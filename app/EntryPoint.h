// The program entry shared by both editions.
#pragma once

namespace app {

int runProgram(int argc, char** argv);

}  // namespace app
