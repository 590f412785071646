#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Writes a fuzzing input to a file of this process (named with the extension given) for the
// readers that take a path; "" when it cannot be written.
inline std::string inputFile(const std::string& extension, const std::uint8_t* data,
                             std::size_t size) {
    const std::string path = "/tmp/kiv-fuzz-" + std::to_string(::getpid()) + extension;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return "";
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}
