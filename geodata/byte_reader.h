// Positioned little-endian reads from a byte stream, bounded by the file's size.
//
// Internal to the geodata readers. The tables are read field by field, each field
// with its own positioned read. glibc's fseek makes a system call every time, even
// when the target is inside the stream's buffer (about 0.8 us a field), which would
// make a world-size table load take most of a second; so the reader keeps its own
// window of the file and only seeks the stream when a field lies outside it. Bytes
// past the end of the file read as zero and are reported, never read from beyond
// the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

class ByteReader {
 public:
  explicit ByteReader(std::FILE* f) : f_(f), size_(0), windowStart_(0), windowLength_(0) {
    // The window is the buffer; a second one inside the stream would only copy twice.
    std::setvbuf(f_, nullptr, _IONBF, 0);
    if (std::fseek(f_, 0, SEEK_END) == 0) {
      long end = std::ftell(f_);
      if (end > 0) size_ = static_cast<uint64_t>(end);
    }
    window_.resize(kWindow);
  }

  uint64_t size() const { return size_; }

  // Reads n bytes at offset into out; false (and out zero-filled) unless all n
  // bytes lie inside the file.
  bool read(uint64_t offset, void* out, size_t n) {
    if (offset > size_ || n > size_ - offset) {
      std::memset(out, 0, n);
      return false;
    }
    if (offset < windowStart_ || offset + n > windowStart_ + windowLength_) {
      if (n > kWindow || !fill(offset, n)) {
        std::memset(out, 0, n);
        return false;
      }
    }
    std::memcpy(out, window_.data() + (offset - windowStart_), n);
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
  static constexpr size_t kWindow = 64 * 1024;

  bool fill(uint64_t offset, size_t need) {
    windowStart_ = offset;
    windowLength_ = 0;
    if (std::fseek(f_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    uint64_t left = size_ - offset;
    size_t want = left < kWindow ? static_cast<size_t>(left) : kWindow;
    windowLength_ = std::fread(window_.data(), 1, want, f_);
    return windowLength_ >= need;
  }

  std::FILE* f_;
  uint64_t size_;
  uint64_t windowStart_;
  size_t windowLength_;
  std::vector<char> window_;
};
