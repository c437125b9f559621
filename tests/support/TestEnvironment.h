// Each test process gets its own HOME, XDG folders, runtime and temporary directory.
#pragma once

#include <string>

namespace testenv {

// Creates the private tree and points the environment at it. Call before Qt or GStreamer start.
void setUp();

const std::string& root();
std::string configHome();      // $XDG_CONFIG_HOME
std::string defaultProfile();  // the only entry of $XDG_CONFIG_DIRS
std::string runtimeDir();      // $XDG_RUNTIME_DIR
std::string tempDir();         // $TMPDIR
std::string picturesDir();
std::string videosDir();

// Writes a whole file, creating its folders.
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Removes everything below `dir` but keeps `dir`.
void clearDir(const std::string& dir);

}  // namespace testenv
