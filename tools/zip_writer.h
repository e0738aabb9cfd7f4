// Writes ZIP archives through minizip's zip API: the build packs the demo's
// archives with it, and the tests make their own (corrupt ones included).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hf {

// A stored date as the archive keeps it (local time, two-second steps).
struct ZipDate {
  int year = 2025, month = 1, day = 1;  // month 1..12
  int hour = 0, minute = 0, second = 0;
};

// Written as given, with a declared CRC-32 and size of the caller's choice:
// for archives whose members do not check out.
struct RawMember {
  uint32_t crc = 0;
  uint32_t uncompressedSize = 0;
};

struct ZipMember {
  std::string name;
  std::string data;
  ZipDate date;
  bool deflate = true;           // else stored
  std::optional<RawMember> raw;  // data is then written untouched
};

// Writes `members` in order into a new archive at `path`. On failure returns
// false with a message in `error`; no half-written archive stays behind.
bool writeZip(const std::string &path, const std::vector<ZipMember> &members, std::string *error);

// "YYYY-MM-DD HH:MM:SS" (or with a 'T'), a date that the archive can store.
std::optional<ZipDate> parseZipDate(const std::string &text);

}  // namespace hf
