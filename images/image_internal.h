// Helpers shared by the image readers and writers.
#pragma once
#include <string>

// Writes the bytes to a "wb" data-file stream; false when it cannot be
// created or written.
bool write_image_file(const char* name, const std::string& bytes);

// A decoder that refuses its file as no image of its kind (more pixels than
// the image rule allows, a chunk beyond the chunk limit, less data than the
// declared size needs), rather than finding it damaged, says why here; the
// named readers then report the file with refuse_data_file. Cleared at the
// start of every decode.
void image_refusal_clear();
void image_refuse(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Null when the last decode refused nothing.
const char* image_refusal();
// After a failed decode of the file `name`: reports a refusal against it.
// Always false.
bool image_decode_failed(const char* name);

// The most bytes an image file whose first bytes are `head` can hold: what
// the image its header declares can need (binary PPM/PGM and J6/J7 exactly,
// PNG with room for compression overhead and other chunks), never more than
// kImageFileCap.
long image_file_cap(const std::string& head);
// Reads an image file whole within that cap; false (with the last error,
// and the refusal message for a file that is too large) when it cannot.
bool load_image_file(const char* name, std::string& file);
