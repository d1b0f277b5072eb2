#include "config/bike_models.h"

#include <cstring>

const std::vector<std::string>& bike_model_choices() {
  static const std::vector<std::string> models = {
      "450sxf(2013)", "crf450(2013)", "kx450f(2013)", "rmz450(2013)", "yz450f(2013)", "350sxf(2013)",
      "450sxf(2011)", "crf450(2011)", "kx450f(2011)", "rmz450(2011)", "yz450f(2011)", "350sxf(2011)",
      "250sx(2012)",  "cr250(2007)",  "kx250(2006)",  "rm250(2008)",  "yz250(2012)",  "250sxf(2013)",
      "crf250(2013)", "kx250f(2013)", "rmz250(2013)", "yz250f(2013)", "250sxf(2009)", "crf250(2009)",
      "kx250f(2009)", "rmz250(2009)", "yz250f(2009)", "crf250(2008)", "kx250f(2008)", "rmz250(2008)",
      "yz250f(2008)", "crf250(2007)", "kx250f(2007)", "rmz250(2007)", "yz250f(2007)", "yz250f_se(2006)",
      "125sx",        "cr125",        "kx125",        "rm125",        "yz125",        "rs50cr",
      "rs50kx",       "rs50rm",       "rs50yz",
  };
  return models;
}

const char* current_bike_name(const char* name) {
  static const char* const kOldNames[][2] = {
      {"crf250", "crf250(2008)"},
      {"kx250f", "kx250f(2008)"},
      {"rmz250", "rmz250(2008)"},
      {"yz250f", "yz250f(2008)"},
  };
  if (!name) return name;
  for (const auto& pair : kOldNames)
    if (std::strcmp(name, pair[0]) == 0) return pair[1];
  return name;
}

std::string bike_graphics_prefix(const std::string& model) {
  static const char* const kOwnPrefix[][2] = {
      {"450sxf(2013)", "450sxfv2013-"}, {"crf450(2013)", "crf450v2013-"}, {"350sxf(2013)", "350sxfv2013-"},
      {"250sxf(2013)", "250sxfv2013-"}, {"crf250(2013)", "crf250v2010-"}, {"kx250f(2013)", "kx250fv2013-"},
      {"rmz250(2013)", "rmz250v2010-"}, {"yz250f(2013)", "yz250fv2010-"}, {"yz250f_se(2006)", "yz250f_se-"},
      {"rs50cr", "cr125-"},             {"rs50kx", "kx125-"},             {"rs50rm", "rm125-"},
      {"rs50yz", "yz125-"},
  };
  for (const auto& pair : kOwnPrefix)
    if (model == pair[0]) return pair[1];
  // The name without its year.
  return model.substr(0, model.find('(')) + "-";
}
