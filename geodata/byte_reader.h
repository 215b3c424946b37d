// Positioned little-endian reads from a byte stream, bounded by the file's size.
//
// Internal to the geodata readers. Every read is one seek and one read, as the table
// formats are meant to be read; a seek to where the stream already is is skipped, so
// consecutive fields cost no buffer refill. Bytes past the end of the file read as
// zero and are reported, never read from beyond the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

class ByteReader {
 public:
  explicit ByteReader(std::FILE* f) : f_(f), size_(0), pos_(0) {
    if (std::fseek(f_, 0, SEEK_END) == 0) {
      long end = std::ftell(f_);
      if (end > 0) size_ = static_cast<uint64_t>(end);
    }
    std::fseek(f_, 0, SEEK_SET);
  }

  uint64_t size() const { return size_; }

  // Reads n bytes at offset into out; false (and out zero-filled) unless all n
  // bytes lie inside the file.
  bool read(uint64_t offset, void* out, size_t n) {
    if (offset > size_ || n > size_ - offset) {
      std::memset(out, 0, n);
      return false;
    }
    if (offset != pos_) {
      if (std::fseek(f_, static_cast<long>(offset), SEEK_SET) != 0) {
        std::memset(out, 0, n);
        pos_ = UINT64_MAX;
        return false;
      }
      pos_ = offset;
    }
    size_t got = std::fread(out, 1, n, f_);
    pos_ += got;
    if (got != n) {
      std::memset(static_cast<char*>(out) + got, 0, n - got);
      return false;
    }
    return true;
  }

  uint32_t u32(uint64_t offset) {
    unsigned char b[4];
    read(offset, b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  }
  int32_t i32(uint64_t offset) { return static_cast<int32_t>(u32(offset)); }
  double f64(uint64_t offset) {
    unsigned char b[8];
    read(offset, b, 8);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
  // A fixed-width text field into out[width + 1], ending at its first NUL.
  void text(uint64_t offset, char* out, size_t width) {
    read(offset, out, width);
    out[width] = '\0';
  }

 private:
  std::FILE* f_;
  uint64_t size_;
  uint64_t pos_;
};
