// Text lines exactly as fgets with a 512-byte buffer hands them out, without the copy.
//
// Internal to the coastline/river reader: a piece ends after its line end or after
// 511 bytes, whichever comes first, so a longer line is split and its rest comes as
// the next piece; a NUL byte ends the piece's text as it would end fgets' string. The
// file is read in large blocks into the reader's own buffer and pieces point into it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

class LineReader {
 public:
  static constexpr size_t kPiece = 511;  // what a 512-byte fgets buffer holds

  explicit LineReader(std::FILE* f)
      : f_(f), buffer_(kBlock + kPiece), size_(0), pos_(0), len_(0), consumed_(0), eof_(false) {
    // The reader's buffer is the only one; set before any other use of the stream.
    std::setvbuf(f_, nullptr, _IONBF, 0);
    if (std::fseek(f_, 0, SEEK_END) == 0) {
      long end = std::ftell(f_);
      if (end > 0) size_ = static_cast<uint64_t>(end);
    }
    std::fseek(f_, 0, SEEK_SET);
  }

  // The file's size in bytes when it was opened.
  uint64_t size() const { return size_; }

  // The next piece's text, [*begin, *end), without its line end; false at the end of
  // the file.
  bool next(const char** begin, const char** end) {
    if (len_ - pos_ < kPiece && !eof_) refill();
    size_t avail = len_ - pos_;
    if (avail == 0) return false;
    size_t take = avail < kPiece ? avail : kPiece;
    const char* p = buffer_.data() + pos_;
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', take));
    size_t piece = nl ? size_t(nl - p) + 1 : take;
    const char* textEnd = nl ? nl : p + piece;
    const char* nul = static_cast<const char*>(std::memchr(p, '\0', size_t(textEnd - p)));
    *begin = p;
    *end = nul ? nul : textEnd;
    pos_ += piece;
    consumed_ += piece;
    return true;
  }

  // Bytes handed out so far.
  uint64_t consumed() const { return consumed_; }

 private:
  static constexpr size_t kBlock = 256 * 1024;

  void refill() {
    size_t keep = len_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, keep);
    pos_ = 0;
    len_ = keep;
    while (len_ < kPiece && !eof_) {
      size_t got = std::fread(buffer_.data() + len_, 1, buffer_.size() - len_, f_);
      if (got == 0) eof_ = true;
      len_ += got;
    }
  }

  std::FILE* f_;
  std::vector<char> buffer_;
  uint64_t size_;
  size_t pos_, len_;
  uint64_t consumed_;
  bool eof_;
};
