#pragma once
// The owner of a C stdio stream: closes it when it goes out of scope. Code
// that must know whether the close succeeded (buffered writes can fail
// there) closes by hand: std::fclose(file.release()).
#include <cstdio>
#include <memory>

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;
