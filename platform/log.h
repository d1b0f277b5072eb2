// The platform library's log file, last-error text and environment options.
#pragma once
#include <cstdarg>
#include <cstddef>

// printf-style message to the log. A null format closes the log for good;
// "TARN_LOGFILE=<path>" as the first message points the log at a file;
// a message starting with byte 0x13 followed by "FLUSH"/"NOFLUSH" turns
// per-message flushing on or off.
void tarn_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void tarn_vlog(const char* format, va_list args);

// Logs "Error: <text>" and keeps the pointer as the last-error text.
void tarn_set_last_error(const char* text);
const char* tarn_last_error();

// Options written as "[name:value]" anywhere in TARN_OPTIONS.
int tarn_option_flag(const char* name, int default_value);
int tarn_option_number(const char* name, int default_value);

// The time stamp "[h:mm:ss.hh] " of a message logged at s seconds and us
// microseconds of the clock; hours do not wrap.
void tarn_format_log_prefix(char* buffer, size_t size, long s, long us);

// Tests only: forget the log state and the cached options text so that the
// environment is read again.
void tarn_log_reset_for_tests();
