// Helpers shared by the image readers and writers.
#pragma once
#include <string>

// Writes the bytes to a "wb" data-file stream; false when it cannot be
// created or written.
bool write_image_file(const char* name, const std::string& bytes);
