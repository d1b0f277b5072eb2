#include "demo/rider_description.h"

std::string clean_description_text(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '|' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

std::string format_rider_description(const RiderDescription& d) {
  std::string number = clean_description_text(d.number).substr(0, kPlateNumberLength);
  return clean_description_text(d.bike) + "|" + clean_description_text(d.riding_gear) + "|" +
         clean_description_text(d.bike_graphics) + "|" + clean_description_text(d.wheel_graphics) + "|" +
         clean_description_text(d.helmet) + "\n" + number + "\n" + clean_description_text(d.name);
}

void parse_description_line(std::string_view line, RiderDescription* d) {
  std::string* fields[5] = {&d->bike, &d->riding_gear, &d->bike_graphics, &d->wheel_graphics, &d->helmet};
  int n = 0;
  size_t start = 0;
  while (n < 5) {
    size_t bar = line.find('|', start);
    *fields[n++] = std::string(line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  d->field_count = n;
}
