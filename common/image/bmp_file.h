#pragma once
#include <string>

#include "common/image/picture.h"

namespace xvf {

// Reads an uncompressed 24-bit BMP (bottom-up or top-down rows, padded to 4
// bytes). Returns an empty picture and sets *error when the file is not one.
Picture ReadBmp(const std::string& path, std::string* error);

// Writes a 24-bit bottom-up BMP; false when writing failed.
bool WriteBmp(const std::string& path, const Picture& picture);

}  // namespace xvf
