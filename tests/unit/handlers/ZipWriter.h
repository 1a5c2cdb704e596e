#pragma once
// Writes small zip archives (stored members) for the extraction tests.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

struct ZipMemberSpec {
  std::string name;  // bytes as stored
  std::string data;
  bool utf8Flag = false;   // general purpose bit 11
  bool wrongCrc = false;   // a damaged member
  int64_t announcedSize = -1;  // the uncompressed size the archive claims; -1: the data's
};

inline std::string MakeZipArchive(const std::vector<ZipMemberSpec>& members) {
  auto put = [](std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string body, directory;
  for (const ZipMemberSpec& m : members) {
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size()));
    if (m.wrongCrc) crc ^= 1;
    const uint32_t flags = m.utf8Flag ? 0x0800 : 0;
    const uint32_t offset = static_cast<uint32_t>(body.size());
    std::string common;
    put(common, 20, 2);  // version needed
    put(common, flags, 2);
    put(common, 0, 2);   // stored
    put(common, 0, 4);   // time and date
    put(common, crc, 4);
    put(common, static_cast<uint32_t>(m.data.size()), 4);
    put(common, static_cast<uint32_t>(m.announcedSize >= 0 ? m.announcedSize : m.data.size()), 4);
    put(common, static_cast<uint32_t>(m.name.size()), 2);
    put(common, 0, 2);   // extra field
    put(body, 0x04034b50, 4);
    body += common + m.name + m.data;
    put(directory, 0x02014b50, 4);
    put(directory, 20, 2);  // made by: MS-DOS
    directory += common;
    put(directory, 0, 2 + 2 + 2);  // comment, disk, internal attributes
    put(directory, m.name.back() == '/' ? 0x10 : 0x20, 4);
    put(directory, offset, 4);
    directory += m.name;
  }
  std::string end;
  put(end, 0x06054b50, 4);
  put(end, 0, 4);
  put(end, static_cast<uint32_t>(members.size()), 2);
  put(end, static_cast<uint32_t>(members.size()), 2);
  put(end, static_cast<uint32_t>(directory.size()), 4);
  put(end, static_cast<uint32_t>(body.size()), 4);
  put(end, 0, 2);
  return body + directory + end;
}
