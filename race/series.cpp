#include "race/series.h"

// Until series are read there are none to offer.
void load_series_definitions() {}
