#pragma once
// Messages of the compilation beyond the engine's message table: entries of a source folder
// that are there but cannot go into the image. All go out with type 4.
namespace tarnwick::msg {

inline constexpr const char* DuplicateName = "DUPLICATE NAME, FILE LEFT OUT: \"%s\"";
inline constexpr const char* FolderTooDeep = "FOLDER TOO DEEP, LEFT OUT: \"%s\"";
inline constexpr const char* NameShortened = "NAME TOO LONG FOR THE IMAGE, SHORTENED: \"%s\"";

} // namespace tarnwick::msg
