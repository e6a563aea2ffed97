#pragma once
// The program's version: the one number of the build (the CMake project's version), printed by
// `tarnwick-cli --version` and shown by the window when no "ver.ini" says otherwise.
namespace tarnwick::app {

const char* ProgramVersion();

} // namespace tarnwick::app
