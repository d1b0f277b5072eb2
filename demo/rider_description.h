// A recorded rider's appearance as demos and the multiplayer client carry
// it: "bike|riding gear|bike graphics|wheel graphics|helmet", the plate
// number and the name, each on its own line.
#pragma once
#include <string>
#include <string_view>

constexpr int kPlateNumberLength = 3;

struct RiderDescription {
  std::string bike;            // the bike model's name
  std::string riding_gear;     // the "Riding Gear", "Bike Graphics",
  std::string bike_graphics;   // "Wheel Graphics" and "Helmet" choices;
  std::string wheel_graphics;  // empty when unset
  std::string helmet;
  std::string number;  // at most three characters
  std::string name;
  // How many of the five "|" fields a read description held; those past
  // it were absent and stay unset.
  int field_count = 5;
};

// The text as it enters a header: "|", line breaks and other control
// characters would split the description, so each becomes a space.
std::string clean_description_text(std::string_view text);

// "%s|%s|%s|%s|%s\n%s\n%s" with every part cleaned and the number cut to
// three characters.
std::string format_rider_description(const RiderDescription& d);

// Splits a description line at "|" into up to five fields (the rest of a
// line with more is ignored) and sets field_count.
void parse_description_line(std::string_view line, RiderDescription* d);
