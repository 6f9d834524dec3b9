#include "web/Gzip.h"

#include <zlib.h>

namespace tessaly::web {

namespace {

// One compressor per thread, reset between bodies: setting one up allocates and zeroes about
// 256 KiB, which the allocator would give back to the system after every response, so each
// response paid page faults and the flushes of giving the pages back.
class Deflater {
 public:
  ~Deflater() {
    if (_ready) deflateEnd(&_z);
  }
  z_stream* forLevel(int level) {
    if (_ready && _level == level && deflateReset(&_z) == Z_OK) return &_z;
    if (_ready) deflateEnd(&_z);
    _ready = false;
    _z = z_stream{};
    if (deflateInit2(&_z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      return nullptr;
    _ready = true;
    _level = level;
    return &_z;
  }

 private:
  z_stream _z{};
  int _level = 0;
  bool _ready = false;
};

thread_local Deflater tlsDeflater;

}  // namespace

std::string gzipCompress(std::string_view data, int level) {
  z_stream* stream = tlsDeflater.forLevel(level);
  if (!stream) return {};
  z_stream& z = *stream;
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) return {};
  out.resize(z.total_out);
  return out;
}

InflateResult inflateCapped(std::string_view data, std::size_t maxBytes, std::string& out) {
  out.clear();
  z_stream z{};
  if (inflateInit2(&z, 15 + 32) != Z_OK) return InflateResult::Corrupt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char chunk[64 * 1024];
  InflateResult result = InflateResult::Corrupt;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    int status = inflate(&z, Z_NO_FLUSH);
    std::size_t produced = sizeof chunk - z.avail_out;
    if (out.size() + produced > maxBytes) {
      result = InflateResult::TooLarge;
      break;
    }
    out.append(chunk, produced);
    if (status == Z_STREAM_END) {
      if (z.avail_in == 0) result = InflateResult::Ok;
      break;
    }
    if (status != Z_OK || (produced == 0 && z.avail_in == 0)) break;
  }
  inflateEnd(&z);
  if (result != InflateResult::Ok) out.clear();
  return result;
}

}  // namespace tessaly::web
