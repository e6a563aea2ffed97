#pragma once
// Messages of the compilation beyond the engine's message table: entries of a source folder
// that are there but cannot go into the image. All go out with type 4.
namespace tarnwick::msg {

inline constexpr const char* DuplicateName = "DUPLICATE NAME, FILE LEFT OUT: \"%s\"";
inline constexpr const char* FolderTooDeep = "FOLDER TOO DEEP, LEFT OUT: \"%s\"";
inline constexpr const char* NameMadeUnique = "NAME ALREADY IN THE IMAGE, MADE UNIQUE: \"%s\"";
inline constexpr const char* NameChanged = "NAME HOLDS A BACKSLASH, CHANGED: \"%s\"";
inline constexpr const char* OutputLeftOut = "THE IMAGE FILE ITSELF, LEFT OUT: \"%s\"";
inline constexpr const char* FileGrew = "FILE GREW WHILE READ, LISTED SIZE KEPT: \"%s\"";
inline constexpr const char* FoldersDeep = "FOLDERS NESTED DEEPER THAN 8 LEVELS: READERS WITHOUT ROCK RIDGE MAY STOP THERE";
inline constexpr const char* PartialImageKept = "IMAGE NOT COMPLETE, PARTIAL FILE KEPT AS: \"%s\"";
inline constexpr const char* NameCharactersChanged = "NAME HOLDS CHARACTERS THE IMAGE CANNOT HOLD, CHANGED TO '_': \"%s\"";
inline constexpr const char* NameShortened = "NAME TOO LONG FOR THE IMAGE, SHORTENED: \"%s\"";

} // namespace tarnwick::msg
