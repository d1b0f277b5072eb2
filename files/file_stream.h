// File streams over plain files, archive members, gzip-compressed and
// enciphered data. Every file of the program is read and written here.
#pragma once
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

struct DataFile;

// name: "@" + a data-file name (searched in the data folders, then in the
// index with the ".gz", ".scram" and ".gz.scram" variants), or a plain path.
// mode: a C fopen mode, optionally preceded by '~' to keep a numbered
// backup "<path>.~N~" of the file being replaced. Null on failure.
DataFile* open_data_file(const char* name, const char* mode);
void close_data_file(DataFile* file);

struct DataFileCloser {
  void operator()(DataFile* f) const { close_data_file(f); }
};
using DataFilePtr = std::unique_ptr<DataFile, DataFileCloser>;

// Reading. read_char returns EOF at the end.
int read_char(DataFile* f);
char* read_line(DataFile* f, char* buffer, int size);  // like fgets
size_t read_block(DataFile* f, void* buffer, size_t count);
int read_formatted(DataFile* f, const char* format, ...) __attribute__((format(scanf, 2, 3)));
// One "%d"; INT_MIN when none can be read.
int read_number(DataFile* f);
// Skips white space and every following line that starts with '#'.
void skip_comments(DataFile* f);
// Plain, uncompressed, unenciphered streams only; position relative to the
// start of the data. Returns success.
bool seek_data_file(DataFile* f, long position);
// Bytes consumed so far from the start of the data.
long data_file_position(DataFile* f);

// Writing.
int write_char(DataFile* f, int c);
int write_text(DataFile* f, const char* text);
size_t write_block(DataFile* f, const void* buffer, size_t count);
int write_formatted(DataFile* f, const char* format, ...) __attribute__((format(printf, 2, 3)));
int flush_data_file(DataFile* f);

// "@" names mean the home folder + the rest. An existing new name is
// replaced in one step.
bool rename_data_file(const char* old_name, const char* new_name);

// Caps what readers may take from a stream. False at once when the stream's
// size is known (a plain file or a stored archive member) and larger; a
// decoded stream (compressed or enciphered) ends one byte past the cap,
// and data_file_overflowed then tells.
bool limit_data_file(DataFile* f, long max_bytes);
// Whether the reader has taken more than the cap.
bool data_file_overflowed(DataFile* f);

// Reads a whole data file (through open_data_file), holding no more than
// max_bytes (the cap of its kind, files/data_limits.h). False when it
// cannot be opened, or, after the refusal message, when it is larger.
bool read_whole_data_file(const char* name, std::string& out, long max_bytes);
// The same for the rest of an open stream, appended to out (out's size
// counts against the cap). `name` is for the refusal message.
bool read_rest_of_data_file(DataFile* f, const char* name, std::string& out, long max_bytes);
