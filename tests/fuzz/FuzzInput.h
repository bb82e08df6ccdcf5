#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

namespace orv::fuzz {

// Reads typed values off the front of a fuzzer's input; past the end it
// yields zeros, so every input decodes to something.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T next()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), size_ - offset_);
        std::memcpy(&value, data_ + offset_, n);
        offset_ += n;
        return value;
    }
    bool empty() const { return offset_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// The loaders read files by name, so each input is written to a scratch file
// of this process before it is loaded.
class InputFile {
public:
    explicit InputFile(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / ("orv-fuzz-" + std::to_string(::getpid())) / name)
    {
        std::filesystem::create_directories(path_.parent_path());
    }
    ~InputFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_.parent_path(), ignored);
    }
    const std::string& write(const std::uint8_t* data, std::size_t size)
    {
        std::ofstream(path_, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                        static_cast<std::streamsize>(size));
        name_ = path_.string();
        return name_;
    }

private:
    std::filesystem::path path_;
    std::string name_;
};

// Warnings about broken input are expected by the thousand; only crashes and
// sanitizer reports (written straight to the descriptor) matter here.
inline void silenceWarnings() { std::cerr.rdbuf(nullptr); }

}  // namespace orv::fuzz
