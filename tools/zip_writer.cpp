#include "tools/zip_writer.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdio>

namespace hf {

namespace {

zip_fileinfo fileInfo(const ZipDate &d) {
  zip_fileinfo info = {};
  info.tmz_date.tm_year = static_cast<uInt>(d.year);
  info.tmz_date.tm_mon = static_cast<uInt>(d.month - 1);
  info.tmz_date.tm_mday = static_cast<uInt>(d.day);
  info.tmz_date.tm_hour = static_cast<uInt>(d.hour);
  info.tmz_date.tm_min = static_cast<uInt>(d.minute);
  info.tmz_date.tm_sec = static_cast<uInt>(d.second);
  return info;
}

bool addMember(zipFile zf, const ZipMember &m) {
  const zip_fileinfo info = fileInfo(m.date);
  const int method = m.deflate ? Z_DEFLATED : 0;
  const int level = m.deflate ? Z_BEST_COMPRESSION : 0;
  if (zipOpenNewFileInZip2(zf, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, m.raw ? 1 : 0) !=
      ZIP_OK)
    return false;
  const bool wrote =
      m.data.empty() || zipWriteInFileInZip(zf, m.data.data(), static_cast<unsigned>(m.data.size())) == ZIP_OK;
  const int closed = m.raw ? zipCloseFileInZipRaw(zf, m.raw->uncompressedSize, m.raw->crc) : zipCloseFileInZip(zf);
  return wrote && closed == ZIP_OK;
}

}  // namespace

bool writeZip(const std::string &path, const std::vector<ZipMember> &members, std::string *error) {
  zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!zf) {
    *error = "cannot create " + path;
    return false;
  }
  for (const ZipMember &m : members) {
    if (!addMember(zf, m)) {
      zipClose(zf, nullptr);
      std::remove(path.c_str());
      *error = "cannot add " + m.name + " to " + path;
      return false;
    }
  }
  if (zipClose(zf, nullptr) != ZIP_OK) {
    std::remove(path.c_str());
    *error = "cannot finish " + path;
    return false;
  }
  return true;
}

std::optional<ZipDate> parseZipDate(const std::string &text) {
  ZipDate d;
  char sep = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &d.year, &d.month, &d.day, &sep, &d.hour, &d.minute,
                  &d.second, &used) != 7 ||
      used != static_cast<int>(text.size()) || (sep != ' ' && sep != 'T'))
    return std::nullopt;
  // The DOS date field holds 1980..2107; seconds are kept in two-second steps.
  if (d.year < 1980 || d.year > 2107 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 ||
      d.minute > 59 || d.second > 59 || d.hour < 0 || d.minute < 0 || d.second < 0 || d.second % 2 != 0)
    return std::nullopt;
  return d;
}

}  // namespace hf
