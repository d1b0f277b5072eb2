#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

#include "tools/krsim/krsim.h"

namespace {
// strtod follows the global locale; numbers here are always C-locale.
locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
  return loc;
}
}  // namespace

bool krsim_parse_long(const std::string& text, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != 0) return false;
  out = v;
  return true;
}

bool krsim_parse_double(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = strtod_l(text.c_str(), &end, c_locale());
  if (errno != 0 || *end != 0 || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool KrsimArgs::next() {
  ++index_;
  return index_ < static_cast<long>(args_.size());
}

bool KrsimArgs::text(std::string& out) {
  if (index_ + 1 >= static_cast<long>(args_.size())) {
    fail("%s needs a value", current().c_str());
    return false;
  }
  ++index_;
  out = args_[index_];
  return true;
}

bool KrsimArgs::integer(long& out, long lowest, long highest) {
  std::string option = current(), value;
  if (!text(value)) return false;
  long v;
  if (!krsim_parse_long(value, v) || v < lowest || v > highest) {
    fail("%s wants a whole number from %ld to %ld, not '%s'", option.c_str(), lowest, highest, value.c_str());
    return false;
  }
  out = v;
  return true;
}

bool KrsimArgs::number(double& out, double lowest, double highest) {
  std::string option = current(), value;
  if (!text(value)) return false;
  double v;
  if (!krsim_parse_double(value, v) || v < lowest || v > highest) {
    fail("%s wants a number from %g to %g, not '%s'", option.c_str(), lowest, highest, value.c_str());
    return false;
  }
  out = v;
  return true;
}

int KrsimArgs::fail(const char* format, ...) {
  std::fprintf(stderr, "krsim %s: ", verb_);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\nTry 'krsim %s --help'.\n", verb_);
  return 1;
}

int KrsimArgs::help() const {
  std::fputs(usage_, stdout);
  return 0;
}
