#pragma once
// Name, date and sort helpers of the image code: ASCII upper-casing, the short names of
// directories made from a bare name, UTF-8 to UCS-2, the fixed-width text fields and the two
// date forms of ISO 9660.
#include <cstdint>
#include <string>

#include "engine/Component.h"
#include "engine/image/Entries.h"

namespace tarnwick {

// Upper-cases ASCII a-z only; every other byte stays.
std::string UpperCase(std::string s);
// Upper-cases ASCII a-z of UCS-2 text.
std::u16string UpperCase(std::u16string s);

// Short name of a directory created from a bare name: the first 13 characters upper-cased,
// every character below '!' or above 'z' replaced by '_'.
std::string MakeAlternateName(const std::string& name);

// UTF-8 to UCS-2: a character outside the Basic Multilingual Plane, and a byte that does not
// begin a valid sequence, become '_'.
std::u16string Utf8ToUcs2(const std::string& s);
// Characters (code points) of UTF-8 text, as Utf8ToUcs2 counts them.
size_t CharCount(const std::string& s);
// True when Utf8ToUcs2 keeps every character of s (valid UTF-8, all in the BMP).
bool FitsUcs2(const std::string& s);

// The name an entry has at its source, for the Joliet and UDF trees: the compilation gives a
// dotless file name a dot ("README" is "README."), which ISO 9660 needs and the trees of long
// names must not show.
std::string OwnLongName(const TFEntry* f);

// The primary descriptor's volume identifier: ASCII upper-cased, every other character (a
// UTF-8 sequence, or a byte that begins none) one '_', so a cut never splits a character and
// no byte outside ASCII is written.
std::string IsoVolumeLabel(const std::string& label);

// Upper-case path of a directory inside the compilation: "\DATA\PHOTOS", "\" for the root.
std::string BuildDirPath(const TDEntry* dir);

// Fixed-width descriptor text fields: the text, then spaces, cut to width bytes. The Joliet
// form writes width/2 UCS-2 characters big-endian.
void ToIsoField(const std::string& text, uint8_t* dest, size_t width);
void ToJolietField(const std::string& text, uint8_t* dest, size_t width);
// Writes UCS-2 text big-endian (2 bytes per character).
void PutUcs2BE(uint8_t* dest, const std::u16string& text);

// The 17-byte descriptor date: 16 digits (YYYYMMDDhhmmss and the first two digits of the
// milliseconds written with at least two digits) and a zero offset byte.
void EncodeDescriptorDate(TDateTime dt, uint8_t* dest17);
// The zone byte for a local recording date: the signed 15-minute offset in force at that
// moment, so that date and zone together denote the moment (daylight saving included).
int8_t RecordZoneOffset(TDateTime local);
// The 7-byte recording date of directory records; tz is the signed 15-minute offset.
void EncodeRecordDate(TDateTime dt, int8_t tz, uint8_t* dest7);

} // namespace tarnwick
