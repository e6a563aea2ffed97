#pragma once
// Helpers of the UDF bridge: descriptor tags (CRC-ITU-T and checksum), OSTA CS0 text in its
// field forms, entity identifiers and timestamps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Component.h"

namespace tarnwick::udf {

// CRC-ITU-T (x^16 + x^12 + x^5 + 1, initial 0) of n bytes.
uint16_t Crc(const uint8_t* data, size_t n);

// Fills the 16-byte tag at d: identifier, version 2, serial 1, location, the CRC of the
// descriptor's bodyBytes after the tag, and last the checksum.
void PutTag(uint8_t* d, uint16_t ident, uint32_t location, size_t bodyBytes);

// CS0 bytes of a name: compression 8 when every character is below 256, else 16 (big-endian
// units). Empty text gives no bytes.
std::string Cs0(const std::u16string& text);
// Code units that fit into maxBytes of CS0 for this text (its compression chosen as Cs0 does).
size_t Cs0Fit(const std::u16string& text, size_t maxBytes);

// A fixed field of width bytes: CS0 text cut to width - 1 bytes, its length in the last byte.
void PutDString(uint8_t* d, size_t width, const std::u16string& text);
// The character set field: CS0, "OSTA Compressed Unicode".
void PutCharspec(uint8_t* d);
// Entity identifier: the text, and for domain and UDF identifiers the revision 1.02 suffix.
void PutRegid(uint8_t* d, const char* ident, bool udfSuffix);
// Type-1 timestamp (local time) with the zone in minutes east of GMT.
void PutTimestamp(uint8_t* d, TDateTime dt, int32_t zoneMinutes);

} // namespace tarnwick::udf
