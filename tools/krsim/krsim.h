// The headless runner: verbs that run the game's own simulation code with no
// window, for tests, benchmarks, modders and bug reports.
#pragma once
#include <string>
#include <vector>

// One verb: `krsim NAME ARGS...`. run gets the arguments after the verb and
// returns the exit status (0 done, 1 bad argument or input, 2 a fault found
// in the simulation).
struct KrsimVerb {
  const char* name;
  const char* summary;
  int (*run)(const std::vector<std::string>& args);
};

int krsim_track(const std::vector<std::string>& args);
int krsim_sweep(const std::vector<std::string>& args);
int krsim_ride(const std::vector<std::string>& args);
int krsim_race(const std::vector<std::string>& args);
int krsim_play(const std::vector<std::string>& args);
int krsim_lines(const std::vector<std::string>& args);

// Walks a verb's arguments: options "--name" with or without a value, and
// bare words. Numbers are read in the C locale and must be whole and finite.
class KrsimArgs {
 public:
  KrsimArgs(const char* verb, const char* usage, const std::vector<std::string>& args)
      : verb_(verb), usage_(usage), args_(args) {}
  // Moves to the next argument; false at the end.
  bool next();
  const std::string& current() const { return args_[index_]; }
  bool is(const char* option) const { return current() == option; }
  bool is_option() const { return current().size() > 1 && current()[0] == '-'; }
  bool help_asked() const { return is("--help") || is("-h"); }
  // The value after the current option; false (after the message) when the
  // option stands last.
  bool text(std::string& out);
  bool integer(long& out, long lowest, long highest);
  bool number(double& out, double lowest, double highest);
  // Prints "krsim VERB: <message>" and the usage hint on standard error and
  // returns 1.
  int fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  int unknown() { return fail("unknown argument '%s'", current().c_str()); }
  // Prints the usage text on standard output and returns 0.
  int help() const;

 private:
  const char* verb_;
  const char* usage_;
  const std::vector<std::string>& args_;
  long index_ = -1;
};

// Whole-number and real-number parsing in the C locale; false for trailing
// junk, overflow, NaN or infinity.
bool krsim_parse_long(const std::string& text, long& out);
bool krsim_parse_double(const std::string& text, double& out);
